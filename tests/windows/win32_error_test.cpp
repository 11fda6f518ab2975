// Win32 codes without a classic run-time error reach the user with their
// own HRESULT and the system's text. (The classic ones are checked where
// real calls fail, in the file and process tests.)

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32_error.h"

namespace {

TEST(Win32ErrorTest, OtherCodesKeepTheirHresultAndTheSystemText) {
    const AppError error = AppErrorFromWin32(ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(error.Number, static_cast<std::int32_t>(0x800700C1U));
    ASSERT_FALSE(error.Description.empty());
    // Trimmed of the period and line break that system texts end with.
    const wchar_t last = error.Description.back();
    EXPECT_TRUE(last != L'.' && last != L'\n' && last != L'\r' && last != L' ') << static_cast<int>(last);
}

TEST(Win32ErrorTest, CodeWithoutSystemTextIsNamedByNumber) {
    const AppError error = AppErrorFromWin32(65534);
    EXPECT_EQ(error.Number, static_cast<std::int32_t>(0x8007FFFEU));
    EXPECT_EQ(error.Description, L"System error 65534");
}

}  // namespace
