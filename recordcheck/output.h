// The report as text for a terminal and as JSON for a build pipeline, both
// UTF-8: every CP932 text is converted, and each byte that does not form a
// CP932 character is shown as U+FFFD.
#pragma once

#include <string>

#include "recordcheck/report.h"

namespace recordcheck {

// The version of the JSON document's shape; it changes when a field changes
// its meaning or goes away.
constexpr int kJsonFormatVersion = 1;

[[nodiscard]] std::string FormatText(const Report& report);
[[nodiscard]] std::string FormatJson(const Report& report);

// "MB_OK|MB_ICONERROR" and the like.
[[nodiscard]] std::string FlagNames(unsigned flags);

}  // namespace recordcheck
