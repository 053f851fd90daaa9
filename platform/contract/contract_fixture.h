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

private:
#ifndef _WIN32
    sim::Machine machine_;
#endif
    std::string root_;
    std::string keyRoot_;
    std::string savedDirectory_;
    std::vector<std::string> created_;
};

// True when the ANSI code page is Shift-JIS (always on the simulation).
bool AnsiCodePageIsShiftJis();
// True under Wine, for the few places where Wine is known to differ from
// current Windows (each use says how).
bool RunningUnderWine();

}  // namespace contract
