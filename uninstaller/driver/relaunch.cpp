#include "uninstaller/driver/relaunch.h"

// Not yet relaunching: never a pretended success.
bool RelaunchFromTemp() { return false; }
std::string MakeUniqueTempPath(const std::string&) { return std::string(); }
bool WriteRelaunchBatch(const std::string&, const std::string&, const std::string&) { return false; }
bool WriteDeleteLoop(HANDLE, const std::string&, const std::string&) { return false; }
