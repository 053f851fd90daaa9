#include "recordcheck/encoding.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "common/sjis.h"
#include "recordcheck/charset.h"

namespace recordcheck {

namespace {

// "\xEF\xBF\xBD", U+FFFD, spelled in bytes: string literals here become
// CP932 (-fexec-charset), which has no such character.
const char kReplacement[] = "\xEF\xBF\xBD";

// Length of the UTF-8 sequence that starts at `at`, or 0 when it is not a
// well-formed one (overlong forms, surrogates and values past U+10FFFF
// included).
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) return 1;
    std::size_t length = 0;
    unsigned long value = 0;
    if (byte >= 0xC2 && byte <= 0xDF) {
        length = 2;
        value = byte & 0x1F;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        length = 3;
        value = byte & 0x0F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        length = 4;
        value = byte & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (overlong || surrogate || value > 0x10FFFF) return 0;
    return length;
}

// Appends the UTF-8 form of the CP932 character of `width` bytes at `at`;
// false when CP932 has no such character. Each character's form is asked of
// the converter once and kept: (length << 24) | bytes, 0 for not yet asked.
bool AppendUtf8Form(std::string_view bytes, std::size_t at, std::size_t width, std::string& out) {
    static std::vector<std::uint32_t> forms(1 << 16, 0);
    constexpr std::uint32_t kNone = 0xFF000000;
    const unsigned code = width == 1 ? static_cast<unsigned char>(bytes[at])
                                     : (static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]);
    std::uint32_t& form = forms[code];
    if (form == 0) {
        std::string converted;
        form = Cp932CharacterToUtf8(std::string(bytes.substr(at, width)), converted) && !converted.empty() && converted.size() <= 3
                   ? static_cast<std::uint32_t>(converted.size()) << 24
                   : kNone;
        for (std::size_t i = 0; form != kNone && i < converted.size(); ++i) {
            form |= static_cast<std::uint32_t>(static_cast<unsigned char>(converted[i])) << (8 * (2 - i));
        }
    }
    if (form == kNone) return false;
    const std::size_t length = form >> 24;
    for (std::size_t i = 0; i < length; ++i) out.push_back(static_cast<char>((form >> (8 * (2 - i))) & 0xFF));
    return true;
}

}  // namespace

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

TextEncoding GuessTextEncoding(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return TextEncoding::Utf8WithBom;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) return TextEncoding::Utf16;
    // ASCII text in UTF-16 without its mark: a NUL beside every character.
    if (bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0')) return TextEncoding::Utf16;
    // Shift-JIS text of any length is almost never well-formed UTF-8: its lead
    // bytes 0x81-0x9F cannot start a UTF-8 sequence.
    bool multibyte = false;
    for (const char c : bytes) multibyte = multibyte || static_cast<unsigned char>(c) >= 0x80;
    return multibyte && IsUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
}

const char* DescribeTextEncoding(TextEncoding encoding, Language language) {
    Words words = {"", ""};
    switch (encoding) {
        case TextEncoding::Utf8WithBom:
            words = {"the file is UTF-8 and starts with a byte-order mark", "ファイルが UTF-8 で、BOM で始まる"};
            break;
        case TextEncoding::Utf8: words = {"the file is UTF-8, not Shift-JIS", "ファイルが Shift-JIS でなく UTF-8"}; break;
        case TextEncoding::Utf16: words = {"the file is UTF-16, not Shift-JIS", "ファイルが Shift-JIS でなく UTF-16"}; break;
        case TextEncoding::ShiftJis: break;
    }
    return words.In(language);
}

namespace {

// One UTF-8 character as CP932, only when it converts back unchanged.
bool ExactCp932(const std::string& character, std::string& out) {
    if (character.size() == 1) {
        out = character;
        return true;
    }
    // Each character is asked of the converter once: a folder of a hundred
    // thousand Japanese names has few characters many times over.
    static std::map<std::string, std::string> known;
    const auto found = known.find(character);
    if (found != known.end()) {
        out = found->second;
        return !out.empty();
    }
    std::string converted;
    if (!Utf8CharacterToCp932(character, converted) || Utf8FromCp932(converted) != character) converted.clear();
    known.emplace(character, converted);
    out = converted;
    return !out.empty();
}

}  // namespace

std::string Utf8FromCp932(std::string_view bytes) {
    // Plain ASCII, the most of any path, is the same in both.
    bool ascii = true;
    for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            out.push_back(bytes[at++]);
            continue;
        }
        const std::size_t width = sjis::IsLeadByte(byte) ? 2 : 1;
        if (at + width > bytes.size() || !AppendUtf8Form(bytes, at, width, out)) {
            const std::size_t present = at + width <= bytes.size() ? width : bytes.size() - at;
            for (std::size_t i = 0; i < present; ++i) out += kReplacement;
        }
        at += width;
    }
    return out;
}

bool IsCp932(const std::string& bytes) {
    return Utf8FromCp932(bytes).find(kReplacement) == std::string::npos;
}

bool LooksUtf8(const std::string& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return IsUtf8(bytes);
    }
    return false;
}

WindowsName WindowsNameFromHost(const std::string& name) {
    WindowsName result;
    if (!IsUtf8(name)) {
        result.bytes = name;
        result.rawBytes = true;
        return result;
    }
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = Utf8SequenceLength(name, at);
        std::string converted;
        if (ExactCp932(name.substr(at, length), converted)) {
            result.bytes += converted;
        } else {
            result.bytes.push_back('?');
            result.representable = false;
        }
        at += length;
    }
    return result;
}

bool Cp932FromUtf8(const std::string& utf8, std::string& cp932) {
    if (!IsUtf8(utf8)) return false;
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(utf8, at);
        std::string converted;
        if (!ExactCp932(utf8.substr(at, length), converted)) return false;
        out += converted;
        at += length;
    }
    cp932 = out;
    return true;
}

std::string Utf8FromHost(const std::string& path) { return IsUtf8(path) ? path : Utf8FromCp932(path); }

}  // namespace recordcheck
