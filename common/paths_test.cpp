#include "common/paths.h"

#include <gtest/gtest.h>

#include "common/sjis.h"

namespace {

// Two-byte characters whose trail byte looks like ASCII: 0x95 0x5C and
// 0x83 0x5C have a backslash as second byte, 0x81 0x40 a space-like 0x40,
// 0x82 0x20 is not valid CP932 but must still be stepped over whole.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(LeadByteRule, ClassifiesAll256Bytes) {
    for (int value = 0; value < 256; ++value) {
        const bool expected = (value >= 0x81 && value <= 0x9F) || (value >= 0xE0 && value <= 0xFF);
        EXPECT_EQ(sjis::IsLeadByte(static_cast<unsigned char>(value)), expected) << "byte " << value;
    }
}

TEST(LeadByteRule, EveryLeadByteHidesABackslashTrail) {
    // Whatever the lead byte, a following 0x5C is its trail, not a separator.
    for (int value = 0; value < 256; ++value) {
        const std::string path = std::string("C:\\a") + static_cast<char>(value) + "\\";
        const bool lead = sjis::IsLeadByte(static_cast<unsigned char>(value));
        if (value == '\\') continue;
        EXPECT_EQ(FindLastSeparator(path), lead ? 2 : 5) << "byte " << value;
    }
}

struct SeparatorCase {
    std::string path;
    std::ptrdiff_t last;
    std::string parent;
    std::string component;
};

TEST(PathOperations, SplitAtTheLastOneByteBackslash) {
    const SeparatorCase cases[] = {
        {"", -1, "", ""},
        {"name.txt", -1, "", "name.txt"},
        {"C:\\Games\\X", 8, "C:\\Games", "X"},
        {"C:\\Uninstaller.exe", 2, "C:", "Uninstaller.exe"},
        {"C:\\Games\\X\\", 10, "C:\\Games\\X", ""},
        {"\\", 0, "", ""},
        {"a" + kHyo, -1, "", "a" + kHyo},              // only backslash-like byte is a trail byte
        {"C:\\" + kSo + "\\x.txt", 5, "C:\\" + kSo, "x.txt"},
        {"C:\\" + kSo, 2, "C:", kSo},
        {"C:\\a b\\" + kHyo + kSo + "\\c", 11, "C:\\a b\\" + kHyo + kSo, "c"},
        {"a\\\\", 2, "a\\", ""},
        {"a/b", -1, "", "a/b"},                          // a slash is an ordinary byte
        {"\xA0\\x", 1, "\xA0", "x"},                     // half-width katakana is one byte
        {"x\x81", -1, "", "x\x81"},                      // a lone lead byte at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindLastSeparator(c.path), c.last) << c.path;
        EXPECT_EQ(GetParentPath(c.path), c.parent) << c.path;
        EXPECT_EQ(GetLastComponent(c.path), c.component) << c.path;
    }
}

struct TrailingCase {
    std::string path;
    std::string added;
    std::string removed;
};

TEST(PathOperations, AddAndRemoveTrailingSeparator) {
    const TrailingCase cases[] = {
        {"", "\\", ""},
        {"\\", "\\", ""},
        {"C:\\", "C:\\", "C:\\"},
        {"c:\\", "c:\\", "c:\\"},
        {"1:\\", "1:\\", "1:"},              // not a drive letter
        {"C:", "C:\\", "C:"},
        {"C:\\Games", "C:\\Games\\", "C:\\Games"},
        {"C:\\Games\\X\\", "C:\\Games\\X\\", "C:\\Games\\X"},
        {"C:\\Games\\\\", "C:\\Games\\\\", "C:\\Games\\"},  // only one is removed
        {"C:\\" + kHyo, "C:\\" + kHyo + "\\", "C:\\" + kHyo},
        {"C:\\" + kSo + "\\", "C:\\" + kSo + "\\", "C:\\" + kSo},
        {"\\\\server\\share\\", "\\\\server\\share\\", "\\\\server\\share"},
    };
    for (const auto& c : cases) {
        std::string added = c.path;
        AddTrailingSeparator(added);
        EXPECT_EQ(added, c.added) << c.path;
        std::string removed = c.path;
        RemoveTrailingSeparator(removed);
        EXPECT_EQ(removed, c.removed) << c.path;
    }
}

TEST(IsDeviceName, TheNameBeforeTheFirstDotInAnyCase) {
    const struct {
        const char* name;
        bool device;
    } cases[] = {
        {"NUL", true},       {"nul.txt", true},   {"CON.txt", true},    {"Com1.dat", true},  {"LPT9", true},
        {"aux", true},       {"PRN.a.b", true},   {"NUL ", true},       {"nul  .x", true},   {"COM0", false},
        {"COM10", false},    {"LPT", false},      {"NULL", false},      {"CONX.txt", false}, {"xNUL", false},
        {" NUL", false},     {"a.NUL", false},    {"", false},          {".nul", false},
        {"\x82\x6D\x82\x74\x82\x6B", false},  // full-width NUL is a name like any other
    };
    for (const auto& c : cases) EXPECT_EQ(IsDeviceName(c.name), c.device) << c.name;
}

TEST(FoldForComparison, FoldsAsciiLettersAndSlashesOutsideTwoByteCharacters) {
    const struct {
        std::string path, folded;
    } cases[] = {
        {"c:\\Games/x.EXE", "C:\\GAMES\\X.EXE"},
        {"\x83\x61z", "\x83\x61Z"},  // a trail byte that looks like 'a' is not a letter
        {"\xA0" "a", "\xA0" "A"},    // half-width katakana is one byte
        {"x\x81", "X\x81"},          // a lone lead byte at the end
    };
    for (const auto& c : cases) EXPECT_EQ(FoldForComparison(c.path), c.folded) << c.path;
}

}  // namespace
