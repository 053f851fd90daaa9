// The check itself: the game folder laid out on a simulated Windows, and the
// programs' own code run there as a dry run that reports every step.
#pragma once

#include <string>
#include <vector>

#include "recordcheck/language.h"
#include "recordcheck/report.h"

namespace recordcheck {

class InstalledMachine;

// The registry keys the game's installer wrote, as far as the maker says:
// a key that is not there (never written, or already removed by the player)
// is what the Uninstaller then finds.
struct InstalledKeys {
    bool gameKey = true;         // #Registry
    bool uninstallEntry = true;  // its TarnwickGame_ entry below ...\Uninstall
};

struct CheckOptions {
    std::string hostFolder;   // the folder the game's installer produced
    std::string installPath;  // CP932 Windows path for the game folder; "" lets the check choose
    // Folders of other games of the same maker, installed beside this one
    // (in the same maker folder) by their own installers.
    std::vector<std::string> otherGames;
    InstalledKeys keys;
    // The Windows machine the game is installed on (hostFolder is then the
    // installation itself, installPath its CP932 path): what lies outside
    // the game folder is laid out as it holds it, not as the records say.
    const InstalledMachine* installed = nullptr;
    Language language = Language::English;  // of the report's words
};

// Where the game folder is laid out unless the maker says: below
// C:\Program Files (x86), in a folder named after DefaultGameMakerName,
// under DefaultGameFolderName.
extern const char kDefaultInstallRoot[];

// Runs the check on a fresh simulated machine of its own (none may be alive).
// False, with `error` in UTF-8, when a host folder cannot be read.
[[nodiscard]] bool CheckGameFolder(const CheckOptions& options, Report& report, std::string& error);

}  // namespace recordcheck
