// The hand-over from the asking uninstaller to its temporary copy. The
// asking process starts the copy and exits, but the copy may start before
// that process has quite gone: its program file in the game folder is still
// mapped (a running program's file cannot be deleted) and the game folder
// may still be its current folder (which cannot be removed).
#pragma once

#include <string>

// Number of 100 ms waits the copy allows the asking process to end in.
constexpr int kHandOverWaits = 50;

// Waits, at most kHandOverWaits times 100 ms, while `programFile` is taken
// by a running program (it cannot be opened for writing for a sharing
// violation). Returns at once when it is free, missing, cannot be written for
// another reason (read-only), or is the file of this very program.
void WaitForProgramFileToBeFree(const std::string& programFile);
