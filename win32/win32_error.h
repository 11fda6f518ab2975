#pragma once

#include <string>

#include "platform/app_error.h"

// A failed Win32 call as the user sees it: one of the classic run-time
// errors where there is one for the code, else HRESULT_FROM_WIN32(code)
// with the system's own text.
AppError AppErrorFromWin32(unsigned long code);

// The same, for a call that was given a folder: a folder that is missing,
// or is a file, is a path that was not found.
AppError AppErrorFromWin32ForFolder(unsigned long code);

// The text of path for a Win32 call, which would take a NUL inside it for
// its end and act on a shorter path; raises 52 "Bad file name or number"
// for such a path instead.
const wchar_t* PathText(const std::wstring& path);

// AppErrorFromWin32(GetLastError()), thrown.
[[noreturn]] void RaiseLastWin32Error();

// The system's message for a Win32 code without its closing period and
// line break, or "System error <code>" when the system has none.
std::wstring SystemErrorText(unsigned long code);
