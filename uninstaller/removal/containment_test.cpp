#include "uninstaller/removal/containment.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/sim.h"

namespace {

struct PathCase {
    const char* title;
    std::string path;
    bool safe;
};

TEST(IsSafeRelativePath, AcceptsOnlyPathsThatStayBelowTheirFolder) {
    const PathCase cases[] = {
        {"plain file", "a.txt", true},
        {"nested", "Data\\Movie\\op.mpg", true},
        {"forward slash nested", "Data/x.dat", true},
        {"doubled separator", "a\\\\b", false},
        {"trailing separator", "a\\b\\", false},
        {"dots inside a name", "a..b\\..c\\d..", true},
        {"0x5C trail byte is no separator: one component '..' + char", "..\x83\x5C", true},
        {"Japanese folder with 0x5C trail", "\x95\x5C\x8E\xA6\\\x83\x5C.txt", true},
        {"empty", "", false},
        {"leading backslash", "\\Windows\\x", false},
        {"leading slash", "/Windows/x", false},
        {"two leading backslashes", "\\\\server\\share", false},
        {"drive", "C:\\Windows\\x", false},
        {"drive-relative", "C:x", false},
        {"stream", "readme.txt:hidden", false},
        {"dot", ".", false},
        {"dot dot", "..", false},
        {"three dots", "...", false},
        {"dots and a space", ".. ", false},
        {"only a space", " ", false},
        {"parent in the middle", "Data\\..\\..\\Other\\x", false},
        {"parent with slashes", "Data/../../x", false},
        {"parent last", "Data\\..", false},
        {"current folder component", "Data\\.\\x", false},
        {"space-dot component", "Data\\ .\\x", false},
        {"real separator after a 0x5C trail byte", "\x83\x5C\\..\\x", false},
        {"lone lead byte at the end", "abc\x83", false},
        {"lead byte with a dot as trail", "\x81..\\x", false},
        {"lead byte with a slash as trail", "a\x81/..", false},
        {"0xFD is a single byte to the system", "\xFD\\..\\x", false},
        {"NUL inside", std::string("..\0x", 4), false},
        {"NUL after a safe prefix", std::string("a\0b", 3), false},
        {"a device as the file", "data\\NUL", false},
        {"a device with an extension, any case", "cOn.txt", false},
        {"a device as a folder", "LPT1.d\\x.dat", false},
        {"a device with trailing spaces", "data\\aux  .dat", false},
        {"names that only begin like a device", "COM10\\NULL\\CONX.txt", true},
        {"a wildcard pattern", "data\\*.dat", false},
        {"a question mark", "data\\a?.dat", false},
        {"a wildcard in a folder", "d*\\x.dat", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSafeRelativePath(c.path), c.safe) << c.title;
}

TEST(IsAbsoluteFolderPath, DriveWithBackslashOrTwoBackslashes) {
    const PathCase cases[] = {
        {"drive folder", "C:\\Games\\X", true},
        {"lower-case drive", "d:\\X", true},
        {"drive root", "C:\\", true},
        {"bare drive", "C:", true},
        {"network", "\\\\server\\share\\X", true},
        {"empty", "", false},
        {"relative", "Games\\X", false},
        {"drive-relative", "C:Games", false},
        {"root of the current drive", "\\Games\\X", false},
        {"digit drive", "1:\\X", false},
        {"letter only", "C", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsAbsoluteFolderPath(c.path), c.safe) << c.title;
}

TEST(ReparseWalk, FindsLinksOnTheWayBelowTheBase) {
    sim::Machine m;
    m.AddFile("C:\\Outside\\x.dat", "keep");
    m.AddFolder("C:\\G\\Real\\Sub");
    m.AddJunction("C:\\G\\Link", "C:\\Outside");
    m.AddJunction("C:\\G\\Real\\Inner", "C:\\Outside");
    m.AddJunction("C:\\G\\\x83\x5C", "C:\\Outside");  // a link named ソ

    const PathCase cases[] = {
        {"ordinary folders", "Real\\Sub\\x.dat", true},
        {"missing folders: nothing to act on below them", "Missing\\Deeper\\x.dat", false},
        {"no folder at all", "x.dat", true},
        {"the link itself is the last component", "Link", true},
        {"through a link", "Link\\x.dat", false},
        {"through a link, forward slash", "Link/x.dat", false},
        {"through a deeper link", "Real\\Inner\\x.dat", false},
        {"through a link whose name ends in 0x5C", "\x83\x5C\\x.dat", false},
        {"through a link reached by a doubled separator", "Real\\\\Inner\\x.dat", false},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> path = ResolveRecordPath("C:\\G", c.path);
        EXPECT_EQ(path.has_value(), c.safe) << c.title;
        if (path) {
            EXPECT_EQ(*path, "C:\\G\\" + c.path) << c.title;
        }
    }

    // A folder to act inside must itself be no link; an absent one has nothing in it.
    EXPECT_TRUE(ResolveRecordPath("C:\\G", "Real\\Sub", RecordPathUse::Inside));
    EXPECT_TRUE(ResolveRecordPath("C:\\G", "Real\\Missing", RecordPathUse::Inside));
    EXPECT_FALSE(ResolveRecordPath("C:\\G", "Link", RecordPathUse::Inside));
    EXPECT_FALSE(ResolveRecordPath("C:\\G", "Real\\Inner", RecordPathUse::Inside));
    EXPECT_EQ(m.OpenFileHandles(), 0);
}

// Every name check comes with the door: a path that could leave the base, and
// an empty base (the root of the current drive), give nothing, before any call.
TEST(ReparseWalk, TheDoorRefusesWhatCouldLeaveTheBase) {
    sim::Machine m;
    m.AddFolder("C:\\G\\Real");
    m.ClearJournal();
    for (const char* relative : {"..\\x.dat", "C:\\x.dat", "\\x.dat", "Real\\NUL", "Real\\*.dat", ""}) {
        EXPECT_FALSE(ResolveRecordPath("C:\\G", relative)) << relative;
    }
    EXPECT_FALSE(ResolveRecordPath("", "Real\\x.dat"));
    EXPECT_TRUE(m.Journal().empty());
}

TEST(ReparseWalk, UnreadableAttributesCountAsALink) {
    sim::Machine m;
    m.AddFolder("C:\\G\\Real");
    m.FailCall("GetFileAttributesA", 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ResolveRecordPath("C:\\G", "Real\\x.dat"));
    EXPECT_TRUE(ResolveRecordPath("C:\\G", "Real\\x.dat"));
}

}  // namespace
