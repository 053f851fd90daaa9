// The real machine, read through the wide-character calls. Nothing here
// writes: files are opened for reading with every sharing allowed, keys with
// KEY_READ.
#include "recordcheck/real_machine.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>

#include <memory>

namespace recordcheck::real {

namespace {

constexpr UINT kShiftJis = 932;

std::wstring Wide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int size = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                            nullptr);
    }
    return text;
}

// `wide` in CP932, character by character; a character that has no exact
// form (none at all, a best fit, or one that comes back as another) stands
// as '?', and `exact` turns false.
std::string ShiftJis(const std::wstring& wide, bool& exact) {
    std::string out;
    out.reserve(wide.size() * 2);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const std::size_t units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() ? 2 : 1;
        char bytes[8];
        BOOL defaulted = FALSE;
        const int size = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, &wide[i], static_cast<int>(units),
                                             bytes, sizeof bytes, nullptr, &defaulted);
        bool same = size > 0 && !defaulted;
        if (same) {
            wchar_t back[4];
            const int length = MultiByteToWideChar(kShiftJis, 0, bytes, size, back, 4);
            same = length == static_cast<int>(units) && std::wstring(back, length) == wide.substr(i, units);
        }
        if (same) {
            out.append(bytes, static_cast<std::size_t>(size));
        } else {
            out.push_back('?');
            exact = false;
        }
        i += units - 1;
    }
    return out;
}

// A path the wide calls take beyond MAX_PATH.
std::wstring Extended(const std::wstring& path) {
    if (path.rfind(L"\\\\", 0) == 0) return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

struct FindCloser {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

bool ReadBytes(const std::wstring& path, std::string& bytes) {
    FileHandle file(CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD done = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size());
}

}  // namespace

bool Cp932Path(const std::string& utf8, std::string& cp932) {
    bool exact = true;
    const std::wstring wide = Wide(utf8, CP_UTF8);
    if (wide.empty() && !utf8.empty()) return false;
    cp932 = ShiftJis(wide, exact);
    return exact;
}

std::string FullFolderPath(const std::string& utf8) {
    const std::wstring wide = Wide(utf8, CP_UTF8);
    if (wide.empty()) return std::string();
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::string();
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return std::string();
    full.resize(length);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    const DWORD attributes = GetFileAttributesW(Extended(full).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
    return Utf8(full);
}

Folder ReadFolder(const std::string& path, WantBytes wantBytes, std::size_t limit) {
    Folder folder;
    const std::wstring root = Wide(path, CP_UTF8);
    const DWORD attributes = root.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Extended(root).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        folder.error = "no such folder: " + path;
        return folder;
    }
    // Folders still to read: (wide path, CP932 relative path with its trailing separator).
    std::vector<std::pair<std::wstring, std::string>> pending{{root, std::string()}};
    while (!pending.empty()) {
        const auto [wideFolder, relativeFolder] = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW data;
        FindHandle find(FindFirstFileExW(Extended(wideFolder + L"\\*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0));
        if (find.get() == INVALID_HANDLE_VALUE) {
            find.release();
            if (relativeFolder.empty()) {
                folder.error = "cannot read the folder " + path + " (error " + std::to_string(GetLastError()) + ")";
                return folder;
            }
            continue;  // a folder that cannot be listed is laid out empty
        }
        std::vector<std::pair<std::wstring, std::string>> below;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (folder.entries.size() >= limit) {
                folder.error = "more than " + std::to_string(limit) + " entries below " + path;
                return folder;
            }
            Entry entry;
            entry.path = relativeFolder + ShiftJis(name, entry.exactName);
            entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
            entry.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
            entry.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            const std::wstring full = wideFolder + L"\\" + name;
            entry.characters = full.size();
            if (!entry.folder && !entry.link && wantBytes != nullptr && wantBytes(entry.path)) {
                (void)ReadBytes(full, entry.bytes);
            }
            if (entry.folder && !entry.link) below.emplace_back(full, entry.path + "\\");
            folder.entries.push_back(std::move(entry));
        } while (FindNextFileW(find.get(), &data));
        // Depth first, in the order the system listed the folders.
        pending.insert(pending.end(), below.rbegin(), below.rend());
    }
    folder.read = true;
    return folder;
}

namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<HKEY__, KeyCloser>;

KeyHandle OpenKey(View view, const std::wstring& path) {
    HKEY key = nullptr;
    const REGSAM access = KEY_READ | (view == View::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return KeyHandle();
    return KeyHandle(key);
}

std::string StringData(const BYTE* data, DWORD size, bool& exact) {
    std::wstring wide(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
    while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
    std::string text = ShiftJis(wide, exact);
    text.push_back('\0');
    return text;
}

void ReadValues(HKEY handle, Key& key) {
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    std::wstring name(longestName + 1, L'\0');
    std::vector<BYTE> data(longestData + sizeof(wchar_t));
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(handle, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS) {
            continue;
        }
        Value value;
        value.name = ShiftJis(name.substr(0, nameSize), key.exactNames);
        value.type = type;
        bool exact = true;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            value.data = StringData(data.data(), dataSize, exact);
        } else {
            value.data.assign(reinterpret_cast<const char*>(data.data()), dataSize);
        }
        key.values.push_back(std::move(value));
    }
}

std::vector<std::wstring> SubkeyNames(HKEY handle) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        const LONG status = RegEnumKeyExW(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) names.emplace_back(name, size);
    }
    return names;
}

}  // namespace

std::vector<Key> ReadKeyTree(View view, const std::string& path, bool deep, std::size_t limit) {
    std::vector<Key> keys;
    const std::wstring root = Wide(path, kShiftJis);
    if (root.empty()) return keys;
    std::vector<std::pair<std::wstring, std::string>> pending{{root, path}};
    while (!pending.empty() && keys.size() < limit) {
        const auto [wide, bytes] = pending.back();
        pending.pop_back();
        KeyHandle handle = OpenKey(view, wide);
        if (!handle) continue;
        Key key;
        key.path = bytes;
        const bool top = keys.empty();
        if (deep || top) ReadValues(handle.get(), key);
        const std::vector<std::wstring> names = SubkeyNames(handle.get());
        std::vector<std::pair<std::wstring, std::string>> below;
        for (const std::wstring& name : names) {
            std::string child = bytes + "\\" + ShiftJis(name, key.exactNames);
            if (deep) {
                below.emplace_back(wide + L"\\" + name, child);
            } else if (top) {
                Key shallow;
                shallow.path = std::move(child);
                keys.push_back(std::move(shallow));
            }
        }
        keys.insert(keys.begin() + (top ? 0 : static_cast<std::ptrdiff_t>(keys.size())), std::move(key));
        pending.insert(pending.end(), below.rbegin(), below.rend());
    }
    return keys;
}

ShellFolders ReadShellFolders() {
    const auto folder = [](int csidl) {
        wchar_t path[MAX_PATH];
        if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
        bool exact = true;
        std::string bytes = ShiftJis(path, exact);
        return exact ? bytes : std::string();
    };
    ShellFolders folders;
    folders.commonDesktop = folder(CSIDL_COMMON_DESKTOPDIRECTORY);
    folders.commonPrograms = folder(CSIDL_COMMON_PROGRAMS);
    folders.userDesktop = folder(CSIDL_DESKTOPDIRECTORY);
    folders.userPrograms = folder(CSIDL_PROGRAMS);
    return folders;
}

bool Exists(const std::string& cp932Path) {
    const std::wstring wide = Wide(cp932Path, kShiftJis);
    return !wide.empty() && GetFileAttributesW(Extended(wide).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace recordcheck::real
