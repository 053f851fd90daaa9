// The simulated machine as the game's installer left it: the game folder in
// its place, and the shortcuts and registry keys its records describe.
#pragma once

#include <string>

#include "recordcheck/check.h"
#include "recordcheck/context.h"
#include "recordcheck/mirror.h"

namespace recordcheck {

// Reads Installer.ini straight from the host folder, to know where the
// installer would have put the game; false when it cannot be read.
[[nodiscard]] bool ReadPlacementSettings(const std::string& hostFolder, InstallerSettings& settings);

// The game folder's place on the simulated machine, and why there.
[[nodiscard]] std::string ChooseGameFolder(const CheckOptions& options, const InstallerSettings* settings,
                                           std::string& placement);

// The shortcuts and registry keys a readable Installer.ini describes, where
// the installer writes them (keys in the program's own view), for the game
// in `gameFolder`; of the keys, those `keys` holds. Returns what it wrote.
InstallerWrote LayOutWhatTheInstallerWrote(sim::Machine& machine, const InstallerSettings& settings,
                                           const std::string& gameFolder, const InstalledKeys& keys = InstalledKeys());

// A file at `path` and the folders above it, unless something of another
// kind already stands on the way (a tampered record can name anything).
// False when it was not laid out.
bool PlaceFile(sim::Machine& machine, const std::string& path);

// The file an installer makes for a shortcut named `linkName` in the
// records; empty when no file can be named so.
[[nodiscard]] std::string ShortcutFileName(const std::string& linkName);

// A record's menu folder name as the uninstall joins it.
[[nodiscard]] std::string MenuName(const std::string& name);

// The mirror's notes on names Windows would see differently, as findings.
void AddFolderFindings(Context& c, const MirrorResult& mirror);

}  // namespace recordcheck
