#include "uninstaller/removal/files_and_shortcuts.h"

#include <optional>

#include "common/folders.h"
#include "platform/win32.h"
#include "uninstaller/removal/containment.h"

bool RemoveShortcut(const std::string& folder, const std::string& linkName) {
    // The extension is appended whatever the name already ends in.
    const std::optional<std::string> path = ResolveRecordPath(folder, linkName, RecordPathUse::Entry, ".lnk");
    if (!path) return false;

    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path->c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    (void)FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    return DeleteFileA(path->c_str()) != FALSE;
}

bool RemoveInstalledFile(const std::string& gameFolder, const std::string& relativePath) {
    const std::optional<std::string> path = ResolveRecordPath(gameFolder, relativePath);
    return path && DeleteFileA(path->c_str()) != FALSE;
}

void RemoveDesktopShortcuts(const InstallerSettings& settings) {
    // Without the folder nothing is resolved (see ResolveRecordPath).
    const std::string desktop = GetCommonDesktopFolderPath();
    for (const ShortcutEntry& entry : settings.DesktopShortcut) (void)RemoveShortcut(desktop, entry.LinkName);
}

void RemoveProgramMenuShortcuts(const InstallerSettings& settings, const std::string& gameMenuFolder) {
    for (const ShortcutEntry& entry : settings.Shortcut) (void)RemoveShortcut(gameMenuFolder, entry.LinkName);
}

void RemoveInstalledFiles(const std::string& gameFolder, const InstallFileList& files) {
    for (const InstallFileEntry& entry : files) (void)RemoveInstalledFile(gameFolder, entry.Path);
}
