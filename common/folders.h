// Where things are: the running program, the temporary folder and the
// all-users shell folders. Each returns an empty text when the system call
// fails (for the program's path also when it does not fit MAX_PATH bytes);
// none ends with a backslash unless it is a drive root.
#pragma once

#include <string>

[[nodiscard]] std::string GetModuleFilePath();
[[nodiscard]] std::string GetTempFolderPath();
[[nodiscard]] std::string GetCommonProgramsFolderPath();
[[nodiscard]] std::string GetCommonDesktopFolderPath();
