// InstallInfo\InstallFiles.ini: every file the installer copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct InstallFileEntry {
    std::string Path;  // relative to the game folder
    std::int32_t DecimalValue = 0;
    std::uint32_t HexValue = 0;
};

using InstallFileList = std::vector<InstallFileEntry>;

// Reads the whole file, appending to `list`. False when the file cannot be
// read (or held, or its entries cannot be), is empty or is malformed; entries
// read before the fault stay in the list. Shows nothing, throws nothing.
[[nodiscard]] bool ReadInstallFileList(const std::string& path, InstallFileList& list);
// The same over bytes already in memory (a file of `size` bytes): an empty
// buffer fails as an empty file does. On false, `failureOffset` (when given)
// receives where the read that failed began, blanks before its token
// included (0 for an empty buffer); a checking tool reports it.
[[nodiscard]] bool ParseInstallFileList(const char* data, std::size_t size, InstallFileList& list,
                                        std::size_t* failureOffset = nullptr);
