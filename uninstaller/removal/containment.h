// Keeps every removal inside the folder it belongs to. The record files lie
// in a game folder that ordinary users can often write, and the uninstaller
// runs with administrator rights, so a tampered record must not make it
// delete anything outside the game, desktop or program-menu folder.
#pragma once

#include <string>

#include "common/step_report.h"

// Why `path` could leave the folder it is joined to (see IsSafeRelativePath),
// StepReason::None when it cannot. The first fault from the left is named.
[[nodiscard]] StepReason CheckRelativePath(const std::string& path);

// A relative path that stays below the folder it is joined to and names
// files, nothing else: not empty, not beginning with '\' or '/', no ':'
// (drive or stream), no NUL, no wildcard ('*', '?'), well-formed two-byte
// characters, and every component a real name: not empty, not made only of
// dots and spaces, and not a device name such as NUL or CON.txt ('\' and '/'
// both separate components, as the system's path rules have it).
[[nodiscard]] bool IsSafeRelativePath(const std::string& path);

// An absolute folder: a drive letter, ':', then '\' or the end ("C:", "C:\X"),
// or two backslashes (a network or device path).
[[nodiscard]] bool IsAbsoluteFolderPath(const std::string& path);


// StepReason::IsLink when `path` is a reparse point (junction, symbolic
// link), StepReason::Unreadable when its attributes cannot be read for
// another reason than its absence, StepReason::None otherwise.
[[nodiscard]] StepReason CheckNotALink(const std::string& path);

// What a path from the records is resolved for.
enum class RecordPathUse {
    // The entry itself is deleted or removed. A link there is only its own
    // name (RemoveFolderOnce still refuses a folder that is a link).
    Entry,
    // A folder whose contents are acted on: it must itself be an ordinary
    // folder, or absent.
    Inside,
};

// Where a name from the records leads. `path` is the joined path, also
// when the door is shut (as named: a refused step still says what it named);
// `refusal` says why it is shut, and `at` names the folder on the way that
// shut it.
struct ResolvedPath {
    std::string path;
    StepReason refusal = StepReason::None;
    std::string at;

    [[nodiscard]] bool IsOpen() const { return refusal == StepReason::None; }
    explicit operator bool() const { return IsOpen(); }
};

// The one way from a name in the records to a path to act on: `relative`
// joined below `base`. Shut when `base` is empty (NoFolder), when `relative`
// could leave `base` (CheckRelativePath), or when a folder on the way below
// `base` is not an ordinary folder that is there: a link (LinkOnTheWay), an
// entry whose attributes cannot be read (UnknownOnTheWay), an absent folder
// with nothing below it (AbsentOnTheWay). With RecordPathUse::Inside the
// last component is looked at too (IsLink, Unreadable). `base` itself is
// not examined. `extension` is what the program adds to the name in the
// records (a shortcut's ".lnk"): it is appended after the name is checked.
[[nodiscard]] ResolvedPath ResolveRecordPath(const std::string& base, const std::string& relative,
                                             RecordPathUse use = RecordPathUse::Entry, const char* extension = "");
