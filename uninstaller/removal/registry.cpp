#include "uninstaller/removal/registry.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "common/paths.h"
#include "common/step_report.h"

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kEntryPrefix[] = "TarnwickGame_";
constexpr DWORD kSubkeyNameBufferSize = 4096;

// "DispalyName" is what the installer has always written; "DisplayName" is
// the name that makes an entry show in the list of installed programs.
const char* const kUninstallValues[] = {"DispalyName", "DisplayName", "DisplayIcon", "UninstallString", "NoModify"};

// A key below HKEY_LOCAL_MACHINE; a failure to open it is reported as a step
// of `kind`.
RegistryKeyHolder OpenKey(const std::string& path, REGSAM access, StepKind kind) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key);
    if (opened != ERROR_SUCCESS) {
        ReportResult(kind, path, opened);
        return {};
    }
    return RegistryKeyHolder(key);
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameKeyName(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return i == a.size() && b[i] == '\0';
}

bool IsAnyOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names) {
        if (SameKeyName(name, candidate)) return true;
    }
    return false;
}

// Registry key names have no two-byte rule of their own, but the bytes are
// CP932 text: split with the same lead-byte walk as paths.
std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string rest = path;
    for (;;) {
        const std::ptrdiff_t last = FindLastSeparator(rest);
        if (last < 0) break;
        parts.insert(parts.begin(), rest.substr(static_cast<std::size_t>(last) + 1));
        rest.resize(static_cast<std::size_t>(last));
    }
    parts.insert(parts.begin(), rest);
    return parts;
}

}  // namespace

StepReason CheckRegistryKey(const std::string& path) {
    std::string key = path;
    RemoveTrailingSeparator(key);
    const std::vector<std::string> parts = SplitKeyPath(key);
    for (const std::string& part : parts) {
        if (part.empty()) return StepReason::EmptyComponent;
    }
    if (IsAnyOf(parts[0], {"SYSTEM", "HARDWARE", "SAM", "SECURITY", "BCD00000000"})) return StepReason::SystemKey;
    if (!SameKeyName(parts[0], "SOFTWARE")) return StepReason::None;
    if (parts.size() == 1) return StepReason::SystemKey;
    return IsAnyOf(parts[1], {"Microsoft", "Policies", "Classes", "Clients", "WOW6432Node"}) ? StepReason::SystemKey
                                                                                             : StepReason::None;
}

bool IsProtectedRegistryKey(const std::string& path) { return CheckRegistryKey(path) != StepReason::None; }

std::string MakeUninstallEntryPath(const std::string& registry) {
    std::string key = registry;
    RemoveTrailingSeparator(key);
    return std::string(kUninstallRoot) + kEntryPrefix + GetLastComponent(key);
}

void RemoveGameRegistryKey(const InstallerSettings& settings) {
    // An empty path would name HKEY_LOCAL_MACHINE itself; a tampered record
    // must not make an elevated run delete the system's own keys.
    if (settings.Registry.empty()) {
        ReportRefusal(StepKind::GameKey, settings.Registry, StepReason::EmptyKey);
        return;
    }
    if (const StepReason refusal = CheckRegistryKey(settings.Registry); refusal != StepReason::None) {
        ReportRefusal(StepKind::GameKey, settings.Registry, refusal);
        return;
    }
    {
        // Opening, not creating: a missing key means there is nothing to do.
        RegistryKeyHolder key = OpenKey(settings.Registry, KEY_ALL_ACCESS, StepKind::GameKey);
        if (!key.IsOpen()) return;
        (void)RegDeleteValueA(key.Get(), "InstallPath");
    }
    const LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, settings.Registry.c_str());
    ReportResult(StepKind::GameKey, settings.Registry, deleted);
    if (deleted != ERROR_SUCCESS) return;

    std::string key = settings.Registry;
    RemoveTrailingSeparator(key);
    const std::string parent = GetParentPath(key);
    if (parent.empty()) return;
    if (const StepReason refusal = CheckRegistryKey(parent); refusal != StepReason::None) {
        ReportRefusal(StepKind::ParentKey, parent, refusal);
        return;
    }
    DeleteKeyIfNoSubkeys(parent);
}

void DeleteKeyIfNoSubkeys(const std::string& path) {
    RegistryKeyHolder key = OpenKey(path, KEY_READ, StepKind::ParentKey);
    if (!key.IsOpen()) return;
    char name[kSubkeyNameBufferSize] = {};
    DWORD size = kSubkeyNameBufferSize;
    // Only a definite "no subkey" lets the key go; an enumeration that fails
    // for another reason proves nothing.
    const LONG enumerated = RegEnumKeyExA(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (enumerated != ERROR_NO_MORE_ITEMS) {
        ReportStep(StepReport{StepKind::ParentKey, path, StepOutcome::Stays,
                              enumerated == ERROR_SUCCESS ? StepReason::HoldsSubkeys : StepReason::None,
                              enumerated == ERROR_SUCCESS ? 0 : static_cast<DWORD>(enumerated), {}, {}});
        return;
    }
    ReportResult(StepKind::ParentKey, path, RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()));
}

bool RemoveUninstallEntry(const InstallerSettings& settings) {
    const std::string path = MakeUninstallEntryPath(settings.Registry);
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    {
        // Opening for change doubles as the check for administrator rights,
        // which is why a missing entry is created here and deleted again.
        HKEY raw = nullptr;
        const LONG opened = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            KEY_ALL_ACCESS, nullptr, &raw, &disposition);
        if (opened != ERROR_SUCCESS) {
            ReportResult(StepKind::UninstallEntry, path, opened);
            return false;
        }
        RegistryKeyHolder key(raw);
        for (const char* value : kUninstallValues) (void)RegDeleteValueA(key.Get(), value);
    }
    const LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    if (deleted == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY) {
        // Made by the check above and gone again: there was no entry.
        ReportStep(StepReport{StepKind::UninstallEntry, path, StepOutcome::NotThere, StepReason::None, 0, {}, {}});
    } else {
        ReportResult(StepKind::UninstallEntry, path, deleted);
    }
    return true;
}
