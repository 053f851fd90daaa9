#include "uninstaller/driver/run_uninstaller.h"

#include <cstdarg>
#include <cstdlib>
#include <vector>

#include "common/folders.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/win32.h"
#include "uninstaller/driver/command_line.h"
#include "uninstaller/driver/relaunch.h"
#include "uninstaller/records/installer_settings.h"
#include "uninstaller/removal/uninstall_sequence.h"

const char* const kUninstallerCaption = "Uninstaller";

namespace {

constexpr UINT kErrorStyle = MB_OK | MB_SETFOREGROUND | MB_TOPMOST;
const char kUninstallFailed[] = "アンインストールに失敗しました";

// Asking mode: name the game, ask, and hand the work to the temporary copy.
bool AskAndRelaunch() {
    const std::string programFolder = GetParentPath(GetModuleFilePath());
    std::string settingsPath = programFolder;
    RemoveTrailingSeparator(settingsPath);
    AddTrailingSeparator(settingsPath);
    settingsPath += "InstallInfo";
    AddTrailingSeparator(settingsPath);
    settingsPath += "Installer.ini";

    // Without its own folder (a program path that does not fit MAX_PATH) the
    // path above would be relative to the root of the current drive, where
    // another game's records may lie: nothing is read.
    InstallerSettings settings;
    if (programFolder.empty() || !ReadInstallerSettings(settingsPath, settings)) {
        return ShowMessage("インストーラ設定ファイル【%s】\n読み込みに失敗しました", settingsPath.c_str());
    }

    const std::string question = FormatText(
        "『%s』をアンインストールします。\nよろしいですか？\n\n※セーブデータは各ユーザーアカウントごとに残ります",
        settings.GameName.c_str());
    if (MessageBoxA(nullptr, question.c_str(), kUninstallerCaption, MB_YESNO) != IDYES) return true;
    return RelaunchFromTemp();
}

// Removing mode: uninstall the given folder without asking, then report.
bool Uninstall(std::string gameFolder) {
    RemoveTrailingSeparator(gameFolder);
    if (!UninstallGame(gameFolder)) return ShowMessage("%s", kUninstallFailed);
    (void)MessageBoxA(nullptr, "アンインストールが完了しました", kUninstallerCaption, MB_OK);
    return true;
}

}  // namespace

bool ShowMessage(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatTextV(format, arguments);
    va_end(arguments);
    (void)MessageBoxA(nullptr, text.c_str(), kUninstallerCaption, kErrorStyle);
    return false;
}

bool ShowFixedMessage(const char* text) {
    (void)MessageBoxA(nullptr, text, kUninstallerCaption, kErrorStyle);
    return false;
}

bool RunUninstaller(const std::string& commandLine) {
    // Seeded once per run; the generator only names the temporary files.
    std::srand(static_cast<unsigned>(GetTickCount()));

    std::vector<CommandLineParameter> parameters;
    if (!ParseCommandLine(commandLine, parameters)) return ShowMessage("コマンドラインの解析に失敗しました");
    if (parameters.empty()) return AskAndRelaunch();

    // Only the first item decides; any others are ignored.
    const CommandLineParameter& first = parameters.front();
    if (first.Name != "F") {
        return ShowMessage("未定義のパラメータ【 %s 】で、アンインストーラが実行されました", first.Name.c_str());
    }
    return Uninstall(first.Value);
}

int RunUninstallerProcess(const char* processCommandLine) {
    // Not WinMain's lpCmdLine: the start-up code finds it by comparing bytes
    // as signed chars, so an unquoted program path with Japanese characters
    // would leave part of itself in front of the arguments.
    try {
        const std::string arguments = SkipProgramName(processCommandLine != nullptr ? processCommandLine : "");
        return RunUninstaller(arguments) ? 0 : -1;
    } catch (...) {
        // The last resort: memory ran out where no step could report it (the
        // record readers report their own files). Nothing is formatted here,
        // and the run is a failure, whatever part of it was done.
        (void)ShowFixedMessage(kUninstallFailed);
        return -1;
    }
}
