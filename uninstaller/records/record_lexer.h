// The tokens of the installer's record files (Installer.ini and
// InstallFiles.ini): statements of '#', a key and values, written in code
// page 932. The lexer works on bytes and never converts text; a two-byte
// character is carried through as its two bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/sjis.h"

// The codes are part of the record format's vocabulary; keep them stable.
enum class TokenKind {
    Invalid = 0,     // no token can be read here
    EndOfInput = 1,  // only blanks and comments were left
    Integer = 2,     // decimal number without a point, maybe with a leading '-'
    HexNumber = 3,   // "0x" and hexadecimal digits
    RealNumber = 4,  // decimal number with one point
    Identifier = 5,  // letters, digits (not first) and two-byte characters
    String = 6,      // double-quoted text; the token's text is what is between the quotes
    Symbol = 7,      // one of # ( ) * + , / = [ ] { }
};

// What a byte means where a token may start. Other starts no token (among
// them '.', '_', the backslash, 0x80 and the one-byte katakana 0xA0-0xDF).
enum class ByteClass : std::uint8_t {
    Other,
    Blank,      // 0x00-0x20 and 0x7F
    Letter,     // A-Z a-z
    Digit,      // 0-9
    LeadByte,   // first byte of a two-byte character
    Symbol,     // # ( ) * + , / = [ ] { }
    Quote,      // '"' opens a string
    Minus,      // '-' opens a decimal number
    Semicolon,  // ';' opens a comment to the end of the line
};

namespace record_lexer_detail {

constexpr ByteClass ClassOf(unsigned byte) {
    if (byte <= 0x20 || byte == 0x7F) return ByteClass::Blank;
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) return ByteClass::Letter;
    if (byte >= '0' && byte <= '9') return ByteClass::Digit;
    if (sjis::IsLeadByte(static_cast<unsigned char>(byte))) return ByteClass::LeadByte;
    switch (byte) {
        case '#': case '(': case ')': case '*': case '+': case ',':
        case '/': case '=': case '[': case ']': case '{': case '}':
            return ByteClass::Symbol;
        case '"': return ByteClass::Quote;
        case '-': return ByteClass::Minus;
        case ';': return ByteClass::Semicolon;
        default: return ByteClass::Other;
    }
}

struct ByteClassTable {
    ByteClass entries[256];
};

constexpr ByteClassTable MakeByteClassTable() {
    ByteClassTable table{};
    for (unsigned byte = 0; byte < 256; ++byte) table.entries[byte] = ClassOf(byte);
    return table;
}

inline constexpr ByteClassTable kByteClasses = MakeByteClassTable();

}  // namespace record_lexer_detail

// The class of one byte, by table: the scanner's hot loops ask it per byte.
constexpr ByteClass ClassifyByte(unsigned char byte) noexcept {
    return record_lexer_detail::kByteClasses.entries[byte];
}

// A token's text is limited to what a 16,384-byte scratch area holds with its
// terminating NUL. Longer tokens are consumed whole and their text is cut to
// the limit, never splitting a two-byte character.
constexpr std::size_t kTokenScratchSize = 16384;
constexpr std::size_t kMaxTokenTextSize = kTokenScratchSize - 1;

// Splits a byte range that it does not own into tokens. The owner of the
// bytes keeps them alive for the lexer's whole life. Nothing is ever read
// outside [begin, end), whatever the bytes are.
//
// A token's text is always a run of the input (strings have no escapes), so
// it is taken straight from the input, cut at its first NUL byte and at
// kMaxTokenTextSize bytes, and copied into the caller's string once.
class RecordLexer {
public:
    RecordLexer(const char* begin, const char* end) noexcept;

    // Reads the next token. True with its text and kind; false with kind
    // EndOfInput (only blanks and comments left) or Invalid (no token can be
    // read here; the cursor then rests where the failed token began, so
    // asking again fails the same way). On false `text` is unchanged.
    [[nodiscard]] bool NextToken(std::string& text, TokenKind& kind);
    // The same with the text as a view into the input, valid while the input
    // lives; for readers that only look at a token.
    [[nodiscard]] bool NextTokenView(std::string_view& text, TokenKind& kind) noexcept;

    // True when the next token's text is exactly `expected`, whatever its
    // kind (so a quoted "=" serves as '='). Otherwise nothing is consumed:
    // the cursor goes back to where the token read began.
    [[nodiscard]] bool ExpectText(std::string_view expected) noexcept;
    // The typed reads consume the token they read, even when they fail; on
    // false the output is unchanged.
    //
    // An Integer token. A value beyond the 32-bit range saturates to
    // INT32_MIN or INT32_MAX; a lone '-' has no digits and fails.
    [[nodiscard]] bool ExpectInteger(std::int32_t& value) noexcept;
    // A HexNumber token. A value beyond 32 bits saturates to 0xFFFFFFFF; the
    // text "0x" with no digits fails.
    [[nodiscard]] bool ExpectHex(std::uint32_t& value) noexcept;
    // An Identifier token, its text into `text`.
    [[nodiscard]] bool ExpectIdentifier(std::string& text);
    // A String token, the text between its quotes into `text`.
    [[nodiscard]] bool ExpectString(std::string& text);

    // The three positions: the next byte to read; where the cursor stood when
    // the latest read began, blanks and comments included (the rewind point
    // of ExpectText); one past the last byte.
    [[nodiscard]] const char* Cursor() const noexcept { return reinterpret_cast<const char*>(cursor_); }
    [[nodiscard]] const char* Mark() const noexcept { return reinterpret_cast<const char*>(mark_); }
    [[nodiscard]] const char* End() const noexcept { return reinterpret_cast<const char*>(end_); }

private:
    using Byte = unsigned char;

    void SkipBlanksAndLineComments() noexcept;
    [[nodiscard]] const Byte* SkipToLineEnd(const Byte* from) const noexcept;
    [[nodiscard]] TokenKind ScanToken(const Byte*& textBegin, const Byte*& textEnd) noexcept;
    [[nodiscard]] const Byte* ScanIdentifier(const Byte* from) const noexcept;
    [[nodiscard]] const Byte* ScanHexDigits(const Byte* from) const noexcept;
    [[nodiscard]] const Byte* ScanDecimal(const Byte* from, bool& hasPoint) const noexcept;
    [[nodiscard]] const Byte* ScanStringBody(const Byte* from) const noexcept;
    [[nodiscard]] bool IsHexStart(const Byte* at) const noexcept;

    const Byte* cursor_;
    const Byte* mark_;
    const Byte* end_;
};

// How a statement of a record file opens.
enum class StatementStart {
    Key,         // its '#' and key were read
    EndOfInput,  // the input ended cleanly before another statement
    Fault,       // no token, a first token other than '#', or no identifier key
};

// Reads the '#' (the text alone counts, so a quoted "#" serves too) and the
// key that open a statement; shared by both record readers.
[[nodiscard]] StatementStart ReadStatementKey(RecordLexer& lexer, std::string& key);

// Reads a whole record file's bytes with `readStatements` (a callable taking
// the lexer and returning true when every statement was read); an empty file
// fails. On false, `failureOffset` (when given) receives where the read that
// failed began, blanks before its token included, or 0 for an empty file.
template <typename Read>
[[nodiscard]] bool ReadRecordBytes(const char* data, std::size_t size, std::size_t* failureOffset,
                                   Read readStatements) {
    RecordLexer lexer(data, data + size);
    if (size != 0 && readStatements(lexer)) return true;
    if (failureOffset != nullptr) *failureOffset = static_cast<std::size_t>(lexer.Mark() - data);
    return false;
}
