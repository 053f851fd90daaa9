#include "recordcheck/layout.h"

#include <algorithm>

#include "common/folders.h"
#include "common/paths.h"
#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/host_folder.h"
#include "uninstaller/removal/containment.h"
#include "uninstaller/removal/registry.h"

namespace recordcheck {

const char kDefaultInstallRoot[] = "C:\\Program Files (x86)";

namespace {

// The host entry of `name` in `folder`, its letters in any case, as Windows
// would find it, if it is of `type`; empty when there is none.
std::string FindHostEntry(const std::string& folder, const std::string& name, HostType type) {
    std::vector<HostEntry> entries;
    std::string error;
    if (!ListHostFolder(folder, entries, error)) return std::string();
    for (const HostEntry& entry : entries) {
        if (entry.type == type && FoldForComparison(entry.name) == FoldForComparison(name)) {
            return JoinHostPath(folder, entry.name);
        }
    }
    return std::string();
}

bool EndsWithLnk(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string tail = FoldForComparison(name.substr(name.size() - 4));
    return tail == ".LNK";
}

void SetStringValue(HKEY key, const char* name, const std::string& text) {
    (void)RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

// The game's key and its uninstall entry, written through the registry calls
// as the installer writes them. Without a Registry value the installer's
// entry has a name the records do not give: none is laid out.
void LayOutRegistry(const InstallerSettings& settings, const std::string& gameFolder, const InstalledKeys& keys,
                    InstallerWrote& wrote) {
    if (settings.Registry.empty()) return;
    HKEY key = nullptr;
    if (keys.gameKey && RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings.Registry.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                        nullptr) == ERROR_SUCCESS) {
        SetStringValue(key, "InstallPath", gameFolder);
        (void)RegCloseKey(key);
        wrote.gameKey = settings.Registry;
    }
    const std::string entry = MakeUninstallEntryPath(settings.Registry);
    if (!keys.uninstallEntry || RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    wrote.entry = entry;
    const std::string uninstaller =
        settings.UninstallerExeFileName.empty() ? "Uninstaller.exe" : settings.UninstallerExeFileName;
    SetStringValue(key, "DisplayName", settings.GameName);
    SetStringValue(key, "DisplayIcon", JoinWithSeparator(gameFolder, settings.GameExeFileName));
    SetStringValue(key, "UninstallString", "\"" + JoinWithSeparator(gameFolder, uninstaller) + "\"");
    const DWORD one = 1;
    (void)RegSetValueExA(key, "NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    (void)RegCloseKey(key);
}

}  // namespace

// A file at `path` and the folders above it, unless something of another
// kind already stands on the way (a tampered record can name anything).
// False when it was not laid out.
bool PlaceFile(sim::Machine& machine, const std::string& path) {
    for (std::string folder = GetParentPath(path); !folder.empty(); folder = GetParentPath(folder)) {
        if (machine.IsFile(folder)) return false;
    }
    if (machine.IsFolder(path)) return false;
    machine.AddFile(path, "shortcut");
    return true;
}

// The file an installer makes for a shortcut named `linkName` in the
// records: the name plus .lnk, unless the name already ends in it; a name
// written in UTF-8 names the shortcut the maker meant, in Shift-JIS. Empty
// when no file can be named so.
std::string ShortcutFileName(const std::string& linkName) {
    std::string name = linkName;
    if ((!IsCp932(name) || LooksUtf8(name)) && !Cp932FromUtf8(linkName, name)) return std::string();
    RemoveTrailingSeparator(name);
    if (!IsSafeRelativePath(name)) return std::string();
    return EndsWithLnk(name) ? name : name + ".lnk";
}

// A record's menu folder name as the uninstall joins it: one separator at
// its end names the same folder.
std::string MenuName(const std::string& name) {
    std::string trimmed = name;
    RemoveTrailingSeparator(trimmed);
    return trimmed;
}

namespace {

// A record's bytes straight from the host folder, found as Windows finds it.
bool ReadHostRecord(const std::string& hostFolder, const std::string& name, std::string& bytes) {
    const std::string records = FindHostEntry(hostFolder, "InstallInfo", HostType::Folder);
    if (records.empty()) return false;
    const std::string file = FindHostEntry(records, name, HostType::File);
    return !file.empty() && ReadHostFile(file, bytes);
}

}  // namespace

bool ReadPlacementSettings(const std::string& hostFolder, InstallerSettings& settings) {
    std::string bytes;
    return ReadHostRecord(hostFolder, "Installer.ini", bytes) &&
           ParseInstallerSettings(bytes.data(), bytes.size(), settings);
}

std::string ChooseGameFolder(const CheckOptions& options, const InstallerSettings* settings, std::string& placement) {
    if (!options.installPath.empty()) {
        placement = "as given by --install-path";
        std::string path = options.installPath;
        RemoveTrailingSeparator(path);
        return path;
    }
    std::string folder = kDefaultInstallRoot;
    if (settings != nullptr && IsSafeRelativePath(settings->DefaultGameMakerName) &&
        IsWindowsName(settings->DefaultGameMakerName)) {
        folder = JoinWithSeparator(folder, settings->DefaultGameMakerName);
        placement = "below a folder named after DefaultGameMakerName, where the installer puts it by default";
    } else if (settings == nullptr) {
        placement = "Installer.ini cannot be read: directly below the program files folder";
    } else {
        placement = "DefaultGameMakerName is not a usable folder name: directly below the program files folder";
    }
    std::string name = "Game";
    if (settings != nullptr && IsWindowsName(settings->DefaultGameFolderName)) {
        name = settings->DefaultGameFolderName;
    } else {
        const WindowsName host = WindowsNameFromHost(HostBaseName(options.hostFolder));
        if (host.representable && IsWindowsName(host.bytes)) name = host.bytes;
    }
    return JoinWithSeparator(folder, name);
}

InstallerWrote LayOutWhatTheInstallerWrote(sim::Machine& machine, const InstallerSettings& settings,
                                           const std::string& gameFolder, const InstalledKeys& keys) {
    InstallerWrote wrote;
    wrote.name = Utf8FromCp932(settings.GameName.empty() ? gameFolder : settings.GameName + " in " + gameFolder);
    const std::string desktop = GetCommonDesktopFolderPath();
    for (std::size_t i = 0; i < settings.DesktopShortcut.size(); ++i) {
        const std::string file = ShortcutFileName(settings.DesktopShortcut[i].LinkName);
        const std::string path = JoinWithSeparator(desktop, file);
        if (!file.empty() && PlaceFile(machine, path)) wrote.desktop.push_back({path, i});
    }
    const std::string makerMenu = MenuName(settings.DefaultGameMakerProgramMenuName);
    const std::string gameMenu = MenuName(settings.GameName);
    if ((makerMenu.empty() || IsSafeRelativePath(makerMenu)) && IsSafeRelativePath(gameMenu)) {
        const std::string programs = GetCommonProgramsFolderPath();
        const std::string folder =
            JoinWithSeparator(programs, makerMenu.empty() ? gameMenu : JoinWithSeparator(makerMenu, gameMenu));
        for (std::size_t i = 0; i < settings.Shortcut.size(); ++i) {
            const std::string file = ShortcutFileName(settings.Shortcut[i].LinkName);
            const std::string path = JoinWithSeparator(folder, file);
            if (!file.empty() && PlaceFile(machine, path)) wrote.menu.push_back({path, i});
        }
        if (!wrote.menu.empty()) {
            wrote.gameMenu = folder;
            if (!makerMenu.empty()) wrote.makerMenu = JoinWithSeparator(programs, makerMenu);
        }
    }
    LayOutRegistry(settings, gameFolder, keys, wrote);
    return wrote;
}

void AddFolderFindings(Context& c, const MirrorResult& mirror) {
    const std::string prefix = JoinWithSeparator(c.gameFolder, std::string());
    std::string tooLong;  // the last path too long: what lies below it is too long as well
    for (const MirrorNote& note : mirror.notes) {
        const std::string& path = note.windowsPath;
        const std::string relative = path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
        // A name Windows cannot hold is named as it is on this machine.
        const std::string host = Utf8FromHost(note.hostPath.substr(std::min(note.hostPath.size(), c.report.hostFolder.size() + 1)));
        const std::string name = Utf8FromHost(HostBaseName(note.hostPath));
        Finding finding;
        switch (note.kind) {
            case MirrorNote::Kind::Unrepresentable: finding = MakeFinding(Cause::NameNotShiftJis, relative); break;
            case MirrorNote::Kind::RawBytes: finding = MakeFinding(Cause::NameRawBytes, relative); break;
            case MirrorNote::Kind::DeviceName: finding = MakeFinding(Cause::NameDevice, relative, {name}); break;
            case MirrorNote::Kind::InvalidName:
            case MirrorNote::Kind::Backslash:
                finding = MakeFinding(note.kind == MirrorNote::Kind::Backslash ? Cause::NameBackslash : Cause::NameInvalid,
                                      host, {name});
                finding.hostFile = true;
                break;
            case MirrorNote::Kind::TrailingDot: {
                std::string trimmed = name;
                while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' ')) trimmed.pop_back();
                finding = MakeFinding(Cause::NameTrailingDot, host, {name, trimmed});
                finding.hostFile = true;
                break;
            }
            case MirrorNote::Kind::SameName: finding = MakeFinding(Cause::NameTwice, relative); break;
            case MirrorNote::Kind::TooLong:
                if (!tooLong.empty() && path.compare(0, tooLong.size() + 1, tooLong + "\\") == 0) continue;
                tooLong = path;
                finding = MakeFinding(Cause::PathTooLong, relative, {std::to_string(note.characters)});
                break;
            case MirrorNote::Kind::Link:
                continue;  // listed as unlisted, or as the link on a refused entry's way
        }
        c.Add(std::move(finding));
    }
}

}  // namespace recordcheck
