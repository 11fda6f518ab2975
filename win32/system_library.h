#pragma once

#include <windows.h>

// The function name exports from library, as a pointer of type Function;
// null when library lacks it.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The same from a DLL every process has loaded (kernel32, ntdll): looked up
// rather than imported, so that the program starts where it is missing.
template <typename Function>
Function LoadedFunction(const wchar_t* module, const char* name) {
    HMODULE loaded = GetModuleHandleW(module);
    return loaded == nullptr ? nullptr : LibraryFunction<Function>(loaded, name);
}

// A DLL of the system folder, named by its full path so that no copy planted
// beside the program or in the current folder is ever loaded. Null, with the
// reason in GetLastError, when it cannot be loaded; the caller frees it.
HMODULE LoadSystemLibrary(const wchar_t* name);
