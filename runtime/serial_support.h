#pragma once

#include <string>

#include "platform/platform.h"

// mod_main: completes the runtime at javaHome with the serial-port support
// files it lacks, copying them from the fixed installation folder. Reports
// its own failure in two message boxes and never passes it on.
void InstallSerialSupport(const std::wstring& javaHome, FileSystem& files, UserInterface& ui);
