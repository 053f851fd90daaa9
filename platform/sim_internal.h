// Internals of the simulated Windows, shared by the platform/sim_*.cpp files.
// Test code uses platform/sim.h only.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim.h"

namespace sim {

// Ends the test program: a misuse of the simulation is a bug in the test,
// and so is anything real Windows would crash on.
[[noreturn]] void Fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---- volume ----------------------------------------------------------------

struct Node;

// A folder's entries keyed by their folded names, as a std::map that is
// made only when the first entry comes: a file has none, and a volume of a
// hundred thousand files would otherwise carry as many empty maps.
class Children {
public:
    using Map = std::map<std::string, std::shared_ptr<Node>>;
    using iterator = Map::iterator;
    using const_iterator = Map::const_iterator;

    iterator begin() { return Get().begin(); }
    iterator end() { return Get().end(); }
    const_iterator begin() const { return Get().begin(); }
    const_iterator end() const { return Get().end(); }
    iterator find(const std::string& key) { return Get().find(key); }
    const_iterator find(const std::string& key) const { return Get().find(key); }
    bool empty() const { return map_ == nullptr || map_->empty(); }
    iterator erase(iterator at) { return map_->erase(at); }
    std::size_t erase(const std::string& key) { return map_ == nullptr ? 0 : map_->erase(key); }
    std::shared_ptr<Node>& operator[](const std::string& key) {
        if (map_ == nullptr) map_ = std::make_unique<Map>();
        return (*map_)[key];
    }

private:
    // An empty map stands in for a missing one, so that its end() is the end
    // of every lookup in it.
    Map& Get() { return map_ != nullptr ? *map_ : None(); }
    const Map& Get() const { return map_ != nullptr ? *map_ : None(); }
    static Map& None() {
        static Map none;
        return none;
    }

    std::unique_ptr<Map> map_;
};

struct Node {
    std::string name;  // as stored ("C:" for a drive root), each character in its preferred spelling
    bool folder = false;
    // Deleted while other handles (sharing delete) still hold it: the name
    // stays, refusing every new open, until the last of them closes.
    bool deletePending = false;
    bool nullDevice = false;  // NUL opened as a file: reads nothing, swallows writes
    DWORD attributes = 0;  // folders carry FILE_ATTRIBUTE_DIRECTORY
    std::string bytes;     // file content
    // Children keyed by their folded name (FoldName), so the map order is the
    // order NTFS lists them.
    Children children;
    std::string junctionTarget;  // absolute normalized path; non-empty for a junction
    std::int64_t reportedSize = -1;  // what GetFileSize reports when not negative
    bool Junction() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

// A path after Win32 normalization: drive letter and components with "."
// and ".." resolved, runs of separators collapsed, trailing dots/spaces cut.
struct NormalPath {
    char drive = 0;                       // 'A'..'Z'
    char driveShown = 0;                  // the letter as written ('c' in "c:\x"), kept like Windows does
    std::vector<std::string> components;  // as given (not folded)
    bool trailingSeparator = false;
    std::string Text() const;  // "C:\\a\\b", "C:\\" for a root
    std::size_t CharacterCount() const;  // of Text(), without making it
};

// Where a path leads.
struct Resolved {
    DWORD error = 0;               // ERROR_PATH_NOT_FOUND etc. when the parent chain failed
    NormalPath path;
    std::shared_ptr<Node> parent;  // folder holding the last component; null for a root
    std::string name;              // last component, "" for a root
    std::shared_ptr<Node> node;    // the entry itself; null when missing
    bool device = false;           // the last component names a DOS device: no entry at all
    bool Root() const { return path.components.empty(); }
};

// ---- handles ---------------------------------------------------------------

struct FileHandle {
    std::shared_ptr<Node> node;
    std::string path;  // for the journal
    DWORD access = 0;  // GENERIC_READ/GENERIC_WRITE/DELETE as effective rights
    DWORD share = 0;
    std::uint64_t position = 0;
};

struct FindHandle {
    std::string path;
};

struct HeldOpen {
    std::shared_ptr<Node> node;
    std::string path;
    DWORD access = 0;
    DWORD share = 0;
};

// A process other than the running program (see Machine::StartProcess).
struct Process {
    int id = 0;
    std::shared_ptr<Node> image;   // null when its file is not on this volume
    std::shared_ptr<Node> folder;  // its current folder
    std::uint64_t endsAt = 0;      // on the virtual clock (milliseconds slept)
};

// ---- registry --------------------------------------------------------------

struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

struct Key {
    std::string name;
    std::map<std::string, std::shared_ptr<Key>> subkeys;  // keyed by folded name
    std::vector<RegValue> values;                         // in creation order
    bool deleted = false;
    RegValue* FindValue(const std::string& name);
};

struct KeyHandle {
    std::shared_ptr<Key> key;
    std::string path;  // relative to HKLM, for the journal
    REGSAM access = 0;
};

// ---- faults and journal ----------------------------------------------------

struct FaultRule {
    std::string function;
    int target = 0;  // call number that fails; 0 for every call
    DWORD error = 0;
    bool throws = false;  // throws std::bad_alloc instead of failing
};

struct TransferRule {
    int target = 0;  // call number of ReadFile/WriteFile
    DWORD bytes = 0;
};

struct Machine::State {
    // volume
    std::map<char, std::shared_ptr<Node>> drives;
    NormalPath currentDirectory;
    std::string tempPath = "C:\\Temp\\";
    std::string modulePath = "C:\\Games\\Maker\\Game\\Uninstaller.exe";
    std::string commandLine = "\"C:\\Games\\Maker\\Game\\Uninstaller.exe\"";
    std::map<int, std::string> specialFolders;

    // handles; values are never reused within one machine
    std::map<std::uintptr_t, FileHandle> files;
    std::map<std::uintptr_t, FindHandle> finds;
    std::map<std::uintptr_t, KeyHandle> keys;
    std::vector<HeldOpen> held;
    std::vector<Process> processes;
    int nextProcessId = 1;
    bool posixDelete = false;
    std::uintptr_t nextFileHandle = 0x40;
    std::uintptr_t nextFindHandle = 0x100000;
    std::uintptr_t nextKeyHandle = 0x2000;

    // registry
    std::shared_ptr<Key> hklm = std::make_shared<Key>();
    bool administrator = true;

    // user interface and shell
    std::deque<int> answers;
    std::vector<MessageBoxRecord> messageBoxes;
    int unscripted = 0;
    INT_PTR shellExecuteResult = 42;
    std::vector<ShellExecuteRecord> shellExecutes;

    // time
    DWORD ticks = 1000;
    std::uint64_t slept = 0;

    // errors, faults, journal
    DWORD lastError = 0;
    std::vector<FaultRule> faults;
    std::vector<TransferRule> shortWrites;
    std::vector<TransferRule> shortReads;
    std::map<std::string, int> callCounts;
    std::vector<JournalEntry> journal;
    bool journaling = true;

    // ---- helpers (sim_volume.cpp) ----
    std::shared_ptr<Node> Drive(char letter) const;
    bool Normalize(const char* path, NormalPath& out, DWORD& error) const;

    Resolved Resolve(const char* path) const;
    // Resolve as a Win32 file call does, with the limits of its ANSI form:
    // MAX_PATH, wildcards in folder names, device names.
    Resolved ResolveCall(const char* path) const;
    Resolved ResolveNormal(NormalPath path) const;
    std::shared_ptr<Node> FollowJunction(const Node& junction, int depth) const;
    std::shared_ptr<Node> EnsureFolder(const std::string& path);  // sim API: creates parents
    // The same for the first `depth` components of a normalized path;
    // `shown` names the path in a Fatal message.
    std::shared_ptr<Node> EnsureFolder(const NormalPath& normal, std::size_t depth, const std::string& shown);
    bool Blocks(const Node& node, DWORD access, DWORD share) const;  // sharing check
    bool HasHandles(const Node& node) const;                         // open or held by anyone
    // A delete whose last holder has gone takes the name away now.
    void FinishPendingDelete(const std::shared_ptr<Node>& node);
    // Takes the entry out of its folder (a name deleted, a folder removed).
    void Unlink(const Resolved& resolved);
    bool IsCurrentFolderOfAProcess(const Node& node) const;  // the program's own or another's
    bool IsRunningImage(const Node& node) const;             // the program's own file or another's
    mutable std::string moduleName;     // the folded last name of modulePath...
    mutable std::string moduleNameFor;  // ...when it was this
};

// ---- one API call ------------------------------------------------------------

// Begins every simulated API call: counts it, journals it and applies the
// injected faults. When Injected() is true the call must return its failure
// value at once, having changed nothing.
class Call {
public:
    Call(const char* function, std::string argument, std::string detail = std::string());
    bool Injected() const { return injected_; }
    Machine::State& S() const { return state_; }
    int Number() const { return number_; }  // 1-based count of this function's calls
    // Marks the call failed with `error` (also the thread's last error).
    void Fail(DWORD error);
    void SetDetail(const std::string& detail);

private:
    static constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);
    Machine::State& state_;
    std::size_t entry_ = kNoEntry;
    int number_ = 0;
    bool injected_ = false;
};

// ---- names (sim_names.cpp) -----------------------------------------------------

// Every character in the spelling Windows writes back (code page 932 spells
// some twice or three times).
std::string StoredName(const std::string& name);
// The key names compare by: StoredName with every letter upper-cased, ASCII,
// full-width Latin, Greek, Cyrillic and Roman numerals alike.
std::string FoldName(const std::string& name);
// The same into `out`, whose buffer is reused (a path walk folds every name).
void FoldNameInto(const std::string& name, std::string& out);
// Characters, not bytes: what the UTF-16 form of the name counts.
std::size_t CharacterCount(const std::string& text);
bool ContainsWildcard(const std::string& name);
// CON, PRN, AUX, NUL, COM1-9, LPT1-9, in any case, also with an extension.
bool IsDeviceName(const std::string& name);
// The part of a device name that names the device ("nul" of "nul.txt").
std::string DeviceStem(const std::string& name);

std::string DescribeHandle(HANDLE handle);

}  // namespace sim
