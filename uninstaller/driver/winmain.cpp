#include "common/dll_search.h"
#include "platform/win32.h"
#include "uninstaller/driver/run_uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearchToSystemFolder();
    return RunUninstallerProcess(GetCommandLineA());
}
