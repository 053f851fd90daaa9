#include "uninstaller/records/record_lexer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// The input in a heap block of exactly its size, so that AddressSanitizer
// reports any read past the end.
class Input {
public:
    explicit Input(const std::string& bytes) : bytes_(new char[bytes.size()]), size_(bytes.size()) {
        if (size_ != 0) std::copy(bytes.begin(), bytes.end(), bytes_.get());
    }
    const char* Begin() const { return bytes_.get(); }
    const char* End() const { return bytes_.get() + size_; }
    RecordLexer Lexer() const { return RecordLexer(Begin(), End()); }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

struct Token {
    TokenKind kind;
    std::string text;
    bool operator==(const Token& other) const { return kind == other.kind && text == other.text; }
};

void PrintTo(const Token& token, std::ostream* out) {
    *out << "{" << static_cast<int>(token.kind) << ", \"";
    for (unsigned char byte : token.text) {
        if (byte >= 0x20 && byte < 0x7F) {
            *out << byte;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            *out << "\\x" << kHex[byte >> 4] << kHex[byte & 15];
        }
    }
    *out << "\"}";
}

// Every token up to and including the first false result (whose text is "").
std::vector<Token> Tokenize(const std::string& bytes) {
    const Input input(bytes);
    RecordLexer lexer = input.Lexer();
    std::vector<Token> tokens;
    for (;;) {
        std::string text;
        TokenKind kind = TokenKind::Symbol;
        const bool read = lexer.NextToken(text, kind);
        tokens.push_back({kind, text});
        if (!read) return tokens;
    }
}

constexpr TokenKind kInvalid = TokenKind::Invalid;
constexpr TokenKind kEnd = TokenKind::EndOfInput;
constexpr TokenKind kInteger = TokenKind::Integer;
constexpr TokenKind kHex = TokenKind::HexNumber;
constexpr TokenKind kReal = TokenKind::RealNumber;
constexpr TokenKind kIdentifier = TokenKind::Identifier;
constexpr TokenKind kString = TokenKind::String;
constexpr TokenKind kSymbol = TokenKind::Symbol;

// Each first byte, followed by a line feed, against the byte classes of the
// record format, written out here independently of the lexer's table.
TEST(RecordLexer, ClassifiesEveryFirstByte) {
    const std::string symbols = "#()*+,/=[]{}";
    for (unsigned value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        Token expected{kInvalid, ""};
        ByteClass expectedClass = ByteClass::Other;
        if (value <= 0x20 || value == 0x7F) {
            expected = {kEnd, ""};
            expectedClass = ByteClass::Blank;
        } else if ((value >= 'A' && value <= 'Z') || (value >= 'a' && value <= 'z')) {
            expected = {kIdentifier, std::string(1, byte)};
            expectedClass = ByteClass::Letter;
        } else if (value >= '0' && value <= '9') {
            expected = {kInteger, std::string(1, byte)};
            expectedClass = ByteClass::Digit;
        } else if ((value >= 0x81 && value <= 0x9F) || value >= 0xE0) {
            expected = {kIdentifier, std::string(1, byte) + "\n"};  // the line feed is its second byte
            expectedClass = ByteClass::LeadByte;
        } else if (symbols.find(byte) != std::string::npos) {
            expected = {kSymbol, std::string(1, byte)};
            expectedClass = ByteClass::Symbol;
        } else if (value == '-') {
            expected = {kInteger, "-"};
            expectedClass = ByteClass::Minus;
        } else if (value == ';') {
            expected = {kEnd, ""};  // a comment ended by its line feed
            expectedClass = ByteClass::Semicolon;
        } else if (value == '"') {
            expected = {kInvalid, ""};  // never closed
            expectedClass = ByteClass::Quote;
        }
        SCOPED_TRACE(value);
        EXPECT_EQ(ClassifyByte(static_cast<unsigned char>(value)), expectedClass);
        const Input input(std::string(1, byte) + "\n");
        RecordLexer lexer = input.Lexer();
        std::string text;
        TokenKind kind = kSymbol;
        const bool read = lexer.NextToken(text, kind);
        EXPECT_EQ(read, expected.kind != kInvalid && expected.kind != kEnd);
        EXPECT_EQ((Token{kind, text}), expected);
        if (kind == kInvalid) {
            EXPECT_EQ(lexer.Cursor(), input.Begin());  // left on the byte that starts nothing
        }
    }
}

TEST(RecordLexer, SplitsTokensAsTheFormatSays) {
    const struct Case {
        const char* name;
        std::string input;
        std::vector<Token> tokens;
    } cases[] = {
        {"only blanks and ended comments", " \t\r\n// a\r\n; b\n;c\n\x7F", {{kEnd, ""}}},
        {"// comment without line feed", "a // last", {{kIdentifier, "a"}, {kEnd, ""}}},
        {"; comment without line feed", "a ; last", {{kIdentifier, "a"}, {kInvalid, ""}}},
        {"comment right after a token", "a//b\nc;d\ne",
         {{kIdentifier, "a"}, {kIdentifier, "c"}, {kIdentifier, "e"}, {kEnd, ""}}},
        {"lead byte swallows the // line feed", "//\x81\nx\ny", {{kIdentifier, "y"}, {kEnd, ""}}},
        {"lead byte swallows the ; line feed", ";\x81\nx\ny", {{kIdentifier, "y"}, {kEnd, ""}}},
        {"lead byte ends a // comment", "a//\x81", {{kIdentifier, "a"}, {kEnd, ""}}},
        {"lead byte ends a ; comment", "a;\x81", {{kIdentifier, "a"}, {kInvalid, ""}}},
        {"lone slashes", "/ / /", {{kSymbol, "/"}, {kSymbol, "/"}, {kSymbol, "/"}, {kEnd, ""}}},
        {"hexadecimal", "0x1F", {{kHex, "0x1F"}, {kEnd, ""}}},
        {"mixed-case hex digits", "0xaBcD9", {{kHex, "0xaBcD9"}, {kEnd, ""}}},
        {"upper-case X", "0X1F", {{kInteger, "0"}, {kIdentifier, "X1F"}, {kEnd, ""}}},
        {"0x at the end", "0x", {{kInteger, "0"}, {kIdentifier, "x"}, {kEnd, ""}}},
        {"0x without digits", "0xg", {{kHex, "0x"}, {kIdentifier, "g"}, {kEnd, ""}}},
        {"0x then a blank", "0x ", {{kHex, "0x"}, {kEnd, ""}}},
        {"hex after another digit", "10x1", {{kInteger, "10"}, {kIdentifier, "x1"}, {kEnd, ""}}},
        {"two points", "1.2.3", {{kReal, "1.2"}, {kInvalid, ""}}},
        {"trailing point", "1.", {{kReal, "1."}, {kEnd, ""}}},
        {"minus and point", "-.5", {{kReal, "-.5"}, {kEnd, ""}}},
        {"negative", "-5", {{kInteger, "-5"}, {kEnd, ""}}},
        {"lone minus", "-", {{kInteger, "-"}, {kEnd, ""}}},
        {"minus only first", "--1", {{kInteger, "-"}, {kInteger, "-1"}, {kEnd, ""}}},
        {"number then word", "12abc", {{kInteger, "12"}, {kIdentifier, "abc"}, {kEnd, ""}}},
        {"underscore first", "_abc", {{kInvalid, ""}}},
        {"underscore inside", "ab_c", {{kIdentifier, "ab"}, {kInvalid, ""}}},
        {"one-byte katakana", "\xB1", {{kInvalid, ""}}},
        {"katakana after a word", "a\xDF", {{kIdentifier, "a"}, {kInvalid, ""}}},
        {"two-byte characters", "\x95\x5C\x83\x5C" "a1\x81\x40",
         {{kIdentifier, "\x95\x5C\x83\x5C" "a1\x81\x40"}, {kEnd, ""}}},
        {"lone lead byte ends a word", "ab\x81", {{kIdentifier, "ab\x81"}, {kEnd, ""}}},
        {"lone lead byte alone", "\xFF", {{kIdentifier, "\xFF"}, {kEnd, ""}}},
        {"byte-order mark", "\xEF\xBB\xBF#", {{kIdentifier, "\xEF\xBB"}, {kInvalid, ""}}},
        {"string over lines", "\"a\r\nb\n\"", {{kString, "a\r\nb\n"}, {kEnd, ""}}},
        {"empty string", "\"\"\"x\"", {{kString, ""}, {kString, "x"}, {kEnd, ""}}},
        {"string is not a comment", "\"//;\"", {{kString, "//;"}, {kEnd, ""}}},
        {"unterminated string", "\"abc", {{kInvalid, ""}}},
        {"trail byte 0x22 does not close", "\"\x83\x22\"", {{kString, "\x83\x22"}, {kEnd, ""}}},
        {"trail byte 0x22 at the end", "\"\x83\"", {{kInvalid, ""}}},
        {"lone lead byte in a string", "\"ab\x81", {{kInvalid, ""}}},
        {"NUL cuts a string", "\"a\0b\"c"s, {{kString, "a"}, {kIdentifier, "c"}, {kEnd, ""}}},
        {"NUL as a trail byte", "x\x81\0y z"s, {{kIdentifier, "x\x81"}, {kIdentifier, "z"}, {kEnd, ""}}},
        {"NUL is a blank", "a\0b"s, {{kIdentifier, "a"}, {kIdentifier, "b"}, {kEnd, ""}}},
        {"symbols in a row", "#={},",
         {{kSymbol, "#"}, {kSymbol, "="}, {kSymbol, "{"}, {kSymbol, "}"}, {kSymbol, ","}, {kEnd, ""}}},
        {"0x80 starts nothing", "\x80", {{kInvalid, ""}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tokenize(c.input), c.tokens) << c.name;
    }
}

TEST(RecordLexer, InvalidLeavesTheCursorWhereTheTokenBegan) {
    const struct Case {
        std::string input;
        std::size_t offset;
    } cases[] = {
        {"  _x", 2}, {"a \"open", 2}, {"a\n;c\n;open", 5}, {"1.2.3", 3}, {"a\x80", 1},
    };
    for (const Case& c : cases) {
        const Input input(c.input);
        RecordLexer lexer = input.Lexer();
        std::string text;
        TokenKind kind = kSymbol;
        while (lexer.NextToken(text, kind)) {
        }
        ASSERT_EQ(kind, kInvalid) << c.input;
        EXPECT_EQ(lexer.Cursor() - input.Begin(), static_cast<std::ptrdiff_t>(c.offset)) << c.input;
        // Asking again fails the same way instead of reporting a clean end.
        EXPECT_FALSE(lexer.NextToken(text, kind));
        EXPECT_EQ(kind, kInvalid) << c.input;
    }
}

TEST(RecordLexer, FailedReadsLeaveTheOutputUnchanged) {
    const Input input("x 5 \"s\" 0x1 _");
    RecordLexer lexer = input.Lexer();
    std::int32_t integer = 77;
    std::uint32_t hex = 88;
    std::string text = "kept";
    TokenKind kind = kSymbol;
    EXPECT_FALSE(lexer.ExpectInteger(integer));  // reads and consumes x
    EXPECT_FALSE(lexer.ExpectString(text));       // reads and consumes 5
    EXPECT_FALSE(lexer.ExpectIdentifier(text));   // reads and consumes "s"
    EXPECT_FALSE(lexer.ExpectString(text));       // reads and consumes 0x1
    EXPECT_FALSE(lexer.NextToken(text, kind));    // _
    EXPECT_FALSE(lexer.ExpectHex(hex));
    EXPECT_EQ(integer, 77);
    EXPECT_EQ(hex, 88u);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(kind, kInvalid);
}

TEST(RecordLexer, ExpectTextMatchesTextOfAnyKindAndRewindsOnMismatch) {
    const Input input("= \"=\" ; note\n // more\n \"x\" ,");
    RecordLexer lexer = input.Lexer();
    EXPECT_TRUE(lexer.ExpectText("="));
    EXPECT_TRUE(lexer.ExpectText("="));  // the quoted one
    const char* before = lexer.Cursor();
    EXPECT_FALSE(lexer.ExpectText("y"));
    EXPECT_EQ(lexer.Cursor(), before);  // back before the comments, where the read began
    EXPECT_EQ(lexer.Mark(), before);
    std::string text;
    EXPECT_TRUE(lexer.ExpectString(text));
    EXPECT_EQ(text, "x");
    EXPECT_TRUE(lexer.ExpectText(","));
    EXPECT_FALSE(lexer.ExpectText(","));  // at the end
    TokenKind kind = kSymbol;
    EXPECT_FALSE(lexer.NextToken(text, kind));
    EXPECT_EQ(kind, kEnd);
}

TEST(RecordLexer, ExpectTextRewindsOverAnInvalidToken) {
    const Input input("a _");
    RecordLexer lexer = input.Lexer();
    EXPECT_TRUE(lexer.ExpectText("a"));
    EXPECT_FALSE(lexer.ExpectText("_"));
    EXPECT_EQ(lexer.Cursor(), input.Begin() + 1);
}

TEST(RecordLexer, ConvertsIntegersWithDefinedValuesOutOfRange) {
    const struct Case {
        std::string input;
        bool read;
        std::int32_t value;
    } cases[] = {
        {"0", true, 0},
        {"-0", true, 0},
        {"007", true, 7},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", true, INT32_MAX},  // saturated
        {"-2147483649", true, INT32_MIN},
        {"99999999999999999999999999999", true, INT32_MAX},
        {"-18446744073709551617", true, INT32_MIN},  // past 64 bits too
        {"-", false, 0},
        {"1.5", false, 0},
        {"0x10", false, 0},
        {"\"5\"", false, 0},
    };
    for (const Case& c : cases) {
        const Input input(c.input);
        RecordLexer lexer = input.Lexer();
        std::int32_t value = 12345;
        EXPECT_EQ(lexer.ExpectInteger(value), c.read) << c.input;
        EXPECT_EQ(value, c.read ? c.value : 12345) << c.input;
    }
}

TEST(RecordLexer, ConvertsHexNumbersWithDefinedValuesOutOfRange) {
    const struct Case {
        std::string input;
        bool read;
        std::uint32_t value;
    } cases[] = {
        {"0x0", true, 0},
        {"0x1f", true, 0x1F},
        {"0xDeadBeef", true, 0xDEADBEEF},
        {"0xffffffff", true, 0xFFFFFFFF},
        {"0x0000000000000012", true, 0x12},  // leading zeros are no overflow
        {"0x100000000", true, 0xFFFFFFFF},   // saturated
        {"0x123456789abcdef0123", true, 0xFFFFFFFF},
        {"0xg", false, 0},  // "0x" without digits
        {"0x ", false, 0},
        {"16", false, 0},
        {"0X10", false, 0},
    };
    for (const Case& c : cases) {
        const Input input(c.input);
        RecordLexer lexer = input.Lexer();
        std::uint32_t value = 12345;
        EXPECT_EQ(lexer.ExpectHex(value), c.read) << c.input;
        EXPECT_EQ(value, c.read ? c.value : 12345u) << c.input;
    }
}

// Tokens at and beyond the text limit: cut to whole characters, the rest of
// the token consumed, the next token read normally.
TEST(RecordLexer, CutsLongTokensAndConsumesTheirRest) {
    const std::size_t limit = 16383;
    ASSERT_EQ(kMaxTokenTextSize, limit);
    const std::string full(limit, 'a');
    const std::string kanji = "\x95\x5C";
    const struct Case {
        const char* name;
        std::string input;
        Token first;
    } cases[] = {
        {"word at the limit", full + " z", {kIdentifier, full}},
        {"word one byte over", full + "b z", {kIdentifier, full}},
        {"word far over", std::string(100000, 'c') + " z", {kIdentifier, std::string(limit, 'c')}},
        {"string at the limit", "\"" + full + "\" z", {kString, full}},
        {"string over", "\"" + full + "bbbb\" z", {kString, full}},
        {"character across the limit", "\"" + std::string(limit - 1, 'a') + kanji + "\" z",
         {kString, std::string(limit - 1, 'a')}},
        {"character ending at the limit", "\"" + std::string(limit - 2, 'a') + kanji + "b\" z",
         {kString, std::string(limit - 2, 'a') + kanji}},
        {"word of characters", std::string(20000, '\x88') + " z", {kIdentifier, std::string(limit - 1, '\x88')}},
        {"long number", std::string(20000, '9') + " z", {kInteger, std::string(limit, '9')}},
    };
    for (const Case& c : cases) {
        const std::vector<Token> tokens = Tokenize(c.input);
        ASSERT_EQ(tokens.size(), 3u) << c.name;
        EXPECT_TRUE(tokens[0] == c.first) << c.name << ": kind " << static_cast<int>(tokens[0].kind) << ", "
                                           << tokens[0].text.size() << " bytes";
        EXPECT_EQ(tokens[1], (Token{kIdentifier, "z"})) << c.name;
        EXPECT_EQ(tokens[2], (Token{kEnd, ""})) << c.name;
    }
    const Input huge(std::string(30000, '7'));
    RecordLexer lexer = huge.Lexer();
    std::int32_t value = 0;
    EXPECT_TRUE(lexer.ExpectInteger(value));
    EXPECT_EQ(value, INT32_MAX);
    EXPECT_EQ(lexer.Cursor(), huge.End());
}

TEST(RecordLexer, ReadsNothingOfAnEmptyInput) {
    RecordLexer lexer(nullptr, nullptr);
    std::string text;
    TokenKind kind = kSymbol;
    EXPECT_FALSE(lexer.NextToken(text, kind));
    EXPECT_EQ(kind, kEnd);
}

TEST(ReadStatementKey, TellsAKeyACleanEndAndAFault) {
    const struct Case {
        std::string input;
        StatementStart start;
        std::string key;
    } cases[] = {
        {"#GameName", StatementStart::Key, "GameName"},
        {"  # \r\n Key2 =", StatementStart::Key, "Key2"},
        {"\"#\"Key", StatementStart::Key, "Key"},
        {"// only a comment", StatementStart::EndOfInput, ""},
        {"", StatementStart::EndOfInput, ""},
        {"Key", StatementStart::Fault, ""},
        {"# =", StatementStart::Fault, ""},
        {"# \"Key\"", StatementStart::Fault, ""},
        {"#", StatementStart::Fault, ""},
        {"_", StatementStart::Fault, ""},
        {"\"#x\" Key", StatementStart::Fault, ""},
    };
    for (const Case& c : cases) {
        const Input input(c.input);
        RecordLexer lexer = input.Lexer();
        std::string key;
        EXPECT_EQ(ReadStatementKey(lexer, key), c.start) << c.input;
        EXPECT_EQ(key, c.key) << c.input;
    }
}

}  // namespace
