// GameFolderCheck: the build-time check of both installer kits (NSIS and
// Inno Setup). A kit hands it each value the maker declared, before the
// compiler writes anything, and stops the build on an error; a warning is
// shown and the build goes on. Each problem is one line that names the
// value as the maker wrote it, says what is wrong and what to write instead.
//
// All text is UTF-8 here; the records the installers write are Shift-JIS
// (code page 932), so every value must have an exact code page 932 form.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kitcheck {

enum class Severity { Error, Warning };

struct Problem {
    Severity severity;
    std::string message;
};

using Problems = std::vector<Problem>;

// True when the character has an exact code page 932 form: converted to
// code page 932 and back it is itself again (no best fit: "¥" must not
// become "\"). Given by platform.cpp.
[[nodiscard]] bool FitsCp932(char32_t character);

// The build machine's files, by UTF-8 paths as the script wrote them
// (backslashes separate folders on any system). Given by platform.cpp.
enum class PathKind { None, File, Folder };
[[nodiscard]] PathKind KindOf(const std::string& path);
// Every file below `folder`, as its path below it with backslashes, sorted;
// folders behind links are not entered. False when a folder cannot be read.
[[nodiscard]] bool ListFiles(const std::string& folder, std::vector<std::string>& files);
[[nodiscard]] std::FILE* OpenForReading(const std::string& path);

// The game's declaration: GAME_NAME, GAME_REGISTRY, GAME_MAKER, GAME_MENU,
// GAME_FOLDER, GAME_EXE and, when given, GAME_MUTEX.
struct Game {
    std::string name, registry, maker, menu, folder, exe, mutex;
};
[[nodiscard]] Problems CheckGame(const Game& game);

// GameFile DEST SOURCE: DEST a path below the game folder, SOURCE a file on
// the build machine (a relative one from the current folder).
[[nodiscard]] Problems CheckFile(const std::string& dest, const std::string& source);

// GameFolder DEST SOURCE: SOURCE a folder, every file below it installed
// as DEST\<its path below SOURCE>.
[[nodiscard]] Problems CheckFolder(const std::string& dest, const std::string& source);

// GameShortcut / GameDesktopShortcut (`what`) TARGET LINK: TARGET a path
// below the game folder, LINK the shortcut's name without .lnk.
[[nodiscard]] Problems CheckShortcut(const std::string& what, const std::string& target, const std::string& link);

// GAME_INSTALL_DIR against GAME_MAKER: the Uninstaller removes the folder
// above the game folder only when it is named GAME_MAKER.
[[nodiscard]] Problems CheckInstallDir(const std::string& dir, const std::string& maker);

// Runs one command line (without the program name); writes each problem
// as a line to `out`. Exit status: 0 clean, 1 an error, 2 warnings only,
// 3 a bad command line.
int Run(const std::vector<std::string>& arguments, std::string& out);

}  // namespace kitcheck
