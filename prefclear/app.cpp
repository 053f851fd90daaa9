#include "prefclear/app.h"

#include <cstdarg>
#include <cstring>

#include "common/paths.h"
#include "common/step_report.h"
#include "common/text.h"
#include "platform/win32.h"
#include "prefclear/path_helpers.h"
#include "prefclear/save_folder.h"

std::string BaseFolder;
std::string MessageCaption;

namespace {

const char kCaption[] = "コンフィグ設定初期化";
const char kStartupFileName[] = "OrrinStart.ini";
const char kParseError[] = "【 %s 】解析エラー";
const char kQuestion[] =
    "このプログラムは、『%s』のコンフィグ設定を初期化するものです。\n初期化してもよろしいですか？\n\n"
    "※その他のセーブデータは削除されません";
const char kCancelled[] = "中止しました";
const char kDone[] = "初期化しました";
const char kFailed[] = "初期化に失敗しました";

// The text a buffer of `size` bytes holds (a NUL ends it, or the buffer's end).
std::string TextOf(const char* buffer, std::size_t size) {
    const auto* nul = static_cast<const char*>(std::memchr(buffer, '\0', size));
    return std::string(buffer, nul != nullptr ? static_cast<std::size_t>(nul - buffer) : size);
}

}  // namespace

bool ShowError(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatTextV(format, arguments);
    va_end(arguments);
    (void)MessageBoxA(nullptr, text.c_str(), MessageCaption.c_str(), MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
    return false;
}

CApp::CApp() : caption_(kCaption) {}

CApp::~CApp() = default;

int RunPrefclearProcess() {
    try {
        CApp app;
        (void)app.Run();
    } catch (...) {
        // The last resort: memory ran out where no step could report it
        // (a file that cannot be held is reported as unreadable), perhaps
        // with some of the files already deleted. Nothing is formatted here;
        // the user learns that the reset failed, not that nothing happened.
        (void)MessageBoxA(nullptr, kFailed, kCaption, MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
    }
    return 0;
}

bool CApp::Run() {
    MessageCaption = caption_;
    LocateStartupFile();
    if (!ReadStartupSettings()) return false;
    if (!ConfirmReset()) return false;
    const SaveFolderLocation location = ReadSaveFolderSetting();
    DeleteConfigFiles(BuildSaveFolderPath(settings_, location));
    (void)MessageBoxA(nullptr, kDone, caption_.c_str(), MB_OK);
    return true;
}

void CApp::LocateStartupFile() {
    char current[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
    // Without a usable current folder, "." still names it: an empty
    // BaseFolder would make the game-folder save root the drive's root.
    BaseFolder = length != 0 && length < MAX_PATH ? TextOf(current, MAX_PATH) : std::string(".");
    if (IsExistingFile(JoinPath(BaseFolder, kStartupFileName))) return;

    char program[MAX_PATH + 1] = {};
    const DWORD programLength = GetModuleFileNameA(nullptr, program, MAX_PATH);
    // A cut program path names no real folder, and an empty folder would
    // make the lookup below search the drive's root.
    if (programLength == 0 || programLength >= MAX_PATH) return;
    const std::string folder = GetParentPath(TextOf(program, MAX_PATH));
    if (folder.empty()) return;
    if (IsExistingFile(folder + "\\" + kStartupFileName)) {
        (void)SetCurrentDirectoryA(folder.c_str());
        BaseFolder = folder;
    }
}

bool CApp::ReadStartupSettings() {
    const std::string path = JoinPath(BaseFolder, kStartupFileName);
    if (!settings_.Load(path)) return false;
    // The game's name and its save-data subfolder are joined below the save
    // root before files are deleted there; a ".." in either would delete
    // another folder's files.
    if (ClimbsOutOfFolder(settings_.GameName) || ClimbsOutOfFolder(settings_.SaveFolder)) {
        return ShowError(kParseError, path.c_str());
    }
    return true;
}

bool CApp::ConfirmReset() {
    const std::string question = FormatText(kQuestion, settings_.GetGameName());
    if (MessageBoxA(nullptr, question.c_str(), caption_.c_str(), MB_OKCANCEL) == IDOK) return true;
    (void)MessageBoxA(nullptr, kCancelled, caption_.c_str(), MB_OK);
    return false;
}

void CApp::DeleteConfigFiles(const std::string& root) {
    for (const char* name : ConfigFileNames) {
        // The subfolder is asked for afresh for each file.
        const std::string path = WithTrailingBackslash(root) + WithTrailingBackslash(settings_.GetSaveFolder()) + name;
        // Missing, read-only or in use: left, next one.
        ReportCall(StepKind::ConfigFile, path, DeleteFileA(path.c_str()) != FALSE);
    }
}
