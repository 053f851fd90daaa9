// What GameFolderCheck asks of the system it runs on: code page 932 and the
// build machine's files, with UTF-8 names.
//
// Whether a character has an exact code page 932 form: on Windows with the
// system's own tables (those the installers convert with), elsewhere with
// iconv. Both are asked for a round trip, since glibc maps a few look-alikes
// into code page 932 (U+301C to 0x8160, which comes back as U+FF5E).
#include "installer/check/game_folder_check.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>
#endif

namespace kitcheck {

#ifdef _WIN32

bool FitsCp932(char32_t character) {
    wchar_t wide[2];
    int length = 1;
    if (character >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((character - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
        length = 2;
    } else {
        wide[0] = static_cast<wchar_t>(character);
    }
    char bytes[8];
    BOOL usedDefault = TRUE;
    const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes, nullptr,
                                         &usedDefault);
    if (size <= 0 || usedDefault) return false;
    wchar_t back[4];
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, size, back, 4) == length && back[0] == wide[0] &&
           (length == 1 || back[1] == wide[1]);
}

namespace {

std::wstring Wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
    return out;
}

std::string Utf8(const std::wstring& wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size, nullptr, nullptr);
    }
    return out;
}

// Every file below `folder` (a wide path ending in a backslash), as
// `prefix` and its path below the folder; links are not followed.
bool Walk(const std::wstring& folder, const std::string& prefix, std::vector<std::string>& files) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                ok = Walk(folder + name + L"\\", prefix + Utf8(name) + "\\", files) && ok;
            }
        } else {
            files.push_back(prefix + Utf8(name));
        }
    } while (FindNextFileW(find, &found));
    ok = GetLastError() == ERROR_NO_MORE_FILES && ok;
    FindClose(find);
    return ok;
}

}  // namespace

PathKind KindOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool ListFiles(const std::string& folder, std::vector<std::string>& files) {
    std::wstring root = Wide(folder);
    if (root.empty() || (root.back() != L'\\' && root.back() != L'/')) root += L'\\';
    files.clear();
    const bool ok = Walk(root, "", files);
    std::sort(files.begin(), files.end());
    return ok;
}

std::FILE* OpenForReading(const std::string& path) {
    return _wfopen(Wide(path).c_str(), L"rb");
}

#else

namespace {

// Converts all of `in`; false when iconv stops anywhere.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t descriptor = iconv_open(to, from);
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return false;
    char buffer[16];
    char* input = const_cast<char*>(in.data());
    std::size_t inputLeft = in.size();
    char* output = buffer;
    std::size_t outputLeft = sizeof buffer;
    const bool done = iconv(descriptor, &input, &inputLeft, &output, &outputLeft) != static_cast<std::size_t>(-1) &&
                      inputLeft == 0;
    iconv_close(descriptor);
    out.assign(buffer, output);
    return done;
}

}  // namespace

bool FitsCp932(char32_t character) {
    const char32_t text[1] = {character};
    std::string utf32(reinterpret_cast<const char*>(text), sizeof text);
    std::string cp932, back;
    return Convert("CP932", "UTF-32LE", utf32, cp932) && Convert("UTF-32LE", "CP932", cp932, back) && back == utf32;
}

namespace {

// The script names folders the Windows way, on any system.
std::string Host(const std::string& path) {
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

bool Walk(const std::string& folder, const std::string& prefix, std::vector<std::string>& files) {
    DIR* directory = opendir(folder.c_str());
    if (!directory) return false;
    bool ok = true;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat status;
        if (lstat((folder + "/" + name).c_str(), &status) != 0) {
            ok = false;
        } else if (S_ISDIR(status.st_mode)) {
            ok = Walk(folder + "/" + name, prefix + name + "\\", files) && ok;
        } else if (S_ISREG(status.st_mode)) {
            files.push_back(prefix + name);
        }
    }
    closedir(directory);
    return ok;
}

}  // namespace

PathKind KindOf(const std::string& path) {
    struct stat status;
    if (stat(Host(path).c_str(), &status) != 0) return PathKind::None;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : S_ISREG(status.st_mode) ? PathKind::File : PathKind::None;
}

bool ListFiles(const std::string& folder, std::vector<std::string>& files) {
    files.clear();
    const bool ok = Walk(Host(folder), "", files);
    std::sort(files.begin(), files.end());
    return ok;
}

std::FILE* OpenForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

#endif

}  // namespace kitcheck
