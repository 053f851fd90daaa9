#include "recordcheck/check.h"

#include "common/folders.h"
#include "common/paths.h"
#include "platform/sim.h"
#include "recordcheck/causes.h"
#include "recordcheck/context.h"
#include "recordcheck/encoding.h"
#include "recordcheck/host_folder.h"
#include "recordcheck/installed.h"
#include "recordcheck/layout.h"
#include "recordcheck/mirror.h"
#include "recordcheck/records.h"
#include "recordcheck/runs.h"
#include "recordcheck/unlisted.h"

namespace recordcheck {

namespace {

// Another game of the maker beside this one, as its own installer left it.
bool LayOutOtherGame(Context& c, const std::string& hostFolder, std::string& error) {
    InstallerSettings settings;
    const bool read = ReadPlacementSettings(hostFolder, settings);
    std::string name = read && IsWindowsName(settings.DefaultGameFolderName) ? settings.DefaultGameFolderName
                                                                             : std::string();
    if (name.empty()) {
        const WindowsName host = WindowsNameFromHost(HostBaseName(hostFolder));
        name = host.representable && IsWindowsName(host.bytes) ? host.bytes : "Other";
    }
    const std::string folder = JoinWithSeparator(GetParentPath(c.gameFolder), name);
    if (c.machine.Exists(folder)) {
        error = "another game would lie where the game or another one lies: " + Utf8FromCp932(folder);
        return false;
    }
    const MirrorResult mirror = MirrorFolder(hostFolder, folder);
    if (!mirror.ok) {
        error = mirror.error;
        return false;
    }
    if (read) c.others.push_back(LayOutWhatTheInstallerWrote(c.machine, settings, folder));
    c.report.otherGames.push_back(folder);
    return true;
}

// Prefclear's dry run deletes what it resets; what it deleted in the game
// folder (a save folder kept there) is put back for the uninstall to find.
void PutBackWhatPrefclearDeleted(Context& c) {
    const std::string prefix = JoinWithSeparator(c.gameFolder, std::string());
    for (const Step& step : c.report.prefclear.steps) {
        if (step.outcome == StepOutcome::Removed && step.path.compare(0, prefix.size(), prefix) == 0) {
            c.machine.AddFile(std::string(step.path));
        }
    }
}

// The boxes a record fault shows the player: Installer.ini's, the one box of
// the Uninstaller as the player starts it; InstallFiles.ini's, the question
// and the failure the temporary copy then reports.
void AttachRecordBoxes(Context& c) {
    for (Finding& finding : c.report.findings) {
        if (finding.severity != Severity::Error) continue;
        if (finding.file == kSettingsFile) {
            finding.shows = c.report.asking.boxes;
        } else if (finding.file == kFileListFile) {
            finding.shows = c.report.asking.boxes;
            if (!c.report.removing.boxes.empty()) finding.shows.push_back(c.report.removing.boxes.back());
        }
    }
}

}  // namespace

bool CheckGameFolder(const CheckOptions& options, Report& report, std::string& error) {
    InstallerSettings placementSettings;
    const bool placementRead = ReadPlacementSettings(options.hostFolder, placementSettings);

    sim::Machine machine;
    machine.SetJournaling(false);  // the steps are reported; nothing reads the calls back
    Context c(machine, report);
    report = Report();
    report.language = options.language;
    report.hostFolder = options.hostFolder;
    c.defaultPlacement = options.installPath.empty();
    c.gameFolder = ChooseGameFolder(options, placementRead ? &placementSettings : nullptr, report.placement);
    if (options.installed != nullptr) report.placement = "where it is installed on this machine";
    report.gameFolder = c.gameFolder;
    if (!options.keys.gameKey) report.notInstalled.emplace_back("game key");
    if (!options.keys.uninstallEntry) report.notInstalled.emplace_back("uninstall entry");
    const MirrorResult mirror = MirrorFolder(options.hostFolder, c.gameFolder);
    if (!mirror.ok) {
        error = mirror.error;
        return false;
    }
    for (const std::string& other : options.otherGames) {
        if (!LayOutOtherGame(c, other, error)) return false;
    }
    AddFolderFindings(c, mirror);

    CheckUninstallerRecords(c);
    CheckSaveFolderSetting(c);
    if (c.settingsRead) {
        CheckSettingsValues(c);
        c.wrote = options.installed != nullptr ? LayOutInstallation(c, *options.installed)
                                               : LayOutWhatTheInstallerWrote(machine, c.settings, c.gameFolder, options.keys);
    }
    const std::size_t beforePrefclear = report.findings.size();
    RunPrefclear(c);
    if (!c.prefclearShipped) {
        // A game without Prefclear is not held to what Prefclear would say.
        report.prefclearShipped = false;
        for (std::size_t i = 0; i < report.findings.size(); ++i) {
            // Its findings, and those of the save-folder setting, which only it reads.
            if (i >= beforePrefclear || report.findings[i].file == kSaveSettingFile) {
                report.findings[i].severity = Severity::Note;
            }
        }
    }
    PutBackWhatPrefclearDeleted(c);
    RunAskingMode(c);
    InstallFileList().swap(c.files);
    RunRemovingMode(c);
    AttachRecordBoxes(c);
    if (c.settingsRead && c.filesRead) {
        bool utf8List = false;
        for (const Finding& finding : report.findings) {
            utf8List = utf8List || (finding.cause == Cause::EncodingMisread && finding.file == kFileListFile);
        }
        AddStepFindings(c);
        FindUnlisted(c, utf8List);
        CheckOtherGames(c);
        CheckLeftShortcuts(c);
        GroupByCause(c, utf8List);
    }
    return true;
}

}  // namespace recordcheck
