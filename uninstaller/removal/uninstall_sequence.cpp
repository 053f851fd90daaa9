#include "uninstaller/removal/uninstall_sequence.h"

// Not yet removable: never a pretended success.
bool UninstallGame(const std::string&) { return false; }
bool RemoveInstallation(const InstallerSettings&, const InstallFileList&, const std::string&) { return false; }
