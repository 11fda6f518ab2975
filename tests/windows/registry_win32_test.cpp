// The registry layer and reader over the real registry, on a scratch key
// under HKEY_CURRENT_USER that each test creates and removes.

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "platform/win32_registry.h"
#include "registry/registry_reader.h"
#include "scratch_folder.h"

namespace {

std::wstring Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

class RegistryWin32Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, path_.c_str(), &key_), kErrorSuccess); }

    void TearDown() override {
        RegCloseKey(key_);
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()), kErrorSuccess);
    }

    // Stored through the ANSI function, as an installer writing ANSI text
    // would; stored says how many of the bytes are kept.
    void SetValue(const std::string& name, DWORD type, const std::string& bytes, std::optional<DWORD> stored = {}) {
        ASSERT_EQ(RegSetValueExA(key_, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 stored.value_or(static_cast<DWORD>(bytes.size()))),
                  kErrorSuccess);
    }

    void AddSubKey(const std::wstring& name) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyW(key_, name.c_str(), &sub), kErrorSuccess);
        RegCloseKey(sub);
    }

    Win32Registry registry_;
    const std::wstring path_ = L"Software\\" + UniqueName(L"TarvexLauncherTest");
    HKEY key_ = nullptr;
};

TEST_F(RegistryWin32Test, ReadsEachValueTypeAsTheAnsiFunctionsReportIt) {
    struct Case {
        const char* Name;
        DWORD Type;
        std::string Data;
        RegistryValue Expected;
        std::optional<DWORD> Stored = {};
    };
    const std::string bytes1025(1025, '\xab');
    const std::vector<Case> cases = {
        {"expandable", REG_EXPAND_SZ, std::string("%SystemRoot%\\java\0", 18), std::wstring(L"%SystemRoot%\\java")},
        {"list", REG_MULTI_SZ, std::string("a\0b\0\0", 5), std::wstring(L"a\0b", 3)},
        {"number", REG_DWORD, std::string("\x2a\x00\x00\x80", 4), std::int32_t{-2147483606}},
        // Exactly the first buffer, then one byte more, read by a second query.
        {"text of 1024 bytes", REG_SZ, std::string(1023, 'x') + '\0', std::wstring(1023, L'x')},
        {"text of 1025 bytes", REG_SZ, std::string(1024, 'y') + '\0', std::wstring(1024, L'y')},
        {"binary of 1025 bytes", REG_BINARY, bytes1025, std::vector<std::uint8_t>(bytes1025.begin(), bytes1025.end())},
        // The byte after the stored ones is no NUL, so nothing on the way
        // can count a terminator in: the last stored character is lost.
        {"unterminated text", REG_SZ, "abcX", std::wstring(L"ab"), 3},
    };
    for (const Case& c : cases) {
        SetValue(c.Name, c.Type, c.Data, c.Stored);
        EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, path_, Widen(c.Name)), c.Expected) << c.Name;
    }
}

TEST_F(RegistryWin32Test, QueryValueCountsAnsiBytesAndNeverWritesPastTheBuffer) {
    SetValue("version", REG_SZ, std::string("1.6.0_45\0", 9));  // kept in UTF-16, 18 bytes
    // Opened from a handle that the empty path opens on the root itself.
    RegistryKey root = 0;
    RegistryKey key = 0;
    ASSERT_EQ(registry_.OpenKey(kHkeyCurrentUser, "", kKeyRead, root), kErrorSuccess);
    ASSERT_EQ(registry_.OpenKey(root, registry_.ToAnsi(path_), kKeyRead, key), kErrorSuccess);
    std::array<std::uint8_t, 16> buffer{};
    buffer.fill(0xee);
    std::uint32_t type = kRegNone;
    std::uint32_t size = buffer.size();  // more than the 4 bytes handed over
    EXPECT_EQ(registry_.QueryValue(key, "version", type, std::span(buffer).first(4), size), kErrorMoreData);
    EXPECT_EQ(size, 9U);
    EXPECT_TRUE(std::all_of(buffer.begin() + 4, buffer.end(), [](std::uint8_t b) { return b == 0xee; }));
    EXPECT_EQ(registry_.CloseKey(key), kErrorSuccess);
    EXPECT_EQ(registry_.CloseKey(root), kErrorSuccess);
}

TEST_F(RegistryWin32Test, EmptyPathIsTheRootMissingKeyGivesTheDefaultAndMissingValueRaises1001) {
    const std::wstring missing = path_ + L"\\missing";
    EXPECT_TRUE(EnumSubKeys(registry_, kHkeyCurrentUser, L"").Contains(L"Software"));
    EXPECT_EQ(KeyExists(registry_, kHkeyCurrentUser, missing), 0);
    EXPECT_TRUE(EnumSubKeys(registry_, kHkeyCurrentUser, missing).Names().empty());
    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, missing, L"JavaHome", std::wstring(L"fallback")),
              RegistryValue(std::wstring(L"fallback")));
    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, missing, L"JavaHome"), RegistryValue());
    EXPECT_EQ(ErrorRaisedBy([&] { GetValue(registry_, kHkeyCurrentUser, path_, L"JavaHome"); }),
              L"1001 Unsupported value type");
}

TEST_F(RegistryWin32Test, SubkeysComeSortedByNameRegardlessOfCase) {
    // Created out of order: Windows and Wine both sort them, undocumented.
    for (const wchar_t* name : {L"b", L"10", L"A", L"1.6"}) {
        AddSubKey(name);
    }
    EXPECT_EQ(EnumSubKeys(registry_, kHkeyCurrentUser, path_).Names(),
              (std::vector<std::wstring>{L"1.6", L"10", L"A", L"b"}));
}

TEST_F(RegistryWin32Test, NamesAndTextsOutsideAsciiCrossInTheAnsiCodePage) {
    const std::wstring name = L"Caf\u00e9";
    const std::wstring text = L"cr\u00e8me br\u00fbl\u00e9e";
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, (name + text).c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (lossy) {
        GTEST_SKIP() << "ANSI code page " << GetACP() << " cannot hold these characters";
    }
    // Stored in UTF-16, so that only the reading side goes through the code page.
    ASSERT_EQ(RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              kErrorSuccess);
    AddSubKey(name);
    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, path_, name), RegistryValue(text));
    EXPECT_EQ(EnumSubKeys(registry_, kHkeyCurrentUser, path_).Names(), std::vector<std::wstring>{name});
}

TEST_F(RegistryWin32Test, AnsiConversionsKeepEmptyTextsAndNulsInside) {
    for (const std::string& ansi : {std::string(), std::string("a\0b", 3), std::string("1.6.0_45")}) {
        EXPECT_EQ(registry_.ToAnsi(Widen(ansi)), ansi);
        EXPECT_EQ(registry_.FromAnsi(ansi), Widen(ansi));
    }
}

}  // namespace
