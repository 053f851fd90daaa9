#include "uninstaller/records/install_file_list.h"

// Not yet read: never a pretended success.
bool ReadInstallFileList(const std::string&, InstallFileList&) { return false; }
