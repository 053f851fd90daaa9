#pragma once

#include <string>

// The caption of every box the uninstaller shows.
extern const char* const kUninstallerCaption;

// One run of the uninstaller on its command line (without the program name).
// True for every ending that is not a failure, the answer No included.
[[nodiscard]] bool RunUninstaller(const std::string& commandLine);

// The process's run: the arguments of its whole command line (as
// GetCommandLineA gives it; null counts as empty), RunUninstaller on them,
// and the exit code: 0 for true, -1 for false. Anything thrown (no memory)
// ends in the failure box "アンインストールに失敗しました" and -1.
[[nodiscard]] int RunUninstallerProcess(const char* processCommandLine);

// Formats printf-style (bounded, cut to 16,383 bytes) and shows the text in a
// topmost, foreground box with the uninstaller's caption. Always false, so a
// caller reports and fails in one statement.
bool ShowMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// The same for a text that needs no formatting; it allocates nothing, so it
// can still report when memory has run out.
bool ShowFixedMessage(const char* text);
