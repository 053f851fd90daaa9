#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Size of every message buffer: at most kFormatBufferSize - 1 bytes of text.
constexpr std::size_t kFormatBufferSize = 16384;

// printf-style formatting into a bounded buffer. A text that would not fit is
// cut to the buffer (never overrun, never an abort), and a cut never leaves a
// lone lead byte at the end.
[[nodiscard]] std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
[[nodiscard]] std::string FormatTextV(const char* format, std::va_list arguments);
// The same with an explicit buffer size (the removal engine's folder
// messages use 4096 bytes). bufferSize must be at least 1.
[[nodiscard]] std::string FormatTextBoundedV(std::size_t bufferSize, const char* format, std::va_list arguments);
[[nodiscard]] std::string FormatTextBounded(std::size_t bufferSize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Cuts text to at most maxBytes bytes without splitting a two-byte character.
[[nodiscard]] std::string CutText(const std::string& text, std::size_t maxBytes);
