#include "uninstaller/removal/files_and_shortcuts.h"

#include "common/folders.h"
#include "platform/win32.h"
#include "uninstaller/removal/containment.h"

bool RemoveShortcut(const std::string& folder, const std::string& linkName) {
    if (folder.empty() || !IsSafeRelativePath(linkName)) return false;
    // The extension is appended whatever the name already ends in.
    const std::string relative = linkName + ".lnk";
    if (!IsWayFreeOfReparsePoints(folder, relative)) return false;
    const std::string path = JoinWithSeparator(folder, relative);

    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    (void)FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    return DeleteFileA(path.c_str()) != FALSE;
}

bool RemoveInstalledFile(const std::string& gameFolder, const std::string& relativePath) {
    if (!IsSafeRelativePath(relativePath)) return false;
    if (!IsWayFreeOfReparsePoints(gameFolder, relativePath)) return false;
    const std::string path = JoinWithSeparator(gameFolder, relativePath);
    return DeleteFileA(path.c_str()) != FALSE;
}

void RemoveDesktopShortcuts(const InstallerSettings& settings) {
    // Without the folder the names would land at the root of the current drive.
    const std::string desktop = GetCommonDesktopFolderPath();
    if (desktop.empty()) return;
    for (const ShortcutEntry& entry : settings.DesktopShortcut) (void)RemoveShortcut(desktop, entry.LinkName);
}

void RemoveProgramMenuShortcuts(const InstallerSettings& settings, const std::string& gameMenuFolder) {
    if (gameMenuFolder.empty()) return;
    for (const ShortcutEntry& entry : settings.Shortcut) (void)RemoveShortcut(gameMenuFolder, entry.LinkName);
}

void RemoveInstalledFiles(const std::string& gameFolder, const InstallFileList& files) {
    for (const InstallFileEntry& entry : files) (void)RemoveInstalledFile(gameFolder, entry.Path);
}
