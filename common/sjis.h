// The one lead-byte rule of every scanner in both programs: in code page 932
// a byte in 0x81-0x9F or 0xE0-0xFF starts a two-byte character, and the byte
// after it belongs to that character whatever its value. So the trail byte of
// characters such as 0x95 0x5C or 0x83 0x5C is never a backslash, a quote, a
// space or a line feed.
#pragma once

namespace sjis {

constexpr bool IsLeadByte(unsigned char byte) noexcept {
    return (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0;
}

}  // namespace sjis
