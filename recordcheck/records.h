// The record files read as the programs read them: what they give, where
// a reader stops and why, and what their values will make the programs do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "recordcheck/context.h"

namespace recordcheck {

// Reads Installer.ini and InstallFiles.ini with the Uninstaller's own
// readers, for what they give or where they stop and why.
void CheckUninstallerRecords(Context& c);
// Reads SaveFolderSetting.ini with Prefclear's reader.
void CheckSaveFolderSetting(Context& c);
// What Installer.ini's values will do: an empty GameName or Registry, a
// shortcut name ending in .lnk, a value that is not Shift-JIS, no
// Uninstaller where the uninstall entry says it is.
void CheckSettingsValues(Context& c);

// Where each statement of a readable Installer.ini begins, by key.
[[nodiscard]] std::map<std::string, std::vector<std::size_t>> LocateStatements(const std::string& bytes);
// Where each of the `count` entries of a readable InstallFiles.ini begins,
// in list order.
[[nodiscard]] std::vector<std::uint32_t> LocateListEntries(const std::string& bytes, std::size_t count);

// The bytes of a file on the simulated machine; false when it cannot be read.
[[nodiscard]] bool ReadMachineFile(const std::string& path, std::string& bytes);
// A byte as a finding names it: "0x5C".
[[nodiscard]] std::string ByteHex(unsigned value);
// A token as shown in a finding: cut, on a character boundary, with "...".
[[nodiscard]] std::string ShownToken(const std::string& text);

}  // namespace recordcheck
