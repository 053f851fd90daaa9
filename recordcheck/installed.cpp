#include "recordcheck/installed.h"

#include "common/folders.h"
#include "common/paths.h"
#include "common/sjis.h"
#include "platform/win32.h"
#include "recordcheck/context.h"
#include "recordcheck/encoding.h"
#include "recordcheck/layout.h"
#include "uninstaller/removal/containment.h"
#include "uninstaller/removal/registry.h"

namespace recordcheck {

namespace {

// Keys laid out with their values, each written through the registry calls
// as the installer wrote them.
void LayOutKeys(const std::vector<InstalledKey>& keys) {
    for (const InstalledKey& key : keys) {
        HKEY handle = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &handle, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        for (const InstalledValue& value : key.values) {
            (void)RegSetValueExA(handle, value.name.c_str(), 0, value.type,
                                 reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
        }
        (void)RegCloseKey(handle);
    }
}

// The entries of a real folder beside what is laid out already, so that the
// uninstall finds a folder as full as it is: files as files, folders empty.
void LayOutNeighbours(sim::Machine& sim, const InstalledMachine& machine, const std::string& folder) {
    std::vector<InstalledEntry> entries;
    if (!machine.List(folder, entries)) return;
    for (const InstalledEntry& entry : entries) {
        const std::string path = JoinWithSeparator(folder, entry.name);
        if (sim.Exists(path)) continue;
        if (entry.folder) {
            sim.AddFolder(path);
        } else {
            sim.AddFile(path);
        }
    }
}

// A key in the 32-bit view, which the Uninstaller sees, laid out; or why not.
enum class KeyState { Laid, Only64, Absent };

// `keys`: what was read of the 32-bit view, the key itself first.
KeyState LayOutKey(const InstalledMachine& machine, const std::string& path, std::vector<InstalledKey>& keys) {
    keys = machine.ReadKeyTree(RegistryView::Bits32, path, true);
    if (!keys.empty()) {
        LayOutKeys(keys);
        return KeyState::Laid;
    }
    return machine.ReadKeyTree(RegistryView::Bits64, path, false).empty() ? KeyState::Absent : KeyState::Only64;
}

const InstalledValue* FindValue(const std::vector<InstalledKey>& keys, const char* name) {
    if (keys.empty()) return nullptr;
    for (const InstalledValue& value : keys.front().values) {
        if (FoldForComparison(value.name) == FoldForComparison(name)) return &value;
    }
    return nullptr;
}

// The entry's UninstallString against the command the list of installed
// programs must run: this game's Uninstaller, its path in double quotes
// (arguments may follow).
// The Uninstaller of this game folder, as UninstallString names it.
std::string UninstallerPath(const Context& c) {
    return JoinWithSeparator(c.gameFolder, c.settings.UninstallerExeFileName.empty() ? "Uninstaller.exe"
                                                                                    : c.settings.UninstallerExeFileName);
}

void CheckUninstallString(Context& c, const std::vector<InstalledKey>& entry) {
    const std::string path = UninstallerPath(c);
    const std::string wanted = "\"" + path + "\"";
    const InstalledValue* value = FindValue(entry, "UninstallString");
    if (value == nullptr || (value->type != REG_SZ && value->type != REG_EXPAND_SZ) || value->data.size() <= 1) {
        c.Add(c.AtStatement(Cause::UninstallStringMissing, "UninstallerExeFileName", {Utf8FromCp932(wanted)}));
        return;
    }
    std::string command = value->data.substr(0, value->data.find('\0'));
    const std::string folded = FoldForComparison(command);
    const std::string foldedWanted = FoldForComparison(wanted);
    if (folded.compare(0, foldedWanted.size(), foldedWanted) == 0 &&
        (folded.size() == foldedWanted.size() || folded[foldedWanted.size()] == ' ')) {
        return;
    }
    const Cause cause = folded.compare(0, path.size(), FoldForComparison(path)) == 0 ? Cause::UninstallStringUnquoted
                                                                                   : Cause::UninstallStringOther;
    c.Add(c.AtStatement(cause, "UninstallerExeFileName", {Utf8FromCp932(command), Utf8FromCp932(wanted)}));
}

void LayOutRegistry(Context& c, const InstalledMachine& machine, InstallerWrote& wrote) {
    const std::string& registry = c.settings.Registry;
    if (registry.empty()) return;
    // The parent's other subkeys: the Uninstaller removes the parent only
    // when nothing else is below it.
    const std::string parent = GetParentPath(registry);
    if (!parent.empty()) {
        std::vector<InstalledKey> siblings = machine.ReadKeyTree(RegistryView::Bits32, parent, false);
        for (InstalledKey& sibling : siblings) sibling.values.clear();
        LayOutKeys(siblings);
    }
    std::vector<InstalledKey> keys;
    switch (LayOutKey(machine, registry, keys)) {
        case KeyState::Laid: wrote.gameKey = registry; break;
        case KeyState::Only64: c.Add(c.AtStatement(Cause::GameKeyOnly64, "Registry", {Utf8FromCp932(registry)})); break;
        case KeyState::Absent:
            c.Add(c.AtStatement(Cause::GameKeyNotInstalled, "Registry", {Utf8FromCp932(registry)}));
            break;
    }
    const std::string entry = MakeUninstallEntryPath(registry);
    switch (LayOutKey(machine, entry, keys)) {
        case KeyState::Laid:
            wrote.entry = entry;
            CheckUninstallString(c, keys);
            break;
        case KeyState::Only64: c.Add(c.AtStatement(Cause::EntryOnly64, "Registry", {Utf8FromCp932(entry)})); break;
        case KeyState::Absent:
            c.Add(c.AtStatement(Cause::EntryNotInstalled, "Registry",
                                {Utf8FromCp932(entry), Utf8FromCp932("\"" + UninstallerPath(c) + "\"")}));
            break;
    }
}

// One shortcut the records name: laid out when it is where the Uninstaller
// looks; otherwise a finding, which says whether it went to this user's
// folder instead. `userFolder` is the same place below the user's folder.
bool LayOutShortcut(Context& c, const InstalledMachine& machine, const std::string& path, const std::string& userPath,
                    const char* key, std::size_t index) {
    if (machine.Exists(path)) return PlaceFile(c.machine, path);
    if (!userPath.empty() && machine.Exists(userPath)) {
        c.Add(c.AtStatement(Cause::ShortcutElsewhere, key, {Utf8FromCp932(path), Utf8FromCp932(userPath)}, index));
    } else {
        c.Add(c.AtStatement(Cause::ShortcutMissing, key, {Utf8FromCp932(path)}, index));
    }
    return false;
}

std::string InFolder(const std::string& folder, const std::string& relative) {
    return folder.empty() ? std::string() : JoinWithSeparator(folder, relative);
}

}  // namespace

InstallerWrote LayOutInstallation(Context& c, const InstalledMachine& machine) {
    const InstallerSettings& settings = c.settings;
    InstallerWrote wrote;
    wrote.name = Utf8FromCp932(settings.GameName.empty() ? c.gameFolder : settings.GameName + " in " + c.gameFolder);
    for (const int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS}) {
        const std::string folder = machine.SpecialFolder(csidl);
        if (folder.empty()) {
            c.machine.MakeSpecialFolderUnavailable(csidl);
        } else {
            c.machine.SetSpecialFolder(csidl, folder);
        }
    }
    // What stands beside the game folder: the maker's folder goes only when
    // nothing else is in it.
    LayOutNeighbours(c.machine, machine, GetParentPath(c.gameFolder));

    const std::string desktop = GetCommonDesktopFolderPath();
    const std::string userDesktop = machine.SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    for (std::size_t i = 0; i < settings.DesktopShortcut.size(); ++i) {
        const std::string file = ShortcutFileName(settings.DesktopShortcut[i].LinkName);
        if (file.empty() || desktop.empty()) continue;
        const std::string path = JoinWithSeparator(desktop, file);
        if (LayOutShortcut(c, machine, path, InFolder(userDesktop, file), "DesktopShortcut", i)) {
            wrote.desktop.push_back({path, i});
        }
    }

    const std::string makerMenu = MenuName(settings.DefaultGameMakerProgramMenuName);
    const std::string gameMenu = MenuName(settings.GameName);
    const std::string programs = GetCommonProgramsFolderPath();
    if ((makerMenu.empty() || IsSafeRelativePath(makerMenu)) && IsSafeRelativePath(gameMenu) && !programs.empty()) {
        const std::string relative = makerMenu.empty() ? gameMenu : JoinWithSeparator(makerMenu, gameMenu);
        const std::string folder = JoinWithSeparator(programs, relative);
        const std::string userFolder = InFolder(machine.SpecialFolder(CSIDL_PROGRAMS), relative);
        for (std::size_t i = 0; i < settings.Shortcut.size(); ++i) {
            const std::string file = ShortcutFileName(settings.Shortcut[i].LinkName);
            if (file.empty()) continue;
            const std::string path = JoinWithSeparator(folder, file);
            if (LayOutShortcut(c, machine, path, InFolder(userFolder, file), "Shortcut", i)) {
                wrote.menu.push_back({path, i});
            }
        }
        if (machine.Exists(folder)) {
            c.machine.AddFolder(folder);
            LayOutNeighbours(c.machine, machine, folder);
            wrote.gameMenu = folder;
            if (!makerMenu.empty()) {
                wrote.makerMenu = JoinWithSeparator(programs, makerMenu);
                LayOutNeighbours(c.machine, machine, wrote.makerMenu);
            }
        }
    }
    LayOutRegistry(c, machine, wrote);
    return wrote;
}

}  // namespace recordcheck
