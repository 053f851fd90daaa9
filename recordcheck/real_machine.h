// What the real Windows machine holds of an installed game, read without
// changing anything: the folder with the wide-character calls, registry keys
// in either view, the shell's folders. Only recordcheck.exe has it (the
// Windows build); everything here is plain data, so that the simulated
// Windows, which the programs' code runs on, never meets a real handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace recordcheck::real {

// One file or folder below a folder that was read.
struct Entry {
    std::string path;            // CP932, relative to the folder read, '\' between names
    bool folder = false;
    bool readOnly = false;
    bool hidden = false;
    bool link = false;           // a reparse point (link or junction): never followed
    bool exactName = true;       // false: a character of the name has no CP932 form; it stands as '?'
    std::size_t characters = 0;  // characters of the full Windows path
    std::string bytes;           // the file's bytes, when asked for
};

struct Folder {
    bool read = false;
    std::string error;           // UTF-8, when !read
    std::vector<Entry> entries;  // parents before children, names in the order the system gives them
};

// Every entry below `path` (UTF-8). Files for which `wantBytes` says so
// (given the entry's relative CP932 path) come with their bytes; the rest
// are only named. Reparse points are entries of their own and are not
// entered. `limit` bounds the number of entries read.
using WantBytes = bool (*)(const std::string& relativePath);
[[nodiscard]] Folder ReadFolder(const std::string& path, WantBytes wantBytes, std::size_t limit);

// A CP932 Windows path for a UTF-8 one; false when a character has no exact
// CP932 form (no best fit: the programs could never name it).
[[nodiscard]] bool Cp932Path(const std::string& utf8, std::string& cp932);
// The real path of a folder as the system spells it, without a trailing
// separator, in UTF-8; "" when it is not a folder.
[[nodiscard]] std::string FullFolderPath(const std::string& utf8);

// Registry views of HKEY_LOCAL_MACHINE\SOFTWARE on 64-bit Windows: what a
// 32-bit program sees (WOW6432Node) and what a 64-bit one sees.
enum class View { Bits32, Bits64 };

struct Value {
    std::string name;            // CP932
    std::uint32_t type = 0;      // REG_SZ, REG_DWORD ...
    std::string data;            // strings as CP932 with their NUL, everything else as stored
};

struct Key {
    std::string path;            // CP932, relative to HKEY_LOCAL_MACHINE
    std::vector<Value> values;
    bool exactNames = true;      // false: a name below could not be spelled in CP932
};

// The key `path` (CP932, below HKEY_LOCAL_MACHINE) in `view`, with its
// values and every key below it (at most `limit` keys), parents first;
// empty when the key is not there. With `deep` false, only the key itself
// and the names of its subkeys (without their values) are read.
[[nodiscard]] std::vector<Key> ReadKeyTree(View view, const std::string& path, bool deep, std::size_t limit);

// The folders the Uninstaller takes its shortcuts from, as this machine has
// them (CP932; "" when the shell cannot say or the path has no CP932 form).
struct ShellFolders {
    std::string commonDesktop;   // all users' desktop
    std::string commonPrograms;  // all users' program menu
    std::string userDesktop;     // this user's desktop, where a shortcut may have gone by mistake
    std::string userPrograms;    // this user's program menu
};
[[nodiscard]] ShellFolders ReadShellFolders();

// True when a file or folder is at `cp932Path` (a full path).
[[nodiscard]] bool Exists(const std::string& cp932Path);

}  // namespace recordcheck::real
