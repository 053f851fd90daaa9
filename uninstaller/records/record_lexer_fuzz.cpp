// libFuzzer target: the record-file lexer over any bytes (with the "!!"
// run marker of fuzz/fuzz_support.h, so that tokens beyond the scratch area
// are reached). The input sits in an exactly sized heap block.
//
// Checked beyond "no sanitizer report":
// - every token moves the cursor on and stays inside the input, and its text
//   is exactly the bytes the token spans (between the quotes for a string),
//   cut at the first NUL and to the scratch area on a character boundary;
// - the kind agrees with the bytes (a hexadecimal number is "0x" and hex
//   digits, an identifier is letters, digits and two-byte characters, ...),
//   and the token is as long as it can be;
// - the input ends with EndOfInput only when the cursor reached the end (the
//   whole input was consumed); an Invalid result rests on a byte that can
//   start no token, an unterminated string or an unterminated ';' comment,
//   and asking again fails the same way;
// - on a second lexer over the same bytes the Expect operations agree with
//   the token stream: ExpectText rewinds when it fails, the typed reads
//   succeed exactly for their kind, consume exactly one token and give the
//   value of the text (saturated beyond 32 bits), and leave their output
//   alone when they fail.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/records_model.h"
#include "uninstaller/records/record_lexer.h"

namespace {

using Byte = unsigned char;

struct Token {
    std::string text;
    TokenKind kind;
    const char* after;  // the cursor once the token was read
};

bool IsBlankByte(Byte b) { return b <= 0x20 || b == 0x7F; }
bool IsLetterByte(Byte b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool IsDigitByte(Byte b) { return b >= '0' && b <= '9'; }
bool IsHexByte(Byte b) { return IsDigitByte(b) || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F'); }
bool IsSymbolByte(Byte b) { return b != 0 && std::strchr("#()*+,/=[]{}", b) != nullptr; }

// The bytes that start no token, listed as the record format has them.
bool StartsNoToken(Byte b) {
    return b == 0x21 || (b >= 0x24 && b <= 0x27) || b == 0x2E || b == 0x3A || b == 0x3C || (b >= 0x3E && b <= 0x40) ||
           b == 0x5C || (b >= 0x5E && b <= 0x60) || b == 0x7C || b == 0x7E || b == 0x80 || (b >= 0xA0 && b <= 0xDF);
}

// From `at`, past a line comment's body and its line feed; a lead byte takes
// the next byte along whatever it is. Null when the end comes first.
const Byte* PastLineFeed(const Byte* at, const Byte* end) {
    while (at < end) {
        if (*at == '\n') return at + 1;
        at += (fuzz::IsLead(*at) && end - at >= 2) ? 2 : 1;
    }
    return nullptr;
}

// Where the next token begins after blanks and both kinds of comment; sets
// `openComment` when a ';' comment runs into the end (returning its ';').
const Byte* SkipToToken(const Byte* at, const Byte* end, bool& openComment) {
    openComment = false;
    while (at < end) {
        if (IsBlankByte(*at)) {
            ++at;
        } else if (*at == '/' && end - at >= 2 && at[1] == '/') {
            const Byte* next = PastLineFeed(at + 2, end);
            at = next == nullptr ? end : next;
        } else if (*at == ';') {
            const Byte* next = PastLineFeed(at + 1, end);
            if (next == nullptr) {
                openComment = true;
                return at;
            }
            at = next;
        } else {
            break;
        }
    }
    return at;
}

// The text a token spanning `run` must have: at most kMaxTokenTextSize bytes
// without splitting a two-byte character, then cut at the first NUL.
std::string ExpectedText(const std::string& run) {
    std::size_t size = run.size();
    if (size > kMaxTokenTextSize) {
        size = 0;
        for (;;) {
            const std::size_t width = fuzz::IsLead(static_cast<Byte>(run[size])) ? 2 : 1;
            if (size + width > kMaxTokenTextSize) break;
            size += width;
        }
    }
    std::string text = run.substr(0, size);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

// The token's kind against the bytes it spans and the byte after it.
void CheckKind(TokenKind kind, const Byte* run, const Byte* runEnd, const Byte* end) {
    const Byte first = *run;
    const bool more = runEnd < end;
    const Byte next = more ? *runEnd : 0;
    switch (kind) {
        case TokenKind::Identifier: {
            FUZZ_CHECK(IsLetterByte(first) || fuzz::IsLead(first));
            for (const Byte* at = run; at < runEnd;) {
                if (fuzz::IsLead(*at)) {
                    at += 2;
                    FUZZ_CHECK(at <= runEnd || (at == runEnd + 1 && runEnd == end));
                } else {
                    FUZZ_CHECK(IsLetterByte(*at) || IsDigitByte(*at));
                    ++at;
                }
            }
            FUZZ_CHECK(!more || !(IsLetterByte(next) || IsDigitByte(next) || fuzz::IsLead(next)));
            break;
        }
        case TokenKind::HexNumber:
            FUZZ_CHECK(runEnd - run >= 2 && run[0] == '0' && run[1] == 'x' && end - run >= 3);
            for (const Byte* at = run + 2; at < runEnd; ++at) FUZZ_CHECK(IsHexByte(*at));
            FUZZ_CHECK(!more || !IsHexByte(next));
            break;
        case TokenKind::Integer:
        case TokenKind::RealNumber: {
            FUZZ_CHECK(IsDigitByte(first) || first == '-');
            // "0x" with a byte after it is a hexadecimal number, never 0 and x.
            FUZZ_CHECK(!(first == '0' && end - run >= 3 && run[1] == 'x'));
            int points = 0;
            for (const Byte* at = run + 1; at < runEnd; ++at) {
                if (*at == '.') {
                    ++points;
                } else {
                    FUZZ_CHECK(IsDigitByte(*at));
                }
            }
            FUZZ_CHECK(points <= 1);
            FUZZ_CHECK((kind == TokenKind::RealNumber) == (points == 1));
            FUZZ_CHECK(!more || !(IsDigitByte(next) || (next == '.' && points == 0)));
            break;
        }
        case TokenKind::Symbol:
            FUZZ_CHECK(runEnd - run == 1 && IsSymbolByte(first));
            break;
        case TokenKind::String:
            break;  // checked with its quotes by the caller
        case TokenKind::Invalid:
        case TokenKind::EndOfInput:
            FUZZ_CHECK(false);
    }
}

// The first pass: every token and how the input ended.
TokenKind ReadAllTokens(const fuzz::ExactBuffer& input, std::vector<Token>& tokens) {
    const Byte* begin = reinterpret_cast<const Byte*>(input.begin());
    const Byte* end = reinterpret_cast<const Byte*>(input.end());
    RecordLexer lexer(input.begin(), input.end());
    FUZZ_CHECK(lexer.Cursor() == input.begin() && lexer.End() == input.end());
    for (;;) {
        const char* before = lexer.Cursor();
        std::string text = "unchanged";
        TokenKind kind = TokenKind::Invalid;
        const bool ok = lexer.NextToken(text, kind);
        FUZZ_CHECK(lexer.Mark() == before);
        bool openComment = false;
        const Byte* start = SkipToToken(reinterpret_cast<const Byte*>(before), end, openComment);
        const Byte* cursor = reinterpret_cast<const Byte*>(lexer.Cursor());
        FUZZ_CHECK(cursor >= begin && cursor <= end);
        if (!ok) {
            FUZZ_CHECK(text == "unchanged");
            if (kind == TokenKind::EndOfInput) {
                // Only blanks and comments were left, and all of them read.
                FUZZ_CHECK(!openComment && start == end && cursor == end);
            } else {
                FUZZ_CHECK(kind == TokenKind::Invalid);
                FUZZ_CHECK(start < end && cursor == start);
                if (!openComment) {
                    bool unterminated = false;
                    if (*start == '"') {
                        const Byte* at = start + 1;
                        while (at < end && *at != '"') at += fuzz::IsLead(*at) ? 2 : 1;
                        unterminated = at >= end;
                    }
                    FUZZ_CHECK(unterminated || StartsNoToken(*start));
                }
                // Asking again fails the same way.
                TokenKind again = TokenKind::EndOfInput;
                FUZZ_CHECK(!lexer.NextToken(text, again) && again == TokenKind::Invalid);
                FUZZ_CHECK(reinterpret_cast<const Byte*>(lexer.Cursor()) == start);
            }
            return kind;
        }
        FUZZ_CHECK(!openComment && start < cursor);
        FUZZ_CHECK(text.size() <= kMaxTokenTextSize);
        const Byte* run = start;
        const Byte* runEnd = cursor;
        if (kind == TokenKind::String) {
            FUZZ_CHECK(cursor - start >= 2 && *start == '"' && cursor[-1] == '"');
            ++run;
            --runEnd;
            for (const Byte* at = run; at < runEnd;) {
                FUZZ_CHECK(*at != '"');
                at += fuzz::IsLead(*at) ? 2 : 1;
                FUZZ_CHECK(at <= runEnd);
            }
        } else {
            CheckKind(kind, run, runEnd, end);
        }
        FUZZ_CHECK(text == ExpectedText(std::string(reinterpret_cast<const char*>(run), runEnd - run)));
        tokens.push_back(Token{text, kind, lexer.Cursor()});
    }
}

// The second pass: the Expect operations, one per token, chosen by the
// token's position and bytes.
void CheckExpectOperations(const fuzz::ExactBuffer& input, const std::vector<Token>& tokens, TokenKind ending) {
    RecordLexer lexer(input.begin(), input.end());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        const char* before = lexer.Cursor();
        const unsigned choice =
            static_cast<unsigned>(i + input.size() + (token.text.empty() ? 0 : static_cast<Byte>(token.text[0]))) % 8;
        switch (choice) {
            case 0: {
                std::string text;
                TokenKind kind = TokenKind::Invalid;
                FUZZ_CHECK(lexer.NextToken(text, kind) && text == token.text && kind == token.kind);
                break;
            }
            case 1: {
                std::string_view view;
                TokenKind kind = TokenKind::Invalid;
                FUZZ_CHECK(lexer.NextTokenView(view, kind) && view == token.text && kind == token.kind);
                FUZZ_CHECK(view.data() >= input.begin() && view.data() + view.size() <= input.end());
                break;
            }
            case 2:
                FUZZ_CHECK(lexer.ExpectText(token.text));
                break;
            case 3:
                // A different text consumes nothing; the token is there again.
                FUZZ_CHECK(!lexer.ExpectText(token.text + "\x01"));
                FUZZ_CHECK(lexer.Cursor() == before && lexer.Mark() == before);
                FUZZ_CHECK(lexer.ExpectText(token.text));
                break;
            case 4: {
                std::int32_t value = 12345;
                std::int32_t expected = 0;
                const bool want = token.kind == TokenKind::Integer && fuzz::DecimalValue(token.text, expected);
                FUZZ_CHECK(lexer.ExpectInteger(value) == want);
                FUZZ_CHECK(value == (want ? expected : 12345));
                break;
            }
            case 5: {
                std::uint32_t value = 12345;
                std::uint32_t expected = 0;
                const bool want = token.kind == TokenKind::HexNumber && fuzz::HexValue(token.text, expected);
                FUZZ_CHECK(lexer.ExpectHex(value) == want);
                FUZZ_CHECK(value == (want ? expected : 12345u));
                break;
            }
            case 6: {
                std::string text = "unchanged";
                const bool want = token.kind == TokenKind::Identifier;
                FUZZ_CHECK(lexer.ExpectIdentifier(text) == want);
                FUZZ_CHECK(text == (want ? token.text : std::string("unchanged")));
                break;
            }
            default: {
                std::string text = "unchanged";
                const bool want = token.kind == TokenKind::String;
                FUZZ_CHECK(lexer.ExpectString(text) == want);
                FUZZ_CHECK(text == (want ? token.text : std::string("unchanged")));
                break;
            }
        }
        FUZZ_CHECK(lexer.Cursor() == token.after);
    }
    std::string text;
    TokenKind kind = TokenKind::Integer;
    FUZZ_CHECK(!lexer.NextToken(text, kind) && kind == ending);
    // A failed ExpectText at the end leaves the cursor where it was.
    const char* before = lexer.Cursor();
    FUZZ_CHECK(!lexer.ExpectText("#"));
    FUZZ_CHECK(lexer.Cursor() == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::ExactBuffer input(fuzz::ExpandRunMarker(data, size));
    std::vector<Token> tokens;
    const TokenKind ending = ReadAllTokens(input, tokens);
    CheckExpectOperations(input, tokens, ending);
    return 0;
}
