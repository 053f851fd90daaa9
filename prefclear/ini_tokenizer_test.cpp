#include "prefclear/ini_tokenizer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/sim.h"

namespace {

// Every token of the input, then the status the tokenizer ended in.
struct Scan {
    std::vector<std::string> tokens;
    TokenizerStatus status;
};

Scan ScanAll(const std::string& bytes) {
    IniTokenizer tokenizer;
    tokenizer.Assign(bytes);
    Scan scan{{}, TokenizerStatus::Pending};
    std::string token;
    while (tokenizer.ReadToken(token)) scan.tokens.push_back(token);
    scan.status = tokenizer.Status();
    return scan;
}

TEST(IniTokenizer, EveryFirstByteHasItsClass) {
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const std::string input(1, static_cast<char>(byte));
        const Scan scan = ScanAll(input);
        const bool blank = byte <= 0x20 || byte == 0x7F;
        const bool starts = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == ',' || byte == '=' ||
                            byte == '[' || byte == ']' || byte == '{' || byte == '}';
        if (blank || byte == ';') {
            EXPECT_TRUE(scan.tokens.empty()) << value;
            EXPECT_EQ(scan.status, TokenizerStatus::Exhausted) << value;
        } else if (starts) {
            ASSERT_EQ(scan.tokens.size(), 1u) << value;
            EXPECT_EQ(scan.tokens[0], input) << value;
            EXPECT_EQ(scan.status, TokenizerStatus::Exhausted) << value;
        } else {
            // '"' alone is an unclosed string; everything else starts no token.
            EXPECT_TRUE(scan.tokens.empty()) << value;
            EXPECT_EQ(scan.status, TokenizerStatus::Malformed) << value;
        }
    }
}

TEST(IniTokenizer, SplitsWordsNumbersStringsAndSymbols) {
    struct Case {
        const char* title;
        std::string input;
        std::vector<std::string> tokens;
        TokenizerStatus status;
    } const cases[] = {
        {"statement", "GameName = \"X\"", {"GameName", "=", "X"}, TokenizerStatus::Exhausted},
        {"no blanks needed", "a=1,b{}[]", {"a", "=", "1", ",", "b", "{", "}", "[", "]"}, TokenizerStatus::Exhausted},
        {"word takes digits", "Vol2x 3", {"Vol2x", "3"}, TokenizerStatus::Exhausted},
        {"point ends a word", "Sub.inc", {"Sub"}, TokenizerStatus::Malformed},
        {"underscore ends a word", "a_b", {"a"}, TokenizerStatus::Malformed},
        {"one point in a number", "12.7.3", {"12.7"}, TokenizerStatus::Malformed},
        {"number then letters", "12ab", {"12", "ab"}, TokenizerStatus::Exhausted},
        {"lone minus", "- -5", {"-", "-5"}, TokenizerStatus::Exhausted},
        {"minus takes no letters", "-x", {"-", "x"}, TokenizerStatus::Exhausted},
        {"empty string", "\"\"", {""}, TokenizerStatus::Exhausted},
        {"string spans lines", "\"a\r\nb\"", {"a\r\nb"}, TokenizerStatus::Exhausted},
        {"0x22 as a trail byte", "\"\x83\x22\x83\x5C\"", {"\x83\x22\x83\x5C"}, TokenizerStatus::Exhausted},
        {"string keeps blanks", "\" a ; b \"", {" a ; b "}, TokenizerStatus::Exhausted},
        {"string ends at its NUL", std::string("\"ab\0cd\" e", 9), {"ab", "e"}, TokenizerStatus::Exhausted},
        {"unclosed string", "a \"bc", {"a"}, TokenizerStatus::Malformed},
        {"lead byte last in a string", "\"ab\x83", {}, TokenizerStatus::Malformed},
        {"lead byte outside a string", "\x83\x5C", {}, TokenizerStatus::Malformed},
        {"hash", "# x", {}, TokenizerStatus::Malformed},
        {"lone slash", "/ x", {}, TokenizerStatus::Malformed},
        {"backslash", "\\", {}, TokenizerStatus::Malformed},
    };
    for (const auto& c : cases) {
        const Scan scan = ScanAll(c.input);
        EXPECT_EQ(scan.tokens, c.tokens) << c.title;
        EXPECT_EQ(scan.status, c.status) << c.title;
    }
}

TEST(IniTokenizer, SkipsBlanksAndBothCommentKinds) {
    struct Case {
        const char* title;
        std::string input;
        std::vector<std::string> tokens;
    } const cases[] = {
        {"semicolon", "; x = 1\na", {"a"}},
        {"double slash", "// x\na", {"a"}},
        {"comment at the end without a line feed", "a ; last", {"a"}},
        {"comment after a token", "a// b\nc", {"a", "c"}},
        {"trail byte 0x0A does not end a comment", "; \x83\x0A b\nc", {"c"}},
        {"lead byte last in a comment", "a ;\x83", {"a"}},
        {"DEL and control bytes are blanks", "\x7F\x01 a\x1F", {"a"}},
        {"comment characters inside a string", "\"; x // y\"", {"; x // y"}},
    };
    for (const auto& c : cases) {
        const Scan scan = ScanAll(c.input);
        EXPECT_EQ(scan.tokens, c.tokens) << c.title;
        EXPECT_EQ(scan.status, TokenizerStatus::Exhausted) << c.title;
    }
}

TEST(IniTokenizer, TheEndKeepsTheTextAndABadByteStays) {
    IniTokenizer tokenizer;
    tokenizer.Assign("  ; only a comment");
    std::string text = "kept";
    EXPECT_FALSE(tokenizer.ReadToken(text));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(tokenizer.Status(), TokenizerStatus::Exhausted);

    tokenizer.Assign("#");
    EXPECT_FALSE(tokenizer.ReadToken(text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(tokenizer.ReadToken(text));  // still there
    EXPECT_EQ(tokenizer.Status(), TokenizerStatus::Malformed);
}

TEST(IniTokenizer, AnUnclosedStringIsNeverACleanEnd) {
    // The string ran to the end; a later skip must not report Exhausted.
    IniTokenizer tokenizer;
    tokenizer.Assign("\"abc");
    std::string text;
    EXPECT_FALSE(tokenizer.ReadToken(text));
    EXPECT_FALSE(tokenizer.ReadToken(text));
    EXPECT_EQ(tokenizer.Status(), TokenizerStatus::Malformed);
}

TEST(IniTokenizer, CutsLongTokensOnACharacterBoundaryAndConsumesTheRest) {
    const std::size_t max = IniTokenizer::kMaxTokenBytes;
    struct Case {
        const char* title;
        std::string body;      // the token as written (strings get quotes)
        bool quoted;
        std::string expected;  // its text
    } const cases[] = {
        {"word of the maximum", std::string(max, 'a'), false, std::string(max, 'a')},
        {"long word", std::string(max + 100, 'b'), false, std::string(max, 'b')},
        {"long number", std::string(max * 2, '7'), false, std::string(max, '7')},
        {"long string", std::string(max + 5, 'c'), true, std::string(max, 'c')},
        // 16,382 bytes then a two-byte character that would end one past the room.
        {"character at the edge", std::string(max - 1, 'd') + "\x83\x5C" + "ee", true, std::string(max - 1, 'd')},
        {"character that fits", std::string(max - 2, 'd') + "\x83\x5C" + "ee", true,
         std::string(max - 2, 'd') + "\x83\x5C"},
    };
    for (const auto& c : cases) {
        // A long token first, so that nothing of it may show through.
        const std::string before(max + 1, 'z');
        const std::string written = c.quoted ? "\"" + c.body + "\"" : c.body;
        const Scan scan = ScanAll(before + " " + written + " next");
        ASSERT_EQ(scan.tokens.size(), 3u) << c.title;
        EXPECT_EQ(scan.tokens[0], std::string(max, 'z')) << c.title;
        EXPECT_EQ(scan.tokens[1], c.expected) << c.title;
        EXPECT_EQ(scan.tokens[2], "next") << c.title;
    }
}

TEST(IniTokenizer, ExpectTokenRewindsOnlyOnAnotherToken) {
    IniTokenizer tokenizer;
    tokenizer.Assign("\"=\" x = #");
    EXPECT_TRUE(tokenizer.ExpectToken("="));  // a quoted equals sign will do
    EXPECT_FALSE(tokenizer.ExpectToken("="));
    std::string text;
    ASSERT_TRUE(tokenizer.ReadToken(text));
    EXPECT_EQ(text, "x");  // read again after the rewind
    EXPECT_TRUE(tokenizer.ExpectToken("="));
    EXPECT_FALSE(tokenizer.ExpectToken("="));
    EXPECT_EQ(tokenizer.Status(), TokenizerStatus::Malformed);
}

TEST(IniTokenizer, ReadIntegerConvertsLikePercentD) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Case {
        std::string input;
        bool ok;
        std::int32_t value;
    } const cases[] = {
        {"800", true, 800},
        {"12.7", true, 12},
        {"-42", true, -42},
        {"\"1024\"", true, 1024},
        {"\"  +7x\"", true, 7},
        {"\"\t-0\"", true, 0},
        {"007", true, 7},
        {"2147483647", true, kMax},
        {"-2147483648", true, kMin},
        // Beyond the 32-bit range the value saturates (documented choice).
        {"2147483648", true, kMax},
        {"99999999999999999999999999", true, kMax},
        {"-2147483649", true, kMin},
        {"-99999999999999999999999999", true, kMin},
        {"abc", false, 0},
        {"-", false, 0},
        {"\"\"", false, 0},
        {"\"x1\"", false, 0},
        {"\"+\"", false, 0},
        {"\"- 1\"", false, 0},
        {"=", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        IniTokenizer tokenizer;
        tokenizer.Assign(c.input + " after");
        std::int32_t value = 0;
        EXPECT_EQ(tokenizer.ReadInteger(value), c.ok) << c.input;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.input;
        }
        std::string next;
        if (!c.input.empty()) {
            // The token is consumed either way.
            ASSERT_TRUE(tokenizer.ReadToken(next)) << c.input;
            EXPECT_EQ(next, "after") << c.input;
        }
    }
}

TEST(IniTokenizerOpen, ReadsTheWholeFile) {
    sim::Machine machine;
    machine.AddFile("C:\\Game\\OrrinStart.ini", "a = 1");
    machine.AddFile("C:\\Game\\Empty.ini");
    IniTokenizer tokenizer;
    ASSERT_TRUE(tokenizer.Open("C:\\Game\\OrrinStart.ini"));
    std::string text;
    EXPECT_TRUE(tokenizer.ReadToken(text));
    EXPECT_EQ(text, "a");
    EXPECT_EQ(tokenizer.Status(), TokenizerStatus::Pending);

    IniTokenizer empty;
    ASSERT_TRUE(empty.Open("C:\\Game\\Empty.ini"));
    EXPECT_FALSE(empty.ReadToken(text));
    EXPECT_EQ(empty.Status(), TokenizerStatus::Exhausted);
    EXPECT_EQ(machine.OpenFileHandles(), 0);
}

TEST(IniTokenizerOpen, FailsWhenTheFileCannotBeHadWhole) {
    struct Case {
        const char* title;
        const char* failing;  // the call that fails; null for none
        bool shortRead;
        const char* path;
    } const cases[] = {
        {"missing", nullptr, false, "C:\\Game\\No.ini"},
        {"open", "CreateFileA", false, "C:\\Game\\A.ini"},
        {"size", "GetFileSize", false, "C:\\Game\\A.ini"},
        {"read", "ReadFile", false, "C:\\Game\\A.ini"},
        {"short read", nullptr, true, "C:\\Game\\A.ini"},
        {"close", "CloseHandle", false, "C:\\Game\\A.ini"},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        machine.AddFile("C:\\Game\\A.ini", "GameName = X");
        if (c.failing != nullptr) machine.FailCall(c.failing, 1);
        if (c.shortRead) machine.ShortRead(1, 3);
        {
            IniTokenizer tokenizer;
            EXPECT_FALSE(tokenizer.Open(c.path)) << c.title;
        }
        EXPECT_EQ(machine.OpenFileHandles(), 0) << c.title;  // a failed close is retried by the holder
    }
}

}  // namespace
