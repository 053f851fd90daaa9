#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "recordcheck/check.h"
#include "recordcheck/cli.h"
#include "recordcheck/encoding.h"

namespace {

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
        EXPECT_TRUE(recordcheck::CheckGameFolder({Folder().string(), installPath}, report, error)) << error;
        return report;
    }

private:
    fs::path root_;
};

using Triple = std::tuple<std::string, std::string, std::string>;

std::vector<Triple> Steps(const Report& report) {
    std::vector<Triple> steps;
    for (const auto& step : report.steps) steps.emplace_back(step.section, step.path, step.outcome);
    return steps;
}

TEST(RecordCheck, TheSampleGameIsCleanAndGoesWholeInTheSequencesOrder) {
    GameCopy game;
    const Report report = game.Check();
    EXPECT_EQ(report.ExitCode(), 0);
    EXPECT_EQ(report.gameFolder, kGame);
    const std::vector<Triple> expected = {
        {"shortcuts", "C:\\Users\\Public\\Desktop\\" + kGameName + ".lnk", "removed"},
        {"shortcuts", kMenu + "\\" + kGameName + "\\" + kGameName + ".lnk", "removed"},
        {"shortcuts", kMenu + "\\" + kGameName + "\\" + kUninstallLink + ".lnk", "removed"},
        {"shortcuts", kMenu + "\\" + kGameName, "removed"},
        {"shortcuts", kMenu, "removed"},
        {"files", "SampleGame.exe", "removed"},
        {"files", "Uninstaller.exe", "removed"},
        {"files", "Prefclear.exe", "removed"},
        {"files", "Movie.dll", "removed"},
        {"files", "OrrinStart.ini", "removed"},
        {"files", "Option.inc", "removed"},
        {"files", "data\\" + kPictures + "\\" + kBackground, "removed"},
        {"files", "data\\" + kSounds + "\\" + kSource, "removed"},
        {"files", "data\\script.dat", "removed"},
        {"folders", "data\\" + kSounds, "removed"},
        {"folders", "data\\" + kPictures, "removed"},
        {"folders", "data", "removed"},
        {"records", "InstallInfo\\SaveFolderSetting.ini", "removed"},
        {"records", "InstallInfo\\Installer.ini", "removed"},
        {"records", "InstallInfo\\InstallFiles.ini", "removed"},
        {"records", "InstallInfo", "removed"},
        {"game folder", kGame, "removed"},
        {"maker folder", "C:\\Program Files (x86)\\SampleMaker", "removed"},
        {"registry", "HKLM\\SOFTWARE\\SampleMaker\\SampleGame", "removed"},
        {"registry", "HKLM\\SOFTWARE\\SampleMaker", "removed"},
        {"registry", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame", "removed"},
    };
    EXPECT_EQ(Steps(report), expected);
    EXPECT_TRUE(report.unlisted.empty());
    EXPECT_TRUE(report.findings.empty());
    ASSERT_FALSE(report.boxes.empty());
    EXPECT_EQ(report.boxes.back().text, kDone);
    EXPECT_EQ(report.saveFolder, "C:\\Users\\Player\\Documents\\Tarnwick\\" + kGameName + "\\SaveData\\");
}

// Records the programs cannot read, or read with a complaint: the file, the
// offset of the token at fault (where the test planted it) and the box the
// user sees.
struct RecordFault {
    const char* name;
    std::function<void(const GameCopy&)> plant;
    int exitCode;
    Severity severity;
    std::string file;
    bool hasOffset;
    std::string plantedAt;  // the offset is where this first stands in the file, plus skip ("": 0)
    std::size_t skip;
    std::string found;
    std::string shows;  // the first box the finding names ("": none)
};

TEST(RecordCheck, ReportsEachRecordFaultWithItsOffsetAndBox) {
    // Without a readable Installer.ini no maker's name places the folder.
    const std::string settingsBox =
        kSettingsHead + "C:\\Program Files (x86)\\SampleGame\\InstallInfo\\Installer.ini" + kSettingsTail;
    const std::vector<RecordFault> faults = {
        {"settings key in another case", [](const GameCopy& g) { g.Replace("InstallInfo/Installer.ini", "#MutexName", "#Mutexname"); },
         2, Severity::Error, "InstallInfo/Installer.ini", true, "Mutexname", 0, "Mutexname", settingsBox},
        {"empty settings file", [](const GameCopy& g) { g.Write("InstallInfo/Installer.ini", ""); },
         2, Severity::Error, "InstallInfo/Installer.ini", true, "", 0, "", settingsBox},
        {"comma between two listed files", [](const GameCopy& g) { g.Replace("InstallInfo/InstallFiles.ini", "0x5a9596fc", "0x5a9596fc ,"); },
         2, Severity::Error, "InstallInfo/InstallFiles.ini", true, "0x5a9596fc ,", 11, ",", kUninstallFailed},
        {"list cut off inside a path", [](const GameCopy& g) { g.Replace("InstallInfo/InstallFiles.ini", "}", "\"open"); },
         2, Severity::Error, "InstallInfo/InstallFiles.ini", true, "\"open", 0, "", kUninstallFailed},
        {"no list at all", [](const GameCopy& g) { fs::remove(g.Folder() / "InstallInfo/InstallFiles.ini"); },
         2, Severity::Error, "InstallInfo/InstallFiles.ini", false, "", 0, "", kUninstallFailed},
        {"start-up value without '='", [](const GameCopy& g) { g.Replace("OrrinStart.ini", "ViewWidth = 800", "ViewWidth 800"); },
         2, Severity::Error, "OrrinStart.ini", true, "ViewWidth 800", 10, "800", kOpen + kGame + "\\OrrinStart.ini" + kParseErrorTail},
        {"include that is missing", [](const GameCopy& g) { g.Replace("OrrinStart.ini", "Option.inc", "Missing.inc"); },
         2, Severity::Error, "Missing.inc", false, "", 0, "", kOpen + kGame + "\\Missing.inc" + kReadFailedTail},
        {"start-up key in another case", [](const GameCopy& g) { g.Replace("Option.inc", "UseJoypad", "useJoypad"); },
         1, Severity::Warning, "Option.inc", true, "useJoypad", 0, "useJoypad", kUnknownHead + "useJoypad" + kUnknownTail},
        {"save-folder code out of range",
         [](const GameCopy& g) { g.Write("InstallInfo/SaveFolderSetting.ini", std::string("SFSF\0\0\0\0\x07\0\0\0", 12)); },
         1, Severity::Warning, "InstallInfo/SaveFolderSetting.ini", true, "\x07", 0, "07 00 00 00", ""},
    };
    for (const RecordFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        GameCopy game;
        fault.plant(game);
        const Report report = game.Check();
        EXPECT_EQ(report.ExitCode(), fault.exitCode);
        ASSERT_FALSE(report.findings.empty());
        const auto& finding = report.findings.front();
        EXPECT_EQ(finding.severity, fault.severity);
        std::string file = finding.file;
        for (char& c : file) c = c == '\\' ? '/' : c;
        EXPECT_EQ(file, fault.file);
        EXPECT_EQ(finding.hasOffset, fault.hasOffset);
        if (fault.hasOffset) {
            const std::size_t at = fault.plantedAt.empty() ? 0 : game.Read(fault.file).find(fault.plantedAt) + fault.skip;
            EXPECT_EQ(finding.offset, at);
        }
        EXPECT_EQ(finding.found, fault.found);
        if (fault.shows.empty()) {
            EXPECT_TRUE(finding.shows.empty());
        } else {
            ASSERT_FALSE(finding.shows.empty());
            EXPECT_EQ(finding.shows.front().text, fault.shows);
        }
        // Nothing is removed from records the Uninstaller cannot read.
        if (fault.exitCode == 2 && fault.file.rfind("InstallInfo", 0) == 0) {
            EXPECT_TRUE(report.steps.empty());
        }
    }
}

// What the folder and the list disagree on: each entry is marked, and the
// check warns.
struct ListingFault {
    const char* name;
    std::function<void(const GameCopy&)> plant;
    Triple step;
    std::string reason;  // a word the step's reason holds
};

TEST(RecordCheck, MarksListedEntriesTheUninstallerRefusesOrCannotFind) {
    const std::vector<ListingFault> faults = {
        {"listed file missing", [](const GameCopy& g) { fs::remove(g.Folder() / "data/script.dat"); },
         {"files", "data\\script.dat", "missing"}, "not in the folder"},
        {"listed path leaving the folder", [](const GameCopy& g) { g.List("..\\evil.txt"); },
         {"files", "..\\evil.txt", "refused"}, "leaves"},
        {"listed absolute path", [](const GameCopy& g) { g.List("C:\\Windows\\win.ini"); },
         {"files", "C:\\Windows\\win.ini", "refused"}, "absolute"},
        {"listed path through a link",
         [](const GameCopy& g) {
             fs::create_directories(g.Outside());
             std::ofstream(g.Outside() / "a.txt") << "not the game's";
             fs::create_directory_symlink(g.Outside(), g.Folder() / "linked");
             g.List("linked\\a.txt");
         },
         {"files", "linked\\a.txt", "refused"}, "link on the way"},
        {"listed folder", [](const GameCopy& g) { g.List("data"); }, {"files", "data", "stays"}, "a folder"},
    };
    for (const ListingFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        GameCopy game;
        fault.plant(game);
        const Report report = game.Check();
        EXPECT_EQ(report.ExitCode(), 1);
        const std::vector<Triple> steps = Steps(report);
        const auto step = std::find(steps.begin(), steps.end(), fault.step);
        ASSERT_NE(step, steps.end());
        EXPECT_NE(report.steps[static_cast<std::size_t>(step - steps.begin())].reason.find(fault.reason), std::string::npos);
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

TEST(RecordCheck, CommandLineAndExitStatus) {
    GameCopy game;
    game.Write("Save/save01.dat", "the player's");
    const std::string folder = game.Folder().string();
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string printed;  // UTF-8 text the output holds
    } cases[] = {
        {{}, 2, ""},
        {{folder, folder}, 2, ""},
        {{"--install-path", "Games\\SampleGame", folder}, 2, ""},
        {{"--frobnicate", folder}, 2, ""},
        {{(game.Folder() / "absent").string()}, 2, ""},
        {{folder}, 1, "Save\\save01.dat"},
        {{"--json", folder}, 1, "\"exit_code\": 1"},
        // Another parent than the maker's name: the maker folder is left alone.
        {{"--install-path=D:\\Games\\Other\\SampleGame", folder}, 1, "not touched"},
    };
    for (const auto& c : cases) {
        std::string out;
        std::string err;
        EXPECT_EQ(recordcheck::RunRecordCheck(c.arguments, out, err), c.status) << err;
        EXPECT_NE(out.find(c.printed), std::string::npos) << out;
        EXPECT_EQ(err.empty(), c.status != 2);
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
