#include "recordcheck/runs.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <map>
#include <set>
#include <utility>

#include "common/paths.h"
#include "common/sjis.h"
#include "common/step_report.h"
#include "prefclear/app.h"
#include "prefclear/ini_file.h"
#include "prefclear/ini_tokenizer.h"
#include "prefclear/path_helpers.h"
#include "recordcheck/encoding.h"
#include "recordcheck/mirror.h"
#include "recordcheck/records.h"
#include "recordcheck/steps.h"
#include "recordcheck/syntax.h"
#include "uninstaller/driver/run_uninstaller.h"
#include "uninstaller/removal/containment.h"

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
std::string Holding(const sim::Machine& machine, const std::string& folder, Language language) {
    std::vector<std::string> names;
    const std::string parent = FoldForComparison(folder);
    for (const std::string& path : machine.ListTree(folder)) {
        if (FoldForComparison(GetParentPath(path)) == parent) names.push_back(GetLastComponent(path));
    }
    if (names.empty()) return std::string();
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kHoldingNames; ++i) {
        list += (i == 0 ? "" : ", ") + Utf8FromCp932(names[i]);
    }
    if (names.size() <= kHoldingNames) return FillWords(Words{"it still holds {1}", "まだ {1} がある"}.In(language), {list});
    return FillWords(Words{"it still holds {1} and {2} more", "まだ {1} ほか {2} 個がある"}.In(language),
                     {list, std::to_string(names.size() - kHoldingNames)});
}

// A registry step in words, with its key: "stays HKLM\\...: it holds other keys"; `words` says
// how, {1} the outcome and {2} the key with why.
std::string KeyWords(const Step& step, Language language,
                     Words words = {"{1} {2}", "{1}: {2}"}) {
    const std::string why = DescribeStep(step, language);
    return FillWords(words.In(language), {OutcomeWords(step.outcome).In(language),
                                          "HKLM\\" + Utf8FromCp932(step.path) + (why.empty() ? "" : ": " + why)});
}

// Writes down each step the acting code reports, with what the machine
// shows of it at that moment, and which boxes followed it.
class StepCollector : public IStepReporter {
public:
    StepCollector(sim::Machine& machine, Run& run, Language language)
        : machine_(machine), run_(run), language_(language), first_(machine.MessageBoxes().size()) {
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
        step.path = run_.paths->Keep(report.path);
        if (!report.at.empty() && report.path.compare(0, report.at.size(), report.at) == 0) {
            step.atLength = static_cast<std::uint32_t>(report.at.size());
        } else if (!report.at.empty()) {
            step.Notes().at = report.at;
        }
        if (!report.field.empty()) step.Notes().field = report.field;
        if (report.outcome == StepOutcome::Stays && report.kind == StepKind::InstalledFile) {
            step.wasFolder = machine_.IsFolder(report.path);
            const DWORD attributes = machine_.Attributes(report.path);
            step.wasLink = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        }
        if (report.outcome == StepOutcome::Stays && !IsRegistryStep(report.kind)) {
            const DWORD attributes = machine_.Attributes(report.path);
            step.wasReadOnly = attributes != INVALID_FILE_ATTRIBUTES &&
                               (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == FILE_ATTRIBUTE_READONLY;
        }
        if (report.error == ERROR_DIR_NOT_EMPTY && described_ < kHoldingDescriptions) {
            ++described_;
            step.Notes().holds = Holding(machine_, report.path, language_);
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
    Language language_;
    std::size_t first_;
    std::vector<std::size_t> boxesBefore_;
    std::size_t described_ = 0;
};

// A file Prefclear reads, relative to the game folder when it lies below it.
std::string ShownFile(const Context& c, const std::string& path) {
    const std::string prefix = JoinWithSeparator(c.gameFolder, std::string());
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

// The start-up files as Prefclear read them, their bytes read once.
class StartupFiles {
public:
    const std::string& Bytes(const std::string& path) {
        auto found = bytes_.find(path);
        if (found == bytes_.end()) {
            std::string bytes;
            if (!ReadMachineFile(path, bytes)) bytes.clear();
            found = bytes_.emplace(path, std::move(bytes)).first;
        }
        return found->second;
    }
    void Place(Finding& finding, const std::string& path, std::size_t offset) {
        LineIndex(Bytes(path)).Place(finding, offset);
    }

private:
    std::map<std::string, std::string> bytes_;
};

// Where the statement that set `key` to `value` begins, in the files read:
// the last one that did. False when none did (the default kept).
bool FindStartupStatement(StartupFiles& files, const std::vector<std::string>& read, const std::string& key,
                          const std::string& value, std::string& path, std::size_t& offset) {
    bool found = false;
    for (const std::string& file : read) {
        IniTokenizer tokenizer;
        tokenizer.Assign(files.Bytes(file));
        std::string previous;
        std::size_t previousStart = 0;
        std::string text;
        while (tokenizer.ReadToken(text)) {
            const std::size_t start = tokenizer.TokenStart();
            std::string token;
            if (previous == key && text == "=" && tokenizer.ReadToken(token) && token == value) {
                path = file;
                offset = previousStart;
                found = true;
            }
            previous = text;
            previousStart = start;
        }
    }
    return found;
}

// The findings of the messages of one read of the start-up settings
// (`read`: whether it succeeded), its files' encodings and its values cut at
// a NUL byte. `told` holds what an earlier read already reported.
void AddStartupFindings(Context& c, StartupFiles& files, const std::vector<startup::CIniFile::MessageSite>& sites,
                        const std::vector<Box>& boxes, const std::vector<std::string>& read, bool loaded,
                        const startup::CIniFile& settings, std::set<std::string>& told) {
    using Message = startup::CIniFile::Message;
    using Refusal = startup::CIniFile::ReadRefusal;
    // A file in another encoding gets one finding that tells it, with the
    // boxes of its messages; so does a value cut at a NUL byte.
    const std::size_t stop = loaded || sites.empty() ? sites.size() : sites.size() - 1;  // where the load stopped
    std::map<std::string, std::size_t> encodingFindings;
    for (const std::string& path : read) {
        const std::string& bytes = files.Bytes(path);
        const TextEncoding encoding = GuessTextEncoding(bytes);
        const bool stoppedHere = !loaded && !sites.empty() && sites.back().path == path;
        if (encoding != TextEncoding::ShiftJis && told.insert("encoding " + path).second) {
            Finding finding =
                stoppedHere ? MakeFinding(Cause::StartupEncodingUnreadable, ShownFile(c, path),
                                          {DescribeTextEncoding(encoding, c.report.language)})
                            : MakeFinding(Cause::StartupEncodingMisread, ShownFile(c, path),
                                          {DescribeTextEncoding(encoding, c.report.language), Utf8FromCp932(settings.GameName),
                                           Utf8FromCp932(c.report.saveFolder.empty() ? settings.SaveFolder
                                                                                     : c.report.saveFolder)});
            finding.severity = stoppedHere ? Severity::Error : Severity::Warning;
            encodingFindings[path] = c.report.findings.size();
            c.Add(std::move(finding));
        }
        IniTokenizer tokenizer;
        tokenizer.Assign(bytes);
        std::string previous;
        std::string key;
        std::string text;
        while (tokenizer.ReadToken(text)) {
            const std::size_t start = tokenizer.TokenStart();
            if (text == "=") key = previous;
            previous = text;
            if (bytes[start] != '"') continue;
            // The string's own bytes, as far as its closing quote.
            std::size_t end = start + 1;
            while (end < bytes.size() && bytes[end] != '"') end += sjis::IsLeadByte(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
            if (std::memchr(bytes.data() + start, '\0', std::min(end, bytes.size()) - start) == nullptr) continue;
            if (!told.insert("nul " + path + std::to_string(start)).second) continue;
            Finding finding = MakeFinding(Cause::ValueCutAtNul, ShownFile(c, path), {key, Utf8FromCp932(ShownToken(text))});
            files.Place(finding, path, start);
            c.Add(std::move(finding));
        }
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (i >= sites.size()) {
            // Shown after a load that succeeded: a name that climbs out of its folder.
            const bool gameName = ClimbsOutOfFolder(settings.GameName);
            const std::string key = gameName ? "GameName" : "SaveFolder";
            if (!told.insert("climbs").second) continue;
            Finding finding = MakeFinding(Cause::StartupClimbs, kStartupFile, {key});
            std::string path;
            std::size_t offset = 0;
            if (FindStartupStatement(files, read, key, gameName ? settings.GameName : settings.SaveFolder, path, offset)) {
                finding.file = ShownFile(c, path);
                files.Place(finding, path, offset);
            }
            finding.shows.push_back(boxes[i]);
            c.Add(std::move(finding));
            continue;
        }
        const startup::CIniFile::MessageSite& site = sites[i];
        const auto encoded = encodingFindings.find(site.path);
        if (encoded != encodingFindings.end()) {
            c.report.findings[encoded->second].shows.push_back(boxes[i]);
            continue;
        }
        std::vector<std::string> arguments;
        Finding finding;
        if (site.message == Message::ReadFailed) {
            // Told where the file is named: at its LoadDLL entry.
            // An include as its LoadDLL entry names it.
            const std::string entry = site.path.substr(std::min(site.path.size(), FolderPrefix(site.includer).size()));
            const std::string name = Utf8FromCp932(site.includer.empty() ? ShownFile(c, site.path) : entry);
            Cause cause = Cause::StartupUnreadable;
            switch (site.refusal) {
                case Refusal::Device: cause = Cause::IncludeDevice; break;
                case Refusal::AlreadyReading: cause = Cause::IncludeLoop; break;
                case Refusal::TooDeep: cause = Cause::IncludeTooDeep; break;
                case Refusal::TooManyFiles: cause = Cause::IncludeTooMany; break;
                default:
                    cause = !c.machine.Exists(site.path)
                                ? (site.includer.empty() ? Cause::StartupMissing : Cause::IncludeMissing)
                                : Cause::StartupUnreadable;
                    break;
            }
            if (!told.insert("read " + site.path).second) continue;
            finding = MakeFinding(cause, ShownFile(c, site.includer.empty() ? site.path : site.includer), {name});
            if (!site.includer.empty()) {
                files.Place(finding, site.includer, site.includerOffset);
                finding.found = ShownToken(entry);
            }
        } else if (site.message == Message::UnknownSymbol) {
            // One statement of words Prefclear does not know, a box for each:
            // the sites that follow it on its line are its own.
            const std::string& bytes = files.Bytes(site.path);
            const LineIndex lines(bytes);
            Finding first;
            lines.Place(first, site.offset);
            std::size_t last = i;
            while (last + 1 < stop && last + 1 < boxes.size() && sites[last + 1].message == Message::UnknownSymbol &&
                   sites[last + 1].path == site.path) {
                Finding next;
                lines.Place(next, sites[last + 1].offset);
                if (next.line != first.line) break;
                ++last;
            }
            IniTokenizer tokenizer;
            tokenizer.Assign(bytes.substr(std::min(site.offset, bytes.size())));
            std::string word;
            (void)tokenizer.ReadToken(word);
            const std::size_t lineEnd = bytes.find('\n', site.offset);
            std::string line = bytes.substr(site.offset, lineEnd == std::string::npos ? std::string::npos : lineEnd - site.offset);
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            const Cause cause = DiagnoseUnknownWord(word, line, last - i + 1, arguments, c.report.language);
            finding = MakeFinding(cause, ShownFile(c, site.path), std::move(arguments));
            finding.found = ShownToken(word);
            lines.Place(finding, site.offset);
            if (!told.insert("word " + site.path + std::to_string(site.offset)).second) {
                i = last;
                continue;
            }
            for (std::size_t k = i; k <= last; ++k) finding.shows.push_back(boxes[k]);
            c.Add(std::move(finding));
            i = last;
            continue;
        } else {
            std::string found;
            const Cause cause = DiagnoseStartupStop(site, files.Bytes(site.path), arguments, found);
            if (!told.insert("stop " + site.path + std::to_string(site.offset)).second) continue;
            finding = MakeFinding(cause, ShownFile(c, site.path), std::move(arguments));
            finding.found = found;
            files.Place(finding, site.path, site.offset);
        }
        finding.shows.push_back(boxes[i]);
        c.Add(std::move(finding));
    }
}

// Blanks an include Prefclear stopped in, so that the next read goes on
// past it (what lay there is kept in `saved`); false when there is none to
// blank.
struct SavedFile {
    std::string path;
    bool existed;
    std::string bytes;
};
bool BlankStoppingInclude(Context& c, const std::vector<startup::CIniFile::MessageSite>& sites,
                          const std::string& startupPath, std::vector<SavedFile>& saved) {
    if (sites.empty()) return false;
    const startup::CIniFile::MessageSite& stop = sites.back();
    using Refusal = startup::CIniFile::ReadRefusal;
    const bool include = !stop.includer.empty() || stop.path != startupPath;
    if (!include || (stop.refusal != Refusal::None && stop.refusal != Refusal::Unreadable)) return false;
    // Only a plain file name in a folder that is there can stand in for it.
    const std::string name = GetLastComponent(stop.path);
    if (!IsWindowsName(name) || IsDeviceName(name) || !c.machine.IsFolder(GetParentPath(stop.path)) ||
        c.machine.IsFolder(stop.path)) {
        return false;
    }
    for (const SavedFile& file : saved) {
        if (file.path == stop.path) return false;  // blanked already: the fault is elsewhere
    }
    saved.push_back({stop.path, c.machine.IsFile(stop.path), c.machine.FileBytes(stop.path)});
    c.machine.AddFile(stop.path, std::string());
    return true;
}

}  // namespace

void RunPrefclear(Context& c) {
    sim::Machine& m = c.machine;
    const std::string startupPath = JoinWithSeparator(c.gameFolder, kStartupFile);
    RecordFile record{kStartupFile, "not checked", {}};
    const bool present = m.IsFile(JoinWithSeparator(c.gameFolder, kPrefclearFile));
    bool listed = false;
    for (const InstallFileEntry& entry : c.files) listed = listed || FoldForComparison(entry.Path) == "PREFCLEAR.EXE";
    c.prefclearShipped = present || listed;
    if (!present && !m.Exists(startupPath)) {
        c.report.records.push_back(record);
        return;
    }
    m.SetCurrentDirectory(c.gameFolder);
    m.SetModulePath(JoinWithSeparator(c.gameFolder, kPrefclearFile));
    Run& run = c.report.prefclear;
    run.ran = true;
    std::vector<startup::CIniFile::MessageSite> sites;
    std::vector<std::string> read;
    const std::size_t first = m.MessageBoxes().size();
    startup::CIniFile settings;
    bool loaded = false;
    {
        CApp app;
        app.Settings().RecordMessageSites(&sites);
        app.Settings().RecordFilesRead(&read);
        StepCollector collector(m, run, c.report.language);
        // Every box is answered with its default button: OK.
        const bool done = app.Run();
        run.exitCode = 0;
        loaded = done;
        settings = app.Settings();
        settings.RecordMessageSites(nullptr);
        settings.RecordFilesRead(nullptr);
        if (done) {
            record.state = "read";
            record.values = {{"GameName", settings.GameName}, {"SaveFolder", settings.SaveFolder}};
            for (const std::string& entry : settings.LoadDLL) record.values.emplace_back("LoadDLL", entry);
            if (!run.steps.empty()) c.report.saveFolder = GetParentPath(std::string(run.steps.front().path));
        }
    }
    run.boxes = BoxesSince(m, first, "Prefclear");
    if (!loaded) record.state = m.Exists(startupPath) ? "invalid" : "missing";
    c.report.records.push_back(record);
    // Load shows one box a site; after a Load that succeeded, a name that
    // climbs out of its folder shows one more, and the run ends there.
    const bool climbs = !loaded && run.boxes.size() > sites.size();
    const std::vector<Box> messages(run.boxes.begin(), run.boxes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                               run.boxes.size(), sites.size() + (climbs ? 1 : 0))));
    StartupFiles files;
    std::set<std::string> told;
    AddStartupFindings(c, files, sites, messages, read, loaded || climbs, settings, told);

    // A stop in an include hides what lies behind it: read again with that
    // include blanked, as many times as it takes, and tell what more there
    // is. The files are put back afterwards.
    std::vector<SavedFile> saved;
    bool stopped = !loaded && !climbs;
    for (int round = 0; stopped && round < 8 && BlankStoppingInclude(c, sites, startupPath, saved); ++round) {
        sites.clear();
        read.clear();
        const std::size_t before = m.MessageBoxes().size();
        CApp again;
        again.Settings().RecordMessageSites(&sites);
        again.Settings().RecordFilesRead(&read);
        const bool readAgain = again.ReadStartupSettings();
        const std::vector<Box> shown = BoxesSince(m, before, "Prefclear");
        const bool climbsAgain = shown.size() > sites.size();
        AddStartupFindings(c, files, sites, shown, read, readAgain || climbsAgain, again.Settings(), told);
        stopped = !readAgain && !climbsAgain;
    }
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
        if (it->existed) {
            m.AddFile(it->path, it->bytes);
        } else {
            (void)DeleteFileA(it->path.c_str());
        }
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
    const std::size_t first = m.MessageBoxes().size();
    {
        StepCollector collector(m, run, c.report.language);
        run.exitCode = RunUninstaller("-F=\"" + c.gameFolder + "\"") ? 0 : -1;
        collector.AttachFolderBoxes();
    }
    run.boxes = BoxesSince(m, first, "Uninstaller");
    // The entries as the uninstall took them: each file step's path is the
    // game folder joined with its entry (a refused one as named).
    const std::size_t prefix = JoinWithSeparator(c.gameFolder, std::string()).size();
    for (const Step& step : run.steps) {
        if (step.kind == StepKind::InstalledFile) c.listed.emplace_back(std::string_view(step.path).substr(prefix));
    }
}

namespace {

// The first InstallFiles.ini entry that puts each folder of the removal into
// the folder set, by the folder's relative name as the steps name it. An
// entry the Uninstaller refuses puts none there, as in its folder order.
std::map<std::string, std::size_t> FirstEntryOfEachFolder(const std::vector<std::string_view>& files) {
    std::map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string path(files[i]);
        for (std::size_t at = 0; at < path.size(); ++at) {
            if (sjis::IsLeadByte(static_cast<unsigned char>(path[at]))) {
                ++at;
            } else if (path[at] == '/') {
                path[at] = '\\';
            }
        }
        RemoveTrailingSeparator(path);
        if (!IsSafeRelativePath(path)) continue;
        for (std::string parent = GetParentPath(path); !parent.empty(); parent = GetParentPath(parent)) {
            if (!first.emplace(parent, i).second) break;  // its parents are known too
        }
    }
    return first;
}

// Why the Uninstaller refuses a listed entry, for the fix that fits.
Cause RefusedEntryCause(const Step& step) {
    switch (step.reason) {
        case StepReason::DotsComponent: return Cause::ListedDots;
        case StepReason::LeadingSeparator: return Cause::ListedAbsolute;
        case StepReason::Colon: return Cause::ListedAbsolute;
        case StepReason::Wildcard: return Cause::ListedWildcard;
        case StepReason::DeviceName: return Cause::ListedDevice;
        case StepReason::EmptyComponent: {
            const char last = step.path.empty() ? '\0' : step.path.back();
            return last == '\\' || last == '/' ? Cause::ListedFolderName : Cause::ListedDoubledSeparator;
        }
        case StepReason::BadCharacter: return Cause::ListedBadCharacter;
        case StepReason::NulByte: return Cause::ListedNul;
        case StepReason::LinkOnTheWay: return Cause::ListedLinkOnTheWay;
        default: return IsBeyondMaxPath(step) ? Cause::ListedPathTooLong : Cause::ListedRefusedOther;
    }
}

Cause StayingEntryCause(const Step& step) {
    if (step.wasLink) return Cause::ListedIsLink;
    if (step.wasFolder) return Cause::ListedIsFolder;
    if (step.wasReadOnly) return Cause::ListedReadOnly;
    return Cause::ListedStays;
}

// The findings about Installer.ini's statements, by key and statement index
// (the last one for a value), to tell the steps they explain with them.
class StatementFindings {
public:
    explicit StatementFindings(const Context& c) {
        for (std::size_t i = 0; i < c.report.findings.size(); ++i) {
            const Finding& finding = c.report.findings[i];
            if (finding.file != kSettingsFile || !finding.hasOffset) continue;
            byOffset_.emplace(finding.offset, i);
        }
    }
    // The finding at the statement of `key` (`index`th, or the last), of one of `causes`.
    std::size_t Find(const Context& c, const std::string& key, std::size_t index, std::initializer_list<Cause> causes) const {
        const auto offsets = c.statements.find(key);
        if (offsets == c.statements.end() || offsets->second.empty()) {
            // A finding about a key no statement gives sits at the file's head.
            for (std::size_t i = 0; i < c.report.findings.size(); ++i) {
                for (const Cause cause : causes) {
                    if (c.report.findings[i].cause == cause) return i;
                }
            }
            return kNone;
        }
        const std::vector<std::size_t>& all = offsets->second;
        const auto range = byOffset_.equal_range(index < all.size() ? all[index] : all.back());
        for (auto it = range.first; it != range.second; ++it) {
            for (const Cause cause : causes) {
                if (c.report.findings[it->second].cause == cause) return it->second;
            }
        }
        return kNone;
    }
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

private:
    std::multimap<std::size_t, std::size_t> byOffset_;
};

// A step that follows from an earlier finding: told under it, and marked.
void Explain(Context& c, std::size_t finding, std::size_t step) {
    c.report.findings[finding].consequences.push_back(static_cast<std::uint32_t>(step));
    c.report.removing.steps[step].warning = true;
}

}  // namespace

void AddStepFindings(Context& c) {
    // Made when a folder first needs it: a list whose folders all go needs none.
    std::map<std::string, std::size_t> folderEntries;
    bool folderEntriesMade = false;
    const StatementFindings statements(c);
    std::size_t desktopIndex = 0;
    std::size_t menuIndex = 0;
    std::size_t entryIndex = 0;
    std::deque<Step>& steps = c.report.removing.steps;
    // Reserved, so that a long list is not copied as it grows: one for each
    // entry or folder that does not go (entries below an absent folder share
    // one), and the few others.
    std::size_t expected = 32;
    for (const Step& step : steps) {
        expected += (step.kind == StepKind::InstalledFile && step.outcome != StepOutcome::Removed &&
                     step.reason != StepReason::AbsentOnTheWay) ||
                    (step.kind == StepKind::InstalledFolder && !step.Boxes().empty());
    }
    c.report.findings.reserve(c.report.findings.size() + expected);
    // The folders removed so far, by their names as Windows compares them.
    std::map<std::string, std::string> removedFolders;
    // Folders that are not there, each with the one finding of the entries
    // below it, and how many they are.
    std::map<std::string, std::pair<std::size_t, std::size_t>> absent;
    std::size_t menuFinding = StatementFindings::kNone;
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const Step& step = steps[index];
        const StepOutcome outcome = step.outcome;
        const auto add = [&](Finding finding) {
            steps[index].warning = true;
            c.Add(std::move(finding));
            return c.report.findings.size() - 1;
        };
        const auto words = [&] { return StepWords(step, c.report.language); };
        switch (step.kind) {
            case StepKind::DesktopShortcut:
            case StepKind::MenuShortcut: {
                const bool desktop = step.kind == StepKind::DesktopShortcut;
                const std::size_t shortcut = desktop ? desktopIndex++ : menuIndex++;
                const char* key = desktop ? "DesktopShortcut" : "Shortcut";
                // A name whose own finding says why it is not found.
                const std::size_t told = statements.Find(
                    c, key, shortcut, {Cause::LinkNameExtension, Cause::ShortcutNotShiftJis});
                if (told != StatementFindings::kNone && outcome != StepOutcome::Removed) {
                    Explain(c, told, index);
                } else if (outcome == StepOutcome::Refused && !step.Field().empty()) {
                    // Told with its menu folder, which comes next.
                    steps[index].warning = true;
                } else if (outcome == StepOutcome::Refused) {
                    add(c.AtStatement(Cause::ShortcutRefused, key, {words()}, shortcut));
                } else if (outcome == StepOutcome::Stays) {
                    add(c.AtStatement(step.reason == StepReason::FolderInPlace ? Cause::ShortcutFolderInPlace
                                                                               : Cause::ShortcutStays,
                                      key, {words()}, shortcut));
                }
                break;
            }
            case StepKind::GameMenuFolder:
            case StepKind::MakerMenuFolder:
                if (outcome == StepOutcome::Refused && step.reason != StepReason::ProgramMenuItself) {
                    const std::string key = step.Field().empty() ? "DefaultGameMakerProgramMenuName" : step.Field();
                    const std::size_t told =
                        statements.Find(c, key, StatementFindings::kNone,
                                        {Cause::GameNameEmptyShortcuts, Cause::GameNameEmpty, Cause::ValueNotShiftJis});
                    if (step.kind == StepKind::MakerMenuFolder && menuFinding != StatementFindings::kNone) {
                        Explain(c, menuFinding, index);
                    } else if (told != StatementFindings::kNone) {
                        menuFinding = told;
                        Explain(c, told, index);
                    } else {
                        menuFinding = add(c.AtStatement(Cause::MenuRefused, key, {words(), key}));
                    }
                    // The menu shortcuts it refused with it are its consequences.
                    for (std::size_t k = 0; k < index; ++k) {
                        if (steps[k].kind == StepKind::MenuShortcut && steps[k].outcome == StepOutcome::Refused &&
                            !steps[k].Field().empty() && step.kind == StepKind::GameMenuFolder) {
                            Explain(c, menuFinding, k);
                        }
                    }
                } else if (outcome == StepOutcome::Stays && step.kind == StepKind::GameMenuFolder) {
                    add(c.AtStatement(Cause::MenuFolderStays, "GameName", {words()}));
                }
                break;
            case StepKind::InstalledFile: {
                // In the step's own words: a list may hold a hundred thousand.
                const std::size_t entry = entryIndex++;
                if (outcome == StepOutcome::Removed) break;
                if (step.reason == StepReason::AbsentOnTheWay && !IsBeyondMaxPath(step)) {
                    // One finding for the folder that is not there, at its first entry.
                    const std::string folder = c.Relative(step.At());
                    auto group = absent.find(FoldForComparison(folder));
                    if (group == absent.end()) {
                        Finding finding = c.OfStep(Cause::ListedFolderMissing, index, entry);
                        finding.arguments = {Utf8FromCp932(folder), std::string()};
                        group = absent.emplace(FoldForComparison(folder), std::make_pair(add(std::move(finding)), 0)).first;
                    }
                    Explain(c, group->second.first, index);
                    ++group->second.second;
                    break;
                }
                const Cause cause = outcome == StepOutcome::NotThere ? Cause::ListedMissing
                                    : outcome == StepOutcome::Refused ? RefusedEntryCause(step)
                                                                      : StayingEntryCause(step);
                add(c.OfStep(cause, index, entry));
                break;
            }
            case StepKind::InstalledFolder: {
                const std::string relative = c.Relative(step.path);
                if (outcome == StepOutcome::Removed) {
                    removedFolders.emplace(FoldForComparison(relative), relative);
                    break;
                }
                if (step.Boxes().empty()) break;
                // A folder at or below one that is not there is told with it.
                bool told = false;
                for (std::string folder = FoldForComparison(relative); !folder.empty() && !told; folder = GetParentPath(folder)) {
                    const auto group = absent.find(folder);
                    if (group == absent.end() || outcome != StepOutcome::NotThere) continue;
                    Explain(c, group->second.first, index);
                    for (std::size_t box : step.Boxes()) {
                        c.report.findings[group->second.first].shows.push_back(c.report.removing.boxes[box]);
                    }
                    told = true;
                }
                if (told) break;
                if (!folderEntriesMade) {
                    folderEntries = FirstEntryOfEachFolder(c.listed);
                    folderEntriesMade = true;
                }
                const auto entry = folderEntries.find(relative);
                const std::size_t at = entry != folderEntries.end() ? entry->second : c.listed.size();
                // The same folder in another letter case went a moment ago.
                const auto twin = removedFolders.find(FoldForComparison(relative));
                Finding finding;
                if (outcome == StepOutcome::NotThere && twin != removedFolders.end()) {
                    finding = c.OfStep(Cause::FolderCaseTwin, index, at);
                    finding.arguments = {Utf8FromCp932(twin->second)};
                } else {
                    finding = c.OfStep(outcome == StepOutcome::Refused ? Cause::FolderRefused : Cause::FolderStays, index, at);
                }
                for (std::size_t box : step.Boxes()) finding.shows.push_back(c.report.removing.boxes[box]);
                add(std::move(finding));
                break;
            }
            case StepKind::RecordFile:
            case StepKind::RecordFolder:
                if (outcome == StepOutcome::Removed || outcome == StepOutcome::NotThere) break;
                add(MakeFinding(Cause::RecordStays, c.Relative(step.path), {words()}));
                break;
            case StepKind::GameFolder:
                if (outcome == StepOutcome::Removed || outcome == StepOutcome::NotThere) break;
                add(MakeFinding(Cause::GameFolderStays, ".", {words()}));
                break;
            case StepKind::MakerFolder: {
                if (step.reason != StepReason::NotMakerName || c.settings.DefaultGameMakerName.empty()) break;
                const std::string parent = GetLastComponent(std::string(step.path));
                if (c.defaultPlacement) {
                    add(c.AtStatement(Cause::MakerFolderName, "DefaultGameMakerName", {words()}));
                } else if (FoldForComparison(parent) == FoldForComparison(c.settings.DefaultGameMakerName)) {
                    // --install-path put the game below the maker's folder in another case.
                    add(c.AtStatement(Cause::MakerFolderCase, "DefaultGameMakerName",
                                      {Utf8FromCp932(parent), Utf8FromCp932(c.settings.DefaultGameMakerName)}));
                }
                break;
            }
            case StepKind::GameKey: {
                if (outcome == StepOutcome::Refused && step.reason == StepReason::EmptyKey) {
                    const std::size_t told =
                        statements.Find(c, "Registry", StatementFindings::kNone, {Cause::RegistryEmpty, Cause::RegistryMissing});
                    if (told != StatementFindings::kNone) Explain(c, told, index);
                    break;
                }
                Finding finding;
                if (outcome == StepOutcome::Refused) {
                    finding = c.AtStatement(step.reason == StepReason::SystemKey ? Cause::RegistrySystemKey
                                                                                 : Cause::RegistryEmptyName,
                                            "Registry", {KeyWords(step, c.report.language)});
                } else if (outcome == StepOutcome::Stays) {
                    finding = c.AtStatement(Cause::GameKeySubkeys, "Registry",
                                            {KeyWords(step, c.report.language)});
                } else {
                    break;
                }
                finding.found = ShownToken(c.settings.Registry);
                add(std::move(finding));
                break;
            }
            case StepKind::UninstallEntry: {
                if (c.settings.Registry.empty()) {
                    const std::size_t told =
                        statements.Find(c, "Registry", StatementFindings::kNone, {Cause::RegistryEmpty, Cause::RegistryMissing});
                    if (told != StatementFindings::kNone) Explain(c, told, index);
                    break;
                }
                // It is what decides the uninstall's result.
                if (c.report.removing.exitCode != 0 && outcome != StepOutcome::Removed) {
                    Finding finding =
                        IsNameTooLongError(step.error)
                            ? c.AtStatement(Cause::EntryNameTooLong, "Registry",
                                            {std::to_string(CharacterCount(GetLastComponent(std::string(step.path))))})
                            : c.AtStatement(Cause::EntryNoRights, "Registry",
                                            {KeyWords(step, c.report.language)});
                    if (!c.report.removing.boxes.empty()) finding.shows.push_back(c.report.removing.boxes.back());
                    add(std::move(finding));
                } else if (outcome == StepOutcome::Stays) {
                    add(c.AtStatement(Cause::EntrySubkeys, "Registry",
                                      {KeyWords(step, c.report.language,
                                                {"the uninstall entry stays: {2}", "アンインストールエントリが残る: {2}"})}));
                }
                break;
            }
            case StepKind::ParentKey:
            case StepKind::ConfigFile:
                break;
        }
    }
    for (const auto& group : absent) c.report.findings[group.second.first].arguments[1] = std::to_string(group.second.second);
}

}  // namespace recordcheck
