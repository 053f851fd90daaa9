#include "uninstaller/removal/files_and_shortcuts.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using namespace removal_test;

InstallerSettings WithDesktopLinks(std::vector<std::string> names) {
    InstallerSettings s;
    for (auto& name : names) s.DesktopShortcut.push_back({"x", std::move(name)});
    return s;
}

TEST(RemoveInstalledFiles, AFailedDeletionDoesNotStopTheWalk) {
    sim::Machine m;
    m.AddFile("C:\\G\\a.txt");
    m.AddFile("C:\\G\\ro.txt");
    m.AddFile("C:\\G\\locked.txt");
    m.AddFile("C:\\G\\z.txt");
    m.AddFolder("C:\\G\\Folder");
    m.SetAttributes("C:\\G\\ro.txt", FILE_ATTRIBUTE_READONLY);
    m.HoldOpen("C:\\G\\locked.txt", FILE_SHARE_READ);
    RemoveInstalledFiles("C:\\G", {{"gone.txt"}, {"ro.txt"}, {"locked.txt"}, {"Folder"}, {"a.txt"}, {"a.txt"},
                                   {"z.txt"}});
    EXPECT_TRUE(m.IsFile("C:\\G\\ro.txt"));  // attributes are not changed
    EXPECT_TRUE(m.IsFile("C:\\G\\locked.txt"));
    EXPECT_TRUE(m.IsFolder("C:\\G\\Folder"));  // a listed folder is left alone
    EXPECT_FALSE(m.Exists("C:\\G\\a.txt"));
    EXPECT_FALSE(m.Exists("C:\\G\\z.txt"));
    EXPECT_EQ(m.CallCount("DeleteFileA"), 7);
    EXPECT_EQ(m.OpenFileHandles(), 0);
}

TEST(RemoveInstalledFiles, UnsafePathsDeleteNothingOutsideTheGameFolder) {
    sim::Machine m;
    LayOutSample(m);
    m.AddFile("C:\\Games\\Maker\\Game\\inner.txt");
    m.ClearJournal();
    const InstallFileList tampered = {
        {"..\\Other\\Other.exe"},
        {"..\\..\\..\\Windows\\system.ini"},
        {"Data\\..\\..\\readme.txt"},
        {"Data/../../readme.txt"},
        {"..\\readme.txt"},
        {".. \\readme.txt"},
        {"...\\readme.txt"},
        {"C:\\Windows\\system.ini"},
        {"C:..\\readme.txt"},
        {"\\Windows\\system.ini"},
        {"/Windows/system.ini"},
        {""},
        {"inner.txt:stream"},
        {std::string("..\0inner.txt", 12)},
    };
    RemoveInstalledFiles(kGame, tampered);
    EXPECT_EQ(m.CallCount("DeleteFileA"), 0);
    EXPECT_TRUE(m.IsFile("C:\\Games\\Maker\\Game\\inner.txt"));
    ExpectBystandersIntact(m);
}

TEST(RemoveInstalledFiles, NothingIsDeletedThroughALinkInsideTheGameFolder) {
    sim::Machine m;
    m.AddFile("C:\\Outside\\Data\\movie.dat", "keep");
    m.AddFile("C:\\Outside\\Data\\Sub\\deep.dat", "keep");
    m.AddFile("C:\\G\\Real\\real.dat");
    m.AddJunction("C:\\G\\Data", "C:\\Outside\\Data");
    m.AddJunction("C:\\G\\Real\\Up", "C:\\Outside");
    RemoveInstalledFiles("C:\\G", {{"Data\\movie.dat"}, {"Data/Sub/deep.dat"}, {"Real\\Up\\Data\\movie.dat"},
                                   {"Real\\real.dat"}});
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Data\\movie.dat"), "keep");
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Data\\Sub\\deep.dat"), "keep");
    EXPECT_FALSE(m.Exists("C:\\G\\Real\\real.dat"));
    EXPECT_EQ(m.CallCount("DeleteFileA"), 1);
}

TEST(RemoveDesktopShortcuts, LooksFirstAndDeletesOnlyShortcutFiles) {
    struct Case {
        const char* title;
        std::string linkName;
        std::string present;  // a file below the desktop ("" for none)
        std::string presentFolder;
        bool deleted;  // whether `present` is gone afterwards
        int deleteCalls;
    };
    const Case cases[] = {
        {"plain shortcut", "Mine", "Mine.lnk", "", true, 1},
        {"missing shortcut is skipped", "Mine", "", "", false, 0},
        {"name already ending in .lnk gets it twice", "Mine.lnk", "Mine.lnk", "", false, 0},
        {"folder named like the shortcut stays", "Mine", "", "Mine.lnk", false, 0},
        {"shortcut in a subfolder", "Maker\\Mine", "Maker\\Mine.lnk", "", true, 1},
        {"Japanese name with 0x5C trail", "\x95\x5C\x8E\xA6", "\x95\x5C\x8E\xA6.lnk", "", true, 1},
        {"parent folder name", "..\\Other", "", "", false, 0},
        {"absolute name", "C:\\Windows\\system", "", "", false, 0},
        {"empty name", "", ".lnk", "", false, 0},
        {"dots only", "..", "", "", false, 0},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        LayOutSample(m);
        m.AddFile("C:\\Users\\Public\\Other.lnk", "keep");
        m.AddFile("C:\\Windows\\system.lnk", "keep");
        const std::string present = std::string(kDesktop) + "\\" + c.present;
        if (!c.present.empty()) m.AddFile(present, "lnk");
        if (!c.presentFolder.empty()) m.AddFolder(std::string(kDesktop) + "\\" + c.presentFolder);
        m.ClearJournal();
        RemoveDesktopShortcuts(WithDesktopLinks({c.linkName}));
        if (!c.present.empty()) {
            EXPECT_EQ(m.Exists(present), !c.deleted) << c.title;
        }
        if (!c.presentFolder.empty()) {
            EXPECT_TRUE(m.IsFolder(std::string(kDesktop) + "\\" + c.presentFolder)) << c.title;
        }
        EXPECT_EQ(m.CallCount("DeleteFileA"), c.deleteCalls) << c.title;
        EXPECT_EQ(m.FileBytes("C:\\Users\\Public\\Other.lnk"), "keep") << c.title;
        EXPECT_EQ(m.FileBytes("C:\\Windows\\system.lnk"), "keep") << c.title;
        EXPECT_EQ(m.OpenFileHandles(), 0) << c.title;
        ExpectBystandersIntact(m);
    }
}

TEST(RemoveDesktopShortcuts, SubfolderStaysAndDuplicatesAreSkipped) {
    sim::Machine m;
    m.AddFile(std::string(kDesktop) + "\\Maker\\Game.lnk");
    m.AddFile(std::string(kDesktop) + "\\Game.lnk");
    RemoveDesktopShortcuts(WithDesktopLinks({"Maker\\Game", "Game", "Game"}));
    EXPECT_TRUE(m.IsFolder(std::string(kDesktop) + "\\Maker"));
    EXPECT_FALSE(m.Exists(std::string(kDesktop) + "\\Game.lnk"));
    EXPECT_EQ(m.CallCount("FindFirstFileA"), 3);
    EXPECT_EQ(m.CallCount("FindClose"), 2);
    EXPECT_EQ(m.CallCount("DeleteFileA"), 2);
}

TEST(RemoveDesktopShortcuts, NothingWithoutTheCommonDesktop) {
    sim::Machine m;
    m.AddFile("C:\\Game.lnk", "keep");  // where an empty folder would lead
    m.MakeSpecialFolderUnavailable(CSIDL_COMMON_DESKTOPDIRECTORY);
    m.ClearJournal();
    RemoveDesktopShortcuts(WithDesktopLinks({"Game"}));
    EXPECT_EQ(m.FileBytes("C:\\Game.lnk"), "keep");
    EXPECT_EQ(m.CallCount("FindFirstFileA"), 0);
    EXPECT_EQ(m.CallCount("DeleteFileA"), 0);
}

TEST(RemoveDesktopShortcuts, NoShortcutIsDeletedThroughALinkedSubfolder) {
    sim::Machine m;
    m.AddFile("C:\\Outside\\Game.lnk", "keep");
    m.AddJunction(std::string(kDesktop) + "\\Maker", "C:\\Outside");
    RemoveDesktopShortcuts(WithDesktopLinks({"Maker\\Game"}));
    EXPECT_EQ(m.FileBytes("C:\\Outside\\Game.lnk"), "keep");
    EXPECT_EQ(m.CallCount("DeleteFileA"), 0);
}

}  // namespace
