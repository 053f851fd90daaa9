// The installation itself, read with the wide-character calls: nothing is
// opened for writing, and reparse points (links, junctions) are never entered.
#include "recordcheck/host_folder.h"

#include <algorithm>
#include <memory>

#include "recordcheck/windows_text.h"

namespace recordcheck {

using windows::Extended;
using windows::Utf8;
using windows::Wide;

bool ListHostFolder(const std::string& folder, std::vector<HostEntry>& entries, std::string& error) {
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(Extended(Wide(folder, CP_UTF8) + L"\\*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        error = "cannot list " + folder + " (Windows error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        HostEntry entry;
        entry.name = Utf8(name);
        const DWORD attributes = data.dwFileAttributes;
        entry.type = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? HostType::Link
                     : (attributes & FILE_ATTRIBUTE_DIRECTORY) ? HostType::Folder
                     : (attributes & FILE_ATTRIBUTE_DEVICE) ? HostType::Other : HostType::File;
        entry.writable = !(attributes & FILE_ATTRIBUTE_READONLY);
        entry.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    const DWORD ended = GetLastError();
    FindClose(find);
    if (ended != ERROR_NO_MORE_FILES) {
        error = "cannot list " + folder + " (Windows error " + std::to_string(ended) + ")";
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const HostEntry& a, const HostEntry& b) { return a.name < b.name; });
    return true;
}

bool ReadHostFile(const std::string& path, std::string& bytes) {
    const HANDLE file = CreateFileW(Extended(Wide(path, CP_UTF8)).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<void, decltype(&CloseHandle)> holder(file, &CloseHandle);
    LARGE_INTEGER size;
    // The records and start-up settings are small; a huge file is no record.
    if (!GetFileSizeEx(file, &size) || size.QuadPart > (std::int64_t{1} << 30)) return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
        if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0) return false;
        done += read;
    }
    return true;
}

bool WriteHostFile(const std::string& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(Extended(Wide(path, CP_UTF8)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<void, decltype(&CloseHandle)> holder(file, &CloseHandle);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

std::string HostParent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    const std::size_t separator = trimmed.find_last_of("\\/");
    if (separator == std::string::npos || separator + 1 == trimmed.size()) return std::string();  // "C:\"
    return separator == 2 && trimmed[1] == ':' ? trimmed.substr(0, 3) : trimmed.substr(0, separator);
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

std::string HostBaseName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    const std::size_t separator = trimmed.find_last_of("\\/:");
    return separator == std::string::npos ? trimmed : trimmed.substr(separator + 1);
}

std::string FullHostPath(const std::string& path) {
    const std::wstring wide = Wide(path, CP_UTF8);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::string();
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return std::string();
    full.resize(length);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    return Utf8(full);
}

HostPathKind KindOfHostPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Extended(Wide(path, CP_UTF8)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return HostPathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? HostPathKind::Folder : HostPathKind::Other;
}

}  // namespace recordcheck
