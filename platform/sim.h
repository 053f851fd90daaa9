// The simulated Windows behind platform/win32_host.h: test support for host
// builds. Each test constructs one sim::Machine; while it lives, every Win32
// call of the program code acts on it. Construct a fresh one per test.
//
// Paths given to this API are Windows paths ("C:\\Games\\X"), compared like
// the Win32 calls compare them (letters of every script code page 932 spells
// without case, each character in any of its spellings), but without the
// limits of the ANSI calls (MAX_PATH, device names): a test can lay out and
// look at what those calls cannot reach.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim {

struct MessageBoxRecord {
    std::string text;     // bytes as passed to MessageBoxA
    std::string caption;  // bytes as passed to MessageBoxA
    UINT flags = 0;
    bool hasOwner = false;  // true when hWnd was not null
    int answer = 0;         // what the script answered
};

struct ShellExecuteRecord {
    bool hasOwner = false;
    std::string operation;   // "" when null
    std::string file;
    bool parametersNull = true;
    std::string parameters;  // "" when null
    std::string directory;   // "" when null
    int showCommand = 0;
    std::string fileBytesAtLaunch;  // the launched file's content when the call was made ("" when none)
};

// One Win32 call as seen by the simulation, in call order. `argument` is
// the path as passed for file and folder calls (CopyFileA: the existing
// file); the path a handle was opened with for ReadFile, WriteFile,
// GetFileSize, CloseHandle and FindClose ("INVALID_HANDLE_VALUE" when that
// was closed); the key path below HKLM for registry calls (the open key's
// path joined with the subkey as passed); the text for MessageBoxA; the file
// for ShellExecuteA; the CSIDL in hex ("0x8005") for the shell folder
// calls; the milliseconds for Sleep; "" for calls without one. A call
// counts as failed when it returned its failure value, and also for a
// buffer too small (GetTempPathA, GetCurrentDirectoryA, GetModuleFileNameA)
// and for a ShellExecuteA result of 32 or less. GetLastError and
// SetLastError are neither journaled nor counted, nor can they be failed.
struct JournalEntry {
    std::string function;  // "DeleteFileA"
    std::string argument;  // main path/key/text argument, or a short description ("100" for Sleep)
    bool succeeded = true;
    // The second argument where a call has one (CopyFileA's new file,
    // a registry value name, RegEnumKeyExA's index, a CSIDL in hex), and the
    // error a failed call reported (0 on success).
    std::string detail;
    DWORD error = 0;
};

class Machine {
public:
    // Installs a fresh machine as the current one: drive C: with an empty
    // root, C:\Temp as temporary folder, module path
    // C:\Games\Maker\Game\Uninstaller.exe, current directory C:\, special
    // folders under C:\Users\Public and C:\Users\Player, HKLM empty,
    // administrator rights on, ticks at 1000.
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    static Machine& Current();  // the installed machine; aborts when none

    // ---- volume ----
    void AddFolder(const std::string& path);                           // parents created as needed
    void AddFile(const std::string& path, const std::string& bytes = std::string());  // parents created
    // The same, but only where nothing of that name (as Windows compares
    // names) is there yet: false, adding nothing, when something is.
    bool AddNewFile(const std::string& path, const std::string& bytes = std::string());
    bool AddNewFolder(const std::string& path);
    // Many at once in one folder (made as needed), for laying out a large
    // tree: each entry unless something of its name is there already (a
    // name loses its trailing dots and spaces, as Windows takes it). Which
    // were added, in order.
    struct NewEntry {
        std::string name;
        bool folder = false;
        std::string bytes;
        DWORD attributes = 0;  // beside the ones every file or folder has (read-only, hidden ...)
    };
    std::vector<bool> AddNewEntries(const std::string& folder, const std::vector<NewEntry>& entries);
    bool Exists(const std::string& path) const;
    bool IsFolder(const std::string& path) const;
    bool IsFile(const std::string& path) const;
    std::string FileBytes(const std::string& path) const;  // "" when missing
    DWORD Attributes(const std::string& path) const;       // INVALID_FILE_ATTRIBUTES when missing
    void SetAttributes(const std::string& path, DWORD attributes);  // e.g. read-only, reparse point
    // GetFileSize reports `size` for this file, high part included, while its
    // bytes stay as they are: a file too large to lay out in a test.
    void ReportFileSize(const std::string& path, std::uint64_t size);
    // A folder that is a reparse point (junction) to another folder: entries
    // below `link` resolve to entries below `target`.
    void AddJunction(const std::string& link, const std::string& target);
    // Every entry below `root` (recursive), as full paths in the names
    // stored, sorted; folders included.
    std::vector<std::string> ListTree(const std::string& root) const;
    // Another process holds the file open with this share mode (0: no sharing).
    // The holder has read access (GENERIC_READ), so HoldOpen(p, FILE_SHARE_READ)
    // lets readers in and keeps writers and deleters out. Works on folders too.
    void HoldOpen(const std::string& path, DWORD shareMode);
    // The same with the holder's own access (GENERIC_READ, GENERIC_WRITE, DELETE).
    void HoldOpen(const std::string& path, DWORD shareMode, DWORD access);
    void ReleaseHeld(const std::string& path);
    // What DeleteFileA and RemoveDirectoryA do to a name that other handles
    // hold with FILE_SHARE_DELETE. false, the default (NTFS before POSIX
    // delete semantics, and Wine): the call succeeds, but the name stays,
    // refusing new opens, until the last handle closes, and so its folder
    // cannot be removed meanwhile. true (NTFS on current Windows 10 and
    // later): the name goes at once. A program must be right under both.
    void SetPosixDeleteSemantics(bool posix);

    // Another process runs `image` with `currentFolder` as its current
    // folder, from now for `lifetimeMs` of virtual time (Sleep), or until
    // EndProcess with kUntilEnded. While it runs its image cannot be deleted
    // or opened for writing, and its current folder cannot be removed. The
    // running program is such a process too: its module path and current
    // directory.
    static constexpr DWORD kUntilEnded = 0xFFFFFFFF;
    int StartProcess(const std::string& image, const std::string& currentFolder, DWORD lifetimeMs = kUntilEnded);
    void EndProcess(int id);

    void SetCurrentDirectory(const std::string& path);
    std::string CurrentDirectory() const;
    void SetTempPath(const std::string& pathWithTrailingBackslash);  // what GetTempPathA returns
    // What GetModuleFileNameA returns; a buffer too small gets the path cut
    // to nSize - 1 bytes and a NUL (current Windows; Wine does not add the NUL).
    void SetModulePath(const std::string& path);
    // What GetCommandLineA returns: the whole line the process was started
    // with, program name included (default: the default module path in
    // double quotes, as the shell starts a program).
    void SetCommandLine(const std::string& line);
    // Special folders (CSIDL values without flags). SetSpecialFolder("") or
    // MakeSpecialFolderUnavailable makes the shell calls fail for it.
    // SetSpecialFolder creates the folder on the volume; remove it
    // (RemoveDirectoryA) to test a special folder that does not exist, which
    // SHGetSpecialFolderPathA with fCreate FALSE reports as failure and
    // SHGetFolderPathA without CSIDL_FLAG_CREATE as
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
    void SetSpecialFolder(int csidl, const std::string& path);
    void MakeSpecialFolderUnavailable(int csidl);
    std::string SpecialFolder(int csidl) const;

    // ---- registry (HKEY_LOCAL_MACHINE) ----
    void AddKey(const std::string& path);  // parents created
    void SetValue(const std::string& keyPath, const std::string& name, const std::string& data);  // REG_SZ
    bool KeyExists(const std::string& path) const;
    bool ValueExists(const std::string& keyPath, const std::string& name) const;
    std::vector<std::string> SubkeyNames(const std::string& path) const;
    std::vector<std::string> ValueNames(const std::string& keyPath) const;
    std::vector<std::string> AllKeys() const;  // every key path, sorted
    // false: a run without administrator rights; opening HKLM keys with
    // write access, creating and deleting keys and values fail with
    // ERROR_ACCESS_DENIED. Read access still works.
    void SetAdministrator(bool administrator);

    // ---- message boxes ----
    // Answers given to the next message boxes, in order. When the script is
    // exhausted, a box is answered with its default button (IDOK for MB_OK
    // and MB_OKCANCEL, IDYES for MB_YESNO) and recorded as unscripted.
    void ScriptAnswers(const std::vector<int>& answers);
    const std::vector<MessageBoxRecord>& MessageBoxes() const;
    int UnscriptedMessageBoxes() const;

    // ---- shell ----
    void SetShellExecuteResult(INT_PTR result);  // default 42 (success)
    const std::vector<ShellExecuteRecord>& ShellExecutes() const;

    // ---- time ----
    DWORD Ticks() const;
    void SetTicks(DWORD ticks);
    std::uint64_t TotalSleptMilliseconds() const;

    // ---- fault injection ----
    // The nth call (1-based, counting from now) of `function` fails with
    // `error` and changes nothing. nth = 0 makes every call fail.
    void FailCall(const std::string& function, int nth, DWORD error = ERROR_ACCESS_DENIED);
    // The nth WriteFile / ReadFile call transfers at most `bytes` bytes and
    // still reports success.
    void ShortWrite(int nth, DWORD bytes);
    void ShortRead(int nth, DWORD bytes);
    // The nth call of `function` (1-based, from now) throws std::bad_alloc
    // before it does anything, as an allocation made just before it would.
    void ThrowOnCall(const std::string& function, int nth);
    void ClearFaults();
    // Calls made so far (since construction or the last ClearJournal),
    // injected failures included.
    int CallCount(const std::string& function) const;

    // ---- journal and leaks ----
    const std::vector<JournalEntry>& Journal() const;
    // Calls of `function` in the journal, in order.
    std::vector<JournalEntry> Calls(const std::string& function) const;
    // Empties the journal and restarts CallCount at 0; faults injected
    // earlier still hit the same future call.
    void ClearJournal();
    // false: calls are counted and faulted but not journaled (a dry run of
    // a hundred thousand removals needs no record of them). Default true.
    void SetJournaling(bool journaling);
    int OpenFileHandles() const;  // file and find handles not yet closed
    int OpenKeyHandles() const;   // registry handles not yet closed

    struct State;  // implementation detail of sim.cpp
    State& Internals() { return *state_; }  // for the simulation's own sources

private:
    std::unique_ptr<State> state_;
};

}  // namespace sim
