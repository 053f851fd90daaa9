// Removes the game's own registry key and its entry in the system's list of
// installed programs, both below HKEY_LOCAL_MACHINE in the view the program
// runs in.
#pragma once

#include <string>

#include "common/step_report.h"
#include "platform/win32.h"
#include "uninstaller/records/installer_settings.h"

// Owns one open registry key, or none. Move-only.
class RegistryKeyHolder {
public:
    RegistryKeyHolder() = default;
    explicit RegistryKeyHolder(HKEY key) : key_(key) {}
    ~RegistryKeyHolder() { Release(); }
    RegistryKeyHolder(RegistryKeyHolder&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    RegistryKeyHolder& operator=(RegistryKeyHolder&& other) noexcept {
        if (this != &other) {
            Release();
            key_ = other.key_;
            other.key_ = nullptr;
        }
        return *this;
    }
    RegistryKeyHolder(const RegistryKeyHolder&) = delete;
    RegistryKeyHolder& operator=(const RegistryKeyHolder&) = delete;

    [[nodiscard]] bool IsOpen() const { return key_ != nullptr; }
    [[nodiscard]] HKEY Get() const { return key_; }
    // Closes the key when there is one; the holder is empty afterwards.
    void Release() {
        if (key_ != nullptr) (void)RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// The uninstall entry's key path below HKEY_LOCAL_MACHINE for `Registry`.
[[nodiscard]] std::string MakeUninstallEntryPath(const std::string& registry);

// Deletes the game key's "InstallPath", then the key, then its parent when
// that has no subkeys. Opens the existing key only: never creates one.
void RemoveGameRegistryKey(const InstallerSettings& settings);
// True for a key path the uninstaller must never delete on a record file's
// word: an empty component, the system's own hives (SYSTEM, HARDWARE, SAM,
// SECURITY, BCD00000000), SOFTWARE itself, or the system's parts of it
// (Microsoft, Policies, Classes, Clients, WOW6432Node). Names compare
// case-insensitively, as the registry does.
[[nodiscard]] bool IsProtectedRegistryKey(const std::string& path);
// The same, naming why: StepReason::EmptyComponent for an empty component (a
// leading, doubled or trailing-and-more backslash), StepReason::SystemKey for
// a key of the system's, StepReason::None for a key the uninstall may delete.
[[nodiscard]] StepReason CheckRegistryKey(const std::string& path);
// Deletes the key at `path` when it has no subkeys (values do not count).
void DeleteKeyIfNoSubkeys(const std::string& path);
// Empties and deletes the uninstall entry. False when its key could not be
// opened for change (for example without administrator rights).
[[nodiscard]] bool RemoveUninstallEntry(const InstallerSettings& settings);
