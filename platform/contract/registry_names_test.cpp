// Key names as advapi32 takes them: the Registry value of the installer's
// records may begin with a backslash, double one, be empty, be long, or
// spell its letters in another case or script.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace contract {
namespace {

using RegistryNames = Scratch;

constexpr LSTATUS kBadPathname = 161;  // ERROR_BAD_PATHNAME

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key_ != nullptr && key_ != HKEY_LOCAL_MACHINE) RegCloseKey(key_);
    }
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

LSTATUS Create(HKEY base, const std::string& path, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key,
                           disposition);
}

bool KeyExists(HKEY base, const std::string& path) {
    Key key;
    return RegOpenKeyExA(base, path.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

TEST_F(RegistryNames, LeadingBackslashIsRefusedAndRunsOfBackslashesAreOne) {
    Key made;
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, "\\" + KeyPath("Lead"), made.Out()), kBadPathname);
    Key opened;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("\\" + KeyRoot()).c_str(), 0, KEY_READ, opened.Out()), kBadPathname);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("\\" + KeyRoot()).c_str()), kBadPathname);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, KeyRoot()));

    Key doubled;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, KeyRoot() + "\\\\a\\\\b\\\\", doubled.Out()), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, KeyPath("a\\b")));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, (KeyRoot() + "\\\\a\\\\b").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, KeyPath("a\\b")));
}

TEST_F(RegistryNames, AnEmptyNameIsTheKeyItself) {
    Key root;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, root.Out()), ERROR_SUCCESS);
    EXPECT_EQ(root.Get(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);

    SetString("Game", "v", "1");
    MakeKey("Maker\\Sub");
    Key game;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath("Game").c_str(), 0, KEY_READ, game.Out()), ERROR_SUCCESS);
    Key again;
    DWORD disposition = 0;
    ASSERT_EQ(Create(game.Get(), "", again.Out(), &disposition), ERROR_SUCCESS);
    // Wine says it created the key it only opened.
    if (!RunningUnderWine()) {
        EXPECT_EQ(disposition, DWORD{REG_OPENED_EXISTING_KEY});
    }
    EXPECT_EQ(RegDeleteKeyA(game.Get(), nullptr), ERROR_INVALID_PARAMETER);
    // "" deletes the handle's own key, even through a handle for reading.
    EXPECT_EQ(RegDeleteKeyA(game.Get(), ""), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, KeyPath("Game")));
    Key maker;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath("Maker").c_str(), 0, KEY_READ, maker.Out()), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(maker.Get(), ""), ERROR_ACCESS_DENIED);  // it has a subkey
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, KeyPath("Maker\\Sub")));

    // The empty value name is the key's default value; null names it too.
    Key values;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, KeyPath("Values"), values.Out()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(values.Get(), "", 0, REG_SZ, reinterpret_cast<const BYTE*>("d"), 2), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(values.Get(), nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(values.Get(), ""), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryNames, AKeyNameHoldsAtMost255Characters) {
    Key base;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, KeyRoot(), base.Out()), ERROR_SUCCESS);
    const std::string longest(255, 'n');
    Key made;
    ASSERT_EQ(Create(base.Get(), longest, made.Out()), ERROR_SUCCESS);
    char name[512] = {};
    DWORD length = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(base.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), longest);
    EXPECT_EQ(RegDeleteKeyA(base.Get(), longest.c_str()), ERROR_SUCCESS);

    Key tooLong;
    const LSTATUS made256 = Create(base.Get(), std::string(256, 'n'), tooLong.Out());
    // Wine takes one character more.
    if (!RunningUnderWine()) {
        EXPECT_EQ(made256, ERROR_INVALID_PARAMETER);
    }
    if (made256 == ERROR_SUCCESS) {
        EXPECT_EQ(RegDeleteKeyA(base.Get(), std::string(256, 'n').c_str()), ERROR_SUCCESS);
    }
    Key farTooLong;
    EXPECT_NE(Create(base.Get(), std::string(300, 'n'), farTooLong.Out()), ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExA(base.Get(), std::string(300, 'n').c_str(), 0, KEY_READ, farTooLong.Out()),
              ERROR_SUCCESS);

    // Characters, not bytes.
    if (!AnsiCodePageIsShiftJis()) return;
    std::string wide;
    for (int i = 0; i < 255; ++i) wide += "\x83\x5C";
    Key twoByte;
    EXPECT_EQ(Create(base.Get(), wide, twoByte.Out()), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(base.Get(), wide.c_str()), ERROR_SUCCESS);
}

TEST_F(RegistryNames, LettersOfEveryScriptCompareWithoutCaseAndSpellingsAreOne) {
    if (!AnsiCodePageIsShiftJis()) GTEST_SKIP() << "the ANSI code page is not 932";
    for (const Spelling& c : Spellings()) {
        SCOPED_TRACE(c.title);
        MakeKey("k" + c.created);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, KeyPath("k" + c.asked)), c.same);
        Key root;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyRoot().c_str(), 0, KEY_READ, root.Out()), ERROR_SUCCESS);
        char name[64] = {};
        DWORD length = sizeof name;
        ASSERT_EQ(RegEnumKeyExA(root.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(std::string(name), "k" + c.listed);
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("k" + c.asked).c_str()) == ERROR_SUCCESS, c.same);
        (void)RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath("k" + c.created).c_str());
    }
}

}  // namespace
}  // namespace contract
