// Lays out a game folder from the host file system on the simulated
// Windows, the way the game's installer left it on a real machine.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace recordcheck {

// Something about the host folder that Windows would see differently.
struct MirrorNote {
    enum class Kind {
        Link,            // a symbolic link: a junction in the mirror, never followed
        Unrepresentable, // a name code page 932 cannot hold; it stands with '?'
        RawBytes,        // a name that is not UTF-8, taken as code page 932 bytes
        InvalidName,     // a name Windows cannot hold; left out
        DeviceName,      // a name Windows takes for a device (CON.txt, aux.dat): no program opens it
        TrailingDot,     // a name ending in a dot or space, which Windows drops; left out
        Backslash,       // a name holding a backslash, which Windows takes for a separator; left out
        SameName,        // a name Windows takes for one already there (case, trailing dots); left out
        TooLong,         // a path of MAX_PATH characters or more: the ANSI calls cannot reach it
    };
    Kind kind;
    std::string hostPath;     // as on the host (bytes of the host's names)
    std::string windowsPath;  // CP932, as mirrored or as it would have been
    std::size_t characters = 0;  // the Windows path's length in characters
};

struct MirrorResult {
    bool ok = false;
    std::string error;  // UTF-8, when !ok: a host file that could not be read
    std::vector<MirrorNote> notes;
};

// Where a symbolic link of the host folder points in the mirror: an empty
// folder of its own below this one, outside every game folder.
extern const char kLinkTargetRoot[];

// Copies the tree below `hostFolder` into `windowsFolder` on the current
// simulated machine, in name order; a file without a write bit is
// read-only there. The bytes of the record files (the
// InstallInfo folder) and of every .ini, .inc and .inn file are copied;
// every other file is laid out empty, since only its name matters to the
// programs. Symbolic links become junctions to empty folders below
// kLinkTargetRoot: nothing outside the host folder is read.
[[nodiscard]] MirrorResult MirrorFolder(const std::string& hostFolder, const std::string& windowsFolder);

// True when `component` can be one name in a Windows path: no control byte,
// none of < > : " / \ | ? *, and not only dots and spaces. Two-byte
// characters are taken whole.
[[nodiscard]] bool IsWindowsName(const std::string& component, bool allowQuestionMark = false);

}  // namespace recordcheck
