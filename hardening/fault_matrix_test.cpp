// Every Win32 call of each whole flow made to fail in turn, one occurrence at
// a time (and every read and write cut short): the flow must end with the
// message and result its failure calls for, leave no handle open, and touch
// nothing that is not the game's own. Each oracle works from a model of the
// layout, so an outcome is checked against what that one failure explains.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hardening/hardening_support.h"
#include "platform/sim.h"
#include "prefclear/app.h"
#include "prefclear/test_support.h"
#include "uninstaller/driver/run_uninstaller.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using namespace hardening;

const std::string kGame = removal_test::kGame;
const std::string kGameMenu = removal_test::kGameMenu;
const std::string kMakerMenu = removal_test::kMakerMenu;
const std::string kDesktop = removal_test::kDesktop;
const std::string kGameKey = removal_test::kGameKey;
const std::string kEntryKey = removal_test::kEntryKey;
const std::string kParentKey = "SOFTWARE\\Maker";
const std::string kRecords = kGame + "\\InstallInfo";
const std::string kSettingsFile = kRecords + "\\Installer.ini";
const std::string kListFile = kRecords + "\\InstallFiles.ini";
const std::vector<std::string> kEntryValues = {"DispalyName", "DisplayName", "DisplayIcon", "UninstallString",
                                               "NoModify"};
// Keys of nobody in particular, which every flow must leave as they are.
const std::vector<std::string> kUnrelatedKeys = {"SOFTWARE\\Vendor\\Tool",
                                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"};

// The question: 『 name 』をアンインストールします。\nよろしいですか？\n\n※セーブデータは…残ります
const std::string kQuestionHead = "\x81\x77";
const std::string kQuestionTail =
    "\x81\x78\x82\xF0\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xB5\x82\xDC\x82\xB7\x81"
    "\x42\x0A\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48\x0A\x0A\x81\xA6\x83\x5A\x81\x5B\x83"
    "\x75\x83\x66\x81\x5B\x83\x5E\x82\xCD\x8A\x65\x83\x86\x81\x5B\x83\x55\x81\x5B\x83\x41\x83\x4A\x83\x45\x83\x93"
    "\x83\x67\x82\xB2\x82\xC6\x82\xC9\x8E\x63\x82\xE8\x82\xDC\x82\xB7";
// インストーラ設定ファイル【 path 】\n読み込みに失敗しました
const std::string kSettingsHead =
    "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x79";
const std::string kSettingsTail =
    "\x81\x7A\x0A\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

struct Outcome {
    bool result = false;
    std::map<std::string, std::string> volumeBefore, volumeAfter;
    std::map<std::string, std::set<std::string>> keysBefore, keysAfter;
};

// The one call made to fail (function empty: none) and which occurrence of
// its function it was.
struct Fault {
    sim::JournalEntry call;
    int nth = 0;
    DWORD error = 0;  // what the failed call reported
    bool Is(const char* function) const { return call.function == function; }
    bool Is(const char* function, const std::string& path) const {
        return call.function == function && SamePath(call.argument, path);
    }
};

using Oracle = std::function<void(const Fault&, const sim::Machine&, const Outcome&)>;

struct Flow {
    const char* name;
    std::function<void(sim::Machine&)> setUp;
    std::function<bool()> run;
    bool answerQuestionNo;
    // What the flow may change (upper-cased paths, keys); all else must stay.
    std::function<bool(const std::string&)> ownsPath;
    std::function<bool(const std::string&)> ownsKey;
    Oracle oracle;
    std::vector<std::string> mustCall;  // lest the matrix go hollow
};

void ExpectCaptions(const sim::Machine& m, const std::string& caption) {
    for (const auto& box : m.MessageBoxes()) {
        EXPECT_EQ(box.caption, caption) << box.text;
        EXPECT_FALSE(box.hasOwner) << box.text;
    }
}

void LayOutUnrelatedKeys(sim::Machine& m) {
    for (const auto& key : kUnrelatedKeys) {
        m.AddKey(key);
        m.SetValue(key, "DisplayName", "other");
    }
}

// ---- asking mode and the relaunch ------------------------------------------------

// The installed program file is read-only, as from a disc: its copy must
// not be, or the batch could never delete it.
void LayOutAsking(sim::Machine& m) {
    removal_test::LayOutSample(m);
    LayOutUnrelatedKeys(m);
    m.SetModulePath(kGame + "\\Uninstaller.exe");
    m.SetAttributes(kGame + "\\Uninstaller.exe", FILE_ATTRIBUTE_READONLY);
}

bool IsRead(const Fault& f, const std::string& path) {
    return (f.Is("CreateFileA", path) || f.Is("GetFileSize", path) || f.Is("ReadFile", path));
}

bool IsTempName(const std::string& path, const std::string& extension) {
    const std::string folder = "C:\\Temp\\";
    if (!StartsWith(path, folder) || path.size() != folder.size() + 16 + extension.size()) return false;
    for (std::size_t i = folder.size(); i < folder.size() + 16; ++i) {
        if (path[i] < 'a' || path[i] > 'y') return false;
    }
    return EndsWith(path, extension);
}

// A relaunch that started is whole: a hidden batch in the temporary folder,
// run from there, that runs an exact, writable copy of the program on the
// game folder and then deletes the copy and itself.
void ExpectRelaunchStarted(const sim::Machine& m) {
    ASSERT_EQ(m.ShellExecutes().size(), 1u);
    const auto& start = m.ShellExecutes()[0];
    EXPECT_FALSE(start.hasOwner);
    EXPECT_EQ(start.operation, "open");
    EXPECT_TRUE(start.parametersNull);
    EXPECT_EQ(start.showCommand, 0);  // SW_HIDE
    EXPECT_EQ(start.directory, "C:\\Temp");
    const std::string batch = start.file;
    EXPECT_TRUE(IsTempName(batch, ".bat")) << batch;
    std::string copy;
    for (const auto& path : m.ListTree("C:\\Temp")) {
        if (EndsWith(path, ".exe")) copy = path;
    }
    ASSERT_TRUE(IsTempName(copy, ".exe")) << copy;
    EXPECT_EQ(m.FileBytes(copy), m.FileBytes(kGame + "\\Uninstaller.exe"));
    EXPECT_EQ(m.Attributes(copy) & FILE_ATTRIBUTE_READONLY, 0u);
    const std::string expected = "\"" + copy + "\" -F=\"" + kGame + "\"\r\n:loop_setup_exe\r\ndel \"" + copy +
                                 "\"\r\nif exist \"" + copy + "\" goto loop_setup_exe\r\n:loop_batch_file\r\ndel \"" +
                                 batch + "\"\r\nif exist \"" + batch + "\" goto loop_batch_file\r\n";
    EXPECT_EQ(start.fileBytesAtLaunch, expected);
}

// One oracle for both answers, from the outcome: which of the endings the
// run took, that it took it whole, and that the one failed call can explain
// it. A failed call that the run cannot do without must end it; a call that
// may fail unnoticed (the tick count, a search for a free name) must leave
// the run whole.
void AskingOracle(bool answerNo, const Fault& f, const sim::Machine& m, const Outcome& o) {
    ExpectCaptions(m, kUninstallerCaptionBytes);
    const auto& boxes = m.MessageBoxes();
    const bool batchCall = EndsWith(f.call.argument, ".bat");
    // Without its own path the program knows neither where its settings are
    // nor what to copy; without the temporary folder it has nowhere to go.
    const bool mayLoseSettings = f.Is("GetModuleFileNameA") || IsRead(f, kSettingsFile);
    const bool mustLoseSettings = IsRead(f, kSettingsFile);
    const bool mustStop = f.Is("CopyFileA") || f.Is("SetFileAttributesA") || f.Is("ShellExecuteA") ||
                          (batchCall && (f.Is("CreateFileA") || f.Is("WriteFile") || f.Is("CloseHandle")));
    const bool mayStop = mustStop || f.Is("GetModuleFileNameA") || f.Is("GetTempPathA");
    auto expectNothingStarted = [&] {
        EXPECT_TRUE(m.ShellExecutes().empty());
        EXPECT_EQ(o.volumeAfter, o.volumeBefore);
    };

    if (boxes.empty()) {
        // Only a question that could not be shown ends without a box: it is no Yes.
        EXPECT_TRUE(f.Is("MessageBoxA"));
        EXPECT_TRUE(o.result);
        expectNothingStarted();
        return;
    }
    if (StartsWith(boxes[0].text, kSettingsHead) && EndsWith(boxes[0].text, kSettingsTail)) {
        EXPECT_TRUE(mayLoseSettings) << "settings unreadable without a cause";
        const std::string named =
            boxes[0].text.substr(kSettingsHead.size(), boxes[0].text.size() - kSettingsHead.size() - kSettingsTail.size());
        // The path it looked for: beside the program, when it knows where that is.
        if (mustLoseSettings) {
            EXPECT_EQ(named, kSettingsFile);
        }
        EXPECT_TRUE(EndsWith(named, "\\InstallInfo\\Installer.ini")) << named;
        EXPECT_FALSE(o.result);
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].flags, kErrorStyle);
        expectNothingStarted();
        return;
    }
    EXPECT_FALSE(mustLoseSettings) << "a failed read of the settings went unnoticed";
    EXPECT_EQ(boxes[0].text, kQuestionHead + "Game" + kQuestionTail);
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_YESNO));
    if (answerNo) {
        EXPECT_TRUE(o.result);
        EXPECT_EQ(boxes.size(), 1u);
        expectNothingStarted();
        return;
    }
    if (boxes.size() > 1) {
        // The relaunch failed: said so, nothing started, nothing left but in
        // the temporary folder.
        EXPECT_TRUE(mayStop) << "relaunch failed without a cause";
        EXPECT_FALSE(o.result);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, kRunFailed);
        EXPECT_EQ(boxes[1].flags, kErrorStyle);
        EXPECT_TRUE(m.ShellExecutes().empty());
        return;
    }
    EXPECT_FALSE(mustStop) << "a failure the relaunch cannot do without went unnoticed";
    EXPECT_TRUE(o.result);
    ExpectRelaunchStarted(m);
}

// ---- the removal -------------------------------------------------------------------

// A game as installed, and what its uninstall may and must do.
struct RemovalGame {
    std::vector<std::string> listed;    // InstallFiles.ini, as written: the game's own files
    std::vector<std::string> tampered;  // also listed, but leading out of the game folder
    std::vector<std::string> desktopLinks = {"Game"};
    std::vector<std::string> menuLinks = {"Game", "Manual"};
    std::set<std::string> readOnly;    // listed, relative
    std::vector<std::string> later;    // unlisted files the game wrote, relative
    std::string junction;              // relative link to C:\Outside\Data, or ""
    std::vector<std::string> extraFiles;  // listed-only entries that need a file
    bool sharedParentKey = false;

    bool BelowJunction(const std::string& relative) const {
        return !junction.empty() && Below(relative, junction) && !SamePath(relative, junction);
    }
    // Listed files the uninstall is after (not through the link).
    std::vector<std::string> Targets() const {
        std::vector<std::string> out;
        for (const auto& path : listed) {
            if (!BelowJunction(path)) out.push_back(path);
        }
        return out;
    }
    // The folder set: every folder on the way to a file of the game's.
    std::set<std::string> Folders() const {
        std::set<std::string> out;
        for (const auto& path : listed) {
            for (const auto& folder : FoldersOnTheWay(path)) out.insert(Backslashed(folder));
        }
        return out;
    }
};

RemovalGame CleanGame() {
    RemovalGame g;
    for (const auto& entry : removal_test::SampleFiles()) g.listed.push_back(entry.Path);
    return g;
}

// The same game after a while: a file it wrote later, a read-only file, a
// junction planted in its folder, Shift-JIS names with 0x5C trail bytes,
// tampered entries and shortcut names that try to leave, a shared parent key.
RemovalGame GameWithLeftovers() {
    RemovalGame g = CleanGame();
    g.listed.push_back("\x83\x5C\x83\x74\x83\x67\\\x95\x5C.txt");  // ソフト\表.txt
    g.extraFiles.push_back(g.listed.back());
    g.listed.push_back("Data\\Link\\movie.dat");
    g.tampered = {"..\\Other\\Other.exe", "Data\\..\\..\\readme.txt", "C:\\Windows\\system.ini"};
    g.desktopLinks.push_back("..\\Other");
    g.readOnly.insert("Manual.html");
    g.later.push_back("Data\\Sound\\config.sav");
    g.junction = "Data\\Link";
    g.sharedParentKey = true;
    return g;
}

std::string SettingsText(const RemovalGame& g) {
    std::string text =
        "#InstallerSetupFileVersion = 1\n#GameName = \"Game\"\n#Registry = \"SOFTWARE\\Maker\\Game\"\n"
        "#DefaultGameMakerName = \"Maker\"\n#DefaultGameMakerProgramMenuName = \"MakerMenu\"\n"
        "#DefaultGameFolderName = \"Game\"\n#GameExeFileName = \"Game.exe\"\n"
        "#UninstallerExeFileName = \"Uninstaller.exe\"\n";
    for (const auto& link : g.menuLinks) text += "#Shortcut = \"x\", \"" + link + "\"\n";
    for (const auto& link : g.desktopLinks) text += "#DesktopShortcut = \"x\", \"" + link + "\"\n";
    return text;
}

void LayOutRemoval(const RemovalGame& g, sim::Machine& m) {
    removal_test::LayOutSample(m, g.sharedParentKey);
    if (!g.sharedParentKey) {
        for (const auto& path : removal_test::kBystanders) m.AddFile(path, "keep");
    }
    LayOutUnrelatedKeys(m);
    m.AddFile("C:\\Users\\Public\\Other.lnk", "keep");  // where "..\Other" would lead from the desktop
    std::string list = "#InstallerSetupFileVersion = 1\n#InstallFileList {\n";
    for (const auto* paths : {&g.listed, &g.tampered}) {
        for (const auto& path : *paths) list += "\"" + path + "\", 0, 0x1\n";
    }
    m.AddFile(kListFile, list + "}\n");
    m.AddFile(kSettingsFile, SettingsText(g));
    for (const auto& path : g.extraFiles) m.AddFile(kGame + "\\" + path, "bytes");
    for (const auto& path : g.later) m.AddFile(kGame + "\\" + path, "later");
    for (const auto& path : g.readOnly) m.SetAttributes(kGame + "\\" + path, FILE_ATTRIBUTE_READONLY);
    if (!g.junction.empty()) m.AddJunction(kGame + "\\" + g.junction, "C:\\Outside\\Data");
}

std::set<std::string> OwnPaths(const RemovalGame& g) {
    std::set<std::string> own;
    for (const auto& path : {kGame, kRecords, kSettingsFile, kListFile, kRecords + "\\SaveFolderSetting.ini",
                             kDesktop + "\\Game.lnk", kMakerMenu, std::string(removal_test::kMaker)}) {
        own.insert(Upper(path));
    }
    for (const auto& path : g.Targets()) own.insert(Upper(Backslashed(kGame + "\\" + path)));
    for (const auto& folder : g.Folders()) {
        if (!g.junction.empty() && Below(folder, g.junction)) continue;  // the link is not the game's
        own.insert(Upper(kGame + "\\" + folder));
    }
    return own;
}

bool OwnsRemovalKey(const std::string& key) {
    return Below(key, kGameKey) || Below(key, kEntryKey) || SamePath(key, kParentKey);
}

// A failed attributes query of a folder on the way makes the way unknown:
// nothing below it is touched.
bool FailedOnTheWay(const Fault& f, const std::string& base, const std::string& relative) {
    if (!f.Is("GetFileAttributesA")) return false;
    for (const auto& folder : FoldersOnTheWay(relative)) {
        if (SamePath(f.call.argument, base + "\\" + folder)) return true;
    }
    return false;
}

bool IsEmptyFolder(const sim::Machine& m, const std::string& path) {
    return m.IsFolder(path) && m.ListTree(path).empty();
}

// A folder the sequence removes stays only when something is left in it,
// when it is a link, or when the failure explains it.
void ExpectFolderGoneUnless(const sim::Machine& m, const std::string& path, bool explained) {
    if (!m.IsFolder(path) || explained) return;
    EXPECT_FALSE(IsEmptyFolder(m, path) && (m.Attributes(path) & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        << "empty folder stayed: " << path;
}

void RemovalOracle(const RemovalGame& g, const Fault& f, const sim::Machine& m, const Outcome& o) {
    ExpectCaptions(m, kUninstallerCaptionBytes);
    const auto& boxes = m.MessageBoxes();
    if (IsRead(f, kSettingsFile) || IsRead(f, kListFile)) {
        // A record that cannot be read whole: nothing is removed.
        EXPECT_FALSE(o.result);
        EXPECT_EQ(o.volumeAfter, o.volumeBefore);
        EXPECT_EQ(o.keysAfter, o.keysBefore);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kUninstallFailed);
        EXPECT_EQ(boxes[0].flags, kErrorStyle);
        return;
    }

    // The result is the uninstall entry's: only its opening decides.
    const bool entryLost = f.Is("RegCreateKeyExA", kEntryKey);
    EXPECT_EQ(o.result, !entryLost);
    const std::string& last = entryLost ? kUninstallFailed : kUninstallComplete;
    if (f.Is("MessageBoxA") && f.call.argument == last) {
        EXPECT_TRUE(boxes.empty() || boxes.back().text != last);
    } else {
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, last);
        EXPECT_EQ(boxes.back().flags, entryLost ? kErrorStyle : 0u);
    }

    // Files: every contained, listed file goes, unless read-only or its own
    // deletion or the look at its way failed.
    for (const auto& relative : g.Targets()) {
        const std::string path = kGame + "\\" + relative;
        if (g.readOnly.count(relative)) {
            EXPECT_TRUE(m.IsFile(path)) << "read-only file went: " << path;
            continue;
        }
        const bool explained = f.Is("DeleteFileA", path) || FailedOnTheWay(f, kGame, relative);
        if (!explained) {
            EXPECT_FALSE(m.Exists(path)) << "listed file stayed: " << path;
        }
        if (f.Is("DeleteFileA", path)) {
            EXPECT_TRUE(m.IsFile(path)) << path;
        }
    }
    for (const char* name : {"SaveFolderSetting.ini", "Installer.ini", "InstallFiles.ini"}) {
        const std::string path = kRecords + "\\" + name;
        if (!f.Is("DeleteFileA", path) && !f.Is("GetFileAttributesA", kRecords)) {
            EXPECT_FALSE(m.Exists(path)) << "record stayed: " << path;
        }
    }
    const bool noDesktop = f.Is("SHGetSpecialFolderPathA") && f.call.argument == "0x19";
    const bool noMenu = f.Is("SHGetSpecialFolderPathA") && f.call.argument == "0x17";
    {
        const std::string path = kDesktop + "\\Game.lnk";
        if (!noDesktop && !f.Is("FindFirstFileA", path) && !f.Is("DeleteFileA", path)) {
            EXPECT_FALSE(m.Exists(path)) << "shortcut stayed: " << path;
        }
    }
    const bool menuWayUnknown = f.Is("GetFileAttributesA", kMakerMenu) || f.Is("GetFileAttributesA", kGameMenu);
    for (const auto& link : g.menuLinks) {
        const std::string path = kGameMenu + "\\" + link + ".lnk";
        if (!noMenu && !menuWayUnknown && !f.Is("FindFirstFileA", path) && !f.Is("DeleteFileA", path)) {
            EXPECT_FALSE(m.Exists(path)) << "shortcut stayed: " << path;
        }
    }

    // Folders of the list: exactly those that stayed are named, once each
    // (a box that could not be shown excepted), and none stays for nothing.
    std::set<std::string> named;
    for (const auto& box : boxes) {
        if (box.flags != kFolderStyle) continue;
        const std::string folder = FolderOfMessage(box.text);
        ASSERT_FALSE(folder.empty()) << box.text;
        EXPECT_TRUE(named.insert(folder).second) << "named twice: " << folder;
    }
    const std::string lostBox = f.Is("MessageBoxA") ? FolderOfMessage(f.call.argument) : std::string();
    for (const auto& relative : g.Folders()) {
        const std::string path = kGame + "\\" + relative;
        const bool stayed = m.IsFolder(path);
        if (path != lostBox) {
            EXPECT_EQ(named.count(path), stayed ? 1u : 0u) << "folder " << path;
        }
        ExpectFolderGoneUnless(m, path,
                               f.Is("RemoveDirectoryA", path) || f.Is("GetFileAttributesA", path) ||
                                   FailedOnTheWay(f, kGame, relative));
        named.erase(path);
    }
    EXPECT_TRUE(named.empty()) << "message for a folder outside the set: " << *named.begin();
    ExpectFolderGoneUnless(m, kRecords, f.Is("RemoveDirectoryA", kRecords) || f.Is("GetFileAttributesA", kRecords));
    ExpectFolderGoneUnless(m, kGame, f.Is("RemoveDirectoryA", kGame) || f.Is("GetFileAttributesA", kGame));
    ExpectFolderGoneUnless(m, kGameMenu, noMenu || menuWayUnknown || f.Is("RemoveDirectoryA", kGameMenu));
    ExpectFolderGoneUnless(m, kMakerMenu,
                           noMenu || f.Is("GetFileAttributesA", kMakerMenu) || f.Is("RemoveDirectoryA", kMakerMenu));

    // Registry: the game key, its parent when nothing else is in it, and
    // the uninstall entry go, unless the failure is theirs.
    const bool gameKeyStays = f.Is("RegOpenKeyExA", kGameKey) || f.Is("RegDeleteKeyA", kGameKey);
    EXPECT_EQ(m.KeyExists(kGameKey), gameKeyStays);
    if (f.Is("RegOpenKeyExA", kGameKey)) {
        EXPECT_TRUE(m.ValueExists(kGameKey, "InstallPath"));
    }
    const bool parentStays = g.sharedParentKey || gameKeyStays || f.Is("RegOpenKeyExA", kParentKey) ||
                             f.Is("RegEnumKeyExA", kParentKey) || f.Is("RegDeleteKeyA", kParentKey);
    EXPECT_EQ(m.KeyExists(kParentKey), parentStays);
    const bool entryStays = entryLost || f.Is("RegDeleteKeyA", kEntryKey);
    EXPECT_EQ(m.KeyExists(kEntryKey), entryStays);
    if (entryStays) {
        for (const auto& value : kEntryValues) {
            const bool kept = entryLost || (f.Is("RegDeleteValueA", kEntryKey) && f.call.detail == value);
            EXPECT_EQ(m.ValueExists(kEntryKey, value), kept) << value;
        }
    }
}

// ---- the reset tool -----------------------------------------------------------------

const std::string kOrrin = "C:\\Games\\Orrin";
const std::string kOrrinStart = kOrrin + "\\OrrinStart.ini";
const std::string kOrrinInclude = kOrrin + "\\Extra.inc";
const std::string kOrrinOptional = kOrrin + "\\Opt.inn";
const std::string kOrrinSetting = kOrrin + "\\InstallInfo\\SaveFolderSetting.ini";
const std::string kWorkStart = "C:\\Work\\OrrinStart.ini";
// The save-data folder in each place the save root can be.
const std::string kDocumentsSave = "C:\\Users\\Player\\Documents\\Tarnwick\\Orrin\\SaveData";
const std::string kAppDataSave = "C:\\Users\\Player\\AppData\\Roaming\\Tarnwick\\Orrin\\SaveData";
const std::string kBaseSave = kOrrin + "\\Tarnwick\\Orrin\\SaveData";
// The five files the tool resets, written out here, not taken from the tool.
const std::vector<std::string> kConfigFiles = {"3DConfig.vsf", "AFConfig.asd", "MouseCursorSetting.sav",
                                               "Volume.sav", "WindowSetting.sav"};

// Started from another folder; the start-up file includes two more; the
// setting says the application-data folder. Configuration files lie in all
// three places the save root can be, beside save data that must stay.
void LayOutOrrin(sim::Machine& m) {
    prefclear_test::ResetProcessState();
    m.AddFile(kOrrinStart, "GameName = \"Orrin\"\nLoadDLL = { \"Extra.inc\", \"Opt.inn\", \"Sound.dll\" }\n");
    m.AddFile(kOrrinInclude, "ViewWidth = 1024\n");
    m.AddFile(kOrrinOptional, "UseJoypad = true\n");
    m.AddFile(kOrrinSetting, std::string("SFSF\0\0\0\0\x01\0\0\0", 12));
    m.SetModulePath(kOrrin + "\\Prefclear.exe");
    m.AddFolder("C:\\Work");
    m.SetCurrentDirectory("C:\\Work");
    for (const auto& save : {kDocumentsSave, kAppDataSave, kBaseSave}) {
        for (const auto& name : kConfigFiles) m.AddFile(save + "\\" + name, "cfg");
        m.AddFile(save + "\\Save01.sav", "progress");
        m.AddFile(save + "\\Sub\\Volume.sav", "kept");
    }
    m.AddFile("C:\\Users\\Player\\Documents\\Tarnwick\\Other\\SaveData\\Volume.sav", "other");
    LayOutUnrelatedKeys(m);
}

bool RunPrefclear() {
    CApp app;
    const bool result = app.Run();
    prefclear_test::ResetProcessState();
    return result;
}

bool OwnsConfigFile(const std::string& path) {
    if (!Below(path, kDocumentsSave) && !Below(path, kAppDataSave) && !Below(path, kBaseSave)) return false;
    for (const auto& name : kConfigFiles) {
        for (const auto& save : {kDocumentsSave, kAppDataSave, kBaseSave}) {
            if (SamePath(path, save + "\\" + name)) return true;
        }
    }
    return false;
}

void PrefclearOracle(const Fault& f, const sim::Machine& m, const Outcome& o) {
    ExpectCaptions(m, prefclear_test::kCaption);
    const auto& boxes = m.MessageBoxes();
    auto expectNothingDeleted = [&] {
        for (const auto& entry : o.volumeBefore) EXPECT_EQ(o.volumeAfter.count(entry.first), 1u) << entry.first;
    };

    // The start-up file and what it includes: a read that fails names its file.
    std::string unread;
    if (f.Is("GetModuleFileNameA") || f.Is("FindFirstFileA", kOrrinStart)) unread = kWorkStart;
    for (const auto& file : {kOrrinStart, kOrrinInclude, kOrrinOptional}) {
        if (IsRead(f, file) || f.Is("CloseHandle", file)) unread = file;
    }
    if (!unread.empty()) {
        EXPECT_FALSE(o.result);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, prefclear_test::ReadFailed(unread));
        EXPECT_EQ(boxes[0].flags, prefclear_test::kErrorFlags);
        expectNothingDeleted();
        return;
    }
    const std::string question = prefclear_test::kQuestionHead + "Orrin" + prefclear_test::kQuestionTail;
    if (f.Is("MessageBoxA") && f.call.argument == question) {
        // A question that could not be shown is no OK.
        EXPECT_FALSE(o.result);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, prefclear_test::kCancelled);
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK));
        expectNothingDeleted();
        return;
    }
    EXPECT_TRUE(o.result);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, question);
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OKCANCEL));
    if (f.Is("MessageBoxA")) {
        EXPECT_EQ(boxes.size(), 1u);  // the completion box was the one lost
    } else {
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, prefclear_test::kDone);
        EXPECT_EQ(boxes[1].flags, static_cast<UINT>(MB_OK));
    }

    // Where the five files go: the setting's place; the documents folder
    // when the setting cannot be read whole; the game's own folder when the
    // special folder cannot be had. A lost size does not stop whole reads.
    std::string save = kAppDataSave;
    if (f.Is("FindFirstFileA", kOrrinSetting) || f.Is("CreateFileA", kOrrinSetting) ||
        f.Is("ReadFile", kOrrinSetting)) {
        save = kDocumentsSave;
    }
    if (f.Is("SHGetFolderPathA")) save = kBaseSave;
    for (const auto& folder : {kDocumentsSave, kAppDataSave, kBaseSave}) {
        for (const auto& name : kConfigFiles) {
            const std::string path = folder + "\\" + name;
            const bool gone = folder == save && !f.Is("DeleteFileA", path);
            EXPECT_EQ(m.Exists(path), !gone) << path;
        }
    }
}

// ---- the table ------------------------------------------------------------------------

std::vector<Flow> Flows() {
    const std::string removeLine = "-F=\"" + kGame + "\"";
    const std::vector<std::string> removalCalls = {
        "ReadFile",      "DeleteFileA",     "RemoveDirectoryA", "GetFileAttributesA", "FindFirstFileA",
        "Sleep",         "RegOpenKeyExA",   "RegEnumKeyExA",    "RegCreateKeyExA",    "RegDeleteKeyA",
        "RegDeleteValueA", "RegCloseKey",   "SHGetSpecialFolderPathA", "MessageBoxA"};
    auto removal = [removeLine, removalCalls](const char* name, const RemovalGame& g) {
        const std::set<std::string> own = OwnPaths(g);
        return Flow{name,
                    [g](sim::Machine& m) { LayOutRemoval(g, m); },
                    [removeLine] { return RunUninstaller(removeLine); },
                    false,
                    [own](const std::string& p) { return own.count(p) != 0 || Below(p, kGameMenu); },
                    OwnsRemovalKey,
                    [g](const Fault& f, const sim::Machine& m, const Outcome& o) { RemovalOracle(g, f, m, o); },
                    removalCalls};
    };
    return {
        {"asking, No", LayOutAsking, [] { return RunUninstaller(""); }, true,
         [](const std::string&) { return false; }, [](const std::string&) { return false; },
         [](const Fault& f, const sim::Machine& m, const Outcome& o) { AskingOracle(true, f, m, o); },
         {"GetModuleFileNameA", "CreateFileA", "ReadFile", "CloseHandle", "MessageBoxA"}},
        {"asking, Yes + relaunch", LayOutAsking, [] { return RunUninstaller(""); }, false,
         [](const std::string& p) { return Below(p, "C:\\Temp"); }, [](const std::string&) { return false; },
         [](const Fault& f, const sim::Machine& m, const Outcome& o) { AskingOracle(false, f, m, o); },
         {"GetTempPathA", "FindFirstFileA", "CopyFileA", "SetFileAttributesA", "CreateFileA", "WriteFile",
          "CloseHandle", "ShellExecuteA"}},
        removal("removal, clean", CleanGame()),
        removal("removal, leftovers", GameWithLeftovers()),
        {"prefclear", LayOutOrrin, RunPrefclear, false, OwnsConfigFile, [](const std::string&) { return false; },
         PrefclearOracle,
         {"GetCurrentDirectoryA", "GetModuleFileNameA", "SetCurrentDirectoryA", "FindFirstFileA", "CreateFileA",
          "ReadFile", "SHGetFolderPathA", "DeleteFileA", "MessageBoxA"}},
    };
}

using Inject = std::function<void(sim::Machine&)>;
using Check = std::function<void(const sim::Machine&, const Outcome&)>;

// One run of `flow` on a fresh machine with `inject` armed. A flow that
// answers the question No scripts that answer only when its question comes
// first: an error box before it could not take a No.
void RunFlow(const Flow& flow, const Inject& inject, const Check& check) {
    bool scriptNo = false;
    if (flow.answerQuestionNo) {
        sim::Machine probe;
        flow.setUp(probe);
        probe.ClearJournal();
        if (inject) inject(probe);
        (void)flow.run();
        scriptNo = !probe.MessageBoxes().empty() && probe.MessageBoxes()[0].flags == static_cast<UINT>(MB_YESNO);
    }
    sim::Machine m;
    flow.setUp(m);
    if (scriptNo) m.ScriptAnswers({IDNO});
    Outcome o;
    o.volumeBefore = VolumeOf(m);
    o.keysBefore = RegistryOf(m);
    m.ClearJournal();
    if (inject) inject(m);
    o.result = flow.run();
    o.volumeAfter = VolumeOf(m);
    o.keysAfter = RegistryOf(m);
    check(m, o);
}

// What every run keeps, whatever failed. A close that itself fails leaves
// that one handle with the machine: no program can do more than call it.
void ExpectInvariants(const Flow& flow, const Fault& f, const sim::Machine& m, const Outcome& o) {
    EXPECT_LE(m.OpenFileHandles(), f.Is("FindClose") ? 1 : 0);
    EXPECT_LE(m.OpenKeyHandles(), f.Is("RegCloseKey") ? 1 : 0);
    for (const auto& key : o.keysAfter) {
        EXPECT_EQ(o.keysBefore.count(key.first), 1u) << "created key " << key.first;
    }
    for (const auto& key : o.keysBefore) {
        if (flow.ownsKey(key.first)) continue;
        auto after = o.keysAfter.find(key.first);
        EXPECT_TRUE(after != o.keysAfter.end() && after->second == key.second) << "changed key " << key.first;
    }
    // A look that found nothing where a link stands cannot be told from a
    // link planted after it: the one attempt on that folder may drop the
    // link itself, never what lies behind it.
    const bool foundNothing = f.Is("GetFileAttributesA") &&
                              (f.error == ERROR_FILE_NOT_FOUND || f.error == ERROR_PATH_NOT_FOUND);
    for (const auto& entry : o.volumeBefore) {
        if (flow.ownsPath(entry.first)) continue;
        if (foundNothing && entry.first == Upper(f.call.argument) && o.volumeAfter.count(entry.first) == 0) continue;
        auto after = o.volumeAfter.find(entry.first);
        EXPECT_TRUE(after != o.volumeAfter.end() && after->second == entry.second) << "changed " << entry.first;
    }
    for (const auto& entry : o.volumeAfter) {
        if (!flow.ownsPath(entry.first)) {
            EXPECT_EQ(o.volumeBefore.count(entry.first), 1u) << "new " << entry.first;
        }
    }
}

std::vector<sim::JournalEntry> FaultFreeJournal(const Flow& flow) {
    std::vector<sim::JournalEntry> calls;
    RunFlow(flow, nullptr, [&](const sim::Machine& m, const Outcome& o) {
        SCOPED_TRACE(std::string(flow.name) + ", no fault");
        ExpectInvariants(flow, Fault{}, m, o);
        flow.oracle(Fault{}, m, o);
        calls = m.Journal();
    });
    if (std::getenv("HARDENING_JOURNAL") != nullptr) {
        for (const auto& call : calls) {
            std::printf("%s: %s(%s) %s\n", flow.name, call.function.c_str(), call.argument.c_str(),
                        call.detail.c_str());
        }
    }
    for (const auto& function : flow.mustCall) {
        bool made = false;
        for (const auto& call : calls) made = made || call.function == function;
        EXPECT_TRUE(made) << flow.name << " never calls " << function;
    }
    return calls;
}

TEST(FaultMatrix, EveryCallOfEveryFlowFailsInTurn) {
    int total = 0;
    for (const Flow& flow : Flows()) {
        const std::vector<sim::JournalEntry> calls = FaultFreeJournal(flow);
        ASSERT_FALSE(calls.empty()) << flow.name;
        std::map<std::string, int> seen;
        for (const auto& call : calls) {
            const int nth = ++seen[call.function];
            // A denied call, and one that finds nothing there: a check that
            // tells "absent" from "unknown" must be tried both ways.
            for (DWORD error : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}) {
                const Fault f{call, nth, static_cast<DWORD>(error)};
                SCOPED_TRACE(std::string(flow.name) + ": " + call.function + " #" + std::to_string(nth) + " (" +
                             call.argument + ") error " + std::to_string(f.error));
                RunFlow(flow, [&](sim::Machine& m) { m.FailCall(call.function, nth, f.error); },
                        [&](const sim::Machine& m, const Outcome& o) {
                            ExpectInvariants(flow, f, m, o);
                            flow.oracle(f, m, o);
                        });
                if (HasFailure()) return;  // one clear report beats hundreds of echoes
                ++total;
            }
        }
        std::printf("fault matrix: %-24s %3zu calls of %2zu functions, each failed in turn, three ways\n",
                    flow.name, calls.size(), seen.size());
    }
    std::printf("fault matrix: %d single-call faults\n", total);
}

// A read or write that moves fewer bytes than asked is no read or write:
// each is cut short in turn (to nothing, and to one byte less) and must end
// exactly like that call failing.
TEST(FaultMatrix, EveryReadAndWriteCutShortInTurn) {
    int total = 0;
    for (const Flow& flow : Flows()) {
        const std::vector<sim::JournalEntry> calls = FaultFreeJournal(flow);
        std::map<std::string, int> seen;
        for (const auto& call : calls) {
            const int nth = ++seen[call.function];
            const bool write = call.function == "WriteFile";
            if (!write && call.function != "ReadFile") continue;
            const DWORD asked = static_cast<DWORD>(std::strtoul(call.detail.c_str(), nullptr, 10));
            ASSERT_GT(asked, 0u) << flow.name << " " << call.function << " #" << nth;
            for (DWORD cut : std::set<DWORD>{0u, asked - 1}) {
                SCOPED_TRACE(std::string(flow.name) + ": " + call.function + " #" + std::to_string(nth) + " (" +
                             call.argument + ") cut to " + std::to_string(cut) + " of " + std::to_string(asked));
                RunFlow(flow,
                        [&](sim::Machine& m) {
                            if (write) {
                                m.ShortWrite(nth, cut);
                            } else {
                                m.ShortRead(nth, cut);
                            }
                        },
                        [&](const sim::Machine& m, const Outcome& o) {
                            const Fault f{call, nth};
                            ExpectInvariants(flow, f, m, o);
                            flow.oracle(f, m, o);
                        });
                ++total;
                if (HasFailure()) return;
            }
        }
    }
    EXPECT_GE(total, 2 * 7);  // at least the seven lines of the batch
    std::printf("fault matrix: %d short transfers\n", total);
}

}  // namespace
