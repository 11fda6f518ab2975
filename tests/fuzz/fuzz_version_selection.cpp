// The runtime locator over arbitrary subkey names and JavaHome data: it may
// pick a runtime, report a failed search, or end the program, but nothing
// else, and it never leaves a key open.
#include <fuzzer/FuzzedDataProvider.h>

#include "fakes.h"
#include "runtime/runtime_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(8);
    try {
        ParseVersionNumber(std::wstring(text.begin(), text.end()));
    } catch (const AppError&) {
    }
    FakeMachine machine;
    machine.Registry.Find(kHkeyLocalMachine, kRuntimeKeyAnsi);
    const int count = input.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) {
        const std::string name = input.ConsumeRandomLengthString(12);
        if (name.empty() || name.find('\\') != std::string::npos) {
            continue;
        }
        machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\" + name, "JavaHome",
                                  input.ConsumeIntegralInRange<std::uint32_t>(0, 8),
                                  input.ConsumeRandomLengthString(40));
    }
    std::wstring javaHomePath;
    try {
        LocateJavaRuntime(machine.Seams, javaHomePath);
    } catch (const ProgramEnded&) {
        if (machine.Ui.Messages.size() != 1) {
            __builtin_trap();
        }
    }
    if (machine.Registry.OpenHandles() != 0) {
        __builtin_trap();
    }
    return 0;
}
