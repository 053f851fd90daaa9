#include "recordcheck/cli.h"

#include <filesystem>
#include <system_error>

#include "common/paths.h"
#include "recordcheck/check.h"
#include "recordcheck/encoding.h"
#include "recordcheck/mirror.h"
#include "recordcheck/output.h"
#include "uninstaller/removal/containment.h"

namespace recordcheck {

namespace {

const char kUsage[] =
    "usage: recordcheck [OPTIONS] GAME_FOLDER\n"
    "\n"
    "Checks the folder a game's installer produced, before it ships: lays it out\n"
    "on a simulated Windows and runs the Uninstaller's and Prefclear's own code\n"
    "there as a dry run.\n"
    "\n"
    "  --format=text          the whole report (the default)\n"
    "  --format=gcc           one line a finding: FILE:LINE:COLUMN: SEVERITY: ... [CODE]\n"
    "  --json, --format=json  the report as JSON (UTF-8; docs/recordcheck.schema.json)\n"
    "  --quiet                a summary only: the findings counted by code, and the result\n"
    "  --install-path PATH    where the game folder lies on the player's machine,\n"
    "                         e.g. 'D:\\Games\\Maker\\Game' (default: C:\\Program Files (x86),\n"
    "                         then DefaultGameMakerName, then DefaultGameFolderName)\n"
    "  --other-game FOLDER    another game of the same maker, installed beside this\n"
    "                         one by its own installer (may be given more than once)\n"
    "  --not-installed KEY    the registry key KEY is not there when the player\n"
    "                         uninstalls: game-key (#Registry) or uninstall-entry\n"
    "                         (may be given twice)\n"
    "  --version              the version of recordcheck\n"
    "\n"
    "Exit status: 0 clean, 1 warnings, 2 records the programs cannot read,\n"
    "3 a bad command line or a folder that cannot be read.\n";

// What a bad command line or an unreadable folder ends with.
constexpr int kUsageStatus = 3;

// An absolute Windows folder: a drive, then names Windows can hold.
bool IsInstallPath(const std::string& path) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
    const char drive = path[0];
    if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return false;
    std::string rest = path.substr(3);
    RemoveTrailingSeparator(rest);  // never the 0x5C that ends a character such as 表
    if (rest.empty() || !IsSafeRelativePath(rest)) return false;
    // Each name one Windows can hold.
    for (std::string name = rest; !name.empty(); name = GetParentPath(name)) {
        if (!IsWindowsName(GetLastComponent(name))) return false;
    }
    return true;
}

int UsageError(const std::string& message, std::ostream& err) {
    err << "recordcheck: " << message << "\n\n" << kUsage;
    return kUsageStatus;
}

enum class Format { Text, Gcc, Json, Summary };

// The value of "--name VALUE" or "--name=VALUE" at arguments[i] (i moves on
// past a separate value); false when `argument` is not that option.
bool OptionValue(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
                 std::string& value, bool& missing) {
    const std::string& argument = arguments[i];
    missing = false;
    if (argument == name) {
        if (i + 1 == arguments.size()) {
            missing = true;
            return true;
        }
        value = arguments[++i];
        return true;
    }
    if (argument.rfind(name + "=", 0) != 0) return false;
    value = argument.substr(name.size() + 1);
    return true;
}

}  // namespace

int RunRecordCheck(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CheckOptions options;
    Format format = Format::Text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        bool missing = false;
        if (argument == "--help" || argument == "-h") {
            out << kUsage;
            return 0;
        }
        if (argument == "--version") {
            out << "recordcheck " << RECORDCHECK_VERSION << "\n";
            return 0;
        }
        if (argument == "--json") {
            format = Format::Json;
        } else if (argument == "--quiet") {
            format = Format::Summary;
        } else if (argument.rfind("--format=", 0) == 0) {
            value = argument.substr(9);
            if (value == "text") {
                format = Format::Text;
            } else if (value == "gcc") {
                format = Format::Gcc;
            } else if (value == "json") {
                format = Format::Json;
            } else {
                return UsageError("--format takes text, gcc or json, not " + value, err);
            }
        } else if (OptionValue(arguments, i, "--install-path", value, missing)) {
            if (missing) return UsageError("--install-path needs a Windows path", err);
            if (!Cp932FromUtf8(value, options.installPath) || !IsInstallPath(options.installPath)) {
                return UsageError("--install-path: not an absolute Windows folder in code page 932: " + value, err);
            }
        } else if (OptionValue(arguments, i, "--other-game", value, missing)) {
            if (missing) return UsageError("--other-game needs a folder", err);
            std::error_code error;
            if (!std::filesystem::is_directory(value, error)) return UsageError("not a folder: " + value, err);
            options.otherGames.push_back(value);
        } else if (OptionValue(arguments, i, "--not-installed", value, missing)) {
            if (value == "game-key") {
                options.keys.gameKey = false;
            } else if (value == "uninstall-entry") {
                options.keys.uninstallEntry = false;
            } else {
                return UsageError("--not-installed takes game-key or uninstall-entry", err);
            }
        } else if (argument.rfind("--", 0) == 0 && argument.size() > 2) {
            return UsageError("unknown option " + argument, err);
        } else if (options.hostFolder.empty()) {
            options.hostFolder = argument;
        } else {
            return UsageError("one game folder at a time", err);
        }
    }
    if (options.hostFolder.empty()) return UsageError("no game folder given", err);
    std::error_code error;
    if (!std::filesystem::is_directory(options.hostFolder, error)) {
        return UsageError("not a folder: " + options.hostFolder, err);
    }

    Report report;
    std::string failure;
    if (!CheckGameFolder(options, report, failure)) {
        err << "recordcheck: " << failure << "\n";
        return kUsageStatus;
    }
    switch (format) {
        case Format::Text: WriteText(out, report); break;
        case Format::Gcc: WriteGcc(out, report); break;
        case Format::Json: WriteJson(out, report); break;
        case Format::Summary: WriteSummary(out, report); break;
    }
    return report.ExitCode();
}

}  // namespace recordcheck
