// Random installed games, uninstalled with random faults: whatever the
// records say and whatever fails, only the game's own listed, contained files
// go, no key is created, and every folder message names a folder that stayed.
// SOAK_SEED picks the run (printed on failure), SOAK_GAMES its length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/sim.h"
#include "uninstaller/driver/run_uninstaller.h"

namespace {

// "【 " and " 】\nフォルダの削除に失敗しました" in code page 932.
const std::string kFolderHead = "\x81\x79\x20";
const std::string kFolderTail =
    "\x20\x81\x7A\x0A\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xCC\x8D\xED\x8F\x9C\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD";

const char kDesktop[] = "C:\\Users\\Public\\Desktop";
const char kPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Folder and file names; several end in a character whose second byte is
// 0x5C (ソ 0x83 0x5C, 表 0x95 0x5C), which is no separator.
const std::vector<std::string> kNames = {
    "Data", "Sound", "a b", "x.1", "\x83\x5C", "\x95\x5C", "\x95\x5C\x8E\xA6\x83\x5C", "\x83\x5C\x83\x74\x83\x67",
    "Movie", "\x83\x51\x81\x5B\x83\x80\x95\x5C", "bin", "%TEMP%",
};
const std::vector<std::string> kMakers = {"Maker", "\x83\x5C\x83\x74\x83\x67\x95\x5C", "Studio \x83\x5C"};
const std::vector<std::string> kGames = {"Game", "\x95\x5C\x8E\xA6\x83\x5C", "Quest \x95\x5C"};

// What no uninstall may take: another game of the same maker, the user's
// things, a junction's target, the system.
const std::vector<std::string> kOutside = {
    "C:\\Users\\Player\\Documents\\Maker\\save01.dat", "C:\\Users\\Public\\Desktop\\Other.lnk",
    "C:\\Outside\\Data\\movie.dat", "C:\\Outside\\Data\\Sub\\deep.dat", "C:\\Windows\\system.ini",
};

// Entries that try to leave the game folder or name it oddly; each must be
// skipped whole. `%O` stands for the other game's folder name.
const std::vector<std::string> kTampered = {
    "..\\Other\\Other.exe", "..\\..\\..\\Windows\\system.ini", "C:\\Windows\\system.ini", "\\Windows\\system.ini",
    "/Windows/system.ini", "C:..\\Other\\Other.exe", "Data\\..\\..\\Other\\Other.exe", "Data/../../Other/Other.exe",
    "...\\..\\Other\\Other.exe", ".. \\Other\\Other.exe", "Data\\.\\kept.dat", "Data\\. \\kept.dat",
    "Game.exe:stream", "\\\\?\\C:\\Windows\\system.ini", "\x83\x5C\\..\\..\\Other\\Other.exe",
};

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}
bool Below(const std::string& path, const std::string& folder) {
    const std::string p = Upper(path), f = Upper(folder);
    return p == f || p.compare(0, f.size() + 1, f + "\\") == 0;
}
bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The components of a relative path, split at '\' and '/' outside two-byte
// characters.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (IsLead(b) && i + 1 < path.size()) {
            parts.back() += path.substr(i, 2);
            ++i;
        } else if (b == '\\' || b == '/') {
            parts.emplace_back();
        } else {
            parts.back() += path[i];
        }
    }
    return parts;
}

// The containment rule, written independently of the program: a relative
// path with no drive, no leading separator and no component of only dots
// and spaces (nor an empty one).
bool IsSafe(const std::string& path) {
    if (path.empty() || path[0] == '\\' || path[0] == '/') return false;
    if (path.find(':') != std::string::npos) return false;
    for (const auto& part : Components(path)) {
        if (part.find_first_not_of(". ") == std::string::npos) return false;
    }
    return true;
}

std::string Join(const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += (i ? "\\" : "") + parts[i];
    return out;
}

struct Game {
    std::string maker, name, folder;
    std::string registry;  // SOFTWARE\...\...
    std::vector<std::string> listed;  // as written in InstallFiles.ini
    std::string junction;             // relative link folder, or empty
    bool sharedMaker = false;
};

template <typename T>
const T& Pick(std::mt19937& rng, const std::vector<T>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
}
bool Chance(std::mt19937& rng, int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; }

std::string RandomRelative(std::mt19937& rng, int maxFolders) {
    const int depth = std::uniform_int_distribution<int>(0, maxFolders)(rng);
    std::string path;
    for (int i = 0; i < depth; ++i) path += Pick(rng, kNames) + "\\";
    // Files always carry an extension that no folder name ends in.
    return path + Pick(rng, kNames) + (Chance(rng, 50) ? ".dat" : ".exe");
}

Game LayOutRandomGame(std::mt19937& rng, sim::Machine& m) {
    Game g;
    g.maker = Pick(rng, kMakers);
    g.name = Pick(rng, kGames);
    g.folder = "C:\\Games\\" + g.maker + "\\" + g.name;
    g.sharedMaker = Chance(rng, 50);
    const std::string makerKey = Chance(rng, 50) ? "Maker" : "Maker\\Sub";
    g.registry = "SOFTWARE\\" + makerKey + "\\" + (Chance(rng, 50) ? "Game" : "Game2");

    // Listed files, mostly present; some the user already deleted.
    std::set<std::string> seenUpper;
    const int count = std::uniform_int_distribution<int>(1, 12)(rng);
    for (int i = 0; i < count; ++i) {
        std::string path = RandomRelative(rng, 3);
        if (!seenUpper.insert(Upper(path)).second) continue;
        g.listed.push_back(path);
        const std::string full = g.folder + "\\" + path;
        if (Chance(rng, 90)) {
            m.AddFile(full, "game");
        } else {
            m.AddFolder(full.substr(0, full.rfind('\\')));
        }
    }
    // Files the game wrote later, beside listed ones.
    const int later = std::uniform_int_distribution<int>(0, 3)(rng);
    for (int i = 0; i < later; ++i) {
        const std::string& base = Pick(rng, g.listed);
        const auto cut = base.rfind('\\');
        const std::string folder = cut == std::string::npos ? std::string() : base.substr(0, cut + 1);
        const std::string path = g.folder + "\\" + folder + "later" + std::to_string(i) + ".sav";
        if (!m.Exists(path)) m.AddFile(path, "later");
    }
    m.AddFile(g.folder + "\\Data\\kept.dat", "later");  // named only through "." entries
    // Tampered entries.
    const int tampered = std::uniform_int_distribution<int>(0, 3)(rng);
    for (int i = 0; i < tampered; ++i) g.listed.push_back(Pick(rng, kTampered));
    // A junction inside the game folder pointing outside, with entries through it.
    if (Chance(rng, 40)) {
        g.junction = Chance(rng, 50) ? "Link" : "Data\\Lnk\x83\x5C";
        m.AddFolder(g.folder + "\\Data");
        m.AddJunction(g.folder + "\\" + g.junction, "C:\\Outside\\Data");
        // The link is the same folder in any case of letters and with '/'.
        const int spelling = std::uniform_int_distribution<int>(0, 2)(rng);
        const std::string through = spelling == 0 ? g.junction + "\\movie.dat"
                                    : spelling == 1 ? Upper(g.junction) + "\\movie.dat"
                                                    : g.junction + "/movie.dat";
        g.listed.push_back(through);
        if (Chance(rng, 50)) g.listed.push_back(g.junction + "\\Sub\\deep.dat");
    }
    std::shuffle(g.listed.begin(), g.listed.end(), rng);

    // Records.
    std::string settings = "#InstallerSetupFileVersion = 1\n#GameName = \"" + g.name + "\"\n#Registry = \"" +
                           g.registry + "\"\n#DefaultGameMakerName = \"" + g.maker +
                           "\"\n#DefaultGameMakerProgramMenuName = \"MakerMenu\"\n#DefaultGameFolderName = \"" +
                           g.name + "\"\n#GameExeFileName = \"Game.exe\"\n#UninstallerExeFileName = "
                           "\"Uninstaller.exe\"\n#Shortcut = \"Game.exe\", \"Game\"\n#DesktopShortcut = "
                           "\"Game.exe\", \"Game\"\n";
    m.AddFile(g.folder + "\\InstallInfo\\Installer.ini", settings);
    std::string list = "#InstallerSetupFileVersion = 1\n#InstallFileList {\n";
    for (const auto& path : g.listed) list += "\"" + path + "\", 0, 0x1\n";
    m.AddFile(g.folder + "\\InstallInfo\\InstallFiles.ini", list + "}\n");
    m.AddFile(g.folder + "\\InstallInfo\\SaveFolderSetting.ini", std::string(12, '\0'));
    m.AddFile(std::string(kDesktop) + "\\Game.lnk", "lnk");
    m.AddFile(std::string(kPrograms) + "\\MakerMenu\\" + g.name + "\\Game.lnk", "lnk");

    // The maker's other game, and everything else that must stay.
    if (g.sharedMaker) {
        m.AddFile("C:\\Games\\" + g.maker + "\\Other\\Other.exe", "keep");
        m.AddFile("C:\\Games\\" + g.maker + "\\Other\\Data\\other.pak", "keep");
        m.AddFile(std::string(kPrograms) + "\\MakerMenu\\Other\\Other.lnk", "keep");
    }
    for (const auto& path : kOutside) m.AddFile(path, "keep");

    // Registry: game key with or without subkeys, parent shared or not,
    // uninstall entry present or not.
    if (Chance(rng, 85)) {
        m.AddKey(g.registry);
        m.SetValue(g.registry, "InstallPath", g.folder);
        if (Chance(rng, 25)) m.AddKey(g.registry + "\\Options");
    }
    if (Chance(rng, 50)) m.AddKey("SOFTWARE\\" + makerKey + "\\Other");
    if (Chance(rng, 70)) {
        const std::string entry = kUninstallRoot + std::string("TarnwickGame_") +
                                  g.registry.substr(g.registry.rfind('\\') + 1);
        m.AddKey(entry);
        m.SetValue(entry, "DisplayName", g.name);
        m.SetValue(entry, "DispalyName", g.name);
        if (Chance(rng, 20)) m.AddKey(entry + "\\Extra");
    }
    m.AddKey(std::string(kUninstallRoot) + "OtherProduct");
    m.AddKey("SOFTWARE\\Vendor\\Tool");
    return g;
}

std::map<std::string, std::string> Volume(const sim::Machine& m) {
    std::map<std::string, std::string> out;
    for (const auto& path : m.ListTree("C:\\")) out[Upper(path)] = m.IsFolder(path) ? "<folder>" : m.FileBytes(path);
    return out;
}

// How much each run exercised, so that a green soak is seen to have tried.
struct Tally {
    std::uint64_t removed = 0, folderMessages = 0, junctions = 0, tampered = 0, injected = 0, entriesKept = 0;
};

// Checks one uninstall; failures are reported through gtest.
void CheckOneGame(Tally& tally, std::mt19937& rng, std::uint64_t index, std::uint32_t seed) {
    sim::Machine m;
    const Game g = LayOutRandomGame(rng, m);
    const auto volumeBefore = Volume(m);
    const auto keysBefore = m.AllKeys();
    const int faults = std::uniform_int_distribution<int>(0, 3)(rng);
    static const std::vector<std::string> kFaultable = {"DeleteFileA", "RemoveDirectoryA", "RegDeleteKeyA"};
    for (int i = 0; i < faults; ++i) {
        m.FailCall(Pick(rng, kFaultable), std::uniform_int_distribution<int>(1, 12)(rng));
    }
    m.ClearJournal();

    (void)RunUninstaller("-F=\"" + g.folder + "\"");

    tally.junctions += g.junction.empty() ? 0 : 1;
    for (const auto& path : g.listed) tally.tampered += IsSafe(path) ? 0 : 1;
    for (const auto& call : m.Journal()) tally.injected += call.error == ERROR_ACCESS_DENIED ? 1 : 0;
    const std::string where = "seed " + std::to_string(seed) + ", game " + std::to_string(index) + " in " + g.folder;
    SCOPED_TRACE(where);
    EXPECT_EQ(m.OpenFileHandles(), 0);
    EXPECT_EQ(m.OpenKeyHandles(), 0);

    std::set<std::string> failedDeletes, failedKeyDeletes;
    for (const auto& call : m.Calls("DeleteFileA")) {
        if (!call.succeeded) failedDeletes.insert(Upper(call.argument));
    }
    for (const auto& call : m.Calls("RegDeleteKeyA")) {
        if (!call.succeeded) failedKeyDeletes.insert(Upper(call.argument));
    }

    // What may go: listed, safe files not below the junction; the records;
    // the shortcuts; folders of the game; the empty maker and menu folders.
    const std::string link = g.junction.empty() ? std::string() : g.folder + "\\" + g.junction;
    std::set<std::string> mustGo, mayGo, setFolders;
    for (const auto& path : g.listed) {
        if (!IsSafe(path)) continue;
        const auto parts = Components(path);
        for (std::size_t n = 1; n < parts.size(); ++n) setFolders.insert(g.folder + "\\" + Join(parts, n));
        const std::string full = g.folder + "\\" + Join(parts, parts.size());
        if (!link.empty() && Below(full, link)) continue;
        mayGo.insert(Upper(full));
        if (volumeBefore.count(Upper(full)) && !failedDeletes.count(Upper(full))) mustGo.insert(Upper(full));
    }
    for (const char* record : {"Installer.ini", "InstallFiles.ini", "SaveFolderSetting.ini"}) {
        mayGo.insert(Upper(g.folder + "\\InstallInfo\\" + record));
    }
    mayGo.insert(Upper(std::string(kDesktop) + "\\Game.lnk"));
    mayGo.insert(Upper(std::string(kPrograms) + "\\MakerMenu\\" + g.name + "\\Game.lnk"));
    mayGo.insert(Upper(std::string(kPrograms) + "\\MakerMenu\\" + g.name));
    mayGo.insert(Upper(std::string(kPrograms) + "\\MakerMenu"));
    mayGo.insert(Upper("C:\\Games\\" + g.maker));

    const auto volumeAfter = Volume(m);
    for (const auto& path : mustGo) EXPECT_EQ(volumeAfter.count(path), 0u) << "listed file stayed: " << path;
    tally.removed += mustGo.size();
    for (const auto& entry : volumeBefore) {
        const std::string& path = entry.first;
        if (!link.empty() && path.size() > link.size() && Below(path, link)) continue;  // seen through the link
        auto after = volumeAfter.find(path);
        if (after != volumeAfter.end()) {
            EXPECT_EQ(after->second, entry.second) << "changed: " << path;
            continue;
        }
        const bool gameFolder = entry.second == "<folder>" && Below(path, g.folder);
        EXPECT_TRUE(mayGo.count(path) || gameFolder) << "unlisted entry gone: " << path;
    }
    for (const auto& entry : volumeAfter) EXPECT_EQ(volumeBefore.count(entry.first), 1u) << "new: " << entry.first;

    // No key created; the uninstall entry may stay only when deleting it failed
    // (it is opened with creation: that is its administrator check).
    for (const auto& key : m.AllKeys()) {
        if (failedKeyDeletes.count(Upper(key)) && Upper(key).rfind(Upper(kUninstallRoot), 0) == 0) continue;
        EXPECT_TRUE(std::binary_search(keysBefore.begin(), keysBefore.end(), key)) << "created key: " << key;
    }
    for (const char* key : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherProduct",
                            "SOFTWARE\\Vendor\\Tool"}) {
        EXPECT_TRUE(m.KeyExists(key)) << key;
    }

    // Folder messages: each names a folder of the set that stayed, once; each
    // folder of the set that stayed has one (below the link it may be skipped).
    std::set<std::string> named;
    for (const auto& box : m.MessageBoxes()) {
        if (box.flags != 0x10) continue;
        ASSERT_TRUE(box.text.size() > kFolderHead.size() + kFolderTail.size());
        const std::string folder =
            box.text.substr(kFolderHead.size(), box.text.size() - kFolderHead.size() - kFolderTail.size());
        EXPECT_TRUE(m.IsFolder(folder)) << "message for a folder that went: " << folder;
        // The set is byte-exact: "Link" and "LINK" are two entries and get two messages.
        EXPECT_TRUE(setFolders.count(folder)) << "message for a folder not in the set: " << folder;
        EXPECT_TRUE(named.insert(folder).second) << "two messages for " << folder;
        ++tally.folderMessages;
    }
    for (const auto& folder : setFolders) {
        if (!link.empty() && folder.size() > link.size() && Below(folder, link)) continue;
        if (volumeAfter.count(Upper(folder))) {
            EXPECT_TRUE(named.count(folder)) << "stayed without a message: " << folder;
        }
    }
}

TEST(Soak, RandomGamesUninstallWithRandomFaults) {
    std::uint32_t seed = 20261207u;
    if (const char* text = std::getenv("SOAK_SEED")) seed = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    std::uint64_t games = 200;
    if (const char* text = std::getenv("SOAK_GAMES")) games = std::strtoull(text, nullptr, 10);
    std::mt19937 rng(seed);
    Tally tally;
    for (std::uint64_t i = 0; i < games; ++i) {
        CheckOneGame(tally, rng, i, seed);
        if (HasFailure()) {
            ADD_FAILURE() << "reproduce with SOAK_SEED=" << seed << " SOAK_GAMES=" << (i + 1);
            return;
        }
    }
    std::printf("soak: %llu games, seed %u: %llu listed files removed, %llu folder messages, %llu junctions, "
                "%llu tampered entries, %llu calls denied\n",
                static_cast<unsigned long long>(games), seed, static_cast<unsigned long long>(tally.removed),
                static_cast<unsigned long long>(tally.folderMessages), static_cast<unsigned long long>(tally.junctions),
                static_cast<unsigned long long>(tally.tampered), static_cast<unsigned long long>(tally.injected));
    EXPECT_GT(tally.removed, 0u);
    EXPECT_GT(tally.folderMessages, 0u);
}

}  // namespace
