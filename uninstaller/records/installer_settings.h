// InstallInfo\Installer.ini: the installer's record of how it set the game up.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ShortcutEntry {
    std::string FirstValue;
    std::string LinkName;  // the shortcut's file name without ".lnk"
};

struct InstallerSettings {
    std::string GameName;
    std::string Registry;  // key path below HKEY_LOCAL_MACHINE
    std::string DefaultGameMakerName;
    std::string DefaultGameMakerProgramMenuName;
    std::string DefaultGameFolderName;
    std::string GameExeFileName;
    std::string UninstallerExeFileName;
    std::vector<ShortcutEntry> Shortcut;
    std::vector<ShortcutEntry> DesktopShortcut;
};

// Reads the whole file into `settings`. False when the file cannot be read
// (or held, or its values cannot be), is empty or is malformed; the record
// then keeps what the statements before the fault set. Shows nothing, throws
// nothing.
[[nodiscard]] bool ReadInstallerSettings(const std::string& path, InstallerSettings& settings);
// The same over bytes already in memory (a file of `size` bytes): an empty
// buffer fails as an empty file does. On false, `failureOffset` (when given)
// receives where the read that failed began, blanks before its token
// included (0 for an empty buffer); a checking tool reports it.
[[nodiscard]] bool ParseInstallerSettings(const char* data, std::size_t size, InstallerSettings& settings,
                                          std::size_t* failureOffset = nullptr);
