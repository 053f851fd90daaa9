// Names as Windows sees them through the ANSI calls: a CP932 name is turned
// into UTF-16 first, so two byte strings for one character are one name,
// letters of every script code page 932 can spell compare without case, a
// length limit counts characters, not bytes, and some names are devices.
#include <cstdint>

#include "common/sjis.h"
#include "platform/sim_internal.h"

namespace sim {

namespace {

// Position of a two-byte code in the grid of its lead byte (trail bytes
// 0x40-0x7E and 0x80-0xFC, 188 a row), so that runs crossing the gap at
// 0x7F can be mapped by an offset.
int GridIndex(unsigned lead, unsigned trail) {
    return static_cast<int>(lead) * 188 + static_cast<int>(trail < 0x7F ? trail - 0x40 : trail - 0x41);
}

std::uint16_t FromGridIndex(int index) {
    const unsigned lead = static_cast<unsigned>(index / 188);
    const unsigned column = static_cast<unsigned>(index % 188);
    return static_cast<std::uint16_t>(lead << 8 | (column < 0x3F ? column + 0x40 : column + 0x41));
}

struct Run {
    std::uint16_t first, last, target;  // codes first..last map onto target.. in grid order
};

std::uint16_t MapByRuns(std::uint16_t code, const Run* runs, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const Run& run = runs[i];
        if (code < run.first || code > run.last) continue;
        const int offset = GridIndex(code >> 8, code & 0xFF) - GridIndex(run.first >> 8, run.first & 0xFF);
        return FromGridIndex(GridIndex(run.target >> 8, run.target & 0xFF) + offset);
    }
    return code;
}

// Code page 932 spells some characters twice or three times (NEC row 13,
// the NEC-selected IBM extensions, the IBM extensions). Windows turns every
// spelling into the one character and writes it back the way its table
// prefers: the JIS code, else NEC row 13, else the IBM extension.
constexpr Run kOtherSpellings[] = {
    {0x8790, 0x8790, 0x81E0}, {0x8791, 0x8791, 0x81DF}, {0x8792, 0x8792, 0x81E7}, {0x8795, 0x8795, 0x81E3},
    {0x8796, 0x8796, 0x81DB}, {0x8797, 0x8797, 0x81DA}, {0x879A, 0x879A, 0x81E6}, {0x879B, 0x879B, 0x81BF},
    {0x879C, 0x879C, 0x81BE}, {0xED40, 0xEEEC, 0xFA5C}, {0xEEEF, 0xEEF8, 0xFA40}, {0xEEF9, 0xEEF9, 0x81CA},
    {0xEEFA, 0xEEFC, 0xFA55}, {0xFA4A, 0xFA53, 0x8754}, {0xFA54, 0xFA54, 0x81CA}, {0xFA58, 0xFA58, 0x878A},
    {0xFA59, 0xFA59, 0x8782}, {0xFA5A, 0xFA5A, 0x8784}, {0xFA5B, 0xFA5B, 0x81E6},
};

// Lower case to upper case, on codes already in their preferred spelling:
// full-width Latin, Greek, Cyrillic (whose lower row skips 0x7F), small
// Roman numerals. NTFS and the registry fold all of them.
constexpr Run kLowerToUpper[] = {
    {0x8281, 0x829A, 0x8260},
    {0x83BF, 0x83D6, 0x839F},
    {0x8470, 0x8491, 0x8440},
    {0xFA40, 0xFA49, 0x8754},
};

template <std::size_t N>
std::uint16_t Map(std::uint16_t code, const Run (&runs)[N]) {
    return MapByRuns(code, runs, N);
}

// Rewrites every two-byte character with `map`; one-byte characters go
// through `single`.
template <typename Single, typename Double>
void RewriteInPlace(std::string& out, Single single, Double map) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        if (sjis::IsLeadByte(byte)) {
            if (i + 1 >= out.size()) break;
            const auto trail = static_cast<unsigned char>(out[i + 1]);
            const std::uint16_t code = map(static_cast<std::uint16_t>(byte << 8 | trail));
            out[i] = static_cast<char>(code >> 8);
            out[i + 1] = static_cast<char>(code & 0xFF);
            ++i;
            continue;
        }
        out[i] = single(out[i]);
    }
}

template <typename Single, typename Double>
std::string Rewrite(const std::string& name, Single single, Double map) {
    std::string out = name;
    RewriteInPlace(out, single, map);
    return out;
}

std::uint16_t FoldCode(std::uint16_t code) { return Map(Map(code, kOtherSpellings), kLowerToUpper); }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string StoredName(const std::string& name) {
    return Rewrite(name, [](char c) { return c; }, [](std::uint16_t code) { return Map(code, kOtherSpellings); });
}

std::string FoldName(const std::string& name) { return Rewrite(name, AsciiUpper, FoldCode); }

void FoldNameInto(const std::string& name, std::string& out) {
    out.assign(name);
    RewriteInPlace(out, AsciiUpper, FoldCode);
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++count) {
        if (sjis::IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
    }
    return count;
}

bool ContainsWildcard(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(name[i]);
        if (sjis::IsLeadByte(byte)) {
            ++i;
            continue;
        }
        if (byte == '*' || byte == '?') return true;
    }
    return false;
}

std::string DeviceStem(const std::string& name) {
    std::string stem = name.substr(0, name.find_first_of(".:"));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    return stem;
}

// What the name stands for before its first dot, without trailing spaces,
// in any case: CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9.
bool IsDeviceName(const std::string& name) {
    const std::string stem = FoldName(DeviceStem(name));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace sim
