#include "recordcheck/charset.h"

#include "recordcheck/windows_text.h"

namespace recordcheck {

namespace {

using windows::kShiftJis;

// `in` from one code page to the other through UTF-16; false when a
// character has no form there (no best fit, no default character).
bool Convert(const std::string& in, UINT from, UINT to, std::string& out) {
    wchar_t wide[4];
    const int units = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), wide, 4);
    if (units <= 0) return false;
    char bytes[16];
    BOOL defaulted = FALSE;
    const bool toUtf8 = to == CP_UTF8;
    const int size = WideCharToMultiByte(to, toUtf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, units, bytes, sizeof bytes,
                                         nullptr, toUtf8 ? nullptr : &defaulted);
    if (size <= 0 || defaulted) return false;
    out.assign(bytes, static_cast<std::size_t>(size));
    return true;
}

}  // namespace

bool Cp932CharacterToUtf8(const std::string& in, std::string& out) { return Convert(in, kShiftJis, CP_UTF8, out); }

bool Utf8CharacterToCp932(const std::string& in, std::string& out) { return Convert(in, CP_UTF8, kShiftJis, out); }

}  // namespace recordcheck
