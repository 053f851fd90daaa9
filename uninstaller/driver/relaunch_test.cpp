#include "uninstaller/driver/relaunch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/sim.h"

namespace {

// "アンインストーラの実行に失敗しました" in code page 932.
const std::string kRunFailed =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x82\xCC\x8E\xC0\x8D\x73\x82\xC9\x8E\xB8\x94\x73"
    "\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
constexpr UINT kErrorStyle = 0x00050000;  // MB_OK | MB_SETFOREGROUND | MB_TOPMOST

const char kCopy[] = "C:\\Temp\\abcdefghijklmnop.exe";
const char kBatch[] = "C:\\Temp\\ponmlkjihgfedcba.bat";
// C:\Games\表示ソフト: two characters whose second byte is 0x5C.
const std::string kJapaneseGame = "C:\\Games\\\x95\x5C\x8E\xA6\x83\x5C\x83\x74\x83\x67";
const char kModule[] = "C:\\Games\\Maker\\Game\\Uninstaller.exe";

std::string Hex(const std::string& bytes) {
    std::string out;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        out += pair;
    }
    return out;
}

// The seven lines, each as the command processor must read them.
std::vector<std::string> Lines(const std::string& copy, const std::string& game, const std::string& batch) {
    return {"\"" + copy + "\" -F=\"" + game + "\"\r\n",
            ":loop_setup_exe\r\n",
            "del \"" + copy + "\"\r\n",
            "if exist \"" + copy + "\" goto loop_setup_exe\r\n",
            ":loop_batch_file\r\n",
            "del \"" + batch + "\"\r\n",
            "if exist \"" + batch + "\" goto loop_batch_file\r\n"};
}

std::string Join(const std::vector<std::string>& lines, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) out += lines[i];
    return out;
}

void ExpectOneFailureMessage(const sim::Machine& m, const char* title) {
    ASSERT_EQ(m.MessageBoxes().size(), 1u) << title;
    EXPECT_EQ(m.MessageBoxes()[0].text, kRunFailed) << title;
    EXPECT_EQ(m.MessageBoxes()[0].caption, "Uninstaller") << title;
    EXPECT_EQ(m.MessageBoxes()[0].flags, kErrorStyle) << title;
    EXPECT_FALSE(m.MessageBoxes()[0].hasOwner) << title;
}

std::vector<std::string> TempEntries(const sim::Machine& m) { return m.ListTree("C:\\Temp"); }

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(WriteRelaunchBatch, WritesTheSevenLinesByteForByte) {
    sim::Machine m;
    ASSERT_TRUE(WriteRelaunchBatch(kCopy, kJapaneseGame, kBatch));
    EXPECT_EQ(Hex(m.FileBytes(kBatch)),
              "22433a5c54656d705c6162636465666768696a6b6c6d6e6f702e65786522202d463d22433a5c47616d65735c955c8ea6835c"
              "83748367220d0a"
              "3a6c6f6f705f73657475705f6578650d0a"
              "64656c2022433a5c54656d705c6162636465666768696a6b6c6d6e6f702e657865220d0a"
              "69662065786973742022433a5c54656d705c6162636465666768696a6b6c6d6e6f702e6578652220676f746f206c6f6f705f"
              "73657475705f6578650d0a"
              "3a6c6f6f705f62617463685f66696c650d0a"
              "64656c2022433a5c54656d705c706f6e6d6c6b6a6968676665646362612e626174220d0a"
              "69662065786973742022433a5c54656d705c706f6e6d6c6b6a6968676665646362612e6261742220676f746f206c6f6f705f"
              "62617463685f66696c650d0a");
    EXPECT_EQ(m.CallCount("WriteFile"), 7);  // one call per line
    EXPECT_EQ(m.OpenFileHandles(), 0);
}

TEST(WriteRelaunchBatch, DoublesEveryPercentInThePaths) {
    struct Case {
        std::string copy, game, batch;
        std::string copyInBatch, gameInBatch, batchInBatch;
    };
    const Case cases[] = {
        {"C:\\Temp\\a.exe", "C:\\Games\\100%\\Game", "C:\\Temp\\b.bat",  //
         "C:\\Temp\\a.exe", "C:\\Games\\100%%\\Game", "C:\\Temp\\b.bat"},
        {"C:\\%TEMP%\\a.exe", "C:\\G", "C:\\%TEMP%\\b.bat",  //
         "C:\\%%TEMP%%\\a.exe", "C:\\G", "C:\\%%TEMP%%\\b.bat"},
        {"C:\\T\\a.exe", "C:\\%%\\\x83\x5C%", "C:\\T\\b.bat",  //
         "C:\\T\\a.exe", "C:\\%%%%\\\x83\x5C%%", "C:\\T\\b.bat"},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        m.AddFolder("C:\\%TEMP%");
        m.AddFolder("C:\\T");
        ASSERT_TRUE(WriteRelaunchBatch(c.copy, c.game, c.batch)) << c.game;
        EXPECT_EQ(m.FileBytes(c.batch), Join(Lines(c.copyInBatch, c.gameInBatch, c.batchInBatch), 7)) << c.game;
    }
}

TEST(WriteRelaunchBatch, AnyFailedWriteOrCloseFailsAndClosesTheFile) {
    const auto lines = Lines(kCopy, kJapaneseGame, kBatch);
    for (int n = 1; n <= 7; ++n) {
        for (bool shortWrite : {false, true}) {
            sim::Machine m;
            if (shortWrite) {
                m.ShortWrite(n, 3);
            } else {
                m.FailCall("WriteFile", n, ERROR_DISK_FULL);
            }
            EXPECT_FALSE(WriteRelaunchBatch(kCopy, kJapaneseGame, kBatch)) << n << shortWrite;
            EXPECT_EQ(m.CallCount("WriteFile"), n) << n << shortWrite;  // nothing written after the fault
            EXPECT_EQ(m.OpenFileHandles(), 0) << n << shortWrite;
            const std::string partial = Join(lines, static_cast<std::size_t>(n - 1)) +
                                        (shortWrite ? lines[static_cast<std::size_t>(n - 1)].substr(0, 3) : "");
            EXPECT_EQ(m.FileBytes(kBatch), partial) << n << shortWrite;  // left where it is
        }
    }
    {
        sim::Machine m;
        m.FailCall("CloseHandle", 1, ERROR_DISK_FULL);
        EXPECT_FALSE(WriteRelaunchBatch(kCopy, kJapaneseGame, kBatch));
        EXPECT_EQ(m.OpenFileHandles(), 0);
    }
    {
        sim::Machine m;
        m.FailCall("CreateFileA", 1, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(WriteRelaunchBatch(kCopy, kJapaneseGame, kBatch));
        EXPECT_EQ(m.CallCount("WriteFile"), 0);
        EXPECT_FALSE(m.Exists(kBatch));
    }
    {
        sim::Machine m;
        m.ClearJournal();
        EXPECT_FALSE(WriteRelaunchBatch(kCopy, kJapaneseGame, ""));  // no free name was found
        EXPECT_TRUE(m.Journal().empty());
    }
}

TEST(MakeUniqueTempPath, SixteenLettersFromAToYInTheTemporaryFolder) {
    sim::Machine m;
    std::set<char> seen;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::srand(seed);
        const std::string path = MakeUniqueTempPath(".exe");
        ASSERT_EQ(path.size(), std::string("C:\\Temp\\").size() + 16 + 4) << path;
        EXPECT_EQ(path.rfind("C:\\Temp\\", 0), 0u) << path;
        EXPECT_TRUE(EndsWith(path, ".exe")) << path;
        for (std::size_t i = 8; i < 24; ++i) {
            EXPECT_TRUE(path[i] >= 'a' && path[i] <= 'y') << path;
            seen.insert(path[i]);
        }
    }
    EXPECT_EQ(seen.size(), 25u);  // every letter but z occurs
    EXPECT_EQ(m.OpenFileHandles(), 0);
}

TEST(MakeUniqueTempPath, AnyExistingEntryIsTaken) {
    for (bool folder : {false, true}) {
        sim::Machine m;
        std::srand(7);
        const std::string first = MakeUniqueTempPath(".bat");
        if (folder) {
            m.AddFolder(first);
        } else {
            m.AddFile(first);
        }
        m.ClearJournal();
        std::srand(7);
        const std::string second = MakeUniqueTempPath(".bat");
        EXPECT_NE(second, first);
        EXPECT_FALSE(m.Exists(second));
        EXPECT_EQ(m.Calls("FindFirstFileA").size(), 2u);
        EXPECT_EQ(m.Calls("FindClose").size(), 1u);
        EXPECT_EQ(m.OpenFileHandles(), 0);
    }
}

TEST(MakeUniqueTempPath, GivesUpAfter1024TakenNames) {
    sim::Machine m;
    // The names the generator will draw from this seed, all taken.
    std::srand(11);
    for (int i = 0; i < 1024; ++i) {
        std::string name = "C:\\Temp\\";
        for (int letter = 0; letter < 16; ++letter) name.push_back(static_cast<char>('a' + std::rand() % 25));
        m.AddFile(name + ".exe");
    }
    m.ClearJournal();
    std::srand(11);
    EXPECT_EQ(MakeUniqueTempPath(".exe"), "");
    EXPECT_EQ(m.CallCount("FindFirstFileA"), 1024);
    EXPECT_EQ(m.OpenFileHandles(), 0);
}

TEST(MakeUniqueTempPath, NothingWithoutATemporaryFolder) {
    sim::Machine m;
    m.FailCall("GetTempPathA", 0);
    m.ClearJournal();
    EXPECT_EQ(MakeUniqueTempPath(".exe"), "");
    EXPECT_EQ(m.CallCount("FindFirstFileA"), 0);
}

// The batch file that was started, its lines and the copy it names.
struct Started {
    std::string batchPath;
    std::string bytes;
    std::string copyPath;
};

Started StartedBatch(const sim::Machine& m) {
    Started s;
    if (m.ShellExecutes().size() != 1) return s;
    s.batchPath = m.ShellExecutes()[0].file;
    s.bytes = m.ShellExecutes()[0].fileBytesAtLaunch;
    const std::size_t close = s.bytes.find('"', 1);
    if (!s.bytes.empty() && s.bytes[0] == '"' && close != std::string::npos) s.copyPath = s.bytes.substr(1, close - 1);
    return s;
}

TEST(RelaunchFromTemp, CopiesItselfAndStartsTheHiddenBatch) {
    sim::Machine m;
    m.AddFile(kModule, "MZ program");
    m.SetShellExecuteResult(33);  // the smallest success
    std::srand(1);
    ASSERT_TRUE(RelaunchFromTemp());
    EXPECT_TRUE(m.MessageBoxes().empty());
    ASSERT_EQ(m.ShellExecutes().size(), 1u);
    const auto& run = m.ShellExecutes()[0];
    EXPECT_FALSE(run.hasOwner);
    EXPECT_EQ(run.operation, "open");
    EXPECT_TRUE(run.parametersNull);
    EXPECT_EQ(run.directory, "C:\\Temp");
    EXPECT_EQ(run.showCommand, 0);  // SW_HIDE

    const Started s = StartedBatch(m);
    EXPECT_EQ(s.batchPath.rfind("C:\\Temp\\", 0), 0u);
    EXPECT_TRUE(EndsWith(s.batchPath, ".bat"));
    EXPECT_TRUE(EndsWith(s.copyPath, ".exe"));
    EXPECT_NE(s.copyPath.substr(8, 16), s.batchPath.substr(8, 16));  // drawn independently
    EXPECT_EQ(s.bytes, Join(Lines(s.copyPath, "C:\\Games\\Maker\\Game", s.batchPath), 7));
    EXPECT_EQ(m.FileBytes(s.copyPath), "MZ program");
    EXPECT_EQ(m.Calls("CopyFileA").at(0).detail, s.copyPath);
    EXPECT_EQ(m.OpenFileHandles(), 0);
}

TEST(RelaunchFromTemp, AReadOnlyProgramGivesADeletableCopy) {
    sim::Machine m;
    m.AddFile(kModule, "MZ");
    m.SetAttributes(kModule, FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(RelaunchFromTemp());
    const Started s = StartedBatch(m);
    EXPECT_EQ(m.Attributes(s.copyPath) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(DeleteFileA(s.copyPath.c_str()));  // what the batch's del does
    EXPECT_TRUE(m.Attributes(kModule) & FILE_ATTRIBUTE_READONLY);
}

TEST(RelaunchFromTemp, AProgramInADriveRootNamesTheBareDrive) {
    sim::Machine m;
    m.SetModulePath("C:\\Uninstaller.exe");
    m.AddFile("C:\\Uninstaller.exe", "MZ");
    ASSERT_TRUE(RelaunchFromTemp());
    const Started s = StartedBatch(m);
    EXPECT_EQ(s.bytes, Join(Lines(s.copyPath, "C:", s.batchPath), 7));
}

// A relaunch that fails takes back what it made: a copy or a batch file
// that nothing runs would stay in the temporary folder for good.
TEST(RelaunchFromTemp, EveryFailureShowsItsMessageAndLeavesNothingBehind) {
    struct Case {
        const char* title;
        void (*arrange)(sim::Machine&);
        bool shellExecuted;
    };
    const Case cases[] = {
        {"copy fails", [](sim::Machine& m) { m.FailCall("CopyFileA", 1); }, false},
        {"program file missing", [](sim::Machine& m) { m.SetModulePath("C:\\Nowhere\\Uninstaller.exe"); }, false},
        {"no temporary folder", [](sim::Machine& m) { m.FailCall("GetTempPathA", 0); }, false},
        {"read-only flag cannot be cleared", [](sim::Machine& m) { m.FailCall("SetFileAttributesA", 1); }, false},
        {"batch cannot be created", [](sim::Machine& m) { m.FailCall("CreateFileA", 1); }, false},
        {"batch write fails", [](sim::Machine& m) { m.FailCall("WriteFile", 3, ERROR_DISK_FULL); }, false},
        {"batch write short", [](sim::Machine& m) { m.ShortWrite(7, 1); }, false},
        {"batch close fails", [](sim::Machine& m) { m.FailCall("CloseHandle", 1); }, false},
        // The third look at the temporary folder is the one for the working folder.
        {"no working folder", [](sim::Machine& m) { m.FailCall("GetTempPathA", 3); }, false},
        {"start fails", [](sim::Machine& m) { m.SetShellExecuteResult(32); }, true},
        {"start fails with zero", [](sim::Machine& m) { m.SetShellExecuteResult(0); }, true},
        {"no memory for the batch file's name", [](sim::Machine& m) { m.ThrowOnCall("FindFirstFileA", 2); }, false},
        {"no memory writing the batch file", [](sim::Machine& m) { m.ThrowOnCall("WriteFile", 2); }, false},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        m.AddFile(kModule, "MZ");
        c.arrange(m);
        EXPECT_FALSE(RelaunchFromTemp()) << c.title;
        ExpectOneFailureMessage(m, c.title);
        EXPECT_TRUE(TempEntries(m).empty()) << c.title;
        EXPECT_EQ(m.ShellExecutes().size(), c.shellExecuted ? 1u : 0u) << c.title;
        EXPECT_EQ(m.OpenFileHandles(), 0) << c.title;
    }
}

}  // namespace
