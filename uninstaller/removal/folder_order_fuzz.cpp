// libFuzzer target: the folders the uninstaller removes after the installed
// files, from a fuzzed installed-file list. The input is read as an
// InstallFiles.ini when that yields entries; otherwise each line (split at
// 0x0A) is one entry's Path, so that any bytes reach the folder logic.
//
// Checked on OrderFoldersForRemoval:
// - containment: every folder is a relative path that stays below the game
//   folder: not empty, not absolute, no ':' or NUL, no empty component, no
//   component made only of dots and spaces ('\' and '/' both separate);
// - order: PathDepth counts the one-byte backslashes and never grows along
//   the sequence, nor does the depth the system sees ('/' separates too), and
//   no folder comes twice, however its separators are written;
// - every folder is a folder on the way to a listed file, and every folder on
//   the way to a plainly named listed file is there (a model far simpler
//   than the containment rule, below).
//
// Then RemoveInstalledFolders runs on the simulated Windows against a game
// folder that holds the plainly named folders of the list (some with a file
// left in them), a junction Link to C:\Windows\Target, and neighbours
// outside the game folder:
// - every RemoveDirectoryA names the game folder, a backslash and a folder of
//   the sequence, in the sequence's order, right after its Sleep(100);
// - one error box per folder that stays, each within the 4096-byte buffer;
// - nothing outside the game folder changes (the junction's target
//   included), the game folder stays, and, when every folder is plainly
//   named, exactly the folders with nothing left below them are gone.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/sim.h"
#include "uninstaller/records/install_file_list.h"
#include "uninstaller/removal/folders.h"

namespace {

const std::string kGame = "C:\\Games\\Maker\\Game";
const std::string kLink = "Link";
const char kLeftover[] = "leftover!.dat";  // '!' keeps it apart from the plain folder names below

// Components of a path split at one-byte '\' and '/'; false for a lead byte
// with no partner.
bool SplitComponents(const std::string& path, std::vector<std::string>& components) {
    components.assign(1, std::string());
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (fuzz::IsLead(byte)) {
            if (i + 1 >= path.size()) return false;
            components.back().append(path, i, 2);
            i += 2;
            continue;
        }
        if (byte == '\\' || byte == '/') {
            components.emplace_back();
        } else {
            components.back().push_back(path[i]);
        }
        ++i;
    }
    return true;
}

// The containment rule, strictest form.
bool StaysInside(const std::string& relative) {
    if (relative.empty() || relative[0] == '\\' || relative[0] == '/') return false;
    std::vector<std::string> components;
    if (!SplitComponents(relative, components)) return false;
    for (const std::string& component : components) {
        if (component.empty()) return false;
        if (component.find_first_not_of(". ") == std::string::npos) return false;
        for (std::size_t i = 0; i < component.size();) {
            const auto byte = static_cast<unsigned char>(component[i]);
            if (fuzz::IsLead(byte)) {
                i += 2;
                continue;
            }
            if (byte == ':' || byte == '\0') return false;
            ++i;
        }
    }
    return true;
}

// A device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, any letter case), which
// names no file whatever extension follows.
bool IsDeviceName(const std::string& base) {
    std::string upper;
    for (char c : base) upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// The components of a plainly named entry, one trailing separator dropped:
// each made of ASCII letters, digits, '_' and two-byte characters that code
// page 932 defines, a '.' only inside the last one (the file's name), and no
// device name. Every folder on the way to such an entry must be removed; what
// the program refuses beyond these is its own business. False when the
// entry is not plainly named.
bool PlainComponents(const std::string& path, std::vector<std::string>& parts) {
    if (!SplitComponents(path, parts)) return false;
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    for (std::size_t n = 0; n < parts.size(); ++n) {
        const std::string& part = parts[n];
        const bool fileName = n + 1 == parts.size();
        if (part.empty() || part.front() == '.' || part.back() == '.') return false;
        for (std::size_t i = 0; i < part.size(); ++i) {
            const auto byte = static_cast<unsigned char>(part[i]);
            if (fuzz::IsLead(byte)) {
                const auto trail = static_cast<unsigned char>(part[++i]);
                if (byte > 0xFC || trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
                continue;
            }
            const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                               (byte >= '0' && byte <= '9') || byte == '_' || (fileName && byte == '.');
            if (!plain) return false;
        }
        if (IsDeviceName(part.substr(0, part.find('.')))) return false;
    }
    return true;
}

// Depth as the system sees it: '\\' and '/' both separate components.
std::size_t SystemDepth(const std::string& path) {
    std::vector<std::string> components;
    (void)SplitComponents(path, components);
    return components.size() - 1;
}

std::size_t CountBackslashes(const std::string& path) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (fuzz::IsLead(byte)) {
            i += 2;
            continue;
        }
        if (byte == '\\') ++count;
        ++i;
    }
    return count;
}

// Prefixes of `path` that end right before a one-byte backslash (not the
// first byte): the folders on the way to it.
std::vector<std::string> FoldersOnTheWay(const std::string& path) {
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (fuzz::IsLead(byte)) {
            i += 2;
            continue;
        }
        if (byte == '\\' && i > 0) folders.push_back(path.substr(0, i));
        ++i;
    }
    return folders;
}

// A name the simulated volume takes as it is: the containment rule, only
// '\' as separator, no byte Windows refuses or rewrites in a name, and
// two-byte characters that code page 932 defines.
bool IsPlain(const std::string& relative) {
    if (!StaysInside(relative)) return false;
    std::vector<std::string> components;
    (void)SplitComponents(relative, components);
    for (std::size_t i = 0; i < relative.size();) {
        const auto byte = static_cast<unsigned char>(relative[i]);
        if (fuzz::IsLead(byte)) {
            const auto trail = static_cast<unsigned char>(relative[i + 1]);
            if (byte > 0xFC || trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
            i += 2;
            continue;
        }
        if (byte < 0x20 || byte == '!' || std::string("<>\"|*?").find(static_cast<char>(byte)) != std::string::npos) {
            return false;
        }
        ++i;
    }
    for (const std::string& component : components) {
        if (component.empty()) return false;
        const char last = component.back();
        if (last == '.' || last == ' ') return false;
    }
    return true;
}

// ASCII letters folded and '/' taken as '\\', as the volume compares names.
std::string Fold(const std::string& path) {
    std::string folded = path;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (fuzz::IsLead(byte)) {
            ++i;
        } else if (byte >= 'a' && byte <= 'z') {
            folded[i] = static_cast<char>(byte - 'a' + 'A');
        } else if (byte == '/') {
            folded[i] = '\\';
        }
    }
    return folded;
}

bool IsBelowOrSame(const std::string& folded, const std::string& folder) {
    return folded == folder || folded.compare(0, folder.size() + 1, folder + "\\") == 0;
}

InstallFileList ListFromInput(const fuzz::ExactBuffer& bytes) {
    InstallFileList list;
    (void)ParseInstallFileList(bytes.begin(), bytes.size(), list);
    if (!list.empty()) return list;
    const std::string input(bytes.begin(), bytes.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = input.find('\n', from);
        InstallFileEntry entry;
        entry.Path = input.substr(from, at == std::string::npos ? std::string::npos : at - from);
        list.push_back(entry);
        if (at == std::string::npos) break;
        from = at + 1;
    }
    return list;
}

// '/' written as '\\': the system takes both as the separator.
std::string SystemSpelling(const std::string& path) {
    std::string spelled = path;
    for (std::size_t i = 0; i < spelled.size(); ++i) {
        if (fuzz::IsLead(static_cast<unsigned char>(spelled[i]))) {
            ++i;
        } else if (spelled[i] == '/') {
            spelled[i] = '\\';
        }
    }
    return spelled;
}

void CheckOrder(const InstallFileList& list, const std::vector<std::string>& order) {
    std::set<std::string> distinct;   // as the system spells them
    std::set<std::string> onTheWay;   // every folder on the way to any listed file
    for (const InstallFileEntry& entry : list) {
        for (const std::string& folder : FoldersOnTheWay(SystemSpelling(entry.Path))) onTheWay.insert(folder);
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::string& folder = order[i];
        FUZZ_CHECK(StaysInside(folder));
        FUZZ_CHECK(PathDepth(folder) == CountBackslashes(folder));
        if (i > 0) FUZZ_CHECK(PathDepth(order[i - 1]) >= PathDepth(folder));
        // Deepest first as the system counts, or a folder is tried before
        // the folder inside it.
        if (i > 0) FUZZ_CHECK(SystemDepth(order[i - 1]) >= SystemDepth(folder));
        FUZZ_CHECK(distinct.insert(SystemSpelling(folder)).second);
        FUZZ_CHECK(onTheWay.count(SystemSpelling(folder)) == 1);
    }
    for (const InstallFileEntry& entry : list) {
        std::vector<std::string> parts;
        if (!PlainComponents(entry.Path, parts)) continue;
        std::string folder;
        for (std::size_t n = 0; n + 1 < parts.size(); ++n) {
            folder += (n == 0 ? "" : "\\") + parts[n];
            FUZZ_CHECK(distinct.count(folder) == 1);
        }
    }
}

void CheckRemoval(const InstallFileList& list, const std::vector<std::string>& order) {
    sim::Machine machine;
    machine.AddFolder(kGame);
    machine.AddFile("C:\\Games\\Maker\\Other\\Save\\save.dat", "save");
    machine.AddFolder("C:\\Games\\Maker\\Empty");
    machine.AddFolder("C:\\Windows\\Target\\Empty");
    machine.AddJunction(kGame + "\\" + kLink, "C:\\Windows\\Target");

    // The plain folders exist; every third one still holds a file.
    bool allPlain = true;
    std::vector<std::string> leftovers;  // folded
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (!IsPlain(order[i])) {
            allPlain = false;
            continue;
        }
        machine.AddFolder(kGame + "\\" + order[i]);
        if ((order[i].size() + i) % 3 == 0) {
            machine.AddFile(kGame + "\\" + order[i] + "\\" + kLeftover, "x");
            leftovers.push_back(Fold(order[i]));
        }
    }
    const std::string gamePrefix = Fold(kGame + "\\");
    auto outside = [&]() {
        std::vector<std::string> entries;
        for (const std::string& path : machine.ListTree("C:\\")) {
            if (Fold(path + "\\").compare(0, gamePrefix.size(), gamePrefix) != 0) entries.push_back(path);
        }
        return entries;
    };
    const std::vector<std::string> outsideBefore = outside();
    machine.ClearJournal();

    RemoveInstalledFolders(kGame, list);

    // The calls: each attempt names a folder of the sequence, in its order,
    // right after its wait.
    const std::vector<sim::JournalEntry>& journal = machine.Journal();
    std::size_t next = 0;
    std::size_t removed = 0;
    std::size_t sleeps = 0;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        const sim::JournalEntry& call = journal[i];
        if (call.function == "Sleep") {
            FUZZ_CHECK(call.argument == "100");
            ++sleeps;
        }
        if (call.function != "RemoveDirectoryA") continue;
        FUZZ_CHECK(i > 0 && journal[i - 1].function == "Sleep");
        FUZZ_CHECK(call.argument.compare(0, kGame.size() + 1, kGame + "\\") == 0);
        const std::string relative = call.argument.substr(kGame.size() + 1);
        FUZZ_CHECK(StaysInside(relative));
        while (next < order.size() && order[next] != relative) ++next;
        FUZZ_CHECK(next < order.size());
        ++next;
        if (call.succeeded) ++removed;
    }
    FUZZ_CHECK(sleeps == static_cast<std::size_t>(machine.CallCount("RemoveDirectoryA")));

    // One box per folder that stays.
    const auto& boxes = machine.MessageBoxes();
    FUZZ_CHECK(boxes.size() + removed == order.size());
    for (const sim::MessageBoxRecord& box : boxes) {
        FUZZ_CHECK(box.text.size() <= kFolderMessageBufferSize - 1);
        FUZZ_CHECK(box.caption == "Uninstaller" && box.flags == (MB_OK | MB_ICONERROR) && !box.hasOwner);
    }

    // Nothing outside the game folder changed; the game folder stays.
    FUZZ_CHECK(outside() == outsideBefore);
    FUZZ_CHECK(machine.IsFolder(kGame));
    FUZZ_CHECK(machine.IsFolder(kGame + "\\" + kLink));

    // With plain names the result is known: a folder goes unless a file is
    // left below it or it lies behind the junction.
    if (!allPlain) return;
    const std::string link = Fold(kLink);
    for (const std::string& folder : order) {
        const std::string folded = Fold(folder);
        bool kept = IsBelowOrSame(folded, link);
        for (const std::string& leftover : leftovers) kept = kept || IsBelowOrSame(leftover, folded);
        FUZZ_CHECK(machine.IsFolder(kGame + "\\" + folder) == kept);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::ExactBuffer input(std::string(reinterpret_cast<const char*>(data), size));
    const InstallFileList list = ListFromInput(input);
    const std::vector<std::string> order = OrderFoldersForRemoval(list);
    CheckOrder(list, order);
    CheckRemoval(list, order);
    return 0;
}
