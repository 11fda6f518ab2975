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
    // Every path closes what it opened (the fake checks that it closes
    // nothing else).
    void TearDown() override { EXPECT_EQ(registry.Handles.size(), 0U); }

    // The value, or the number of the error GetValue raised.
    Outcome Get(const std::string& name) {
        try {
            return GetValue(registry, kHkeyCurrentUser, L"Software\\Test", registry.FromAnsi(name));
        } catch (const AppError& error) {
            return Raised{error.Number};
        }
    }

    FakeRegistry registry;
};

TEST_F(RegistryReader, KeyExistsAndEnumSubKeysTreatMissingKeysAsAbsent) {
    for (const char* name : {"1.6", "1.4.2_19", "10"}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);
    }
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Test"), -1);
    EXPECT_EQ(KeyExists(registry, kHkeyCurrentUser, L"Software\\Missing"), 0);
    EXPECT_EQ(KeyExists(registry, kHkeyLocalMachine, L""), -1);  // the root itself
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names(),
              (std::vector<std::wstring>{L"1.6", L"1.4.2_19", L"10"}));
    EXPECT_TRUE(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Missing").Names().empty());
    // An empty path lists the caller's handle itself, which stays open.
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"").Names(), std::vector<std::wstring>{L"Software"});
}

TEST_F(RegistryReader, EnumSubKeysStopsAtAFailedNameAndRaisesForNamesEqualButForCase) {
    for (const std::string& name : {std::string("a"), std::string(260, 'x'), std::string("c")}) {
        registry.AddKey(kHkeyCurrentUser, std::string(kKey) + "\\" + name);  // 260 leaves no room for the NUL
    }
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, L"Software\\Test").Names(), std::vector<std::wstring>{L"a"});
    registry.AddKey(kHkeyCurrentUser, "Software\\Odd\\Jre");
    registry.AddKey(kHkeyCurrentUser, "Software\\Odd\\JRE");
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
        {"big endian", kRegDwordBigEndian, "\x01\x02\x03\x04", Raised{1001}},
        {"qword", kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08", Raised{1001}},
        {"empty sz", kRegSz, "", Raised{5}},  // too short to convert
        {"one-byte multi sz", kRegMultiSz, std::string(1, '\0'), Raised{5}},
        {"empty binary", kRegBinary, "", Raised{5}},
    };
    for (const auto& [name, type, data, expected] : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, name, type, data);
        EXPECT_EQ(Get(name), expected) << name;
    }
    EXPECT_EQ(Get("missing"), (Outcome{Raised{1001}}));
}

TEST_F(RegistryReader, GetValueGivesTheDefaultOnlyWhenTheKeyCannotBeOpened) {
    registry.AddKey(kHkeyCurrentUser, kKey);
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v"), RegistryValue{});
    EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, L"Software\\Missing", L"v", std::wstring(L"d")),
              RegistryValue{std::wstring(L"d")});
    EXPECT_THROW(GetValue(registry, kHkeyCurrentUser, L"Software\\Test", L"v", std::wstring(L"d")), AppError);
}

TEST_F(RegistryReader, GetValueTrustsNeitherASecondQueryOfAChangedValueNorAnOverstatedSize) {
    const std::string big(2000, 'b');
    const auto change = [&](std::uint32_t type, const std::string& data) {
        return [&, type, data](std::uint32_t&) { registry.SetValue(kHkeyCurrentUser, kKey, "v", type, data); };
    };
    const std::vector<std::tuple<std::uint32_t, std::string, std::function<void(std::uint32_t&)>, Outcome>> cases = {
        {kRegBinary, big, change(kRegBinary, std::string(4000, 'g')), Raised{1001}},
        {kRegBinary, big, [&](std::uint32_t&) { registry.Values.clear(); }, Raised{1001}},
        {kRegBinary, big, change(kRegSz, std::string("ok") + '\0'), std::wstring(L"ok")},
        {kRegBinary, big, change(kRegDword, "\x02\x01"), std::int32_t{0x0102}},  // reads the fresh buffer's zeros
        // A second buffer shorter than a DWORD, as the first query reported it.
        {kRegBinary, big,
         [&](std::uint32_t& size) {
             registry.SetValue(kHkeyCurrentUser, kKey, "v", kRegDword, "\x02\x01");
             size = 2;
         },
         std::int32_t{0x0102}},
        // Only the buffer's own 1024 bytes are read, less the terminator.
        {kRegSz, "xyz", [](std::uint32_t& size) { size = 5000; }, std::wstring(L"xyz") + std::wstring(1020, L'\0')},
    };
    for (const auto& [type, before, afterQuery, expected] : cases) {
        registry.SetValue(kHkeyCurrentUser, kKey, "v", type, before);
        registry.AfterQuery = afterQuery;
        EXPECT_EQ(Get("v"), expected);
    }
}

}  // namespace
