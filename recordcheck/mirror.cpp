#include "recordcheck/mirror.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/paths.h"
#include "common/sjis.h"
#include "platform/sim.h"
#include "platform/win32.h"
#include "recordcheck/encoding.h"

namespace recordcheck {

const char kLinkTargetRoot[] = "C:\\LinkTargets";

namespace {

namespace fs = std::filesystem;

// The files whose bytes the programs read: the installer's records and the
// start-up settings with their includes.
bool ContentMatters(const std::string& name, bool inRecordFolder) {
    if (inRecordFolder) return true;
    const std::string upper = FoldForComparison(name);
    for (const char* extension : {".INI", ".INC", ".INN"}) {
        const std::size_t length = std::strlen(extension);
        if (upper.size() > length && upper.compare(upper.size() - length, length, extension) == 0) return true;
    }
    return false;
}

std::size_t CharacterCount(const std::string& path) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < path.size(); i += sjis::IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1) {
        ++count;
    }
    return count;
}

bool ReadHostFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Which folder's children are being copied.
enum class Level { GameFolder, RecordFolder, Other };

class Mirror {
public:
    explicit Mirror(MirrorResult& result) : machine_(sim::Machine::Current()), result_(result) {}

    bool CopyChildren(const fs::path& host, const std::string& windows, Level level) {
        std::error_code error;
        // In name order, whatever order the host lists them in.
        std::vector<std::pair<std::string, fs::directory_entry>> listed;
        for (fs::directory_iterator it(host, error), end; !error && it != end; it.increment(error)) {
            listed.emplace_back(it->path().filename().native(), *it);
        }
        if (error) return Fail("cannot list " + host.string() + ": " + error.message());
        std::sort(listed.begin(), listed.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });

        // The folder's files and folders are laid out in one go; links after
        // them, as junctions.
        std::vector<Pending> pending;
        std::vector<sim::Machine::NewEntry> adds;
        for (const auto& [hostName, entry] : listed) {
            Pending item{&entry, WindowsNameFromHost(hostName), std::string(), false, false};
            item.path = windows + "\\" + item.name.bytes;
            if (!IsWindowsName(item.name.bytes, !item.name.representable)) {
                Note(MirrorNote::Kind::InvalidName, entry.path().native(), item.path);
                continue;
            }
            // The entry's type as the listing gave it: no second look at the disk.
            item.link = entry.is_symlink(error);
            item.folder = !item.link && !error && entry.is_directory(error);
            const bool regular = !item.link && !item.folder && !error && entry.is_regular_file(error);
            if (error) return Fail("cannot inspect " + entry.path().native() + ": " + error.message());
            if (!item.link) {
                sim::Machine::NewEntry add{item.name.bytes, item.folder, std::string(), 0};
                // A file its owner may not write is read-only to Windows (and
                // to Wine): the Uninstaller cannot delete it.
                if (regular && (entry.symlink_status(error).permissions() & fs::perms::owner_write) == fs::perms::none) {
                    add.attributes = FILE_ATTRIBUTE_READONLY;
                }
                // Only a regular file is read: a pipe or device would never end.
                if (regular && ContentMatters(item.name.bytes, level == Level::RecordFolder) &&
                    !ReadHostFile(entry.path(), add.bytes)) {
                    return Fail("cannot read " + entry.path().native());
                }
                adds.push_back(std::move(add));
            }
            pending.push_back(std::move(item));
        }
        const std::vector<bool> added = machine_.AddNewEntries(windows, adds);
        std::size_t next = 0;
        for (const Pending& item : pending) {
            if (!CopyEntry(item, item.link ? !machine_.Exists(item.path) : added[next++], level)) return false;
        }
        return true;
    }

private:
    // An entry of the folder being copied, named as Windows sees it.
    struct Pending {
        const fs::directory_entry* entry;
        WindowsName name;
        std::string path;
        bool link;
        bool folder;
    };

    // Notes what Windows sees differently of an entry laid out (`added`
    // false: a name taken for one already there), makes a link a junction
    // and copies a folder's children.
    bool CopyEntry(const Pending& item, bool added, Level level) {
        const std::string hostPath = item.entry->path().native();
        if (!added) return Note(MirrorNote::Kind::SameName, hostPath, item.path);
        if (item.name.rawBytes) Note(MirrorNote::Kind::RawBytes, hostPath, item.path);
        if (!item.name.representable) Note(MirrorNote::Kind::Unrepresentable, hostPath, item.path);
        // The ANSI calls hold a path as UTF-16: what counts is characters.
        if (CharacterCount(item.path) >= MAX_PATH) {
            Note(MirrorNote::Kind::TooLong, hostPath, item.path);
            result_.notes.back().characters = CharacterCount(item.path);
        }
        if (item.link) {
            const std::string target = std::string(kLinkTargetRoot) + "\\" + std::to_string(++links_);
            machine_.AddFolder(target);
            machine_.AddJunction(item.path, target);
            return Note(MirrorNote::Kind::Link, hostPath, item.path);
        }
        if (item.folder) {
            const bool records = level == Level::GameFolder && FoldForComparison(item.name.bytes) == "INSTALLINFO";
            return CopyChildren(item.entry->path(), item.path, records ? Level::RecordFolder : Level::Other);
        }
        return true;
    }

    bool Note(MirrorNote::Kind kind, const std::string& hostPath, const std::string& windowsPath) {
        result_.notes.push_back(MirrorNote{kind, hostPath, windowsPath, 0});
        return true;
    }

    bool Fail(const std::string& message) {
        result_.error = message;
        return false;
    }

    sim::Machine& machine_;
    MirrorResult& result_;
    int links_ = 0;
};

}  // namespace

bool IsWindowsName(const std::string& component, bool allowQuestionMark) {
    bool onlyDotsAndSpaces = true;
    for (std::size_t i = 0; i < component.size(); ++i) {
        const auto byte = static_cast<unsigned char>(component[i]);
        if (sjis::IsLeadByte(byte)) {
            ++i;
            onlyDotsAndSpaces = false;
            continue;
        }
        if (byte < 0x20 || std::strchr("<>:\"/\\|*", byte) != nullptr) return false;
        if (byte == '?' && !allowQuestionMark) return false;
        if (byte != '.' && byte != ' ') onlyDotsAndSpaces = false;
    }
    return !onlyDotsAndSpaces;
}

MirrorResult MirrorFolder(const std::string& hostFolder, const std::string& windowsFolder) {
    MirrorResult result;
    sim::Machine::Current().AddFolder(windowsFolder);
    Mirror mirror(result);
    result.ok = mirror.CopyChildren(fs::path(hostFolder), windowsFolder, Level::GameFolder);
    return result;
}

}  // namespace recordcheck
