// The executable's load configuration, for its one setting: Windows 10 1607
// and later resolve the program's own static imports from the system
// folder only, never from the program's own folder. The program elevates
// itself, and whoever copies it into a folder of theirs controls that
// folder before any code of the program has run. Its five imports are
// KnownDLLs, which Windows maps from the system folder whatever the flags
// say; this keeps it so should an import that is not one ever be added.
// The linker does not point the executable at this structure;
// scripts/helpers/set-load-config does, after the link.
#include <windows.h>

namespace {

constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfiguration() {
    IMAGE_LOAD_CONFIG_DIRECTORY configuration{};
    configuration.Size = sizeof(configuration);
    configuration.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags in newer headers
    return configuration;
}

}  // namespace

// Read by the loader alone, so nothing refers to it: the link keeps it by
// this name (win32/CMakeLists.txt), which is the same on every processor.
[[gnu::section(".lcfg"), gnu::used]] extern constinit const IMAGE_LOAD_CONFIG_DIRECTORY kLoadConfiguration asm(
    "launcher_load_configuration") = LoadConfiguration();
