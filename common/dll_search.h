// Restricts DLL loading to the system folder before anything else runs. The
// uninstaller's copy runs from the user's temporary folder, where another
// program could have planted a DLL named like a system one.
#pragma once

#include "platform/win32.h"

inline void RestrictDllSearchToSystemFolder() {
#if defined(_WIN32)
    // SetDefaultDllDirectories exists from Windows 8 (and 7 with KB2533623);
    // look it up so the programs still start where it is missing.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    auto function = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (function != nullptr) (void)function(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
}
