// The reset tool: find OrrinStart.ini, read it, ask, delete the five
// configuration files from the game's save-data folder, report.
#pragma once

#include <string>

#include "prefclear/ini_file.h"

// The folder in which OrrinStart.ini was found: also the folder of
// InstallInfo, and the save root's fallback. Set by LocateStartupFile.
extern std::string BaseFolder;
// The caption of every box ShowError shows; Run sets it first.
extern std::string MessageCaption;

// The files that are reset, in the order in which they are deleted.
inline constexpr const char* ConfigFileNames[] = {
    "3DConfig.vsf", "AFConfig.asd", "MouseCursorSetting.sav", "Volume.sav", "WindowSetting.sav",
};

// printf-style text (cut when longer than 16,383 bytes) in a topmost box with
// MessageCaption. Always false, so that a failing step can report and fail
// in one statement.
bool ShowError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The process's run: CApp::Run, then the exit code, always 0. Anything
// thrown (no memory) ends in the box "初期化に失敗しました" instead of in silence.
[[nodiscard]] int RunPrefclearProcess();

class CApp {
public:
    CApp();
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // The whole run. True when the files were deleted and the completion was
    // reported; false when it stopped early after a message.
    [[nodiscard]] bool Run();

    // Sets BaseFolder: the current folder when OrrinStart.ini is there,
    // otherwise the program's folder when it is there (which then becomes the
    // current folder), otherwise the current folder.
    void LocateStartupFile();
    // Loads BaseFolder\OrrinStart.ini into the settings.
    [[nodiscard]] bool ReadStartupSettings();
    // Asks whether to reset; on anything but OK reports the cancel.
    [[nodiscard]] bool ConfirmReset();
    // Deletes each of ConfigFileNames from root\<save-data subfolder>;
    // a file that cannot be deleted is left silently.
    void DeleteConfigFiles(const std::string& root);

    [[nodiscard]] const std::string& Caption() const { return caption_; }
    [[nodiscard]] startup::CIniFile& Settings() { return settings_; }

private:
    std::string caption_;
    startup::CIniFile settings_;
};
