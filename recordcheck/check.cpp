#include "recordcheck/check.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "common/file.h"
#include "common/folders.h"
#include "common/paths.h"
#include "common/sjis.h"
#include "common/text.h"
#include "platform/sim.h"
#include "platform/win32.h"
#include "prefclear/app.h"
#include "prefclear/ini_file.h"
#include "prefclear/ini_tokenizer.h"
#include "prefclear/path_helpers.h"
#include "prefclear/save_folder.h"
#include "recordcheck/encoding.h"
#include "recordcheck/mirror.h"
#include "uninstaller/driver/run_uninstaller.h"
#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/installer_settings.h"
#include "uninstaller/records/record_lexer.h"
#include "uninstaller/removal/folders.h"
#include "uninstaller/removal/registry.h"

namespace recordcheck {

const char kDefaultInstallRoot[] = "C:\\Program Files (x86)";

namespace {

const char kRecordFolder[] = "InstallInfo";
const char kSettingsFile[] = "InstallInfo\\Installer.ini";
const char kFileListFile[] = "InstallInfo\\InstallFiles.ini";
const char kSaveSettingFile[] = "InstallInfo\\SaveFolderSetting.ini";
const char kStartupFile[] = "OrrinStart.ini";
const char kPrefclearFile[] = "Prefclear.exe";
const char kUninstallerFile[] = "Uninstaller.exe";
// Where the temporary copy runs: the batch file starts it there.
const char kTempFolder[] = "C:\\Temp";
// The only twelve bytes that name the documents folder.
const char kDocumentsSetting[] = "SFSF\0\0\0\0\0\0\0\0";
constexpr std::size_t kSettingSize = 12;
// A token shown in a finding is cut to this many bytes.
constexpr std::size_t kShownTokenBytes = 60;

// ---- paths ----------------------------------------------------------------

// The components of a path, split at '\' and '/' outside two-byte characters.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (sjis::IsLeadByte(byte) && i + 1 < path.size()) {
            parts.back().append(path, i, 2);
            ++i;
        } else if (byte == '\\' || byte == '/') {
            parts.emplace_back();
        } else {
            parts.back().push_back(path[i]);
        }
    }
    return parts;
}

std::string RelativeTo(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() ? path.substr(folder.size() + 1) : std::string();
}

bool OnlyDotsAndSpaces(const std::string& component) {
    return component.find_first_not_of(". ") == std::string::npos;
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// ---- what a box is --------------------------------------------------------

std::vector<Box> BoxesSince(const sim::Machine& machine, std::size_t first, const char* program) {
    std::vector<Box> boxes;
    const auto& records = machine.MessageBoxes();
    for (std::size_t i = first; i < records.size(); ++i) {
        boxes.push_back(Box{program, records[i].text, records[i].caption, records[i].flags});
    }
    return boxes;
}

// ---- where a record file goes wrong ----------------------------------------

void SetPosition(Finding& finding, const std::string& bytes, std::size_t offset) {
    finding.hasOffset = true;
    finding.offset = offset;
    finding.line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++finding.line;
            lineStart = i + 1;
        }
    }
    finding.column = offset - lineStart + 1;
}

std::string ShownToken(const std::string& text) {
    const std::string cut = CutText(text, kShownTokenBytes);
    return cut.size() < text.size() ? cut + "..." : cut;
}

const char* KindName(TokenKind kind) {
    switch (kind) {
        case TokenKind::Integer: return "this integer";
        case TokenKind::HexNumber: return "this hexadecimal number";
        case TokenKind::RealNumber: return "this number with a point";
        case TokenKind::Identifier: return "this word";
        case TokenKind::String: return "this string";
        case TokenKind::Symbol: return "this symbol";
        default: return "";
    }
}

// A byte where no token can start, in words.
std::string DescribeStrayByte(const std::string& bytes, std::size_t at, const char* comment) {
    if (at >= bytes.size()) return "the end of the file";
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == '"') return "a string without its closing quote";
    if (comment != nullptr && byte == static_cast<unsigned char>(comment[0])) {
        return std::string("a '") + comment + "' comment without a line feed before the end of the file";
    }
    return "the byte " + Hex(byte) + ", which starts no token";
}

// Where the read that failed at `mark` found its token, read again with the
// Uninstaller's lexer, and what stands there.
void DescribeRecordFault(Finding& finding, const std::string& bytes, std::size_t mark) {
    const char* begin = bytes.data();
    RecordLexer lexer(begin + mark, begin + bytes.size());
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    if (lexer.NextTokenView(text, kind)) {
        const std::size_t start = static_cast<std::size_t>(text.data() - begin) - (kind == TokenKind::String ? 1 : 0);
        SetPosition(finding, bytes, start);
        finding.found = ShownToken(std::string(text));
        finding.problem = std::string("the Uninstaller stops reading at ") + KindName(kind);
        return;
    }
    const std::size_t at = static_cast<std::size_t>(lexer.Cursor() - begin);
    SetPosition(finding, bytes, kind == TokenKind::EndOfInput ? bytes.size() : at);
    const std::string what = kind == TokenKind::EndOfInput ? "the end of the file" : DescribeStrayByte(bytes, at, ";");
    finding.problem = "the Uninstaller stops reading at " + what;
}

// The same for the start-up settings, read again with Prefclear's tokenizer.
// A message that lets the load go on is about a word that is no key.
void DescribeStartupFault(Finding& finding, const std::string& bytes, std::size_t offset) {
    SetPosition(finding, bytes, offset);
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
        finding.problem = "Prefclear stops at " + DescribeStrayByte(bytes, offset, nullptr);
    }
}

// The bytes of a file on the simulated machine; false when it cannot be read.
bool ReadMachineFile(const std::string& path, std::string& bytes) {
    std::vector<char> data;
    if (!ReadWholeFile(path, data)) return false;
    bytes.assign(data.begin(), data.end());
    return true;
}

// ---- the simulated machine as the installer left it ---------------------------

// A file at `path` and the folders above it, unless something of another
// kind already stands on the way (a tampered record can name anything).
void PlaceFile(sim::Machine& machine, const std::string& path) {
    std::string prefix;
    const std::vector<std::string> parts = Components(path);
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        prefix += (i == 0 ? "" : "\\") + parts[i];
        if (i > 0 && machine.IsFile(prefix)) return;
    }
    if (machine.IsFolder(path)) return;
    machine.AddFile(path, "shortcut");
}

void SetStringValue(HKEY key, const char* name, const std::string& text) {
    (void)RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

// The game's key and its uninstall entry, written through the registry calls
// as the installer writes them.
void LayOutRegistry(const InstallerSettings& settings, const std::string& gameFolder) {
    HKEY key = nullptr;
    if (!settings.Registry.empty() && RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings.Registry.c_str(), 0, nullptr,
                                                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                                      nullptr) == ERROR_SUCCESS) {
        SetStringValue(key, "InstallPath", gameFolder);
        (void)RegCloseKey(key);
    }
    const std::string entry = MakeUninstallEntryPath(settings.Registry);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::string uninstaller =
        settings.UninstallerExeFileName.empty() ? kUninstallerFile : settings.UninstallerExeFileName;
    SetStringValue(key, "DisplayName", settings.GameName);
    SetStringValue(key, "DisplayIcon", JoinWithSeparator(gameFolder, settings.GameExeFileName));
    SetStringValue(key, "UninstallString", "\"" + JoinWithSeparator(gameFolder, uninstaller) + "\"");
    const DWORD one = 1;
    (void)RegSetValueExA(key, "NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    (void)RegCloseKey(key);
}

// ---- the uninstall, read back from the calls it made ---------------------------

// The calls that remove something or show a box, taken in order.
class Events {
public:
    Events(const std::vector<sim::JournalEntry>& journal, std::vector<Box> boxes) : boxes_(std::move(boxes)) {
        static const std::set<std::string> kKept = {"FindFirstFileA", "DeleteFileA", "RemoveDirectoryA", "MessageBoxA",
                                                    "RegDeleteKeyA"};
        for (const sim::JournalEntry& entry : journal) {
            if (kKept.count(entry.function) != 0) events_.push_back(entry);
        }
    }

    // The next event when it is that call on exactly that argument; null otherwise.
    const sim::JournalEntry* Take(const char* function, const std::string& argument) {
        if (next_ >= events_.size() || events_[next_].function != function || events_[next_].argument != argument) {
            return nullptr;
        }
        return &events_[next_++];
    }

    // The next box, when the next event is one.
    bool TakeBox(std::vector<Box>& into) {
        if (next_ >= events_.size() || events_[next_].function != "MessageBoxA") return false;
        ++next_;
        if (box_ < boxes_.size()) into.push_back(boxes_[box_++]);
        return true;
    }

private:
    std::vector<sim::JournalEntry> events_;
    std::vector<Box> boxes_;
    std::size_t next_ = 0;
    std::size_t box_ = 0;
};

bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

std::string ErrorText(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return "it is not there";
        case ERROR_DIR_NOT_EMPTY: return "it is not empty";
        case ERROR_ACCESS_DENIED: return "access is denied";
        case ERROR_SHARING_VIOLATION: return "it is in use";
        default: return "error " + std::to_string(error);
    }
}

// Everything the check knows while it reads the uninstall back.
struct Context {
    Context(sim::Machine& m, Report& r) : machine(m), report(r) {}

    sim::Machine& machine;
    Report& report;
    std::string gameFolder;
    bool defaultPlacement = true;
    InstallerSettings settings;
    bool settingsRead = false;
    InstallFileList files;
    bool filesRead = false;
    std::string desktop;
    std::string programs;
    // Before the removal: which listed paths named a folder, and the link on
    // the way of each listed path that has one.
    std::vector<bool> listedWasFolder;
    std::vector<std::string> listedLink;
};

Step MakeStep(const char* section, const std::string& path) {
    Step step;
    step.section = section;
    step.path = path;
    return step;
}

void Refuse(Step& step, const std::string& reason) {
    step.outcome = "refused";
    step.reason = reason;
    step.warning = true;
}

// A removal that was attempted: removed, or it stays for the error given.
void Attempted(Step& step, const sim::JournalEntry& call) {
    if (call.succeeded) {
        step.outcome = "removed";
        return;
    }
    step.outcome = IsNotFound(call.error) ? "missing" : "stays";
    step.reason = ErrorText(call.error);
    step.warning = true;
}

std::string FirstLinkOnTheWay(const sim::Machine& machine, const std::string& base, const std::string& relative) {
    const std::vector<std::string> parts = Components(relative);
    std::string prefix;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        prefix += (i == 0 ? "" : "\\") + parts[i];
        const DWORD attributes = machine.Attributes(JoinWithSeparator(base, prefix));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return prefix;
    }
    return std::string();
}

void ReadShortcutSteps(Context& c, Events& events, const std::vector<ShortcutEntry>& entries,
                       const std::string& folder, const std::string& folderProblem) {
    for (const ShortcutEntry& entry : entries) {
        Step step = MakeStep("shortcuts", JoinWithSeparator(folder, entry.LinkName + ".lnk"));
        if (const sim::JournalEntry* found = events.Take("FindFirstFileA", step.path)) {
            if (!found->succeeded) {
                step.outcome = "not found";
                step.reason = "an earlier entry of the same name removed it";
            } else if (const sim::JournalEntry* deleted = events.Take("DeleteFileA", step.path)) {
                Attempted(step, *deleted);
            } else {
                step.outcome = "stays";
                step.reason = "a folder of that name stands there";
                step.warning = true;
            }
        } else {
            const std::string problem = DescribePathProblem(entry.LinkName);
            Refuse(step, !problem.empty() ? "LinkName " + problem
                         : !folderProblem.empty() ? folderProblem
                                                  : "the Uninstaller does not go there");
        }
        c.report.steps.push_back(std::move(step));
    }
}

void ReadMenuFolderStep(Context& c, Events& events, const std::string& path, bool gamesOwn) {
    const sim::JournalEntry* call = events.Take("RemoveDirectoryA", path);
    if (call == nullptr || (!call->succeeded && IsNotFound(call->error))) return;  // nothing there to remove
    Step step = MakeStep("shortcuts", path);
    Attempted(step, *call);
    step.warning = step.warning && gamesOwn;  // the maker's menu folder may hold other games
    c.report.steps.push_back(std::move(step));
}

void ReadShortcutsAndFiles(Context& c, Events& events) {
    const InstallerSettings& s = c.settings;
    ReadShortcutSteps(c, events, s.DesktopShortcut, c.desktop, std::string());
    const std::string makerMenu = JoinWithSeparator(c.programs, s.DefaultGameMakerProgramMenuName);
    const std::string gameMenu =
        JoinWithSeparator(c.programs, JoinWithSeparator(s.DefaultGameMakerProgramMenuName, s.GameName));
    std::string menuProblem = DescribePathProblem(s.DefaultGameMakerProgramMenuName);
    if (!menuProblem.empty()) {
        menuProblem = "DefaultGameMakerProgramMenuName " + menuProblem;
    } else if (!(menuProblem = DescribePathProblem(s.GameName)).empty()) {
        menuProblem = "GameName, the menu folder's name, " + menuProblem;
    }
    ReadShortcutSteps(c, events, s.Shortcut, gameMenu, menuProblem);
    ReadMenuFolderStep(c, events, gameMenu, true);
    ReadMenuFolderStep(c, events, makerMenu, false);

    for (std::size_t i = 0; i < c.files.size(); ++i) {
        const std::string& path = c.files[i].Path;
        Step step = MakeStep("files", path);
        if (const sim::JournalEntry* call = events.Take("DeleteFileA", JoinWithSeparator(c.gameFolder, path))) {
            Attempted(step, *call);
            if (step.outcome == "missing") step.reason = "listed, but not in the folder";
            if (!call->succeeded && c.listedWasFolder[i]) step.reason = "a folder: the Uninstaller deletes only files";
        } else {
            const std::string problem = DescribePathProblem(path);
            Refuse(step, !problem.empty()         ? problem
                         : !c.listedLink[i].empty() ? "a link on the way: " + Utf8FromCp932(c.listedLink[i])
                                                    : "the Uninstaller does not go there");
        }
        c.report.steps.push_back(std::move(step));
    }
}

// What a folder that stayed still holds, a few names of it.
std::string Holding(const sim::Machine& machine, const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& path : machine.ListTree(folder)) {
        if (FoldForComparison(GetParentPath(path)) == FoldForComparison(folder)) names.push_back(GetLastComponent(path));
    }
    if (names.empty()) return std::string();
    std::string text = "it still holds ";
    for (std::size_t i = 0; i < names.size() && i < 3; ++i) text += (i == 0 ? "" : ", ") + Utf8FromCp932(names[i]);
    if (names.size() > 3) text += " and " + std::to_string(names.size() - 3) + " more";
    return text;
}

void ReadFolderSteps(Context& c, Events& events) {
    for (const std::string& folder : OrderFoldersForRemoval(c.files)) {
        const std::string full = JoinWithSeparator(c.gameFolder, folder);
        Step step = MakeStep("folders", folder);
        if (const sim::JournalEntry* call = events.Take("RemoveDirectoryA", full)) {
            Attempted(step, *call);
            if (call->error == ERROR_DIR_NOT_EMPTY) step.reason = Holding(c.machine, full);
        } else {
            Refuse(step, "a link: the Uninstaller never removes one");
        }
        events.TakeBox(step.boxes);
        c.report.steps.push_back(std::move(step));
    }
}

void ReadRecordAndFolderSteps(Context& c, Events& events) {
    for (const char* name : {kSaveSettingFile, kSettingsFile, kFileListFile}) {
        Step step = MakeStep("records", name);
        if (const sim::JournalEntry* call = events.Take("DeleteFileA", JoinWithSeparator(c.gameFolder, name))) {
            Attempted(step, *call);
            // The save-folder setting is optional; a record a listed entry
            // already took is gone all the same.
            if (step.outcome == "missing") {
                if (std::string(name) == kSaveSettingFile) continue;
                step.warning = false;
                step.reason = "InstallFiles.ini lists it: it went with the files";
            }
        } else {
            Refuse(step, "InstallInfo is a link");
        }
        c.report.steps.push_back(std::move(step));
    }
    const std::string recordFolder = JoinWithSeparator(c.gameFolder, kRecordFolder);
    for (const std::string& path : {recordFolder, c.gameFolder}) {
        Step step = MakeStep(path == c.gameFolder ? "game folder" : "records", path == c.gameFolder ? path : kRecordFolder);
        if (const sim::JournalEntry* call = events.Take("RemoveDirectoryA", path)) {
            Attempted(step, *call);
            if (call->error == ERROR_DIR_NOT_EMPTY) step.reason = Holding(c.machine, path) + "; no message";
        } else {
            Refuse(step, "a link: the Uninstaller never removes one");
        }
        c.report.steps.push_back(std::move(step));
    }

    std::string maker = GetParentPath(c.gameFolder);
    RemoveTrailingSeparator(maker);
    Step step = MakeStep("maker folder", maker);
    if (events.Take("FindFirstFileA", maker) != nullptr) {
        if (const sim::JournalEntry* call = events.Take("RemoveDirectoryA", maker)) {
            Attempted(step, *call);
            step.warning = false;  // it may hold the maker's other games; what keeps it here is reported above
            if (call->succeeded) step.reason = "nothing else is in it here";
        } else {
            step.outcome = "stays";
            step.reason = "not a folder";
        }
    } else {
        step.outcome = "not touched";
        step.reason = "its name is not DefaultGameMakerName";
        step.warning = c.defaultPlacement && !c.settings.DefaultGameMakerName.empty();
    }
    c.report.steps.push_back(std::move(step));
}

void ReadRegistrySteps(Context& c, Events& events) {
    const std::string& registry = c.settings.Registry;
    if (!registry.empty()) {
        Step step = MakeStep("registry", "HKLM\\" + registry);
        if (const sim::JournalEntry* call = events.Take("RegDeleteKeyA", registry)) {
            Attempted(step, *call);
        } else {
            Refuse(step, "a system key: the Uninstaller never deletes it");
        }
        const bool removed = step.outcome == "removed";
        c.report.steps.push_back(std::move(step));
        std::string key = registry;
        RemoveTrailingSeparator(key);
        const std::string parent = GetParentPath(key);
        if (removed && !parent.empty()) {
            Step parentStep = MakeStep("registry", "HKLM\\" + parent);
            if (const sim::JournalEntry* call = events.Take("RegDeleteKeyA", parent)) {
                Attempted(parentStep, *call);
                if (call->succeeded) parentStep.reason = "nothing else is in it here";
            } else {
                parentStep.outcome = "stays";
                parentStep.reason = "it holds other keys, or is a system key";
            }
            parentStep.warning = false;
            c.report.steps.push_back(std::move(parentStep));
        }
    }
    const std::string entry = MakeUninstallEntryPath(registry);
    Step step = MakeStep("registry", "HKLM\\" + entry);
    if (const sim::JournalEntry* call = events.Take("RegDeleteKeyA", entry)) {
        Attempted(step, *call);
    } else {
        step.outcome = "stays";
        step.reason = "the Uninstaller could not open it";
        step.warning = true;
    }
    c.report.steps.push_back(std::move(step));
}

// ---- what stays in the game folder that no record lists ------------------------

void FindUnlisted(Context& c) {
    std::set<std::string> listed;
    for (const InstallFileEntry& entry : c.files) listed.insert(FoldForComparison(entry.Path));
    std::map<std::string, const Step*> stayingFolders;  // by folded relative path
    for (const Step& step : c.report.steps) {
        if (step.section == "folders" && step.outcome != "removed") stayingFolders.emplace(FoldForComparison(step.path), &step);
    }
    const std::vector<std::string> tree = c.machine.ListTree(c.gameFolder);
    std::set<std::string> holding;  // folders that still hold something
    for (const std::string& full : tree) holding.insert(FoldForComparison(GetParentPath(full)));
    for (const std::string& full : tree) {
        const DWORD attributes = c.machine.Attributes(full);
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A folder that still holds something stays because of what it holds.
        if (folder && !link && holding.count(FoldForComparison(full)) != 0) continue;
        const std::string relative = RelativeTo(full, c.gameFolder);
        if (listed.count(FoldForComparison(relative)) != 0) continue;  // listed: its step says why it stays
        Unlisted item;
        item.path = relative;
        item.kind = link ? "link" : folder ? "folder" : "file";
        // The nearest listed folder above it stays with a message.
        for (std::string parent = GetParentPath(relative); !parent.empty(); parent = GetParentPath(parent)) {
            const auto staying = stayingFolders.find(FoldForComparison(parent));
            if (staying == stayingFolders.end()) continue;
            item.keeps = staying->second->path;
            item.shows = staying->second->boxes;
            break;
        }
        c.report.unlisted.push_back(std::move(item));
    }
}

// ---- the runs -------------------------------------------------------------------

Finding MakeFinding(Severity severity, const std::string& file, const std::string& problem) {
    Finding finding;
    finding.severity = severity;
    finding.file = file;
    finding.problem = problem;
    return finding;
}

// Prefclear reads OrrinStart.ini (with its includes) and the save-folder
// setting as it does when the user starts it from the game folder.
void CheckStartupSettings(Context& c) {
    sim::Machine& m = c.machine;
    const std::string startupPath = JoinWithSeparator(c.gameFolder, kStartupFile);
    const bool prefclearThere = m.IsFile(JoinWithSeparator(c.gameFolder, kPrefclearFile));
    RecordFile record{kStartupFile, "not checked", {}};
    if (!prefclearThere && !m.Exists(startupPath)) {
        c.report.records.push_back(record);
        return;
    }
    m.SetCurrentDirectory(c.gameFolder);
    m.SetModulePath(JoinWithSeparator(c.gameFolder, kPrefclearFile));
    CApp app;
    MessageCaption = app.Caption();
    app.LocateStartupFile();
    std::vector<startup::CIniFile::MessageSite> sites;
    app.Settings().RecordMessageSites(&sites);
    const std::size_t first = m.MessageBoxes().size();
    const bool read = app.ReadStartupSettings();
    app.Settings().RecordMessageSites(nullptr);
    const std::vector<Box> boxes = BoxesSince(m, first, "Prefclear");
    c.report.boxes.insert(c.report.boxes.end(), boxes.begin(), boxes.end());

    for (std::size_t i = 0; i < boxes.size(); ++i) {
        // Load fails on its last message only; the ones before it let it go on.
        const bool last = i + 1 == boxes.size();
        Finding finding = MakeFinding(read || !last ? Severity::Warning : Severity::Error, kStartupFile, "");
        finding.shows.push_back(boxes[i]);
        if (i < sites.size()) {
            const startup::CIniFile::MessageSite& site = sites[i];
            finding.file = GetParentPath(site.path) == c.gameFolder ? GetLastComponent(site.path) : site.path;
            std::string bytes;
            if (site.hasOffset && ReadMachineFile(site.path, bytes)) {
                DescribeStartupFault(finding, bytes, site.offset);
            } else {
                finding.problem = m.IsFile(site.path) ? "Prefclear refuses to read it again: an include loop, or includes nested too deep"
                                                      : "Prefclear cannot read it: it is missing";
            }
        } else {
            finding.problem = "GameName or SaveFolder holds a '..' component; Prefclear stops";
        }
        c.report.findings.push_back(std::move(finding));
    }
    if (!read) {
        record.state = m.Exists(startupPath) ? "invalid" : "missing";
        c.report.records.push_back(record);
        return;
    }
    const startup::CIniFile& settings = app.Settings();
    record.state = "read";
    record.values = {{"GameName", settings.GameName}, {"SaveFolder", settings.SaveFolder}};
    for (const std::string& entry : settings.LoadDLL) record.values.emplace_back("LoadDLL", entry);
    c.report.records.push_back(record);

    m.ScriptAnswers({IDOK});
    const std::size_t question = m.MessageBoxes().size();
    (void)app.ConfirmReset();
    const std::vector<Box> asked = BoxesSince(m, question, "Prefclear");
    c.report.boxes.insert(c.report.boxes.end(), asked.begin(), asked.end());

    const SaveFolderLocation location = ReadSaveFolderSetting();
    c.report.saveFolder = WithTrailingBackslash(BuildSaveFolderPath(settings, location)) +
                          WithTrailingBackslash(settings.GetSaveFolder());
    for (const char* name : ConfigFileNames) c.report.resetFiles.push_back(name);
}

void CheckSaveFolderSetting(Context& c) {
    RecordFile record{kSaveSettingFile, "missing", {}};
    const std::string path = JoinWithSeparator(c.gameFolder, kSaveSettingFile);
    std::string bytes;
    if (c.machine.IsFile(path) && ReadMachineFile(path, bytes)) {
        BaseFolder = c.gameFolder;
        const SaveFolderLocation location = ReadSaveFolderSetting();
        static const char* const kNames[] = {"0 Documents", "1 AppData", "2 the game folder"};
        const auto code = static_cast<std::size_t>(location);
        record.state = "read";
        record.values.emplace_back("location", kNames[code < 3 ? code : 0]);
        const bool documentsWritten = bytes.size() >= kSettingSize && bytes.compare(0, kSettingSize, kDocumentsSetting, kSettingSize) == 0;
        if (location == SaveFolderLocation::Documents && !documentsWritten) {
            record.state = "invalid";
            Finding finding = MakeFinding(Severity::Warning, kSaveSettingFile, "");
            // The field at fault, for the maker to find: magic, reserved, code.
            std::size_t field = bytes.compare(0, 4, "SFSF") != 0 ? 0 : bytes.compare(4, 4, kDocumentsSetting + 4, 4) != 0 ? 4 : 8;
            if (bytes.size() < kSettingSize) field = bytes.size();
            SetPosition(finding, bytes, field);
            for (std::size_t i = field; i < field + 4 && i < bytes.size(); ++i) {
                finding.found += (i == field ? "" : " ") + Hex(static_cast<unsigned char>(bytes[i])).substr(2);
            }
            finding.problem = bytes.size() < kSettingSize
                                  ? "the file has " + std::to_string(bytes.size()) + " bytes, not 12"
                                  : field == 0 ? "the file does not begin with SFSF"
                                  : field == 4 ? "bytes 4 to 7 must be 0"
                                               : "the location (bytes 8 to 11) must be 0, 1 or 2";
            finding.problem += "; Prefclear takes the documents folder, without a word";
            c.report.findings.push_back(std::move(finding));
        }
    } else if (c.machine.Exists(path)) {
        record.state = "unreadable";
    }
    c.report.records.push_back(record);
}

// Reads both records of the Uninstaller with its own readers, for what they
// give or where they stop.
void CheckUninstallerRecords(Context& c) {
    struct Item {
        const char* file;
        bool* read;
    };
    for (const Item& item : {Item{kSettingsFile, &c.settingsRead}, Item{kFileListFile, &c.filesRead}}) {
        const std::string path = JoinWithSeparator(c.gameFolder, item.file);
        RecordFile record{item.file, "read", {}};
        std::string bytes;
        if (!ReadMachineFile(path, bytes)) {
            record.state = c.machine.Exists(path) ? "unreadable" : "missing";
            c.report.findings.push_back(MakeFinding(Severity::Error, item.file,
                                                    record.state == "missing" ? "the file is missing" : "the file cannot be read"));
            c.report.records.push_back(record);
            continue;
        }
        std::size_t mark = 0;
        const bool settingsFile = std::string(item.file) == kSettingsFile;
        const bool parsed = settingsFile
                                ? ParseInstallerSettings(bytes.data(), bytes.size(), c.settings, &mark)
                                : ParseInstallFileList(bytes.data(), bytes.size(), c.files, &mark);
        *item.read = parsed;
        if (!parsed) {
            record.state = "invalid";
            Finding finding = MakeFinding(Severity::Error, item.file, "");
            if (bytes.empty()) {
                SetPosition(finding, bytes, 0);
                finding.problem = "the file is empty";
            } else {
                DescribeRecordFault(finding, bytes, mark);
            }
            c.report.findings.push_back(std::move(finding));
        } else if (settingsFile) {
            const InstallerSettings& s = c.settings;
            record.values = {{"GameName", s.GameName},
                             {"Registry", s.Registry},
                             {"DefaultGameMakerName", s.DefaultGameMakerName},
                             {"DefaultGameMakerProgramMenuName", s.DefaultGameMakerProgramMenuName}};
            for (const ShortcutEntry& e : s.Shortcut) record.values.emplace_back("Shortcut", e.LinkName);
            for (const ShortcutEntry& e : s.DesktopShortcut) record.values.emplace_back("DesktopShortcut", e.LinkName);
        } else {
            record.values = {{"entries", std::to_string(c.files.size())}};
        }
        c.report.records.push_back(record);
    }
    if (!c.filesRead) c.files.clear();  // the Uninstaller drops a list it could not read whole
}

// The first run, from the game folder: the question that names the game, or
// the message for a settings file it cannot read. Answered No.
void RunAskingMode(Context& c, std::vector<Box>& boxes) {
    sim::Machine& m = c.machine;
    const std::string& name = c.settings.UninstallerExeFileName;
    m.SetCurrentDirectory(c.gameFolder);
    m.SetModulePath(JoinWithSeparator(c.gameFolder, IsWindowsName(name) ? name : std::string(kUninstallerFile)));
    // Only a settings file it can read leads to the question; a box it cannot
    // read is answered with its one button.
    if (c.settingsRead) m.ScriptAnswers({IDNO});
    const std::size_t first = m.MessageBoxes().size();
    (void)RunUninstaller("");
    boxes = BoxesSince(m, first, "Uninstaller");
    c.report.boxes.insert(c.report.boxes.end(), boxes.begin(), boxes.end());
}

// The temporary copy's run with -F: the uninstall itself.
bool RunRemovingMode(Context& c, std::vector<Box>& boxes) {
    sim::Machine& m = c.machine;
    m.SetCurrentDirectory(kTempFolder);
    m.SetModulePath(std::string(kTempFolder) + "\\" + kUninstallerFile);
    for (std::size_t i = 0; i < c.files.size(); ++i) {
        const std::string full = JoinWithSeparator(c.gameFolder, c.files[i].Path);
        c.listedWasFolder.push_back(m.IsFolder(full));
        c.listedLink.push_back(FirstLinkOnTheWay(m, c.gameFolder, c.files[i].Path));
    }
    m.ClearJournal();
    const std::size_t first = m.MessageBoxes().size();
    const bool succeeded = RunUninstaller("-F=\"" + c.gameFolder + "\"");
    boxes = BoxesSince(m, first, "Uninstaller");
    c.report.boxes.insert(c.report.boxes.end(), boxes.begin(), boxes.end());
    return succeeded;
}

void AddFolderFindings(Context& c, const MirrorResult& mirror) {
    for (const MirrorNote& note : mirror.notes) {
        Severity severity = Severity::Warning;
        std::string problem;
        switch (note.kind) {
            case MirrorNote::Kind::Unrepresentable:
                problem = "the name holds characters that code page 932 cannot hold (shown as ?): no record can name "
                          "it, and the Uninstaller cannot delete it";
                break;
            case MirrorNote::Kind::RawBytes:
                severity = Severity::Note;
                problem = "the name is not UTF-8 on this system; taken as Shift-JIS bytes";
                break;
            case MirrorNote::Kind::InvalidName:
                problem = "Windows cannot hold this name; it was left out of the check";
                break;
            case MirrorNote::Kind::SameName:
                problem = "Windows takes this name for one already in the folder (letters in another case, or "
                          "trailing dots or spaces); it was left out of the check";
                break;
            case MirrorNote::Kind::TooLong:
                problem = "the full path has " + std::to_string(note.windowsPath.size()) +
                          " bytes here; the programs' calls fail on paths of 260 bytes or more";
                break;
            case MirrorNote::Kind::Link:
                continue;  // listed as unlisted, or as the link on a refused entry's way
        }
        c.report.findings.push_back(MakeFinding(severity, RelativeTo(note.windowsPath, c.gameFolder), problem));
    }
}

// The shortcuts and registry keys the readable Installer.ini describes, where
// the installer writes them, and what that record leaves wanting.
void LayOutWhatTheInstallerWrote(Context& c) {
    const InstallerSettings& s = c.settings;
    for (const ShortcutEntry& e : s.DesktopShortcut) {
        if (DescribePathProblem(e.LinkName).empty()) PlaceFile(c.machine, JoinWithSeparator(c.desktop, e.LinkName + ".lnk"));
    }
    const std::string gameMenu =
        JoinWithSeparator(c.programs, JoinWithSeparator(s.DefaultGameMakerProgramMenuName, s.GameName));
    const bool menuUsable =
        DescribePathProblem(s.DefaultGameMakerProgramMenuName).empty() && DescribePathProblem(s.GameName).empty();
    for (const ShortcutEntry& e : s.Shortcut) {
        if (menuUsable && DescribePathProblem(e.LinkName).empty()) {
            PlaceFile(c.machine, JoinWithSeparator(gameMenu, e.LinkName + ".lnk"));
        }
    }
    LayOutRegistry(s, c.gameFolder);
    const std::string uninstaller = s.UninstallerExeFileName.empty() ? kUninstallerFile : s.UninstallerExeFileName;
    if (!c.machine.IsFile(JoinWithSeparator(c.gameFolder, uninstaller))) {
        c.report.findings.push_back(MakeFinding(
            Severity::Warning, uninstaller,
            "the uninstaller is not in the game folder; the uninstall entry's UninstallString names it there"));
    }
    if (s.GameName.empty()) {
        c.report.findings.push_back(
            MakeFinding(Severity::Warning, kSettingsFile, "GameName is empty: the question names no game"));
    }
    if (s.Registry.empty()) {
        c.report.findings.push_back(MakeFinding(
            Severity::Warning, kSettingsFile, "Registry is empty: the game has no registry key of its own"));
    }
}

// The game folder's place on the simulated machine.
std::string ChooseGameFolder(const CheckOptions& options, const InstallerSettings* settings,
                             std::string& placement) {
    if (!options.installPath.empty()) {
        placement = "as given by --install-path";
        std::string path = options.installPath;
        RemoveTrailingSeparator(path);
        return path;
    }
    std::string folder = kDefaultInstallRoot;
    if (settings != nullptr && DescribePathProblem(settings->DefaultGameMakerName).empty()) {
        folder = JoinWithSeparator(folder, settings->DefaultGameMakerName);
        placement = "below a folder named after DefaultGameMakerName, where the installer puts it by default";
    } else if (settings == nullptr) {
        placement = "Installer.ini cannot be read: directly below the program files folder";
    } else {
        placement = "DefaultGameMakerName is not a usable folder name: directly below the program files folder";
    }
    std::string name = "Game";
    if (settings != nullptr && IsWindowsName(settings->DefaultGameFolderName)) {
        name = settings->DefaultGameFolderName;
    } else {
        const WindowsName host = WindowsNameFromHost(std::filesystem::path(options.hostFolder).filename().native());
        if (host.representable && IsWindowsName(host.bytes)) name = host.bytes;
    }
    return JoinWithSeparator(folder, name);
}

// Reads Installer.ini from a first mirror, to know where the installer
// would have put the game.
bool ReadPlacementSettings(const CheckOptions& options, InstallerSettings& settings, std::string& error) {
    sim::Machine machine;
    const std::string scratch = "C:\\Scratch";
    const MirrorResult mirror = MirrorFolder(options.hostFolder, scratch);
    if (!mirror.ok) {
        error = mirror.error;
        return false;
    }
    return ReadInstallerSettings(JoinWithSeparator(scratch, kSettingsFile), settings);
}

}  // namespace

std::string DescribePathProblem(const std::string& path) {
    if (path.empty()) return "is empty";
    if (!IsCp932(path)) return "is not valid Shift-JIS";
    if (path[0] == '\\' || path[0] == '/') return "is an absolute path";
    const std::vector<std::string> parts = Components(path);
    for (const std::string& part : parts) {
        for (std::size_t i = 0; i < part.size(); ++i) {
            if (sjis::IsLeadByte(static_cast<unsigned char>(part[i]))) {
                ++i;
            } else if (part[i] == ':') {
                return "is an absolute path, or names a stream";
            }
        }
    }
    for (const std::string& part : parts) {
        if (!part.empty() && OnlyDotsAndSpaces(part) && part.find("..") != std::string::npos) {
            return "leaves its folder through '..'";
        }
    }
    for (const std::string& part : parts) {
        if (part.empty()) return "has an empty name between separators";
        if (!IsWindowsName(part)) return "has a name Windows cannot hold";
    }
    return std::string();
}

bool CheckGameFolder(const CheckOptions& options, Report& report, std::string& error) {
    InstallerSettings placementSettings;
    bool placementRead = ReadPlacementSettings(options, placementSettings, error);
    if (!error.empty()) return false;

    sim::Machine machine;
    Context c(machine, report);
    report = Report();
    report.hostFolder = options.hostFolder;
    c.defaultPlacement = options.installPath.empty();
    c.gameFolder = ChooseGameFolder(options, placementRead ? &placementSettings : nullptr, report.placement);
    report.gameFolder = c.gameFolder;
    const MirrorResult mirror = MirrorFolder(options.hostFolder, c.gameFolder);
    if (!mirror.ok) {
        error = mirror.error;
        return false;
    }
    AddFolderFindings(c, mirror);
    c.desktop = GetCommonDesktopFolderPath();
    c.programs = GetCommonProgramsFolderPath();

    CheckUninstallerRecords(c);
    CheckSaveFolderSetting(c);
    CheckStartupSettings(c);

    if (c.settingsRead) LayOutWhatTheInstallerWrote(c);

    std::vector<Box> asking;
    RunAskingMode(c, asking);
    std::vector<Box> removing;
    const bool succeeded = RunRemovingMode(c, removing);

    if (!c.settingsRead || !c.filesRead) {
        // The Uninstaller stops before removing anything; say what the user sees.
        for (Finding& finding : report.findings) {
            if (finding.file == kSettingsFile && finding.severity == Severity::Error) {
                finding.shows = asking;
            }
            if ((finding.file == kSettingsFile || finding.file == kFileListFile) && finding.severity == Severity::Error) {
                finding.shows.insert(finding.shows.end(), removing.begin(), removing.end());
            }
        }
        return true;
    }
    Events events(machine.Journal(), removing);
    ReadShortcutsAndFiles(c, events);
    ReadFolderSteps(c, events);
    ReadRecordAndFolderSteps(c, events);
    ReadRegistrySteps(c, events);
    FindUnlisted(c);
    if (!succeeded) {
        Finding finding = MakeFinding(Severity::Warning, kSettingsFile,
                                      "the uninstall entry cannot be opened: the user is told the uninstall failed");
        finding.shows.push_back(removing.back());
        report.findings.push_back(std::move(finding));
    }
    return true;
}

}  // namespace recordcheck
