// recordcheck's findings: each has a stable code, a severity and one line
// that says what to change. A code never changes its meaning; a retired one
// is not reused.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "recordcheck/report.h"

namespace recordcheck {

struct FindingKind {
    const char* code;
    Severity severity;
    const char* title;  // what the code is about, for the guide's table
    const char* fix;    // what to change
};

// Record files the programs cannot read.
extern const FindingKind kRecordMissing;      // RC101
extern const FindingKind kRecordUnreadable;   // RC102
extern const FindingKind kRecordSyntax;       // RC103
extern const FindingKind kRecordEncoding;     // RC104
extern const FindingKind kRecordEmpty;        // RC105
// Installer.ini's values.
extern const FindingKind kGameNameEmpty;      // RC201
extern const FindingKind kRegistryEmpty;      // RC202
extern const FindingKind kRegistryRefused;    // RC203
extern const FindingKind kUninstallerAbsent;  // RC204
extern const FindingKind kLinkNameExtension;  // RC205
extern const FindingKind kNotShiftJis;        // RC206
extern const FindingKind kShortcutRefused;    // RC207
extern const FindingKind kShortcutStays;      // RC208
extern const FindingKind kMenuRefused;        // RC209
extern const FindingKind kMenuFolderStays;    // RC210
extern const FindingKind kMakerFolderName;    // RC211
extern const FindingKind kEntryNotOpened;     // RC212
extern const FindingKind kGameKeyStays;       // RC213
// InstallFiles.ini's entries.
extern const FindingKind kListedMissing;      // RC301
extern const FindingKind kListedRefused;      // RC302
extern const FindingKind kListedStays;        // RC303
extern const FindingKind kFolderStays;        // RC304
extern const FindingKind kRecordStays;        // RC305
// The game folder itself.
extern const FindingKind kUnlisted;           // RC401
extern const FindingKind kGameFolderStays;    // RC402
extern const FindingKind kNameNotShiftJis;    // RC403
extern const FindingKind kNameInvalid;        // RC404
extern const FindingKind kNameTwice;          // RC405
extern const FindingKind kPathTooLong;        // RC406
extern const FindingKind kNameRawBytes;       // RC407
// Prefclear's records.
extern const FindingKind kStartupStops;       // RC501
extern const FindingKind kStartupUnknownKey;  // RC502
extern const FindingKind kStartupEncoding;    // RC503
extern const FindingKind kSaveSettingInvalid; // RC504
extern const FindingKind kStartupClimbs;      // RC505

// Every kind, in code order.
extern const FindingKind* const kAllFindingKinds[];
extern const std::size_t kFindingKindCount;

// A finding's file, what it found and what goes wrong: its own words or its
// step's.
[[nodiscard]] std::string FindingFile(const Report& report, const Finding& finding);
[[nodiscard]] std::string FindingFound(const Report& report, const Finding& finding);
[[nodiscard]] std::string FindingProblem(const Report& report, const Finding& finding);

// A finding of `kind` about `file` as a whole (line 1, column 1).
[[nodiscard]] Finding MakeFinding(const FindingKind& kind, const std::string& file, const std::string& problem);

// The line starts of a file's bytes, to place findings without rescanning.
class LineIndex {
public:
    LineIndex() = default;
    explicit LineIndex(const std::string& bytes);
    // Places `finding` at byte `offset`: its line and byte column.
    void Place(Finding& finding, std::size_t offset) const;

private:
    std::vector<std::size_t> starts_{0};
};

}  // namespace recordcheck
