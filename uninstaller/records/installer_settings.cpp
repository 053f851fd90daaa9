#include "uninstaller/records/installer_settings.h"

// Not yet read: never a pretended success.
bool ReadInstallerSettings(const std::string&, InstallerSettings&) { return false; }
