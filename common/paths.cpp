#include "common/paths.h"

#include "common/sjis.h"

std::ptrdiff_t FindLastSeparator(const std::string& path) {
    std::ptrdiff_t last = -1;
    const std::size_t size = path.size();
    for (std::size_t i = 0; i < size;) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (sjis::IsLeadByte(byte)) {
            i += 2;  // the trail byte is never examined
            continue;
        }
        if (byte == '\\') last = static_cast<std::ptrdiff_t>(i);
        ++i;
    }
    return last;
}

bool EndsWithSeparator(const std::string& path) {
    const std::ptrdiff_t last = FindLastSeparator(path);
    return last >= 0 && static_cast<std::size_t>(last) + 1 == path.size();
}

std::string GetParentPath(const std::string& path) {
    const std::ptrdiff_t last = FindLastSeparator(path);
    if (last < 0) return std::string();
    return path.substr(0, static_cast<std::size_t>(last));
}

std::string GetLastComponent(const std::string& path) {
    const std::ptrdiff_t last = FindLastSeparator(path);
    if (last < 0) return path;
    return path.substr(static_cast<std::size_t>(last) + 1);
}

void AddTrailingSeparator(std::string& path) {
    if (!EndsWithSeparator(path)) path.push_back('\\');
}

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

void RemoveTrailingSeparator(std::string& path) {
    if (path.size() == 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') return;
    if (EndsWithSeparator(path)) path.pop_back();
}

std::string JoinWithSeparator(const std::string& folder, const std::string& name) {
    std::string joined = folder;
    AddTrailingSeparator(joined);
    joined += name;
    return joined;
}

bool IsDeviceName(const std::string& name) {
    // The system takes what stands before a '.' or a ':' ("COM1:x", "NUL.txt").
    std::string stem = name.substr(0, name.find_first_of(".:"));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

std::string FoldForComparison(const std::string& path) {
    std::string folded = path;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (sjis::IsLeadByte(byte)) {
            ++i;
        } else if (byte >= 'a' && byte <= 'z') {
            folded[i] = static_cast<char>(byte - 'a' + 'A');
        } else if (byte == '/') {
            folded[i] = '\\';
        }
    }
    return folded;
}
