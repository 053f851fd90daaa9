// Paths are CP932 byte strings whose only separator is the one-byte
// backslash. Every scan walks from the first byte and steps over two-byte
// characters whole (common/sjis.h).
#pragma once

#include <cstddef>
#include <string>

// Index of the last one-byte backslash, or -1 (also for an empty path).
[[nodiscard]] std::ptrdiff_t FindLastSeparator(const std::string& path);
// The bytes before the last backslash; empty when there is none.
[[nodiscard]] std::string GetParentPath(const std::string& path);
// The bytes after the last backslash; the whole path when there is none.
[[nodiscard]] std::string GetLastComponent(const std::string& path);
// Appends one backslash unless the last character already is one.
void AddTrailingSeparator(std::string& path);
// Removes one trailing backslash, except from a drive root such as "C:\".
void RemoveTrailingSeparator(std::string& path);
// `folder` joined with `name` the way every caller joins paths: a copy of the
// folder, AddTrailingSeparator, then the name (so an empty folder gives a
// leading backslash).
[[nodiscard]] std::string JoinWithSeparator(const std::string& folder, const std::string& name);
// True when the last character (not a trail byte) is the backslash.
[[nodiscard]] bool EndsWithSeparator(const std::string& path);
// True when a name names a DOS device rather than a file: CON, PRN, AUX,
// NUL, COM1-COM9 or LPT1-LPT9, in any letter case, alone or before a dot
// or a colon ("nul.txt", "COM1.dat", "COM1:x.inc"), trailing spaces ignored.
// Whatever folder it is joined to, the ANSI file calls open that device
// instead. The one device-name rule of both programs.
[[nodiscard]] bool IsDeviceName(const std::string& name);
// The path as Windows compares names: ASCII letters upper-cased and '/' taken
// as '\', outside two-byte characters only (their trail bytes are not
// letters). Two paths that fold alike name the same file; short names, ".."
// and letters beyond ASCII aside.
[[nodiscard]] std::string FoldForComparison(const std::string& path);
