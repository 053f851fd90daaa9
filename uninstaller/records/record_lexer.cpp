#include "uninstaller/records/record_lexer.h"

#include <cstring>

namespace {

using Byte = unsigned char;

// The value of each hexadecimal digit, kNotHex for every other byte: one
// load per byte instead of three range tests on the hot path.
constexpr Byte kNotHex = 0xFF;

struct HexValueTable {
    Byte values[256];
};

constexpr HexValueTable MakeHexValueTable() {
    HexValueTable table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (byte >= '0' && byte <= '9') {
            table.values[byte] = static_cast<Byte>(byte - '0');
        } else if (byte >= 'a' && byte <= 'f') {
            table.values[byte] = static_cast<Byte>(byte - 'a' + 10);
        } else if (byte >= 'A' && byte <= 'F') {
            table.values[byte] = static_cast<Byte>(byte - 'A' + 10);
        } else {
            table.values[byte] = kNotHex;
        }
    }
    return table;
}

constexpr HexValueTable kHexValues = MakeHexValueTable();

Byte HexDigitValue(Byte byte) { return kHexValues.values[byte]; }

// Length of the longest run of whole characters from `begin` that fits in
// `limit` bytes; the bytes up to `limit` must exist.
std::size_t WholeCharacterPrefix(const Byte* begin, std::size_t limit) {
    std::size_t size = 0;
    while (size < limit) {
        const std::size_t width = sjis::IsLeadByte(begin[size]) ? 2 : 1;
        if (size + width > limit) break;
        size += width;
    }
    return size;
}

// The text of a token that spans [begin, end): at most kMaxTokenTextSize
// bytes, and only up to its first NUL when it may hold one.
std::string_view TokenText(const Byte* begin, const Byte* end, bool mayHoldNul) {
    std::size_t size = static_cast<std::size_t>(end - begin);
    if (size > kMaxTokenTextSize) size = WholeCharacterPrefix(begin, kMaxTokenTextSize);
    if (mayHoldNul && size != 0) {
        if (const void* nul = std::memchr(begin, 0, size)) {
            size = static_cast<std::size_t>(static_cast<const Byte*>(nul) - begin);
        }
    }
    return {reinterpret_cast<const char*>(begin), size};
}

// "-"? digits+ as a 32-bit value, saturated at the range's ends. False
// without digits or with any other byte.
bool ParseDecimal(std::string_view text, std::int32_t& value) {
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++at;
    if (at == text.size()) return false;
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const Byte byte = static_cast<Byte>(text[at]);
        if (byte < '0' || byte > '9') return false;
        magnitude = magnitude * 10 + (byte - '0');  // never wraps: magnitude stays <= limit
        if (magnitude > limit) magnitude = limit;
    }
    const std::int64_t signedValue = static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(negative ? -signedValue : signedValue);
    return true;
}

// "0x" hexdigits+ as a 32-bit value, saturated at 0xFFFFFFFF. False without
// digits or with any other byte.
bool ParseHex(std::string_view text, std::uint32_t& value) {
    if (text.size() < 3 || text[0] != '0' || text[1] != 'x') return false;
    std::uint64_t result = 0;
    for (std::size_t at = 2; at < text.size(); ++at) {
        const Byte digit = HexDigitValue(static_cast<Byte>(text[at]));
        if (digit == kNotHex) return false;
        result = result * 16 + digit;
        if (result > 0xFFFFFFFFu) result = 0xFFFFFFFFu;
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

}  // namespace

RecordLexer::RecordLexer(const char* begin, const char* end) noexcept
    : cursor_(reinterpret_cast<const Byte*>(begin)), mark_(cursor_), end_(reinterpret_cast<const Byte*>(end)) {}

const RecordLexer::Byte* RecordLexer::SkipToLineEnd(const Byte* from) const noexcept {
    // A lead byte takes the byte after it whatever it is, even a line feed,
    // so the comment then runs on into the next line.
    const Byte* at = from;
    while (at < end_) {
        const Byte byte = *at;
        if (byte == '\n') return at;
        at += (sjis::IsLeadByte(byte) && end_ - at >= 2) ? 2 : 1;
    }
    return end_;
}

void RecordLexer::SkipBlanksAndLineComments() noexcept {
    while (cursor_ < end_) {
        const Byte byte = *cursor_;
        if (ClassifyByte(byte) == ByteClass::Blank) {
            ++cursor_;
        } else if (byte == '/' && end_ - cursor_ >= 2 && cursor_[1] == '/') {
            const Byte* lineFeed = SkipToLineEnd(cursor_ + 2);
            cursor_ = lineFeed == end_ ? end_ : lineFeed + 1;  // a "//" comment may end the input
        } else {
            return;
        }
    }
}

const RecordLexer::Byte* RecordLexer::ScanIdentifier(const Byte* from) const noexcept {
    const Byte* at = from;
    while (at < end_) {
        const ByteClass byteClass = ClassifyByte(*at);
        if (byteClass == ByteClass::Letter || byteClass == ByteClass::Digit) {
            ++at;
        } else if (byteClass == ByteClass::LeadByte) {
            at += end_ - at >= 2 ? 2 : 1;  // a lead byte that ends the input is kept alone
        } else {
            break;
        }
    }
    return at;
}

bool RecordLexer::IsHexStart(const Byte* at) const noexcept {
    // "0x" makes a hexadecimal number only when some byte follows the x.
    return *at == '0' && end_ - at >= 3 && at[1] == 'x';
}

const RecordLexer::Byte* RecordLexer::ScanHexDigits(const Byte* from) const noexcept {
    const Byte* at = from;
    while (at < end_ && HexDigitValue(*at) != kNotHex) ++at;
    return at;
}

const RecordLexer::Byte* RecordLexer::ScanDecimal(const Byte* from, bool& hasPoint) const noexcept {
    const Byte* at = from;
    while (at < end_) {
        const Byte byte = *at;
        if (byte >= '0' && byte <= '9') {
            ++at;
        } else if (byte == '.' && !hasPoint) {
            hasPoint = true;
            ++at;
        } else {
            break;
        }
    }
    return at;
}

const RecordLexer::Byte* RecordLexer::ScanStringBody(const Byte* from) const noexcept {
    // The byte after a lead byte never closes the string; a lead byte with
    // nothing after it leaves the string unclosed.
    const Byte* at = from;
    while (at < end_) {
        const Byte byte = *at;
        if (byte == '"') return at;
        if (sjis::IsLeadByte(byte)) {
            if (end_ - at < 2) return end_;
            at += 2;
        } else {
            ++at;
        }
    }
    return end_;
}

TokenKind RecordLexer::ScanToken(const Byte*& textBegin, const Byte*& textEnd) noexcept {
    for (;;) {
        SkipBlanksAndLineComments();
        if (cursor_ == end_) return TokenKind::EndOfInput;
        const Byte* start = cursor_;
        switch (ClassifyByte(*start)) {
            case ByteClass::Letter:
            case ByteClass::LeadByte:
                textBegin = start;
                textEnd = cursor_ = ScanIdentifier(start);
                return TokenKind::Identifier;
            case ByteClass::Digit:
                if (IsHexStart(start)) {
                    textBegin = start;
                    textEnd = cursor_ = ScanHexDigits(start + 2);
                    return TokenKind::HexNumber;
                }
                [[fallthrough]];
            case ByteClass::Minus: {
                bool hasPoint = false;
                textBegin = start;
                textEnd = cursor_ = ScanDecimal(start + 1, hasPoint);
                return hasPoint ? TokenKind::RealNumber : TokenKind::Integer;
            }
            case ByteClass::Quote: {
                const Byte* close = ScanStringBody(start + 1);
                if (close == end_) return TokenKind::Invalid;  // the cursor stays on the opening quote
                textBegin = start + 1;
                textEnd = close;
                cursor_ = close + 1;
                return TokenKind::String;
            }
            case ByteClass::Symbol:
                textBegin = start;
                textEnd = cursor_ = start + 1;
                return TokenKind::Symbol;
            case ByteClass::Semicolon: {
                // Unlike "//", a ';' comment must end with a line feed.
                const Byte* lineFeed = SkipToLineEnd(start + 1);
                if (lineFeed == end_) return TokenKind::Invalid;  // the cursor stays on the ';'
                cursor_ = lineFeed + 1;
                continue;
            }
            case ByteClass::Blank:
            case ByteClass::Other:
                break;
        }
        return TokenKind::Invalid;  // the cursor stays on the offending byte
    }
}

bool RecordLexer::NextTokenView(std::string_view& text, TokenKind& kind) noexcept {
    mark_ = cursor_;
    const Byte* textBegin = nullptr;
    const Byte* textEnd = nullptr;
    kind = ScanToken(textBegin, textEnd);
    if (kind == TokenKind::Invalid || kind == TokenKind::EndOfInput) return false;
    text = TokenText(textBegin, textEnd, kind == TokenKind::String || kind == TokenKind::Identifier);
    return true;
}

bool RecordLexer::NextToken(std::string& text, TokenKind& kind) {
    std::string_view view;
    if (!NextTokenView(view, kind)) return false;
    text.assign(view);
    return true;
}

bool RecordLexer::ExpectText(std::string_view expected) noexcept {
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    if (NextTokenView(text, kind) && text == expected) return true;
    cursor_ = mark_;
    return false;
}

bool RecordLexer::ExpectInteger(std::int32_t& value) noexcept {
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    return NextTokenView(text, kind) && kind == TokenKind::Integer && ParseDecimal(text, value);
}

bool RecordLexer::ExpectHex(std::uint32_t& value) noexcept {
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    return NextTokenView(text, kind) && kind == TokenKind::HexNumber && ParseHex(text, value);
}

bool RecordLexer::ExpectIdentifier(std::string& text) {
    std::string_view view;
    TokenKind kind = TokenKind::Invalid;
    if (!NextTokenView(view, kind) || kind != TokenKind::Identifier) return false;
    text.assign(view);
    return true;
}

bool RecordLexer::ExpectString(std::string& text) {
    std::string_view view;
    TokenKind kind = TokenKind::Invalid;
    if (!NextTokenView(view, kind) || kind != TokenKind::String) return false;
    text.assign(view);
    return true;
}

StatementStart ReadStatementKey(RecordLexer& lexer, std::string& key) {
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    if (!lexer.NextTokenView(text, kind)) {
        return kind == TokenKind::EndOfInput ? StatementStart::EndOfInput : StatementStart::Fault;
    }
    if (text != "#") return StatementStart::Fault;
    return lexer.ExpectIdentifier(key) ? StatementStart::Key : StatementStart::Fault;
}
