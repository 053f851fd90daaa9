// recordcheck's findings: each has a stable code, a severity and one line
// that says what to change. A code never changes its meaning; a retired one
// is not reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recordcheck/language.h"
#include "recordcheck/report.h"

namespace recordcheck {

struct FindingKind {
    const char* code;
    Severity severity;
    Words title;    // what the code is about, for the guide's table
    Words fix;      // what to change
    Words meaning;  // its page (--explain): what it means
    Words players;  // ... and why it matters to players
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
// What the real machine holds (recordcheck.exe reads the installation).
extern const FindingKind kKeyOnly64;          // RC601
extern const FindingKind kEntryStartsOther;   // RC602
extern const FindingKind kShortcutNotMade;    // RC603
extern const FindingKind kEntryNotInstalled;  // RC604
extern const FindingKind kGameKeyNotInstalled;  // RC605

// Every kind, in code order.
extern const FindingKind* const kAllFindingKinds[];
extern const std::size_t kFindingKindCount;
// The kind of `code`; null when there is none.
[[nodiscard]] const FindingKind* FindKind(const std::string& code);
[[nodiscard]] Words SeverityWords(Severity severity);  // "error", "warning", "note"
// The page of a code, as --explain prints it and the guide shows it: what it
// means, why it matters to players, how to fix it. `markdown`: for the
// guide and SARIF's help, else plain text for a terminal.
[[nodiscard]] std::string ExplainPage(const FindingKind& kind, Language language, bool markdown);

// Why a finding was made. Each cause belongs to one code and has its own
// words: what goes wrong and what to change, for this cause and no other
// (a maker acts on the fix line). The words are one row of the table in
// findings.cpp, with {1}, {2} ... for the finding's arguments; the printers
// look them up, so a second language is a second column of that table.
enum class Cause : std::uint16_t {
    Plain,  // the kind's own fix; the problem is the finding's first argument
    // RC101-RC106: the record files.
    RecordMissing, StartupMissing, RecordUnreadable,
    SyntaxCommaBetweenEntries, SyntaxKeyCase, SyntaxUnknownKey, SyntaxNoHash, SyntaxHexUpperX, SyntaxHexExpected,
    SyntaxIntegerExpected, SyntaxEscapedQuote, SyntaxQuoteMissing, SyntaxCommentAtEnd, SyntaxUnquotedJapanese,
    SyntaxUnquotedValue, SyntaxEqualsMissing, SyntaxEqualsBeforeList, SyntaxBraceMissing, SyntaxEntryComma,
    SyntaxShortcutComma, SyntaxEndOfFile, SyntaxEndOfFileInList, SyntaxEntryDecimal, SyntaxEntryPathUnquoted, SyntaxStrayByte, SyntaxOther,
    EncodingUnreadable, EncodingMisread, RecordEmpty, ValueCutAtNul, EntryCutAtNul, RecordOfNuls, FileListMissing,
    // RC201-RC214: Installer.ini's values.
    GameNameEmpty, GameNameEmptyShortcuts, RegistryEmpty, RegistryMissing, RegistrySystemKey, RegistryEmptyName,
    UninstallerAbsent, UninstallerNameOther, UninstallerRenamedAbsent, LinkNameExtension, ValueNotShiftJis,
    ShortcutNotShiftJis, ShortcutRefused, ShortcutFolderInPlace, ShortcutStays, ShortcutLeft, MenuRefused,
    MenuFolderStays, MakerFolderName, MakerFolderCase, EntryNoRights, EntryNameTooLong, GameKeySubkeys,
    EntrySubkeys, OtherGameKey, OtherGameEntry, OtherGameDesktop, OtherGameMenu,
    // RC301-RC305: InstallFiles.ini's entries.
    ListedMissing, ListedFolderMissing, ListedDots, ListedAbsolute, ListedWildcard, ListedDevice, ListedFolderName,
    ListedDoubledSeparator, ListedBadCharacter, ListedNul, ListedLinkOnTheWay, ListedPathTooLong,
    ListedRefusedOther, ListedIsFolder, ListedIsLink, ListedReadOnly, ListedStays, FolderStays, FolderCaseTwin,
    FolderRefused, RecordStays, RecordFolderKept,
    // RC401-RC407: the game folder itself.
    Unlisted, UnlistedEmptyFolder, UnlistedLink, SaveDataStays, GameFolderStays, NameNotShiftJis, NameInvalid,
    NameDevice, NameTrailingDot, NameBackslash, NameTwice, PathTooLong, NameRawBytes,
    // RC501-RC505: Prefclear's records.
    StartupUnreadable, IncludeMissing, IncludeDevice, IncludeLoop, IncludeTooDeep, IncludeTooMany,
    StartupQuoteMissing, StartupUnquotedJapanese, StartupHashComment, StartupStrayByte, StartupEqualsMissing,
    StartupIntegerExpected, StartupValueMissing, StartupCommaMissing, StartupOther, StartupKeyCase, StartupSection,
    StartupUnknownWord, StartupEncodingUnreadable, StartupEncodingMisread, SaveSettingInvalid, SaveSettingMagic,
    SaveSettingReserved, SaveSettingLocation, StartupClimbs,
    // RC601-RC605: what the real machine holds.
    GameKeyOnly64, EntryOnly64, UninstallStringOther, UninstallStringUnquoted, UninstallStringMissing,
    ShortcutMissing, ShortcutElsewhere, EntryNotInstalled, GameKeyNotInstalled,
    Count,
};

struct CauseText {
    Cause cause;
    const FindingKind* kind;
    Words problem;  // what goes wrong, UTF-8, with {1}, {2} ... for the arguments
    Words fix;      // what to change, the same way
};
// The words of `cause`.
[[nodiscard]] const CauseText& TextOf(Cause cause);
// `text` with {1}, {2} ... replaced by the arguments (none left for one that is missing).
[[nodiscard]] std::string FillWords(const char* text, const std::vector<std::string>& arguments);

// A finding's file, what it found, what goes wrong and what to change: its
// cause's words in the report's language, filled with its own arguments or
// its step's.
[[nodiscard]] std::string FindingFile(const Report& report, const Finding& finding);
[[nodiscard]] std::string FindingFound(const Report& report, const Finding& finding);
[[nodiscard]] std::string FindingProblem(const Report& report, const Finding& finding);
[[nodiscard]] std::string FindingFix(const Report& report, const Finding& finding);
// What identifies a finding across runs, as a baseline and SARIF's
// fingerprint match it: its code, its file and what it found there (UTF-8,
// "RC301|InstallInfo\\InstallFiles.ini|data\\a.txt"); not its line, which
// moves when lines above it change.
[[nodiscard]] std::string FindingKey(const Report& report, const Finding& finding);
// What a step of the uninstall did, in words: "file stays: it is read-only ...".
[[nodiscard]] std::string StepWords(const Step& step, Language language);

// A finding of `cause` about `file` as a whole (line 1, column 1).
[[nodiscard]] Finding MakeFinding(Cause cause, const std::string& file, std::vector<std::string> arguments = {});
// The same for a kind that has one cause: its own fix, and `problem`.
[[nodiscard]] Finding MakeFinding(const FindingKind& kind, const std::string& file, const std::string& problem);

// The line starts of a file's bytes, to place findings without rescanning.
class LineIndex {
public:
    LineIndex() = default;
    explicit LineIndex(const std::string& bytes);
    // Places `finding` at byte `offset`: its line and its column in
    // characters, as an editor counts them (a two-byte character is one).
    void Place(Finding& finding, std::size_t offset) const;

private:
    std::string bytes_;
    std::vector<std::uint32_t> starts_{0};  // a record the programs read is below 4 GB
};

}  // namespace recordcheck
