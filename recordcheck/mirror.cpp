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
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(host, error), end; !error && it != end; it.increment(error)) {
            entries.push_back(*it);
        }
        if (error) return Fail("cannot list " + host.string() + ": " + error.message());
        std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
            return a.path().filename().native() < b.path().filename().native();
        });
        for (const fs::directory_entry& entry : entries) {
            if (!CopyEntry(entry, windows, level)) return false;
        }
        return true;
    }

private:
    bool CopyEntry(const fs::directory_entry& entry, const std::string& windows, Level level) {
        const std::string hostPath = entry.path().native();
        const WindowsName name = WindowsNameFromHost(entry.path().filename().native());
        const std::string path = windows + "\\" + name.bytes;
        if (!IsWindowsName(name.bytes, !name.representable)) return Note(MirrorNote::Kind::InvalidName, hostPath, path);
        if (machine_.Exists(path)) return Note(MirrorNote::Kind::SameName, hostPath, path);
        if (name.rawBytes) Note(MirrorNote::Kind::RawBytes, hostPath, path);
        if (!name.representable) Note(MirrorNote::Kind::Unrepresentable, hostPath, path);
        // The ANSI calls hold a path as UTF-16: what counts is characters.
        if (CharacterCount(path) >= MAX_PATH) {
            Note(MirrorNote::Kind::TooLong, hostPath, path);
            result_.notes.back().characters = CharacterCount(path);
        }

        std::error_code error;
        const fs::file_status status = entry.symlink_status(error);
        if (error) return Fail("cannot inspect " + hostPath + ": " + error.message());
        if (fs::is_symlink(status)) {
            const std::string target = std::string(kLinkTargetRoot) + "\\" + std::to_string(++links_);
            machine_.AddFolder(target);
            machine_.AddJunction(path, target);
            return Note(MirrorNote::Kind::Link, hostPath, path);
        }
        if (fs::is_directory(status)) {
            machine_.AddFolder(path);
            const bool records = level == Level::GameFolder && FoldForComparison(name.bytes) == "INSTALLINFO";
            return CopyChildren(entry.path(), path, records ? Level::RecordFolder : Level::Other);
        }
        // Only a regular file is read: a pipe or device would never end.
        std::string bytes;
        if (fs::is_regular_file(status) && ContentMatters(name.bytes, level == Level::RecordFolder) &&
            !ReadHostFile(entry.path(), bytes)) {
            return Fail("cannot read " + hostPath);
        }
        machine_.AddFile(path, bytes);
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
