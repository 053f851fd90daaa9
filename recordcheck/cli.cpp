#include "recordcheck/cli.h"

#include <filesystem>
#include <system_error>

#include "recordcheck/check.h"
#include "recordcheck/encoding.h"
#include "recordcheck/mirror.h"
#include "recordcheck/output.h"

namespace recordcheck {

namespace {

const char kUsage[] =
    "usage: recordcheck [--json] [--install-path WINDOWS_PATH] GAME_FOLDER\n"
    "\n"
    "Checks the folder a game's installer produced, before it ships: lays it out\n"
    "on a simulated Windows and runs the Uninstaller's and Prefclear's own code\n"
    "there as a dry run.\n"
    "\n"
    "  --json                 print the report as JSON (UTF-8)\n"
    "  --install-path PATH    where the game folder lies on the player's machine,\n"
    "                         e.g. 'D:\\Games\\Maker\\Game' (default: C:\\Program Files (x86),\n"
    "                         then DefaultGameMakerName, then DefaultGameFolderName)\n"
    "\n"
    "Exit status: 0 clean, 1 warnings, 2 records the programs cannot read.\n";

// An absolute Windows folder: a drive, then names Windows can hold.
bool IsInstallPath(const std::string& path) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
    const char drive = path[0];
    if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return false;
    std::string rest = path.substr(3);
    if (!rest.empty() && rest.back() == '\\') rest.pop_back();
    return DescribePathProblem(rest).empty();
}

int UsageError(const std::string& message, std::string& err) {
    err += "recordcheck: " + message + "\n\n" + kUsage;
    return 2;
}

}  // namespace

int RunRecordCheck(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    CheckOptions options;
    bool json = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            out += kUsage;
            return 0;
        }
        if (argument == "--json") {
            json = true;
        } else if (argument == "--install-path" || argument.rfind("--install-path=", 0) == 0) {
            std::string value;
            if (argument == "--install-path") {
                if (++i == arguments.size()) return UsageError("--install-path needs a Windows path", err);
                value = arguments[i];
            } else {
                value = argument.substr(std::string("--install-path=").size());
            }
            if (!Cp932FromUtf8(value, options.installPath) || !IsInstallPath(options.installPath)) {
                return UsageError("--install-path: not an absolute Windows folder in code page 932: " + value, err);
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
        err += "recordcheck: " + failure + "\n";
        return 2;
    }
    out += json ? FormatJson(report) : FormatText(report);
    return report.ExitCode();
}

}  // namespace recordcheck
