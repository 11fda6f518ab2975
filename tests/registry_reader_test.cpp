#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "registry/registry_reader.h"

namespace {

constexpr char kKey[] = "Software\\Test";

class RegistryReader : public ::testing::Test {
protected:
    void TearDown() override {
        // Every path through the reader closes what it opened, and only that.
        EXPECT_EQ(registry.OpenHandles(), 0U);
        EXPECT_FALSE(registry.RootClosed);
        EXPECT_TRUE(std::all_of(registry.AccessRequested.begin(), registry.AccessRequested.end(),
                                [](std::uint32_t access) { return access == kKeyRead; }));
    }

    // The error GetValue raises, or 0 when it returns.
    std::int32_t ErrorOf(const std::wstring& valueName) {
        try {
            GetValue(registry, kHkeyCurrentUser, L"Software\\Test", valueName);
        } catch (const AppError& error) {
            return error.Number;
        }
        return 0;
    }

    FakeRegistry registry;
};

TEST_F(RegistryReader, KeyExistsExactlyWhenTheKeyOpensForReading) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    registry.AddKey(kHkeyCurrentUser, "Software\\Locked").Readable = false;
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Test"), -1);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"software\\TEST"), -1);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Missing"), 0);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Locked"), 0);
    EXPECT_EQ(KeyExists(registry, kHkeyLocalMachine, L""), -1);  // the root itself
    EXPECT_EQ(KeyExists(registry, 0x1234, L"Software"), 0);      // not a key at all
}

TEST_F(RegistryReader, EnumSubKeysKeepsEnumerationOrder) {
    for (const char* name : {"1.6", "1.4.2_19", "10", "1.6.0_20"}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);
    }
    const SubKeyList list = EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test");
    EXPECT_EQ(list.Names(), (std::vector<std::wstring>{L"1.6", L"1.4.2_19", L"10", L"1.6.0_20"}));
    EXPECT_TRUE(list.Contains(L"1.6.0_20"));
}

TEST_F(RegistryReader, EnumSubKeysGivesAnEmptyListForMissingAndLeafKeys) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    EXPECT_TRUE(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names().empty());
    EXPECT_TRUE(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Missing").Names().empty());
}

TEST_F(RegistryReader, EnumSubKeysWithAnEmptyPathListsTheRootAndLeavesItOpen) {
    registry.AddKey(kHkeyLocalMachine, "SOFTWARE");
    registry.AddKey(kHkeyLocalMachine, "SYSTEM");
    EXPECT_EQ(EnumSubKeys(registry, kHkeyLocalMachine, L"").Names(),
              (std::vector<std::wstring>{L"SOFTWARE", L"SYSTEM"}));
    EXPECT_TRUE(registry.AccessRequested.empty());
}

TEST_F(RegistryReader, EnumSubKeysStopsAtTheFirstNameThatFailsToRead) {
    registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\a");
    registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + std::string(260, 'x'));  // no room for the NUL
    registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\c");
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names(), std::vector<std::wstring>{L"a"});
}

TEST_F(RegistryReader, EnumSubKeysRaisesWhenTwoNamesReadAlikeAndStillClosesTheKey) {
    // Names that differ in the registry but read alike once converted to the
    // ANSI code page, as two characters the code page lacks both become '?'.
    FakeRegistry::Key& key = registry.AddKey(kHkeyCurrentUser, kKey);
    for (const char* name : {"a", "?", "?"}) {
        key.SubKeys.push_back(std::make_unique<FakeRegistry::Key>());
        key.SubKeys.back()->Name = name;
    }
    try {
        EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test");
        FAIL() << "expected the collection's duplicate-key error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number, kErrDuplicateKey);
    }
}

TEST_F(RegistryReader, GetValueConvertsEachTypeItHasAConversionFor) {
    struct Case {
        const char* Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
        RegistryValue Expected;
    };
    const std::string big(1500, 'j');
    const std::vector<std::uint8_t> bytes1024(1024, 0xAB);
    const std::vector<std::uint8_t> bytes1025(1025, 0xCD);
    const std::vector<Case> cases = {
        {"sz", kRegSz, Bytes(std::string("abc", 4)), std::wstring(L"abc")},
        {"sz without terminator", kRegSz, Bytes("abc"), std::wstring(L"ab")},
        {"sz keeps inner NULs", kRegSz, Bytes(std::string("a\0b\0", 4)), std::wstring(L"a\0b", 3)},
        {"sz bigger than the first buffer", kRegSz, Bytes(big + '\0'), std::wstring(big.begin(), big.end())},
        {"expand sz is not expanded", kRegExpandSz, Bytes(std::string("%JAVA_HOME%\\bin", 16)),
         std::wstring(L"%JAVA_HOME%\\bin")},
        {"multi sz stays one text", kRegMultiSz, Bytes(std::string("a\0b\0\0", 5)), std::wstring(L"a\0b", 3)},
        {"dword all bits", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}},
        {"dword little endian", kRegDword, {0x78, 0x56, 0x34, 0x12}, std::int32_t{0x12345678}},
        {"dword short", kRegDword, {0x01, 0x02}, std::int32_t{0x0201}},
        {"dword long", kRegDword, {1, 0, 0, 0, 9, 9}, std::int32_t{1}},
        {"binary", kRegBinary, {1, 2, 3}, std::vector<std::uint8_t>{1, 2, 3}},
        {"binary of 1024", kRegBinary, bytes1024, bytes1024},
        {"binary of 1025", kRegBinary, bytes1025, bytes1025},
        {"", kRegSz, Bytes(std::string("unnamed", 8)), std::wstring(L"unnamed")},
    };
    for (const Case& c : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, c.Name, c.Type, c.Data);
        registry.QueryCount = 0;
        const std::wstring name(c.Name, c.Name + std::char_traits<char>::length(c.Name));
        EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", name), c.Expected) << c.Name;
        // One query up to 1024 bytes, a second one only beyond.
        EXPECT_EQ(registry.QueryCount, c.Data.size() > 1024 ? 2 : 1) << c.Name;
    }
}

TEST_F(RegistryReader, GetValueRaisesForValuesItCannotConvert) {
    struct Case {
        const char* Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
        std::int32_t Error;
    };
    const std::vector<Case> cases = {
        {"none", kRegNone, {1}, kErrUnsupportedValueType},
        {"big endian", kRegDwordBigEndian, {0, 0, 0, 1}, kErrUnsupportedValueType},
        {"link", kRegLink, {1, 0}, kErrUnsupportedValueType},
        {"resource list", 8, {1}, kErrUnsupportedValueType},
        {"qword", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, kErrUnsupportedValueType},
        // Too short for their conversion.
        {"empty sz", kRegSz, {}, kErrInvalidArgument},
        {"empty expand sz", kRegExpandSz, {}, kErrInvalidArgument},
        {"multi sz of one byte", kRegMultiSz, {0}, kErrInvalidArgument},
        {"empty binary", kRegBinary, {}, kErrInvalidArgument},
    };
    for (const Case& c : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, c.Name, c.Type, c.Data);
        EXPECT_EQ(ErrorOf(std::wstring(c.Name, c.Name + std::char_traits<char>::length(c.Name))), c.Error) << c.Name;
    }
}

TEST_F(RegistryReader, GetValueGivesTheDefaultOnlyWhenTheKeyCannotBeOpened) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"JavaHome"), RegistryValue{});
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"JavaHome", std::wstring(L"d")),
              RegistryValue{std::wstring(L"d")});
    // An empty value is a default too, not a marker for "none given".
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"x", RegistryValue{std::int32_t{0}}),
              RegistryValue{std::int32_t{0}});
    // A missing value is not answered with the default.
    try {
        GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"JavaHome", std::wstring(L"d"));
        FAIL() << "expected error 1001";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number, kErrUnsupportedValueType);
        EXPECT_EQ(error.Description, L"Unsupported value type");
    }
}

TEST_F(RegistryReader, GetValueNeverTrustsASecondQueryOfAChangedValue) {
    const std::map<std::string, std::function<void()>> changes = {
        {"grows",
         [&] { registry.SetValue(kHkeyCurrentUser, kKey, "grows", kRegBinary, std::vector<std::uint8_t>(4000, 1)); }},
        {"goes", [&] { registry.AddKey(kHkeyCurrentUser, kKey).Values.clear(); }},
        {"shrinks", [&] { registry.SetValue(kHkeyCurrentUser, kKey, "shrinks", kRegSz, Bytes(std::string("ok", 3))); }},
    };
    for (const auto& [name, change] : changes) {
        registry.SetValue(kHkeyCurrentUser, kKey, name, kRegBinary, std::vector<std::uint8_t>(2000, 1));
        registry.QueryCount = 0;
        registry.AfterQuery = [&](int query) {
            if (query == 1) {
                change();
            }
        };
        const std::wstring wide(name.begin(), name.end());
        if (name == "shrinks") {
            EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", wide),
                      RegistryValue{std::wstring(L"ok")});
        } else {
            EXPECT_EQ(ErrorOf(wide), kErrUnsupportedValueType) << name;
        }
    }
}

// A registry that claims more data than the buffer it was given holds.
class OverstatingRegistry : public FakeRegistry {
public:
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override {
        const long code = FakeRegistry::QueryValue(key, valueName, type, data, size);
        size = 5000;
        return code;
    }
};

TEST(RegistryReaderBounds, ReadsOnlyTheBufferWhateverSizeIsReported) {
    OverstatingRegistry registry;
    registry.SetValue(kHkeyCurrentUser, kKey, "s", kRegSz, Bytes("xyz"));
    registry.SetValue(kHkeyCurrentUser, kKey, "b", kRegBinary, {7});
    const RegistryValue text = GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"s");
    EXPECT_EQ(std::get<std::wstring>(text).size(), 1023U);
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"b")).size(),
              1024U);
    EXPECT_EQ(registry.OpenHandles(), 0U);
}

}  // namespace
