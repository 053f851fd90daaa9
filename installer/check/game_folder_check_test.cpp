#include "installer/check/game_folder_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kitcheck {
namespace {

// The texts are written as UTF-8 bytes: the sources' literals are compiled
// to code page 932.
const std::string kGame = "\xE8\xA1\xA8\xE7\xA4\xBA";        // 表示
const std::string kWaveDash = "\xE3\x80\x9C";                 // 〜 U+301C
const std::string kFullWidthTilde = "\xEF\xBD\x9E";           // ～ U+FF5E
const std::string kMinus = "\xE2\x88\x92";                    // − U+2212
const std::string kEAcute = "\xC3\xA9";                       // é
const std::string kYen = "\xC2\xA5";                          // ¥

Game SampleGame() {
    return {kGame, "SOFTWARE\\SampleMaker\\SampleGame", "SampleMaker", "SampleMaker", "SampleGame",
            "SampleGame.exe", "SampleGameMutex"};
}

std::string Only(const Problems& problems) {
    if (problems.size() != 1) return "(" + std::to_string(problems.size()) + " problems)";
    return problems.front().message;
}

TEST(GameFolderCheck, AGameAsTheSampleDeclaresItIsClean) {
    EXPECT_TRUE(CheckGame(SampleGame()).empty());
    Game unnamedMenu = SampleGame();
    unnamedMenu.menu = "";
    unnamedMenu.mutex = "";
    EXPECT_TRUE(CheckGame(unnamedMenu).empty());
    EXPECT_TRUE(CheckShortcut("GameShortcut", "data\\" + kGame + ".exe", kGame + " " + kGame).empty());
}

TEST(GameFolderCheck, EachValueOfTheGameIsCheckedAndNamedAsWritten) {
    struct Case {
        std::string Game::*field;
        std::string value;
        std::string message;
    };
    const Case cases[] = {
        {&Game::name, "", "GAME_NAME \"\": is empty"},
        {&Game::name, "Caf" + kEAcute,
         "GAME_NAME \"Caf" + kEAcute + "\": \"" + kEAcute + "\" (U+00E9) has no Shift-JIS (code page 932) form, and "
         "the records are Shift-JIS; write it with characters Shift-JIS holds"},
        {&Game::name, kGame + kWaveDash,
         "GAME_NAME \"" + kGame + kWaveDash + "\": \"" + kWaveDash + "\" (U+301C) has no Shift-JIS (code page 932) "
         "form, and the records are Shift-JIS; write \"" + kFullWidthTilde + "\" (U+FF5E) instead"},
        {&Game::name, "A" + kMinus + "B", "(U+2212) has no Shift-JIS (code page 932) form, and the records are "
                                          "Shift-JIS; write \"\xEF\xBC\x8D\" (U+FF0D) instead"},
        {&Game::name, "100" + kYen, "(U+00A5) has no Shift-JIS (code page 932) form, and the records are Shift-JIS; "
                                    "write \"\xEF\xBF\xA5\" (U+FFE5) instead"},
        {&Game::name, "Say \"hi\"", "a record's text cannot hold a double quote"},
        {&Game::name, "Game.", "\"Game.\" ends in a dot, which Windows drops"},
        {&Game::name, "A\\B", "a name cannot hold a backslash"},
        {&Game::folder, "", "GAME_FOLDER \"\": is empty"},
        {&Game::folder, "CON", "\"CON\" is a device name"},
        {&Game::menu, "Maker:2", "Windows refuses \":\" in a name"},
        {&Game::exe, "..\\Game.exe", "GAME_EXE \"..\\Game.exe\": write a path relative to the game folder"},
        {&Game::exe, "bin/Game.exe", "Windows refuses \"/\" in a name; separate folders with \\"},
        {&Game::registry, "SOFTWARE\\SampleMaker\\SampleGame\\",
         "GAME_REGISTRY \"SOFTWARE\\SampleMaker\\SampleGame\\\": ends in a backslash; write "
         "\"SOFTWARE\\SampleMaker\\SampleGame\""},
        {&Game::registry, "SOFTWARE\\Microsoft\\Game", "SOFTWARE\\Microsoft is the system's"},
        {&Game::registry, "software\\wow6432node\\Game", "SOFTWARE\\wow6432node is the system's"},
        {&Game::registry, "SOFTWARE\\Maker\\Series\\Game", "takes away the game key and the one key above it"},
        {&Game::registry, "SOFTWARE\\\\Game", "write SOFTWARE\\<maker>\\<game>"},
        {&Game::registry, "SYSTEM\\Game", "write SOFTWARE\\<maker>\\<game>"},
        {&Game::mutex, "Mutex\tName", "cannot hold a control character (U+0009)"},
    };
    for (const Case& c : cases) {
        Game game = SampleGame();
        game.*c.field = c.value;
        const Problems problems = CheckGame(game);
        ASSERT_EQ(problems.size(), 1u) << c.value;
        EXPECT_EQ(problems[0].severity, Severity::Error) << c.value;
        EXPECT_NE(problems[0].message.find(c.message), std::string::npos) << problems[0].message;
    }
}

TEST(GameFolderCheck, PathsBelowTheGameFolder) {
    const std::pair<std::string, std::string> refused[] = {
        {"CON.dll", "\"CON.dll\" is a device name"},
        {"data\\nul .txt", "\"nul .txt\" is a device name"},
        {"data\\Lpt3.bin", "\"Lpt3.bin\" is a device name"},
        {"Movie.dll.", "\"Movie.dll.\" ends in a dot"},
        {"data\\Sub \\x.dat", "\"Sub \" ends in a blank"},
        {"\\Movie.dll", "write a path relative to the game folder"},
        {"data\\\\Movie.dll", "write a path relative to the game folder"},
        {"data\\", "write a path relative to the game folder"},
        {".\\Movie.dll", "write a path relative to the game folder"},
        {"C:\\Movie.dll", "Windows refuses \":\""},
        {"Movie?.dll", "Windows refuses \"?\""},
    };
    for (const auto& [dest, message] : refused) {
        const std::string shown = Only(CheckShortcut("GameShortcut", dest, "Link"));
        EXPECT_EQ(shown.rfind("GameShortcut \"" + dest + "\": ", 0), 0u) << shown;
        EXPECT_NE(shown.find(message), std::string::npos) << shown;
    }
    for (const std::string ok : {"CONSOLE.dll", "COM10.dat", "data\\..x", "a.b.c"}) {
        EXPECT_TRUE(CheckShortcut("GameShortcut", ok, "Link").empty()) << ok;
    }
}

TEST(GameFolderCheck, AShortcutNameIsWrittenWithoutItsLnk) {
    EXPECT_EQ(Only(CheckShortcut("GameDesktopShortcut", "Game.exe", "Play.LNK")),
              "GameDesktopShortcut \"Play.LNK\": the kit adds .lnk to the shortcut's name; write \"Play\"");
    EXPECT_NE(Only(CheckShortcut("GameShortcut", "Game.exe", "")).find("is empty"), std::string::npos);
    EXPECT_TRUE(CheckShortcut("GameShortcut", "Game.exe", "Play lnk").empty());
}

TEST(GameFolderCheck, AnInstallFolderNotBelowTheMakersFolderIsAWarning) {
    EXPECT_TRUE(CheckInstallDir("$PROGRAMFILES32\\SampleMaker\\SampleGame", "SampleMaker").empty());
    EXPECT_TRUE(CheckInstallDir("{commonpf32}\\SampleMaker\\SampleGame\\", "SampleMaker").empty());
    EXPECT_TRUE(CheckInstallDir("{commonpf32}\\SampleGame", "").empty());
    for (const std::string dir : {"{commonpf32}\\SampleGame", "{commonpf32}\\samplemaker\\SampleGame", "SampleGame"}) {
        const Problems problems = CheckInstallDir(dir, "SampleMaker");
        ASSERT_EQ(problems.size(), 1u) << dir;
        EXPECT_EQ(problems[0].severity, Severity::Warning);
        EXPECT_NE(problems[0].message.find("not GAME_MAKER \"SampleMaker\""), std::string::npos);
    }
}

class GameFolderCheckFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("game_folder_check_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(root_ / "data" / "sub");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    void Write(const std::string& relative) { std::ofstream(root_ / std::filesystem::u8path(relative)) << "x"; }
    std::string Source(const std::string& relative) const { return (root_ / relative).string(); }

    std::filesystem::path root_;
};

TEST_F(GameFolderCheckFiles, ASourceThatIsNotThereStopsTheBuild) {
    Write("Movie.dll");
    EXPECT_TRUE(CheckFile("Movie.dll", Source("Movie.dll")).empty());
    EXPECT_NE(Only(CheckFile("Movie.dll", Source("Missing.dll"))).find("is not a file here"), std::string::npos);
    EXPECT_NE(Only(CheckFile("data", Source("data"))).find("is not a file here"), std::string::npos);
    EXPECT_NE(Only(CheckFolder("data", Source("nothing"))).find("is not a folder here"), std::string::npos);
}

TEST_F(GameFolderCheckFiles, EveryFileOfAFolderIsNamedAsTheRecordsWillNameIt) {
    const Problems empty = CheckFolder("data", Source("data"));
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].severity, Severity::Warning);
    Write("data/ok.txt");
    EXPECT_TRUE(CheckFolder("data", Source("data")).empty());
    Write("data/sub/" + kEAcute + ".txt");
    EXPECT_NE(Only(CheckFolder("data", Source("data"))).find("GameFolder \"data\\sub\\" + kEAcute + ".txt\": "),
              std::string::npos);
    Write("data/CON.txt");
    const std::string both = Only(CheckFolder("data", Source("data")));
    EXPECT_NE(both.find("cannot name these files of \"" + Source("data") + "\": CON.txt; sub\\" + kEAcute + ".txt;"),
              std::string::npos) << both;
}

TEST(GameFolderCheck, TheExitStatusTellsErrorsFromWarnings) {
    std::string out;
    EXPECT_EQ(kitcheck::Run({"installdir", "{commonpf32}\\Game", "Maker"}, out), 2);
    EXPECT_EQ(kitcheck::Run({"shortcut", "GameShortcut", "Game.exe", "Play.lnk"}, out), 1);
    EXPECT_EQ(kitcheck::Run({"game", kGame, "SOFTWARE\\M\\G", "M", "", "G", "G.exe"}, out), 0);
    EXPECT_EQ(kitcheck::Run({"game", kGame}, out), 3);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 4);
}

}  // namespace
}  // namespace kitcheck
