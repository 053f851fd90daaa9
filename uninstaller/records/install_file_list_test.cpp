#include "uninstaller/records/install_file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim.h"

namespace {

const char kPath[] = "C:\\Games\\X\\InstallInfo\\InstallFiles.ini";

struct Expected {
    std::string path;
    std::int32_t decimal;
    std::uint32_t hex;
};

void ExpectEntries(const InstallFileList& list, const std::vector<Expected>& expected) {
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].Path, expected[i].path) << i;
        EXPECT_EQ(list[i].DecimalValue, expected[i].decimal) << i;
        EXPECT_EQ(list[i].HexValue, expected[i].hex) << i;
    }
}

bool ReadFileWith(const std::string& bytes, InstallFileList& list) {
    sim::Machine machine;
    machine.AddFile(kPath, bytes);
    const bool read = ReadInstallFileList(kPath, list);
    EXPECT_EQ(machine.OpenFileHandles(), 0);
    return read;
}

TEST(ReadInstallFileList, ReadsARealLookingFile) {
    // Paths hold characters whose second byte is a backslash (0x95 0x5C,
    // 0x83 0x5C) or a quote (0x83 0x22); line ends are mixed.
    const std::string file =
        "; Installed files\r\n"
        "#InstallerSetupFileVersion = 3\r\n"
        "#InstallFileList\r\n"
        "{\r\n"
        "\t\"Game.exe\", 1048576, 0x1a2B3c4D\r\n"
        "\t\"data\\\x95\x5C\\\x83\x5C.png\",-1,0xffffffff\n"
        "\t// a comment between entries\r\n"
        "\t\"save\\\x83\x22.dat\" , 0 ,\r\n 0x0 \"a\"\r\n,\r\n2\r\n,\r\n0x2\r\n"
        "}\r\n"
        "#InstallFileList { } ; nothing\r\n"
        "#InstallFileList{\"last\\file.txt\",2147483647,0x7}\r\n";
    InstallFileList list;
    ASSERT_TRUE(ReadFileWith(file, list));
    ExpectEntries(list, {
                            {"Game.exe", 1048576, 0x1A2B3C4D},
                            {"data\\\x95\x5C\\\x83\x5C.png", -1, 0xFFFFFFFF},
                            {"save\\\x83\x22.dat", 0, 0},
                            {"a", 2, 2},
                            {"last\\file.txt", 2147483647, 7},
                        });
}

TEST(ReadInstallFileList, AcceptsEmptyListsAndFilesWithoutStatements) {
    const struct Case {
        const char* name;
        std::string file;
    } cases[] = {
        {"blank", " "},
        {"comments", "// one\r\n; two\n"},
        {"empty list", "#InstallFileList{}"},
        {"version only", "#InstallerSetupFileVersion = 9"},
        {"quoted braces", "#InstallFileList \"{\" \"}\""},
    };
    for (const Case& c : cases) {
        InstallFileList list;
        EXPECT_TRUE(ReadFileWith(c.file, list)) << c.name;
        EXPECT_TRUE(list.empty()) << c.name;
    }
}

// Each fault after one good statement and one good entry of the faulty
// statement: the read fails, and the entries read before stay in the list.
TEST(ReadInstallFileList, FailsOnEveryMalformedStatementKeepingWhatCameBefore) {
    const std::string before = "#InstallFileList { \"a\", 1, 0x1 }\r\n";
    const std::string open = "#InstallFileList {\r\n \"b\", 2, 0x2\r\n";
    const struct Case {
        const char* name;
        std::string rest;
        std::size_t kept;
    } cases[] = {
        {"byte where no token starts", open + "_", 2},
        {"unterminated string", open + "\"c, 3, 0x3 }", 2},
        {"; comment to the end", open + "} ; no line feed", 2},
        {"statement without #", "InstallFileList { }", 1},
        {"missing key", "# { }", 1},
        {"unknown key", "#InstallFiles { }", 1},
        {"key in other case", "#installFileList { }", 1},
        {"= before the brace", "#InstallFileList = { }", 1},
        {"missing {", "#InstallFileList \"b\", 2, 0x2 }", 1},
        {"version without =", "#InstallerSetupFileVersion 3", 1},
        {"version with a point", "#InstallerSetupFileVersion = 3.0", 1},
        {"comma between entries", open + ", \"c\", 3, 0x3 }", 2},
        {"comma after the last entry", open + ", }", 2},
        {"path not quoted", open + "c, 3, 0x3 }", 2},
        {"missing first comma", open + "\"c\" 3, 0x3 }", 2},
        {"missing second comma", open + "\"c\", 3 0x3 }", 2},
        {"decimal with a point", open + "\"c\", 3.5, 0x3 }", 2},
        {"decimal in hexadecimal", open + "\"c\", 0x3, 0x3 }", 2},
        {"hexadecimal in decimal", open + "\"c\", 3, 3 }", 2},
        {"upper-case X", open + "\"c\", 3, 0X3 }", 2},
        {"0x without digits", open + "\"c\", 3, 0x }", 2},
        {"list cut by the end of the file", open + "\"c\", 3, 0x3", 3},
        {"entry cut by the end of the file", open + "\"c\", 3,", 2},
        {"only the opening", "#InstallFileList {", 1},
        {"statement cut after its key", "#InstallFileList", 1},
    };
    for (const Case& c : cases) {
        InstallFileList list;
        EXPECT_FALSE(ReadFileWith(before + c.rest, list)) << c.name;
        EXPECT_EQ(list.size(), c.kept) << c.name;
        if (!list.empty()) {
            EXPECT_EQ(list[0].Path, "a") << c.name;
        }
    }
}

TEST(ReadInstallFileList, AppendsToTheCallersList) {
    InstallFileList list(1);
    list[0].Path = "earlier";
    ASSERT_TRUE(ReadFileWith("#InstallFileList{\"x\",5,0x5}", list));
    ExpectEntries(list, {{"earlier", 0, 0}, {"x", 5, 5}});
}

TEST(ReadInstallFileList, FailsWhenTheFileCannotBeReadWhole) {
    {
        sim::Machine machine;
        InstallFileList list;
        EXPECT_FALSE(ReadInstallFileList(kPath, list));  // missing
    }
    {
        InstallFileList list;
        EXPECT_FALSE(ReadFileWith("", list));
    }
    {
        sim::Machine machine;
        machine.AddFile(kPath, "#InstallFileList{\"x\",5,0x5}");
        machine.ShortRead(1, 20);
        InstallFileList list;
        EXPECT_FALSE(ReadInstallFileList(kPath, list));
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(machine.OpenFileHandles(), 0);
    }
}

TEST(ParseInstallFileList, ReadsBytesInMemoryAsTheFileReaderDoes) {
    const std::string bytes = "#InstallFileList{\"x\",-7,0x5}";
    InstallFileList list;
    ASSERT_TRUE(ParseInstallFileList(bytes.data(), bytes.size(), list));
    ExpectEntries(list, {{"x", -7, 5}});
    EXPECT_FALSE(ParseInstallFileList(bytes.data(), 0, list));
}

}  // namespace
