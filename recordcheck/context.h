// What the parts of one check share while they run: the simulated machine,
// the report being written, and what the records gave. Internal to the
// checker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim.h"
#include "recordcheck/findings.h"
#include "recordcheck/report.h"
#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/installer_settings.h"

namespace recordcheck {

extern const char kRecordFolder[];
extern const char kSettingsFile[];    // relative to the game folder
extern const char kFileListFile[];
extern const char kSaveSettingFile[];
extern const char kStartupFile[];
extern const char kUninstallerFile[];
extern const char kPrefclearFile[];

// What one game's installer wrote outside the game folder, as laid out.
struct InstallerWrote {
    std::string name;  // the game, for a finding's words (UTF-8)
    // A shortcut file, with the statement of Installer.ini that names it.
    struct Shortcut {
        std::string path;
        std::size_t index;  // among the Shortcut or DesktopShortcut statements
    };
    std::vector<Shortcut> desktop;
    std::vector<Shortcut> menu;
    std::string gameMenu;   // the menu folders ("" when none was made)
    std::string makerMenu;
    std::string gameKey;    // the keys below HKLM ("" when none was written)
    std::string entry;
};

// A record file's bytes as the check read them (let go once read), and
// their line starts.
struct RecordText {
    std::string bytes;
    LineIndex lines;
};

struct Context {
    Context(sim::Machine& m, Report& r) : machine(m), report(r) {}

    sim::Machine& machine;
    Report& report;
    std::string gameFolder;
    bool defaultPlacement = true;

    InstallerSettings settings;
    bool settingsRead = false;
    // The list as the check read it; let go before the uninstall's own run,
    // which reads its own (a long list would be held twice).
    InstallFileList files;
    std::size_t fileCount = 0;
    // After the uninstall: each entry's path as the uninstall took it,
    // relative to the game folder, in list order (views into its steps).
    std::vector<std::string_view> listed;
    bool filesRead = false;
    RecordText settingsText;
    RecordText filesText;
    // Where each statement of Installer.ini begins (its '#'), by key, in file
    // order; where each entry of InstallFiles.ini begins (its path's quote),
    // in list order. Known once the record has been read.
    std::map<std::string, std::vector<std::size_t>> statements;
    std::vector<std::uint32_t> entryOffsets;
    // What the installers wrote: this game's, and the other games' beside it.
    InstallerWrote wrote;
    std::vector<InstallerWrote> others;
    // Whether the game ships Prefclear: it is in the folder or listed.
    bool prefclearShipped = false;

    void Add(Finding finding) { report.findings.push_back(std::move(finding)); }
    // A path below the game folder relative to it; any other as it is.
    [[nodiscard]] std::string Relative(std::string_view path) const;
    // A finding placed at the last `key` statement of Installer.ini (or
    // its `index`th, from 0), at the file's head when there is none.
    [[nodiscard]] Finding AtStatement(Cause cause, const std::string& key, std::vector<std::string> arguments = {},
                                      std::size_t index = static_cast<std::size_t>(-1)) const;
    // A finding of `cause` that tells of uninstall step `step` in its words,
    // placed at InstallFiles.ini's entry `index`.
    [[nodiscard]] Finding OfStep(Cause cause, std::size_t step, std::size_t index) const;
};

}  // namespace recordcheck
