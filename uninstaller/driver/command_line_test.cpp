#include "uninstaller/driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Item {
    std::string name;
    std::string value;
};

struct ParseCase {
    const char* title;
    std::string line;
    bool ok;
    std::vector<Item> items;  // what the list holds afterwards, also on failure
};

void ExpectParse(const ParseCase& c) {
    std::vector<CommandLineParameter> parameters;
    EXPECT_EQ(ParseCommandLine(c.line, parameters), c.ok) << c.title;
    ASSERT_EQ(parameters.size(), c.items.size()) << c.title;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        EXPECT_EQ(parameters[i].Name, c.items[i].name) << c.title << " item " << i;
        EXPECT_EQ(parameters[i].Value, c.items[i].value) << c.title << " item " << i;
    }
}

TEST(ParseCommandLine, Grammar) {
    const ParseCase cases[] = {
        {"empty", "", true, {}},
        {"blanks only", "   ", true, {}},
        {"quoted folder with a space", "-F=\"C:\\Program Files\\Game\"", true, {{"F", "C:\\Program Files\\Game"}}},
        {"unquoted folder splits", "-F=C:\\Program Files\\Game", true,
         {{"F", "C:\\Program"}, {"", "Files\\Game"}}},
        {"slash marker", "/F=abc", true, {{"F", "abc"}}},
        {"long name", "-Foo=1", false, {}},
        {"empty value at end", "-F=", true, {{"F", ""}}},
        {"empty quoted value", "-F=\"\"", true, {{"F", ""}}},
        {"unclosed quoted value", "-F=\"abc", false, {}},
        {"quoted then plain without space", "\"abc\"def", true, {{"", "abc"}, {"", "def"}}},
        {"marker alone", "-", false, {}},
        {"marker and name only", "-F", false, {}},
        {"name is '='", "-==x", true, {{"=", "x"}}},
        {"second item kept", "-F=A -Q=B", true, {{"F", "A"}, {"Q", "B"}}},
        {"several spaces", "  -F=A    b  ", true, {{"F", "A"}, {"", "b"}}},
        {"tab is ordinary", "a\tb c", true, {{"", "a\tb"}, {"", "c"}}},
        {"bare word", "abc", true, {{"", "abc"}}},
        {"lower-case option", "-f=x", true, {{"f", "x"}}},
        {"quotes inside plain text", "a\"b=c-d/e", true, {{"", "a\"b=c-d/e"}}},
        {"no escapes", "\"a\\\"b\"", true, {{"", "a\\"}, {"", "b\""}}},
        {"items before a fault stay", "-F=A \"open", false, {{"F", "A"}}},
        {"backslash trail byte in plain value", "-F=C:\\\x83\x5C\\x", true, {{"F", "C:\\\x83\x5C\\x"}}},
        {"space trail byte in plain value", "-F=a\x81\x20" "b c", true, {{"F", "a\x81\x20" "b"}, {"", "c"}}},
        {"quote trail byte does not close", "\"a\x83\"b\"", true, {{"", "a\x83\"b"}}},
        {"quote trail byte leaves it open", "\"a\x83\"", false, {}},
        {"lone lead byte ends plain text", "ab\x81", true, {{"", "ab\x81"}}},
        {"lone lead byte in quotes", "\"ab\x81", false, {}},
        {"lead byte as option name", "-\x81=x", true, {{"\x81", "x"}}},
        {"relaunch form", "-F=\"C:\\Games\\\x83\x5C\x95\x5C\\Game\"", true,
         {{"F", "C:\\Games\\\x83\x5C\x95\x5C\\Game"}}},
    };
    for (const auto& c : cases) ExpectParse(c);
}

// C:\ゲーム\ソフト: every byte of the two folder names is 0x80 or above, and ソ ends in 0x5C.
const std::string kJapaneseFolder = "C:\\\x83\x51\x81\x5B\x83\x80\\\x83\x5C\x83\x74\x83\x67";

TEST(SkipProgramName, LeavesTheArgumentsAfterTheNameAndItsBlanks) {
    const std::string program = kJapaneseFolder + "\\Uninstaller.exe";
    const struct {
        const char* title;
        std::string line;
        std::string arguments;
    } cases[] = {
        {"unquoted Japanese path alone", program, ""},
        {"unquoted Japanese path, option", program + " -F=\"" + kJapaneseFolder + "\"", "-F=\"" + kJapaneseFolder + "\""},
        {"quoted Japanese path alone", "\"" + program + "\"", ""},
        {"quoted path with a space", "\"C:\\Program Files\\G\\u.exe\"  -F=A b", "-F=A b"},
        {"nothing after the closing quote", "\"C:\\u.exe\"-F=A", "-F=A"},
        {"tabs and spaces after the name", "C:\\u.exe \t -F=A ", "-F=A "},
        {"blanks only after the name", "C:\\u.exe \t ", ""},
        {"a trail byte 0x20 stays in the name", "C:\\\x81\x20u.exe -F=A", "-F=A"},
        {"quote as trail byte does not close", "\"C:\\\x83\" x\" -F=A", "-F=A"},
        {"unclosed quote: all is the name", "\"C:\\u.exe -F=A", ""},
        {"lead byte as the last byte", "C:\\u\x83", ""},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SkipProgramName(c.line), c.arguments) << c.title;
}

TEST(ReadPlainText, ConsumesTheEndingSpaceOnly) {
    const std::string line = "ab  cd";
    std::size_t position = 0;
    std::string text;
    EXPECT_TRUE(ReadPlainText(line, position, text));
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(position, 3u);
}

TEST(ReadQuotedText, ReportsAMissingQuoteAndStopsAtTheEnd) {
    const std::string line = "abc";
    std::size_t position = 0;
    std::string text = "unchanged";
    EXPECT_FALSE(ReadQuotedText(line, position, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_LE(position, line.size());
}

}  // namespace
