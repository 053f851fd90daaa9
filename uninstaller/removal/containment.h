// Keeps every removal inside the folder it belongs to. The record files lie
// in a game folder that ordinary users can often write, and the uninstaller
// runs with administrator rights, so a tampered record must not make it
// delete anything outside the game, desktop or program-menu folder.
#pragma once

#include <string>

#include "common/paths.h"  // JoinWithSeparator

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


// True when `path` is a reparse point (junction, symbolic link) or its
// attributes cannot be read for another reason than its absence.
[[nodiscard]] bool IsReparsePointOrUnknown(const std::string& path);

// True when every folder strictly between `base` and the last component of
// `relative` is there and no reparse point, so that acting on base\relative
// follows no link. `base` itself is not examined.
[[nodiscard]] bool IsWayFreeOfReparsePoints(const std::string& base, const std::string& relative);

// The same, including the last component of `relative` itself.
[[nodiscard]] bool IsFolderChainFreeOfReparsePoints(const std::string& base, const std::string& relative);
