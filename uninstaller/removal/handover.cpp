#include "uninstaller/removal/handover.h"

#include "common/file.h"
#include "common/folders.h"
#include "common/paths.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kWaitMilliseconds = 100;

// Opening for writing, without changing anything, is what a mapped program
// file refuses with a sharing violation.
bool IsTakenByARunningProgram(const std::string& path) {
    FileHandleHolder file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return GetLastError() == ERROR_SHARING_VIOLATION;
    (void)file.Close();  // a failed close is tried once more by the holder
    return false;
}

}  // namespace

void WaitForProgramFileToBeFree(const std::string& programFile) {
    // Run from the game folder itself, there is nobody to wait for.
    if (FoldForComparison(GetModuleFilePath()) == FoldForComparison(programFile)) return;
    for (int wait = 0; wait < kHandOverWaits && IsTakenByARunningProgram(programFile); ++wait) {
        Sleep(kWaitMilliseconds);
    }
}
