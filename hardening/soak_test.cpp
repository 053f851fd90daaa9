// Random installed games, uninstalled with random faults: whatever the
// records say and whatever fails, only the game's own listed, contained files
// go, nothing unlisted goes, no key is created, and the folder messages name
// exactly the folders of the list that stayed.
// SOAK_SEED picks the run (printed on failure), SOAK_GAMES its length.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "hardening/hardening_support.h"
#include "platform/sim.h"
#include "uninstaller/driver/run_uninstaller.h"

namespace {

using namespace hardening;

const std::string kDesktop = "C:\\Users\\Public\\Desktop";
const std::string kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kUninstallRoot = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Injected faults carry their own error, so the journal tells them from the
// failures the layout itself brings (read-only files, full folders).
constexpr DWORD kInjected = ERROR_SHARING_VIOLATION;

// Folder and file names; several end in a character whose second byte is
// 0x5C (ソ 0x83 0x5C, 表 0x95 0x5C), which is no separator.
const std::vector<std::string> kNames = {
    "Data", "Sound", "a b", "x.1", "\x83\x5C", "\x95\x5C", "\x95\x5C\x8E\xA6\x83\x5C", "\x83\x5C\x83\x74\x83\x67",
    "Movie", "\x83\x51\x81\x5B\x83\x80\x95\x5C", "bin", "%TEMP%",
};
const std::vector<std::string> kMakers = {"Maker", "\x83\x5C\x83\x74\x83\x67\x95\x5C", "Studio \x83\x5C"};
const std::vector<std::string> kGames = {"Game", "\x95\x5C\x8E\xA6\x83\x5C", "Quest \x95\x5C"};
const std::vector<std::string> kMakerKeys = {"Maker", "Maker\\Sub", "\x83\x5C\x83\x74\x83\x67"};

// What no uninstall may take: the user's things, a junction's target, other
// programs' shortcuts, the system.
const std::vector<std::string> kOutside = {
    "C:\\Users\\Player\\Documents\\Maker\\save01.dat", kDesktop + "\\Other.lnk", "C:\\Users\\Public\\Other.lnk",
    "C:\\Outside\\Data\\movie.dat", "C:\\Outside\\Data\\Sub\\deep.dat", "C:\\Windows\\system.ini",
};
// Keys of the system and of other programs.
const std::vector<std::string> kSystemKeys = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "SYSTEM\\Setup\\Leaf", "SOFTWARE\\Classes\\Leaf",
    "SOFTWARE\\Vendor\\Tool", kUninstallRoot + "OtherProduct",
};

// Entries that try to leave the game folder or name it oddly; each must be
// skipped whole.
const std::vector<std::string> kTampered = {
    "..\\Other\\Other.exe", "..\\..\\..\\Windows\\system.ini", "C:\\Windows\\system.ini", "\\Windows\\system.ini",
    "/Windows/system.ini", "C:..\\Other\\Other.exe", "Data\\..\\..\\Other\\Other.exe", "Data/../../Other/Other.exe",
    "...\\..\\Other\\Other.exe", ".. \\Other\\Other.exe", "Data\\.\\kept.dat", "Data\\. \\kept.dat",
    "Game.exe:stream", "\\\\?\\C:\\Windows\\system.ini", "\x83\x5C\\..\\..\\Other\\Other.exe", "Data\\\\kept.dat",
};
// Shortcut names that try to leave the desktop or the game's menu folder.
const std::vector<std::string> kTamperedDesktopLinks = {
    "..\\Other", "C:\\Users\\Public\\Desktop\\Other", "\\Users\\Public\\Other", "Sub\\..\\..\\Other", ".",
};
const std::vector<std::string> kTamperedMenuLinks = {"..\\Other\\Other", "..\\..\\MakerMenu\\Other\\Other",
                                                     "C:\\Windows\\system"};
// Menu folder names and registry paths that must not be acted on.
const std::vector<std::string> kTamperedMenuNames = {"..", "..\\..", "C:\\Windows"};
const std::vector<std::string> kTamperedRegistry = {
    "SOFTWARE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "SYSTEM\\Setup\\Leaf", "SOFTWARE\\Classes\\Leaf",
    "",         "SOFTWARE\\\\Leaf",                                  "software\\microsoft",
};

std::string Join(const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += (i ? "\\" : "") + parts[i];
    return out;
}
// The text after the last backslash (not a trail byte) of a key path.
std::string LastKeyComponent(const std::string& key) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (IsLead(static_cast<unsigned char>(key[i]))) {
            ++i;
        } else if (key[i] == '\\') {
            start = i + 1;
        }
    }
    return key.substr(start);
}
std::string KeyParent(const std::string& key) {
    const std::string last = LastKeyComponent(key);
    return key.size() > last.size() ? key.substr(0, key.size() - last.size() - 1) : std::string();
}

struct Game {
    std::string maker, name, folder;
    std::string gameName;  // GameName in the settings (the menu folder's name)
    std::string menuName;  // DefaultGameMakerProgramMenuName
    std::string registry;
    bool registryTampered = false;
    std::vector<std::string> listed;  // as written in InstallFiles.ini
    std::set<std::string> readOnly;   // upper-cased full paths
    std::vector<std::string> desktopLinks, menuLinks;
    std::string junction;  // relative link folder, or empty
    bool gameKey = false, gameKeySubkey = false, parentShared = false, entry = false, entrySubkey = false;

    std::string EntryKey() const { return kUninstallRoot + "TarnwickGame_" + LastKeyComponent(registry); }
    std::string GameMenu() const { return kPrograms + "\\" + menuName + "\\" + gameName; }
};

template <typename T>
const T& Pick(std::mt19937& rng, const std::vector<T>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
}
bool Chance(std::mt19937& rng, int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; }
int Between(std::mt19937& rng, int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

std::string RandomRelative(std::mt19937& rng, int maxFolders) {
    const int depth = Between(rng, 0, maxFolders);
    std::string path;
    for (int i = 0; i < depth; ++i) path += Pick(rng, kNames) + "\\";
    // The same folder is sometimes written in other letter cases.
    if (Chance(rng, 8)) path = Upper(path);
    // Files always carry an extension that no folder name ends in.
    return path + Pick(rng, kNames) + (Chance(rng, 50) ? ".dat" : ".exe");
}

Game LayOutRandomGame(std::mt19937& rng, sim::Machine& m) {
    Game g;
    g.maker = Pick(rng, kMakers);
    g.name = Pick(rng, kGames);
    g.folder = "C:\\Games\\" + g.maker + "\\" + g.name;
    g.gameName = Chance(rng, 5) ? std::string("..") : g.name;
    g.menuName = Chance(rng, 10) ? Pick(rng, kTamperedMenuNames) : std::string("MakerMenu");
    const std::string makerKey = "SOFTWARE\\" + Pick(rng, kMakerKeys);
    g.registryTampered = Chance(rng, 10);
    g.registry = g.registryTampered ? Pick(rng, kTamperedRegistry) : makerKey + "\\" + (Chance(rng, 50) ? "Game" : "Game2");
    const bool sharedMaker = Chance(rng, 50);

    // Listed files, mostly present (some read-only); some the user already deleted.
    std::set<std::string> seen;
    const int count = Between(rng, 1, 12);
    for (int i = 0; i < count; ++i) {
        std::string path = RandomRelative(rng, 3);
        if (!seen.insert(Upper(path)).second) continue;
        g.listed.push_back(path);
        const std::string full = g.folder + "\\" + path;
        if (Chance(rng, 90)) {
            m.AddFile(full, "game");
            if (Chance(rng, 5)) {
                m.SetAttributes(full, FILE_ATTRIBUTE_READONLY);
                g.readOnly.insert(Upper(full));
            }
        } else {
            m.AddFolder(full.substr(0, full.rfind('\\')));
        }
    }
    // Files the game wrote later, beside listed ones.
    const int later = Between(rng, 0, 3);
    for (int i = 0; i < later; ++i) {
        const std::string& base = Pick(rng, g.listed);
        const auto cut = base.rfind('\\');
        const std::string folder = cut == std::string::npos ? std::string() : base.substr(0, cut + 1);
        const std::string path = g.folder + "\\" + folder + "later" + std::to_string(i) + ".sav";
        if (!m.Exists(path)) m.AddFile(path, "later");
    }
    m.AddFile(g.folder + "\\Data\\kept.dat", "later");  // named only through refused entries
    const int tampered = Between(rng, 0, 3);
    for (int i = 0; i < tampered; ++i) g.listed.push_back(Pick(rng, kTampered));
    // A junction inside the game folder pointing outside, with entries through it.
    if (Chance(rng, 40)) {
        g.junction = Chance(rng, 50) ? "Link" : "Data\\Lnk\x83\x5C";
        m.AddFolder(g.folder + "\\Data");
        m.AddJunction(g.folder + "\\" + g.junction, "C:\\Outside\\Data");
        // The link is the same folder in any case of letters, with '/', or
        // with a trailing dot that the system drops.
        const int spelling = Between(rng, 0, 3);
        const std::string through = spelling == 0   ? g.junction + "\\movie.dat"
                                    : spelling == 1 ? Upper(g.junction) + "\\movie.dat"
                                    : spelling == 2 ? g.junction + "/movie.dat"
                                                    : g.junction + ".\\movie.dat";
        g.listed.push_back(through);
        if (Chance(rng, 50)) g.listed.push_back(g.junction + "\\Sub\\deep.dat");
    }
    std::shuffle(g.listed.begin(), g.listed.end(), rng);

    g.desktopLinks = {"Game"};
    g.menuLinks = {"Game"};
    if (Chance(rng, 20)) g.desktopLinks.push_back(Pick(rng, kTamperedDesktopLinks));
    if (Chance(rng, 20)) g.menuLinks.push_back(Pick(rng, kTamperedMenuLinks));

    // Records.
    std::string settings = "#InstallerSetupFileVersion = 1\n#GameName = \"" + g.gameName + "\"\n#Registry = \"" +
                           g.registry + "\"\n#DefaultGameMakerName = \"" + g.maker +
                           "\"\n#DefaultGameMakerProgramMenuName = \"" + g.menuName +
                           "\"\n#DefaultGameFolderName = \"" + g.name +
                           "\"\n#GameExeFileName = \"Game.exe\"\n#UninstallerExeFileName = \"Uninstaller.exe\"\n";
    for (const auto& link : g.menuLinks) settings += "#Shortcut = \"Game.exe\", \"" + link + "\"\n";
    for (const auto& link : g.desktopLinks) settings += "#DesktopShortcut = \"Game.exe\", \"" + link + "\"\n";
    m.AddFile(g.folder + "\\InstallInfo\\Installer.ini", settings);
    std::string list = "#InstallerSetupFileVersion = 1\n#InstallFileList {\n";
    for (const auto& path : g.listed) list += "\"" + path + "\", 0, 0x1\n";
    m.AddFile(g.folder + "\\InstallInfo\\InstallFiles.ini", list + "}\n");
    m.AddFile(g.folder + "\\InstallInfo\\SaveFolderSetting.ini", std::string(12, '\0'));
    m.AddFile(kDesktop + "\\Game.lnk", "lnk");
    // The game's menu shortcut lies where the installer put it, whatever the
    // records now say.
    m.AddFile(kPrograms + "\\MakerMenu\\" + g.name + "\\Game.lnk", "lnk");

    // The maker's other game, and everything else that must stay.
    if (sharedMaker) {
        m.AddFile("C:\\Games\\" + g.maker + "\\Other\\Other.exe", "keep");
        m.AddFile("C:\\Games\\" + g.maker + "\\Other\\Data\\other.pak", "keep");
        m.AddFile(kPrograms + "\\MakerMenu\\Other\\Other.lnk", "keep");
    }
    for (const auto& path : kOutside) m.AddFile(path, "keep");

    // Registry: game key with or without subkeys, parent shared or not,
    // uninstall entry present or not, with or without a subkey.
    for (const auto& key : kSystemKeys) {
        m.AddKey(key);
        m.SetValue(key, "Value", "keep");
    }
    if (!g.registryTampered && Chance(rng, 85)) {
        g.gameKey = true;
        m.AddKey(g.registry);
        m.SetValue(g.registry, "InstallPath", g.folder);
        g.gameKeySubkey = Chance(rng, 25);
        if (g.gameKeySubkey) m.AddKey(g.registry + "\\Options");
    }
    g.parentShared = Chance(rng, 50);
    if (g.parentShared) m.AddKey(makerKey + "\\Other");
    if (Chance(rng, 70)) {
        g.entry = true;
        m.AddKey(g.EntryKey());
        m.SetValue(g.EntryKey(), "DisplayName", g.name);
        m.SetValue(g.EntryKey(), "DispalyName", g.name);
        m.SetValue(g.EntryKey(), "UninstallString", g.folder + "\\Uninstaller.exe");
        g.entrySubkey = Chance(rng, 20);
        if (g.entrySubkey) m.AddKey(g.EntryKey() + "\\Extra");
    }
    return g;
}

// How much the runs exercised, so that a green soak is seen to have tried.
struct Tally {
    std::uint64_t removed = 0, folderMessages = 0, junctions = 0, tampered = 0, injected = 0, readOnly = 0;
    std::uint64_t keysRemoved = 0, failedUninstalls = 0, caseTwins = 0;
};

// The calls the machine was made to fail, as (function, upper-cased path).
struct Injected {
    std::set<std::pair<std::string, std::string>> calls;
    std::set<std::string> values;  // RegDeleteValueA: value names
    bool Has(const std::string& function, const std::string& path) const {
        return calls.count({function, Upper(Backslashed(path))}) != 0;
    }
    bool Any(const std::string& function) const {
        for (const auto& call : calls) {
            if (call.first == function) return true;
        }
        return false;
    }
    bool OnTheWay(const std::string& base, const std::string& relative) const {
        for (const auto& folder : FoldersOnTheWay(relative)) {
            if (Has("GetFileAttributesA", base + "\\" + folder)) return true;
        }
        return false;
    }
};

void CheckOneGame(Tally& tally, std::mt19937& rng, std::uint64_t index, std::uint32_t seed) {
    sim::Machine m;
    const Game g = LayOutRandomGame(rng, m);
    const auto volumeBefore = VolumeOf(m);
    const auto keysBefore = RegistryOf(m);
    m.ClearJournal();
    static const std::vector<std::pair<std::string, int>> kFaultable = {
        {"DeleteFileA", 12},    {"RemoveDirectoryA", 12}, {"GetFileAttributesA", 40}, {"RegOpenKeyExA", 2},
        {"RegCreateKeyExA", 1}, {"RegDeleteKeyA", 3},     {"RegDeleteValueA", 6},     {"RegEnumKeyExA", 1},
    };
    const int faults = Between(rng, 0, 3);
    for (int i = 0; i < faults; ++i) {
        const auto& fault = Pick(rng, kFaultable);
        m.FailCall(fault.first, Between(rng, 1, fault.second), kInjected);
    }

    const bool result = RunUninstaller("-F=\"" + g.folder + "\"");

    const std::string where = "seed " + std::to_string(seed) + ", game " + std::to_string(index) + " in " + g.folder;
    SCOPED_TRACE(where);
    EXPECT_EQ(m.OpenFileHandles(), 0);
    EXPECT_EQ(m.OpenKeyHandles(), 0);

    Injected injected;
    for (const auto& call : m.Journal()) {
        if (call.error != kInjected) continue;
        injected.calls.insert({call.function, Upper(Backslashed(call.argument))});
        if (call.function == "RegDeleteValueA") injected.values.insert(Upper(call.detail));
        ++tally.injected;
    }

    // The result and the last box: only the uninstall entry's opening decides.
    const bool entryLost = injected.Any("RegCreateKeyExA");
    EXPECT_EQ(result, !entryLost);
    ASSERT_FALSE(m.MessageBoxes().empty());
    EXPECT_EQ(m.MessageBoxes().back().text, entryLost ? kUninstallFailed : kUninstallComplete);
    tally.failedUninstalls += entryLost ? 1 : 0;

    // What may change: the contained, listed files not through the link,
    // the records, the folders of the list, the game's own shortcuts and
    // menu folders, the game folder and the maker folder.
    const std::string link = g.junction.empty() ? std::string() : g.folder + "\\" + g.junction;
    tally.junctions += link.empty() ? 0 : 1;
    std::set<std::string> own, mustGo, setFolders;
    for (const auto& path : g.listed) {
        // The entries that lead out are the ones picked from kTampered.
        if (std::find(kTampered.begin(), kTampered.end(), path) != kTampered.end()) {
            ++tally.tampered;
            continue;
        }
        const auto parts = Components(path);
        for (std::size_t n = 1; n < parts.size(); ++n) setFolders.insert(g.folder + "\\" + Join(parts, n));
        const std::string full = g.folder + "\\" + Join(parts, parts.size());
        if (!link.empty() && Below(full, link)) continue;
        own.insert(Upper(full));
        if (!volumeBefore.count(Upper(full))) continue;
        if (g.readOnly.count(Upper(full))) {
            EXPECT_TRUE(m.IsFile(full)) << "read-only file went: " << full;
            ++tally.readOnly;
            continue;
        }
        if (!injected.Has("DeleteFileA", full) && !injected.OnTheWay(g.folder, path)) mustGo.insert(Upper(full));
    }
    for (const auto& folder : setFolders) {
        if (link.empty() || !Below(folder, link)) own.insert(Upper(folder));
    }
    const std::string records = g.folder + "\\InstallInfo";
    for (const char* record : {"Installer.ini", "InstallFiles.ini", "SaveFolderSetting.ini"}) {
        const std::string path = records + "\\" + record;
        own.insert(Upper(path));
        if (!injected.Has("DeleteFileA", path) && !injected.Has("GetFileAttributesA", records)) mustGo.insert(Upper(path));
    }
    const std::string desktopLink = kDesktop + "\\Game.lnk";
    own.insert(Upper(desktopLink));
    if (!injected.Has("DeleteFileA", desktopLink)) mustGo.insert(Upper(desktopLink));
    const std::string makerFolder = "C:\\Games\\" + g.maker;
    for (const auto& path : {records, g.folder, makerFolder}) own.insert(Upper(path));
    const bool menuUsable = g.menuName == "MakerMenu" && g.gameName == g.name;
    const std::string makerMenu = kPrograms + "\\MakerMenu";
    const std::string gameMenu = makerMenu + "\\" + g.name;
    const bool menuWayUnknown =
        injected.Has("GetFileAttributesA", makerMenu) || injected.Has("GetFileAttributesA", gameMenu);
    if (menuUsable) {
        for (const auto& path : {gameMenu, gameMenu + "\\Game.lnk", makerMenu}) own.insert(Upper(path));
        if (!menuWayUnknown && !injected.Has("DeleteFileA", gameMenu + "\\Game.lnk")) {
            mustGo.insert(Upper(gameMenu + "\\Game.lnk"));
        }
    } else if (g.menuName == "MakerMenu") {
        own.insert(Upper(makerMenu));  // named in the records even when the game's folder is not
    }

    const auto volumeAfter = VolumeOf(m);
    for (const auto& path : mustGo) EXPECT_EQ(volumeAfter.count(path), 0u) << "own file stayed: " << path;
    tally.removed += mustGo.size();
    for (const auto& entry : volumeBefore) {
        if (own.count(entry.first)) continue;
        auto after = volumeAfter.find(entry.first);
        EXPECT_TRUE(after != volumeAfter.end() && after->second == entry.second) << "not the game's, changed: "
                                                                                 << entry.first;
    }
    for (const auto& entry : volumeAfter) EXPECT_EQ(volumeBefore.count(entry.first), 1u) << "new: " << entry.first;

    // Folders that the sequence removes stay only when something is in them
    // or a fault explains it.
    auto expectGoneUnless = [&](const std::string& path, bool explained) {
        if (!m.IsFolder(path) || explained || (m.Attributes(path) & FILE_ATTRIBUTE_REPARSE_POINT)) return;
        EXPECT_FALSE(m.ListTree(path).empty()) << "empty folder stayed: " << path;
    };
    for (const auto& folder : setFolders) {
        if (!link.empty() && folder.size() > link.size() && Below(folder, link)) continue;
        const std::string relative = folder.substr(g.folder.size() + 1);
        expectGoneUnless(folder, injected.Has("RemoveDirectoryA", folder) ||
                                     injected.Has("GetFileAttributesA", folder) || injected.OnTheWay(g.folder, relative));
    }
    expectGoneUnless(records, injected.Has("RemoveDirectoryA", records) || injected.Has("GetFileAttributesA", records));
    expectGoneUnless(g.folder, injected.Has("RemoveDirectoryA", g.folder) || injected.Has("GetFileAttributesA", g.folder));
    expectGoneUnless(makerFolder,
                     injected.Has("RemoveDirectoryA", makerFolder) || injected.Has("GetFileAttributesA", makerFolder));
    if (menuUsable) {
        expectGoneUnless(gameMenu, menuWayUnknown || injected.Has("RemoveDirectoryA", gameMenu));
        expectGoneUnless(makerMenu,
                         injected.Has("GetFileAttributesA", makerMenu) || injected.Has("RemoveDirectoryA", makerMenu));
    }

    // Folder messages: each names a folder of the set that stayed, once; each
    // folder of the set that stayed has one. The set is byte-exact, so "Link"
    // and "LINK" are two entries with two messages.
    std::set<std::string> named;
    for (const auto& box : m.MessageBoxes()) {
        if (box.flags != kFolderStyle) continue;
        const std::string folder = FolderOfMessage(box.text);
        ASSERT_FALSE(folder.empty()) << box.text;
        EXPECT_TRUE(setFolders.count(Backslashed(folder))) << "message for a folder not in the set: " << folder;
        // A folder written in two letter cases is tried twice: once the one
        // spelling has removed it, the other fails and is named.
        bool otherSpelling = false;
        for (const auto& other : setFolders) otherSpelling = otherSpelling || (other != folder && SamePath(other, folder));
        EXPECT_TRUE(m.IsFolder(folder) || otherSpelling) << "message for a folder that went: " << folder;
        tally.caseTwins += otherSpelling ? 1 : 0;
        EXPECT_TRUE(named.insert(folder).second) << "two messages for " << folder;
        ++tally.folderMessages;
    }
    for (const auto& folder : setFolders) {
        if (m.IsFolder(folder)) {
            EXPECT_TRUE(named.count(folder)) << "stayed without a message: " << folder;
        }
    }

    // Registry. No key is created (but an uninstall entry opened for its
    // administrator check and not deleted again); no key but the game key,
    // its parent and the entry goes; each of those goes as far as it can.
    const auto keysAfter = RegistryOf(m);
    const std::string entry = g.EntryKey();
    const std::string parent = KeyParent(g.registry);
    const bool entryDeleteFailed = injected.Has("RegDeleteKeyA", entry);
    for (const auto& key : keysAfter) {
        if (SamePath(key.first, entry) && entryDeleteFailed) continue;
        EXPECT_EQ(keysBefore.count(key.first), 1u) << "created key: " << key.first;
    }
    auto ownKey = [&](const std::string& key) {
        if (SamePath(key, entry)) return true;
        return !g.registryTampered && (SamePath(key, g.registry) || SamePath(key, parent));
    };
    for (const auto& key : keysBefore) {
        if (ownKey(key.first)) continue;
        auto after = keysAfter.find(key.first);
        EXPECT_TRUE(after != keysAfter.end() && after->second == key.second) << "not the game's, changed: " << key.first;
    }
    const bool gameKeyGoes = g.gameKey && !g.gameKeySubkey && !injected.Has("RegOpenKeyExA", g.registry) &&
                             !injected.Has("RegDeleteKeyA", g.registry);
    if (g.gameKey) {
        EXPECT_EQ(m.KeyExists(g.registry), !gameKeyGoes) << g.registry;
    }
    if (g.gameKey && !gameKeyGoes && !injected.Has("RegOpenKeyExA", g.registry) &&
        !injected.values.count(Upper("InstallPath"))) {
        EXPECT_FALSE(m.ValueExists(g.registry, "InstallPath")) << g.registry;
    }
    if (gameKeyGoes) {
        const bool parentGoes = !g.parentShared && !injected.Has("RegOpenKeyExA", parent) &&
                                !injected.Has("RegEnumKeyExA", parent) && !injected.Has("RegDeleteKeyA", parent);
        EXPECT_EQ(m.KeyExists(parent), !parentGoes) << parent;
        tally.keysRemoved += parentGoes ? 2 : 1;
    } else if (!g.registryTampered) {
        EXPECT_EQ(m.KeyExists(parent), keysBefore.count(Upper(parent)) != 0) << parent;
    }
    const bool entryStays = g.entrySubkey || entryDeleteFailed || (entryLost && g.entry);
    EXPECT_EQ(m.KeyExists(entry), entryStays) << entry;
    if (entryStays && !entryLost) {
        for (const char* value : {"DisplayName", "DispalyName", "UninstallString"}) {
            if (!injected.values.count(Upper(value))) {
                EXPECT_FALSE(m.ValueExists(entry, value)) << value;
            }
        }
    }
}

TEST(Soak, RandomGamesUninstallWithRandomFaults) {
    std::uint32_t seed = 20261207u;
    if (const char* text = std::getenv("SOAK_SEED")) seed = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    std::uint64_t games = 300;
    if (const char* text = std::getenv("SOAK_GAMES")) games = std::strtoull(text, nullptr, 10);
    std::mt19937 rng(seed);
    Tally tally;
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t i = 0; i < games; ++i) {
        CheckOneGame(tally, rng, i, seed);
        if (HasFailure()) {
            ADD_FAILURE() << "reproduce with SOAK_SEED=" << seed << " SOAK_GAMES=" << (i + 1);
            return;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %llu games, seed %u, %.1f s: %llu own files removed, %llu folder messages, %llu junctions, "
                "%llu tampered entries, %llu read-only files kept, %llu keys removed, %llu faults injected, "
                "%llu failed uninstalls, %llu messages for a folder spelled twice\n",
                static_cast<unsigned long long>(games), seed, seconds, static_cast<unsigned long long>(tally.removed),
                static_cast<unsigned long long>(tally.folderMessages), static_cast<unsigned long long>(tally.junctions),
                static_cast<unsigned long long>(tally.tampered), static_cast<unsigned long long>(tally.readOnly),
                static_cast<unsigned long long>(tally.keysRemoved), static_cast<unsigned long long>(tally.injected),
                static_cast<unsigned long long>(tally.failedUninstalls),
                static_cast<unsigned long long>(tally.caseTwins));
    // A soak that never met a junction, a tampered entry or a folder written
    // in two letter cases has not tried what it is for.
    EXPECT_GT(tally.removed, 0u);
    EXPECT_GT(tally.folderMessages, 0u);
    EXPECT_GT(tally.injected, 0u);
    EXPECT_GT(tally.junctions, 0u);
    EXPECT_GT(tally.tampered, 0u);
    EXPECT_GT(tally.caseTwins, 0u);
}

}  // namespace
