// HKEY_LOCAL_MACHINE: what the registry cleanup of the uninstaller expects
// of advapi32.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace contract {
namespace {

using Registry = Scratch;

LSTATUS Create(const std::string& path, HKEY& key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &key, disposition);
}

LSTATUS OpenForReading(const std::string& path, HKEY& key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (OpenForReading(path, key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

TEST_F(Registry, CreateKeyMakesMissingParentsAndReportsWhatItDid) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(Create(KeyPath("Maker\\Game"), key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD{REG_CREATED_NEW_KEY});
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(KeyPath("Maker")));

    // Again, in other letter case: the same key, opened.
    ASSERT_EQ(Create(KeyPath("MAKER\\game"), key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD{REG_OPENED_EXISTING_KEY});
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    EXPECT_EQ(OpenForReading(KeyPath("Missing"), key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KeyExists(KeyPath("Missing")));
}

// A registry path from the installer's records may end in a backslash.
TEST_F(Registry, TrailingBackslashNamesTheSameKey) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(Create(KeyPath("Game\\"), key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD{REG_CREATED_NEW_KEY});
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(KeyPath("Game")));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("Game\\").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(KeyPath("Game")));
}

TEST_F(Registry, DeleteKeyRefusesKeysWithSubkeysButNotKeysWithValues) {
    SetString("Maker\\Game", "InstallPath", "C:\\Games");
    SetString("Maker", "Other", "value");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("Maker").c_str()), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(KeyPath("Maker\\Game")));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("Maker\\Game").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("Maker").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(KeyPath("Maker")));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("Maker").c_str()), ERROR_FILE_NOT_FOUND);
}

// The parent check opens a key for reading, finds no subkey and deletes the
// key while that handle is still open.
TEST_F(Registry, DeleteKeyWorksWhileAHandleIsOpen) {
    SetString("Maker", "Value", "v");
    HKEY key = nullptr;
    ASSERT_EQ(OpenForReading(KeyPath("Maker"), key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("Maker").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(KeyPath("Maker")));
    char name[64];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, EnumKeyAtIndexZeroTellsWhetherSubkeysExist) {
    MakeKey("Empty");
    SetString("Full\\Child", "v", "1");
    HKEY key = nullptr;
    char name[4096];

    ASSERT_EQ(OpenForReading(KeyPath("Empty"), key), ERROR_SUCCESS);
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(OpenForReading(KeyPath("Full"), key), ERROR_SUCCESS);
    length = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "Child");
    EXPECT_EQ(length, 5u);  // characters, without the NUL
    length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    // Room for the name but not its NUL.
    length = 5;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, DeleteValueFailsOnlyWhenTheValueIsMissing) {
    SetString("Game", "InstallPath", "C:\\Games");
    HKEY key = nullptr;
    ASSERT_EQ(Create(KeyPath("Game"), key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "DisplayIcon"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "installpath"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "InstallPath", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "InstallPath"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, ValuesRoundTrip) {
    SetString("Game", "Name", "\x83\x5C");
    HKEY key = nullptr;
    ASSERT_EQ(OpenForReading(KeyPath("Game"), key), ERROR_SUCCESS);
    char data[16] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_SZ});
    if (AnsiCodePageIsShiftJis()) {
        EXPECT_EQ(std::string(data), "\x83\x5C");
        EXPECT_EQ(size, 3u);
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, ShiftJisKeyNameIsOneComponent) {
    if (!AnsiCodePageIsShiftJis()) GTEST_SKIP() << "the ANSI code page is not 932";
    MakeKey("\x83\x5C");
    HKEY key = nullptr;
    ASSERT_EQ(OpenForReading(KeyRoot(), key), ERROR_SUCCESS);
    char name[64];
    DWORD length = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "\x83\x5C");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("\x83\x5C").c_str()), ERROR_SUCCESS);
}

TEST_F(Registry, PredefinedRootNeedsNoClosing) {
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists("SOFTWARE"));
}

}  // namespace
}  // namespace contract
