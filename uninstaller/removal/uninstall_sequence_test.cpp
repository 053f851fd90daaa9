#include "uninstaller/removal/uninstall_sequence.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using namespace removal_test;

const std::string G = kGame;
const std::string D = kDesktop;
const std::string GM = kGameMenu;
const std::string MM = kMakerMenu;

// The calls that change or probe what an uninstall removes, in order.
std::vector<std::pair<std::string, std::string>> Actions(const sim::Machine& m) {
    static const std::set<std::string> kActions = {"DeleteFileA",   "RemoveDirectoryA", "FindFirstFileA",
                                                   "RegOpenKeyExA", "RegCreateKeyExA",  "RegDeleteKeyA",
                                                   "MessageBoxA"};
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& entry : m.Journal()) {
        if (kActions.count(entry.function) != 0) out.emplace_back(entry.function, entry.argument);
    }
    return out;
}

std::vector<std::string> RemovedFolders(const sim::Machine& m) { return Arguments(m.Calls("RemoveDirectoryA")); }

bool Touched(const sim::Machine& m, const std::string& path) {
    for (const auto& entry : m.Journal()) {
        if ((entry.function == "DeleteFileA" || entry.function == "RemoveDirectoryA") && entry.argument == path)
            return true;
    }
    return false;
}

void ExpectNoLeaks(const sim::Machine& m) {
    EXPECT_EQ(m.OpenFileHandles(), 0);
    EXPECT_EQ(m.OpenKeyHandles(), 0);
}

TEST(RemoveInstallation, RunsTheThirteenStepsInTheirOrder) {
    sim::Machine m;
    LayOutSample(m);
    m.ClearJournal();
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), SampleFiles(), kGame));

    const std::vector<std::pair<std::string, std::string>> expected = {
        // 2. desktop shortcuts
        {"FindFirstFileA", D + "\\Game.lnk"},
        {"DeleteFileA", D + "\\Game.lnk"},
        // 3. menu shortcuts
        {"FindFirstFileA", GM + "\\Game.lnk"},
        {"DeleteFileA", GM + "\\Game.lnk"},
        {"FindFirstFileA", GM + "\\Manual.lnk"},
        {"DeleteFileA", GM + "\\Manual.lnk"},
        // 4, 5. menu folders
        {"RemoveDirectoryA", GM},
        {"RemoveDirectoryA", MM},
        // 6. installed files
        {"DeleteFileA", G + "\\Game.exe"},
        {"DeleteFileA", G + "\\Uninstaller.exe"},
        {"DeleteFileA", G + "\\Manual.html"},
        {"DeleteFileA", G + "\\Data\\Movie\\op.mpg"},
        {"DeleteFileA", G + "\\Data\\main.pak"},
        {"DeleteFileA", G + "\\Data\\Sound\\bgm.ogg"},
        // 7. their folders, deepest first
        {"RemoveDirectoryA", G + "\\Data\\Movie"},
        {"RemoveDirectoryA", G + "\\Data\\Sound"},
        {"RemoveDirectoryA", G + "\\Data"},
        // 8. record files
        {"DeleteFileA", G + "\\InstallInfo\\SaveFolderSetting.ini"},
        {"DeleteFileA", G + "\\InstallInfo\\Installer.ini"},
        {"DeleteFileA", G + "\\InstallInfo\\InstallFiles.ini"},
        // 9, 10, 11. record folder, game folder, maker folder
        {"RemoveDirectoryA", G + "\\InstallInfo"},
        {"RemoveDirectoryA", G},
        {"FindFirstFileA", kMaker},
        {"RemoveDirectoryA", kMaker},
        // 12. game key, then its parent (which holds another game)
        {"RegOpenKeyExA", kGameKey},
        {"RegDeleteKeyA", kGameKey},
        {"RegOpenKeyExA", "SOFTWARE\\Maker"},
        // 13. uninstall entry
        {"RegCreateKeyExA", kEntryKey},
        {"RegDeleteKeyA", kEntryKey},
    };
    EXPECT_EQ(Actions(m), expected);
    ExpectEachWaitRightBeforeItsRemoval(m);
    EXPECT_EQ(m.CallCount("Sleep"), 8);

    // The neighbours keep the maker folder, the maker menu and the maker key.
    EXPECT_TRUE(m.MessageBoxes().empty());
    EXPECT_FALSE(m.Exists(G));
    EXPECT_FALSE(m.Exists(GM));
    EXPECT_FALSE(m.Exists(D + "\\Game.lnk"));
    EXPECT_TRUE(m.IsFolder(kMaker));
    EXPECT_TRUE(m.IsFolder(MM));
    EXPECT_FALSE(m.KeyExists(kGameKey));
    EXPECT_FALSE(m.KeyExists(kEntryKey));
    ExpectBystandersIntact(m);
    ExpectNoLeaks(m);
}

TEST(RemoveInstallation, AGameAloneTakesItsMakerFolderMenuAndKeyWithIt) {
    sim::Machine m;
    LayOutSample(m, /*withBystanders=*/false);
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), SampleFiles(), kGame));
    EXPECT_FALSE(m.Exists(kMaker));
    EXPECT_TRUE(m.IsFolder("C:\\Games"));
    EXPECT_FALSE(m.Exists(MM));
    EXPECT_TRUE(m.IsFolder(kPrograms));
    EXPECT_FALSE(m.KeyExists("SOFTWARE\\Maker"));
    EXPECT_TRUE(m.ListTree(kDesktop).empty());
    EXPECT_TRUE(m.MessageBoxes().empty());
    ExpectNoLeaks(m);
}

TEST(RemoveInstallation, FilesTheGameWroteLaterKeepTheirFoldersWithOneMessageEach) {
    sim::Machine m;
    LayOutSample(m);
    m.AddFile(G + "\\Data\\Sound\\volume.cfg", "user");
    m.AddFile(G + "\\Save\\save01.sav", "user");
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), SampleFiles(), kGame));
    ASSERT_EQ(m.MessageBoxes().size(), 2u);
    EXPECT_EQ(m.MessageBoxes()[0].text, FolderMessage(G + "\\Data\\Sound"));
    EXPECT_EQ(m.MessageBoxes()[1].text, FolderMessage(G + "\\Data"));
    EXPECT_EQ(m.FileBytes(G + "\\Data\\Sound\\volume.cfg"), "user");
    EXPECT_EQ(m.FileBytes(G + "\\Save\\save01.sav"), "user");
    EXPECT_FALSE(m.Exists(G + "\\Data\\Movie"));
    EXPECT_FALSE(m.Exists(G + "\\InstallInfo"));
    EXPECT_TRUE(m.IsFolder(G));  // silently
    ExpectBystandersIntact(m);
    ExpectNoLeaks(m);
}

TEST(RemoveInstallation, AParentNotNamedAfterTheMakerIsNeverTouched) {
    struct Case {
        const char* title;
        std::string gameFolder;
        std::string makerName;
        std::string parent;
    };
    const Case cases[] = {
        {"another name", "C:\\Games\\Maker\\Game", "Other", "C:\\Games\\Maker"},
        {"same name in other letter case", "C:\\Games\\Maker\\Game", "maker", "C:\\Games\\Maker"},
        {"game at the top of a drive", "C:\\Game", "Maker", "C:"},
        {"tampered maker name equal to the drive", "C:\\Game", "C:", "C:"},
        {"empty maker name", "C:\\Games\\Maker\\Game", "", "C:\\Games\\Maker"},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        m.AddFolder(c.gameFolder);
        InstallerSettings settings = SampleSettings();
        settings.DefaultGameMakerName = c.makerName;
        m.ClearJournal();
        EXPECT_TRUE(RemoveInstallation(settings, {}, c.gameFolder)) << c.title;
        EXPECT_FALSE(m.Exists(c.gameFolder)) << c.title;
        EXPECT_FALSE(Touched(m, c.parent)) << c.title;
        for (const auto& entry : m.Calls("FindFirstFileA")) EXPECT_NE(entry.argument, c.parent) << c.title;
        if (c.parent != "C:") {
            EXPECT_TRUE(m.IsFolder(c.parent)) << c.title;
        }
    }
}

TEST(RemoveInstallation, AFileNamedAfterTheMakerIsNoFolderToRemove) {
    sim::Machine m;
    m.AddFile(kMaker, "not a folder");
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), {}, kGame));
    EXPECT_EQ(m.Calls("FindFirstFileA").back().argument, kMaker);
    EXPECT_FALSE(Touched(m, kMaker));
    EXPECT_EQ(m.FileBytes(kMaker), "not a folder");
}

TEST(RemoveInstallation, AMakerFolderThatIsALinkStays) {
    sim::Machine m;
    m.AddFile("D:\\Real\\Maker\\Other\\Other.exe", "keep");
    m.AddFolder("D:\\Real\\Maker\\Game");
    m.AddJunction(kMaker, "D:\\Real\\Maker");
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), {}, kGame));
    EXPECT_FALSE(m.Exists("D:\\Real\\Maker\\Game"));
    EXPECT_TRUE(m.IsFolder(kMaker));
    EXPECT_FALSE(Touched(m, kMaker));
    EXPECT_EQ(m.FileBytes("C:\\Games\\Maker\\Other\\Other.exe"), "keep");
}

TEST(RemoveInstallation, AnEmptyFileListStillRemovesRecordsAndFolders) {
    sim::Machine m;
    m.AddFile(G + "\\InstallInfo\\Installer.ini");
    m.AddFile(G + "\\InstallInfo\\InstallFiles.ini");
    m.ClearJournal();
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), {}, kGame));
    EXPECT_FALSE(m.Exists(G));
    // The record file that was never there fails silently.
    EXPECT_EQ(m.Calls("DeleteFileA").size(), 3u);
    EXPECT_TRUE(m.MessageBoxes().empty());
}

TEST(RemoveInstallation, EveryStepIsAttemptedAfterEarlierFailures) {
    sim::Machine m;
    LayOutSample(m);
    m.HoldOpen(D + "\\Game.lnk", 0);  // a locked shortcut
    m.SetAttributes(G + "\\Manual.html", FILE_ATTRIBUTE_READONLY);
    m.FailCall("RemoveDirectoryA", 1, ERROR_SHARING_VIOLATION);  // the game menu folder
    m.FailCall("RegDeleteKeyA", 1, ERROR_ACCESS_DENIED);         // the game key
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), SampleFiles(), kGame));
    EXPECT_TRUE(m.IsFile(D + "\\Game.lnk"));
    EXPECT_TRUE(m.IsFolder(GM));
    EXPECT_FALSE(m.Exists(G + "\\Game.exe"));
    EXPECT_TRUE(m.IsFile(G + "\\Manual.html"));
    EXPECT_FALSE(m.Exists(G + "\\Data"));
    EXPECT_FALSE(m.Exists(G + "\\InstallInfo"));
    EXPECT_TRUE(m.IsFolder(G));
    EXPECT_TRUE(m.KeyExists(kGameKey));
    EXPECT_FALSE(m.ValueExists(kGameKey, "InstallPath"));
    EXPECT_FALSE(m.KeyExists(kEntryKey));
    EXPECT_TRUE(m.MessageBoxes().empty());  // a file in the game folder itself needs no folder message
    ExpectNoLeaks(m);
}

TEST(RemoveInstallation, WithoutAdministratorRightsTheResultIsFalseAfterAllSteps) {
    sim::Machine m;
    LayOutSample(m);
    m.SetAdministrator(false);
    EXPECT_FALSE(RemoveInstallation(SampleSettings(), SampleFiles(), kGame));
    EXPECT_FALSE(m.Exists(G));  // the simulated volume does not check rights
    EXPECT_TRUE(m.ValueExists(kGameKey, "InstallPath"));
    EXPECT_EQ(m.ValueNames(kEntryKey).size(), 5u);
    EXPECT_EQ(m.CallCount("RegCreateKeyExA"), 1);
    EXPECT_EQ(m.CallCount("RegDeleteKeyA"), 0);
    ExpectNoLeaks(m);
}

TEST(RemoveInstallation, WithoutTheCommonFoldersTheirStepsAreSkipped) {
    sim::Machine m;
    LayOutSample(m);
    // Where empty folder paths would lead: the root of the current drive.
    m.AddFile("C:\\Game.lnk", "keep");
    m.AddFile("C:\\MakerMenu\\Game\\Game.lnk", "keep");
    m.MakeSpecialFolderUnavailable(CSIDL_COMMON_DESKTOPDIRECTORY);
    m.MakeSpecialFolderUnavailable(CSIDL_COMMON_PROGRAMS);
    m.ClearJournal();
    EXPECT_TRUE(RemoveInstallation(SampleSettings(), SampleFiles(), kGame));
    EXPECT_EQ(m.FileBytes("C:\\Game.lnk"), "keep");
    EXPECT_EQ(m.FileBytes("C:\\MakerMenu\\Game\\Game.lnk"), "keep");
    for (const auto& entry : m.Journal()) {
        EXPECT_NE(entry.argument.rfind("\\", 0), 0u) << entry.function << " " << entry.argument;
    }
    EXPECT_EQ(RemovedFolders(m).front(), G + "\\Data\\Movie");  // steps 4 and 5 skipped
    EXPECT_TRUE(m.IsFile(D + "\\Game.lnk"));
    EXPECT_TRUE(m.IsFile(GM + "\\Game.lnk"));
    EXPECT_FALSE(m.Exists(G));
    ExpectBystandersIntact(m);
}

TEST(RemoveInstallation, UnsafeMenuNamesSkipTheMenuSteps) {
    struct Case {
        const char* title;
        std::string makerMenu;
        std::string gameName;
        bool makerMenuStep;  // step 5 runs
    };
    const Case cases[] = {
        {"game name climbs out", "MakerMenu", "..\\..\\..\\..\\..\\..\\Windows", true},
        {"game name is dots", "MakerMenu", "..", true},
        {"empty game name", "MakerMenu", "", true},
        {"maker menu climbs out", "..\\..\\..\\..\\..", "Windows", false},
        {"maker menu is absolute", "C:\\", "Windows", false},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        LayOutSample(m);
        m.AddFile("C:\\Windows\\Game.lnk", "keep");
        m.AddFolder("C:\\Windows\\Empty");
        InstallerSettings settings = SampleSettings();
        settings.DefaultGameMakerProgramMenuName = c.makerMenu;
        settings.GameName = c.gameName;
        m.ClearJournal();
        EXPECT_TRUE(RemoveInstallation(settings, SampleFiles(), kGame)) << c.title;
        EXPECT_EQ(m.FileBytes("C:\\Windows\\Game.lnk"), "keep") << c.title;
        EXPECT_TRUE(m.IsFolder("C:\\Windows\\Empty")) << c.title;
        EXPECT_TRUE(m.IsFile(GM + "\\Game.lnk")) << c.title;
        EXPECT_FALSE(Touched(m, GM)) << c.title;
        EXPECT_EQ(Touched(m, MM), c.makerMenuStep) << c.title;
        // The desktop shortcut, the six files and the three records; nothing in a menu.
        EXPECT_EQ(m.CallCount("DeleteFileA"), 10) << c.title;
        for (const auto& entry : m.Calls("DeleteFileA")) EXPECT_NE(entry.argument.rfind(kPrograms, 0), 0u) << c.title;
        ExpectBystandersIntact(m);
    }
}

TEST(RemoveInstallation, WithoutAMakerMenuTheGameMenuLiesInThePrograms) {
    sim::Machine m;
    LayOutSample(m);
    const std::string gameMenu = std::string(kPrograms) + "\\Game";
    m.AddFile(gameMenu + "\\Game.lnk", "lnk");
    m.AddFile(gameMenu + "\\Manual.lnk", "lnk");
    m.AddFile(std::string(kPrograms) + "\\Other.lnk", "keep");
    InstallerSettings settings = SampleSettings();
    settings.DefaultGameMakerProgramMenuName = "";
    m.ClearJournal();
    EXPECT_TRUE(RemoveInstallation(settings, SampleFiles(), kGame));
    EXPECT_FALSE(m.Exists(gameMenu));
    EXPECT_EQ(m.FileBytes(std::string(kPrograms) + "\\Other.lnk"), "keep");
    // The program-menu folder itself is never attempted, however it is written.
    std::vector<std::string> menuFolders;
    for (const auto& folder : RemovedFolders(m)) {
        if (folder.rfind(kPrograms, 0) == 0) menuFolders.push_back(folder);
    }
    EXPECT_EQ(menuFolders, std::vector<std::string>{gameMenu});
    EXPECT_TRUE(m.IsFile(GM + "\\Game.lnk"));
    ExpectBystandersIntact(m);
}

// The names are joined with AddTrailingSeparator: one separator at the end
// of either names the same menu folder, whose shortcuts and folders go.
TEST(RemoveInstallation, AMenuNameEndingInASeparatorNamesTheSameFolder) {
    const struct {
        const char* makerMenu;
        const char* gameName;
        std::string gameMenu;
    } cases[] = {
        {"MakerMenu\\", "Game", GM},
        {"MakerMenu", "Game\\", GM},
        {"MakerMenu\\", "Game\\", GM},
        {"", "Game\\", std::string(kPrograms) + "\\Game"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.makerMenu) + " / " + c.gameName);
        sim::Machine m;
        LayOutSample(m, false);
        m.AddFile(c.gameMenu + "\\Game.lnk", "lnk");
        m.AddFile(c.gameMenu + "\\Manual.lnk", "lnk");
        InstallerSettings settings = SampleSettings();
        settings.DefaultGameMakerProgramMenuName = c.makerMenu;
        settings.GameName = c.gameName;
        EXPECT_TRUE(RemoveInstallation(settings, SampleFiles(), kGame));
        EXPECT_FALSE(m.Exists(c.gameMenu));
        EXPECT_EQ(m.Exists(MM), std::string(c.makerMenu).empty());  // the sample's own maker menu is empty then
        EXPECT_TRUE(m.IsFolder(kPrograms));
    }
}

TEST(RemoveInstallation, ATamperedListAndAPlantedLinkTouchNothingOutside) {
    sim::Machine m;
    LayOutSample(m);
    m.AddJunction(G + "\\Link", "C:\\Outside\\Data");
    m.AddFile(G + "\\keep.txt", "game");
    InstallFileList files = SampleFiles();
    const std::vector<std::string> tampered = {
        "Link\\movie.dat",        "Link/movie.dat",          "..\\Other\\Other.exe",
        "..\\readme.txt",         "..\\..\\..\\Windows\\system.ini",
        "Data\\..\\..\\readme.txt", "C:\\Windows\\system.ini", "\\Windows\\system.ini",
        "..\\Other\\Data\\other.pak",
    };
    for (const auto& path : tampered) files.push_back({path, 0, 0});
    InstallerSettings settings = SampleSettings();
    settings.DesktopShortcut.push_back({"x", "..\\Other"});
    settings.Shortcut.push_back({"x", "..\\Other\\Other"});
    EXPECT_TRUE(RemoveInstallation(settings, files, kGame));
    ExpectBystandersIntact(m);
    EXPECT_TRUE(m.IsFolder(G + "\\Link"));  // a link is not removed, and reported
    ASSERT_EQ(m.MessageBoxes().size(), 1u);
    EXPECT_EQ(m.MessageBoxes()[0].text, FolderMessage(G + "\\Link"));
    EXPECT_FALSE(m.Exists(G + "\\Data"));
    EXPECT_EQ(m.FileBytes(G + "\\keep.txt"), "game");
    for (const auto& entry : m.Journal()) {
        if (entry.function != "DeleteFileA" && entry.function != "RemoveDirectoryA") continue;
        const bool inside = entry.argument.rfind(G, 0) == 0 || entry.argument.rfind(kDesktop, 0) == 0 ||
                            entry.argument.rfind(kPrograms, 0) == 0 || entry.argument == kMaker;
        EXPECT_TRUE(inside) << entry.function << " " << entry.argument;
        EXPECT_EQ(entry.argument.find(".."), std::string::npos) << entry.argument;
    }
    ExpectNoLeaks(m);
}

TEST(RemoveInstallation, NothingIsRemovedThroughLinkedMenuOrRecordFolders) {
    sim::Machine m;
    LayOutSample(m, /*withBystanders=*/false);
    m.AddFile("C:\\Outside\\Menu\\Game.lnk", "keep");
    m.AddFile("C:\\Outside\\Records\\Installer.ini", "keep");
    m.AddFile("C:\\Outside\\Records\\InstallFiles.ini", "keep");
    m.AddFile("C:\\Outside\\Records\\SaveFolderSetting.ini", "keep");
    // The game's menu folder and its record folder replaced by links.
    const std::string otherGame = "C:\\Games\\Maker\\Linked";
    m.AddJunction(MM + "\\Linked", "C:\\Outside\\Menu");
    m.AddJunction(otherGame + "\\InstallInfo", "C:\\Outside\\Records");
    InstallerSettings settings = SampleSettings();
    settings.GameName = "Linked";
    EXPECT_TRUE(RemoveInstallation(settings, {}, otherGame));
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Menu\\Game.lnk"), "keep");
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Records\\Installer.ini"), "keep");
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Records\\InstallFiles.ini"), "keep");
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Records\\SaveFolderSetting.ini"), "keep");
    EXPECT_TRUE(m.IsFolder(MM + "\\Linked"));
    EXPECT_TRUE(m.IsFolder(otherGame + "\\InstallInfo"));
    EXPECT_FALSE(Touched(m, MM + "\\Linked"));
    EXPECT_FALSE(Touched(m, otherGame + "\\InstallInfo"));
}

TEST(UninstallGame, RefusesAFolderThatIsNotAbsolute) {
    const std::string cases[] = {"", "Games\\Maker\\Game", "C:Games\\Maker\\Game", "\\Games\\Maker\\Game", "C"};
    for (const auto& folder : cases) {
        sim::Machine m;
        LayOutSample(m);
        m.SetCurrentDirectory("C:\\");
        m.ClearJournal();
        EXPECT_FALSE(UninstallGame(folder)) << folder;
        EXPECT_TRUE(m.Journal().empty()) << folder;
    }
}

TEST(UninstallGame, UnreadableRecordsRemoveNothing) {
    struct Case {
        const char* title;
        const char* file;       // below InstallInfo
        const char* bytes;      // replacement content, or null to leave it out
    };
    const Case cases[] = {
        {"no Installer.ini", "Installer.ini", nullptr},
        {"malformed Installer.ini", "Installer.ini", "#Unknown = \"x\"\n"},
        {"empty Installer.ini", "Installer.ini", ""},
        {"no InstallFiles.ini", "InstallFiles.ini", nullptr},
        {"malformed InstallFiles.ini", "InstallFiles.ini", "#InstallFileList { \"a\", 0, 0x1, }\n"},
        {"cut-off InstallFiles.ini", "InstallFiles.ini", "#InstallFileList { \"Game.exe\", 0, 0x1\n"},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        LayOutSample(m);
        const std::string path = G + "\\InstallInfo\\" + c.file;
        if (c.bytes == nullptr) {
            ASSERT_TRUE(DeleteFileA(path.c_str()));
        } else {
            m.AddFile(path, c.bytes);
        }
        const auto before = m.ListTree("C:\\");
        const auto keysBefore = m.AllKeys();
        m.ClearJournal();
        EXPECT_FALSE(UninstallGame(kGame)) << c.title;
        EXPECT_EQ(m.ListTree("C:\\"), before) << c.title;
        EXPECT_EQ(m.AllKeys(), keysBefore) << c.title;
        EXPECT_TRUE(Actions(m).empty()) << c.title;
        EXPECT_TRUE(m.MessageBoxes().empty()) << c.title;
        ExpectNoLeaks(m);
    }
}

TEST(UninstallGame, ReadsTheRecordsAndUninstallsEndToEnd) {
    sim::Machine m;
    LayOutSample(m);
    EXPECT_TRUE(UninstallGame(kGame));
    EXPECT_FALSE(m.Exists(G));
    EXPECT_FALSE(m.Exists(GM));
    EXPECT_FALSE(m.Exists(D + "\\Game.lnk"));
    EXPECT_FALSE(m.KeyExists(kGameKey));
    EXPECT_FALSE(m.KeyExists(kEntryKey));
    EXPECT_TRUE(m.MessageBoxes().empty());
    ExpectBystandersIntact(m);
    ExpectNoLeaks(m);

    // A second run finds no Installer.ini.
    m.ClearJournal();
    EXPECT_FALSE(UninstallGame(kGame));
    EXPECT_TRUE(Actions(m).empty());
}

}  // namespace
