#include "prefclear/ini_tokenizer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "common/file.h"
#include "common/sjis.h"
#include "platform/win32.h"

namespace {

bool IsBlank(unsigned char byte) { return byte <= 0x20 || byte == 0x7F; }
bool IsLetter(unsigned char byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }
bool IsDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }
bool IsSymbol(unsigned char byte) {
    return byte == ',' || byte == '=' || byte == '[' || byte == ']' || byte == '{' || byte == '}';
}

}  // namespace

IniTokenizer::IniTokenizer() : scratch_(kMaxTokenBytes + 1, '\0') {}

bool IniTokenizer::Open(const std::string& path) {
    FileHandleHolder file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    std::vector<char> bytes;
    if (!SizeBufferToFile(file.Get(), bytes)) return false;
    const auto size = static_cast<DWORD>(bytes.size());
    if (size != 0) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data(), size, &read, nullptr) || read != size) return false;
    }
    if (!file.Close()) return false;
    bytes_ = std::move(bytes);
    cursor_ = 0;
    end_ = bytes_.size();
    status_ = TokenizerStatus::Pending;
    return true;
}

void IniTokenizer::Assign(std::string bytes) {
    bytes_.assign(bytes.begin(), bytes.end());
    cursor_ = 0;
    end_ = bytes_.size();
    status_ = TokenizerStatus::Pending;
}

void IniTokenizer::SkipLineComment() {
    while (cursor_ < end_) {
        const auto byte = static_cast<unsigned char>(bytes_[cursor_]);
        if (sjis::IsLeadByte(byte)) {
            // The trail byte goes with it, even a 0x0A; a lead byte at the
            // very end has no partner to skip.
            cursor_ += std::min<std::size_t>(2, end_ - cursor_);
            continue;
        }
        ++cursor_;
        if (byte == 0x0A) return;
    }
}

bool IniTokenizer::SkipBlanksAndComments() {
    while (cursor_ < end_) {
        const auto byte = static_cast<unsigned char>(bytes_[cursor_]);
        if (IsBlank(byte)) {
            ++cursor_;
        } else if (byte == ';' || (byte == '/' && cursor_ + 1 < end_ && bytes_[cursor_ + 1] == '/')) {
            SkipLineComment();
        } else {
            return true;
        }
    }
    // Once malformed, always malformed: an unclosed string that ran to the
    // end must not turn into a clean end of the file.
    if (status_ != TokenizerStatus::Malformed) status_ = TokenizerStatus::Exhausted;
    return false;
}

void IniTokenizer::Take(char byte) {
    if (!full_ && taken_ < kMaxTokenBytes) {
        scratch_[taken_++] = byte;
    } else {
        full_ = true;  // the rest of the token is consumed and dropped
    }
}

void IniTokenizer::TakePair(char lead, char trail) {
    // A two-byte character goes into the token whole or not at all.
    if (!full_ && taken_ + 2 <= kMaxTokenBytes) {
        scratch_[taken_++] = lead;
        scratch_[taken_++] = trail;
    } else {
        full_ = true;
    }
}

bool IniTokenizer::Fail(std::string& text) {
    text.clear();
    status_ = TokenizerStatus::Malformed;
    return false;
}

bool IniTokenizer::ReadToken(std::string& text) {
    const bool more = SkipBlanksAndComments();
    tokenStart_ = cursor_;
    if (!more) return false;
    taken_ = 0;
    full_ = false;
    const auto first = static_cast<unsigned char>(bytes_[cursor_]);
    if (IsLetter(first)) {
        Take(bytes_[cursor_++]);
        while (cursor_ < end_) {
            const auto byte = static_cast<unsigned char>(bytes_[cursor_]);
            if (!IsLetter(byte) && !IsDigit(byte)) break;
            Take(bytes_[cursor_++]);
        }
    } else if (IsDigit(first) || first == '-') {
        Take(bytes_[cursor_++]);
        bool point = false;
        while (cursor_ < end_) {
            const auto byte = static_cast<unsigned char>(bytes_[cursor_]);
            if (byte == '.' && !point) {
                point = true;
            } else if (!IsDigit(byte)) {
                break;
            }
            Take(bytes_[cursor_++]);
        }
    } else if (first == '"') {
        ++cursor_;
        for (;;) {
            if (cursor_ >= end_) return Fail(text);
            const auto byte = static_cast<unsigned char>(bytes_[cursor_]);
            if (byte == '"') {
                ++cursor_;
                break;
            }
            if (sjis::IsLeadByte(byte)) {
                // A lead byte with no partner before the end leaves the
                // string unclosed; the end is never read past.
                if (cursor_ + 1 >= end_) {
                    cursor_ = end_;
                    return Fail(text);
                }
                TakePair(bytes_[cursor_], bytes_[cursor_ + 1]);
                cursor_ += 2;
            } else {
                Take(bytes_[cursor_++]);
            }
        }
    } else if (IsSymbol(first)) {
        Take(bytes_[cursor_++]);
    } else {
        return Fail(text);  // the cursor stays on the byte
    }
    const char* start = scratch_.data();
    const auto* nul = static_cast<const char*>(std::memchr(start, '\0', taken_));
    text.assign(start, nul != nullptr ? static_cast<std::size_t>(nul - start) : taken_);
    return true;
}

bool IniTokenizer::ExpectToken(const char* wanted) {
    const std::size_t remembered = cursor_;
    std::string text;
    if (!ReadToken(text)) return false;
    if (text == wanted) return true;
    cursor_ = remembered;
    return false;
}

bool IniTokenizer::ReadInteger(std::int32_t& value) {
    std::string text;
    if (!ReadToken(text)) return false;
    return ConvertDecimal(text, value);
}

bool ConvertDecimal(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    // %d skips the white space of isspace in the C locale.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !IsDigit(static_cast<unsigned char>(text[i]))) return false;
    // Accumulate the magnitude and stop growing it once it is past the
    // 32-bit range; the result saturates instead of overflowing.
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(static_cast<unsigned char>(text[i])); ++i) {
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (negative) {
        value = static_cast<std::int32_t>(-std::min(magnitude, kLimit));
    } else {
        value = static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
    }
    return true;
}
