#include "uninstaller/removal/uninstall_sequence.h"

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
const char kDefaultUninstallerFileName[] = "Uninstaller.exe";

// A record file below the game folder, unless a link stands on its way.
void DeleteRecordFile(const std::string& gameFolder, const std::string& name) {
    const ResolvedPath path = ResolveRecordPath(gameFolder, JoinWithSeparator(kRecordFolderName, name));
    if (!path) {
        ReportRefusal(StepKind::RecordFile, path.path, path.refusal, path.at);
        return;
    }
    ReportCall(StepKind::RecordFile, path.path, DeleteFileA(path.path.c_str()) != FALSE);
}

// The folder above the game folder goes only when it is named after the
// maker, is an ordinary folder and is empty.
void RemoveMakerFolder(const InstallerSettings& settings, const std::string& gameFolder) {
    std::string makerFolder = GetParentPath(gameFolder);
    RemoveTrailingSeparator(makerFolder);
    // A drive name ("D:") or an empty name is never a maker's folder.
    if (makerFolder.empty() || !IsSafeRelativePath(settings.DefaultGameMakerName) ||
        GetLastComponent(makerFolder) != settings.DefaultGameMakerName) {
        ReportRefusal(StepKind::MakerFolder, makerFolder, StepReason::NotMakerName);
        return;
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(makerFolder.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        ReportCall(StepKind::MakerFolder, makerFolder, false);
        return;
    }
    (void)FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ReportRefusal(StepKind::MakerFolder, makerFolder, StepReason::NotAFolder);
        return;
    }
    (void)RemoveFolderOnce(makerFolder, StepKind::MakerFolder);
}

// Where the game's menu folder lies: program-menu folder, the maker's menu
// name unless it is empty, then the game's name. `refusal` and `field` name
// the record value that keeps the uninstall out of it: both names must be
// names of their own, so that the game's menu folder lies inside the maker's.
struct MenuFolders {
    std::string makerRelative;
    std::string gameRelative;
    StepReason makerRefusal = StepReason::None;  // of the maker's menu name alone
    StepReason refusal = StepReason::None;
    const char* field = "";
};

MenuFolders PlaceMenuFolders(const InstallerSettings& settings) {
    // The names are joined with AddTrailingSeparator, so one separator at
    // the end of either names the same folder as without it.
    std::string gameName = settings.GameName;
    RemoveTrailingSeparator(gameName);
    MenuFolders menu;
    menu.makerRelative = settings.DefaultGameMakerProgramMenuName;
    RemoveTrailingSeparator(menu.makerRelative);
    menu.gameRelative = menu.makerRelative.empty() ? gameName : JoinWithSeparator(menu.makerRelative, gameName);
    if (!menu.makerRelative.empty()) {
        menu.makerRefusal = CheckRelativePath(menu.makerRelative);
        menu.refusal = menu.makerRefusal;
        menu.field = "DefaultGameMakerProgramMenuName";
    }
    if (menu.refusal == StepReason::None) {
        menu.refusal = CheckRelativePath(gameName);
        menu.field = "GameName";
    }
    if (menu.refusal == StepReason::None) menu.field = "";
    return menu;
}

// Steps 2 to 5: the shortcuts, then the game's and the maker's menu folder,
// each folder only when empty. The program-menu folder itself (an empty
// maker menu name) is the system's, never ours.
void RemoveShortcutsAndMenuFolders(const InstallerSettings& settings) {
    const std::string programsFolder = GetCommonProgramsFolderPath();
    const MenuFolders menu = PlaceMenuFolders(settings);
    const std::string gameMenuNamed = JoinWithSeparator(programsFolder, menu.gameRelative);

    RemoveDesktopShortcuts(settings);
    if (menu.refusal != StepReason::None) {
        RefuseProgramMenuShortcuts(settings, gameMenuNamed, menu.refusal, std::string(), menu.field);
        ReportRefusal(StepKind::GameMenuFolder, gameMenuNamed, menu.refusal, std::string(), menu.field);
    } else {
        // The shortcuts only inside an ordinary game menu folder.
        const ResolvedPath gameMenu = ResolveRecordPath(programsFolder, menu.gameRelative, RecordPathUse::Inside);
        if (gameMenu) {
            RemoveProgramMenuShortcuts(settings, gameMenu.path);
        } else {
            // A link or an unreadable entry in the menu folder's own place
            // stands on the way of every shortcut in it.
            const bool itself = gameMenu.refusal == StepReason::IsLink || gameMenu.refusal == StepReason::Unreadable;
            const StepReason onTheWay = gameMenu.refusal == StepReason::IsLink       ? StepReason::LinkOnTheWay
                                        : gameMenu.refusal == StepReason::Unreadable ? StepReason::UnknownOnTheWay
                                                                                     : gameMenu.refusal;
            RefuseProgramMenuShortcuts(settings, gameMenu.path, onTheWay, itself ? gameMenu.path : gameMenu.at,
                                       std::string());
        }
        (void)RemoveFolderBelow(programsFolder, menu.gameRelative, StepKind::GameMenuFolder);
    }
    const std::string makerMenuNamed = JoinWithSeparator(programsFolder, menu.makerRelative);
    if (menu.makerRelative.empty()) {
        ReportRefusal(StepKind::MakerMenuFolder, programsFolder, StepReason::ProgramMenuItself);
    } else if (menu.makerRefusal != StepReason::None) {
        ReportRefusal(StepKind::MakerMenuFolder, makerMenuNamed, menu.makerRefusal, std::string(),
                      "DefaultGameMakerProgramMenuName");
    } else {
        (void)RemoveFolderBelow(programsFolder, menu.makerRelative, StepKind::MakerMenuFolder);
    }
}

// The program file of the uninstaller that asked the player: the one the
// records name, or Uninstaller.exe when they name none that is there (an
// empty or stale record must not spare the copy its wait).
std::string AskingProgramFile(const std::string& gameFolder, const InstallerSettings& settings) {
    const ResolvedPath named = ResolveRecordPath(gameFolder, settings.UninstallerExeFileName);
    if (named) {
        const DWORD attributes = GetFileAttributesA(named.path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return named.path;
    }
    return JoinWithSeparator(gameFolder, kDefaultUninstallerFileName);
}

}  // namespace

bool RemoveInstallation(const InstallerSettings& settings, const InstallFileList& files,
                        const std::string& gameFolder) {
    // 1 to 5. The shortcuts and the menu folders.
    RemoveShortcutsAndMenuFolders(settings);

    // 6, 7. Installed files, then their folders deepest first.
    RemoveInstalledFiles(gameFolder, files);
    RemoveInstalledFolders(gameFolder, files);

    // 8. The records go only after everything they describe.
    DeleteRecordFile(gameFolder, kSaveFolderSettingFileName);
    DeleteRecordFile(gameFolder, kSettingsFileName);
    DeleteRecordFile(gameFolder, kFileListFileName);

    // 9, 10, 11. Record folder, game folder, maker folder: silent when they stay.
    (void)RemoveFolderOnce(JoinWithSeparator(gameFolder, kRecordFolderName), StepKind::RecordFolder);
    (void)RemoveFolderOnce(gameFolder, StepKind::GameFolder);
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
    WaitForProgramFileToBeFree(AskingProgramFile(gameFolder, settings));
    return RemoveInstallation(settings, files, gameFolder);
}
