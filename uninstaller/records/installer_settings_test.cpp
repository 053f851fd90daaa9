#include "uninstaller/records/installer_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim.h"

namespace {

const char kPath[] = "C:\\Games\\X\\InstallInfo\\Installer.ini";

// Two-byte characters whose second byte is a backslash or a double quote.
const std::string kSo = "\x83\x5C";        // katakana so
const std::string kHyou = "\x95\x5C";      // hyou (table)
const std::string kQuoteTrail = "\x83\x22";  // lead byte with a quote as second byte
const std::string kGameName = kSo + "\x83\x74\x83\x67" + kHyou;

void ExpectShortcuts(const std::vector<ShortcutEntry>& entries, const std::vector<ShortcutEntry>& expected) {
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].FirstValue, expected[i].FirstValue) << i;
        EXPECT_EQ(entries[i].LinkName, expected[i].LinkName) << i;
    }
}

bool ReadFileWith(const std::string& bytes, InstallerSettings& settings) {
    sim::Machine machine;
    machine.AddFile(kPath, bytes);
    const bool read = ReadInstallerSettings(kPath, settings);
    EXPECT_EQ(machine.OpenFileHandles(), 0);
    return read;
}

TEST(ReadInstallerSettings, ReadsARealLookingFile) {
    const std::string file =
        "; Installer settings\r\n"
        "#InstallerSetupFileVersion = 3\r\n"
        "#GameName = \"first\"  // replaced below\r\n"
        "#Registry = \"SOFTWARE\\Maker\\" + kGameName + "\"\r\n"
        "#MutexName = \"Mutex" + kSo + "\" #DefaultGameMakerName = \"Maker" + kHyou + "\"\r\n"
        "#DefaultGameMakerProgramMenuName\r\n"
        "    =   ; the menu folder\n"
        "    \"Menu" + kQuoteTrail + "\"\n"
        "#\tDefaultGameFolderName \"=\" \"Folder\"\r\n"
        "#GameExeFileName=\"Game.exe\"#UninstallerExeFileName=\"Uninstaller.exe\"\r\n"
        "// shortcuts\r\n"
        "#Shortcut = \"Game.exe\", \"" + kGameName + "\"\r\n"
        "#Shortcut = \"Manual.html\",\r\n  \"Manual" + kSo + "\"\n"
        "#DesktopShortcut = \"Game.exe\" , \"" + kGameName + "\"\r\n"
        "#Shortcut = \"\", \"\"\r\n"
        "#GameName = \"" + kGameName + "\"\r\n";
    InstallerSettings settings;
    ASSERT_TRUE(ReadFileWith(file, settings));
    EXPECT_EQ(settings.GameName, "\x83\x5C\x83\x74\x83\x67\x95\x5C");
    EXPECT_EQ(settings.Registry, "SOFTWARE\\Maker\\\x83\x5C\x83\x74\x83\x67\x95\x5C");
    EXPECT_EQ(settings.DefaultGameMakerName, "Maker\x95\x5C");
    EXPECT_EQ(settings.DefaultGameMakerProgramMenuName, "Menu\x83\x22");
    EXPECT_EQ(settings.DefaultGameFolderName, "Folder");
    EXPECT_EQ(settings.GameExeFileName, "Game.exe");
    EXPECT_EQ(settings.UninstallerExeFileName, "Uninstaller.exe");
    ExpectShortcuts(settings.Shortcut, {{"Game.exe", "\x83\x5C\x83\x74\x83\x67\x95\x5C"},
                                        {"Manual.html", "Manual\x83\x5C"},
                                        {"", ""}});
    ExpectShortcuts(settings.DesktopShortcut, {{"Game.exe", "\x83\x5C\x83\x74\x83\x67\x95\x5C"}});
}

TEST(ReadInstallerSettings, AcceptsFilesWithoutStatements) {
    for (const std::string file : {" ", "\r\n", "// note\r\n; other note\n", "// note without line feed"}) {
        InstallerSettings settings;
        EXPECT_TRUE(ReadFileWith(file, settings)) << file;
        EXPECT_TRUE(settings.GameName.empty());
        EXPECT_TRUE(settings.Shortcut.empty());
    }
}

TEST(ReadInstallerSettings, IgnoresAnyDecimalVersion) {
    for (const char* version : {"0", "-5", "99999999999999"}) {
        InstallerSettings settings;
        EXPECT_TRUE(ReadFileWith(std::string("#InstallerSetupFileVersion=") + version + " #GameName=\"G\"", settings))
            << version;
        EXPECT_EQ(settings.GameName, "G");
    }
}

// Each malformed statement after two good ones: the read fails, and the
// record keeps what the good statements set.
TEST(ReadInstallerSettings, FailsOnEveryMalformedStatementKeepingWhatCameBefore) {
    const std::string before = "#GameName = \"Before\"\r\n#Shortcut = \"f\", \"l\"\r\n";
    const struct Case {
        const char* name;
        std::string rest;
    } cases[] = {
        {"byte where no token starts", "_"},
        {"unterminated string", "#Registry = \"SOFTWARE"},
        {"string cut by a lone lead byte", "#Registry = \"SOFT\x83"},
        {"; comment to the end", "; no line feed"},
        {"statement without #", "Registry = \"R\""},
        {"# and nothing else", "#"},
        {"missing key", "# = \"R\""},
        {"quoted key", "# \"Registry\" = \"R\""},
        {"unknown key", "#Unknown = \"R\""},
        {"key in other case", "#registry = \"R\""},
        {"missing =", "#Registry \"R\""},
        {"missing value", "#Registry ="},
        {"number for a string", "#GameName = 5"},
        {"word for a string", "#GameName = Word"},
        {"version with a point", "#InstallerSetupFileVersion = 1.0"},
        {"version in hexadecimal", "#InstallerSetupFileVersion = 0x1"},
        {"quoted version", "#InstallerSetupFileVersion = \"1\""},
        {"lone minus as version", "#InstallerSetupFileVersion = -"},
        {"shortcut with one string", "#Shortcut = \"a\""},
        {"shortcut without comma", "#Shortcut = \"a\" \"b\""},
        {"shortcut with a semicolon", "#DesktopShortcut = \"a\"; \"b\"\n"},
        {"byte-order mark mid-file", "\xEF\xBB\xBF#Registry = \"R\""},
    };
    for (const Case& c : cases) {
        InstallerSettings settings;
        EXPECT_FALSE(ReadFileWith(before + c.rest, settings)) << c.name;
        EXPECT_EQ(settings.GameName, "Before") << c.name;
        EXPECT_EQ(settings.Shortcut.size(), 1u) << c.name;
        EXPECT_TRUE(settings.Registry.empty()) << c.name;
        EXPECT_TRUE(settings.DesktopShortcut.empty()) << c.name;
    }
}

TEST(ReadInstallerSettings, FailsOnAByteOrderMarkAtTheStart) {
    InstallerSettings settings;
    EXPECT_FALSE(ReadFileWith("\xEF\xBB\xBF#GameName = \"G\"\r\n", settings));
    EXPECT_TRUE(settings.GameName.empty());
}

TEST(ReadInstallerSettings, FailsWhenTheFileCannotBeReadWhole) {
    const std::string content = "#GameName = \"G\"\r\n";
    {
        sim::Machine machine;
        InstallerSettings settings;
        EXPECT_FALSE(ReadInstallerSettings(kPath, settings));  // missing
    }
    {
        InstallerSettings settings;
        EXPECT_FALSE(ReadFileWith("", settings));  // empty
    }
    {
        sim::Machine machine;
        machine.AddFile(kPath, content);
        machine.HoldOpen(kPath, 0);  // another process without read sharing
        InstallerSettings settings;
        EXPECT_FALSE(ReadInstallerSettings(kPath, settings));
    }
    {
        sim::Machine machine;
        machine.AddFile(kPath, content);
        machine.ShortRead(1, 3);
        InstallerSettings settings;
        EXPECT_FALSE(ReadInstallerSettings(kPath, settings));
        EXPECT_TRUE(settings.GameName.empty());  // nothing parsed from a partial read
        EXPECT_EQ(machine.OpenFileHandles(), 0);
    }
}

}  // namespace
