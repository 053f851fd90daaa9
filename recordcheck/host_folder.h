// The file system of the machine recordcheck runs on, which holds the game
// folder: a copy of it on Linux, the installation itself on Windows. Paths
// and names are UTF-8 (a Linux name that is not UTF-8 comes as its bytes).
#pragma once

#include <string>
#include <vector>

namespace recordcheck {

enum class HostType { File, Folder, Link, Other };

struct HostEntry {
    std::string name;
    HostType type = HostType::Other;
    bool writable = true;  // false: read-only (Linux: no write bit set)
    bool hidden = false;   // Windows' hidden attribute
};

// The entries of `folder` in name order, with their types; a link (Linux) or
// any reparse point (Windows) is a Link, never followed. False, with
// `error`, when the folder cannot be listed.
[[nodiscard]] bool ListHostFolder(const std::string& folder, std::vector<HostEntry>& entries, std::string& error);

// The bytes of a regular file; false when it cannot be read.
[[nodiscard]] bool ReadHostFile(const std::string& path, std::string& bytes);

// Writes `bytes` to the file at `path`, replacing it; false when it cannot.
[[nodiscard]] bool WriteHostFile(const std::string& path, const std::string& bytes);

// The folder that holds `path` (a full path), "" for a root.
[[nodiscard]] std::string HostParent(const std::string& path);

// `folder` and `name` joined with this system's separator.
[[nodiscard]] std::string JoinHostPath(const std::string& folder, const std::string& name);

// The last name of a path (a trailing separator ignored).
[[nodiscard]] std::string HostBaseName(const std::string& path);

// `path` made full, as the system names it ("" when it cannot say).
[[nodiscard]] std::string FullHostPath(const std::string& path);

enum class HostPathKind { Missing, Folder, Other };
[[nodiscard]] HostPathKind KindOfHostPath(const std::string& path);

}  // namespace recordcheck
