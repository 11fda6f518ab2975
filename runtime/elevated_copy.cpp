#include "runtime/elevated_copy.h"

#include <vector>

#include "runtime/careful_copy.h"
#include "runtime/private_argument.h"
#include "runtime/runtime_choice.h"

namespace {

// Each file is copied through the handles it was checked through, so that
// what was checked is what is copied and where.
void CopyFromProtectedSource(const std::wstring& javaHome, FileSystem& files) {
    HeldFiles held(files);
    for (const SupportFile& file : kSupportFiles) {
        HoldDestination(held, javaHome, file);
    }
    std::vector<const SupportFile*> missing;
    for (const SupportFile& file : kSupportFiles) {
        if (!files.FileExists(TargetOf(javaHome, file))) {
            HoldProtectedSource(held, file);
            missing.push_back(&file);
        }
    }
    for (const SupportFile* file : missing) {
        CopyHeld(held, javaHome, *file);
    }
}

// Whether folder is, text for text, the runtime the launcher itself would
// complete, read again here rather than taken on trust.
bool IsChosenRuntime(const std::wstring& folder, RegistryApi& registry, FileSystem& files) {
    if (!IsRuntimeFolder(folder)) {
        return false;
    }
    try {
        return ChosenJavaHome(registry, files) == folder;
    } catch (const AppError&) {
        return false;  // no runtime can be chosen, so none is this one
    }
}

}  // namespace

std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files) {
    try {
        // Started elevated, this run trusts nothing it was handed: only the
        // folder the launcher itself would complete is written to.
        if (folder.empty()) {
            return kErrInvalidArgument;
        }
        if (!IsChosenRuntime(folder, registry, files) || !files.FolderExists(folder)) {
            return kErrRuntimeFolderRefused;
        }
        CopyFromProtectedSource(folder, files);
        return 0;
    } catch (const AppError& error) {
        // Exit code 0 says every file is in place; a failure that came
        // without a number must not say so.
        return error.Number != 0 ? error.Number : kErrIncompleteCopy;
    }
}
