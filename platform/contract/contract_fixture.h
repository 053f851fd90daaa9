// Fixture of the contract tests: the Win32 behaviour the programs rely on,
// asserted with Win32 calls only, so the same tests run against the
// simulated Windows (host build) and against Wine (64-bit Windows build).
//
// Each test gets a scratch folder under GetTempPathA and a scratch key
// under HKLM\SOFTWARE\ContractTests, both removed afterwards. On the host a
// fresh simulated machine stands behind every call.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#ifndef _WIN32
#include "platform/sim.h"
#endif

namespace contract {

class Scratch : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The scratch folder, without a trailing backslash, and a path in it.
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "\\" + relative; }
    // Creates a folder or a file with these bytes (test fails when that
    // does not work) and remembers it for clean-up.
    void MakeFolder(const std::string& relative);
    void MakeFile(const std::string& relative, const std::string& bytes);
    // Remembers an entry a test created by other means.
    void Track(const std::string& relative) { created_.push_back(Path(relative)); }
    // The whole content of a file; a test failure when it cannot be read.
    std::string ReadAll(const std::string& relative);
    bool Exists(const std::string& relative) const;

    // The scratch key, relative to HKEY_LOCAL_MACHINE, and a key below it.
    const std::string& KeyRoot() const { return keyRoot_; }
    std::string KeyPath(const std::string& relative) const { return keyRoot_ + "\\" + relative; }
    void MakeKey(const std::string& relative);
    void SetString(const std::string& relative, const char* name, const std::string& value);

#ifndef _WIN32
    // The simulated machine, for what Win32 calls cannot set up.
    sim::Machine& Machine() { return machine_; }
#endif

private:
#ifndef _WIN32
    sim::Machine machine_;
#endif
    std::string root_;
    std::string keyRoot_;
    std::string savedDirectory_;
    std::vector<std::string> created_;
};

// Two spellings of a name in code page 932 and whether files and registry
// keys take them for one name (letter case of every script the code page
// spells, and the characters it spells twice), with the spelling the system
// writes the first one back in.
struct Spelling {
    const char* title;
    std::string created;
    std::string asked;
    bool same;
    std::string listed;
};
const std::vector<Spelling>& Spellings();

HANDLE OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition);

struct FindResult {
    bool found = false;
    DWORD error = 0;
    DWORD attributes = 0;
    std::string name;
    DWORD size = 0;
};

// One FindFirstFileA, closed at once like the programs do.
FindResult FindEntry(const std::string& path);

// Another process that runs a program file of the scratch folder with a
// folder of its own as its current folder, until End or destruction. On
// Windows it is a copy of this test program, which waits to be told to end;
// on the simulation a simulated process.
class OtherProcess {
public:
    OtherProcess() = default;
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    ~OtherProcess() { End(); }
    // `image` must be a copy of this program (see CopyOfThisProgram).
    bool Start(const std::string& image, const std::string& currentFolder);
    void End();

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
    HANDLE endEvent_ = nullptr;
#else
    int id_ = 0;
#endif
};

// Copies this test program to `path` (on the simulation: any program file).
bool CopyOfThisProgram(const std::string& path);

// True when the ANSI code page is Shift-JIS (always on the simulation).
bool AnsiCodePageIsShiftJis();
// True on the host, against the simulated Windows.
bool RunningOnSimulation();
// True under Wine, for the few places where Wine is known to differ from
// current Windows (each use says how).
bool RunningUnderWine();

}  // namespace contract
