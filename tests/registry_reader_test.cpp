#include <gtest/gtest.h>

#include "fakes.h"
#include "registry/registry_reader.h"

namespace {

constexpr char kKey[] = "Software\\Test";

class RegistryReader : public ::testing::Test {
protected:
    void TearDown() override {
        // Every path closes what it opened, only that, and reads with KEY_READ.
        EXPECT_EQ(registry.OpenHandles(), 0U);
        EXPECT_FALSE(registry.RootClosed);
        EXPECT_TRUE(registry.OnlyKeyReadAsked);
    }

    RegistryValue Get(const std::string& name) {
        return GetValue(registry, kHkeyCurrentUser, L"Software\\Test", std::wstring(name.begin(), name.end()));
    }

    // The number GetValue raises, or 0 when it returns.
    std::int32_t ErrorOf(const std::string& name) {
        try {
            Get(name);
        } catch (const AppError& error) {
            return error.Number;
        }
        return 0;
    }

    EventLog log;
    FakeRegistry registry{log};
};

TEST_F(RegistryReader, KeyExistsExactlyWhenTheKeyOpensForReading) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    registry.AddKey(kHkeyCurrentUser, "Software\\Locked").Readable = false;
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"software\\TEST"), -1);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Missing"), 0);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Locked"), 0);
    EXPECT_EQ(KeyExists(registry, kHkeyLocalMachine, L""), -1);  // the root itself
}

TEST_F(RegistryReader, EnumSubKeysKeepsEnumerationOrderAndTreatsMissingKeysAsEmpty) {
    for (const char* name : {"1.6", "1.4.2_19", "10"}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);
    }
    const SubKeyList list = EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test");
    EXPECT_EQ(list.Names(), (std::vector<std::wstring>{L"1.6", L"1.4.2_19", L"10"}));
    EXPECT_TRUE(list.Contains(L"1.4.2_19"));
    EXPECT_TRUE(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test\\10").Names().empty());
    EXPECT_TRUE(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Missing").Names().empty());
    // An empty path lists the caller's handle itself, which stays open.
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"").Names(), std::vector<std::wstring>{L"Software"});
}

TEST_F(RegistryReader, EnumSubKeysStopsAtTheFirstNameThatFailsToRead) {
    for (const std::string& name : {std::string("a"), std::string(260, 'x'), std::string("c")}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);  // 260 leaves no room for the NUL
    }
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names(), std::vector<std::wstring>{L"a"});
}

TEST_F(RegistryReader, EnumSubKeysRaisesForNamesThatReadAlikeAndStillClosesTheKey) {
    // Two names whose characters the ANSI code page lacks both read as "?".
    FakeRegistry::Key& key = registry.AddKey(kHkeyCurrentUser, kKey);
    for (int i = 0; i < 2; ++i) {
        key.SubKeys.push_back(std::make_unique<FakeRegistry::Key>(FakeRegistry::Key{"?", true, {}, {}}));
    }
    try {
        EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test");
        ADD_FAILURE() << "expected the duplicate-key error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number, kErrDuplicateKey);
    }
}

TEST_F(RegistryReader, GetValueConvertsEachTypeItHasAConversionFor) {
    const std::string big(1500, 'j');
    const std::vector<std::uint8_t> bytes1024(1024, 0xAB);
    const std::vector<std::uint8_t> bytes1025(1025, 0xCD);
    const std::vector<std::tuple<std::string, std::uint32_t, std::string, RegistryValue>> cases = {
        {"sz", kRegSz, std::string("abc") + '\0', std::wstring(L"abc")},
        {"sz without terminator", kRegSz, "abc", std::wstring(L"ab")},
        {"sz keeps inner NULs", kRegSz, std::string("a\0b\0", 4), std::wstring(L"a\0b", 3)},
        {"sz beyond the first buffer", kRegSz, big + '\0', std::wstring(big.begin(), big.end())},
        {"expand sz", kRegExpandSz, std::string("%JAVA_HOME%\0", 12), std::wstring(L"%JAVA_HOME%")},
        {"multi sz", kRegMultiSz, std::string("a\0b\0\0", 5), std::wstring(L"a\0b", 3)},
        {"dword all bits", kRegDword, "\xFF\xFF\xFF\xFF", std::int32_t{-1}},
        {"dword little endian", kRegDword, "\x78\x56\x34\x12", std::int32_t{0x12345678}},
        {"dword short", kRegDword, "\x01\x02", std::int32_t{0x0201}},
        {"dword long", kRegDword, std::string("\x01\0\0\0\x09", 5), std::int32_t{1}},
        {"binary", kRegBinary, "\x01\x02\x03", std::vector<std::uint8_t>{1, 2, 3}},
        {"binary 1024", kRegBinary, std::string(1024, '\xAB'), bytes1024},
        {"binary 1025", kRegBinary, std::string(1025, '\xCD'), bytes1025},
        {"", kRegSz, std::string("unnamed") + '\0', std::wstring(L"unnamed")},
    };
    for (const auto& [name, type, data, expected] : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, name, type, data);
        registry.QueryCount = 0;
        EXPECT_EQ(Get(name), expected) << name;
        // One query up to 1024 bytes, a second one only beyond.
        EXPECT_EQ(registry.QueryCount, data.size() > 1024 ? 2 : 1) << name;
    }
}

TEST_F(RegistryReader, GetValueRaisesForValuesItCannotConvert) {
    const std::vector<std::tuple<std::string, std::uint32_t, std::string, std::int32_t>> cases = {
        {"none", kRegNone, "\x01", kErrUnsupportedValueType},
        {"big endian", kRegDwordBigEndian, "\x01\x02\x03\x04", kErrUnsupportedValueType},
        {"link", kRegLink, "\x01", kErrUnsupportedValueType},
        {"resource list", 8, "\x01", kErrUnsupportedValueType},
        {"qword", kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08", kErrUnsupportedValueType},
        // Too short for their conversion.
        {"empty sz", kRegSz, "", kErrInvalidArgument},
        {"empty expand sz", kRegExpandSz, "", kErrInvalidArgument},
        {"one-byte multi sz", kRegMultiSz, std::string(1, '\0'), kErrInvalidArgument},
        {"empty binary", kRegBinary, "", kErrInvalidArgument},
    };
    for (const auto& [name, type, data, error] : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, name, type, data);
        EXPECT_EQ(ErrorOf(name), error) << name;
    }
    EXPECT_EQ(ErrorOf("missing"), kErrUnsupportedValueType);
}

TEST_F(RegistryReader, GetValueGivesTheDefaultOnlyWhenTheKeyCannotBeOpened) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v"), RegistryValue{});
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v", std::wstring(L"d")),
              RegistryValue{std::wstring(L"d")});
    // An empty value serves as a default too; it is no marker for "none given".
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v", RegistryValue{}), RegistryValue{});
    EXPECT_THROW(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"v", std::wstring(L"d")), AppError);
}

TEST_F(RegistryReader, GetValueNeverTrustsASecondQueryOfAChangedValue) {
    const std::vector<std::pair<std::string, std::function<void()>>> changes = {
        {"grows", [&] { registry.SetValue(kHkeyCurrentUser, kKey, "v", kRegBinary, std::string(4000, 'g')); }},
        {"goes", [&] { registry.AddKey(kHkeyCurrentUser, kKey).Values.clear(); }},
        {"shrinks", [&] { registry.SetValue(kHkeyCurrentUser, kKey, "v", kRegSz, std::string("ok") + '\0'); }},
    };
    for (const auto& [change, apply] : changes) {
        registry.SetValue(kHkeyCurrentUser, kKey, "v", kRegBinary, std::string(2000, 'b'));
        registry.AfterQuery = [&apply = apply](int query) {
            if (query == 1) {
                apply();
            }
        };
        if (change == "shrinks") {
            EXPECT_EQ(Get("v"), RegistryValue{std::wstring(L"ok")});
        } else {
            EXPECT_EQ(ErrorOf("v"), kErrUnsupportedValueType) << change;
        }
        registry.QueryCount = 0;
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
    registry.SetValue(kHkeyCurrentUser, kKey, "b", kRegBinary, "\x07");
    EXPECT_EQ(std::get<std::wstring>(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"s")).size(), 1023U);
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"b")).size(),
              1024U);
}

}  // namespace
