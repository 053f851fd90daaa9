#include "recordcheck/findings.h"

#include <algorithm>

#include "recordcheck/context.h"
#include "recordcheck/records.h"
#include "recordcheck/steps.h"

namespace recordcheck {

const FindingKind kRecordMissing = {"RC101", Severity::Error, "a record file is missing",
                                    "have the installer write the file"};
const FindingKind kRecordUnreadable = {"RC102", Severity::Error, "a record file cannot be read",
                                       "make the file a plain, readable file"};
const FindingKind kRecordSyntax = {"RC103", Severity::Error, "a record file does not follow its grammar",
                                   "write the statement as the guide shows it"};
const FindingKind kRecordEncoding = {"RC104", Severity::Error, "a record file is not in Shift-JIS",
                                     "save as Shift-JIS (code page 932) without a byte-order mark"};
const FindingKind kRecordEmpty = {"RC105", Severity::Error, "a record file is empty",
                                  "write at least one statement (#InstallerSetupFileVersion = 1)"};
const FindingKind kGameNameEmpty = {"RC201", Severity::Warning, "GameName is empty",
                                    "set #GameName to the game's name"};
const FindingKind kRegistryEmpty = {"RC202", Severity::Warning, "Registry is empty",
                                    "set #Registry to the game's key, e.g. SOFTWARE\\Maker\\Game"};
const FindingKind kRegistryRefused = {"RC203", Severity::Warning, "the Uninstaller refuses the game's key",
                                      "name the key SOFTWARE\\<maker>\\<game>, one backslash between names"};
const FindingKind kUninstallerAbsent = {"RC204", Severity::Warning, "the Uninstaller is not in the game folder",
                                        "install Uninstaller.exe into the game folder"};
const FindingKind kLinkNameExtension = {"RC205", Severity::Warning, "a shortcut name ends in .lnk",
                                        "write the shortcut's name without .lnk"};
const FindingKind kNotShiftJis = {"RC206", Severity::Warning, "a record value is not Shift-JIS",
                                  "write the value in Shift-JIS (code page 932)"};
const FindingKind kShortcutRefused = {"RC207", Severity::Warning, "the Uninstaller refuses a shortcut's name",
                                      "name the shortcut as a plain file name below its folder"};
const FindingKind kShortcutStays = {"RC208", Severity::Warning, "a shortcut stays",
                                    "make the shortcut a plain .lnk file where the record says"};
const FindingKind kMenuRefused = {"RC209", Severity::Warning, "the Uninstaller does not go into the menu folder",
                                  "make DefaultGameMakerProgramMenuName and GameName plain folder names"};
const FindingKind kMenuFolderStays = {"RC210", Severity::Warning, "the game's menu folder stays",
                                      "put only the listed shortcuts into the game's menu folder"};
const FindingKind kMakerFolderName = {"RC211", Severity::Warning, "the folder above the game is never removed",
                                      "install below a folder named exactly DefaultGameMakerName"};
const FindingKind kEntryNotOpened = {"RC212", Severity::Warning,
                                     "the uninstall entry cannot be opened: the player is told the uninstall failed",
                                     "run the uninstall with administrator rights"};
const FindingKind kGameKeyStays = {"RC213", Severity::Warning, "the game's registry key stays",
                                   "keep subkeys out of the game's key"};
const FindingKind kListedMissing = {"RC301", Severity::Warning, "a listed file is not in the folder",
                                    "install the file, or take its entry out of InstallFiles.ini"};
const FindingKind kListedRefused = {"RC302", Severity::Warning, "the Uninstaller refuses a listed entry",
                                    "list a path relative to the game folder, without links on the way"};
const FindingKind kListedStays = {"RC303", Severity::Warning, "a listed entry cannot be deleted",
                                  "list files only (their folders go by themselves), none of them read-only"};
const FindingKind kFolderStays = {"RC304", Severity::Warning, "a listed folder stays and the player sees a box",
                                  "list every file the installer puts into the folder"};
const FindingKind kRecordStays = {"RC305", Severity::Warning, "a record or the record folder stays",
                                  "keep InstallInfo to the three records; list all of them or none"};
const FindingKind kUnlisted = {"RC401", Severity::Warning, "a file no record lists stays",
                               "list the file in InstallFiles.ini"};
const FindingKind kGameFolderStays = {"RC402", Severity::Warning, "the game folder stays",
                                      "list every file the installer writes"};
const FindingKind kNameNotShiftJis = {"RC403", Severity::Warning, "a file name code page 932 cannot hold",
                                      "rename it with characters of Shift-JIS"};
const FindingKind kNameInvalid = {"RC404", Severity::Warning, "a file name Windows cannot hold",
                                  "rename it"};
const FindingKind kNameTwice = {"RC405", Severity::Warning, "two names Windows takes for one",
                                "rename one of them"};
const FindingKind kPathTooLong = {"RC406", Severity::Warning, "a path too long for the programs",
                                  "shorten the path below 260 characters"};
const FindingKind kNameRawBytes = {"RC407", Severity::Note, "a file name that is not UTF-8 on this system",
                                   "nothing, if the bytes are the Shift-JIS name"};
const FindingKind kStartupStops = {"RC501", Severity::Error, "Prefclear cannot read the start-up settings",
                                   "write the statement as the guide shows it"};
const FindingKind kStartupUnknownKey = {"RC502", Severity::Warning, "a word Prefclear does not know",
                                        "write the key as the guide shows it (keys are case-sensitive)"};
const FindingKind kStartupEncoding = {"RC503", Severity::Warning, "the start-up settings are not in Shift-JIS",
                                      "save as Shift-JIS (code page 932) without a byte-order mark"};
const FindingKind kSaveSettingInvalid = {"RC504", Severity::Warning, "SaveFolderSetting.ini is not valid",
                                         "write the twelve bytes the guide shows"};
const FindingKind kStartupClimbs = {"RC505", Severity::Error, "GameName or SaveFolder holds '..'",
                                    "name the save folder without '..'"};

const FindingKind* const kAllFindingKinds[] = {
    &kRecordMissing,     &kRecordUnreadable, &kRecordSyntax,      &kRecordEncoding,    &kRecordEmpty,
    &kGameNameEmpty,     &kRegistryEmpty,    &kRegistryRefused,   &kUninstallerAbsent, &kLinkNameExtension,
    &kNotShiftJis,       &kShortcutRefused,  &kShortcutStays,     &kMenuRefused,       &kMenuFolderStays,
    &kMakerFolderName,   &kEntryNotOpened,   &kGameKeyStays,      &kListedMissing,     &kListedRefused,
    &kListedStays,       &kFolderStays,      &kRecordStays,       &kUnlisted,          &kGameFolderStays,
    &kNameNotShiftJis,   &kNameInvalid,      &kNameTwice,         &kPathTooLong,       &kNameRawBytes,
    &kStartupStops,      &kStartupUnknownKey, &kStartupEncoding,  &kSaveSettingInvalid, &kStartupClimbs,
};
const std::size_t kFindingKindCount = sizeof kAllFindingKinds / sizeof kAllFindingKinds[0];

namespace {

const Step* StepOf(const Report& report, const Finding& finding) {
    return finding.step < report.removing.steps.size() ? &report.removing.steps[finding.step] : nullptr;
}

}  // namespace

std::string FindingFile(const Report& report, const Finding& finding) {
    // A step tells of an entry of the list, or of a folder one puts there.
    return StepOf(report, finding) == nullptr ? finding.file : std::string(kFileListFile);
}

std::string FindingFound(const Report& report, const Finding& finding) {
    const Step* step = StepOf(report, finding);
    if (step == nullptr) return finding.found;
    const std::string prefix = report.gameFolder + "\\";
    return ShownToken(step->path.compare(0, prefix.size(), prefix) == 0 ? step->path.substr(prefix.size()) : step->path);
}

std::string FindingProblem(const Report& report, const Finding& finding) {
    const Step* step = StepOf(report, finding);
    if (step == nullptr) return finding.problem;
    const std::string why = DescribeStep(*step);
    return std::string(KindName(step->kind)) + " " + OutcomeName(step->outcome) + (why.empty() ? "" : ": " + why);
}

Finding MakeFinding(const FindingKind& kind, const std::string& file, const std::string& problem) {
    Finding finding;
    finding.code = kind.code;
    finding.severity = kind.severity;
    finding.file = file;
    finding.problem = problem;
    finding.fix = kind.fix;
    return finding;
}

LineIndex::LineIndex(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') starts_.push_back(i + 1);
    }
}

void LineIndex::Place(Finding& finding, std::size_t offset) const {
    // The last line start at or before the offset.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts_.begin());
    finding.hasOffset = true;
    finding.offset = offset;
    finding.line = static_cast<std::uint32_t>(line);
    finding.column = static_cast<std::uint32_t>(offset - starts_[line - 1] + 1);
}

}  // namespace recordcheck
