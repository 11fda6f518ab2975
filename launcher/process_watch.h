#pragma once

#include <cstdint>

#include "platform/platform.h"

// Timer2: ends the program once the Java process has finished with exit
// code 0, or can no longer be opened. Never touches the process itself.
void RunProcessWatch(std::uint32_t javaProcessId, ProcessApi& processes, UserInterface& ui);
