// Which registry view the programs' keys live in. The uninstaller opens its
// keys without a view flag, so a 32-bit build on 64-bit Windows sees
// HKLM\SOFTWARE through HKLM\SOFTWARE\WOW6432Node: the game's installer must
// write the game key and the uninstall entry there (a 32-bit installer does
// so by itself), or the uninstaller neither finds nor removes them.
//
// The simulation has one view, the program's own; these tests are built for
// Windows only.
#include <string>

#include "platform/contract/contract_fixture.h"

#ifdef _WIN32

namespace contract {
namespace {

using RegistryView = Scratch;

bool KeyExistsInView(const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The same key below SOFTWARE, as the 64-bit view spells it for 32-bit programs.
std::string Redirected(const std::string& softwarePath) {
    const std::string software = "SOFTWARE\\";
    return software + "WOW6432Node\\" + softwarePath.substr(software.size());
}

void ExpectKeyInTheProgramsOwnView(const std::string& path) {
    ASSERT_TRUE(KeyExistsInView(path, 0)) << path;
    if (sizeof(void*) == 4 && IsWow64()) {
        EXPECT_TRUE(KeyExistsInView(Redirected(path), KEY_WOW64_64KEY)) << path;
        EXPECT_FALSE(KeyExistsInView(path, KEY_WOW64_64KEY)) << path;
    } else {
        // A native program writes the view it reads; a 32-bit program on
        // 32-bit Windows has no other view.
        EXPECT_TRUE(KeyExistsInView(path, KEY_WOW64_64KEY)) << path;
        if (sizeof(void*) == 8) {
            EXPECT_FALSE(KeyExistsInView(path, KEY_WOW64_32KEY)) << path;
        }
    }
}

TEST_F(RegistryView, AGameKeyCreatedWithoutAViewFlagLandsInTheProgramsOwnView) {
    MakeKey("Maker\\Game");
    ExpectKeyInTheProgramsOwnView(KeyPath("Maker\\Game"));
}

// The list of installed programs is redirected as well, so a 32-bit
// uninstaller removes the entry a 32-bit installer wrote.
TEST_F(RegistryView, TheUninstallEntryIsInTheProgramsOwnView) {
    const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ContractTestsViewProbe";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ExpectKeyInTheProgramsOwnView(entry);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry.c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExistsInView(entry, 0));
}

}  // namespace
}  // namespace contract

#endif  // _WIN32
