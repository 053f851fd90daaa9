// The game as it is installed on the Windows machine recordcheck runs on:
// what lies outside the game folder (registry keys in both views, the
// shortcuts, the folders beside it), read without changing anything and laid
// out on the simulated Windows in place of what the records describe. Then
// the dry run tells what an uninstall would do on this machine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Only plain data crosses here: the Windows build's reader includes the
// system's headers, the rest of the check the simulated Windows.

namespace recordcheck {

struct Context;
struct InstallerWrote;

// HKEY_LOCAL_MACHINE\SOFTWARE on 64-bit Windows as a 32-bit program sees it
// (WOW6432Node) and as a 64-bit one does.
enum class RegistryView { Bits32, Bits64 };

struct InstalledValue {
    std::string name;        // CP932
    std::uint32_t type = 0;  // REG_SZ, REG_DWORD ...
    std::string data;        // a string as CP932 with its NUL; anything else as stored
};

struct InstalledKey {
    std::string path;  // CP932, below HKEY_LOCAL_MACHINE
    std::vector<InstalledValue> values;
};

struct InstalledEntry {
    std::string name;  // CP932
    bool folder = false;
};

// What recordcheck reads of the machine. All paths are CP932; a name without
// an exact CP932 form cannot be named by the programs and is left out.
class InstalledMachine {
public:
    virtual ~InstalledMachine() = default;
    // The key `path` in `view` with its values, and below it every key with
    // its values (`deep`) or only the names of its subkeys, as keys without
    // values; parents first. Empty when the key is not there.
    [[nodiscard]] virtual std::vector<InstalledKey> ReadKeyTree(RegistryView view, const std::string& path,
                                                                bool deep) const = 0;
    // A shell folder (a CSIDL value) as this machine has it; "" when none.
    [[nodiscard]] virtual std::string SpecialFolder(int csidl) const = 0;
    // The entries of a folder; false when it is no folder.
    [[nodiscard]] virtual bool List(const std::string& folder, std::vector<InstalledEntry>& entries) const = 0;
    [[nodiscard]] virtual bool Exists(const std::string& path) const = 0;
};

// Lays out what `machine` holds of the game whose records `c` read: the game
// key (with its parent's other subkeys) and the uninstall entry from the
// 32-bit view the Uninstaller sees, the all-users shortcuts and menu folders
// with whatever else is in them, and what stands beside the game folder.
// What the records name but the machine lacks, or holds where the
// Uninstaller does not look, becomes a finding. Returns what it laid out.
InstallerWrote LayOutInstallation(Context& c, const InstalledMachine& machine);

// The machine recordcheck.exe runs on (the Windows build only).
[[nodiscard]] std::unique_ptr<InstalledMachine> ThisWindowsMachine();

}  // namespace recordcheck
