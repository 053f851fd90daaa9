// For the record-reader fuzz targets: the token stream of an input, read
// once with the lexer (which has its own target), and the values that the
// typed reads must give for a token's text, computed another way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "uninstaller/records/record_lexer.h"

namespace fuzz {

struct LexedToken {
    std::string text;
    TokenKind kind;
};

struct LexedInput {
    std::vector<LexedToken> tokens;
    TokenKind ending = TokenKind::EndOfInput;  // EndOfInput or Invalid
};

inline LexedInput LexAll(const char* begin, const char* end) {
    LexedInput lexed;
    RecordLexer lexer(begin, end);
    std::string text;
    TokenKind kind = TokenKind::Invalid;
    while (lexer.NextToken(text, kind)) lexed.tokens.push_back(LexedToken{text, kind});
    lexed.ending = kind;
    return lexed;
}

// An Integer token's value, saturated to the 32-bit range; false for a lone
// '-' (no digits).
inline bool DecimalValue(const std::string& text, std::int32_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    std::string digits = text.substr(negative ? 1 : 0);
    if (digits.empty()) return false;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    const long long magnitude = digits.size() > 10 ? 1LL << 40 : std::stoll(digits);
    long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX) signedValue = INT32_MAX;
    if (signedValue < INT32_MIN) signedValue = INT32_MIN;
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

// A HexNumber token's value, saturated at 0xFFFFFFFF; false for "0x" alone.
inline bool HexValue(const std::string& text, std::uint32_t& value) {
    if (text.size() < 3) return false;
    std::string digits = text.substr(2);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    value = digits.size() > 8 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    return true;
}

// Walks a token stream by index; running out of tokens is what the lexer's
// false result is to the readers.
class TokenWalk {
public:
    explicit TokenWalk(const LexedInput& lexed) : lexed_(lexed) {}
    [[nodiscard]] bool AtEnd() const { return next_ == lexed_.tokens.size(); }
    [[nodiscard]] bool EndedCleanly() const { return AtEnd() && lexed_.ending == TokenKind::EndOfInput; }
    // The next token, or null when none is left.
    const LexedToken* Take() { return AtEnd() ? nullptr : &lexed_.tokens[next_++]; }
    bool TakeText(const char* wanted) {
        const LexedToken* token = Take();
        return token != nullptr && token->text == wanted;
    }
    const LexedToken* TakeKind(TokenKind kind) {
        const LexedToken* token = Take();
        return token != nullptr && token->kind == kind ? token : nullptr;
    }

private:
    const LexedInput& lexed_;
    std::size_t next_ = 0;
};

}  // namespace fuzz
