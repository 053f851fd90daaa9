// Hands the uninstall to a copy of the program in the temporary folder, run
// by a hidden batch file that deletes the copy and then itself.
#pragma once

#include <string>

#include "platform/win32.h"

// True once the batch file has been started; on false it has shown
// "アンインストーラの実行に失敗しました".
[[nodiscard]] bool RelaunchFromTemp();
// A free name of 16 letters a-y plus `extension` (with its dot) in the
// temporary folder: no file or folder of that name exists. Empty when 1024
// names were all taken or the temporary folder is unknown.
[[nodiscard]] std::string MakeUniqueTempPath(const std::string& extension);
// Writes the seven-line batch file ('%' doubled in the paths). True when it
// was written whole and closed.
[[nodiscard]] bool WriteRelaunchBatch(const std::string& copyPath, const std::string& gameFolder,
                                      const std::string& batchPath);
// Writes the three lines that delete `path` until it is gone.
[[nodiscard]] bool WriteDeleteLoop(HANDLE file, const std::string& label, const std::string& path);
// `path` with every '%' doubled, so the command processor reads it back
// unchanged from a batch file; other bytes are kept as they are.
[[nodiscard]] std::string EscapeBatchPercent(const std::string& path);
