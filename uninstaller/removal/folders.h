// Removes the folders that held the installed files, deepest first, one wait
// and one attempt each, with a message box for every folder that stays.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/step_report.h"
#include "uninstaller/records/install_file_list.h"

// Size of the folder message's buffer, its terminating zero included.
constexpr std::size_t kFolderMessageBufferSize = 4096;

// Number of one-byte backslashes in `path` (trail bytes of two-byte
// characters do not count).
[[nodiscard]] std::size_t PathDepth(const std::string& path);

// The folders to remove, relative to the game folder: every folder on the
// way from each listed file up to the game folder, each once (byte-wise
// distinct, '/' written as '\'), ordered by PathDepth, greatest first, and
// within one depth in byte-wise order. An entry's one trailing separator is
// dropped first; an entry that is then not a safe relative path contributes
// nothing. Logic only.
[[nodiscard]] std::vector<std::string> OrderFoldersForRemoval(const InstallFileList& files);

// The message for a folder that stays, cut on a character boundary so the
// whole text fits the 4096-byte buffer; the path is shortened, the rest kept.
[[nodiscard]] std::string FormatFolderFailureMessage(const std::string& fullPath);

// Removes the folders of OrderFoldersForRemoval below `gameFolder`; shows one
// MB_ICONERROR box per folder that stays.
void RemoveInstalledFolders(const std::string& gameFolder, const InstallFileList& files);

// One attempt on an empty folder: Sleep(100), then RemoveDirectoryA. A
// folder that is itself a reparse point is not attempted (its removal would
// drop the link whatever its target still holds). True when removed.
// Reported as `kind`.
bool RemoveFolderOnce(const std::string& path, StepKind kind);
// The same for base\relative, resolved by ResolveRecordPath (nothing when
// the name could leave `base` or a link lies on the way).
bool RemoveFolderBelow(const std::string& base, const std::string& relative, StepKind kind);
