#include "prefclear/path_helpers.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim.h"

namespace {

// ソ (0x83 0x5C) and 表 (0x95 0x5C): their second byte is a backslash's value.
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";

TEST(PathHelpers, JoinAndTrailingBackslash) {
    struct Case {
        std::string path;
        std::string joined;    // JoinPath(path, "f")
        std::string trailing;  // WithTrailingBackslash(path)
    } const cases[] = {
        {"", "f", "\\"},
        {"C:\\Games", "C:\\Games\\f", "C:\\Games\\"},
        {"C:\\Games\\", "C:\\Games\\f", "C:\\Games\\"},
        {"C:\\", "C:\\f", "C:\\"},
        {"C:\\" + kSo, "C:\\" + kSo + "\\f", "C:\\" + kSo + "\\"},
        {"C:\\" + kHyo + kSo, "C:\\" + kHyo + kSo + "\\f", "C:\\" + kHyo + kSo + "\\"},
        {"a\\\\", "a\\\\f", "a\\\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JoinPath(c.path, "f"), c.joined) << c.path;
        EXPECT_EQ(WithTrailingBackslash(c.path), c.trailing) << c.path;
    }
}

TEST(PathHelpers, FolderPrefixAndLowerExtension) {
    struct Case {
        std::string path;
        std::string prefix;
        std::string extension;
    } const cases[] = {
        {"C:\\Game\\Sub.INC", "C:\\Game\\", "inc"},
        {"Sub.InN", "", "inn"},
        {"a.b.Dll", "", "dll"},
        {"C:\\v1.2\\file", "C:\\v1.2\\", ""},
        {"C:\\Game\\", "C:\\Game\\", ""},
        {"name.", "", ""},
        {"", "", ""},
        {"C:\\" + kSo + ".INC", "C:\\", "inc"},
        {kSo + "x.Z" + kHyo + "Q", "", "z" + kHyo + "q"},  // two-byte characters copied unchanged
        {"a\\" + kSo + "b", "a\\", ""},                    // 0x5C of ソ is no separator
        {"x.A" + kSo, "", "a" + kSo},
        {"x.\x82\x2E" "b", "", "\x82\x2E" "b"},            // 0x2E as a trail byte is no point
        {"x\x82\x2E" "b", "", ""},
        {"x.ab\x83", "", "ab\x83"},                         // a lead byte as the last byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderPrefix(c.path), c.prefix) << c.path;
        EXPECT_EQ(LowerExtension(c.path), c.extension) << c.path;
    }
}

TEST(PathHelpers, ClimbsOutOfFolder) {
    struct Case {
        std::string name;
        bool climbs;
    } const cases[] = {
        {"SaveData", false}, {"", false},          {".", false},          {"...", false},
        {"a..b", false},     {"..a", false},       {"Save\\Data", false}, {kSo + "..", false},
        {"..", true},        {"..\\x", true},      {"x\\..", true},       {"a\\..\\b", true},
        {"a/../b", true},    {"x\\..\\", true},    {"\\..", true},        {kSo + "\\..", true},
    };
    for (const auto& c : cases) EXPECT_EQ(ClimbsOutOfFolder(c.name), c.climbs) << c.name;
}

TEST(PathHelpers, IsExistingFileSeesOnlyFiles) {
    sim::Machine machine;
    machine.AddFile("C:\\Game\\OrrinStart.ini");
    machine.AddFile("C:\\Game\\" + kSo + "\\a.inc");
    machine.AddFolder("C:\\Game\\Folder.ini");
    machine.AddFile("C:\\Game\\ReadOnly.ini");
    machine.SetAttributes("C:\\Game\\ReadOnly.ini", FILE_ATTRIBUTE_READONLY);
    machine.AddFile("C:\\Game\\nul.inn");  // unreachable through the file calls
    machine.AddFile("C:\\Game\\" + kSo + "aux.inn");
    struct Case {
        std::string path;
        bool exists;
    } const cases[] = {
        {"C:\\Game\\OrrinStart.ini", true},
        {"c:\\game\\orrinstart.INI", true},
        {"C:\\Game\\" + kSo + "\\a.inc", true},
        {"C:\\Game\\ReadOnly.ini", true},
        {"C:\\Game\\Folder.ini", false},
        {"C:\\Game\\Missing.ini", false},
        {"C:\\Game", false},
        {"C:\\Nowhere\\OrrinStart.ini", false},
        {"C:\\Game\\COM1.inn", false},
        {"C:\\Game\\nul.inn", false},
        {"C:\\Game\\sub/Con", false},
        {"C:\\Game\\" + kSo + "aux.inn", true},  // the trail byte 0x5C splits nothing
    };
    for (const auto& c : cases) EXPECT_EQ(IsExistingFile(c.path), c.exists) << c.path;
    EXPECT_EQ(machine.OpenFileHandles(), 0);  // every search closed at once
}

}  // namespace
