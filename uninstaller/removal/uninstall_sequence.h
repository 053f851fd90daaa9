#pragma once

#include <string>

#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/installer_settings.h"

// Reads the game's two record files and removes the installation. False when
// a record file cannot be read (nothing removed) or when the uninstall entry
// could not be opened.
[[nodiscard]] bool UninstallGame(const std::string& gameFolder);
// The removal steps in their fixed order; the result is the last step's.
[[nodiscard]] bool RemoveInstallation(const InstallerSettings& settings, const InstallFileList& files,
                                      const std::string& gameFolder);
