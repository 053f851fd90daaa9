// Whether a character has an exact code page 932 form: on Windows with the
// system's own tables (those the installers convert with), elsewhere with
// iconv. Both are asked for a round trip, since glibc maps a few look-alikes
// into code page 932 (U+301C to 0x8160, which comes back as U+FF5E).
#include "installer/check/game_folder_check.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace kitcheck {

#ifdef _WIN32

bool FitsCp932(char32_t character) {
    wchar_t wide[2];
    int length = 1;
    if (character >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((character - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
        length = 2;
    } else {
        wide[0] = static_cast<wchar_t>(character);
    }
    char bytes[8];
    BOOL usedDefault = TRUE;
    const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes, nullptr,
                                         &usedDefault);
    if (size <= 0 || usedDefault) return false;
    wchar_t back[4];
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, size, back, 4) == length && back[0] == wide[0] &&
           (length == 1 || back[1] == wide[1]);
}

#else

namespace {

// Converts all of `in`; false when iconv stops anywhere.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t descriptor = iconv_open(to, from);
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return false;
    char buffer[16];
    char* input = const_cast<char*>(in.data());
    std::size_t inputLeft = in.size();
    char* output = buffer;
    std::size_t outputLeft = sizeof buffer;
    const bool done = iconv(descriptor, &input, &inputLeft, &output, &outputLeft) != static_cast<std::size_t>(-1) &&
                      inputLeft == 0;
    iconv_close(descriptor);
    out.assign(buffer, output);
    return done;
}

}  // namespace

bool FitsCp932(char32_t character) {
    const char32_t text[1] = {character};
    std::string utf32(reinterpret_cast<const char*>(text), sizeof text);
    std::string cp932, back;
    return Convert("CP932", "UTF-32LE", utf32, cp932) && Convert("UTF-32LE", "CP932", cp932, back) && back == utf32;
}

#endif

}  // namespace kitcheck
