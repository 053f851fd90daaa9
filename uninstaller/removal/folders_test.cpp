#include "uninstaller/removal/folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using namespace removal_test;

InstallFileList Files(const std::vector<std::string>& paths) {
    InstallFileList list;
    for (const auto& path : paths) list.push_back({path, 0, 0});
    return list;
}

TEST(PathDepth, CountsOneByteBackslashesOnly) {
    const struct {
        std::string path;
        std::size_t depth;
    } cases[] = {
        {"", 0},
        {"a", 0},
        {"a\\b", 1},
        {"a\\b\\c\\", 3},
        {"a/b", 0},
        {"\x83\x5C", 0},              // ソ
        {"\x95\x5C\\\x83\x5C\\x", 2},  // 表\ソ\x
        {"\\\\", 2},
        {"a\x83", 0},  // a lead byte as the last byte
    };
    for (const auto& c : cases) EXPECT_EQ(PathDepth(c.path), c.depth) << c.path;
}

TEST(OrderFoldersForRemoval, EveryFolderOnTheWayDeepestFirst) {
    const struct {
        const char* title;
        std::vector<std::string> paths;
        std::vector<std::string> order;
    } cases[] = {
        {"nested and flat", {"a\\b\\x.txt", "a\\y.txt"}, {"a\\b", "a"}},
        {"each folder once", {"Data\\Movie\\op.mpg", "Data\\Movie\\ed.mpg", "Data\\x"}, {"Data\\Movie", "Data"}},
        {"letter case makes two folders", {"Data\\x.txt", "data\\y.txt"}, {"Data", "data"}},
        {"no separator, no folder", {"a.txt"}, {}},
        {"a slash separates like a backslash", {"Data/Sub\\x.txt", "Data\\y.txt", "b/c.txt"}, {"Data\\Sub", "Data", "b"}},
        {"empty list", {}, {}},
        {"0x5C trail byte splits nothing", {"\x83\x5C\x83\x74\x83\x67\\x.txt", "\x95\x5C\\a\\b.txt"},
         {"\x95\x5C\\a", "\x83\x5C\x83\x74\x83\x67", "\x95\x5C"}},
        {"a trailing separator is dropped first", {"Data\\Sub\\", "Disc/Sub/", "x\\"}, {"Data", "Disc"}},
        {"other empty components add nothing", {"a\\b\\\\", "c\\\\d\\x", "\\e\\x"}, {}},
        {"equal depth in byte order", {"b\\x", "a\\x", "\xE0\x40\\x"}, {"a", "b", "\xE0\x40"}},
        {"unsafe entries add nothing",
         {"..\\..\\Windows\\x", "Data\\..\\..\\x", "C:\\Windows\\x", "\\Windows\\x", "a\\.\\x", "ok\\x"},
         {"ok"}},
    };
    for (const auto& c : cases) EXPECT_EQ(OrderFoldersForRemoval(Files(c.paths)), c.order) << c.title;
}

TEST(FormatFolderFailureMessage, FramesThePathAndCutsItToFit) {
    EXPECT_EQ(FormatFolderFailureMessage("C:\\G\\Data"), FolderMessage("C:\\G\\Data"));

    // 4060 bytes of path exactly fill 4095 bytes of text.
    const std::string fits(4060, 'p');
    EXPECT_EQ(FormatFolderFailureMessage(fits), FolderMessage(fits));
    EXPECT_EQ(FolderMessage(fits).size(), 4095u);

    const std::string tooLong(5000, 'p');
    EXPECT_EQ(FormatFolderFailureMessage(tooLong), FolderMessage(fits));

    // A two-byte character across the limit is left out whole.
    const std::string straddling = std::string(4059, 'p') + "\x95\x5C" + "tail";
    EXPECT_EQ(FormatFolderFailureMessage(straddling), FolderMessage(std::string(4059, 'p')));
}

TEST(RemoveInstalledFolders, RemovesDeepestFirstWithOneWaitBeforeEachAttempt) {
    sim::Machine m;
    m.AddFolder("C:\\G\\a\\b\\c");
    m.AddFolder("C:\\G\\z");
    m.ClearJournal();
    RemoveInstalledFolders("C:\\G", Files({"a\\b\\c\\x.txt", "a\\y.txt", "z\\w.txt"}));
    EXPECT_EQ(Arguments(m.Calls("RemoveDirectoryA")),
              (std::vector<std::string>{"C:\\G\\a\\b\\c", "C:\\G\\a\\b", "C:\\G\\a", "C:\\G\\z"}));
    ExpectEachWaitRightBeforeItsRemoval(m);
    EXPECT_EQ(m.TotalSleptMilliseconds(), 400u);
    EXPECT_TRUE(m.MessageBoxes().empty());
    EXPECT_TRUE(m.IsFolder("C:\\G"));
}

TEST(RemoveInstalledFolders, OneMessagePerFolderThatStays) {
    sim::Machine m;
    m.AddFile("C:\\G\\a\\b\\later.sav");  // written by the game, not in the list
    m.AddFolder("C:\\G\\c");
    RemoveInstalledFolders("C:\\G", Files({"a\\b\\x.txt", "c\\y.txt", "gone\\z.txt"}));
    ASSERT_EQ(m.MessageBoxes().size(), 3u);
    EXPECT_EQ(m.MessageBoxes()[0].text, FolderMessage("C:\\G\\a\\b"));
    EXPECT_EQ(m.MessageBoxes()[1].text, FolderMessage("C:\\G\\a"));
    EXPECT_EQ(m.MessageBoxes()[2].text, FolderMessage("C:\\G\\gone"));  // already deleted by the user
    for (const auto& box : m.MessageBoxes()) {
        EXPECT_EQ(box.caption, "Uninstaller");
        EXPECT_EQ(box.flags, kFolderMessageStyle);
        EXPECT_FALSE(box.hasOwner);
    }
    EXPECT_FALSE(m.Exists("C:\\G\\c"));
    EXPECT_TRUE(m.IsFile("C:\\G\\a\\b\\later.sav"));
    EXPECT_EQ(m.CallCount("RemoveDirectoryA"), 4);
}

TEST(RemoveInstalledFolders, TheSecondLetterCaseIsReportedByItsOwnName) {
    sim::Machine m;
    m.AddFolder("C:\\G\\Data");
    RemoveInstalledFolders("C:\\G", Files({"Data\\x.txt", "data\\y.txt"}));
    EXPECT_FALSE(m.Exists("C:\\G\\Data"));
    ASSERT_EQ(m.MessageBoxes().size(), 1u);
    EXPECT_EQ(m.MessageBoxes()[0].text, FolderMessage("C:\\G\\data"));
}

TEST(RemoveInstalledFolders, LinksAreNeitherFollowedNorRemoved) {
    sim::Machine m;
    m.AddFile("C:\\Outside\\Data\\Movie\\keep.dat", "keep");
    m.AddFolder("C:\\Outside\\Empty");
    m.AddJunction("C:\\G\\Data", "C:\\Outside\\Data");
    m.AddJunction("C:\\G\\Save", "C:\\Outside\\Empty");
    m.ClearJournal();
    RemoveInstalledFolders("C:\\G", Files({"Data\\Movie\\op.mpg", "Save\\x.sav"}));
    // Data\Movie lies through the link; Data and Save are links themselves.
    EXPECT_EQ(m.CallCount("RemoveDirectoryA"), 0);
    EXPECT_EQ(m.CallCount("Sleep"), 0);
    EXPECT_TRUE(m.IsFolder("C:\\G\\Data"));
    EXPECT_TRUE(m.IsFolder("C:\\G\\Save"));
    EXPECT_TRUE(m.IsFolder("C:\\Outside\\Data\\Movie"));
    EXPECT_TRUE(m.IsFolder("C:\\Outside\\Empty"));
    ASSERT_EQ(m.MessageBoxes().size(), 3u);
    EXPECT_EQ(m.MessageBoxes()[0].text, FolderMessage("C:\\G\\Data\\Movie"));
    EXPECT_EQ(m.MessageBoxes()[1].text, FolderMessage("C:\\G\\Data"));
    EXPECT_EQ(m.MessageBoxes()[2].text, FolderMessage("C:\\G\\Save"));
}

TEST(RemoveInstalledFolders, ATooLongPathIsCutInItsMessage) {
    sim::Machine m;
    const std::string folder(4100, 'f');
    RemoveInstalledFolders("C:\\G", Files({folder + "\\x.txt"}));
    ASSERT_EQ(m.MessageBoxes().size(), 1u);
    const std::string& text = m.MessageBoxes()[0].text;
    EXPECT_EQ(text.size(), 4095u);
    EXPECT_EQ(text, FolderMessage(("C:\\G\\" + folder).substr(0, 4060)));
}

}  // namespace
