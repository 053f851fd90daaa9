// What the removal code does with each thing it was asked to remove, told
// as it is done: removed; stays, with the system's error; refused, with the
// reason; not there. The programs install no reporter, so each report is a
// check of a null pointer; recordcheck installs one and so shows the account
// the acting code gives, never one rebuilt after the fact.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

// One byte each: a checker keeps a step for every file of a long list.
enum class StepKind : std::uint8_t {
    DesktopShortcut,
    MenuShortcut,
    GameMenuFolder,
    MakerMenuFolder,
    InstalledFile,
    InstalledFolder,
    RecordFile,
    RecordFolder,
    GameFolder,
    MakerFolder,
    GameKey,
    ParentKey,
    UninstallEntry,
    ConfigFile,  // one of Prefclear's five
};

enum class StepOutcome : std::uint8_t {
    Removed,
    Stays,     // an attempt failed (error), or something keeps it (reason)
    Refused,   // the code did not go there (reason)
    NotThere,  // nothing to remove: absent before, or below an absent folder
};

enum class StepReason : std::uint8_t {
    None,
    // A name from the records that could leave its folder (containment).
    NoFolder,          // the folder it is joined to is unknown
    EmptyName,
    LeadingSeparator,  // "\x" or "/x": the root of the current drive
    Colon,             // a drive ("C:") or a stream ("x:y")
    NulByte,
    Wildcard,
    BadCharacter,      // a lead byte without a proper trail byte
    EmptyComponent,    // "a\\b", or a separator at the end
    DotsComponent,     // "..", or a name of dots and spaces only
    DeviceName,        // NUL, CON.txt, COM1:x ...
    // The way to it (containment).
    LinkOnTheWay,      // `at`: the folder that is a junction or link
    UnknownOnTheWay,   // `at`: a folder whose attributes cannot be read
    AbsentOnTheWay,    // `at`: the folder that is not there (outcome NotThere)
    IsLink,            // the folder itself is a link: never removed
    Unreadable,        // its attributes cannot be read
    // The uninstall's own decisions.
    FolderInPlace,     // a folder stands where the shortcut should be
    ProgramMenuItself, // no maker menu name: that folder is the system's
    NotMakerName,      // the folder above the game is not named DefaultGameMakerName
    NotAFolder,        // the maker folder's name names a file
    EmptyKey,          // Registry is empty
    SystemKey,         // the key is one of the system's own
    HoldsSubkeys,      // a key with subkeys is not deleted
};

struct StepReport {
    StepKind kind = StepKind::InstalledFile;
    // The full path acted on (as named in the records, also when refused),
    // or a key path below HKEY_LOCAL_MACHINE.
    std::string path;
    StepOutcome outcome = StepOutcome::Removed;
    StepReason reason = StepReason::None;
    DWORD error = 0;   // the failed call's GetLastError or registry result
    std::string at;    // the folder on the way (LinkOnTheWay and the like)
    // The record value the refusal is about when it is not the entry's own
    // name ("GameName" for a menu shortcut whose menu folder is refused).
    std::string field;
};

class IStepReporter {
public:
    virtual void OnStep(const StepReport& step) = 0;

protected:
    IStepReporter() = default;
    IStepReporter(const IStepReporter&) = default;
    IStepReporter& operator=(const IStepReporter&) = default;
    ~IStepReporter() = default;
};

// Installs the reporter of the steps that follow; null (the default) for none.
void SetStepReporter(IStepReporter* reporter);
[[nodiscard]] bool IsStepReporterSet();
void ReportStep(const StepReport& step);

// Whether a call failed with `error` because the file or a folder on its path
// is not there.
[[nodiscard]] bool IsNotThereError(DWORD error);
// The outcome of a removal call that failed with `error`: NotThere for a
// file or path that is not found, Stays otherwise.
[[nodiscard]] StepOutcome OutcomeOfFailure(DWORD error);
// Reports a step whose one call has been made: Removed when it succeeded,
// otherwise its outcome by GetLastError (read here, right after the call).
void ReportCall(StepKind kind, const std::string& path, bool succeeded);
// The same for a registry call, which returns its error instead; a key name
// the registry cannot hold is not there either.
void ReportResult(StepKind kind, const std::string& path, LONG result);
// Reports a step the code did not act on.
void ReportRefusal(StepKind kind, const std::string& path, StepReason reason, const std::string& at = std::string(),
                   const std::string& field = std::string());
