// The simulated volume: path normalization and resolution as Win32 does it,
// the sim::Machine volume API, and the kernel32 file, folder and handle calls.
#include <algorithm>
#include <cstring>

#include "common/sjis.h"
#include "platform/sim_internal.h"

namespace sim {

namespace {

constexpr DWORD kErrorBadNetPath = 53;
constexpr DWORD kErrorNoAccess = 998;  // a bad user buffer
constexpr DWORD kIoReparseTagMountPoint = 0xA0000003;

// Rights that take part in sharing checks.
constexpr DWORD kRead = 1, kWrite = 2, kDelete = 4;

DWORD EffectiveAccess(DWORD access) {
    DWORD rights = 0;
    if (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | 0x0001 /*FILE_READ_DATA*/ | 0x0020 /*FILE_EXECUTE*/))
        rights |= kRead;
    if (access & (GENERIC_WRITE | GENERIC_ALL | 0x0002 /*FILE_WRITE_DATA*/ | 0x0004 /*FILE_APPEND_DATA*/))
        rights |= kWrite;
    if (access & (DELETE | GENERIC_ALL)) rights |= kDelete;
    return rights;
}

bool Conflicts(DWORD existingRights, DWORD existingShare, DWORD rights, DWORD share) {
    if ((rights & kRead) && !(existingShare & FILE_SHARE_READ)) return true;
    if ((rights & kWrite) && !(existingShare & FILE_SHARE_WRITE)) return true;
    if ((rights & kDelete) && !(existingShare & FILE_SHARE_DELETE)) return true;
    if ((existingRights & kRead) && !(share & FILE_SHARE_READ)) return true;
    if ((existingRights & kWrite) && !(share & FILE_SHARE_WRITE)) return true;
    if ((existingRights & kDelete) && !(share & FILE_SHARE_DELETE)) return true;
    return false;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool HasSeparator(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (sjis::IsLeadByte(static_cast<unsigned char>(name[i]))) {
            ++i;
        } else if (name[i] == '\\' || name[i] == '/') {
            return true;
        }
    }
    return false;
}

bool HasInvalidCharacter(const std::string& component, bool allowWildcards) {
    for (std::size_t i = 0; i < component.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(component[i]);
        if (sjis::IsLeadByte(byte)) {
            ++i;
            continue;
        }
        if (byte < 0x20 || byte == '<' || byte == '>' || byte == ':' || byte == '"' || byte == '|') return true;
        if (!allowWildcards && (byte == '*' || byte == '?')) return true;
    }
    return false;
}

// Character units of a folded name: one or two bytes each.
std::vector<std::string> Units(const std::string& text) {
    std::vector<std::string> units;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = (sjis::IsLeadByte(byte) && i + 1 < text.size()) ? 2 : 1;
        units.push_back(text.substr(i, length));
        i += length - 1;
    }
    return units;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
    const std::vector<std::string> p = Units(FoldName(pattern));
    const std::vector<std::string> n = Units(FoldName(name));
    // match[j]: pattern prefix so far matches name prefix of length j
    std::vector<bool> match(n.size() + 1, false);
    match[0] = true;
    for (const std::string& unit : p) {
        std::vector<bool> next(n.size() + 1, false);
        if (unit == "*") {
            bool any = false;
            for (std::size_t j = 0; j <= n.size(); ++j) {
                any = any || match[j];
                next[j] = any;
            }
        } else {
            for (std::size_t j = 1; j <= n.size(); ++j) {
                next[j] = match[j - 1] && (unit == "?" || unit == n[j - 1]);
            }
        }
        match.swap(next);
    }
    return match[n.size()];
}

void FillFindData(const Node& node, const std::string& name, LPWIN32_FIND_DATAA data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = node.attributes;
    if (!node.folder) {
        const std::uint64_t size = node.bytes.size();
        data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
        data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    }
    if (node.Junction()) data->dwReserved0 = kIoReparseTagMountPoint;
    const std::size_t length = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(data->cFileName, name.data(), length);
}

std::string Arg(LPCSTR text) { return text == nullptr ? std::string("(null)") : std::string(text); }

std::shared_ptr<Node> MakeFolder(const std::string& name) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->folder = true;
    node->attributes = FILE_ATTRIBUTE_DIRECTORY;
    return node;
}

std::shared_ptr<Node> MakeFile(const std::string& name, DWORD attributes) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->attributes = attributes;
    return node;
}

Machine::State& Current() { return Machine::Current().Internals(); }

}  // namespace

// ---- paths --------------------------------------------------------------------

std::string NormalPath::Text() const {
    std::string text(1, driveShown != 0 ? driveShown : drive);
    text += ":\\";
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i != 0) text += '\\';
        text += components[i];
    }
    return text;
}

std::size_t NormalPath::CharacterCount() const {
    std::size_t count = 3;  // "C:\\"
    for (std::size_t i = 0; i < components.size(); ++i) count += (i != 0 ? 1 : 0) + sim::CharacterCount(components[i]);
    return count;
}

std::shared_ptr<Node> Machine::State::Drive(char letter) const {
    auto found = drives.find(letter);
    return found == drives.end() ? nullptr : found->second;
}

// Win32 path normalization (what GetFullPathName does before any file
// system sees the path): forward slashes are separators, runs of separators
// collapse, "." and ".." resolve textually (so "link\.." is the link's
// parent, never the target's), an inner component loses one trailing dot,
// and the last component loses all trailing dots and spaces unless the path
// ends in a separator.
bool Machine::State::Normalize(const char* path, NormalPath& out, DWORD& error) const {
    error = 0;
    if (path == nullptr || *path == '\0') {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    const std::size_t size = std::strlen(path);
    // One pass over the bytes: '/' is '\\' outside two-byte characters.
    auto separator = [&](std::size_t i) { return path[i] == '\\' || path[i] == '/'; };
    if (size >= 2 && separator(0) && separator(1)) {
        error = kErrorBadNetPath;  // UNC and device paths: no network in this machine
        return false;
    }
    NormalPath result;
    std::size_t at = 0;
    if (size >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
        result.drive = static_cast<char>(path[0] >= 'a' && path[0] <= 'z' ? path[0] - 'a' + 'A' : path[0]);
        result.driveShown = path[0];
        at = 2;
        if (size == 2 || !separator(2)) {
            // "C:name" is relative to that drive's current directory; only
            // the current drive has one here.
            if (currentDirectory.drive == result.drive) result = currentDirectory;
        }
    } else if (separator(0)) {
        result.drive = currentDirectory.drive;
        result.driveShown = currentDirectory.driveShown;
    } else {
        result = currentDirectory;
    }
    result.trailingSeparator = false;

    // Components split at separators, runs of them collapsed; the last one
    // loses its trailing dots and spaces, the others one trailing dot.
    result.components.reserve(result.components.size() + 8);
    bool trailing = false;
    std::string part;
    while (at <= size) {
        const std::size_t begin = at;
        while (at < size && !separator(at)) {
            at += sjis::IsLeadByte(static_cast<unsigned char>(path[at])) && at + 1 < size ? 2 : 1;
        }
        if (at > begin) {
            part.assign(path + begin, at - begin);
            trailing = false;
        }
        const bool last = at == size;
        if (!last) trailing = true;
        ++at;
        if (part.empty()) continue;
        if (part == ".") {
            part.clear();
            continue;
        }
        if (part == "..") {
            if (!result.components.empty()) result.components.pop_back();
            part.clear();
            continue;
        }
        if (last) {
            while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
            if (part.empty()) {
                trailing = true;
                continue;
            }
        } else if (part.back() == '.') {
            part.pop_back();
            if (part.empty()) continue;
        }
        if (HasInvalidCharacter(part, true)) {
            error = ERROR_INVALID_NAME;
            return false;
        }
        result.components.push_back(std::move(part));
        part.clear();
    }
    result.trailingSeparator = trailing && !result.components.empty();
    out = std::move(result);
    return true;
}

std::shared_ptr<Node> Machine::State::FollowJunction(const Node& junction, int depth) const {
    if (depth > 31) return nullptr;  // a junction loop
    NormalPath target;
    DWORD error = 0;
    if (!Normalize(junction.junctionTarget.c_str(), target, error)) return nullptr;
    std::shared_ptr<Node> node = Drive(target.drive);
    for (const std::string& component : target.components) {
        if (node == nullptr || !node->folder) return nullptr;
        auto child = node->children.find(FoldName(component));
        if (child == node->children.end()) return nullptr;
        node = child->second;
        if (node->Junction()) node = FollowJunction(*node, depth + 1);
    }
    return (node != nullptr && node->folder) ? node : nullptr;
}

Resolved Machine::State::ResolveNormal(NormalPath path) const {
    Resolved resolved;
    resolved.path = std::move(path);
    std::shared_ptr<Node> node = Drive(resolved.path.drive);
    if (node == nullptr) {
        resolved.error = ERROR_PATH_NOT_FOUND;
        return resolved;
    }
    if (resolved.path.components.empty()) {
        resolved.node = node;
        return resolved;
    }
    std::string key;
    for (std::size_t i = 0; i + 1 < resolved.path.components.size(); ++i) {
        FoldNameInto(resolved.path.components[i], key);
        auto child = node->children.find(key);
        if (child == node->children.end() || !child->second->folder) {
            resolved.error = ERROR_PATH_NOT_FOUND;
            return resolved;
        }
        node = child->second;
        if (node->Junction()) {
            node = FollowJunction(*node, 0);
            if (node == nullptr) {
                resolved.error = ERROR_PATH_NOT_FOUND;
                return resolved;
            }
        }
    }
    resolved.parent = node;
    resolved.name = resolved.path.components.back();
    FoldNameInto(resolved.name, key);
    auto child = node->children.find(key);
    if (child != node->children.end()) resolved.node = child->second;
    return resolved;
}

Resolved Machine::State::Resolve(const char* path) const {
    Resolved resolved;
    if (!Normalize(path, resolved.path, resolved.error)) return resolved;
    return ResolveNormal(std::move(resolved.path));
}

// The ANSI calls turn the path into UTF-16 in a buffer of MAX_PATH
// characters plus the NUL (ERROR_FILENAME_EXCED_RANGE beyond), and the full
// path must then fit MAX_PATH with its NUL. A device name as the last
// component (in any folder, existing or not) opens the device; a wildcard in
// a folder's name is no name at all.
Resolved Machine::State::ResolveCall(const char* path) const {
    Resolved resolved;
    if (path != nullptr && CharacterCount(path) > MAX_PATH) {
        resolved.error = ERROR_FILENAME_EXCED_RANGE;
        return resolved;
    }
    if (!Normalize(path, resolved.path, resolved.error)) return resolved;
    const NormalPath& full = resolved.path;
    if (full.CharacterCount() + (full.trailingSeparator ? 1 : 0) >= MAX_PATH) {
        resolved.error = ERROR_PATH_NOT_FOUND;
        return resolved;
    }
    for (std::size_t i = 0; i + 1 < full.components.size(); ++i) {
        if (ContainsWildcard(full.components[i])) {
            resolved.error = ERROR_INVALID_NAME;
            return resolved;
        }
    }
    if (!full.components.empty() && IsDeviceName(full.components.back())) {
        resolved.device = true;
        resolved.name = full.components.back();
        return resolved;
    }
    return ResolveNormal(std::move(resolved.path));
}

bool Machine::State::Blocks(const Node& node, DWORD access, DWORD share) const {
    const DWORD rights = EffectiveAccess(access);
    for (const auto& file : files) {
        if (file.second.node.get() == &node && Conflicts(file.second.access, file.second.share, rights, share))
            return true;
    }
    for (const HeldOpen& hold : held) {
        if (hold.node.get() == &node && Conflicts(hold.access, hold.share, rights, share)) return true;
    }
    return false;
}

bool Machine::State::HasHandles(const Node& node) const {
    for (const auto& file : files) {
        if (file.second.node.get() == &node) return true;
    }
    for (const HeldOpen& hold : held) {
        if (hold.node.get() == &node) return true;
    }
    return false;
}

namespace {
bool EraseChild(Node& folder, const Node& node) {
    for (auto entry = folder.children.begin(); entry != folder.children.end(); ++entry) {
        if (entry->second.get() == &node) {
            folder.children.erase(entry);
            return true;
        }
        if (entry->second->folder && !entry->second->Junction() && EraseChild(*entry->second, node)) return true;
    }
    return false;
}
}  // namespace

void Machine::State::FinishPendingDelete(const std::shared_ptr<Node>& node) {
    if (node == nullptr || !node->deletePending || HasHandles(*node)) return;
    for (auto& drive : drives) {
        if (EraseChild(*drive.second, *node)) return;
    }
}

void Machine::State::Unlink(const Resolved& resolved) {
    if (!posixDelete && HasHandles(*resolved.node)) {
        resolved.node->deletePending = true;
        return;
    }
    resolved.parent->children.erase(FoldName(resolved.name));
}

bool Machine::State::IsCurrentFolderOfAProcess(const Node& node) const {
    if (ResolveNormal(currentDirectory).node.get() == &node) return true;
    for (const Process& process : processes) {
        if (process.endsAt > slept && process.folder.get() == &node) return true;
    }
    return false;
}

bool Machine::State::IsRunningImage(const Node& node) const {
    // Only an entry named like the program's file can be it: the name is
    // compared first, the whole path resolved only then.
    if (moduleNameFor != modulePath) {
        NormalPath normal;
        DWORD error = 0;
        moduleName = Normalize(modulePath.c_str(), normal, error) && !normal.components.empty()
                         ? FoldName(normal.components.back())
                         : std::string();
        moduleNameFor = modulePath;
    }
    if (FoldName(node.name) == moduleName && Resolve(modulePath.c_str()).node.get() == &node) return true;
    for (const Process& process : processes) {
        if (process.endsAt > slept && process.image.get() == &node) return true;
    }
    return false;
}

std::shared_ptr<Node> Machine::State::EnsureFolder(const std::string& path) {
    NormalPath normal;
    DWORD error = 0;
    if (!Normalize(path.c_str(), normal, error)) Fatal("not a usable Windows path: \"%s\"", path.c_str());
    return EnsureFolder(normal, normal.components.size(), path);
}

std::shared_ptr<Node> Machine::State::EnsureFolder(const NormalPath& normal, std::size_t depth, const std::string& shown) {
    std::shared_ptr<Node>& root = drives[normal.drive];
    if (root == nullptr) root = MakeFolder(std::string(1, normal.drive) + ":");  // drive names upper case
    std::shared_ptr<Node> node = root;
    for (std::size_t i = 0; i < depth; ++i) {
        const std::string& component = normal.components[i];
        std::shared_ptr<Node>& child = node->children[FoldName(component)];
        if (child == nullptr) child = MakeFolder(StoredName(component));
        if (!child->folder) Fatal("\"%s\": \"%s\" is a file, not a folder", shown.c_str(), component.c_str());
        node = child;
        if (node->Junction()) {
            node = FollowJunction(*node, 0);
            if (node == nullptr) Fatal("\"%s\": junction \"%s\" leads nowhere", shown.c_str(), component.c_str());
        }
    }
    return node;
}

// ---- Machine: volume API ----------------------------------------------------------

namespace {

// Where AddFile and its kin put an entry: its normalized path, the folder
// that holds it (made as needed) and its slot there, empty when new.
struct Slot {
    NormalPath normal;
    std::shared_ptr<Node>* entry = nullptr;
};

Slot PlaceEntry(Machine::State& s, const std::string& path, const char* caller) {
    Slot slot;
    DWORD error = 0;
    if (!s.Normalize(path.c_str(), slot.normal, error) || slot.normal.components.empty())
        Fatal("%s: not a usable path: \"%s\"", caller, path.c_str());
    const std::shared_ptr<Node> parent = s.EnsureFolder(slot.normal, slot.normal.components.size() - 1, path);
    slot.entry = &parent->children[FoldName(slot.normal.components.back())];
    return slot;
}

}  // namespace

void Machine::AddFolder(const std::string& path) { (void)state_->EnsureFolder(path); }

void Machine::AddFile(const std::string& path, const std::string& bytes) {
    const Slot slot = PlaceEntry(*state_, path, "AddFile");
    std::shared_ptr<Node>& child = *slot.entry;
    if (child == nullptr) child = MakeFile(StoredName(slot.normal.components.back()), FILE_ATTRIBUTE_ARCHIVE);
    if (child->folder) Fatal("AddFile: \"%s\" is a folder", path.c_str());
    child->bytes = bytes;
}

bool Machine::AddNewFile(const std::string& path, const std::string& bytes) {
    const Slot slot = PlaceEntry(*state_, path, "AddNewFile");
    if (*slot.entry != nullptr) return false;
    *slot.entry = MakeFile(StoredName(slot.normal.components.back()), FILE_ATTRIBUTE_ARCHIVE);
    (*slot.entry)->bytes = bytes;
    return true;
}

std::vector<bool> Machine::AddNewEntries(const std::string& folder, const std::vector<NewEntry>& entries) {
    const std::shared_ptr<Node> parent = state_->EnsureFolder(folder);
    std::vector<bool> added;
    added.reserve(entries.size());
    for (const NewEntry& entry : entries) {
        std::string name = entry.name;
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        if (name.empty() || HasInvalidCharacter(name, true) || HasSeparator(name)) {
            Fatal("AddNewEntries: not a usable name: \"%s\"", entry.name.c_str());
        }
        std::shared_ptr<Node>& child = parent->children[FoldName(name)];
        added.push_back(child == nullptr);
        if (child != nullptr) continue;
        child = entry.folder ? MakeFolder(StoredName(name)) : MakeFile(StoredName(name), FILE_ATTRIBUTE_ARCHIVE);
        child->attributes |= entry.attributes;
        child->bytes = entry.bytes;
    }
    return added;
}

bool Machine::AddNewFolder(const std::string& path) {
    const Slot slot = PlaceEntry(*state_, path, "AddNewFolder");
    if (*slot.entry != nullptr) return false;
    *slot.entry = MakeFolder(StoredName(slot.normal.components.back()));
    return true;
}

bool Machine::Exists(const std::string& path) const { return state_->Resolve(path.c_str()).node != nullptr; }

bool Machine::IsFolder(const std::string& path) const {
    auto node = state_->Resolve(path.c_str()).node;
    return node != nullptr && node->folder;
}

bool Machine::IsFile(const std::string& path) const {
    auto node = state_->Resolve(path.c_str()).node;
    return node != nullptr && !node->folder;
}

std::string Machine::FileBytes(const std::string& path) const {
    auto node = state_->Resolve(path.c_str()).node;
    return (node != nullptr && !node->folder) ? node->bytes : std::string();
}

DWORD Machine::Attributes(const std::string& path) const {
    auto node = state_->Resolve(path.c_str()).node;
    return node != nullptr ? node->attributes : INVALID_FILE_ATTRIBUTES;
}

void Machine::SetAttributes(const std::string& path, DWORD attributes) {
    auto node = state_->Resolve(path.c_str()).node;
    if (node == nullptr) Fatal("SetAttributes: \"%s\" does not exist", path.c_str());
    node->attributes = node->folder ? (attributes | FILE_ATTRIBUTE_DIRECTORY) : (attributes & ~FILE_ATTRIBUTE_DIRECTORY);
}

void Machine::ReportFileSize(const std::string& path, std::uint64_t size) {
    auto node = state_->Resolve(path.c_str()).node;
    if (node == nullptr || node->folder) Fatal("ReportFileSize: \"%s\" is no file", path.c_str());
    node->reportedSize = static_cast<std::int64_t>(size);
}

void Machine::AddJunction(const std::string& link, const std::string& target) {
    NormalPath linkPath, targetPath;
    DWORD error = 0;
    if (!state_->Normalize(link.c_str(), linkPath, error) || linkPath.components.empty())
        Fatal("AddJunction: not a usable link path: \"%s\"", link.c_str());
    if (!state_->Normalize(target.c_str(), targetPath, error))
        Fatal("AddJunction: not a usable target path: \"%s\"", target.c_str());
    NormalPath parentPath = linkPath;
    parentPath.components.pop_back();
    std::shared_ptr<Node> parent = state_->EnsureFolder(parentPath.Text());
    std::shared_ptr<Node>& child = parent->children[FoldName(linkPath.components.back())];
    if (child != nullptr) Fatal("AddJunction: \"%s\" already exists", link.c_str());
    child = MakeFolder(StoredName(linkPath.components.back()));
    child->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    child->junctionTarget = targetPath.Text();
}

namespace {
void CollectTree(const Node& folder, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& entry : folder.children) {
        const std::string path = prefix + "\\" + entry.second->name;
        out.push_back(path);
        if (entry.second->folder && !entry.second->Junction()) CollectTree(*entry.second, path, out);
    }
}
}  // namespace

std::vector<std::string> Machine::ListTree(const std::string& root) const {
    Resolved resolved = state_->Resolve(root.c_str());
    std::vector<std::string> out;
    std::shared_ptr<Node> node = resolved.node;
    if (node == nullptr || !node->folder) return out;
    // The prefix spells the root with the names as stored.
    std::string prefix(1, resolved.path.drive);
    prefix += ':';
    {
        std::shared_ptr<Node> walk = state_->Drive(resolved.path.drive);
        for (const std::string& component : resolved.path.components) {
            auto child = walk->children.find(FoldName(component));
            prefix += "\\" + child->second->name;
            walk = child->second;
            if (walk->Junction()) walk = state_->FollowJunction(*walk, 0);
            if (walk == nullptr) return out;
        }
        node = walk;
    }
    CollectTree(*node, prefix, out);
    std::sort(out.begin(), out.end());
    return out;
}

void Machine::HoldOpen(const std::string& path, DWORD shareMode) { HoldOpen(path, shareMode, GENERIC_READ); }

void Machine::HoldOpen(const std::string& path, DWORD shareMode, DWORD access) {
    Resolved resolved = state_->Resolve(path.c_str());
    if (resolved.node == nullptr) Fatal("HoldOpen: \"%s\" does not exist", path.c_str());
    state_->held.push_back(HeldOpen{resolved.node, path, EffectiveAccess(access), shareMode});
}

void Machine::ReleaseHeld(const std::string& path) {
    Resolved resolved = state_->Resolve(path.c_str());
    const std::string folded = FoldName(path);
    auto& held = state_->held;
    std::vector<std::shared_ptr<Node>> released;
    for (const HeldOpen& hold : held) {
        if ((resolved.node != nullptr && hold.node == resolved.node) || FoldName(hold.path) == folded)
            released.push_back(hold.node);
    }
    held.erase(std::remove_if(held.begin(), held.end(),
                              [&](const HeldOpen& hold) {
                                  return std::find(released.begin(), released.end(), hold.node) != released.end();
                              }),
               held.end());
    for (const auto& node : released) state_->FinishPendingDelete(node);
}

void Machine::SetPosixDeleteSemantics(bool posix) { state_->posixDelete = posix; }

int Machine::StartProcess(const std::string& image, const std::string& currentFolder, DWORD lifetimeMs) {
    Resolved folder = state_->Resolve(currentFolder.c_str());
    if (folder.node == nullptr || !folder.node->folder)
        Fatal("StartProcess: \"%s\" is not an existing folder", currentFolder.c_str());
    Process process;
    process.id = state_->nextProcessId++;
    process.image = state_->Resolve(image.c_str()).node;
    process.folder = folder.node;
    process.endsAt = lifetimeMs == kUntilEnded ? UINT64_MAX : state_->slept + lifetimeMs;
    state_->processes.push_back(process);
    return process.id;
}

void Machine::EndProcess(int id) {
    auto& processes = state_->processes;
    processes.erase(std::remove_if(processes.begin(), processes.end(),
                                   [id](const Process& process) { return process.id == id; }),
                    processes.end());
}

void Machine::SetCurrentDirectory(const std::string& path) {
    Resolved resolved = state_->Resolve(path.c_str());
    if (resolved.node == nullptr || !resolved.node->folder)
        Fatal("SetCurrentDirectory: \"%s\" is not an existing folder", path.c_str());
    state_->currentDirectory = resolved.path;
    state_->currentDirectory.trailingSeparator = false;
}

std::string Machine::CurrentDirectory() const { return state_->currentDirectory.Text(); }

void Machine::SetTempPath(const std::string& pathWithTrailingBackslash) {
    state_->tempPath = pathWithTrailingBackslash;
}

void Machine::SetModulePath(const std::string& path) { state_->modulePath = path; }

}  // namespace sim

// ---- kernel32 ---------------------------------------------------------------------

using sim::Call;
using sim::Resolved;

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    Call call("CreateFileA", sim::Arg(lpFileName));
    if (call.Injected()) return INVALID_HANDLE_VALUE;
    auto& s = call.S();
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
        call.Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    Resolved r = s.ResolveCall(lpFileName);
    if (r.error == 0 && !r.Root() && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    // Of the devices only NUL is there; a GUI program has no console.
    if (r.error == 0 && r.device && sim::FoldName(sim::DeviceStem(r.name)) != "NUL") r.error = ERROR_FILE_NOT_FOUND;
    if (r.error != 0) {
        call.Fail(r.error);
        return INVALID_HANDLE_VALUE;
    }
    const DWORD rights = sim::EffectiveAccess(dwDesiredAccess);
    std::shared_ptr<sim::Node> node = r.node;
    DWORD lastError = 0;
    if (r.device) {
        node = sim::MakeFile(r.name, FILE_ATTRIBUTE_ARCHIVE);
        node->nullDevice = true;
    } else if (node != nullptr) {
        if (node->deletePending) {
            call.Fail(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (dwCreationDisposition == CREATE_NEW) {
            call.Fail(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        // Opening a folder needs FILE_FLAG_BACKUP_SEMANTICS, which the
        // programs never use.
        if (node->folder) {
            call.Fail(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (r.path.trailingSeparator) {
            call.Fail(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        if (dwCreationDisposition == TRUNCATE_EXISTING && !(rights & sim::kWrite)) {
            call.Fail(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        const bool replaces = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
        if ((node->attributes & FILE_ATTRIBUTE_READONLY) && ((rights & (sim::kWrite | sim::kDelete)) || replaces)) {
            call.Fail(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        // A running program's image takes no writer.
        if (s.Blocks(*node, dwDesiredAccess, dwShareMode) ||
            (((rights & sim::kWrite) || replaces) && s.IsRunningImage(*node))) {
            call.Fail(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        if (replaces) node->bytes.clear();
        if (dwCreationDisposition == CREATE_ALWAYS) {
            node->attributes = (dwFlagsAndAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                        FILE_ATTRIBUTE_SYSTEM)) |
                               FILE_ATTRIBUTE_ARCHIVE;
        }
        if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
            lastError = ERROR_ALREADY_EXISTS;
    } else {
        if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING) {
            call.Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (r.path.trailingSeparator) {
            call.Fail(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        node = sim::MakeFile(sim::StoredName(r.name), (dwFlagsAndAttributes & (FILE_ATTRIBUTE_READONLY |
                                                                               FILE_ATTRIBUTE_HIDDEN |
                                                                               FILE_ATTRIBUTE_SYSTEM)) |
                                                          FILE_ATTRIBUTE_ARCHIVE);
        r.parent->children[sim::FoldName(r.name)] = node;
    }
    const std::uintptr_t value = s.nextFileHandle;
    s.nextFileHandle += 4;
    s.files[value] = sim::FileHandle{node, r.path.Text(), rights, dwShareMode, 0};
    s.lastError = lastError;
    return reinterpret_cast<HANDLE>(value);
}

namespace {

sim::FileHandle* LookUpFile(sim::Machine::State& s, HANDLE handle) {
    auto found = s.files.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == s.files.end() ? nullptr : &found->second;
}

std::string HandleArg(HANDLE handle) {
    auto& s = sim::Current();
    auto file = s.files.find(reinterpret_cast<std::uintptr_t>(handle));
    if (file != s.files.end()) return file->second.path;
    auto find = s.finds.find(reinterpret_cast<std::uintptr_t>(handle));
    if (find != s.finds.end()) return find->second.path;
    return sim::DescribeHandle(handle);
}

DWORD ShortTransfer(std::vector<sim::TransferRule>& rules, int number, DWORD count) {
    for (const sim::TransferRule& rule : rules) {
        if (rule.target == number) count = std::min(count, rule.bytes);
    }
    return count;
}

// The checks ReadFile and WriteFile share: a file handle with the access the
// transfer needs, and a buffer unless nothing is transferred. Null after
// failing the call with the error Windows gives.
template <typename CallT>
sim::FileHandle* OpenForTransfer(CallT& call, HANDLE handle, unsigned access, bool hasBuffer, DWORD count) {
    sim::FileHandle* file = LookUpFile(call.S(), handle);
    if (file == nullptr) {
        call.Fail(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!(file->access & access)) {
        call.Fail(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!hasBuffer && count != 0) {
        call.Fail(sim::kErrorNoAccess);
        return nullptr;
    }
    return file;
}

}  // namespace

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    Call call("ReadFile", HandleArg(hFile), std::to_string(nNumberOfBytesToRead));
    if (lpOverlapped != nullptr) sim::Fatal("ReadFile: overlapped reads are not simulated");
    if (lpNumberOfBytesRead == nullptr)
        sim::Fatal("ReadFile without lpNumberOfBytesRead and without OVERLAPPED (crashes on Windows)");
    *lpNumberOfBytesRead = 0;
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    sim::FileHandle* file = OpenForTransfer(call, hFile, sim::kRead, lpBuffer != nullptr, nNumberOfBytesToRead);
    if (file == nullptr) return FALSE;
    const std::string& bytes = file->node->bytes;
    const std::uint64_t available = file->position < bytes.size() ? bytes.size() - file->position : 0;
    DWORD count = static_cast<DWORD>(std::min<std::uint64_t>(available, nNumberOfBytesToRead));
    count = ShortTransfer(s.shortReads, call.Number(), count);
    if (count != 0) std::memcpy(lpBuffer, bytes.data() + file->position, count);
    file->position += count;
    *lpNumberOfBytesRead = count;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    Call call("WriteFile", HandleArg(hFile), std::to_string(nNumberOfBytesToWrite));
    if (lpOverlapped != nullptr) sim::Fatal("WriteFile: overlapped writes are not simulated");
    if (lpNumberOfBytesWritten == nullptr)
        sim::Fatal("WriteFile without lpNumberOfBytesWritten and without OVERLAPPED (crashes on Windows)");
    *lpNumberOfBytesWritten = 0;
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    sim::FileHandle* file = OpenForTransfer(call, hFile, sim::kWrite, lpBuffer != nullptr, nNumberOfBytesToWrite);
    if (file == nullptr) return FALSE;
    const DWORD count = ShortTransfer(s.shortWrites, call.Number(), nNumberOfBytesToWrite);
    *lpNumberOfBytesWritten = count;
    if (file->node->nullDevice) return TRUE;
    std::string& bytes = file->node->bytes;
    if (bytes.size() < file->position + count) bytes.resize(file->position + count, '\0');
    if (count != 0) std::memcpy(&bytes[file->position], lpBuffer, count);
    file->position += count;
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    Call call("GetFileSize", HandleArg(hFile));
    if (call.Injected()) return INVALID_FILE_SIZE;
    sim::FileHandle* file = LookUpFile(call.S(), hFile);
    if (file == nullptr) {
        call.Fail(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    const std::uint64_t size = file->node->reportedSize >= 0 ? static_cast<std::uint64_t>(file->node->reportedSize)
                                                              : file->node->bytes.size();
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) call.S().lastError = NO_ERROR;
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

// INVALID_HANDLE_VALUE is the current-process pseudo handle, and closing
// it succeeds without doing anything, as on Windows; the journal names it so
// a test can tell that a program closed a handle it never got.
BOOL WINAPI CloseHandle(HANDLE hObject) {
    Call call("CloseHandle", hObject == INVALID_HANDLE_VALUE ? std::string("INVALID_HANDLE_VALUE") : HandleArg(hObject));
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    if (hObject == INVALID_HANDLE_VALUE) return TRUE;
    auto file = s.files.find(reinterpret_cast<std::uintptr_t>(hObject));
    if (file == s.files.end()) {
        call.Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::shared_ptr<sim::Node> node = file->second.node;
    s.files.erase(file);
    s.FinishPendingDelete(node);
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    Call call("DeleteFileA", sim::Arg(lpFileName));
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    Resolved r = s.ResolveCall(lpFileName);
    if (r.error == 0 && !r.Root() && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    // A device is no file to delete, whatever lies on the disk under its name.
    if (r.error == 0 && r.device) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && r.node == nullptr) r.error = ERROR_FILE_NOT_FOUND;
    if (r.error == 0 && r.node->deletePending) r.error = ERROR_ACCESS_DENIED;
    // A folder, a junction included, is never a file to delete.
    if (r.error == 0 && r.node->folder) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && r.path.trailingSeparator) r.error = ERROR_INVALID_NAME;
    // Delete opens with DELETE access sharing everything: only an open
    // handle without FILE_SHARE_DELETE stands in the way.
    if (r.error == 0 && s.Blocks(*r.node, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        r.error = ERROR_SHARING_VIOLATION;
    if (r.error == 0 && (r.node->attributes & FILE_ATTRIBUTE_READONLY)) r.error = ERROR_ACCESS_DENIED;
    // A mapped image cannot lose its file.
    if (r.error == 0 && s.IsRunningImage(*r.node)) r.error = ERROR_ACCESS_DENIED;
    if (r.error != 0) {
        call.Fail(r.error);
        return FALSE;
    }
    s.Unlink(r);
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    (void)lpSecurityAttributes;
    Call call("CreateDirectoryA", sim::Arg(lpPathName));
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    Resolved r = s.ResolveCall(lpPathName);
    if (r.error == 0 && r.Root()) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    if (r.error == 0 && r.device) r.error = ERROR_ACCESS_DENIED;
    // Room must stay for an 8.3 name below the new folder.
    if (r.error == 0 && sim::CharacterCount(r.path.Text()) > MAX_PATH - 13) r.error = ERROR_FILENAME_EXCED_RANGE;
    if (r.error == 0 && r.node != nullptr) r.error = r.node->deletePending ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS;
    if (r.error != 0) {
        call.Fail(r.error);
        return FALSE;
    }
    r.parent->children[sim::FoldName(r.name)] = sim::MakeFolder(sim::StoredName(r.name));
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
    Call call("RemoveDirectoryA", sim::Arg(lpPathName));
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    Resolved r = s.ResolveCall(lpPathName);
    if (r.error == 0 && !r.Root() && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    if (r.error == 0 && r.device) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && r.node == nullptr) r.error = ERROR_FILE_NOT_FOUND;
    if (r.error == 0 && r.node->deletePending) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && !r.node->folder) r.error = ERROR_DIRECTORY;
    if (r.error == 0 && r.Root()) r.error = ERROR_ACCESS_DENIED;
    // Every process holds its current directory open without delete sharing.
    if (r.error == 0 && (s.IsCurrentFolderOfAProcess(*r.node) ||
                         s.Blocks(*r.node, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)))
        r.error = ERROR_SHARING_VIOLATION;
    if (r.error == 0 && (r.node->attributes & FILE_ATTRIBUTE_READONLY)) r.error = ERROR_ACCESS_DENIED;
    // A junction goes as a link, whatever its target holds.
    if (r.error == 0 && !r.node->Junction() && !r.node->children.empty()) r.error = ERROR_DIR_NOT_EMPTY;
    if (r.error != 0) {
        call.Fail(r.error);
        return FALSE;
    }
    s.Unlink(r);
    return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    Call call("CopyFileA", sim::Arg(lpExistingFileName), sim::Arg(lpNewFileName));
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    Resolved from = s.ResolveCall(lpExistingFileName);
    if (from.error == 0 && !from.Root() && sim::ContainsWildcard(from.name)) from.error = ERROR_INVALID_NAME;
    if (from.error == 0 && from.device) from.error = ERROR_ACCESS_DENIED;  // devices are not simulated here
    if (from.error == 0 && from.node == nullptr) from.error = ERROR_FILE_NOT_FOUND;
    if (from.error == 0 && from.node->deletePending) from.error = ERROR_ACCESS_DENIED;
    if (from.error == 0 && from.node->folder) from.error = ERROR_ACCESS_DENIED;
    if (from.error == 0 && from.path.trailingSeparator) from.error = ERROR_INVALID_NAME;
    if (from.error == 0 && s.Blocks(*from.node, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE))
        from.error = ERROR_SHARING_VIOLATION;
    if (from.error != 0) {
        call.Fail(from.error);
        return FALSE;
    }
    Resolved to = s.ResolveCall(lpNewFileName);
    if (to.error == 0 && !to.Root() && sim::ContainsWildcard(to.name)) to.error = ERROR_INVALID_NAME;
    if (to.error == 0 && to.device) to.error = ERROR_ACCESS_DENIED;
    if (to.error == 0 && to.node != nullptr) {
        if (to.node->deletePending) {
            to.error = ERROR_ACCESS_DENIED;
        } else if (bFailIfExists) {
            to.error = ERROR_FILE_EXISTS;
        } else if (to.node->folder || (to.node->attributes & FILE_ATTRIBUTE_READONLY)) {
            to.error = ERROR_ACCESS_DENIED;
        } else if (to.node == from.node || s.Blocks(*to.node, GENERIC_WRITE | DELETE, 0) ||
                   s.IsRunningImage(*to.node)) {
            to.error = ERROR_SHARING_VIOLATION;
        }
    }
    if (to.error == 0 && to.path.trailingSeparator) to.error = ERROR_INVALID_NAME;
    if (to.error != 0) {
        call.Fail(to.error);
        return FALSE;
    }
    // The copy takes the source's attributes, read-only included.
    const DWORD attributes = from.node->attributes | FILE_ATTRIBUTE_ARCHIVE;
    if (to.node != nullptr) {
        to.node->bytes = from.node->bytes;
        to.node->attributes = attributes;
    } else {
        auto node = sim::MakeFile(sim::StoredName(to.name), attributes);
        node->bytes = from.node->bytes;
        to.parent->children[sim::FoldName(to.name)] = node;
    }
    return TRUE;
}

// A plain path reports that one entry. A wildcard in the last component
// matches like Windows does ("." and ".." first in a folder other than a
// root, then the entries in name order); there is no FindNextFileA, so only
// the first match is ever seen.
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    Call call("FindFirstFileA", sim::Arg(lpFileName));
    if (call.Injected()) return INVALID_HANDLE_VALUE;
    if (lpFindFileData == nullptr) sim::Fatal("FindFirstFileA without a WIN32_FIND_DATAA (crashes on Windows)");
    auto& s = call.S();
    Resolved r = s.ResolveCall(lpFileName);
    // A root or a path ending in a separator names no entry to find.
    if (r.error == 0 && (r.Root() || r.path.trailingSeparator)) r.error = ERROR_FILE_NOT_FOUND;
    if (r.error != 0) {
        call.Fail(r.error);
        return INVALID_HANDLE_VALUE;
    }
    if (r.device) {
        // The device is reported as a file named like it, wherever it was asked for.
        sim::Node device;
        device.attributes = FILE_ATTRIBUTE_ARCHIVE;
        sim::FillFindData(device, sim::DeviceStem(r.name), lpFindFileData);
    } else if (sim::ContainsWildcard(r.name)) {
        bool found = false;
        const bool inRoot = r.path.components.size() == 1;
        for (const char* dots : {".", ".."}) {
            if (!found && !inRoot && sim::MatchesPattern(r.name, dots)) {
                sim::FillFindData(*r.parent, dots, lpFindFileData);
                found = true;
            }
        }
        for (const auto& entry : r.parent->children) {
            if (found) break;
            if (sim::MatchesPattern(r.name, entry.second->name)) {
                sim::FillFindData(*entry.second, entry.second->name, lpFindFileData);
                found = true;
            }
        }
        if (!found) {
            call.Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
    } else {
        if (r.node == nullptr) {
            call.Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        sim::FillFindData(*r.node, r.node->name, lpFindFileData);
    }
    const std::uintptr_t value = s.nextFindHandle;
    s.nextFindHandle += 8;
    s.finds[value] = sim::FindHandle{r.path.Text()};
    return reinterpret_cast<HANDLE>(value);
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    Call call("FindClose", HandleArg(hFindFile));
    if (call.Injected()) return FALSE;
    if (call.S().finds.erase(reinterpret_cast<std::uintptr_t>(hFindFile)) == 0) {
        call.Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    Call call("GetFileAttributesA", sim::Arg(lpFileName));
    if (call.Injected()) return INVALID_FILE_ATTRIBUTES;
    Resolved r = call.S().ResolveCall(lpFileName);
    if (r.error == 0 && !r.Root() && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    if (r.error == 0 && r.device) return FILE_ATTRIBUTE_ARCHIVE;
    if (r.error == 0 && r.node == nullptr) r.error = ERROR_FILE_NOT_FOUND;
    // Asking opens the entry, which a pending delete refuses.
    if (r.error == 0 && r.node->deletePending) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && !r.node->folder && r.path.trailingSeparator) r.error = ERROR_INVALID_NAME;
    if (r.error != 0) {
        call.Fail(r.error);
        return INVALID_FILE_ATTRIBUTES;
    }
    return r.node->attributes;
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    Call call("SetFileAttributesA", sim::Arg(lpFileName));
    if (call.Injected()) return FALSE;
    Resolved r = call.S().ResolveCall(lpFileName);
    if (r.error == 0 && !r.Root() && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    if (r.error == 0 && r.device) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && r.node == nullptr) r.error = ERROR_FILE_NOT_FOUND;
    if (r.error == 0 && r.node->deletePending) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && !r.node->folder && r.path.trailingSeparator) r.error = ERROR_INVALID_NAME;
    if (r.error != 0) {
        call.Fail(r.error);
        return FALSE;
    }
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    DWORD value = dwFileAttributes & settable;
    if (value & ~FILE_ATTRIBUTE_NORMAL) value &= ~FILE_ATTRIBUTE_NORMAL;
    sim::Node& node = *r.node;
    const DWORD kept = node.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    if (node.folder) {
        node.attributes = kept | (value & ~FILE_ATTRIBUTE_NORMAL);
    } else {
        node.attributes = kept | (value == 0 ? FILE_ATTRIBUTE_NORMAL : value);
    }
    return TRUE;
}

// Modern (Vista and later) truncation: a buffer too small gets nSize - 1
// bytes and a NUL, the result is nSize and the error
// ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    Call call("GetModuleFileNameA", std::string());
    if (call.Injected()) return 0;
    auto& s = call.S();
    if (hModule != nullptr) {
        call.Fail(126 /*ERROR_MOD_NOT_FOUND*/);
        return 0;
    }
    if (nSize == 0) {
        call.Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (lpFilename == nullptr) sim::Fatal("GetModuleFileNameA with a null buffer (crashes on Windows)");
    const std::string& path = s.modulePath;
    if (path.size() < nSize) {
        std::memcpy(lpFilename, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    call.Fail(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

namespace {
// GetTempPathA and GetCurrentDirectoryA: a buffer too small receives nothing
// and the result is the size needed, NUL included.
DWORD CopyOut(Call& call, const std::string& text, DWORD size, LPSTR buffer) {
    if (text.size() + 1 > size) {
        call.Fail(ERROR_INSUFFICIENT_BUFFER);
        return static_cast<DWORD>(text.size() + 1);
    }
    if (buffer == nullptr) sim::Fatal("a null buffer with a nonzero size (crashes on Windows)");
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}
}  // namespace

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    Call call("GetTempPathA", std::string());
    if (call.Injected()) return 0;
    return CopyOut(call, call.S().tempPath, nBufferLength, lpBuffer);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    Call call("GetCurrentDirectoryA", std::string());
    if (call.Injected()) return 0;
    return CopyOut(call, call.S().currentDirectory.Text(), nBufferLength, lpBuffer);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
    Call call("SetCurrentDirectoryA", sim::Arg(lpPathName));
    if (call.Injected()) return FALSE;
    auto& s = call.S();
    Resolved r = s.ResolveCall(lpPathName);
    if (r.error == 0 && !r.Root() && sim::ContainsWildcard(r.name)) r.error = ERROR_INVALID_NAME;
    if (r.error == 0 && r.device) r.error = ERROR_DIRECTORY;
    // The current directory is kept with a trailing backslash and a NUL.
    if (r.error == 0 && sim::CharacterCount(r.path.Text()) > MAX_PATH - 2) r.error = ERROR_FILENAME_EXCED_RANGE;
    if (r.error == 0 && r.node == nullptr) r.error = ERROR_FILE_NOT_FOUND;
    if (r.error == 0 && r.node->deletePending) r.error = ERROR_ACCESS_DENIED;
    if (r.error == 0 && !r.node->folder) r.error = ERROR_DIRECTORY;
    if (r.error == 0 && r.node->Junction() && s.FollowJunction(*r.node, 0) == nullptr)
        r.error = ERROR_PATH_NOT_FOUND;
    if (r.error != 0) {
        call.Fail(r.error);
        return FALSE;
    }
    s.currentDirectory = r.path;
    s.currentDirectory.trailingSeparator = false;
    return TRUE;
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    Call call("Sleep", std::to_string(dwMilliseconds));
    if (call.Injected()) return;
    call.S().ticks += dwMilliseconds;
    call.S().slept += dwMilliseconds;
}

DWORD WINAPI GetTickCount(void) {
    Call call("GetTickCount", std::string());
    if (call.Injected()) return 0;
    return call.S().ticks;
}
