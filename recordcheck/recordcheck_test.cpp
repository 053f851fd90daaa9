#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/paths.h"
#include "recordcheck/check.h"
#include "recordcheck/cli.h"
#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/installed.h"
#include "recordcheck/language.h"
#include "recordcheck/steps.h"

namespace {

// The tests read the English words, whatever the locale of the machine.
class EnglishLocale : public ::testing::Environment {
public:
    void SetUp() override { setenv("LC_ALL", "C", 1); }
};
::testing::Environment* const kEnglishLocale = ::testing::AddGlobalTestEnvironment(new EnglishLocale);

namespace fs = std::filesystem;
using recordcheck::Report;
using recordcheck::Severity;

// Texts in code page 932, written out here independently of the programs.
const std::string kGameName = "\x95\x5C\x8E\xA6\x83\x54\x83\x93\x83\x76\x83\x8B\x83\x51\x81\x5B\x83\x80";
const std::string kUninstallLink = "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B";
const std::string kPictures = "\x89\xE6\x91\x9C";
const std::string kSounds = "\x89\xB9\x90\xBA";
const std::string kBackground = "\x94\x77\x8C\x69.png";
const std::string kSource = "\x83\x5C\x81\x5B\x83\x58.ogg";
const std::string kDone =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5"
    "\x82\xBD";
const std::string kSettingsHead =
    "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x79";
const std::string kSettingsTail = "\x81\x7A\x0A\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const std::string kUninstallFailed =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5"
    "\x82\xBD";
const std::string kOpen = "\x81\x79\x20";  // "【 "
const std::string kUnknownHead =
    "\x82\x68\x82\x6D\x82\x68\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xC9\x89\xF0\x90\xCD\x95\x73\x94\x5C\x82\xC8\x8B\x4C"
    "\x8D\x86\x81\x79\x20";
const std::string kUnknownTail = "\x20\x81\x7A\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB5\x82\xBD";
const std::string kFolderTail =
    "\x20\x81\x7A\x0A\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xCC\x8D\xED\x8F\x9C\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD";
const std::string kParseErrorTail = "\x20\x81\x7A\x89\xF0\x90\xCD\x83\x47\x83\x89\x81\x5B";
const std::string kReadFailedTail =
    "\x20\x81\x7A\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

const std::string kGame = "C:\\Program Files (x86)\\SampleMaker\\SampleGame";
const std::string kMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\SampleMaker";
constexpr unsigned kFolderStyle = 0x10;  // MB_ICONERROR with OK

// A copy of the sample game, in a folder named SampleGame like the original
// so that the paths the programs show are known, removed afterwards.
class GameCopy {
public:
    GameCopy() {
        static int made = 0;
        root_ = fs::temp_directory_path() / ("recordcheck_test_" + std::to_string(getpid()) + "_" + std::to_string(++made));
        fs::remove_all(root_);
        fs::create_directories(root_);
        fs::copy(RECORDCHECK_SAMPLE, Folder(), fs::copy_options::recursive);
    }
    ~GameCopy() { fs::remove_all(root_); }
    GameCopy(const GameCopy&) = delete;
    GameCopy& operator=(const GameCopy&) = delete;

    fs::path Folder() const { return root_ / "SampleGame"; }
    fs::path Outside() const { return root_ / "outside"; }
    std::string Read(const std::string& relative) const {
        std::ifstream in(Folder() / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& relative, const std::string& bytes) const {
        fs::create_directories((Folder() / relative).parent_path());
        std::ofstream(Folder() / relative, std::ios::binary) << bytes;
    }
    // Replaces the first `from` in a file; the test fails when it is not there.
    void Replace(const std::string& relative, const std::string& from, const std::string& to) const {
        std::string bytes = Read(relative);
        const std::size_t at = bytes.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        Write(relative, bytes.replace(at, from.size(), to));
    }
    // Adds an entry to InstallFiles.ini.
    void List(const std::string& path) const { Replace("InstallInfo/InstallFiles.ini", "}", "\t\"" + path + "\" , 1 , 0x1\r\n}"); }

    Report Check(const std::string& installPath = std::string()) const {
        Report report;
        std::string error;
        recordcheck::CheckOptions options;
        options.hostFolder = Folder().string();
        options.installPath = installPath;
        EXPECT_TRUE(recordcheck::CheckGameFolder(options, report, error)) << error;
        return report;
    }

private:
    fs::path root_;
};

// A step as the tests name it: its kind, its path (below the game folder
// relative to it; keys with HKLM in front), its outcome and its reason.
struct StepView {
    std::string kind;
    std::string path;
    std::string outcome;
    std::string reason;
    bool operator==(const StepView& o) const {
        return kind == o.kind && path == o.path && outcome == o.outcome && reason == o.reason;
    }
};

std::ostream& operator<<(std::ostream& out, const StepView& s) {
    return out << "{" << s.kind << ", " << recordcheck::Utf8FromCp932(s.path) << ", " << s.outcome << ", " << s.reason
               << "}";
}

std::vector<StepView> Steps(const Report& report) {
    std::vector<StepView> steps;
    const std::string prefix = report.gameFolder + "\\";
    for (const auto& step : report.removing.steps) {
        std::string path(step.path);
        if (recordcheck::IsRegistryStep(step.kind)) {
            path = "HKLM\\" + path;
        } else if (path.compare(0, prefix.size(), prefix) == 0) {
            path = path.substr(prefix.size());
        }
        steps.push_back({recordcheck::KindName(step.kind), path, recordcheck::OutcomeName(step.outcome),
                         recordcheck::ReasonName(step.reason)});
    }
    return steps;
}

std::set<std::string> Codes(const Report& report) {
    std::set<std::string> codes;
    for (const auto& finding : report.findings) codes.insert(finding.code);
    return codes;
}

TEST(RecordCheck, TheSampleGameIsCleanAndGoesWholeInTheSequencesOrder) {
    GameCopy game;
    const Report report = game.Check();
    EXPECT_EQ(report.ExitCode(), 0);
    EXPECT_EQ(report.gameFolder, kGame);
    const std::vector<StepView> expected = {
        {"desktop shortcut", "C:\\Users\\Public\\Desktop\\" + kGameName + ".lnk", "removed", ""},
        {"menu shortcut", kMenu + "\\" + kGameName + "\\" + kGameName + ".lnk", "removed", ""},
        {"menu shortcut", kMenu + "\\" + kGameName + "\\" + kUninstallLink + ".lnk", "removed", ""},
        {"game menu folder", kMenu + "\\" + kGameName, "removed", ""},
        {"maker menu folder", kMenu, "removed", ""},
        {"file", "SampleGame.exe", "removed", ""},
        {"file", "Uninstaller.exe", "removed", ""},
        {"file", "Prefclear.exe", "removed", ""},
        {"file", "Movie.dll", "removed", ""},
        {"file", "OrrinStart.ini", "removed", ""},
        {"file", "Option.inc", "removed", ""},
        {"file", "data\\" + kPictures + "\\" + kBackground, "removed", ""},
        {"file", "data\\" + kSounds + "\\" + kSource, "removed", ""},
        {"file", "data\\script.dat", "removed", ""},
        {"folder", "data\\" + kSounds, "removed", ""},
        {"folder", "data\\" + kPictures, "removed", ""},
        {"folder", "data", "removed", ""},
        {"record", "InstallInfo\\SaveFolderSetting.ini", "removed", ""},
        {"record", "InstallInfo\\Installer.ini", "removed", ""},
        {"record", "InstallInfo\\InstallFiles.ini", "removed", ""},
        {"record folder", "InstallInfo", "removed", ""},
        {"game folder", kGame, "removed", ""},
        {"maker folder", "C:\\Program Files (x86)\\SampleMaker", "removed", ""},
        {"game key", "HKLM\\SOFTWARE\\SampleMaker\\SampleGame", "removed", ""},
        {"parent key", "HKLM\\SOFTWARE\\SampleMaker", "removed", ""},
        {"uninstall entry", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame",
         "removed", ""},
    };
    EXPECT_EQ(Steps(report), expected);
    EXPECT_TRUE(report.unlisted.empty());
    EXPECT_TRUE(report.findings.empty());
    ASSERT_FALSE(report.removing.boxes.empty());
    EXPECT_EQ(report.removing.boxes.back().text, kDone);
    EXPECT_EQ(report.removing.exitCode, 0);
    EXPECT_EQ(report.saveFolder, "C:\\Users\\Player\\Documents\\Tarnwick\\" + kGameName + "\\SaveData");
}

// Cases where an account rebuilt from a call journal once disagreed with
// what the Uninstaller does; each row is the real program's verdict.
struct Verdict {
    const char* name;
    std::function<void(const GameCopy&)> plant;
    int exitCode;
    std::vector<StepView> steps;        // among the steps, in this order
    std::set<std::string> codes;        // exactly the findings' codes
};

TEST(RecordCheck, EachCaseGivesTheVerdictOfTheRealProgram) {
    const std::string records = "InstallInfo\\";
    // 200 characters of Shift-JIS in five folders (372 bytes and more): well
    // below the 260 characters the ANSI calls hold.
    std::string longFolder;
    for (int i = 0; i < 5; ++i) {
        longFolder += std::string(i == 0 ? "" : "\\") + [] {
            std::string name;
            for (int k = 0; k < 38; ++k) name += "\x95\x5C";  // 表
            return name;
        }();
    }
    const std::vector<Verdict> verdicts = {
        {"an empty maker menu name: the game's menu folder lies in the program menu",
         [](const GameCopy& g) {
             g.Replace("InstallInfo/Installer.ini", "#DefaultGameMakerProgramMenuName = \"SampleMaker\"",
                       "#DefaultGameMakerProgramMenuName = \"\"");
         },
         0,
         {{"game menu folder", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\" + kGameName, "removed", ""},
          {"maker menu folder", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", "refused",
           "program-menu-itself"},
          {"game folder", kGame, "removed", ""},
          {"game key", "HKLM\\SOFTWARE\\SampleMaker\\SampleGame", "removed", ""}},
         {}},
        {"a shortcut name that ends in .lnk: the Uninstaller looks for .lnk.lnk",
         [](const GameCopy& g) {
             g.Replace("InstallInfo/Installer.ini", "#DesktopShortcut = \"SampleGame.exe\" , \"" + kGameName,
                       "#DesktopShortcut = \"SampleGame.exe\" , \"" + kGameName + ".lnk");
         },
         1, {{"desktop shortcut", "C:\\Users\\Public\\Desktop\\" + kGameName + ".lnk.lnk", "not there", ""}},
         {"RC205"}},
        {"a desktop shortcut name in UTF-8: not the name the installer made",
         [](const GameCopy& g) {
             g.Replace("InstallInfo/Installer.ini", "#DesktopShortcut = \"SampleGame.exe\" , \"" + kGameName,
                       "#DesktopShortcut = \"SampleGame.exe\" , \"\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0");
         },
         1, {{"desktop shortcut", "C:\\Users\\Public\\Desktop\\\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.lnk", "not there", ""}},
         {"RC206"}},
        {"the records listed with the files: they go with the files",
         [](const GameCopy& g) {
             g.List("InstallInfo\\SaveFolderSetting.ini");
             g.List("InstallInfo\\Installer.ini");
             g.List("InstallInfo\\InstallFiles.ini");
         },
         0,
         {{"file", records + "Installer.ini", "removed", ""},
          {"folder", "InstallInfo", "removed", ""},
          {"record", records + "Installer.ini", "not there", "absent-on-the-way"},
          {"record folder", "InstallInfo", "not there", ""},
          {"game folder", kGame, "removed", ""}},
         {}},
        {"a listed file whose folder is absent: not there, and each folder's box",
         [](const GameCopy& g) { g.List("Missing\\Deeper\\x.dat"); }, 1,
         {{"file", "Missing\\Deeper\\x.dat", "not there", "absent-on-the-way"},
          {"folder", "Missing\\Deeper", "not there", "absent-on-the-way"},
          {"folder", "Missing", "not there", ""}},
         {"RC301"}},
        {"a game key written with doubled backslashes: an empty name, not a system key",
         [](const GameCopy& g) {
             g.Replace("InstallInfo/Installer.ini", "\"SOFTWARE\\SampleMaker\\SampleGame\"",
                       "\"SOFTWARE\\\\SampleMaker\\\\SampleGame\"");
         },
         1,
         {{"game key", "HKLM\\SOFTWARE\\\\SampleMaker\\\\SampleGame", "refused", "empty-component"},
          {"uninstall entry", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame",
           "removed", ""}},
         {"RC203"}},
        {"a game key with a leading backslash",
         [](const GameCopy& g) {
             g.Replace("InstallInfo/Installer.ini", "\"SOFTWARE\\SampleMaker", "\"\\SOFTWARE\\SampleMaker");
         },
         1, {{"game key", "HKLM\\\\SOFTWARE\\SampleMaker\\SampleGame", "refused", "empty-component"}}, {"RC203"}},
        {"a listed folder with a separator at its end: named, never deleted as a file",
         [](const GameCopy& g) {
             fs::create_directories(g.Folder() / "Logs");
             g.List("Logs\\");
         },
         1, {{"file", "Logs\\", "refused", "empty-component"}, {"game folder", kGame, "stays", ""}},
         {"RC302"}},
        {"a read-only listed file stays, and its folders with it",
         [](const GameCopy& g) {
             g.Write("ro/readme.txt", "read me");
             fs::permissions(g.Folder() / "ro/readme.txt", fs::perms::owner_read | fs::perms::group_read);
             g.List("ro\\readme.txt");
         },
         1, {{"file", "ro\\readme.txt", "stays", ""}, {"folder", "ro", "stays", ""}, {"game folder", kGame, "stays", ""}},
         {"RC303"}},
        {"a key name the registry cannot hold names no key",
         [](const GameCopy& g) {
             g.Replace("InstallInfo/Installer.ini", "SampleMaker\\SampleGame\"", "SampleMaker\\" + std::string(300, 'x') + "\"");
         },
         1,
         {{"game key", "HKLM\\SOFTWARE\\SampleMaker\\" + std::string(300, 'x'), "not there", ""},
          {"uninstall entry",
           "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_" + std::string(300, 'x'),
           "not there", ""}},
         {"RC212"}},
        {"a file name Shift-JIS cannot hold: no record can name it, and it stays",
         [](const GameCopy& g) { g.Write("a\xC2\xA5.dat", "yen"); }, 1, {{"game folder", kGame, "stays", ""}},
         {"RC403"}},
        {"a Shift-JIS path of 200 characters is within reach of the calls",
         [&](const GameCopy& g) {
             std::string host = recordcheck::Utf8FromCp932(longFolder);
             std::replace(host.begin(), host.end(), '\\', '/');
             g.Write(host + "/x.dat", "data");
             g.List(longFolder + "\\x.dat");
         },
         0, {{"file", longFolder + "\\x.dat", "removed", ""}, {"game folder", kGame, "removed", ""}}, {}},
    };
    for (const Verdict& verdict : verdicts) {
        SCOPED_TRACE(verdict.name);
        GameCopy game;
        verdict.plant(game);
        const Report report = game.Check();
        EXPECT_EQ(report.ExitCode(), verdict.exitCode);
        EXPECT_EQ(Codes(report), verdict.codes);
        const std::vector<StepView> steps = Steps(report);
        auto from = steps.begin();
        for (const StepView& expected : verdict.steps) {
            const auto found = std::find(from, steps.end(), expected);
            EXPECT_NE(found, steps.end()) << expected;
            if (found != steps.end()) from = found + 1;
        }
    }
}

// Records the programs cannot read, or read with a complaint: the code, the
// file, the position of the token at fault (where the test planted it) and
// the box the user sees.
struct RecordFault {
    const char* name;
    std::function<void(const GameCopy&)> plant;
    int exitCode;
    std::string code;
    std::string file;
    std::string plantedAt;  // the offset is where this first stands in the file, plus skip ("": 0)
    std::size_t skip;
    std::string found;
    std::string shows;  // the last box the finding names ("": none)
};

TEST(RecordCheck, ReportsEachRecordFaultWithItsPlaceAndBox) {
    // Without a readable Installer.ini no maker's name places the folder.
    const std::string settingsBox =
        kSettingsHead + "C:\\Program Files (x86)\\SampleGame\\InstallInfo\\Installer.ini" + kSettingsTail;
    const std::vector<RecordFault> faults = {
        {"settings key in another case", [](const GameCopy& g) { g.Replace("InstallInfo/Installer.ini", "#MutexName", "#Mutexname"); },
         2, "RC103", "InstallInfo/Installer.ini", "Mutexname", 0, "Mutexname", settingsBox},
        {"empty settings file", [](const GameCopy& g) { g.Write("InstallInfo/Installer.ini", ""); },
         2, "RC105", "InstallInfo/Installer.ini", "", 0, "", settingsBox},
        {"a string whose closing quote is missing: its own line, not where the reader stops",
         [](const GameCopy& g) { g.Replace("InstallInfo/Installer.ini", "\"SampleGameMutex\"", "\"SampleGameMutex"); },
         2, "RC103", "InstallInfo/Installer.ini", "\"SampleGameMutex", 0, "", settingsBox},
        {"settings saved with a byte-order mark",
         [](const GameCopy& g) { g.Write("InstallInfo/Installer.ini", "\xEF\xBB\xBF" + g.Read("InstallInfo/Installer.ini")); },
         2, "RC104", "InstallInfo/Installer.ini", "", 0, "", settingsBox},
        {"comma between two listed files", [](const GameCopy& g) { g.Replace("InstallInfo/InstallFiles.ini", "0x5a9596fc", "0x5a9596fc ,"); },
         2, "RC103", "InstallInfo/InstallFiles.ini", "0x5a9596fc ,", 11, ",", kUninstallFailed},
        {"list cut off inside a path", [](const GameCopy& g) { g.Replace("InstallInfo/InstallFiles.ini", "}", "\"open"); },
         2, "RC103", "InstallInfo/InstallFiles.ini", "\"open", 0, "", kUninstallFailed},
        {"no list at all", [](const GameCopy& g) { fs::remove(g.Folder() / "InstallInfo/InstallFiles.ini"); },
         2, "RC101", "InstallInfo/InstallFiles.ini", "", 0, "", kUninstallFailed},
        {"start-up value without '='", [](const GameCopy& g) { g.Replace("OrrinStart.ini", "ViewWidth = 800", "ViewWidth 800"); },
         2, "RC501", "OrrinStart.ini", "ViewWidth 800", 10, "800", kOpen + kGame + "\\OrrinStart.ini" + kParseErrorTail},
        {"include that is missing: told at the entry that names it",
         [](const GameCopy& g) { g.Replace("OrrinStart.ini", "Option.inc", "Missing.inc"); },
         2, "RC501", "OrrinStart.ini", "\"Missing.inc", 0, "Missing.inc", kOpen + kGame + "\\Missing.inc" + kReadFailedTail},
        {"start-up key in another case: one finding for the three boxes of its statement",
         [](const GameCopy& g) { g.Replace("Option.inc", "UseJoypad", "useJoypad"); },
         1, "RC502", "Option.inc", "useJoypad", 0, "useJoypad", kUnknownHead + "true" + kUnknownTail},
        {"an include in UTF-16: one finding that says so",
         [](const GameCopy& g) { g.Write("Option.inc", std::string("\xFF\xFEU\0s\0e\0", 8)); },
         2, "RC503", "Option.inc", "", 0, "", ""},
        {"save-folder code out of range",
         [](const GameCopy& g) { g.Write("InstallInfo/SaveFolderSetting.ini", std::string("SFSF\0\0\0\0\x07\0\0\0", 12)); },
         1, "RC504", "InstallInfo/SaveFolderSetting.ini", "\x07", 0, "07 00 00 00", ""},
    };
    for (const RecordFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        GameCopy game;
        fault.plant(game);
        const Report report = game.Check();
        EXPECT_EQ(report.ExitCode(), fault.exitCode);
        ASSERT_FALSE(report.findings.empty());
        const auto& finding = report.findings.front();
        EXPECT_EQ(finding.code, fault.code);
        std::string file = finding.file;
        for (char& c : file) c = c == '\\' ? '/' : c;
        EXPECT_EQ(file, fault.file);
        if (!fault.plantedAt.empty()) {
            const std::string bytes = game.Read(fault.file);
            const std::size_t at = bytes.find(fault.plantedAt) + fault.skip;
            EXPECT_EQ(finding.offset, at);
            EXPECT_EQ(finding.line, static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + at, '\n') + 1));
        }
        EXPECT_EQ(finding.found, fault.found);
        if (!fault.shows.empty()) {
            ASSERT_FALSE(finding.shows.empty());
            EXPECT_EQ(finding.shows.back().text, fault.shows);
        }
        // Nothing is removed from records the Uninstaller cannot read.
        if (fault.exitCode == 2 && fault.file.rfind("InstallInfo", 0) == 0) {
            EXPECT_TRUE(report.removing.steps.empty());
        }
    }
}

// What the folder and the list disagree on: each entry is marked with the
// door's reason, and the check warns.
TEST(RecordCheck, MarksListedEntriesTheUninstallerRefusesOrCannotFind) {
    const struct {
        const char* name;
        std::function<void(const GameCopy&)> plant;
        StepView step;
        std::string code;
    } faults[] = {
        {"listed file missing", [](const GameCopy& g) { fs::remove(g.Folder() / "data/script.dat"); },
         {"file", "data\\script.dat", "not there", ""}, "RC301"},
        {"listed path leaving the folder", [](const GameCopy& g) { g.List("..\\evil.txt"); },
         {"file", "..\\evil.txt", "refused", "dots-component"}, "RC302"},
        {"listed absolute path", [](const GameCopy& g) { g.List("C:\\Windows\\win.ini"); },
         {"file", "C:\\Windows\\win.ini", "refused", "colon"}, "RC302"},
        {"listed path through a link",
         [](const GameCopy& g) {
             fs::create_directories(g.Outside());
             std::ofstream(g.Outside() / "a.txt") << "not the game's";
             fs::create_directory_symlink(g.Outside(), g.Folder() / "linked");
             g.List("linked\\a.txt");
         },
         {"file", "linked\\a.txt", "refused", "link-on-the-way"}, "RC302"},
        {"listed folder", [](const GameCopy& g) { g.List("data"); }, {"file", "data", "stays", ""}, "RC303"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        GameCopy game;
        fault.plant(game);
        const Report report = game.Check();
        EXPECT_EQ(report.ExitCode(), 1);
        const std::vector<StepView> steps = Steps(report);
        EXPECT_NE(std::find(steps.begin(), steps.end(), fault.step), steps.end()) << fault.step;
        EXPECT_EQ(Codes(report).count(fault.code), 1u);
        if (fs::exists(game.Outside())) {
            EXPECT_TRUE(fs::exists(game.Outside() / "a.txt"));
        }
    }
}

TEST(RecordCheck, ListsWhatNoRecordNamesWithTheBoxOfTheFolderItKeeps) {
    GameCopy game;
    game.Write("data/" + std::string("\xE9\x9F\xB3\xE5\xA3\xB0") + "/debug.log", "written later");  // data/音声
    game.Write("Save/save01.dat", "the player's");
    const Report report = game.Check();
    EXPECT_EQ(report.ExitCode(), 1);
    ASSERT_EQ(report.unlisted.size(), 2u);
    EXPECT_EQ(report.unlisted[0].path, "Save\\save01.dat");
    EXPECT_EQ(report.unlisted[0].keeps, "");
    EXPECT_TRUE(report.unlisted[0].shows.empty());
    EXPECT_EQ(report.unlisted[1].path, "data\\" + kSounds + "\\debug.log");
    EXPECT_EQ(report.unlisted[1].keeps, "data\\" + kSounds);
    ASSERT_EQ(report.unlisted[1].shows.size(), 1u);
    EXPECT_EQ(report.unlisted[1].shows[0].text, kOpen + kGame + "\\data\\" + kSounds + kFolderTail);
    EXPECT_EQ(report.unlisted[1].shows[0].flags, kFolderStyle);
}

// Another game of the maker beside this one keeps the maker's folder, menu
// folder and key, exactly as on a player's machine.
TEST(RecordCheck, AnotherGameOfTheMakerKeepsTheMakersFolders) {
    GameCopy game;
    GameCopy other;
    other.Replace("InstallInfo/Installer.ini", "\"SOFTWARE\\SampleMaker\\SampleGame\"", "\"SOFTWARE\\SampleMaker\\Second\"");
    other.Replace("InstallInfo/Installer.ini", "#DefaultGameFolderName = \"SampleGame\"", "#DefaultGameFolderName = \"Second\"");
    other.Replace("InstallInfo/Installer.ini", "#GameName = \"" + kGameName, "#GameName = \"Second");
    other.Replace("InstallInfo/Installer.ini", "#DesktopShortcut = \"SampleGame.exe\" , \"" + kGameName,
                  "#DesktopShortcut = \"SampleGame.exe\" , \"Second");
    Report report;
    std::string error;
    recordcheck::CheckOptions options;
    options.hostFolder = game.Folder().string();
    options.otherGames = {other.Folder().string()};
    ASSERT_TRUE(recordcheck::CheckGameFolder(options, report, error)) << error;
    EXPECT_EQ(report.ExitCode(), 0);
    const std::vector<StepView> steps = Steps(report);
    for (const StepView& expected : std::vector<StepView>{
             {"maker menu folder", kMenu, "stays", ""},
             {"maker folder", "C:\\Program Files (x86)\\SampleMaker", "stays", ""},
             {"parent key", "HKLM\\SOFTWARE\\SampleMaker", "stays", "holds-subkeys"}}) {
        EXPECT_NE(std::find(steps.begin(), steps.end(), expected), steps.end()) << expected;
    }
}

TEST(RecordCheck, CommandLineOutputsAndExitStatus) {
    GameCopy game;
    game.Write("Save/save01.dat", "the player's");
    const std::string folder = game.Folder().string();
    // (JSON is checked against its schema by output_check.py.)
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string printed;  // UTF-8 text the output holds
    } cases[] = {
        {{}, 3, ""},
        {{folder, folder}, 3, ""},
        {{"--install-path", "Games\\SampleGame", folder}, 3, ""},
        // A folder whose name ends in a character whose second byte is 0x5C.
        {{"--install-path", "C:\\Games\\\xE8\xA1\xA8", folder}, 1, "C:\\Games\\\xE8\xA1\xA8"},
        {{"--frobnicate", folder}, 3, ""},
        {{"--format=xml", folder}, 3, ""},
        {{(game.Folder() / "absent").string()}, 3, ""},
        {{"--version"}, 0, "recordcheck 1."},
        {{folder}, 1, "Save\\save01.dat"},
        {{"--format=gcc", folder}, 1, folder + "/Save/save01.dat:1:1: warning: "},
        {{"--quiet", folder}, 1, "RC401 1 "},
        // Keys the installer did not write are not there for the Uninstaller.
        {{"--not-installed", "game-key", folder}, 1, "not there   HKLM\\SOFTWARE\\SampleMaker\\SampleGame  (it is"},
        {{"--not-installed=uninstall-entry", folder}, 1,
         "not there   HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame  (there was none"},
        {{"--not-installed=registry", folder}, 3, ""},
        // Another parent than the maker's name: the maker folder is left alone.
        {{"--install-path=D:\\Games\\Other\\SampleGame", folder}, 1, "its name is not DefaultGameMakerName"},
        // A linter's controls: what fails, what is turned off, what a code means.
        {{"--fail-on=error", folder}, 0, "Result: passes, 1 findings below --fail-on (exit 0)"},
        {{"--fail-on=note", "--disable=RC401", folder}, 0, "Suppressed findings: 1 (1 turned off, 0 in the baseline): RC401 1"},
        {{"--disable=RC401,RC999", folder}, 3, ""},
        {{"--fail-on=fatal", folder}, 3, ""},
        {{"--explain=RC301"}, 0, "How to fix it\n    install the file, or take its entry out of InstallFiles.ini"},
        {{"--explain", "RC999"}, 3, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(recordcheck::RunRecordCheck(c.arguments, out, err), c.status) << err.str();
        EXPECT_NE(out.str().find(c.printed), std::string::npos) << out.str();
        EXPECT_EQ(err.str().empty(), c.status != 3);
    }

    // A baseline named in the settings file above the game folder: what it
    // knows is suppressed, a new finding fails the check.
    const fs::path settings = game.Folder().parent_path() / ".recordcheckrc";
    std::ofstream(settings) << "# this game's settings\nbaseline = known.txt\n";
    std::ostringstream out, err;
    const auto run = [&](std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        arguments.push_back(folder);
        return recordcheck::RunRecordCheck(arguments, out, err);
    };
    game.List("Save\\gone.dat");  // a listed file that is not there: a finding on its line
    EXPECT_EQ(run({"--write-baseline", (game.Folder().parent_path() / "known.txt").string()}), 0) << err.str();
    game.Write("Save/save02.dat", "a new one");
    // A line added above a known finding does not make it new.
    game.Replace("InstallInfo/InstallFiles.ini", "#InstallFileList", "; the list\r\n#InstallFileList");
    EXPECT_EQ(run({"--format=gcc"}), 1) << err.str();
    EXPECT_NE(out.str().find("Save/save02.dat"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Save/save01.dat"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("gone.dat"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("Suppressed findings: 2 (0 turned off, 2 in the baseline)"), std::string::npos) << err.str();
    EXPECT_EQ(run({"--no-config", "--quiet"}), 1);
    EXPECT_NE(out.str().find("RC401 2 "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("RC301 1 "), std::string::npos) << out.str();
    std::ofstream(settings) << "disable = RC401\nfail-on = never\n";
    EXPECT_EQ(run({}), 3);
    EXPECT_NE(err.str().find(".recordcheckrc:2: fail-on takes error, warning or note"), std::string::npos) << err.str();
}

// A maker acts on the fix line: each cause is told once, with what to change
// for it, in the words --format=gcc prints (and, for a command line that
// cannot run, on standard error).
struct Told {
    const char* name;
    std::function<void(const GameCopy&)> plant;
    // Before the folder; "OTHER": the other game's folder, "NOFOLDER": none after them.
    std::vector<std::string> options;
    int status;
    std::vector<std::string> said;     // each is printed
    std::vector<std::string> unsaid;   // none is
    std::string once = "";             // printed exactly once
};

// Another game of the maker, in the copy's outside folder: the sample
// renamed Second, with `registry` and a desktop shortcut named `desktop`.
void PlantOther(const GameCopy& g, const std::string& registry, const std::string& desktop) {
    const fs::path other = g.Outside() / "Second";
    fs::create_directories(g.Outside());
    fs::copy(RECORDCHECK_SAMPLE, other, fs::copy_options::recursive);
    std::ifstream in(other / "InstallInfo/Installer.ini", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"SOFTWARE\\SampleMaker\\SampleGame", registry},
             {"#DefaultGameFolderName = \"SampleGame\"", "#DefaultGameFolderName = \"Second\""},
             {"#GameName = \"" + kGameName, "#GameName = \"Second"},
             {"#DesktopShortcut = \"SampleGame.exe\" , \"" + kGameName, "#DesktopShortcut = \"x\" , \"" + desktop}}) {
        bytes.replace(bytes.find(from), from.size(), to);
    }
    std::ofstream(other / "InstallInfo/Installer.ini", std::ios::binary) << bytes;
}

TEST(RecordCheck, TellsEachCauseOnceWithTheFixThatFitsIt) {
    const std::string list = "InstallInfo/InstallFiles.ini";
    const std::string settings = "InstallInfo/Installer.ini";
    const std::string gameNameUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";  // 表示
    const auto entry = [](const std::string& path) { return "\"" + path + "\" , 1 , 0x1 \"SampleGame.exe\""; };
    const std::vector<Told> cases = {
        // Verdicts.
        {"a UTF-8 OrrinStart.ini", [&](const GameCopy& g) { g.Replace("OrrinStart.ini", kGameName, gameNameUtf8); },
         {}, 1, {"/OrrinStart.ini:1:1: warning: the file is UTF-8", "[RC503]"}, {}},
        {"another game's entry and desktop shortcut",
         [&](const GameCopy& g) { PlantOther(g, "SOFTWARE\\Other\\SampleGame", kGameName); }, {"--other-game", "OTHER"},
         1, {"give the games different last parts of Registry", "give the desktop shortcut a name of its own"}, {}},
        // Accounts.
        {"an uninstall entry name longer than the registry allows",
         [&](const GameCopy& g) { g.Replace(settings, "SampleMaker\\SampleGame\"", "SampleMaker\\" + std::string(250, 'k') + "\""); },
         {}, 1, {"shorten the last part of Registry"}, {"administrator"}},
        {"an include in a subfolder, named on this machine",
         [](const GameCopy& g) {
             g.Write("conf/Option.inc", g.Read("Option.inc"));
             g.Replace("conf/Option.inc", "UseJoypad", "useJoypad");
             g.Replace("OrrinStart.ini", "\"Option.inc\"", "\"conf\\Option.inc\"");
         },
         {}, 1, {"SampleGame/conf/Option.inc:3:1: warning:"}, {"Program Files"}},
        {"a record that stays", [](const GameCopy& g) { fs::permissions(g.Folder() / "InstallInfo/Installer.ini", fs::perms::owner_read); },
         {}, 1, {"[RC305]"}, {"[RC401]"}},
        {"a folder's finding at an entry the Uninstaller takes, not one it refuses",
         [&](const GameCopy& g) {
             g.Write("data/extra.txt", "x");
             g.Replace(list, "\"SampleGame.exe\"", "\"data\\..\\data\\x.txt\" , 1 , 0x1 " + entry("Data\\extra.txt"));
         },
         {}, 1, {"InstallFiles.ini:10:2: warning: \"data\": the list names this folder as Data too", "write the folder as Data"}, {}},
        {"the include cap", [](const GameCopy& g) {
             for (int i = 0; i < 12; ++i) {
                 g.Write("i" + std::to_string(i) + ".inc", "LoadDLL = { \"i" + std::to_string(i + 1) + ".inc\", \"i" + std::to_string(i + 1) + ".inc\" }\n");
             }
             g.Replace("OrrinStart.ini", "\"Option.inc\"", "\"i0.inc\"");
         },
         {}, 2, {"more than 1,024 files"}, {"loop"}},
        {"an include naming a device", [](const GameCopy& g) { g.Replace("OrrinStart.ini", "\"Option.inc\"", "\"NUL.inc\""); },
         {}, 2, {"NUL.inc names a device"}, {"missing"}},
        {"an uninstall entry with a subkey",
         [&](const GameCopy& g) { PlantOther(g, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame\\Sub", "Second"); },
         {"--other-game", "OTHER"}, 1, {"the uninstall entry stays", "write no subkeys below the uninstall entry"}, {}},
        {"no Prefclear shipped", [&](const GameCopy& g) {
             fs::remove(g.Folder() / "Prefclear.exe");
             g.Replace(list, "\"Prefclear.exe\" , 61 , 0xf3ceacda", "");
             g.Replace("OrrinStart.ini", "ViewWidth = 800", "ViewWidth 800");
         },
         {}, 0, {"OrrinStart.ini:3:11: note: \"800\": ViewWidth is not followed by ="}, {}},
        // One fix for each cause of a grammar fault.
        {"a comma between entries", [](const GameCopy& g) { g.Replace("InstallInfo/InstallFiles.ini", "0x5a9596fc", "0x5a9596fc ,"); },
         {}, 2, {"remove the comma"}, {"as the guide shows"}},
        {"a key in another case", [&](const GameCopy& g) { g.Replace(settings, "#Registry", "#registry"); }, {}, 2, {"write Registry"}, {}},
        {"hexadecimal with an upper-case X", [&](const GameCopy& g) { g.Replace(list, "0x5a9596fc", "0X5a9596fc"); }, {}, 2,
         {"lower-case 0x"}, {}},
        {"an escaped quote", [&](const GameCopy& g) { g.Replace(settings, "\"SampleGameMutex\"", "\"Sample\\\"Game\\\"Mutex\""); }, {},
         2, {"strings have no escapes"}, {}},
        {"a ';' comment at the end without a line feed",
         [&](const GameCopy& g) { g.Write(settings, g.Read(settings) + "; end"); }, {}, 2, {"end the file with a line feed"}, {}},
        {"Japanese text without quotes",
         [&](const GameCopy& g) { g.Replace(settings, "\"" + kGameName + "\"", kGameName); }, {}, 2, {"put the text in double quotes"}, {}},
        {"a missing include", [](const GameCopy& g) { g.Replace("OrrinStart.ini", "Option.inc", "Sub.inc"); }, {}, 2,
         {"ship Sub.inc, or take it out of LoadDLL"}, {}},
        // One fix for each reason an entry is refused.
        {"'..'", [&](const GameCopy& g) { g.Replace(list, "\"SampleGame.exe\"", entry("..\\evil.txt")); }, {}, 1, {"without '..'"}, {}},
        {"a drive", [&](const GameCopy& g) { g.Replace(list, "\"SampleGame.exe\"", entry("C:\\x.txt")); }, {}, 1, {"without a drive"}, {}},
        {"a wildcard", [&](const GameCopy& g) { g.Replace(list, "\"SampleGame.exe\"", entry("data\\*.dat")); }, {}, 1, {"without * or ?"}, {}},
        {"a device", [&](const GameCopy& g) { g.Replace(list, "\"SampleGame.exe\"", entry("data\\CON.txt")); }, {}, 1,
         {"devices to Windows"}, {}},
        {"a folder", [&](const GameCopy& g) {
             g.Write("Logs/x.log", "x");
             g.Replace(list, "\"SampleGame.exe\"", entry("Logs\\"));
         },
         {}, 1, {"list the files in the folder, not the folder"}, {}},
        {"a folder that is not there", [&](const GameCopy& g) { g.Replace(list, "\"SampleGame.exe\"", entry("Missing\\Deeper\\x.dat")); },
         {}, 1, {"the folder Missing is not in the game folder"}, {"[RC304]"}},
        // What stays unlisted, each with its own fix.
        {"an empty folder", [](const GameCopy& g) { fs::create_directories(g.Folder() / "Logs"); }, {}, 1,
         {"an empty folder no record can list"}, {"list the file"}},
        {"a link", [](const GameCopy& g) {
             fs::create_directories(g.Outside());
             fs::create_directory_symlink(g.Outside(), g.Folder() / "linked");
         },
         {}, 1, {"install no link into the game folder"}, {"list the file"}},
        {"a file listed with a doubled backslash", [&](const GameCopy& g) { g.Replace(list, "data\\script.dat", "data\\\\script.dat"); },
         {}, 1, {"write one backslash between names"}, {"data/script.dat:1:1"}},
        {"a list in UTF-8", [&](const GameCopy& g) {
             g.Replace(list, "data\\" + kPictures + "\\" + kBackground, "data\\\xE7\x94\xBB\xE5\x83\x8F\\\xE8\x83\x8C\xE6\x99\xAF.png");
             g.Replace(list, "data\\" + kSounds + "\\" + kSource, "data\\\xE9\x9F\xB3\xE5\xA3\xB0\\\xE3\x82\xBD\xE3\x83\xBC\xE3\x82\xB9.ogg");
         },
         {}, 1, {"[RC104]"}, {"[RC401]", "[RC301]"}},
        {"save data in the game folder", [](const GameCopy& g) {
             g.Write("InstallInfo/SaveFolderSetting.ini", std::string("SFSF\0\0\0\0\2\0\0\0", 12));
             g.Write("SaveData/save01.dat", "saved");
         },
         {}, 0, {"SampleGame/SaveData/save01.dat:1:1: note:", "stays by design"}, {}},
        // Reasons that said something else.
        {"a path beyond 259 characters, one finding", [&](const GameCopy& g) {
             std::string folder = "deep";
             for (int i = 0; i < 7; ++i) folder += "/" + std::string(38, 'd');
             g.Write(folder + "/x.dat", "x");
             std::replace(folder.begin(), folder.end(), '/', '\\');
             g.Replace(list, "\"SampleGame.exe\"", entry(folder + "\\x.dat"));
         },
         {}, 1, {}, {"[RC302]", "[RC304]", "[RC401]", "[RC402]"}, "[RC406]"},
        {"a listed link", [&](const GameCopy& g) {
             fs::create_directories(g.Outside());
             fs::create_directory_symlink(g.Outside(), g.Folder() / "linked");
             g.Replace(list, "\"SampleGame.exe\"", entry("linked"));
         },
         {}, 1, {"a link: the Uninstaller never removes one"}, {}},
        {"device names and names Windows changes", [](const GameCopy& g) {
             for (const char* name : {"CON.txt", "aux.dat", "trail.", "back\\slash.txt"}) g.Write(name, "x");
         },
         {}, 1, {"SampleGame/CON.txt:1:1: warning:", "SampleGame/aux.dat:1:1", "SampleGame/trail.:1:1", "SampleGame/back\\slash.txt:1:1"}, {}},
        {"an empty GameName", [&](const GameCopy& g) { g.Replace(settings, "#GameName = \"" + kGameName + "\"", "#GameName = \"\""); },
         {}, 1, {"program-menu shortcuts your installer made stay"}, {"[RC209]"}},
        {"a shortcut name ending in .lnk", [&](const GameCopy& g) { g.Replace(settings, kUninstallLink + "\"", kUninstallLink + ".lnk\""); },
         {}, 1, {"your installer made stays"}, {}},
        {"a desktop shortcut name in UTF-8", [&](const GameCopy& g) { g.Replace(settings, "\" , \"" + kGameName, "\" , \"" + gameNameUtf8); },
         {}, 1, {"your installer made stays"}, {}},
        {"no #Registry", [&](const GameCopy& g) { g.Replace(settings, "#Registry", "//Registry"); }, {}, 1,
         {"the game's real entry is not found"}, {}},
        {"UninstallerExeFileName naming another file", [&](const GameCopy& g) {
             g.Replace(settings, "#UninstallerExeFileName = \"Uninstaller.exe\"", "#UninstallerExeFileName = \"Uninst.exe\"");
         },
         {}, 1, {"set #UninstallerExeFileName to \"Uninstaller.exe\""}, {"install Uninstaller.exe"}},
        {"a shortcut name that is not Shift-JIS, one finding", [&](const GameCopy& g) { g.Replace(settings, "\" , \"" + kGameName, "\" , \"a\x81\x20"); },
         {}, 1, {}, {"[RC207]"}, "[RC206]"},
        {"values cut at a NUL byte", [&](const GameCopy& g) {
             g.Replace(list, "\"SampleGame.exe\"", std::string("\"SampleGame.exe\0.bak\"", 21));
             g.Replace("OrrinStart.ini", "\"SaveData\"", std::string("\"Save\0Data\"", 11));
         },
         {}, 1, {"InstallFiles.ini:4:2: warning:", "OrrinStart.ini:5:14: warning: SaveFolder holds a NUL byte"}, {}},
        {"a list of NUL bytes", [&](const GameCopy& g) { g.Write(list, std::string(300, '\0')); }, {}, 1, {"the file holds 300 NUL bytes"}, {}},
        // Places.
        {"'..' in SaveFolder, at its line, behind a missing include", [](const GameCopy& g) {
             g.Replace("OrrinStart.ini", "\"SaveData\"", "\"..\\x\"");
             g.Replace("OrrinStart.ini", "Option.inc", "Sub.inc");
         },
         {}, 2, {"OrrinStart.ini:6:26: error: \"Sub.inc\"", "OrrinStart.ini:5:1: error: SaveFolder holds a '..'"}, {}},
        {"columns in characters", [&](const GameCopy& g) { g.Replace("OrrinStart.ini", "\r\nViewWidth = 800", " ViewWidth 800"); },
         {}, 2, {"OrrinStart.ini:2:34: error:"}, {}},
        // The command line.
        {"a maker folder in another case", [](const GameCopy&) {}, {"--install-path", "D:\\Games\\samplemaker\\SampleGame"}, 1,
         {"install into a folder named exactly SampleMaker"}, {}},
        {"an install path with slashes", [](const GameCopy&) {}, {"--install-path", "D:/Games/SampleGame"}, 3,
         {"write backslashes, as Windows does: 'D:\\Games\\SampleGame'"}, {}},
        {"two outputs", [](const GameCopy&) {}, {"--quiet", "--json"}, 3, {"give one", "\"exit_code\": 3"}, {}},
        {"-- ends the options", [](const GameCopy&) {}, {"--"}, 0, {}, {}},
        {"a game folder that is not there", [](const GameCopy&) {}, {"--", "--absent", "NOFOLDER"}, 3, {"no such folder: --absent"},
         {"usage"}},
    };
    for (const Told& c : cases) {
        SCOPED_TRACE(c.name);
        GameCopy game;
        c.plant(game);
        std::vector<std::string> arguments{"--format=gcc"};
        for (const std::string& option : c.options) {
            if (option != "NOFOLDER") arguments.push_back(option == "OTHER" ? (game.Outside() / "Second").string() : option);
        }
        if (std::find(c.options.begin(), c.options.end(), "--json") != c.options.end()) arguments.erase(arguments.begin());
        if (std::find(c.options.begin(), c.options.end(), "NOFOLDER") == c.options.end()) {
            arguments.push_back(game.Folder().string());
        }
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(recordcheck::RunRecordCheck(arguments, out, err), c.status) << out.str() << err.str();
        const std::string printed = out.str() + err.str();
        for (const std::string& said : c.said) EXPECT_NE(printed.find(said), std::string::npos) << said << "\n" << printed;
        for (const std::string& unsaid : c.unsaid) EXPECT_EQ(printed.find(unsaid), std::string::npos) << unsaid << "\n" << printed;
        if (!c.once.empty()) {
            const std::size_t first = printed.find(c.once);
            EXPECT_NE(first, std::string::npos) << printed;
            EXPECT_EQ(printed.find(c.once, first + 1), std::string::npos) << printed;
        }
        // The same in Japanese: the same verdict, and no English words in
        // what the report says (the refusals of a command line stay English).
        if (c.status == 3) continue;
        arguments.insert(arguments.begin(), "--lang=ja");
        std::ostringstream japanese;
        EXPECT_EQ(recordcheck::RunRecordCheck(arguments, japanese, err), c.status);
        for (const char* english : {" the ", "the ", " is ", " not ", " and ", " of ", " fix:", "found "}) {
            EXPECT_EQ(japanese.str().find(english), std::string::npos) << english << "\n" << japanese.str();
        }
    }
}

// Every text a maker reads exists in both languages, the Japanese in UTF-8
// with the same arguments as the English.
TEST(RecordCheckFindings, EveryMessageIsInBothLanguages) {
    using recordcheck::Words;
    const auto placeholders = [](const std::string& text) {
        std::multiset<std::string> found;
        for (std::size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1)) {
            if (at + 2 < text.size() && text[at + 2] == '}' && text[at + 1] >= '1' && text[at + 1] <= '9') {
                found.insert(text.substr(at, 3));
            }
        }
        return std::set<std::string>(found.begin(), found.end());
    };
    const auto check = [&](const Words& words, const std::string& what) {
        SCOPED_TRACE(what + ": " + words.en);
        const std::string en = words.en;
        const std::string ja = words.ja;
        EXPECT_EQ(placeholders(en), placeholders(ja)) << ja;
        // Texts that are only arguments need no words of their own.
        std::string bare = en;
        for (const std::string& p : placeholders(en)) {
            for (std::size_t at = bare.find(p); at != std::string::npos; at = bare.find(p)) bare.erase(at, p.size());
        }
        if (bare.empty()) return;
        EXPECT_TRUE(std::all_of(en.begin(), en.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
        EXPECT_TRUE(recordcheck::IsUtf8(ja)) << "not UTF-8";
        EXPECT_TRUE(std::any_of(ja.begin(), ja.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            << "no Japanese: " << ja;
    };
    for (std::size_t i = 0; i < recordcheck::kFindingKindCount; ++i) {
        const recordcheck::FindingKind& kind = *recordcheck::kAllFindingKinds[i];
        check(kind.title, kind.code);
        check(kind.fix, kind.code);
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(recordcheck::Cause::Count); ++i) {
        const recordcheck::CauseText& text = recordcheck::TextOf(static_cast<recordcheck::Cause>(i));
        EXPECT_EQ(static_cast<std::size_t>(text.cause), i);
        check(text.problem, "cause " + std::to_string(i));
        check(text.fix, "cause " + std::to_string(i));
    }
    for (int kind = 0; kind <= static_cast<int>(StepKind::ConfigFile); ++kind) check(recordcheck::KindWords(StepKind(kind)), "step");
    for (int outcome = 0; outcome <= static_cast<int>(StepOutcome::NotThere); ++outcome) {
        check(recordcheck::OutcomeWords(StepOutcome(outcome)), "outcome");
    }
    // What a step says of itself, for every reason a step may have.
    for (int reason = 1; reason <= static_cast<int>(StepReason::HoldsSubkeys); ++reason) {
        recordcheck::Step step;
        step.outcome = StepOutcome::Refused;
        step.reason = StepReason(reason);
        const std::string en = recordcheck::DescribeStep(step, recordcheck::Language::English);
        check({en.c_str(), recordcheck::DescribeStep(step, recordcheck::Language::Japanese).c_str()}, "reason");
        EXPECT_FALSE(en.empty()) << reason;
    }
}

// The language: --lang, else the locale as the C library takes it.
TEST(RecordCheckFindings, TakesTheLanguageOfTheLocale) {
    using recordcheck::Language;
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        Language language;
    } cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        {nullptr, nullptr, "ja", Language::Japanese},
        {nullptr, nullptr, "en_US.UTF-8", Language::English},
        {nullptr, nullptr, nullptr, Language::English},
        {"C", nullptr, "ja_JP.UTF-8", Language::English},       // LC_ALL first
        {"", "ja_JP.eucJP", "en_US.UTF-8", Language::Japanese},  // an empty one is not set
        {nullptr, "C.UTF-8", "ja_JP.UTF-8", Language::English},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(recordcheck::LanguageOfEnvironment(c.lcAll, c.lcMessages, c.lang), c.language)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
    }
    GameCopy game;
    game.Write("Save/save01.dat", "the player's");
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    std::ostringstream japanese, english, err;
    (void)recordcheck::RunRecordCheck({"--not-installed=game-key", game.Folder().string()}, japanese, err);
    (void)recordcheck::RunRecordCheck({"--quiet", "--lang=en", game.Folder().string()}, english, err);
    setenv("LC_ALL", "C", 1);
    EXPECT_NE(japanese.str().find("\xE7\xB5\x90\xE6\x9E\x9C: "), std::string::npos) << japanese.str();  // 結果
    EXPECT_NE(english.str().find("Result: warnings"), std::string::npos) << english.str();
    // The whole report in Japanese: headings, placement, steps, findings.
    for (const char* word : {" the ", " is ", " not ", " and ", " of ", "removed", "stays", "Result", "fix:"}) {
        EXPECT_EQ(japanese.str().find(word), std::string::npos) << word << "\n" << japanese.str();
    }
}

// A Windows machine with the sample game installed, as recordcheck.exe
// reads it: keys per registry view, and the files and folders outside the
// game folder. Each case changes it one way.
class InstalledSample : public recordcheck::InstalledMachine {
public:
    using View = recordcheck::RegistryView;
    InstalledSample() {
        const std::string uninstaller = "\"" + kGame + "\\Uninstaller.exe\"";
        keys[View::Bits32] = {
            {"SOFTWARE\\SampleMaker", {}},
            {"SOFTWARE\\SampleMaker\\SampleGame", {{"InstallPath", REG_SZ, kGame + '\0'}}},
            {kEntry, {{"DisplayName", REG_SZ, kGameName + '\0'}, {"UninstallString", REG_SZ, uninstaller + '\0'}}}};
        for (const std::string& file :
             {kDesktop + "\\" + kGameName + ".lnk", kMenu + "\\" + kGameName + "\\" + kGameName + ".lnk",
              kMenu + "\\" + kGameName + "\\" + kUninstallLink + ".lnk"}) {
            files.insert(file);
        }
    }
    std::vector<recordcheck::InstalledKey> ReadKeyTree(View view, const std::string& path, bool deep) const override {
        std::vector<recordcheck::InstalledKey> found;
        for (const auto& key : keys.at(view)) {
            const bool below = key.path.compare(0, path.size() + 1, path + "\\") == 0;
            if (key.path == path || (below && deep)) found.push_back(key);
            if (below && !deep && GetParentPath(key.path) == path) found.push_back({key.path, {}});
        }
        if (!found.empty() && found.front().path != path) found.clear();
        return found;
    }
    std::string SpecialFolder(int csidl) const override {
        return csidl == CSIDL_COMMON_DESKTOPDIRECTORY ? kDesktop
               : csidl == CSIDL_DESKTOPDIRECTORY      ? "C:\\Users\\Player\\Desktop"
               : csidl == CSIDL_COMMON_PROGRAMS       ? kMenu.substr(0, kMenu.rfind('\\'))
               : csidl == CSIDL_PROGRAMS              ? "C:\\Users\\Player\\Programs"
                                                      : std::string();
    }
    bool List(const std::string& folder, std::vector<recordcheck::InstalledEntry>& entries) const override {
        std::set<std::pair<std::string, bool>> found;
        for (const std::string& file : files) {
            for (std::string child = file; !child.empty(); child = GetParentPath(child)) {
                if (GetParentPath(child) == folder) found.insert({GetLastComponent(child), child != file});
            }
        }
        for (const auto& [name, isFolder] : found) entries.push_back({name, isFolder});
        return true;
    }
    bool Exists(const std::string& path) const override {
        for (const std::string& file : files) {
            if (file == path || file.compare(0, path.size() + 1, path + "\\") == 0) return true;
        }
        return false;
    }

    static inline const std::string kDesktop = "C:\\Users\\Public\\Desktop";
    static inline const std::string kEntry =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame";
    std::map<View, std::vector<recordcheck::InstalledKey>> keys{{View::Bits32, {}}, {View::Bits64, {}}};
    std::set<std::string> files;
};

TEST(RecordCheck, OnWindowsTellsWhatTheInstallationHoldsWhereTheUninstallerLooks) {
    using View = recordcheck::RegistryView;
    using recordcheck::Cause;
    const std::string menuLink = kMenu + "\\" + kGameName + "\\" + kGameName + ".lnk";
    struct Case {
        const char* name;
        std::function<void(InstalledSample&)> change;
        int exitCode;
        std::set<Cause> causes;
        std::vector<StepView> steps;  // among the steps, in this order
    };
    const std::vector<Case> cases = {
        {"as installed", [](InstalledSample&) {}, 0, {},
         {{"desktop shortcut", InstalledSample::kDesktop + "\\" + kGameName + ".lnk", "removed", ""},
          {"maker menu folder", kMenu, "removed", ""},
          {"maker folder", "C:\\Program Files (x86)\\SampleMaker", "removed", ""},
          {"parent key", "HKLM\\SOFTWARE\\SampleMaker", "removed", ""}}},
        {"game key only in the 64-bit view",
         [](InstalledSample& m) { m.keys[View::Bits64].push_back(m.keys[View::Bits32][1]); m.keys[View::Bits32].erase(m.keys[View::Bits32].begin(), m.keys[View::Bits32].begin() + 2); },
         2, {Cause::GameKeyOnly64}, {{"game key", "HKLM\\SOFTWARE\\SampleMaker\\SampleGame", "not there", ""}}},
        {"entry only in the 64-bit view",
         [](InstalledSample& m) { m.keys[View::Bits64].push_back(m.keys[View::Bits32][2]); m.keys[View::Bits32].pop_back(); },
         2, {Cause::EntryOnly64}, {}},
        {"entry in neither view", [](InstalledSample& m) { m.keys[View::Bits32].pop_back(); }, 1,
         {Cause::EntryNotInstalled}, {}},
        {"UninstallString starts another program",
         [](InstalledSample& m) { m.keys[View::Bits32][2].values[1].data = std::string("C:\\Other\\unins000.exe") + '\0'; },
         2, {Cause::UninstallStringOther}, {}},
        {"UninstallString unquoted",
         [](InstalledSample& m) { m.keys[View::Bits32][2].values[1].data = kGame + "\\uninstaller.exe" + '\0'; }, 2,
         {Cause::UninstallStringUnquoted}, {}},
        {"UninstallString quoted, with an argument",
         [](InstalledSample& m) { m.keys[View::Bits32][2].values[1].data = "\"" + kGame + "\\Uninstaller.exe\" /x" + '\0'; },
         0, {}, {}},
        {"desktop shortcut missing",
         [](InstalledSample& m) { m.files.erase(InstalledSample::kDesktop + "\\" + kGameName + ".lnk"); }, 1,
         {Cause::ShortcutMissing}, {{"desktop shortcut", InstalledSample::kDesktop + "\\" + kGameName + ".lnk", "not there", ""}}},
        {"menu shortcut made for this user only",
         [&](InstalledSample& m) {
             m.files.erase(menuLink);
             m.files.insert("C:\\Users\\Player\\Programs\\SampleMaker\\" + kGameName + "\\" + kGameName + ".lnk");
         },
         1, {Cause::ShortcutElsewhere}, {}},
        {"another game of the maker beside it",
         [](InstalledSample& m) {
             m.files.insert(kMenu + "\\Second\\Second.lnk");
             m.files.insert("C:\\Program Files (x86)\\SampleMaker\\Second\\Second.exe");
             m.keys[View::Bits32].push_back({"SOFTWARE\\SampleMaker\\Second", {}});
         },
         0, {},
         {{"maker menu folder", kMenu, "stays", ""},
          {"maker folder", "C:\\Program Files (x86)\\SampleMaker", "stays", ""},
          {"parent key", "HKLM\\SOFTWARE\\SampleMaker", "stays", "holds-subkeys"}}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        InstalledSample machine;
        test.change(machine);
        GameCopy game;
        Report report;
        std::string error;
        recordcheck::CheckOptions options;
        options.hostFolder = game.Folder().string();
        options.installPath = kGame;
        options.installed = &machine;
        ASSERT_TRUE(recordcheck::CheckGameFolder(options, report, error)) << error;
        std::set<Cause> causes;
        for (const auto& finding : report.findings) causes.insert(finding.cause);
        EXPECT_EQ(causes, test.causes);
        EXPECT_EQ(report.ExitCode(), test.exitCode);
        const std::vector<StepView> steps = Steps(report);
        auto at = steps.begin();
        for (const StepView& step : test.steps) {
            at = std::find(at, steps.end(), step);
            EXPECT_NE(at, steps.end()) << step;
        }
    }
}

// The guide's table of codes is the program's: every kind with its severity
// and words, in code order, linked to its page as --explain prints it.
TEST(RecordCheckFindings, TheGuideListsEveryCode) {
    std::ifstream in(fs::path(RECORDCHECK_SAMPLE).parent_path().parent_path().parent_path() / "docs" / "makers.md");
    const std::string guide((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t last[2] = {0, 0};  // the table's rows, and the pages below it, in code order
    for (std::size_t i = 0; i < recordcheck::kFindingKindCount; ++i) {
        const recordcheck::FindingKind& kind = *recordcheck::kAllFindingKinds[i];
        std::string lower = kind.code;
        lower[0] = 'r';
        lower[1] = 'c';
        const std::string row = std::string("| [`") + kind.code + "`](#" + lower + ") | " +
                                (kind.severity == Severity::Error ? "error" : kind.severity == Severity::Warning ? "warning" : "note") +
                                " | " + kind.title.en + " |";
        // Its page, as --explain prints it, in English and Japanese.
        const std::string page = std::string("#### ") + kind.code + "\n\n" +
                                 recordcheck::ExplainPage(kind, recordcheck::Language::English, true) + "\n" +
                                 recordcheck::ExplainPage(kind, recordcheck::Language::Japanese, true) + "\n";
        const std::string texts[2] = {row, page};
        for (int k = 0; k < 2; ++k) {
            const std::size_t at = guide.find(texts[k]);
            EXPECT_NE(at, std::string::npos) << "docs/makers.md lacks:\n" << texts[k] << "[end]";
            if (at != std::string::npos) {
                EXPECT_GT(at, last[k]) << texts[k];
                last[k] = at;
            }
        }
    }
}

TEST(RecordCheckEncoding, ShowsCp932AsUtf8AndTakesOnlyExactHostNames) {
    const struct {
        std::string cp932;
        std::string utf8;
    } shown[] = {
        {"\x83\x5C", "\xE3\x82\xBD"},                            // a trail byte 0x5C stays in its character
        {"\xB1", "\xEF\xBD\xB1"},                                // one-byte katakana
        {"\x81\x20", "\xEF\xBF\xBD\xEF\xBF\xBD"},                // no such pair: one U+FFFD a byte
        {"a\x80", "a\xEF\xBF\xBD"},
        {"\x95", "\xEF\xBF\xBD"},                                // a lead byte at the end
    };
    for (const auto& s : shown) EXPECT_EQ(recordcheck::Utf8FromCp932(s.cp932), s.utf8);

    const struct {
        std::string host;
        std::string bytes;
        bool representable;
        bool raw;
    } names[] = {
        {"\xE3\x82\xBD.ogg", "\x83\x5C.ogg", true, false},
        {"a\xC2\xA5", "a?", false, false},         // U+00A5 would become a backslash
        {"\xE3\x80\x9C", "?", false, false},       // U+301C would come back as U+FF5E
        {"\x83\x5C", "\x83\x5C", true, true},      // not UTF-8: taken as CP932 bytes
    };
    for (const auto& n : names) {
        const recordcheck::WindowsName name = recordcheck::WindowsNameFromHost(n.host);
        EXPECT_EQ(name.bytes, n.bytes);
        EXPECT_EQ(name.representable, n.representable);
        EXPECT_EQ(name.rawBytes, n.raw);
    }
}

}  // namespace
