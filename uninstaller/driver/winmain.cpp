#include <string>

#include "common/dll_search.h"
#include "platform/win32.h"
#include "uninstaller/driver/run_uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    RestrictDllSearchToSystemFolder();
    const std::string line = commandLine != nullptr ? std::string(commandLine) : std::string();
    return RunUninstaller(line) ? 0 : -1;
}
