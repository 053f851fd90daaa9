// The report for a terminal, for editors and CI (one line per finding), as
// a summary, and as JSON for a build pipeline, all UTF-8: every CP932 text
// is converted, and each byte that does not form a CP932 character is shown
// as U+FFFD (the JSON carries the exact bytes as hex beside).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "recordcheck/report.h"

namespace recordcheck {

// The version of the JSON document's shape (docs/recordcheck.schema.json);
// it changes when a field changes its meaning or goes away.
constexpr int kJsonFormatVersion = 2;

void WriteText(std::ostream& out, const Report& report);
// file:line:column: severity: problem; fix [code], a line per finding, the
// file as a path on this machine.
void WriteGcc(std::ostream& out, const Report& report);
// The counts of findings by code and the result.
void WriteSummary(std::ostream& out, const Report& report);
// "recordcheck: 3 findings suppressed (...)", for outputs that list only the
// findings that count; nothing when none is.
void WriteSuppressedCount(std::ostream& out, const Report& report);
void WriteJson(std::ostream& out, const Report& report);
// The small JSON document of a run that did not check: why, and its exit status.
void WriteRefusal(std::ostream& out, const std::string& message, int exitCode);
// SARIF 2.1.0 for code scanning (sarif.cpp): the codes as rules, the
// findings as results placed relative to the game folder.
void WriteSarif(std::ostream& out, const Report& report);

// "MB_OK|MB_ICONERROR" and the like.
[[nodiscard]] std::string FlagNames(unsigned flags);
// "clean", "warnings", "unreadable records".
[[nodiscard]] const char* ResultName(int exitCode);
[[nodiscard]] const char* SeverityName(Severity severity);

}  // namespace recordcheck
