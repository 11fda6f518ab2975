// The registry reader over the real registry, on scratch keys under
// HKEY_CURRENT_USER that each test creates and removes.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "platform/win32_registry.h"
#include "registry/registry_reader.h"
#include "scratch_folder.h"

namespace {

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class RegistryWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = L"Software\\" + UniqueName(L"TarvexLauncherTest");
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
            ERROR_SUCCESS);
    }

    void TearDown() override {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()), ERROR_SUCCESS);
        RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    }

    // Data stored through the ANSI function, as an installer writing ANSI
    // text would; count says how many of the bytes are stored.
    void SetValue(const std::string& name, DWORD type, const std::string& bytes, std::optional<DWORD> count = {}) {
        ASSERT_EQ(RegSetValueExA(key_, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 count.value_or(static_cast<DWORD>(bytes.size()))),
                  ERROR_SUCCESS);
    }

    void AddSubKey(const std::wstring& name) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyExW(key_, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(sub);
    }

    Win32Registry registry_;
    std::wstring path_;
    HKEY key_ = nullptr;
};

std::string Pattern(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

std::vector<std::uint8_t> AsVector(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

TEST_F(RegistryWin32Test, ConvertsEachValueTypeAsStored) {
    struct Case {
        const char* Name;
        DWORD Type;
        std::string Data;
        RegistryValue Expected;
    };
    const std::string text1023 = std::string(1023, 'x');
    const std::string text1024 = std::string(1024, 'y');
    const std::vector<Case> cases = {
        {"text", REG_SZ, std::string("hello\0", 6), std::wstring(L"hello")},
        {"empty text", REG_SZ, std::string("\0", 1), std::wstring()},
        {"expandable", REG_EXPAND_SZ, std::string("%SystemRoot%\\java\0", 18), std::wstring(L"%SystemRoot%\\java")},
        {"list", REG_MULTI_SZ, std::string("a\0b\0\0", 5), std::wstring(L"a\0b", 3)},
        {"bytes", REG_BINARY, std::string("\x00\x01\xfe\xff", 4), std::vector<std::uint8_t>{0x00, 0x01, 0xfe, 0xff}},
        {"number", REG_DWORD, std::string("\x2a\x00\x00\x00", 4), std::int32_t{42}},
        {"all bits", REG_DWORD, std::string("\xff\xff\xff\xff", 4), std::int32_t{-1}},
        {"short number", REG_DWORD, std::string("\x34\x12", 2), std::int32_t{0x1234}},
        // Exactly the first buffer, and one byte more than it.
        {"text of 1024 bytes", REG_SZ, text1023 + '\0', std::wstring(1023, L'x')},
        {"text of 1025 bytes", REG_SZ, text1024 + '\0', std::wstring(1024, L'y')},
        {"binary of 1024 bytes", REG_BINARY, Pattern(1024), AsVector(Pattern(1024))},
        {"binary of 1025 bytes", REG_BINARY, Pattern(1025), AsVector(Pattern(1025))},
    };
    for (const Case& c : cases) {
        SetValue(c.Name, c.Type, c.Data);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, path_, Widen(c.Name)), c.Expected);
    }
}

TEST_F(RegistryWin32Test, TextStoredWithoutTerminatorLosesItsLastCharacter) {
    // The byte after the stored ones is not a NUL, so nothing on the way
    // can count a terminator in.
    SetValue("unterminated", REG_SZ, "abcX", 3);
    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, path_, L"unterminated"), RegistryValue(std::wstring(L"ab")));
}

TEST_F(RegistryWin32Test, ValuesThatCannotBeConvertedRaiseUnsupportedType) {
    SetValue("none", REG_NONE, "x");
    SetValue("wide number", REG_QWORD, std::string(8, '\x01'));
    SetValue("big endian", REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x00\x01", 4));
    for (const wchar_t* name : {L"none", L"wide number", L"big endian", L"missing"}) {
        SCOPED_TRACE(Narrow(name));
        try {
            GetValue(registry_, kHkeyCurrentUser, path_, name);
            ADD_FAILURE() << "no error raised";
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number, kErrUnsupportedValueType);
            EXPECT_EQ(error.Description, L"Unsupported value type");
        }
    }
}

TEST_F(RegistryWin32Test, MissingKeyGivesTheDefaultOrNothing) {
    const std::wstring missing = path_ + L"\\missing";
    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, missing, L"JavaHome", RegistryValue(std::wstring(L"fallback"))),
              RegistryValue(std::wstring(L"fallback")));
    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, missing, L"JavaHome"), RegistryValue());
}

TEST_F(RegistryWin32Test, KeyExistsOpensRootsAndKeysButNotMissingOnes) {
    struct Case {
        std::wstring Path;
        std::int16_t Expected;
    };
    const std::vector<Case> cases = {
        {L"", -1},  // the root itself
        {path_, -1},
        {path_ + L"\\missing", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.Path));
        EXPECT_EQ(KeyExists(registry_, kHkeyCurrentUser, c.Path), c.Expected);
    }
}

TEST_F(RegistryWin32Test, EnumSubKeysListsNamesInTheRegistrysOrder) {
    // Created out of order: Windows, and Wine, list subkeys sorted by name
    // regardless of case, though nothing documents it.
    for (const wchar_t* name : {L"b", L"10", L"A", L"1.6"}) {
        AddSubKey(name);
    }
    const std::vector<std::wstring> expected = {L"1.6", L"10", L"A", L"b"};
    EXPECT_EQ(EnumSubKeys(registry_, kHkeyCurrentUser, path_).Names(), expected);
}

TEST_F(RegistryWin32Test, EnumSubKeysOfKeyWithoutSubkeysOrMissingKeyIsEmptyAndOfEmptyPathListsTheRoot) {
    EXPECT_TRUE(EnumSubKeys(registry_, kHkeyCurrentUser, path_).Names().empty());
    EXPECT_TRUE(EnumSubKeys(registry_, kHkeyCurrentUser, path_ + L"\\missing").Names().empty());
    EXPECT_TRUE(EnumSubKeys(registry_, kHkeyCurrentUser, L"").Contains(L"Software"));
}

TEST_F(RegistryWin32Test, NamesAndTextsOutsideAsciiCrossInTheAnsiCodePage) {
    const std::wstring valueName = L"Caf\u00e9";
    const std::wstring text = L"cr\u00e8me br\u00fbl\u00e9e";
    const std::wstring subKey = L"Gr\u00f6\u00dfe";
    BOOL lossy = FALSE;
    const std::wstring all = valueName + text + subKey;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, all.data(), static_cast<int>(all.size()), nullptr, 0, nullptr,
                        &lossy);
    if (lossy) {
        GTEST_SKIP() << "ANSI code page " << GetACP() << " cannot hold these characters";
    }
    // Stored in UTF-16, so only the reader's side goes through the code page.
    ASSERT_EQ(RegSetValueExW(key_, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    AddSubKey(subKey);

    EXPECT_EQ(GetValue(registry_, kHkeyCurrentUser, path_, valueName), RegistryValue(text));
    EXPECT_EQ(EnumSubKeys(registry_, kHkeyCurrentUser, path_).Names(), std::vector<std::wstring>{subKey});
}

TEST(Win32RegistryConversionTest, KeepsEmptyTextsAndNulsInside) {
    Win32Registry registry;
    struct Case {
        std::wstring Wide;
        std::string Ansi;
    };
    const std::vector<Case> cases = {
        {L"", ""},
        {std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
        {std::wstring(L"\0", 1), std::string("\0", 1)},
        {L"1.6.0_45", "1.6.0_45"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Ansi);
        EXPECT_EQ(registry.ToAnsi(c.Wide), c.Ansi);
        EXPECT_EQ(registry.FromAnsi(c.Ansi), c.Wide);
    }
}

}  // namespace
