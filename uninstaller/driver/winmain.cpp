#include <string>

#include "platform/win32.h"
#include "uninstaller/driver/run_uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const std::string line = commandLine != nullptr ? std::string(commandLine) : std::string();
    return RunUninstaller(line) ? 0 : -1;
}
