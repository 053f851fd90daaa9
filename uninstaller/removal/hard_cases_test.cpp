// The uninstall where Windows refuses or holds back: names that are devices
// or patterns, a game still running, paths beyond MAX_PATH, and the asking
// uninstaller not quite gone while its temporary copy starts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim.h"
#include "uninstaller/removal/handover.h"
#include "uninstaller/removal/removal_test_support.h"
#include "uninstaller/removal/uninstall_sequence.h"

namespace {

using namespace removal_test;

const std::string G = kGame;

std::vector<std::string> Texts(const sim::Machine& m) {
    std::vector<std::string> texts;
    for (const auto& box : m.MessageBoxes()) texts.push_back(box.text);
    return texts;
}

TEST(HardCases, DeviceAndPatternNamesAreNeverUsedAndTakeNoUnlistedFile) {
    sim::Machine m;
    LayOutSample(m);
    // Files that only the listed names could reach.
    m.AddFile(G + "\\Data\\extra.pak", "user");
    m.AddFile(G + "\\CON.txt", "con");
    m.AddFile(G + "\\Data\\NUL", "nul");
    m.AddFile(G + "\\aux\\x.dat", "aux");
    InstallFileList files = SampleFiles();
    for (const char* name : {"Data\\NUL", "Data\\*.pak", "CON.txt", "Data\\Sound\\bgm?.ogg", "aux\\x.dat", "nul"})
        files.push_back({name, 0, 0});
    m.ClearJournal();
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), files, kGame));
    for (const auto& entry : m.Journal()) {
        for (const char* used : {"NUL", "CON", "aux", "*", "?"})
            EXPECT_EQ(entry.argument.find(used), std::string::npos) << entry.function << " " << entry.argument;
    }
    EXPECT_EQ(m.FileBytes(G + "\\Data\\extra.pak"), "user");
    EXPECT_EQ(m.FileBytes(G + "\\CON.txt"), "con");
    EXPECT_EQ(m.FileBytes(G + "\\Data\\NUL"), "nul");
    EXPECT_EQ(m.FileBytes(G + "\\aux\\x.dat"), "aux");
    EXPECT_FALSE(m.Exists(G + "\\Data\\main.pak"));
    EXPECT_FALSE(m.Exists(G + "\\Data\\Sound"));
    EXPECT_EQ(Texts(m), std::vector<std::string>{FolderMessage(G + "\\Data")});
    ExpectBystandersIntact(m);
}

// The game runs from its folder (its current folder too) and holds a data
// file open, sharing reading only or deleting as well; under both delete
// semantics. What it holds stays with its folder and that folder's message;
// the rest goes.
TEST(HardCases, WhatARunningGameHoldsStaysWithItsFolderAndEverythingElseGoes) {
    const struct {
        const char* title;
        DWORD share;
        bool posix;
        bool dataFolderStays;
    } cases[] = {
        {"reading shared", FILE_SHARE_READ, false, true},
        {"reading shared, POSIX semantics", FILE_SHARE_READ, true, true},
        {"deleting shared: the name waits for the game", FILE_SHARE_READ | FILE_SHARE_DELETE, false, true},
        {"deleting shared, POSIX semantics: the name goes", FILE_SHARE_READ | FILE_SHARE_DELETE, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        sim::Machine m;
        m.SetPosixDeleteSemantics(c.posix);
        LayOutSample(m);
        m.StartProcess(G + "\\Game.exe", G);
        m.HoldOpen(G + "\\Data\\main.pak", c.share);
        EXPECT_TRUE(UninstallGame(kGame));
        EXPECT_TRUE(m.IsFile(G + "\\Game.exe"));
        EXPECT_EQ(m.IsFolder(G + "\\Data"), c.dataFolderStays);
        EXPECT_EQ(Texts(m), c.dataFolderStays ? std::vector<std::string>{FolderMessage(G + "\\Data")}
                                              : std::vector<std::string>{});
        // The game folder stays silently, holding the game.
        EXPECT_EQ(m.ListTree(G), c.dataFolderStays
                                     ? (std::vector<std::string>{G + "\\Data", G + "\\Data\\main.pak", G + "\\Game.exe"})
                                     : (std::vector<std::string>{G + "\\Game.exe"}));
        m.ReleaseHeld(G + "\\Data\\main.pak");
        EXPECT_EQ(m.IsFile(G + "\\Data\\main.pak"), c.share == FILE_SHARE_READ);
        EXPECT_FALSE(m.KeyExists(kGameKey));
        EXPECT_FALSE(m.KeyExists(kEntryKey));
        EXPECT_FALSE(m.Exists(kGameMenu));
        ExpectBystandersIntact(m);
    }
}

// Listed files and folders that reach and pass MAX_PATH characters: what the
// calls can reach goes, the rest stays with a message for each folder that
// stays, and nothing is cut short into another name.
TEST(HardCases, PathsBeyondMaxPathStayWithTheirFoldersAndNothingElseIsTouched) {
    sim::Machine m;
    LayOutSample(m);
    const std::size_t prefix = G.size() + 1;                       // "C:\Games\Maker\Game\"
    const std::string longest = "Long\\" + std::string(MAX_PATH - 1 - prefix - 5, 'y');  // 259 characters in all
    const std::string beyond = "Long\\" + std::string(MAX_PATH + 1 - prefix - 5, 'w');   // 261
    const std::string deepFolder = "Deep\\" + std::string(250, 'x');
    std::string twoByte = "\x95\x5C\x8E\xA6\\";  // 表示
    for (int i = 0; i < 130; ++i) twoByte += "\x83\x5C";
    twoByte += ".dat";  // 157 characters in all, 289 bytes
    for (const std::string& path : {longest, beyond, deepFolder + "\\f.dat", twoByte}) m.AddFile(G + "\\" + path, "f");
    // The long name cut to MAX_PATH - 1 characters names this unlisted file.
    const std::string cut = (G + "\\" + beyond).substr(0, MAX_PATH - 1);
    m.AddFile(cut, "unlisted");
    InstallFileList files = SampleFiles();
    for (const std::string& path : {longest, beyond, deepFolder + "\\f.dat", twoByte}) files.push_back({path, 0, 0});

    EXPECT_TRUE(RemoveInstallation(SampleSettings(), files, kGame));
    EXPECT_FALSE(m.Exists(G + "\\" + longest));
    EXPECT_FALSE(m.Exists(G + "\\\x95\x5C\x8E\xA6"));
    EXPECT_TRUE(m.IsFile(G + "\\" + beyond));
    EXPECT_TRUE(m.IsFile(G + "\\" + deepFolder + "\\f.dat"));
    EXPECT_EQ(m.FileBytes(cut), "unlisted");
    EXPECT_EQ(Texts(m), (std::vector<std::string>{FolderMessage(G + "\\" + deepFolder), FolderMessage(G + "\\Deep"),
                                                   FolderMessage(G + "\\Long")}));
    ExpectBystandersIntact(m);
}

// The asking uninstaller, started in the game folder, lives on for a while
// after its copy has started: the copy waits for its program file before it
// removes anything, so that file and the game folder go too; a program that
// never ends is waited for only so long.
TEST(HardCases, TheCopyWaitsForTheAskingUninstallerToEnd) {
    // The record's name of the program is only a hint: empty, or naming
    // no file, the copy waits on Uninstaller.exe all the same.
    const std::string named = "#UninstallerExeFileName = \"Uninstaller.exe\"";
    const struct {
        const char* title;
        DWORD lifetime;
        int waits;
        bool gameFolderGoes;
        std::string record;  // what stands for the record's UninstallerExeFileName statement
    } cases[] = {
        {"already gone", 0, 0, true, named},
        {"ends 350 ms into the copy's run", 350, 4, true, named},
        {"never ends", sim::Machine::kUntilEnded, kHandOverWaits, false, named},
        {"the record names none", 350, 4, true, "#UninstallerExeFileName = \"\""},
        {"the record names a file that is not there", 350, 4, true, "#UninstallerExeFileName = \"Setup.exe\""},
        {"the record has no such statement", 350, 4, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        sim::Machine m;
        LayOutSample(m);
        const std::string settingsPath = G + "\\InstallInfo\\Installer.ini";
        std::string settings = m.FileBytes(settingsPath);
        settings.replace(settings.find(named), named.size(), c.record);
        m.AddFile(settingsPath, settings);
        m.StartProcess(G + "\\Uninstaller.exe", G, c.lifetime);
        m.SetCurrentDirectory("C:\\Temp");  // the batch's
        EXPECT_TRUE(UninstallGame(kGame));
        // The waits come before anything is removed.
        const auto& journal = m.Journal();
        int waits = 0;
        for (const auto& entry : journal) {
            if (entry.function == "DeleteFileA" || entry.function == "RemoveDirectoryA") break;
            if (entry.function == "Sleep") ++waits;
        }
        EXPECT_EQ(waits, c.waits);
        EXPECT_EQ(m.Exists(G), !c.gameFolderGoes);
        EXPECT_EQ(m.Exists(G + "\\Uninstaller.exe"), !c.gameFolderGoes);
        EXPECT_FALSE(m.Exists(G + "\\Game.exe"));
        EXPECT_TRUE(m.MessageBoxes().empty());
        ExpectBystandersIntact(m);
    }
}

}  // namespace
