// The uninstaller's own command-line parser: items are options (-X=value or
// /X=value), quoted texts and plain words. Bytes in code page 932, no escapes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct CommandLineParameter {
    std::string Name;   // the one byte after the option marker; empty for a bare or quoted item
    std::string Value;  // the option's value, or the item's text
};

// Appends the items of `commandLine` to `parameters`. False on a syntax error
// (an option marker not followed by a byte and '=', or a missing closing
// quote); the items appended before it stay.
[[nodiscard]] bool ParseCommandLine(const std::string& commandLine, std::vector<CommandLineParameter>& parameters);
// Reads from just after an opening quote up to the closing quote, which is
// consumed. False when the line ends first.
[[nodiscard]] bool ReadQuotedText(const std::string& commandLine, std::size_t& position, std::string& text);
// Reads up to a space (consumed) or the end of the line. Always true.
bool ReadPlainText(const std::string& commandLine, std::size_t& position, std::string& text);

// The arguments in the process's whole command line (GetCommandLineA): the
// program name is skipped, quoted or not, then the spaces and tabs after it.
// Two-byte characters are taken whole, so a path such as C:\ゲーム\Uninstaller.exe
// written without quotes is one name (the start-up code of the C runtime
// takes its bytes of 0x80 and above for blanks).
[[nodiscard]] std::string SkipProgramName(const std::string& processCommandLine);
