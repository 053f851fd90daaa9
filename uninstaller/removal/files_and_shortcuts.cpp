#include "uninstaller/removal/files_and_shortcuts.h"

#include "common/folders.h"
#include "common/paths.h"
#include "common/step_report.h"
#include "platform/win32.h"
#include "uninstaller/removal/containment.h"

bool RemoveShortcut(const std::string& folder, const std::string& linkName, StepKind kind) {
    // The extension is appended whatever the name already ends in.
    const ResolvedPath path = ResolveRecordPath(folder, linkName, RecordPathUse::Entry, ".lnk");
    if (!path) {
        ReportRefusal(kind, path.path, path.refusal, path.at);
        return false;
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path.path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        ReportCall(kind, path.path, false);
        return false;
    }
    (void)FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ReportStep(StepReport{kind, path.path, StepOutcome::Stays, StepReason::FolderInPlace, 0, {}, {}});
        return false;
    }
    const bool deleted = DeleteFileA(path.path.c_str()) != FALSE;
    ReportCall(kind, path.path, deleted);
    return deleted;
}

bool RemoveInstalledFile(const std::string& gameFolder, const std::string& relativePath) {
    const ResolvedPath path = ResolveRecordPath(gameFolder, relativePath);
    if (!path) {
        ReportRefusal(StepKind::InstalledFile, path.path, path.refusal, path.at);
        return false;
    }
    const bool deleted = DeleteFileA(path.path.c_str()) != FALSE;
    ReportCall(StepKind::InstalledFile, path.path, deleted);
    return deleted;
}

void RemoveDesktopShortcuts(const InstallerSettings& settings) {
    // Without the folder nothing is resolved (see ResolveRecordPath).
    const std::string desktop = GetCommonDesktopFolderPath();
    for (const ShortcutEntry& entry : settings.DesktopShortcut) {
        (void)RemoveShortcut(desktop, entry.LinkName, StepKind::DesktopShortcut);
    }
}

void RemoveProgramMenuShortcuts(const InstallerSettings& settings, const std::string& gameMenuFolder) {
    for (const ShortcutEntry& entry : settings.Shortcut) {
        (void)RemoveShortcut(gameMenuFolder, entry.LinkName, StepKind::MenuShortcut);
    }
}

void RemoveInstalledFiles(const std::string& gameFolder, const InstallFileList& files) {
    for (const InstallFileEntry& entry : files) (void)RemoveInstalledFile(gameFolder, entry.Path);
}

void RefuseProgramMenuShortcuts(const InstallerSettings& settings, const std::string& gameMenuFolder,
                                StepReason reason, const std::string& at, const std::string& field) {
    if (!IsStepReporterSet()) return;
    for (const ShortcutEntry& entry : settings.Shortcut) {
        ReportRefusal(StepKind::MenuShortcut, JoinWithSeparator(gameMenuFolder, entry.LinkName + ".lnk"), reason, at,
                      field);
    }
}
