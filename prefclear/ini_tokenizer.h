// Splits one start-up settings file into tokens: words, numbers, double-quoted
// strings and the symbols , = [ ] { }. Blanks and ; or // line comments are
// skipped. Tokens have no kind; callers look only at their text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TokenizerStatus : int {
    Pending = -1,   // opened, more may follow
    Exhausted = 0,  // skipping reached the end
    Malformed = 1,  // a byte that starts no token, or a string without its closing quote
};

class IniTokenizer {
public:
    // Longest token text; longer tokens are cut to this and the rest consumed.
    static constexpr std::size_t kMaxTokenBytes = 16383;

    IniTokenizer();

    // Reads the whole file with one read. False when it cannot be opened, read
    // whole or closed. An empty file is an empty input.
    [[nodiscard]] bool Open(const std::string& path);
    // Tokenizes the given bytes as if they were a file's content.
    void Assign(std::string bytes);

    // Skips blanks and comments. True when a token may follow; false (and
    // the status Exhausted) at the end.
    [[nodiscard]] bool SkipBlanksAndComments();
    // The next token's text, up to its first NUL byte. False at the end or on
    // a byte that starts no token; text is then empty unless the end was met
    // before the token began, in which case it is left as it was.
    [[nodiscard]] bool ReadToken(std::string& text);
    // True when the next token is exactly `wanted`; a different token is left
    // to be read again. A token that cannot be read is consumed as ReadToken
    // leaves it.
    [[nodiscard]] bool ExpectToken(const char* wanted);
    // The next token read as a decimal integer like %d: leading white space,
    // an optional sign, digits; whatever follows is ignored ("12.7" is 12).
    // Beyond the 32-bit range the value saturates at INT32_MIN / INT32_MAX.
    // The token is consumed either way.
    [[nodiscard]] bool ReadInteger(std::int32_t& value);

    [[nodiscard]] TokenizerStatus Status() const { return status_; }
    // Where the latest ReadToken found its token (after blanks and comments;
    // the end when none followed), also when the read failed or was taken
    // back; a checking tool reports it.
    [[nodiscard]] std::size_t TokenStart() const { return tokenStart_; }

private:
    void SkipLineComment();
    void Take(char byte);
    void TakePair(char lead, char trail);
    [[nodiscard]] bool Fail(std::string& text);

    std::vector<char> bytes_;
    std::size_t cursor_ = 0;
    std::size_t end_ = 0;
    std::size_t tokenStart_ = 0;
    TokenizerStatus status_ = TokenizerStatus::Pending;
    std::vector<char> scratch_;  // kMaxTokenBytes + 1: the token and room for its NUL
    std::size_t taken_ = 0;      // bytes of the current token in scratch_
    bool full_ = false;          // the current token has been cut
};

// %d-style conversion of a token's text; see IniTokenizer::ReadInteger.
[[nodiscard]] bool ConvertDecimal(const std::string& text, std::int32_t& value);
