#pragma once

#include <string>

#include "platform/platform.h"

// mod_main: completes the runtime at javaHome with the serial-port support
// files it lacks, file by file, copying them from the fixed installation
// folder. One launcher at a time installs into a runtime; another waits
// for it, at most two minutes. A copy refused for lack of rights is handed,
// once, to the launcher run again elevated, and waited for at most a
// minute. Reports its own failure in two message boxes and never passes it
// on.
void InstallSerialSupport(const std::wstring& javaHome, Platform& platform);

// The name of the lock that keeps two launchers from installing into the
// runtime at javaHome at once: the same for every user and session, and for
// the folder's text in any letter case.
std::wstring InstallLockName(const std::wstring& javaHome);
