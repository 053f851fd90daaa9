// Why a reader of the programs stops in a record, in words a maker can act
// on: the token at the place the reader reports, read again with that
// reader's own lexer, and what the grammar wanted there.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "prefclear/ini_file.h"
#include "recordcheck/findings.h"

namespace recordcheck {

// The finding (RC103) for Installer.ini (`settingsFile`) or InstallFiles.ini
// whose reader failed at `mark`, placed where the fault is.
[[nodiscard]] Finding DiagnoseRecordFault(const std::string& file, bool settingsFile, const std::string& bytes,
                                          const LineIndex& lines, std::size_t mark, Language language);

// A string of a record whose text the programs cut at a NUL byte.
struct CutString {
    std::size_t offset = 0;  // its opening quote
    std::string key;         // the key of its statement
    std::string text;        // what the programs read: the bytes before the NUL
};
// The strings of a record that hold a NUL byte, and how many NUL bytes
// stand outside strings (the lexer takes them for blanks).
[[nodiscard]] std::vector<CutString> FindCutStrings(const std::string& bytes, std::size_t& nulsOutside);

// What a start-up settings file holds where Prefclear stopped reading it
// (a site with an offset: ParseFailed, ParseError or MissingComma): the
// cause, its arguments and the token found there.
[[nodiscard]] Cause DiagnoseStartupStop(const startup::CIniFile::MessageSite& site, const std::string& bytes,
                                        std::vector<std::string>& arguments, std::string& found);

// The cause of a word Prefclear does not know, the first token of a line
// that shows `boxes` boxes: a section line, a key in another case, any other word.
[[nodiscard]] Cause DiagnoseUnknownWord(const std::string& word, const std::string& line, std::size_t boxes,
                                        std::vector<std::string>& arguments, Language language);

}  // namespace recordcheck
