#pragma once

#include "platform/file_system.h"
#include "platform/process_api.h"
#include "platform/registry_api.h"
#include "platform/user_interface.h"

// The four seams through which the launcher reaches the operating system.
struct Platform {
    RegistryApi& Registry;
    FileSystem& Files;
    ProcessApi& Processes;
    UserInterface& Ui;
};
