#include "recordcheck/mirror.h"

#include <algorithm>
#include <cstring>

#include "common/paths.h"
#include "common/sjis.h"
#include "platform/sim.h"
#include "platform/win32.h"
#include "recordcheck/encoding.h"
#include "recordcheck/host_folder.h"

namespace recordcheck {

const char kLinkTargetRoot[] = "C:\\LinkTargets";

namespace {

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

// A name that ends in a dot or a space: Windows drops them, so no installer
// can have written it.
bool EndsInDotOrSpace(const std::string& name) { return !name.empty() && (name.back() == '.' || name.back() == ' '); }

// Why Windows cannot hold a name, as exactly as can be said.
MirrorNote::Kind InvalidNameKind(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (sjis::IsLeadByte(static_cast<unsigned char>(name[i]))) {
            ++i;
        } else if (name[i] == '\\') {
            return MirrorNote::Kind::Backslash;
        }
    }
    if (!IsWindowsName(name, true)) return MirrorNote::Kind::InvalidName;
    return EndsInDotOrSpace(name) ? MirrorNote::Kind::TrailingDot : MirrorNote::Kind::InvalidName;
}

// Which folder's children are being copied.
enum class Level { GameFolder, RecordFolder, Other };

class Mirror {
public:
    explicit Mirror(MirrorResult& result) : machine_(sim::Machine::Current()), result_(result) {}

    bool CopyChildren(const std::string& host, const std::string& windows, Level level) {
        std::vector<HostEntry> listed;
        std::string error;
        if (!ListHostFolder(host, listed, error)) return Fail(error);

        // The folder's files and folders are laid out in one go; links after
        // them, as junctions.
        std::vector<Pending> pending;
        std::vector<sim::Machine::NewEntry> adds;
        for (HostEntry& entry : listed) {
            Pending item{JoinHostPath(host, entry.name), WindowsNameFromHost(entry.name), std::string(), entry.type};
            item.path = windows + "\\" + item.name.bytes;
            if (!IsWindowsName(item.name.bytes, !item.name.representable) || EndsInDotOrSpace(item.name.bytes)) {
                Note(InvalidNameKind(item.name.bytes), item.hostPath, item.path);
                continue;
            }
            if (item.type != HostType::Link) {
                sim::Machine::NewEntry add{item.name.bytes, item.type == HostType::Folder, std::string(), 0};
                // A file without a write bit is read-only to Wine, as such a
                // file is to Windows: the Uninstaller cannot delete it.
                if (item.type == HostType::File && !entry.writable) add.attributes = FILE_ATTRIBUTE_READONLY;
                if (entry.hidden) add.attributes |= FILE_ATTRIBUTE_HIDDEN;
                // Only a regular file is read: a pipe or device would never end.
                if (item.type == HostType::File && ContentMatters(item.name.bytes, level == Level::RecordFolder) &&
                    !ReadHostFile(item.hostPath, add.bytes)) {
                    return Fail("cannot read " + item.hostPath);
                }
                adds.push_back(std::move(add));
            }
            pending.push_back(std::move(item));
        }
        const std::vector<bool> added = machine_.AddNewEntries(windows, adds);
        std::size_t next = 0;
        for (const Pending& item : pending) {
            const bool link = item.type == HostType::Link;
            if (!CopyEntry(item, link ? !machine_.Exists(item.path) : added[next++], level)) return false;
        }
        return true;
    }

private:
    // An entry of the folder being copied, named as Windows sees it.
    struct Pending {
        std::string hostPath;
        WindowsName name;
        std::string path;
        HostType type;
    };

    // Notes what Windows sees differently of an entry laid out (`added`
    // false: a name taken for one already there), makes a link a junction
    // and copies a folder's children.
    bool CopyEntry(const Pending& item, bool added, Level level) {
        const std::string& hostPath = item.hostPath;
        if (!added) return Note(MirrorNote::Kind::SameName, hostPath, item.path);
        if (item.name.rawBytes) Note(MirrorNote::Kind::RawBytes, hostPath, item.path);
        // Such a file can lie in a folder copied from elsewhere; on Windows
        // no program opens it by name.
        if (IsDeviceName(item.name.bytes)) Note(MirrorNote::Kind::DeviceName, hostPath, item.path);
        if (!item.name.representable) Note(MirrorNote::Kind::Unrepresentable, hostPath, item.path);
        // The ANSI calls hold a path as UTF-16: what counts is characters.
        if (CharacterCount(item.path) >= MAX_PATH) {
            Note(MirrorNote::Kind::TooLong, hostPath, item.path);
            result_.notes.back().characters = CharacterCount(item.path);
        }
        if (item.type == HostType::Link) {
            const std::string target = std::string(kLinkTargetRoot) + "\\" + std::to_string(++links_);
            machine_.AddFolder(target);
            machine_.AddJunction(item.path, target);
            return Note(MirrorNote::Kind::Link, hostPath, item.path);
        }
        if (item.type == HostType::Folder) {
            const bool records = level == Level::GameFolder && FoldForComparison(item.name.bytes) == "INSTALLINFO";
            return CopyChildren(item.hostPath, item.path, records ? Level::RecordFolder : Level::Other);
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
    result.ok = mirror.CopyChildren(hostFolder, windowsFolder, Level::GameFolder);
    return result;
}

}  // namespace recordcheck
