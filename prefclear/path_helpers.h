// The reset tool's own path helpers. Paths are CP932 byte strings; every
// helper walks them character by character (common/sjis.h), so the trail
// byte of a character such as 0x83 0x5C is never a backslash or a point.
#pragma once

#include <string>

// name when folder is empty; folder + name when folder already ends with a
// backslash; otherwise folder + "\" + name.
[[nodiscard]] std::string JoinPath(const std::string& folder, const std::string& name);
// A copy of path ending with exactly one added backslash unless it already
// ends with one; an empty path gives "\".
[[nodiscard]] std::string WithTrailingBackslash(const std::string& path);
// The bytes up to and including the last backslash; empty when there is none.
[[nodiscard]] std::string FolderPrefix(const std::string& path);
// The bytes after the last point of the last component, with A-Z folded to
// a-z; empty when that component has no point.
[[nodiscard]] std::string LowerExtension(const std::string& path);
// True when the last component (after the last "\" or "/") is a device name
// such as NUL or COM1.inn: the file calls would open the device.
[[nodiscard]] bool NamesADevice(const std::string& path);
// True when FindFirstFileA finds the entry and it is not a folder. The search
// handle is closed at once. A device is no file and is not looked for (the
// search would report it as one).
[[nodiscard]] bool IsExistingFile(const std::string& path);
// True when the relative name has a ".." component (Windows takes both "\"
// and "/" as separators there), so that joining it below a folder could
// reach outside that folder.
[[nodiscard]] bool ClimbsOutOfFolder(const std::string& name);
