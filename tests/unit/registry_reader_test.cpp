#include <gtest/gtest.h>

#include "fakes.h"
#include "registry/registry_reader.h"

namespace {

constexpr char kKey[] = "Software\\Test";

// The number of an error GetValue raised, told apart from a returned integer.
struct Raised {
    std::int32_t Number;
    bool operator==(const Raised&) const = default;
};
using Outcome = std::variant<RegistryValue, Raised>;

class RegistryReader : public ::testing::Test {
protected:
    // Every path closes what it opened, and never the caller's root.
    void TearDown() override {
        EXPECT_EQ(registry.OpenHandles(), 0U);
        EXPECT_FALSE(registry.RootClosed);
    }

    // The value, or the number of the error GetValue raised.
    Outcome Get(const std::string& name) {
        try {
            return GetValue(registry, kHkeyCurrentUser, L"Software\\Test", Widen(name));
        } catch (const AppError& error) {
            return Raised{error.Number};
        }
    }

    EventLog log;
    FakeRegistry registry{log};
};

TEST_F(RegistryReader, KeyExistsAndEnumSubKeysTreatUnopenableKeysAsAbsent) {
    for (const char* name : {"1.6", "1.4.2_19", "10"}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);
    }
    registry.AddKey(kHkeyCurrentUser, "Software\\Locked");
    registry.Unreadable.insert("HKCU\\Software\\Locked");
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Test"), -1);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Locked"), 0);
    EXPECT_EQ(KeyExists(registry, kHkeyLocalMachine, L""), -1);  // the root itself
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names(),
              (std::vector<std::wstring>{L"1.6", L"1.4.2_19", L"10"}));
    EXPECT_TRUE(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Missing").Names().empty());
    // An empty path lists the caller's handle itself, which stays open.
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"").Names(), std::vector<std::wstring>{L"Software"});
}

TEST_F(RegistryReader, EnumSubKeysStopsAtAFailedNameAndRaisesForNamesThatReadAlike) {
    for (const std::string& name : {std::string("a"), std::string(260, 'x'), std::string("c")}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);  // 260 leaves no room for the NUL
    }
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names(), std::vector<std::wstring>{L"a"});
    // Two names whose characters the ANSI code page lacks both read as "?".
    registry.AddKey(kHkeyCurrentUser, "Software\\Odd");
    registry.Keys.insert(registry.Keys.end(), 2, "HKCU\\Software\\Odd\\?");
    EXPECT_THROW(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Odd"), AppError);
}

TEST_F(RegistryReader, GetValueConvertsByTypeOrRaises) {
    const std::string big(1500, 'j');
    using Bytes = std::vector<std::uint8_t>;
    const std::vector<std::tuple<std::string, std::uint32_t, std::string, Outcome>> cases = {
        {"sz", kRegSz, std::string("abc") + '\0', std::wstring(L"abc")},
        {"sz without terminator", kRegSz, "abc", std::wstring(L"ab")},
        {"sz keeps inner NULs", kRegSz, std::string("a\0b\0", 4), std::wstring(L"a\0b", 3)},
        {"sz beyond the first buffer", kRegSz, big + '\0', std::wstring(big.begin(), big.end())},
        {"expand sz", kRegExpandSz, std::string("%JAVA_HOME%") + '\0', std::wstring(L"%JAVA_HOME%")},
        {"multi sz", kRegMultiSz, std::string("a\0b\0\0", 5), std::wstring(L"a\0b", 3)},
        {"empty multi sz", kRegMultiSz, std::string(2, '\0'), std::wstring()},
        {"dword", kRegDword, "\xFF\xFF\xFF\xFF", std::int32_t{-1}},
        {"dword short", kRegDword, "\x02\x01", std::int32_t{0x0102}},
        {"dword long", kRegDword, std::string("\x01\0\0\0\x09", 5), std::int32_t{1}},
        {"binary 3", kRegBinary, "\x01\x02\x03", Bytes{1, 2, 3}},
        {"binary 1024", kRegBinary, std::string(1024, '\xAB'), Bytes(1024, 0xAB)},
        {"binary 1025", kRegBinary, std::string(1025, '\xCD'), Bytes(1025, 0xCD)},
        {"", kRegSz, std::string("unnamed") + '\0', std::wstring(L"unnamed")},
        {"none", kRegNone, "\x01", Raised{kErrUnsupportedValueType}},
        {"big endian", kRegDwordBigEndian, "\x01\x02\x03\x04", Raised{kErrUnsupportedValueType}},
        {"qword", kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08", Raised{kErrUnsupportedValueType}},
        {"empty sz", kRegSz, "", Raised{kErrInvalidArgument}},  // too short to convert
        {"one-byte multi sz", kRegMultiSz, std::string(1, '\0'), Raised{kErrInvalidArgument}},
        {"empty binary", kRegBinary, "", Raised{kErrInvalidArgument}},
    };
    for (const auto& [name, type, data, expected] : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, name, type, data);
        EXPECT_EQ(Get(name), expected) << name;
    }
    EXPECT_EQ(Get("missing"), (Outcome{Raised{kErrUnsupportedValueType}}));
}

TEST_F(RegistryReader, GetValueGivesTheDefaultOnlyWhenTheKeyCannotBeOpened) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v"), RegistryValue{});
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v", std::wstring(L"d")),
              RegistryValue{std::wstring(L"d")});
    EXPECT_THROW(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"v", std::wstring(L"d")), AppError);
}

TEST_F(RegistryReader, GetValueNeverTrustsASecondQueryOfAChangedValue) {
    const std::vector<std::pair<std::string, Outcome>> cases = {
        {std::string(4000, 'g'), Raised{kErrUnsupportedValueType}},  // grew again
        {"", Raised{kErrUnsupportedValueType}},                      // removed
        {std::string("ok") + '\0', std::wstring(L"ok")},             // shrank to a short text
    };
    for (const auto& [after, expected] : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, "v", kRegBinary, std::string(2000, 'b'));
        registry.BetweenQueries = [&, &after = after] {
            if (after.empty()) {
                registry.Values.clear();
            } else {
                registry.SetValue(kHkeyCurrentUser, kKey, "v", after.size() > 3 ? kRegBinary : kRegSz, after);
            }
        };
        EXPECT_EQ(Get("v"), expected);
    }
}

// A registry that reports more data than the buffer it was given.
class OverstatingRegistry : public FakeRegistry {
public:
    using FakeRegistry::FakeRegistry;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override {
        const long code = FakeRegistry::QueryValue(key, valueName, type, data, size);
        size = 5000;
        return code;
    }
};

TEST(RegistryReaderBounds, ReadsOnlyTheBufferWhateverSizeIsReported) {
    EventLog log;
    OverstatingRegistry registry(log);
    registry.SetValue(kHkeyCurrentUser, kKey, "s", kRegSz, "xyz");
    EXPECT_EQ(std::get<std::wstring>(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"s")).size(), 1023U);
}

}  // namespace
