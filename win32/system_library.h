#pragma once

#include <windows.h>

// The function name exports from library, as a pointer of type Function;
// null when library lacks it.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}
