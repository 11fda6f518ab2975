#pragma once

#include <string>

#include "platform/platform.h"

// mod_main: finds the first registered Java runtime of version 1.5 or higher
// that is still installed (see ChosenJavaHome), leaves its home folder in
// javaHomePath and completes it with the serial support files. Ends the
// program when no runtime, or none new enough, is registered; reports any
// other failure and returns with javaHomePath empty.
void LocateJavaRuntime(Platform& platform, std::wstring& javaHomePath);
