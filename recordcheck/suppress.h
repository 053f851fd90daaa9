// What a maker means on purpose: codes turned off (--disable, or the
// settings file .recordcheckrc in the game's source tree), and a baseline of
// findings known before, so that CI fails only on new ones. A suppressed
// finding stays in the report, marked and counted; it does not change the
// exit status.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "recordcheck/language.h"
#include "recordcheck/report.h"

namespace recordcheck {

// The settings file's name. recordcheck looks for it in the folder above the
// game folder, then in each folder above that, and takes the first it finds.
extern const char kSettingsFileName[];

struct Suppressions {
    std::set<std::string> disabled;  // codes
    // Findings known before, by FindingKey, with how often each was there.
    std::map<std::string, std::size_t> baseline;
};

// What a settings file says. Lines "key = value"; '#' begins a comment.
struct Settings {
    std::set<std::string> disabled;     // disable = RC401, RC407
    std::optional<Severity> failOn;     // fail-on = error
    std::string baseline;               // baseline = path, relative to the file's folder
};

// "RC401,RC407" into `codes`; false with `error` (UTF-8) for a code that is none.
[[nodiscard]] bool ParseCodes(const std::string& list, std::set<std::string>& codes, std::string& error,
                              Language language);
// "error", "warning" or "note".
[[nodiscard]] bool ParseSeverity(const std::string& name, Severity& severity);
// The settings file for a game folder (a host path): the nearest above it; "" for none.
[[nodiscard]] std::string FindSettingsFile(const std::string& gameFolder);
// Reads a settings file; false with `error` (in `language`) naming the file and line.
[[nodiscard]] bool ReadSettings(const std::string& path, Settings& settings, std::string& error, Language language);
// Reads a baseline file into `baseline`; false with `error`.
[[nodiscard]] bool ReadBaseline(const std::string& path, std::map<std::string, std::size_t>& baseline,
                                std::string& error, Language language);
// The baseline of a report: the key of each finding not turned off, one a
// line, sorted, after a comment that says what the file is.
[[nodiscard]] std::string BaselineText(const Report& report);

// Marks the findings the maker turned off, then those the baseline knows (a
// key known n times covers n findings).
void Suppress(Report& report, const Suppressions& suppressions);

}  // namespace recordcheck
