#include "common/dll_search.h"
#include "platform/win32.h"
#include "prefclear/app.h"

// The command line is ignored: the tool has no options. The exit code is 0
// whatever happened; the user has been told in a message box.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearchToSystemFolder();
    return RunPrefclearProcess();
}
