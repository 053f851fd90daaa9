#include "prefclear/path_helpers.h"

#include <cstddef>

#include "common/paths.h"
#include "common/sjis.h"
#include "platform/win32.h"

namespace {

// Width of the character starting at i: 2 for a lead byte, else 1. A lead
// byte as the last byte counts as one character of its own.
std::size_t CharacterWidth(const std::string& text, std::size_t i) {
    return sjis::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    std::string joined = folder;
    AddTrailingSeparator(joined);
    joined += name;
    return joined;
}

std::string WithTrailingBackslash(const std::string& path) {
    std::string copy = path;
    AddTrailingSeparator(copy);
    return copy;
}

std::string FolderPrefix(const std::string& path) {
    const std::ptrdiff_t last = FindLastSeparator(path);
    if (last < 0) return std::string();
    return path.substr(0, static_cast<std::size_t>(last) + 1);
}

std::string LowerExtension(const std::string& path) {
    // The last point after the last backslash, both as one-byte characters.
    std::size_t point = std::string::npos;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t width = CharacterWidth(path, i);
        if (width == 1) {
            if (path[i] == '\\') point = std::string::npos;
            else if (path[i] == '.') point = i;
        }
        i += width;
    }
    if (point == std::string::npos) return std::string();
    std::string extension;
    for (std::size_t i = point + 1; i < path.size();) {
        const std::size_t width = CharacterWidth(path, i);
        if (width == 1) {
            const char c = path[i];
            extension.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        } else {
            extension.append(path, i, width);
        }
        i += width;
    }
    return extension;
}

bool NamesADevice(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t width = CharacterWidth(path, i);
        if (width == 1 && (path[i] == '\\' || path[i] == '/')) start = i + 1;
        i += width;
    }
    return IsDeviceName(path.substr(start));
}

bool IsExistingFile(const std::string& path) {
    if (NamesADevice(path)) return false;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    (void)FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ClimbsOutOfFolder(const std::string& name) {
    std::size_t componentStart = 0;
    bool onlyPoints = true;  // the current component so far is made of points
    for (std::size_t i = 0; i <= name.size();) {
        const bool atEnd = i == name.size();
        const std::size_t width = atEnd ? 1 : CharacterWidth(name, i);
        const bool separator = atEnd || (width == 1 && (name[i] == '\\' || name[i] == '/'));
        if (separator) {
            if (onlyPoints && i - componentStart == 2) return true;
            componentStart = i + 1;
            onlyPoints = true;
        } else if (width != 1 || name[i] != '.') {
            onlyPoints = false;
        }
        i += width;
    }
    return false;
}
