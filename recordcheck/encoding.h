// Text between the programs' code page 932 and the maker's terminal, JSON
// and file system, which speak UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "recordcheck/language.h"

namespace recordcheck {

// CP932 bytes as UTF-8. The bytes are walked as the programs walk them (a
// lead byte takes the byte after it); each byte of a character that is not
// CP932 becomes U+FFFD, so the result is always valid UTF-8.
[[nodiscard]] std::string Utf8FromCp932(std::string_view bytes);

// True when `text` is well-formed UTF-8.
[[nodiscard]] bool IsUtf8(const std::string& text);

// What a text file that the programs read as Shift-JIS really is.
enum class TextEncoding { ShiftJis, Utf8WithBom, Utf8, Utf16 };
[[nodiscard]] TextEncoding GuessTextEncoding(const std::string& bytes);
// "the file is UTF-8, not Shift-JIS" and the like; "" for Shift-JIS.
[[nodiscard]] const char* DescribeTextEncoding(TextEncoding encoding, Language language);

// True when every character of `bytes` is a CP932 character.
[[nodiscard]] bool IsCp932(const std::string& bytes);
// True when `bytes` holds non-ASCII text that is well-formed UTF-8: Shift-JIS
// text almost never is, so it was written in UTF-8 (even where its bytes
// happen to form CP932 characters too).
[[nodiscard]] bool LooksUtf8(const std::string& bytes);

// A name from the host file system as the programs would see it.
struct WindowsName {
    std::string bytes;          // CP932
    bool representable = true;  // false: some character has no CP932 form; it stands as '?'
    bool rawBytes = false;      // the host name was not UTF-8 and was taken as CP932 bytes
};
// A UTF-8 name converts character by character; a character converts only
// when it comes back unchanged (U+00A5 would become 0x5C, a backslash, and
// U+301C would come back as U+FF5E: Windows could not open such a name
// through the ANSI calls either). A name that is not UTF-8 is kept as bytes.
[[nodiscard]] WindowsName WindowsNameFromHost(const std::string& name);

// UTF-8 command-line text as CP932; false when a character has no exact form.
[[nodiscard]] bool Cp932FromUtf8(const std::string& utf8, std::string& cp932);

// A host path for the terminal: kept when it is UTF-8, otherwise read as
// CP932 bytes.
[[nodiscard]] std::string Utf8FromHost(const std::string& path);

}  // namespace recordcheck
