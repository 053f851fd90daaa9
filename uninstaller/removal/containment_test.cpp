#include "uninstaller/removal/containment.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim.h"

namespace {

struct PathCase {
    const char* title;
    std::string path;
    bool safe;
};

struct ReasonCase {
    const char* title;
    std::string path;
    StepReason reason;
};

// Each refusal names its fault: recordcheck tells the maker what to change from it.
TEST(CheckRelativePath, AcceptsOnlyPathsThatStayBelowTheirFolderAndNamesTheFault) {
    const ReasonCase cases[] = {
        {"plain file", "a.txt", StepReason::None},
        {"nested", "Data\\Movie\\op.mpg", StepReason::None},
        {"forward slash nested", "Data/x.dat", StepReason::None},
        {"doubled separator", "a\\\\b", StepReason::EmptyComponent},
        {"trailing separator", "a\\b\\", StepReason::EmptyComponent},
        {"dots inside a name", "a..b\\..c\\d..", StepReason::None},
        {"0x5C trail byte is no separator: one component '..' + char", "..\x83\x5C", StepReason::None},
        {"Japanese folder with 0x5C trail", "\x95\x5C\x8E\xA6\\\x83\x5C.txt", StepReason::None},
        {"empty", "", StepReason::EmptyName},
        {"leading backslash", "\\Windows\\x", StepReason::LeadingSeparator},
        {"leading slash", "/Windows/x", StepReason::LeadingSeparator},
        {"two leading backslashes", "\\\\server\\share", StepReason::LeadingSeparator},
        {"drive", "C:\\Windows\\x", StepReason::Colon},
        {"drive-relative", "C:x", StepReason::Colon},
        {"stream", "readme.txt:hidden", StepReason::Colon},
        {"dot", ".", StepReason::DotsComponent},
        {"dot dot", "..", StepReason::DotsComponent},
        {"three dots", "...", StepReason::DotsComponent},
        {"dots and a space", ".. ", StepReason::DotsComponent},
        {"only a space", " ", StepReason::DotsComponent},
        {"parent in the middle", "Data\\..\\..\\Other\\x", StepReason::DotsComponent},
        {"parent with slashes", "Data/../../x", StepReason::DotsComponent},
        {"parent last", "Data\\..", StepReason::DotsComponent},
        {"current folder component", "Data\\.\\x", StepReason::DotsComponent},
        {"space-dot component", "Data\\ .\\x", StepReason::DotsComponent},
        {"real separator after a 0x5C trail byte", "\x83\x5C\\..\\x", StepReason::DotsComponent},
        {"lone lead byte at the end", "abc\x83", StepReason::BadCharacter},
        {"lead byte with a dot as trail", "\x81..\\x", StepReason::BadCharacter},
        {"lead byte with a slash as trail", "a\x81/..", StepReason::BadCharacter},
        {"0xFD is a single byte to the system", "\xFD\\..\\x", StepReason::BadCharacter},
        // The edges of the trail-byte range: 0x40-0x7E and 0x80-0xFC.
        {"trail byte 0x3F", "a\x81\x3F", StepReason::BadCharacter},
        {"trail byte 0x40", "a\x81\x40", StepReason::None},
        {"trail byte 0x7E", "a\x81\x7E", StepReason::None},
        {"trail byte 0x7F", "a\x81\x7F", StepReason::BadCharacter},
        {"trail byte 0x80", "a\x81\x80", StepReason::None},
        {"trail byte 0xFC", "a\x81\xFC", StepReason::None},
        {"trail byte 0xFD", "a\x81\xFD", StepReason::BadCharacter},
        {"NUL inside", std::string("..\0x", 4), StepReason::NulByte},
        {"NUL after a safe prefix", std::string("a\0b", 3), StepReason::NulByte},
        {"a device as the file", "data\\NUL", StepReason::DeviceName},
        {"a device with an extension, any case", "cOn.txt", StepReason::DeviceName},
        {"a device as a folder", "LPT1.d\\x.dat", StepReason::DeviceName},
        {"a device with trailing spaces", "data\\aux  .dat", StepReason::DeviceName},
        {"names that only begin like a device", "COM10\\NULL\\CONX.txt", StepReason::None},
        {"a wildcard pattern", "data\\*.dat", StepReason::Wildcard},
        {"a question mark", "data\\a?.dat", StepReason::Wildcard},
        {"a wildcard in a folder", "d*\\x.dat", StepReason::Wildcard},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckRelativePath(c.path), c.reason) << c.title;
        EXPECT_EQ(IsSafeRelativePath(c.path), c.reason == StepReason::None) << c.title;
    }
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
        const ResolvedPath path = ResolveRecordPath("C:\\G", c.path);
        EXPECT_EQ(path.IsOpen(), c.safe) << c.title;
        EXPECT_EQ(path.path, "C:\\G\\" + c.path) << c.title;
    }

    // What shut the door, and where: a link's step names the link, an absent
    // folder makes the step "not there".
    const struct {
        const char* relative;
        StepReason refusal;
        const char* at;
    } shut[] = {
        {"Missing\\Deeper\\x.dat", StepReason::AbsentOnTheWay, "C:\\G\\Missing"},
        {"Real\\Inner\\x.dat", StepReason::LinkOnTheWay, "C:\\G\\Real\\Inner"},
        {"Link/x.dat", StepReason::LinkOnTheWay, "C:\\G\\Link"},
    };
    for (const auto& c : shut) {
        const ResolvedPath path = ResolveRecordPath("C:\\G", c.relative);
        EXPECT_EQ(path.refusal, c.refusal) << c.relative;
        EXPECT_EQ(path.at, c.at) << c.relative;
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
