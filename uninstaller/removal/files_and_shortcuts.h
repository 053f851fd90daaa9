// Deletes single files: the game's shortcuts on the all-users desktop and in
// its program-menu folder, and every file the installer recorded. One
// attempt per entry, in list order; no failure stops the walk or is reported.
#pragma once

#include <string>

#include "common/step_report.h"
#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/installer_settings.h"

// Each `DesktopShortcut` LinkName plus ".lnk" in the common desktop folder.
// Nothing when that folder cannot be had.
void RemoveDesktopShortcuts(const InstallerSettings& settings);
// Each `Shortcut` LinkName plus ".lnk" in `gameMenuFolder`. Nothing when the
// folder is empty.
void RemoveProgramMenuShortcuts(const InstallerSettings& settings, const std::string& gameMenuFolder);
// Each listed Path below `gameFolder`, without looking first.
void RemoveInstalledFiles(const std::string& gameFolder, const InstallFileList& files);
// Reports each `Shortcut` as refused, for a game menu folder the uninstall
// does not go into (`reason`, about the folder at `at` or the record value
// `field`). Acts on nothing.
void RefuseProgramMenuShortcuts(const InstallerSettings& settings, const std::string& gameMenuFolder,
                                StepReason reason, const std::string& at, const std::string& field);

// One shortcut: skipped when the name is unsafe, when a link lies on the way
// below `folder`, when nothing is found or when a folder is found; otherwise
// DeleteFileA. True only when the shortcut was deleted. Reported as `kind`.
bool RemoveShortcut(const std::string& folder, const std::string& linkName, StepKind kind);
// One installed file: skipped when the path is unsafe or a link lies on the
// way below `gameFolder`; otherwise DeleteFileA. True only when deleted.
bool RemoveInstalledFile(const std::string& gameFolder, const std::string& relativePath);
