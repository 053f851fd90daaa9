// The simulated HKEY_LOCAL_MACHINE: the sim::Machine registry API and the
// advapi32 registry calls.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/sjis.h"
#include "platform/sim_internal.h"

namespace sim {

namespace {

constexpr LSTATUS kErrorBadPathname = 161;
constexpr std::size_t kMaxKeyNameCharacters = 255;
constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 /*DELETE*/ |
                               0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/ | GENERIC_WRITE | GENERIC_ALL |
                               0x02000000 /*MAXIMUM_ALLOWED*/;

// Splits a key path at one-byte backslashes (the trail byte of a two-byte
// character stays in its name). A leading backslash is refused
// (ERROR_BAD_PATHNAME); runs of backslashes inside and at the end are taken
// as one separator, as the registry does.
bool SplitKeyPath(const char* path, std::vector<std::string>& parts);

// SplitKeyPath for the advapi32 calls, which also refuse a key name longer
// than 255 characters.
LSTATUS SplitCallKeyPath(const char* path, std::vector<std::string>& parts) {
    if (!SplitKeyPath(path, parts)) return kErrorBadPathname;
    for (const std::string& part : parts) {
        if (CharacterCount(part) > kMaxKeyNameCharacters) return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

bool SplitKeyPath(const char* path, std::vector<std::string>& parts) {
    parts.clear();
    if (path == nullptr || *path == '\0') return true;
    if (*path == '\\') return false;
    const std::string text(path);
    std::string part;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (sjis::IsLeadByte(byte) && i + 1 < text.size()) {
            part += text.substr(i, 2);
            ++i;
            continue;
        }
        if (byte == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
            continue;
        }
        part += static_cast<char>(byte);
    }
    if (!part.empty()) parts.push_back(part);
    return true;
}

std::string JoinKeyPath(const std::string& base, const char* sub) {
    if (sub == nullptr || *sub == '\0') return base;
    if (base.empty()) return sub;
    return base + "\\" + sub;
}

std::string ValueArg(LPCSTR name) { return name == nullptr ? std::string() : std::string(name); }

Machine::State& Current() { return Machine::Current().Internals(); }

// The key a handle stands for, HKLM included. Other predefined roots are
// not part of this machine.
struct KeyRef {
    std::shared_ptr<Key> key;
    std::string path;
    REGSAM access = 0;
    bool valid = false;
};

KeyRef LookUp(Machine::State& s, HKEY handle) {
    KeyRef ref;
    if (handle == HKEY_LOCAL_MACHINE) {
        ref.key = s.hklm;
        ref.access = s.administrator ? KEY_ALL_ACCESS : KEY_READ;
        ref.valid = true;
        return ref;
    }
    auto found = s.keys.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == s.keys.end()) return ref;
    ref.key = found->second.key;
    ref.path = found->second.path;
    ref.access = found->second.access;
    ref.valid = true;
    return ref;
}

std::string HandlePath(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return std::string();
    auto& s = Current();
    auto found = s.keys.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found != s.keys.end()) return found->second.path;
    char text[40];
    std::snprintf(text, sizeof text, "hkey 0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

HKEY NewKeyHandle(Machine::State& s, const std::shared_ptr<Key>& key, const std::string& path, REGSAM access) {
    const std::uintptr_t value = s.nextKeyHandle;
    s.nextKeyHandle += 4;
    s.keys[value] = KeyHandle{key, path, access};
    return reinterpret_cast<HKEY>(value);
}

std::shared_ptr<Key> FindKey(const std::shared_ptr<Key>& base, const std::vector<std::string>& parts) {
    std::shared_ptr<Key> key = base;
    for (const std::string& part : parts) {
        auto found = key->subkeys.find(FoldName(part));
        if (found == key->subkeys.end()) return nullptr;
        key = found->second;
    }
    return key;
}

std::shared_ptr<Key> FindKeyByPath(const Machine::State& s, const std::string& path) {
    std::string text = path;
    for (const char* prefix : {"HKEY_LOCAL_MACHINE\\", "HKLM\\"}) {
        const std::size_t length = std::strlen(prefix);
        if (FoldName(text.substr(0, length)) == prefix) text = text.substr(length);
    }
    std::vector<std::string> parts;
    if (!SplitKeyPath(text.c_str(), parts)) return nullptr;
    return FindKey(s.hklm, parts);
}

std::vector<std::string> SplitOrDie(const std::string& path) {
    std::string text = path;
    for (const char* prefix : {"HKEY_LOCAL_MACHINE\\", "HKLM\\"}) {
        const std::size_t length = std::strlen(prefix);
        if (FoldName(text.substr(0, length)) == prefix) text = text.substr(length);
    }
    std::vector<std::string> parts;
    if (!SplitKeyPath(text.c_str(), parts)) Fatal("not a usable key path: \"%s\"", path.c_str());
    return parts;
}

// The key that holds `key` as a subkey, searched from `from`.
std::shared_ptr<Key> FindParentKey(const std::shared_ptr<Key>& from, const Key& key) {
    for (const auto& entry : from->subkeys) {
        if (entry.second.get() == &key) return from;
        if (auto found = FindParentKey(entry.second, key)) return found;
    }
    return nullptr;
}

void CollectKeys(const Key& key, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& entry : key.subkeys) {
        const std::string path = prefix.empty() ? entry.second->name : prefix + "\\" + entry.second->name;
        out.push_back(path);
        CollectKeys(*entry.second, path, out);
    }
}

}  // namespace

RegValue* Key::FindValue(const std::string& valueName) {
    const std::string folded = FoldName(valueName);
    for (RegValue& value : values) {
        if (FoldName(value.name) == folded) return &value;
    }
    return nullptr;
}

// ---- Machine: registry API ------------------------------------------------------

void Machine::AddKey(const std::string& path) {
    std::shared_ptr<Key> key = state_->hklm;
    for (const std::string& part : SplitOrDie(path)) {
        std::shared_ptr<Key>& child = key->subkeys[FoldName(part)];
        if (child == nullptr) {
            child = std::make_shared<Key>();
            child->name = StoredName(part);
        }
        key = child;
    }
}

void Machine::SetValue(const std::string& keyPath, const std::string& name, const std::string& data) {
    AddKey(keyPath);
    std::shared_ptr<Key> key = FindKeyByPath(*state_, keyPath);
    std::string bytes = data;
    bytes.push_back('\0');  // REG_SZ data as RegSetValueExA stores it
    if (RegValue* value = key->FindValue(name)) {
        value->type = REG_SZ;
        value->data = bytes;
    } else {
        key->values.push_back(RegValue{name, REG_SZ, bytes});
    }
}

bool Machine::KeyExists(const std::string& path) const { return FindKeyByPath(*state_, path) != nullptr; }

bool Machine::ValueExists(const std::string& keyPath, const std::string& name) const {
    std::shared_ptr<Key> key = FindKeyByPath(*state_, keyPath);
    return key != nullptr && key->FindValue(name) != nullptr;
}

std::vector<std::string> Machine::SubkeyNames(const std::string& path) const {
    std::vector<std::string> names;
    std::shared_ptr<Key> key = FindKeyByPath(*state_, path);
    if (key == nullptr) return names;
    for (const auto& entry : key->subkeys) names.push_back(entry.second->name);
    return names;
}

std::vector<std::string> Machine::ValueNames(const std::string& keyPath) const {
    std::vector<std::string> names;
    std::shared_ptr<Key> key = FindKeyByPath(*state_, keyPath);
    if (key == nullptr) return names;
    for (const RegValue& value : key->values) names.push_back(value.name);
    return names;
}

std::vector<std::string> Machine::AllKeys() const {
    std::vector<std::string> out;
    CollectKeys(*state_->hklm, std::string(), out);
    std::sort(out.begin(), out.end());
    return out;
}

void Machine::SetAdministrator(bool administrator) { state_->administrator = administrator; }

}  // namespace sim

// ---- advapi32 ---------------------------------------------------------------------

using sim::Call;

namespace {

// Opens or creates; shared by RegCreateKeyExA and RegOpenKeyExA.
LSTATUS OpenKey(Call& call, HKEY hKey, LPCSTR lpSubKey, REGSAM samDesired, bool create, PHKEY phkResult,
                LPDWORD lpdwDisposition) {
    auto& s = call.S();
    const sim::KeyRef base = sim::LookUp(s, hKey);
    LSTATUS status = ERROR_SUCCESS;
    std::vector<std::string> parts;
    if (!base.valid) {
        status = ERROR_INVALID_HANDLE;
    } else if (base.key->deleted) {
        status = ERROR_KEY_DELETED;
    } else {
        status = sim::SplitCallKeyPath(lpSubKey, parts);
    }
    std::shared_ptr<sim::Key> key;
    if (status == ERROR_SUCCESS) key = sim::FindKey(base.key, parts);
    const bool writing = (samDesired & sim::kWriteRights) != 0;
    if (status == ERROR_SUCCESS) {
        if (key == nullptr && !create) {
            status = ERROR_FILE_NOT_FOUND;
        } else if (!s.administrator && (writing || key == nullptr)) {
            status = ERROR_ACCESS_DENIED;
        } else if (key == nullptr && !(base.access & KEY_CREATE_SUB_KEY)) {
            status = ERROR_ACCESS_DENIED;
        }
    }
    if (status != ERROR_SUCCESS) {
        call.Fail(static_cast<DWORD>(status));
        return status;
    }
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (key == nullptr) {
        disposition = REG_CREATED_NEW_KEY;
        key = base.key;
        for (const std::string& part : parts) {
            std::shared_ptr<sim::Key>& child = key->subkeys[sim::FoldName(part)];
            if (child == nullptr) {
                child = std::make_shared<sim::Key>();
                child->name = sim::StoredName(part);
            }
            key = child;
        }
    }
    *phkResult = sim::NewKeyHandle(s, key, sim::JoinKeyPath(base.path, lpSubKey), samDesired);
    if (lpdwDisposition != nullptr) *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
}

// A handle to a key, for the calls that act on an open key.
struct Target {
    sim::KeyRef ref;
    LSTATUS status = ERROR_SUCCESS;
};

Target OpenTarget(Call& call, HKEY hKey, REGSAM needed) {
    Target target;
    target.ref = sim::LookUp(call.S(), hKey);
    if (!target.ref.valid) {
        target.status = ERROR_INVALID_HANDLE;
    } else if (target.ref.key->deleted) {
        target.status = ERROR_KEY_DELETED;
    } else if ((target.ref.access & needed) != needed && !(target.ref.access & GENERIC_ALL)) {
        target.status = ERROR_ACCESS_DENIED;
    }
    if (target.status != ERROR_SUCCESS) call.Fail(static_cast<DWORD>(target.status));
    return target;
}

}  // namespace

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                               PHKEY phkResult, LPDWORD lpdwDisposition) {
    (void)Reserved;
    (void)lpClass;
    (void)dwOptions;
    (void)lpSecurityAttributes;
    Call call("RegCreateKeyExA", sim::JoinKeyPath(sim::HandlePath(hKey), lpSubKey));
    if (phkResult == nullptr) sim::Fatal("RegCreateKeyExA without phkResult");
    *phkResult = nullptr;
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    return OpenKey(call, hKey, lpSubKey, samDesired, true, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    (void)ulOptions;
    Call call("RegOpenKeyExA", sim::JoinKeyPath(sim::HandlePath(hKey), lpSubKey));
    if (phkResult == nullptr) sim::Fatal("RegOpenKeyExA without phkResult");
    *phkResult = nullptr;
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    // No subkey on the predefined root gives back the root itself.
    if (hKey == HKEY_LOCAL_MACHINE && (lpSubKey == nullptr || *lpSubKey == '\0') &&
        (call.S().administrator || !(samDesired & sim::kWriteRights))) {
        *phkResult = HKEY_LOCAL_MACHINE;
        return ERROR_SUCCESS;
    }
    return OpenKey(call, hKey, lpSubKey, samDesired, false, phkResult, nullptr);
}

// Subkeys come in name order (as Windows lists them). *lpcchName counts
// characters including the NUL going in, and excluding it coming out.
LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    (void)lpReserved;
    Call call("RegEnumKeyExA", sim::HandlePath(hKey), std::to_string(dwIndex));
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    if (lpName == nullptr || lpcchName == nullptr) {
        call.Fail(ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    Target target = OpenTarget(call, hKey, KEY_ENUMERATE_SUB_KEYS);
    if (target.status != ERROR_SUCCESS) return target.status;
    const auto& subkeys = target.ref.key->subkeys;
    if (dwIndex >= subkeys.size()) {
        call.Fail(ERROR_NO_MORE_ITEMS);
        return ERROR_NO_MORE_ITEMS;
    }
    auto entry = subkeys.begin();
    std::advance(entry, dwIndex);
    const std::string& name = entry->second->name;
    if (name.size() + 1 > *lpcchName) {
        call.Fail(ERROR_MORE_DATA);
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0) lpClass[0] = '\0';
    if (lpcchClass != nullptr) *lpcchClass = 0;
    if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    Call call("RegDeleteValueA", sim::HandlePath(hKey), sim::ValueArg(lpValueName));
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    Target target = OpenTarget(call, hKey, KEY_SET_VALUE);
    if (target.status != ERROR_SUCCESS) return target.status;
    auto& values = target.ref.key->values;
    const std::string folded = sim::FoldName(sim::ValueArg(lpValueName));
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const sim::RegValue& value) { return sim::FoldName(value.name) == folded; });
    if (found == values.end()) {
        call.Fail(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    values.erase(found);
    return ERROR_SUCCESS;
}

// Windows refuses a key with subkeys (ERROR_ACCESS_DENIED) and deletes one
// with values, even while handles to it are open: those then report
// ERROR_KEY_DELETED. An empty subkey names the handle's own key (a
// predefined root cannot go), whatever access that handle was opened with.
LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    Call call("RegDeleteKeyA", sim::JoinKeyPath(sim::HandlePath(hKey), lpSubKey));
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    auto& s = call.S();
    const sim::KeyRef base = sim::LookUp(s, hKey);
    LSTATUS status = ERROR_SUCCESS;
    std::vector<std::string> parts;
    if (lpSubKey == nullptr) {
        status = ERROR_INVALID_PARAMETER;
    } else if (!base.valid) {
        status = ERROR_INVALID_HANDLE;
    } else if (base.key->deleted) {
        status = ERROR_KEY_DELETED;
    } else {
        status = sim::SplitCallKeyPath(lpSubKey, parts);
    }
    std::shared_ptr<sim::Key> parent, key;
    if (status == ERROR_SUCCESS) {
        if (parts.empty()) {
            key = base.key;
            parent = hKey == HKEY_LOCAL_MACHINE ? nullptr : sim::FindParentKey(s.hklm, *key);
            if (parent == nullptr || !s.administrator || !key->subkeys.empty()) status = ERROR_ACCESS_DENIED;
        } else {
            std::vector<std::string> parentParts(parts.begin(), parts.end() - 1);
            parent = sim::FindKey(base.key, parentParts);
            if (parent != nullptr) key = sim::FindKey(parent, {parts.back()});
            if (key == nullptr) {
                status = ERROR_FILE_NOT_FOUND;
            } else if (!s.administrator || !key->subkeys.empty()) {
                status = ERROR_ACCESS_DENIED;
            }
        }
    }
    if (status != ERROR_SUCCESS) {
        call.Fail(static_cast<DWORD>(status));
        return status;
    }
    key->deleted = true;
    parent->subkeys.erase(sim::FoldName(key->name));
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    Call call("RegCloseKey", sim::HandlePath(hKey));
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    if (hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;  // predefined: nothing to close
    if (call.S().keys.erase(reinterpret_cast<std::uintptr_t>(hKey)) == 0) {
        call.Fail(ERROR_INVALID_HANDLE);
        return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
    (void)Reserved;
    Call call("RegSetValueExA", sim::HandlePath(hKey), sim::ValueArg(lpValueName));
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    Target target = OpenTarget(call, hKey, KEY_SET_VALUE);
    if (target.status != ERROR_SUCCESS) return target.status;
    if (lpData == nullptr && cbData != 0) {
        call.Fail(998 /*ERROR_NOACCESS*/);
        return 998;
    }
    std::string data(reinterpret_cast<const char*>(lpData), lpData == nullptr ? 0 : cbData);
    if (sim::RegValue* value = target.ref.key->FindValue(sim::ValueArg(lpValueName))) {
        value->type = dwType;
        value->data = data;
    } else {
        target.ref.key->values.push_back(sim::RegValue{sim::ValueArg(lpValueName), dwType, data});
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    Call call("RegQueryValueExA", sim::HandlePath(hKey), sim::ValueArg(lpValueName));
    if (call.Injected()) return static_cast<LSTATUS>(call.S().lastError);
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        call.Fail(ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    Target target = OpenTarget(call, hKey, KEY_QUERY_VALUE);
    if (target.status != ERROR_SUCCESS) return target.status;
    const sim::RegValue* value = target.ref.key->FindValue(sim::ValueArg(lpValueName));
    if (value == nullptr) {
        call.Fail(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    if (lpType != nullptr) *lpType = value->type;
    const DWORD size = static_cast<DWORD>(value->data.size());
    if (lpData != nullptr && *lpcbData < size) {
        *lpcbData = size;
        call.Fail(ERROR_MORE_DATA);
        return ERROR_MORE_DATA;
    }
    if (lpData != nullptr && size != 0) std::memcpy(lpData, value->data.data(), size);
    if (lpcbData != nullptr) *lpcbData = size;
    return ERROR_SUCCESS;
}
