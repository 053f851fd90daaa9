// One character between code page 932 and UTF-8, as the system recordcheck
// runs on converts it: iconv on Linux, the system's own tables on Windows.
#pragma once

#include <string>

namespace recordcheck {

// A whole CP932 character (one or two bytes) as UTF-8; false when CP932 has
// no such character.
[[nodiscard]] bool Cp932CharacterToUtf8(const std::string& in, std::string& out);
// A whole UTF-8 character as CP932; false when CP932 has no form for it.
// (The caller checks that the form converts back to the same character.)
[[nodiscard]] bool Utf8CharacterToCp932(const std::string& in, std::string& out);

}  // namespace recordcheck
