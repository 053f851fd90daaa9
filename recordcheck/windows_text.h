// Text between the wide-character calls of Windows and recordcheck's UTF-8
// and code page 932. Only for the Windows build's own files (*_windows.cpp):
// it includes the real system headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace recordcheck::windows {

constexpr UINT kShiftJis = 932;

inline std::wstring Wide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

inline std::string Utf8(const wchar_t* wide, std::size_t length) {
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), text.data(), size, nullptr, nullptr);
    return text;
}

inline std::string Utf8(const std::wstring& wide) { return Utf8(wide.data(), wide.size()); }

// `wide` in CP932, character by character: a character without an exact
// form (none, a best fit, or one that comes back as another) stands as '?'
// and makes `exact` false. The ANSI programs could never name it.
inline std::string ShiftJis(const std::wstring& wide, bool& exact) {
    std::string out;
    out.reserve(wide.size() * 2);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const std::size_t units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() ? 2 : 1;
        char bytes[8];
        BOOL defaulted = FALSE;
        const int size = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, &wide[i], static_cast<int>(units), bytes,
                                             sizeof bytes, nullptr, &defaulted);
        bool same = size > 0 && !defaulted;
        if (same) {
            wchar_t back[4];
            const int length = MultiByteToWideChar(kShiftJis, 0, bytes, size, back, 4);
            same = length == static_cast<int>(units) && wide.compare(i, units, back, static_cast<std::size_t>(length)) == 0;
        }
        if (same) {
            out.append(bytes, static_cast<std::size_t>(size));
        } else {
            out.push_back('?');
            exact = false;
        }
        i += units - 1;
    }
    return out;
}

// A path the wide calls take beyond MAX_PATH characters.
// (Only a full path can take the prefix; any other is left as it is.)
inline std::wstring Extended(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
    if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return path;
}

}  // namespace recordcheck::windows
