// The simulated Windows under names of its own, for a Windows program that
// runs the programs' code on the simulation (recordcheck.exe): there a call
// such as DeleteFileA must reach the simulation, never the real machine, and
// the linker could otherwise take the system's function of the same name.
// Included by platform/win32_host.h on Windows only.
#pragma once

#define CloseHandle SimulatedCloseHandle
#define CopyFileA SimulatedCopyFileA
#define CreateDirectoryA SimulatedCreateDirectoryA
#define CreateFileA SimulatedCreateFileA
#define DeleteFileA SimulatedDeleteFileA
#define FindClose SimulatedFindClose
#define FindFirstFileA SimulatedFindFirstFileA
#define GetCommandLineA SimulatedGetCommandLineA
#define GetCurrentDirectoryA SimulatedGetCurrentDirectoryA
#define GetFileAttributesA SimulatedGetFileAttributesA
#define GetFileSize SimulatedGetFileSize
#define GetLastError SimulatedGetLastError
#define GetModuleFileNameA SimulatedGetModuleFileNameA
#define GetTempPathA SimulatedGetTempPathA
#define GetTickCount SimulatedGetTickCount
#define MessageBoxA SimulatedMessageBoxA
#define ReadFile SimulatedReadFile
#define RegCloseKey SimulatedRegCloseKey
#define RegCreateKeyExA SimulatedRegCreateKeyExA
#define RegDeleteKeyA SimulatedRegDeleteKeyA
#define RegDeleteValueA SimulatedRegDeleteValueA
#define RegEnumKeyExA SimulatedRegEnumKeyExA
#define RegOpenKeyExA SimulatedRegOpenKeyExA
#define RegQueryValueExA SimulatedRegQueryValueExA
#define RegSetValueExA SimulatedRegSetValueExA
#define RemoveDirectoryA SimulatedRemoveDirectoryA
#define SHGetFolderPathA SimulatedSHGetFolderPathA
#define SHGetSpecialFolderPathA SimulatedSHGetSpecialFolderPathA
#define SetCurrentDirectoryA SimulatedSetCurrentDirectoryA
#define SetFileAttributesA SimulatedSetFileAttributesA
#define SetLastError SimulatedSetLastError
#define ShellExecuteA SimulatedShellExecuteA
#define Sleep SimulatedSleep
#define WriteFile SimulatedWriteFile
