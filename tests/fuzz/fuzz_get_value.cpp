// GetValue against a registry that answers anything: any return code, type
// and size, at the first query and at the second. The reader must never
// read or write outside its buffers, and must either return or raise.
#include <fuzzer/FuzzedDataProvider.h>

#include "platform/app_error.h"
#include "registry/registry_reader.h"

namespace {

class ArbitraryRegistry : public RegistryApi {
public:
    explicit ArbitraryRegistry(FuzzedDataProvider& input) : input_(input) {}

    long OpenKey(RegistryKey, const std::string&, std::uint32_t, RegistryKey& opened) override {
        opened = 0x100;
        return input_.ConsumeBool() ? kErrorSuccess : kErrorFileNotFound;
    }
    long EnumKey(RegistryKey, std::uint32_t, std::span<char>) override { return kErrorNoMoreItems; }
    long QueryValue(RegistryKey, const std::string&, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override {
        const long code = input_.PickValueInArray({kErrorSuccess, kErrorMoreData, kErrorFileNotFound, 5L});
        if (input_.ConsumeBool()) {
            type = input_.ConsumeIntegralInRange<std::uint32_t>(0, 12);
        }
        if (code == kErrorSuccess) {
            // A well-behaved call writes no more than the size it was given.
            const std::size_t room = std::min<std::size_t>(size, data.size());
            const std::vector<std::uint8_t> bytes = input_.ConsumeBytes<std::uint8_t>(room);
            std::copy(bytes.begin(), bytes.end(), data.begin());
        }
        // The reported size is anything at all, including more than the buffer.
        size = input_.ConsumeIntegralInRange<std::uint32_t>(0, 4096);
        return code;
    }
    long CloseKey(RegistryKey) override {
        ++closed;
        return kErrorSuccess;
    }
    std::string ToAnsi(const std::wstring& text) override { return {text.begin(), text.end()}; }
    std::wstring FromAnsi(const std::string& text) override { return {text.begin(), text.end()}; }

    int closed = 0;

private:
    FuzzedDataProvider& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ArbitraryRegistry registry(input);
    try {
        GetValue(registry, kHkeyLocalMachine, L"SOFTWARE\\Key", L"Value");
    } catch (const AppError& error) {
        if (error.Description.empty()) {
            __builtin_trap();
        }
    }
    if (registry.closed > 1) {
        __builtin_trap();  // the one key was closed twice
    }
    return 0;
}
