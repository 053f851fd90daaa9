#include "recordcheck/host_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace recordcheck {

// One look at the folder, and one short look (relative to it) at each file
// for its read-only flag, or at an entry of unknown type for its type.
bool ListHostFolder(const std::string& folder, std::vector<HostEntry>& entries, std::string& message) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        message = "cannot list " + folder + ": " + std::strerror(errno);
        return false;
    }
    int error = 0;
    errno = 0;
    while (const dirent* found = readdir(dir)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        HostEntry entry;
        entry.name = name;
        unsigned char type = found->d_type;
        if (type == DT_REG || type == DT_UNKNOWN) {
            struct stat status {};
            if (fstatat(dirfd(dir), found->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                error = errno;
                break;
            }
            type = S_ISREG(status.st_mode) ? DT_REG : S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_UNKNOWN;
            entry.writable = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
        }
        entry.type = type == DT_REG ? HostType::File : type == DT_DIR ? HostType::Folder
                     : type == DT_LNK ? HostType::Link : HostType::Other;
        entries.push_back(std::move(entry));
        errno = 0;
    }
    if (error == 0) error = errno;
    closedir(dir);
    if (error != 0) {
        message = "cannot list " + folder + ": " + std::strerror(error);
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const HostEntry& a, const HostEntry& b) { return a.name < b.name; });
    return true;
}

bool ReadHostFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteHostFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::string HostParent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos || trimmed == "/") return std::string();
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string HostBaseName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string FullHostPath(const std::string& path) {
    char* full = realpath(path.c_str(), nullptr);
    if (full == nullptr) return std::string();
    std::string result = full;
    free(full);
    return result;
}

HostPathKind KindOfHostPath(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return HostPathKind::Missing;
    return S_ISDIR(status.st_mode) ? HostPathKind::Folder : HostPathKind::Other;
}

}  // namespace recordcheck
