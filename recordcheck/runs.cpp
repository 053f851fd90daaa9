#include "recordcheck/runs.h"

#include <map>
#include <utility>

#include "common/paths.h"
#include "common/sjis.h"
#include "common/step_report.h"
#include "prefclear/app.h"
#include "prefclear/ini_file.h"
#include "prefclear/ini_tokenizer.h"
#include "recordcheck/encoding.h"
#include "recordcheck/mirror.h"
#include "recordcheck/records.h"
#include "recordcheck/steps.h"
#include "uninstaller/driver/run_uninstaller.h"

namespace recordcheck {

namespace {

// Where the temporary copy runs: the batch file starts it there.
const char kTempFolder[] = "C:\\Temp";
// A folder that stays is described by at most this many of its names, and
// only so many folders are described (each description lists a folder).
constexpr std::size_t kHoldingNames = 3;
constexpr std::size_t kHoldingDescriptions = 200;

std::vector<Box> BoxesSince(const sim::Machine& machine, std::size_t first, const char* program) {
    std::vector<Box> boxes;
    const auto& records = machine.MessageBoxes();
    for (std::size_t i = first; i < records.size(); ++i) {
        boxes.push_back(Box{program, records[i].text, records[i].caption, records[i].flags});
    }
    return boxes;
}

// What a folder that stayed still holds, a few names of it.
std::string Holding(const sim::Machine& machine, const std::string& folder) {
    std::vector<std::string> names;
    const std::string parent = FoldForComparison(folder);
    for (const std::string& path : machine.ListTree(folder)) {
        if (FoldForComparison(GetParentPath(path)) == parent) names.push_back(GetLastComponent(path));
    }
    if (names.empty()) return std::string();
    std::string text = "it still holds ";
    for (std::size_t i = 0; i < names.size() && i < kHoldingNames; ++i) {
        text += (i == 0 ? "" : ", ") + Utf8FromCp932(names[i]);
    }
    if (names.size() > kHoldingNames) text += " and " + std::to_string(names.size() - kHoldingNames) + " more";
    return text;
}

// Writes down each step the acting code reports, with what the machine
// shows of it at that moment, and which boxes followed it.
class StepCollector : public IStepReporter {
public:
    StepCollector(sim::Machine& machine, Run& run) : machine_(machine), run_(run), first_(machine.MessageBoxes().size()) {
        SetStepReporter(this);
    }
    ~StepCollector() { SetStepReporter(nullptr); }
    StepCollector(const StepCollector&) = delete;
    StepCollector& operator=(const StepCollector&) = delete;

    void OnStep(const StepReport& report) override {
        Step step;
        step.kind = report.kind;
        step.outcome = report.outcome;
        step.reason = report.reason;
        step.error = report.error;
        step.path = report.path;
        if (!report.at.empty() && report.path.compare(0, report.at.size(), report.at) == 0) {
            step.atLength = static_cast<std::uint32_t>(report.at.size());
        } else if (!report.at.empty()) {
            step.Notes().at = report.at;
        }
        if (!report.field.empty()) step.Notes().field = report.field;
        if (report.outcome == StepOutcome::Stays && report.kind == StepKind::InstalledFile) {
            step.wasFolder = machine_.IsFolder(report.path);
        }
        if (report.outcome == StepOutcome::Stays && !IsRegistryStep(report.kind)) {
            const DWORD attributes = machine_.Attributes(report.path);
            step.wasReadOnly = attributes != INVALID_FILE_ATTRIBUTES &&
                               (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == FILE_ATTRIBUTE_READONLY;
        }
        if (report.error == ERROR_DIR_NOT_EMPTY && described_ < kHoldingDescriptions) {
            ++described_;
            step.Notes().holds = Holding(machine_, report.path);
        }
        run_.steps.push_back(std::move(step));
        boxesBefore_.push_back(machine_.MessageBoxes().size() - first_);
    }

    // A folder that stays is told in a box right after its step.
    void AttachFolderBoxes() {
        const std::size_t shown = machine_.MessageBoxes().size() - first_;
        for (std::size_t i = 0; i < run_.steps.size(); ++i) {
            if (run_.steps[i].kind != StepKind::InstalledFolder) continue;
            const std::size_t end = i + 1 < run_.steps.size() ? boxesBefore_[i + 1] : shown;
            for (std::size_t box = boxesBefore_[i]; box < end; ++box) run_.steps[i].Notes().boxes.push_back(box);
        }
    }

private:
    sim::Machine& machine_;
    Run& run_;
    std::size_t first_;
    std::vector<std::size_t> boxesBefore_;
    std::size_t described_ = 0;
};

// Where a Prefclear message came from, read again with its tokenizer. A
// message that lets the load go on is about a word that is no key.
void DescribeStartupFault(Finding& finding, const std::string& bytes, std::size_t offset) {
    LineIndex(bytes).Place(finding, offset);
    IniTokenizer tokenizer;
    tokenizer.Assign(bytes.substr(offset < bytes.size() ? offset : bytes.size()));
    std::string text;
    if (finding.severity != Severity::Error) {
        if (tokenizer.ReadToken(text)) finding.found = ShownToken(text);
        finding.problem = "not a key Prefclear knows (keys are case-sensitive); the user sees this box, then "
                          "Prefclear reads on";
    } else if (tokenizer.ReadToken(text)) {
        finding.found = ShownToken(text);
        finding.problem = "Prefclear stops at this token";
    } else if (tokenizer.Status() == TokenizerStatus::Exhausted) {
        finding.problem = "Prefclear stops at the end of the file";
    } else {
        const auto byte = offset < bytes.size() ? static_cast<unsigned char>(bytes[offset]) : 0;
        finding.problem = byte == '"' ? "Prefclear stops at a string without its closing quote"
                                      : "Prefclear stops at the byte " + ByteHex(byte) + ", which starts no token";
    }
}

// A file Prefclear reads, relative to the game folder when it lies there.
std::string ShownFile(const Context& c, const std::string& path) {
    return GetParentPath(path) == c.gameFolder ? GetLastComponent(path) : path;
}

}  // namespace

void RunPrefclear(Context& c) {
    sim::Machine& m = c.machine;
    const std::string startupPath = JoinWithSeparator(c.gameFolder, kStartupFile);
    RecordFile record{kStartupFile, "not checked", {}};
    if (!m.IsFile(JoinWithSeparator(c.gameFolder, kPrefclearFile)) && !m.Exists(startupPath)) {
        c.report.records.push_back(record);
        return;
    }
    m.SetCurrentDirectory(c.gameFolder);
    m.SetModulePath(JoinWithSeparator(c.gameFolder, kPrefclearFile));
    Run& run = c.report.prefclear;
    run.ran = true;
    std::vector<startup::CIniFile::MessageSite> sites;
    const std::size_t first = m.MessageBoxes().size();
    {
        CApp app;
        app.Settings().RecordMessageSites(&sites);
        StepCollector collector(m, run);
        // Every box is answered with its default button: OK.
        const bool done = app.Run();
        run.exitCode = 0;
        if (done) {
            const startup::CIniFile& settings = app.Settings();
            record.state = "read";
            record.values = {{"GameName", settings.GameName}, {"SaveFolder", settings.SaveFolder}};
            for (const std::string& entry : settings.LoadDLL) record.values.emplace_back("LoadDLL", entry);
            if (!run.steps.empty()) c.report.saveFolder = GetParentPath(run.steps.front().path);
        }
    }
    run.boxes = BoxesSince(m, first, "Prefclear");
    const bool read = record.state == "read";
    if (!read) record.state = m.Exists(startupPath) ? "invalid" : "missing";
    c.report.records.push_back(record);

    // The messages of the reading, each a finding at its place; a file in
    // another encoding gets one finding that says so instead.
    std::map<std::string, bool> encodingTold;
    const std::size_t messages = read ? sites.size() : run.boxes.size();
    for (std::size_t i = 0; i < messages && i < run.boxes.size(); ++i) {
        // Load fails on its last message only; the ones before it let it go on.
        const bool stops = !read && i + 1 == messages;
        Finding finding = MakeFinding(stops ? kStartupStops : kStartupUnknownKey, kStartupFile, "");
        finding.shows.push_back(run.boxes[i]);
        if (i >= sites.size()) {
            finding = MakeFinding(kStartupClimbs, kStartupFile,
                                  "GameName or SaveFolder holds a '..' component; Prefclear stops");
            finding.shows.push_back(run.boxes[i]);
            c.Add(std::move(finding));
            continue;
        }
        const startup::CIniFile::MessageSite& site = sites[i];
        finding.file = ShownFile(c, site.path);
        std::string bytes;
        const bool readable = ReadMachineFile(site.path, bytes);
        const TextEncoding encoding = readable ? GuessTextEncoding(bytes) : TextEncoding::ShiftJis;
        if (encoding != TextEncoding::ShiftJis) {
            if (encodingTold[site.path]) continue;
            encodingTold[site.path] = true;
            Finding told = MakeFinding(kStartupEncoding, finding.file,
                                       std::string(DescribeTextEncoding(encoding)) +
                                           (stops ? "; Prefclear cannot read it" : "; Prefclear misreads it"));
            told.severity = stops ? Severity::Error : Severity::Warning;
            told.shows = finding.shows;
            c.Add(std::move(told));
            continue;
        }
        if (site.hasOffset && readable) {
            DescribeStartupFault(finding, bytes, site.offset);
        } else {
            finding.problem = m.IsFile(site.path)
                                  ? "Prefclear refuses to read it again: an include loop, or includes nested too deep"
                                  : "Prefclear cannot read it: it is missing";
        }
        c.Add(std::move(finding));
    }
}

void RunAskingMode(Context& c) {
    sim::Machine& m = c.machine;
    const std::string& name = c.settings.UninstallerExeFileName;
    m.SetCurrentDirectory(c.gameFolder);
    m.SetModulePath(JoinWithSeparator(c.gameFolder, IsWindowsName(name) ? name : std::string(kUninstallerFile)));
    // Only a settings file it can read leads to the question; a box it cannot
    // read is answered with its one button.
    if (c.settingsRead) m.ScriptAnswers({IDNO});
    const std::size_t first = m.MessageBoxes().size();
    c.report.asking.ran = true;
    c.report.asking.exitCode = RunUninstaller("") ? 0 : -1;
    c.report.asking.boxes = BoxesSince(m, first, "Uninstaller");
}

void RunRemovingMode(Context& c) {
    sim::Machine& m = c.machine;
    m.SetCurrentDirectory(kTempFolder);
    m.SetModulePath(std::string(kTempFolder) + "\\" + kUninstallerFile);
    Run& run = c.report.removing;
    run.ran = true;
    // A step a file, a folder at most a file, and the few others.
    run.steps.reserve(2 * c.fileCount + c.settings.Shortcut.size() + c.settings.DesktopShortcut.size() + 16);
    const std::size_t first = m.MessageBoxes().size();
    {
        StepCollector collector(m, run);
        run.exitCode = RunUninstaller("-F=\"" + c.gameFolder + "\"") ? 0 : -1;
        collector.AttachFolderBoxes();
    }
    run.boxes = BoxesSince(m, first, "Uninstaller");
}

namespace {

// The first InstallFiles.ini entry that puts each folder of the removal into
// the folder set, by the folder's relative name as the steps name it.
std::map<std::string, std::size_t> FirstEntryOfEachFolder(const InstallFileList& files) {
    std::map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string path = files[i].Path;
        for (std::size_t at = 0; at < path.size(); ++at) {
            if (sjis::IsLeadByte(static_cast<unsigned char>(path[at]))) {
                ++at;
            } else if (path[at] == '/') {
                path[at] = '\\';
            }
        }
        RemoveTrailingSeparator(path);
        for (std::string parent = GetParentPath(path); !parent.empty(); parent = GetParentPath(parent)) {
            if (!first.emplace(parent, i).second) break;  // its parents are known too
        }
    }
    return first;
}

std::string Relative(const Context& c, const std::string& path) {
    const std::string prefix = JoinWithSeparator(c.gameFolder, std::string());
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

// The finding of one step that warns; false when the step warns of nothing.
bool StepFinding(const Context& c, std::size_t index, std::size_t shortcutIndex, std::size_t entryIndex,
                 const std::map<std::string, std::size_t>& folderEntries, Finding& finding) {
    const Step& step = c.report.removing.steps[index];
    // Its words, for the few findings that keep their own.
    const auto why = [&] { return DescribeStep(step); };
    const auto what = [&] {
        const bool below = step.kind == StepKind::RecordFile || step.kind == StepKind::RecordFolder;
        return Utf8FromCp932(below ? Relative(c, step.path) : step.path) + ": " + why();
    };
    const char* shortcutKey = step.kind == StepKind::DesktopShortcut ? "DesktopShortcut" : "Shortcut";
    switch (step.kind) {
        case StepKind::DesktopShortcut:
        case StepKind::MenuShortcut:
            // A shortcut below a refused menu folder is told with that folder.
            if (step.outcome == StepOutcome::Refused && step.Field().empty()) {
                finding = c.AtStatement(kShortcutRefused, shortcutKey, "refused " + what(), shortcutIndex);
            } else if (step.outcome == StepOutcome::Stays) {
                finding = c.AtStatement(kShortcutStays, shortcutKey, "stays " + what(), shortcutIndex);
            } else {
                return false;
            }
            return true;
        case StepKind::GameMenuFolder:
        case StepKind::MakerMenuFolder:
            if (step.outcome == StepOutcome::Refused && step.reason != StepReason::ProgramMenuItself) {
                const std::string key = step.Field().empty() ? "DefaultGameMakerProgramMenuName" : step.Field();
                finding = c.AtStatement(kMenuRefused, key, "refused " + what());
            } else if (step.outcome == StepOutcome::Stays && step.kind == StepKind::GameMenuFolder) {
                finding = c.AtStatement(kMenuFolderStays, "GameName", "stays " + what());
            } else {
                return false;
            }
            return true;
        case StepKind::InstalledFile:
            // In the step's own words: a list may hold a hundred thousand.
            if (step.outcome == StepOutcome::Removed) return false;
            finding = c.OfStep(step.outcome == StepOutcome::NotThere ? kListedMissing
                               : step.outcome == StepOutcome::Refused ? kListedRefused
                                                                      : kListedStays,
                               index, entryIndex);
            return true;
        case StepKind::InstalledFolder: {
            if (step.Boxes().empty()) return false;
            const auto entry = folderEntries.find(Relative(c, step.path));
            finding = c.OfStep(kFolderStays, index, entry != folderEntries.end() ? entry->second : c.files.size());
            for (std::size_t box : step.Boxes()) finding.shows.push_back(c.report.removing.boxes[box]);
            return true;
        }
        case StepKind::RecordFile:
        case StepKind::RecordFolder:
            if (step.outcome == StepOutcome::Removed || step.outcome == StepOutcome::NotThere) return false;
            finding = MakeFinding(kRecordStays, Relative(c, step.path), std::string(OutcomeName(step.outcome)) + " " + what());
            return true;
        case StepKind::GameFolder:
            if (step.outcome == StepOutcome::Removed || step.outcome == StepOutcome::NotThere) return false;
            finding = MakeFinding(kGameFolderStays, ".", "the game folder " + std::string(OutcomeName(step.outcome)) +
                                                             ": " + why() + "; the player is not told");
            return true;
        case StepKind::MakerFolder:
            if (step.reason != StepReason::NotMakerName || !c.defaultPlacement ||
                c.settings.DefaultGameMakerName.empty()) {
                return false;
            }
            finding = c.AtStatement(kMakerFolderName, "DefaultGameMakerName",
                                    "DefaultGameMakerName is no folder name the Uninstaller takes: " + what());
            return true;
        case StepKind::GameKey:
            if (step.outcome == StepOutcome::Refused && step.reason != StepReason::EmptyKey) {
                finding = c.AtStatement(kRegistryRefused, "Registry", "refused HKLM\\" + what());
            } else if (step.outcome == StepOutcome::Stays) {
                finding = c.AtStatement(kGameKeyStays, "Registry", "stays HKLM\\" + what());
            } else {
                return false;
            }
            finding.found = ShownToken(c.settings.Registry);
            return true;
        case StepKind::UninstallEntry:
            // It is what decides the uninstall's result.
            if (c.report.removing.exitCode != 0 && step.outcome != StepOutcome::Removed) {
                finding = c.AtStatement(kEntryNotOpened, "Registry",
                                        std::string(OutcomeName(step.outcome)) + " HKLM\\" + what());
                if (!c.report.removing.boxes.empty()) finding.shows.push_back(c.report.removing.boxes.back());
            } else if (step.outcome == StepOutcome::Stays) {
                finding = c.AtStatement(kGameKeyStays, "Registry", "stays HKLM\\" + what());
            } else {
                return false;
            }
            return true;
        case StepKind::ParentKey:
        case StepKind::ConfigFile:
            return false;
    }
    return false;
}

}  // namespace

void AddStepFindings(Context& c) {
    const std::map<std::string, std::size_t> folderEntries = FirstEntryOfEachFolder(c.files);
    std::size_t desktopIndex = 0;
    std::size_t menuIndex = 0;
    std::size_t entryIndex = 0;
    std::vector<Step>& steps = c.report.removing.steps;
    // Reserved, so that a long list is not copied as it grows: one for each
    // entry or folder that does not go, and the few others.
    std::size_t expected = 32;
    for (const Step& step : steps) {
        expected += (step.kind == StepKind::InstalledFile && step.outcome != StepOutcome::Removed) ||
                    (step.kind == StepKind::InstalledFolder && !step.Boxes().empty());
    }
    c.report.findings.reserve(c.report.findings.size() + expected);
    for (std::size_t index = 0; index < steps.size(); ++index) {
        Step& step = steps[index];
        const std::size_t shortcutIndex = step.kind == StepKind::DesktopShortcut ? desktopIndex++
                                          : step.kind == StepKind::MenuShortcut  ? menuIndex++
                                                                                 : 0;
        const std::size_t entry = step.kind == StepKind::InstalledFile ? entryIndex++ : 0;
        Finding finding;
        if (StepFinding(c, index, shortcutIndex, entry, folderEntries, finding)) {
            step.warning = finding.severity != Severity::Note;
            c.Add(std::move(finding));
        } else if (step.outcome == StepOutcome::Refused && !step.Field().empty() &&
                   (step.kind == StepKind::MenuShortcut)) {
            step.warning = true;  // told with its menu folder
        }
    }
}

}  // namespace recordcheck
