// The Windows machine recordcheck.exe runs on, read and never written: keys
// are opened with KEY_READ in the view asked for, folders are listed with
// the wide-character calls, and nothing is created, not even a missing shell
// folder.
#include <shlobj.h>

#include <memory>

#include "recordcheck/installed.h"
#include "recordcheck/windows_text.h"

namespace recordcheck {

namespace {

using windows::Extended;
using windows::ShiftJis;
using windows::Wide;
using windows::kShiftJis;

// Keys past this many below one key are not read: a game's keys are few.
constexpr std::size_t kKeyLimit = 4096;

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<HKEY__, KeyCloser>;

KeyHandle OpenKey(RegistryView view, const std::wstring& path) {
    HKEY key = nullptr;
    const REGSAM access = KEY_READ | (view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return KeyHandle();
    return KeyHandle(key);
}

// A name in CP932; false when some character has no exact form there.
bool Cp932Name(const std::wstring& wide, std::string& bytes) {
    bool exact = true;
    bytes = ShiftJis(wide, exact);
    return exact;
}

void ReadValues(HKEY handle, InstalledKey& key) {
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
        InstalledValue value;
        if (!Cp932Name(name.substr(0, nameSize), value.name)) continue;
        value.type = type;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            // As the ANSI calls the Uninstaller makes would give it: CP932,
            // a character without a form there as '?'.
            std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), dataSize / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0') text.pop_back();
            bool exact = true;
            value.data = ShiftJis(text, exact) + '\0';
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
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) break;
        if (status == ERROR_SUCCESS) names.emplace_back(name, size);
    }
    return names;
}

class ThisMachine : public InstalledMachine {
public:
    std::vector<InstalledKey> ReadKeyTree(RegistryView view, const std::string& path, bool deep) const override {
        std::vector<InstalledKey> keys;
        // Parents first: a key, then each of its subkeys with what lies below it.
        std::vector<std::pair<std::wstring, std::string>> pending{{Wide(path, kShiftJis), path}};
        while (!pending.empty() && keys.size() < kKeyLimit) {
            const auto [wide, bytes] = pending.back();
            pending.pop_back();
            const KeyHandle handle = OpenKey(view, wide);
            if (!handle) continue;
            const bool top = keys.empty();
            keys.push_back({bytes, {}});
            if (deep || top) ReadValues(handle.get(), keys.back());
            const std::vector<std::wstring> names = SubkeyNames(handle.get());
            for (auto name = names.rbegin(); name != names.rend(); ++name) {
                std::string child;
                if (!Cp932Name(*name, child)) continue;  // no name the Uninstaller could give
                child = bytes + "\\" + child;
                if (deep) {
                    pending.emplace_back(wide + L"\\" + *name, child);
                } else if (top) {
                    keys.push_back({child, {}});
                }
            }
            if (!deep) break;
        }
        return keys;
    }

    std::string SpecialFolder(int csidl) const override {
        wchar_t path[MAX_PATH];
        if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
        std::string bytes;
        return Cp932Name(path, bytes) ? bytes : std::string();
    }

    bool List(const std::string& folder, std::vector<InstalledEntry>& entries) const override {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileExW(Extended(Wide(folder, kShiftJis) + L"\\*").c_str(), FindExInfoBasic,
                                             &data, FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) return false;
        do {
            const std::wstring name = data.cFileName;
            InstalledEntry entry;
            if (name == L"." || name == L".." || !Cp932Name(name, entry.name)) continue;
            entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entries.push_back(std::move(entry));
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return true;
    }

    bool Exists(const std::string& path) const override {
        return GetFileAttributesW(Extended(Wide(path, kShiftJis)).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

}  // namespace

std::unique_ptr<InstalledMachine> ThisWindowsMachine() { return std::make_unique<ThisMachine>(); }

}  // namespace recordcheck
