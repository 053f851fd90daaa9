// Shared by the removal engine's tests: message bytes written out
// independently of the program, and a sample installation on a simulated
// machine with neighbours that must survive every uninstall.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim.h"
#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/installer_settings.h"

namespace removal_test {

// "【 " and " 】\nフォルダの削除に失敗しました" in code page 932.
const std::string kFolderMessageHead = "\x81\x79\x20";
const std::string kFolderMessageTail =
    "\x20\x81\x7A\x0A\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xCC\x8D\xED\x8F\x9C\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD";
constexpr UINT kFolderMessageStyle = 0x10;  // MB_ICONERROR with the OK button

inline std::string FolderMessage(const std::string& path) { return kFolderMessageHead + path + kFolderMessageTail; }

const char kGame[] = "C:\\Games\\Maker\\Game";
const char kMaker[] = "C:\\Games\\Maker";
const char kDesktop[] = "C:\\Users\\Public\\Desktop";
const char kPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kMakerMenu[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\MakerMenu";
const char kGameMenu[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\MakerMenu\\Game";
const char kGameKey[] = "SOFTWARE\\Maker\\Game";
const char kEntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_Game";

// What an uninstall must never touch.
const std::vector<std::string> kBystanders = {
    "C:\\Games\\Maker\\Other\\Other.exe",           // the maker's second game
    "C:\\Games\\Maker\\Other\\Data\\other.pak",
    "C:\\Games\\Maker\\readme.txt",                 // a user file in the maker folder
    "C:\\Users\\Player\\Documents\\Maker\\Game\\save01.dat",  // save data
    "C:\\Users\\Public\\Desktop\\Other.lnk",
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\MakerMenu\\Other\\Other.lnk",
    "C:\\Outside\\Data\\movie.dat",                 // where a planted link points
    "C:\\Windows\\system.ini",
};

inline InstallerSettings SampleSettings() {
    InstallerSettings s;
    s.GameName = "Game";
    s.Registry = kGameKey;
    s.DefaultGameMakerName = "Maker";
    s.DefaultGameMakerProgramMenuName = "MakerMenu";
    s.DefaultGameFolderName = "Game";
    s.GameExeFileName = "Game.exe";
    s.UninstallerExeFileName = "Uninstaller.exe";
    s.Shortcut = {{"Game.exe", "Game"}, {"Manual.html", "Manual"}};
    s.DesktopShortcut = {{"Game.exe", "Game"}};
    return s;
}

inline InstallFileList SampleFiles() {
    return {{"Game.exe", 0, 0x1},
            {"Uninstaller.exe", 0, 0x2},
            {"Manual.html", 0, 0x3},
            {"Data\\Movie\\op.mpg", 0, 0x4},
            {"Data\\main.pak", 0, 0x5},
            {"Data\\Sound\\bgm.ogg", 0, 0x6}};
}

// Where the removal runs: the temporary copy. The game's own Uninstaller.exe
// (the machine's default module path) is listed, and a running program's
// file cannot be deleted.
const char kTemporaryCopy[] = "C:\\Temp\\abcdefghijklmnop.exe";

// The sample game as installed, its records, shortcuts and registry, plus
// (unless told otherwise) the bystanders. Installer.ini and InstallFiles.ini
// are real record files. The program running is the temporary copy.
inline void LayOutSample(sim::Machine& m, bool withBystanders = true) {
    m.SetModulePath(kTemporaryCopy);
    for (const auto& entry : SampleFiles()) m.AddFile(std::string(kGame) + "\\" + entry.Path, "bytes");
    m.AddFile(std::string(kGame) + "\\InstallInfo\\Installer.ini",
              "#InstallerSetupFileVersion = 1\n"
              "#GameName = \"Game\"\n"
              "#Registry = \"SOFTWARE\\Maker\\Game\"\n"
              "#DefaultGameMakerName = \"Maker\"\n"
              "#DefaultGameMakerProgramMenuName = \"MakerMenu\"\n"
              "#DefaultGameFolderName = \"Game\"\n"
              "#GameExeFileName = \"Game.exe\"\n"
              "#UninstallerExeFileName = \"Uninstaller.exe\"\n"
              "#Shortcut = \"Game.exe\", \"Game\"\n"
              "#Shortcut = \"Manual.html\", \"Manual\"\n"
              "#DesktopShortcut = \"Game.exe\", \"Game\"\n");
    m.AddFile(std::string(kGame) + "\\InstallInfo\\InstallFiles.ini",
              "#InstallerSetupFileVersion = 1\n"
              "#InstallFileList {\n"
              "\"Game.exe\", 0, 0x1\n"
              "\"Uninstaller.exe\", 0, 0x2\n"
              "\"Manual.html\", 0, 0x3\n"
              "\"Data\\Movie\\op.mpg\", 0, 0x4\n"
              "\"Data\\main.pak\", 0, 0x5\n"
              "\"Data\\Sound\\bgm.ogg\", 0, 0x6\n"
              "}\n");
    m.AddFile(std::string(kGame) + "\\InstallInfo\\SaveFolderSetting.ini", std::string(12, '\0'));
    m.AddFile(std::string(kDesktop) + "\\Game.lnk", "lnk");
    m.AddFile(std::string(kGameMenu) + "\\Game.lnk", "lnk");
    m.AddFile(std::string(kGameMenu) + "\\Manual.lnk", "lnk");
    m.AddKey(kGameKey);
    m.SetValue(kGameKey, "InstallPath", kGame);
    m.AddKey(kEntryKey);
    m.SetValue(kEntryKey, "DispalyName", "Game");
    m.SetValue(kEntryKey, "DisplayName", "Game");
    m.SetValue(kEntryKey, "DisplayIcon", "C:\\Games\\Maker\\Game\\Game.exe");
    m.SetValue(kEntryKey, "UninstallString", "C:\\Games\\Maker\\Game\\Uninstaller.exe");
    m.SetValue(kEntryKey, "NoModify", "1");
    if (!withBystanders) return;
    m.AddKey("SOFTWARE\\Maker\\Other");
    for (const auto& path : kBystanders) m.AddFile(path, "keep");
}

inline void ExpectBystandersIntact(const sim::Machine& m) {
    for (const auto& path : kBystanders) {
        EXPECT_TRUE(m.IsFile(path)) << path;
        EXPECT_EQ(m.FileBytes(path), "keep") << path;
    }
    EXPECT_TRUE(m.KeyExists("SOFTWARE\\Maker\\Other"));
}

// Every RemoveDirectoryA comes right after its own Sleep(100), and every
// Sleep belongs to one.
inline void ExpectEachWaitRightBeforeItsRemoval(const sim::Machine& m) {
    const auto& journal = m.Journal();
    for (std::size_t i = 0; i < journal.size(); ++i) {
        if (journal[i].function == "RemoveDirectoryA") {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(journal[i - 1].function, "Sleep") << journal[i].argument;
            EXPECT_EQ(journal[i - 1].argument, "100") << journal[i].argument;
        }
        if (journal[i].function == "Sleep") {
            ASSERT_LT(i + 1, journal.size());
            EXPECT_EQ(journal[i + 1].function, "RemoveDirectoryA");
        }
    }
}

inline std::vector<std::string> Arguments(const std::vector<sim::JournalEntry>& calls) {
    std::vector<std::string> out;
    for (const auto& call : calls) out.push_back(call.argument);
    return out;
}

}  // namespace removal_test
