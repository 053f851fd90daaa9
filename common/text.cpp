#include "common/text.h"

#include <cstdio>
#include <vector>

#include "common/sjis.h"

namespace {

// vsnprintf as C99 has it (size at least 1): at most size - 1 bytes and a
// NUL, and the length of the whole text. The Windows programs format with
// the system's own C runtime (msvcrt.dll, which they import anyway) instead
// of linking MinGW's printf, about 26 KiB of each program; the programs'
// formats are all plain %s, which both treat alike. msvcrt's _vsnprintf
// neither terminates a cut text nor reports the whole length; _vscprintf
// gives that.
int FormatInto(char* buffer, std::size_t size, const char* format, std::va_list arguments) {
#if defined(_WIN32)
    std::va_list copy;
    va_copy(copy, arguments);
    const int length = _vscprintf(format, copy);
    va_end(copy);
    if (length < 0) return length;
    (void)_vsnprintf(buffer, size - 1, format, arguments);
    buffer[size - 1] = '\0';
    return length;
#else
    return std::vsnprintf(buffer, size, format, arguments);
#endif
}

}  // namespace

std::string CutText(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    // Walk characters so the cut falls between two of them.
    std::size_t keep = 0;
    for (std::size_t i = 0; i < maxBytes;) {
        const std::size_t width = sjis::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
        keep = i;
    }
    return text.substr(0, keep);
}

std::string FormatTextBoundedV(std::size_t bufferSize, const char* format, std::va_list arguments) {
    if (bufferSize == 0) return std::string();
    // FormatInto is bounded and reports the full length; unlike vsprintf_s it
    // never calls the invalid-parameter handler on overflow. When the text is
    // longer than the buffer, format it whole once and cut it on a character
    // boundary so no half character is shown.
    std::vector<char> buffer(bufferSize, '\0');
    std::va_list copy;
    va_copy(copy, arguments);
    const int length = FormatInto(buffer.data(), bufferSize, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    buffer[bufferSize - 1] = '\0';
    if (static_cast<std::size_t>(length) < bufferSize) return std::string(buffer.data());  // up to its NUL
    std::vector<char> whole(static_cast<std::size_t>(length) + 1, '\0');
    va_copy(copy, arguments);
    const int again = FormatInto(whole.data(), whole.size(), format, copy);
    va_end(copy);
    if (again < 0) return std::string();
    return CutText(std::string(whole.data()), bufferSize - 1);
}

std::string FormatTextV(const char* format, std::va_list arguments) {
    return FormatTextBoundedV(kFormatBufferSize, format, arguments);
}

std::string FormatText(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::string text = FormatTextV(format, arguments);
    va_end(arguments);
    return text;
}

std::string FormatTextBounded(std::size_t bufferSize, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::string text = FormatTextBoundedV(bufferSize, format, arguments);
    va_end(arguments);
    return text;
}
