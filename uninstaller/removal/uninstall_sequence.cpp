#include "uninstaller/removal/uninstall_sequence.h"

#include <optional>

#include "common/folders.h"
#include "common/paths.h"
#include "platform/win32.h"
#include "uninstaller/removal/containment.h"
#include "uninstaller/removal/files_and_shortcuts.h"
#include "uninstaller/removal/folders.h"
#include "uninstaller/removal/handover.h"
#include "uninstaller/removal/registry.h"

namespace {

const char kRecordFolderName[] = "InstallInfo";
const char kSettingsFileName[] = "Installer.ini";
const char kFileListFileName[] = "InstallFiles.ini";
const char kSaveFolderSettingFileName[] = "SaveFolderSetting.ini";

// A record file below the game folder, unless a link stands on its way.
void DeleteRecordFile(const std::string& gameFolder, const std::string& name) {
    const std::optional<std::string> path = ResolveRecordPath(gameFolder, JoinWithSeparator(kRecordFolderName, name));
    if (path) (void)DeleteFileA(path->c_str());
}

// The folder above the game folder goes only when it is named after the
// maker, is an ordinary folder and is empty.
void RemoveMakerFolder(const InstallerSettings& settings, const std::string& gameFolder) {
    std::string makerFolder = GetParentPath(gameFolder);
    if (makerFolder.empty()) return;
    RemoveTrailingSeparator(makerFolder);
    // A drive name ("D:") or an empty name is never a maker's folder.
    if (!IsSafeRelativePath(settings.DefaultGameMakerName)) return;
    if (GetLastComponent(makerFolder) != settings.DefaultGameMakerName) return;

    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(makerFolder.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    (void)FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
    (void)RemoveFolderOnce(makerFolder);
}

}  // namespace

bool RemoveInstallation(const InstallerSettings& settings, const InstallFileList& files,
                        const std::string& gameFolder) {
    // 1. Paths. The menu folders exist only when the common program-menu
    // folder is known and both names stay below it. An empty maker menu name
    // puts the game's menu folder straight into the program-menu folder.
    const std::string programsFolder = GetCommonProgramsFolderPath();
    const std::string& makerMenuRelative = settings.DefaultGameMakerProgramMenuName;
    // Both menu names must be names of their own, so that the game's menu
    // folder lies inside the maker's.
    const bool makerMenuUsable = makerMenuRelative.empty() || IsSafeRelativePath(makerMenuRelative);
    const bool gameMenuUsable = makerMenuUsable && IsSafeRelativePath(settings.GameName);
    const std::string gameMenuRelative =
        makerMenuRelative.empty() ? settings.GameName : JoinWithSeparator(makerMenuRelative, settings.GameName);
    const std::string recordFolder = JoinWithSeparator(gameFolder, kRecordFolderName);

    // 2, 3. Shortcuts; those in the menu only inside an ordinary game menu folder.
    RemoveDesktopShortcuts(settings);
    if (gameMenuUsable) {
        const std::optional<std::string> gameMenuFolder =
            ResolveRecordPath(programsFolder, gameMenuRelative, RecordPathUse::Inside);
        if (gameMenuFolder) RemoveProgramMenuShortcuts(settings, *gameMenuFolder);
    }
    // 4, 5. Menu folders, each only when empty; the program-menu folder
    // itself (an empty maker menu name) is the system's, never ours.
    if (gameMenuUsable) (void)RemoveFolderBelow(programsFolder, gameMenuRelative);
    if (makerMenuUsable && !makerMenuRelative.empty()) (void)RemoveFolderBelow(programsFolder, makerMenuRelative);

    // 6, 7. Installed files, then their folders deepest first.
    RemoveInstalledFiles(gameFolder, files);
    RemoveInstalledFolders(gameFolder, files);

    // 8. The records go only after everything they describe.
    DeleteRecordFile(gameFolder, kSaveFolderSettingFileName);
    DeleteRecordFile(gameFolder, kSettingsFileName);
    DeleteRecordFile(gameFolder, kFileListFileName);

    // 9, 10, 11. Record folder, game folder, maker folder: silent when they stay.
    (void)RemoveFolderOnce(recordFolder);
    (void)RemoveFolderOnce(gameFolder);
    RemoveMakerFolder(settings, gameFolder);

    // 12, 13. Registry; the uninstall entry decides the result.
    RemoveGameRegistryKey(settings);
    return RemoveUninstallEntry(settings);
}

bool UninstallGame(const std::string& gameFolder) {
    // Every path below is built from this folder; a relative one would
    // resolve against whatever the current folder happens to be.
    if (!IsAbsoluteFolderPath(gameFolder)) return false;

    const std::string recordFolder = JoinWithSeparator(gameFolder, kRecordFolderName);
    InstallerSettings settings;
    if (!ReadInstallerSettings(JoinWithSeparator(recordFolder, kSettingsFileName), settings)) return false;
    InstallFileList files;
    if (!ReadInstallFileList(JoinWithSeparator(recordFolder, kFileListFileName), files)) return false;
    if (const auto program = ResolveRecordPath(gameFolder, settings.UninstallerExeFileName)) {
        WaitForProgramFileToBeFree(*program);
    }
    return RemoveInstallation(settings, files, gameFolder);
}
