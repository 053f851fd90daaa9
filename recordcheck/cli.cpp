#include "recordcheck/cli.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>

#include "common/paths.h"
#include "common/sjis.h"
#include "recordcheck/check.h"
#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/language.h"
#include "recordcheck/mirror.h"
#include "recordcheck/output.h"
#include "recordcheck/suppress.h"
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
    "  --format=sarif         the findings as SARIF 2.1.0, for code scanning\n"
    "  --quiet                a summary only: the findings counted by code, and the result\n"
    "  --lang=ja|en           the language of the report (default: the user's; on Linux\n"
    "                         LC_ALL, LC_MESSAGES or LANG, ja* for Japanese)\n"
    "  --install-path PATH    where the game folder lies on the player's machine,\n"
    "                         e.g. 'D:\\Games\\Maker\\Game' (default: C:\\Program Files (x86),\n"
    "                         then DefaultGameMakerName, then DefaultGameFolderName)\n"
    "  --other-game FOLDER    another game of the same maker, installed beside this\n"
    "                         one by its own installer (may be given more than once)\n"
    "  --not-installed KEY    the registry key KEY is not there when the player\n"
    "                         uninstalls: game-key (#Registry) or uninstall-entry\n"
    "                         (may be given twice)\n"
    "  --explain CODE         what a finding code means, why it matters to players and\n"
    "                         how to fix it\n"
    "  --fail-on=LEVEL        the least severe finding that makes the exit status\n"
    "                         non-zero: error, warning (the default) or note\n"
    "  --disable=CODE,...     turn codes off: their findings are counted as suppressed\n"
    "  --baseline FILE        findings FILE lists (known before) are suppressed: only\n"
    "                         new ones fail the check\n"
    "  --write-baseline FILE  write this run's findings to FILE as the baseline\n"
    "  --config FILE          the settings file (default: the nearest .recordcheckrc\n"
    "                         above the game folder); --no-config: none\n"
    "  --version              the version of recordcheck\n"
    "  --                     ends the options: what follows is the game folder\n"
    "\n"
    "Exit status: 0 clean, 1 warnings, 2 errors (records the programs cannot read),\n"
    "3 a bad command line or a folder that cannot be read. Suppressed findings\n"
    "and those below --fail-on count for nothing.\n";

// What a bad command line or an unreadable folder ends with.
constexpr int kUsageStatus = 3;

// What is wrong with an --install-path value (CP932), and what to write
// instead; "" for an absolute Windows folder of names Windows can hold.
std::string InstallPathFault(const std::string& path) {
    const std::string example = "e.g. 'D:\\Games\\Maker\\Game'";
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (!drive) return "begin with a drive and a backslash, " + example;
    if (path.size() > 2 && path[2] == '/') {
        std::string meant = path;
        for (std::size_t i = 0; i < meant.size(); ++i) {
            if (sjis::IsLeadByte(static_cast<unsigned char>(meant[i]))) {
                ++i;
            } else if (meant[i] == '/') {
                meant[i] = '\\';
            }
        }
        return "write backslashes, as Windows does: '" + Utf8FromCp932(meant) + "'";
    }
    if (path.size() > 2 && path[2] != '\\') return "write a backslash after the drive, " + example;
    std::string rest = path.size() > 3 ? path.substr(3) : std::string();
    RemoveTrailingSeparator(rest);  // never the 0x5C that ends a character such as 表
    if (rest.empty()) return "give the game's own folder, not the drive's root: " + example;
    const StepReason fault = CheckRelativePath(rest);
    if (fault == StepReason::DotsComponent) return "write the folder without '.' or '..'";
    if (fault == StepReason::EmptyComponent) return "write one backslash between names";
    // Each name one Windows can hold.
    for (std::string name = rest; !name.empty(); name = GetParentPath(name)) {
        const std::string last = GetLastComponent(name);
        if (!IsWindowsName(last) || IsDeviceName(last)) {
            return "'" + Utf8FromCp932(last) + "' is no name Windows can hold: rename it";
        }
    }
    return fault == StepReason::None ? std::string() : "write an ordinary folder path, " + example;
}

// A command line recordcheck cannot run: the message, and under --json a
// small document that says so (on `out`, where the report would go).
class Refusal {
public:
    Refusal(std::ostream& out, std::ostream& err, bool json) : out_(out), err_(err), json_(json) {}

    int operator()(const std::string& message, bool usage = false) const {
        err_ << "recordcheck: " << message << "\n" << (usage ? "\n" + std::string(kUsage) : std::string());
        if (json_) {
            WriteRefusal(out_, message, kUsageStatus);
        }
        return kUsageStatus;
    }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool json_;
};

enum class Format { Text, Gcc, Json, Sarif, Summary };

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
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        json = json || argument == "--json" || argument == "--format=json";
    }
    const Refusal refuse(out, err, json);
    CheckOptions options;
    options.language = SystemLanguage();
    Format format = Format::Text;
    std::string formatGiven;  // the option that chose the format
    bool optionsEnd = false;
    std::string explain;
    Suppressions suppressions;
    std::optional<Severity> failOn;
    std::string baseline;
    std::string writeBaseline;
    std::string config;
    bool noConfig = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnd || argument.rfind("--", 0) != 0) {
            if (!options.hostFolder.empty()) return refuse("one game folder at a time");
            options.hostFolder = argument;
            continue;
        }
        if (argument == "--") {
            optionsEnd = true;
            continue;
        }
        if (argument == "--help") {
            out << kUsage;
            return 0;
        }
        if (argument == "--version") {
            out << "recordcheck " << RECORDCHECK_VERSION << "\n";
            return 0;
        }
        std::string value;
        bool missing = false;
        Format chosen = format;
        if (argument == "--json") {
            chosen = Format::Json;
        } else if (argument == "--quiet") {
            chosen = Format::Summary;
        } else if (argument.rfind("--format=", 0) == 0) {
            value = argument.substr(9);
            if (value == "text") {
                chosen = Format::Text;
            } else if (value == "gcc") {
                chosen = Format::Gcc;
            } else if (value == "json") {
                chosen = Format::Json;
            } else if (value == "sarif") {
                chosen = Format::Sarif;
            } else {
                return refuse("--format takes text, gcc, json or sarif, not " + value);
            }
        } else if (OptionValue(arguments, i, "--explain", value, missing)) {
            if (missing || FindKind(value) == nullptr) return refuse("--explain takes a finding code, e.g. RC301");
            explain = value;
            continue;
        } else if (OptionValue(arguments, i, "--fail-on", value, missing)) {
            Severity severity = Severity::Warning;
            if (missing || !ParseSeverity(value, severity)) return refuse("--fail-on takes error, warning or note");
            failOn = severity;
            continue;
        } else if (OptionValue(arguments, i, "--disable", value, missing)) {
            std::string fault;
            if (missing) return refuse("--disable needs codes, e.g. --disable=RC401,RC407");
            if (!ParseCodes(value, suppressions.disabled, fault)) return refuse("--disable: " + fault);
            continue;
        } else if (OptionValue(arguments, i, "--baseline", value, missing)) {
            if (missing) return refuse("--baseline needs a file");
            baseline = value;
            continue;
        } else if (OptionValue(arguments, i, "--write-baseline", value, missing)) {
            if (missing) return refuse("--write-baseline needs a file");
            writeBaseline = value;
            continue;
        } else if (OptionValue(arguments, i, "--config", value, missing)) {
            if (missing) return refuse("--config needs a file");
            config = value;
            continue;
        } else if (argument == "--no-config") {
            noConfig = true;
            continue;
        } else if (OptionValue(arguments, i, "--lang", value, missing)) {
            if (missing || !ParseLanguage(value, options.language)) return refuse("--lang takes ja or en");
            continue;
        } else if (OptionValue(arguments, i, "--install-path", value, missing)) {
            if (missing) return refuse("--install-path needs a Windows path, e.g. 'D:\\Games\\Maker\\Game'");
            if (!Cp932FromUtf8(value, options.installPath)) {
                return refuse("--install-path " + value + ": a character code page 932 cannot hold: use Shift-JIS characters");
            }
            const std::string fault = InstallPathFault(options.installPath);
            if (!fault.empty()) return refuse("--install-path " + value + ": " + fault);
            continue;
        } else if (OptionValue(arguments, i, "--other-game", value, missing)) {
            if (missing) return refuse("--other-game needs a folder");
            std::error_code error;
            if (!std::filesystem::is_directory(value, error)) return refuse("--other-game: no such folder: " + value);
            options.otherGames.push_back(value);
            continue;
        } else if (OptionValue(arguments, i, "--not-installed", value, missing)) {
            if (value == "game-key") {
                options.keys.gameKey = false;
            } else if (value == "uninstall-entry") {
                options.keys.uninstallEntry = false;
            } else {
                return refuse("--not-installed takes game-key or uninstall-entry");
            }
            continue;
        } else {
            return refuse("unknown option " + argument +
                          " (recordcheck --help lists them; a folder whose name begins with -- goes after --)");
        }
        // One output: two options that ask for two are a mistake, not a choice.
        if (!formatGiven.empty() && chosen != format) {
            return refuse(formatGiven + " and " + argument + " ask for two outputs: give one");
        }
        format = chosen;
        formatGiven = argument;
    }
    if (!explain.empty()) {
        out << ExplainPage(*FindKind(explain), options.language, false);
        return 0;
    }
    if (options.hostFolder.empty()) return refuse("no game folder given", true);
    std::error_code error;
    if (!std::filesystem::is_directory(options.hostFolder, error)) {
        return refuse((std::filesystem::exists(options.hostFolder, error) ? "not a folder: " : "no such folder: ") +
                      options.hostFolder);
    }

    // The settings file of the game's source tree; the command line goes first.
    if (config.empty() && !noConfig) config = FindSettingsFile(options.hostFolder);
    if (!config.empty()) {
        Settings settings;
        std::string fault;
        if (!ReadSettings(config, settings, fault)) return refuse(fault);
        suppressions.disabled.insert(settings.disabled.begin(), settings.disabled.end());
        if (!failOn) failOn = settings.failOn;
        if (baseline.empty() && writeBaseline.empty()) baseline = settings.baseline;
    }
    if (!baseline.empty()) {
        std::string fault;
        if (!ReadBaseline(baseline, suppressions.baseline, fault)) return refuse(fault);
    }

    Report report;
    std::string failure;
    if (!CheckGameFolder(options, report, failure)) return refuse(failure);
    report.settingsFile = config;
    report.failOn = failOn.value_or(Severity::Warning);
    Suppress(report, suppressions);
    if (!writeBaseline.empty()) {
        // What is known now is the baseline from now on.
        std::ofstream file(writeBaseline, std::ios::binary);
        file << BaselineText(report);
        if (!file.flush()) return refuse("--write-baseline: cannot write " + writeBaseline);
        std::map<std::string, std::size_t> known;
        std::string fault;
        if (!ReadBaseline(writeBaseline, known, fault)) return refuse(fault);
        Suppress(report, {suppressions.disabled, known});
    }
    if (format == Format::Gcc) WriteSuppressedCount(err, report);
    switch (format) {
        case Format::Text: WriteText(out, report); break;
        case Format::Gcc: WriteGcc(out, report); break;
        case Format::Json: WriteJson(out, report); break;
        case Format::Sarif: WriteSarif(out, report); break;
        case Format::Summary: WriteSummary(out, report); break;
    }
    return report.ExitCode();
}

}  // namespace recordcheck
