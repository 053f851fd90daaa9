#include "common/folders.h"

#include "common/paths.h"
#include "platform/win32.h"

namespace {

// Platform queries write into a zero-filled buffer one byte larger than the
// size they are given, so the text is always NUL-terminated.
struct PathBuffer {
    char bytes[MAX_PATH + 1] = {};
    std::string Text() const { return std::string(bytes); }
};

std::string GetSpecialFolder(int csidl) {
    PathBuffer buffer;
    if (!SHGetSpecialFolderPathA(nullptr, buffer.bytes, csidl, FALSE)) return std::string();
    std::string path = buffer.Text();
    RemoveTrailingSeparator(path);
    return path;
}

}  // namespace

std::string GetModuleFilePath() {
    PathBuffer buffer;
    // A path that does not fit is cut to the buffer, and the cut path names
    // another file or folder: it counts as none.
    if (GetModuleFileNameA(nullptr, buffer.bytes, MAX_PATH) >= MAX_PATH) return std::string();
    std::string path = buffer.Text();
    RemoveTrailingSeparator(path);
    return path;
}

std::string GetTempFolderPath() {
    PathBuffer buffer;
    (void)GetTempPathA(MAX_PATH, buffer.bytes);
    std::string path = buffer.Text();
    RemoveTrailingSeparator(path);
    return path;
}

std::string GetCommonProgramsFolderPath() { return GetSpecialFolder(CSIDL_COMMON_PROGRAMS); }

std::string GetCommonDesktopFolderPath() { return GetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }
