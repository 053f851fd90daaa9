#include "uninstaller/driver/run_uninstaller.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim.h"

namespace {

// Message texts as CP932 bytes, written out independently of the program.
const std::string kParseFailed =
    "\x83\x52\x83\x7D\x83\x93\x83\x68\x83\x89\x83\x43\x83\x93\x82\xCC\x89\xF0\x90\xCD\x82\xC9\x8E\xB8\x94\x73\x82"
    "\xB5\x82\xDC\x82\xB5\x82\xBD";
const std::string kUndefinedBefore =
    "\x96\xA2\x92\xE8\x8B\x60\x82\xCC\x83\x70\x83\x89\x83\x81\x81\x5B\x83\x5E\x81\x79\x20";
const std::string kUndefinedAfter =
    "\x20\x81\x7A\x82\xC5\x81\x41\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x82\xAA\x8E\xC0"
    "\x8D\x73\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD";
const std::string kUninstallFailed =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82"
    "\xB5\x82\xBD";
const std::string kSettingsBefore =
    "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x79";
const std::string kSettingsAfter =
    "\x81\x7A\x0A\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const std::string kQuestionBefore = "\x81\x77";
const std::string kQuestionAfter =
    "\x81\x78\x82\xF0\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xB5\x82\xDC\x82\xB7\x81"
    "\x42\x0A\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48\x0A\x0A\x81\xA6\x83\x5A\x81\x5B\x83"
    "\x75\x83\x66\x81\x5B\x83\x5E\x82\xCD\x8A\x65\x83\x86\x81\x5B\x83\x55\x81\x5B\x83\x41\x83\x4A\x83\x45\x83\x93"
    "\x83\x67\x82\xB2\x82\xC6\x82\xC9\x8E\x63\x82\xE8\x82\xDC\x82\xB7";
const std::string kRunFailed =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x82\xCC\x8E\xC0\x8D\x73\x82\xC9\x8E\xB8\x94"
    "\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// A game name whose characters end in 0x5C: 表示ソフト.
const std::string kJapaneseName = "\x95\x5C\x8E\xA6\x83\x5C\x83\x74\x83\x67";

constexpr UINT kErrorStyle = 0x00050000;  // MB_OK | MB_SETFOREGROUND | MB_TOPMOST, no icon

const char kGame[] = "C:\\Games\\Maker\\Game";

struct EndingCase {
    const char* title;
    std::string commandLine;
    std::string message;
};

TEST(RunUninstaller, CommandLineEndingsFailWithTheirMessage) {
    const EndingCase cases[] = {
        {"option without '='", "-F", kParseFailed},
        {"unclosed quote", "-F=\"C:\\Games", kParseFailed},
        {"undefined option", "-Q=1 -F=A", kUndefinedBefore + "Q" + kUndefinedAfter},
        {"lower-case f", "-f=A", kUndefinedBefore + "f" + kUndefinedAfter},
        {"bare word", "abc", kUndefinedBefore + kUndefinedAfter},
        {"quoted item", "\"C:\\Games\"", kUndefinedBefore + kUndefinedAfter},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini", "#GameName = \"G\"\n");
        EXPECT_FALSE(RunUninstaller(c.commandLine)) << c.title;
        ASSERT_EQ(machine.MessageBoxes().size(), 1u) << c.title;
        const auto& box = machine.MessageBoxes()[0];
        EXPECT_EQ(box.text, c.message) << c.title;
        EXPECT_EQ(box.caption, "Uninstaller") << c.title;
        EXPECT_EQ(box.flags, kErrorStyle) << c.title;
        EXPECT_FALSE(box.hasOwner) << c.title;
        EXPECT_TRUE(machine.ShellExecutes().empty()) << c.title;
        EXPECT_EQ(machine.Calls("DeleteFileA").size(), 0u) << c.title;
    }
}

TEST(RunUninstaller, SeedsTheGeneratorFromTheTickCountFirst) {
    sim::Machine machine;
    (void)RunUninstaller("-Q=1");
    ASSERT_FALSE(machine.Journal().empty());
    EXPECT_EQ(machine.Journal().front().function, "GetTickCount");
}

TEST(RunUninstaller, RemovingModeReportsAFailedUninstall) {
    sim::Machine machine;  // no record files: nothing can be removed
    machine.AddFolder(kGame);
    EXPECT_FALSE(RunUninstaller("-F=\"C:\\Games\\Maker\\Game\\\""));
    ASSERT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes()[0].text, kUninstallFailed);
    EXPECT_EQ(machine.MessageBoxes()[0].flags, kErrorStyle);
    EXPECT_TRUE(machine.IsFolder(kGame));
}

TEST(RunUninstaller, RemovingModeReportsCompletionWithoutAskingAndIgnoresLaterItems) {
    const std::string kComplete =
        "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC"
        "\x82\xB5\x82\xBD";
    for (const std::string& line : {std::string("-F=\"C:\\Games\\Maker\\Game\""), std::string("-F=C:\\Games\\Maker\\Game\\ -Q=B"),
                                   std::string("/F=C:\\Games\\Maker\\Game")}) {
        sim::Machine machine;
        machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini",
                        "#GameName = \"Game\"\r\n#Registry = \"SOFTWARE\\Maker\\Game\"\r\n#DefaultGameMakerName = \"Maker\"\r\n");
        machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\InstallFiles.ini",
                        "#InstallFileList{\"Game.exe\",1,0x1 \"Data\\a.pak\",2,0x2}\r\n");
        machine.AddFile("C:\\Games\\Maker\\Game\\Game.exe", "MZ");
        machine.AddFile("C:\\Games\\Maker\\Game\\Data\\a.pak", "x");
        machine.AddFile("C:\\Games\\Maker\\Other\\Other.exe", "MZ");
        machine.AddKey("SOFTWARE\\Maker\\Game");
        EXPECT_TRUE(RunUninstaller(line)) << line;
        ASSERT_EQ(machine.MessageBoxes().size(), 1u) << line;
        EXPECT_EQ(machine.MessageBoxes()[0].text, kComplete);
        EXPECT_EQ(machine.MessageBoxes()[0].flags, static_cast<UINT>(MB_OK));
        EXPECT_FALSE(machine.Exists(kGame)) << line;
        EXPECT_TRUE(machine.IsFile("C:\\Games\\Maker\\Other\\Other.exe")) << line;
        EXPECT_FALSE(machine.KeyExists("SOFTWARE\\Maker\\Game")) << line;
    }
}

TEST(RunUninstaller, AskingModeWithoutSettingsNamesTheFullPath) {
    sim::Machine machine;
    machine.SetModulePath("C:\\Games\\Maker\\Game\\Uninstaller.exe");
    machine.AddFile("C:\\Games\\Maker\\Game\\Uninstaller.exe", "MZ");
    machine.AddFile("C:\\InstallInfo\\Installer.ini", "#GameName = \"wrong\"\n");  // never the current folder
    EXPECT_FALSE(RunUninstaller(""));
    ASSERT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes()[0].text,
              kSettingsBefore + "C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini" + kSettingsAfter);
    EXPECT_EQ(machine.MessageBoxes()[0].flags, kErrorStyle);
}

// A program path that does not fit MAX_PATH gives no folder: the settings
// file is looked for nowhere, least of all at the root of the current drive,
// where another game's records may lie.
TEST(RunUninstaller, AskingModeWithoutItsOwnPathReadsNothing) {
    sim::Machine machine;
    machine.SetModulePath("C:\\Games\\" + std::string(250, 'x') + "\\Uninstaller.exe");
    machine.AddFile("C:\\InstallInfo\\Installer.ini", "#GameName = \"another game\"\n");
    machine.SetCurrentDirectory("C:\\");
    EXPECT_FALSE(RunUninstaller(""));
    ASSERT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes()[0].text, kSettingsBefore + "\\InstallInfo\\Installer.ini" + kSettingsAfter);
    EXPECT_EQ(machine.MessageBoxes()[0].flags, kErrorStyle);
    EXPECT_TRUE(machine.Calls("CreateFileA").empty());
}

TEST(RunUninstaller, AskingModeAnsweredNoChangesNothing) {
    for (const std::string line : {"", "   "}) {
        sim::Machine machine;
        machine.SetModulePath("C:\\Games\\Maker\\Game\\Uninstaller.exe");
        machine.AddFile("C:\\Games\\Maker\\Game\\Uninstaller.exe", "MZ");
        machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini",
                        "#GameName = \"" + kJapaneseName + "\"\r\n#Registry = \"SOFTWARE\\Maker\\Game\"\r\n");
        machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\InstallFiles.ini", "#InstallFileList{}\r\n");
        const auto before = machine.ListTree("C:\\");
        const auto tempBefore = machine.ListTree("C:\\Temp");
        machine.ScriptAnswers({IDNO});
        EXPECT_TRUE(RunUninstaller(line));
        ASSERT_EQ(machine.MessageBoxes().size(), 1u);
        const auto& box = machine.MessageBoxes()[0];
        EXPECT_EQ(box.text, kQuestionBefore + kJapaneseName + kQuestionAfter);
        EXPECT_EQ(box.caption, "Uninstaller");
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_YESNO));
        EXPECT_EQ(machine.ListTree("C:\\"), before);
        EXPECT_EQ(machine.ListTree("C:\\Temp"), tempBefore);
        EXPECT_TRUE(machine.ShellExecutes().empty());
        EXPECT_EQ(machine.OpenFileHandles(), 0);
    }
}

TEST(RunUninstaller, AskingModeAnsweredYesStartsTheTemporaryCopy) {
    sim::Machine machine;
    machine.SetModulePath("C:\\Games\\Maker\\Game\\Uninstaller.exe");
    machine.AddFile("C:\\Games\\Maker\\Game\\Uninstaller.exe", "MZ");
    machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini", "#GameName = \"G\"\n");
    machine.ScriptAnswers({IDYES});
    EXPECT_TRUE(RunUninstaller(""));
    ASSERT_EQ(machine.ShellExecutes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_TRUE(machine.IsFile("C:\\Games\\Maker\\Game\\Uninstaller.exe"));  // nothing removed in this process
}

TEST(RunUninstaller, RelaunchFailureIsAFailure) {
    sim::Machine machine;
    machine.SetModulePath("C:\\Games\\Maker\\Game\\Uninstaller.exe");
    machine.AddFile("C:\\Games\\Maker\\Game\\Uninstaller.exe", "MZ");
    machine.AddFile("C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini", "#GameName = \"G\"\n");
    machine.SetShellExecuteResult(2);  // file not found
    machine.ScriptAnswers({IDYES});
    EXPECT_FALSE(RunUninstaller(""));
}

TEST(RunUninstallerProcess, TakesTheArgumentsAfterAnUnquotedJapaneseProgramPath) {
    // C:\ゲーム\ソフト: no byte of the folder names is below 0x80.
    const std::string folder = "C:\\\x83\x51\x81\x5B\x83\x80\\\x83\x5C\x83\x74\x83\x67";
    const std::string program = folder + "\\Uninstaller.exe";
    const std::string kComplete =
        "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC"
        "\x82\xB5\x82\xBD";
    const struct {
        const char* title;
        const char* line;  // null: no command line at all
        int exitCode;
        std::string message;
    } cases[] = {
        {"unquoted, asking", program.c_str(), -1, kSettingsBefore + folder + "\\InstallInfo\\Installer.ini" + kSettingsAfter},
        {"no command line, asking", nullptr, -1, kSettingsBefore + folder + "\\InstallInfo\\Installer.ini" + kSettingsAfter},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        machine.SetModulePath(program);
        machine.AddFile(program, "MZ");
        EXPECT_EQ(RunUninstallerProcess(c.line), c.exitCode) << c.title;
        ASSERT_EQ(machine.MessageBoxes().size(), 1u) << c.title;
        EXPECT_EQ(machine.MessageBoxes()[0].text, c.message) << c.title;
    }
    // Removing mode after the unquoted path: the folder is uninstalled.
    sim::Machine machine;
    machine.AddFile(folder + "\\InstallInfo\\Installer.ini", "#GameName = \"G\"\r\n#Registry = \"SOFTWARE\\M\\G\"\r\n");
    machine.AddFile(folder + "\\InstallInfo\\InstallFiles.ini", "#InstallFileList{\"G.exe\",1,0x1}\r\n");
    machine.AddFile(folder + "\\G.exe", "MZ");
    EXPECT_EQ(RunUninstallerProcess((program + " -F=\"" + folder + "\"").c_str()), 0);
    ASSERT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes()[0].text, kComplete);
    EXPECT_FALSE(machine.Exists(folder));
}

// A record too big to hold (2 GiB and more: a 32-bit program's vector throws
// length_error) or memory running out while reading it is that record's read
// failure; memory running out anywhere else is a failed run, never silent.
TEST(RunUninstallerProcess, ARecordTooBigOrNoMemoryIsAFailureWithItsMessage) {
    const std::string settings = std::string(kGame) + "\\InstallInfo\\Installer.ini";
    const std::string list = std::string(kGame) + "\\InstallInfo\\InstallFiles.ini";
    const std::string asking = "\"" + std::string(kGame) + "\\Uninstaller.exe\"";
    const std::string removing = "C:\\Temp\\abcdefghijklmnop.exe -F=\"" + std::string(kGame) + "\"";
    const std::string settingsUnreadable = kSettingsBefore + settings + kSettingsAfter;
    const struct {
        const char* title;
        const std::string& line;
        void (*arrange)(sim::Machine&, const std::string& settings, const std::string& list);
        const std::string& lastBox;
    } cases[] = {
        {"asking, settings of 2 GiB", asking,
         [](sim::Machine& m, const std::string& s, const std::string&) { m.ReportFileSize(s, 0x80000000u); },
         settingsUnreadable},
        {"asking, settings of 4 GiB and its bytes", asking,
         [](sim::Machine& m, const std::string& s, const std::string&) {
             m.ReportFileSize(s, 0x100000000ull + m.FileBytes(s).size()); },
         settingsUnreadable},
        {"asking, no memory reading the settings", asking,
         [](sim::Machine& m, const std::string&, const std::string&) { m.ThrowOnCall("ReadFile", 1); },
         settingsUnreadable},
        {"removing, list just under 4 GiB", removing,
         [](sim::Machine& m, const std::string&, const std::string& l) { m.ReportFileSize(l, 0xFFFFFFFEu); },
         kUninstallFailed},
        {"removing, no memory reading the list", removing,
         [](sim::Machine& m, const std::string&, const std::string&) { m.ThrowOnCall("ReadFile", 2); },
         kUninstallFailed},
        {"removing, no memory half-way", removing,
         [](sim::Machine& m, const std::string&, const std::string&) { m.ThrowOnCall("DeleteFileA", 2); },
         kUninstallFailed},
        // After Yes: the relaunch's failure, and nothing left in the temporary folder.
        {"asking, no memory making the batch file", asking,
         [](sim::Machine& m, const std::string&, const std::string&) { m.ThrowOnCall("CreateFileA", 2); },
         kRunFailed},
        {"asking, no memory starting the batch file", asking,
         [](sim::Machine& m, const std::string&, const std::string&) { m.ThrowOnCall("ShellExecuteA", 1); },
         kRunFailed},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        machine.AddFile(std::string(kGame) + "\\Uninstaller.exe", "MZ");
        machine.AddFile(settings, "#GameName = \"G\"\r\n#Registry = \"SOFTWARE\\M\\G\"\r\n");
        machine.AddFile(list, "#InstallFileList{\"G.exe\",1,0x1 \"Data\\d.pak\",2,0x2}\r\n");
        machine.AddFile(std::string(kGame) + "\\G.exe", "MZ");
        machine.AddFile(std::string(kGame) + "\\Data\\d.pak", "d");
        c.arrange(machine, settings, list);
        EXPECT_EQ(RunUninstallerProcess(c.line.c_str()), -1) << c.title;
        ASSERT_FALSE(machine.MessageBoxes().empty()) << c.title;
        EXPECT_EQ(machine.MessageBoxes().back().text, c.lastBox) << c.title;
        EXPECT_EQ(machine.MessageBoxes().back().flags, kErrorStyle) << c.title;
        EXPECT_TRUE(machine.IsFolder(kGame)) << c.title;
        EXPECT_TRUE(machine.ShellExecutes().empty()) << c.title;
        EXPECT_TRUE(machine.ListTree("C:\\Temp").empty()) << c.title;
        EXPECT_EQ(machine.OpenFileHandles(), 0) << c.title;
    }
}

TEST(ShowMessage, AlwaysFailsAndCutsLongTexts) {
    sim::Machine machine;
    const std::string longText(40000, 'x');
    EXPECT_FALSE(ShowMessage("%s", longText.c_str()));
    ASSERT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes()[0].text.size(), 16383u);
}

}  // namespace
