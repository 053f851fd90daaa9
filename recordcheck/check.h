// The check itself: the game folder laid out on a simulated Windows, and the
// programs' own code run there as a dry run.
#pragma once

#include <string>

#include "recordcheck/report.h"

namespace recordcheck {

struct CheckOptions {
    std::string hostFolder;   // the folder the game's installer produced
    std::string installPath;  // CP932 Windows path for the game folder; "" lets the check choose
};

// Where the game folder is laid out unless the maker says: below
// C:\Program Files (x86), in a folder named after DefaultGameMakerName,
// under DefaultGameFolderName.
extern const char kDefaultInstallRoot[];

// Runs the check on a fresh simulated machine of its own (none may be alive).
// False, with `error` in UTF-8, when the host folder cannot be read.
[[nodiscard]] bool CheckGameFolder(const CheckOptions& options, Report& report, std::string& error);

// Why a path named in a record could not be taken as a plain relative path
// below its folder, in words ("" when it can). It only explains: whether the
// programs refuse a path is read from what they did with it.
[[nodiscard]] std::string DescribePathProblem(const std::string& path);

}  // namespace recordcheck
