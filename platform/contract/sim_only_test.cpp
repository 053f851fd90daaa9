// Behaviour of the simulated Windows that Win32 calls alone cannot show and
// that the tests of the programs rely on: the test-facing API (laying out
// and looking at the volume, scripted message boxes, recorded launches,
// injected faults, the journal, junctions, rights, held files, other
// processes, the delete semantics). What Win32 calls can show is pinned by
// the contract tests instead, against Wine too. Host builds only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim.h"

namespace {

HANDLE OpenForRead(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(SimMachine, VolumeApiSeesWhatWin32CallsDid) {
    sim::Machine machine;
    machine.AddFile("D:\\Games\\Maker\\Game\\data.bin", std::string("\x00\x01", 2));
    EXPECT_TRUE(machine.IsFolder("d:\\games"));
    EXPECT_EQ(machine.FileBytes("D:\\GAMES\\maker\\game\\DATA.BIN"), std::string("\x00\x01", 2));
    EXPECT_EQ(machine.Attributes("D:\\Games\\Maker\\Game\\data.bin"), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_TRUE(DeleteFileA("D:/Games/Maker/Game/data.bin"));
    EXPECT_FALSE(machine.Exists("D:\\Games\\Maker\\Game\\data.bin"));
    EXPECT_EQ(machine.ListTree("d:\\games"),
              (std::vector<std::string>{"D:\\Games\\Maker", "D:\\Games\\Maker\\Game"}));
    // What the ANSI calls cannot reach can still be laid out and looked at.
    const std::string deep = "C:\\G\\" + std::string(300, 'x') + "\\f.txt";
    machine.AddFile(deep, "deep");
    machine.AddFile("C:\\G\\CON.txt", "con");
    EXPECT_FALSE(DeleteFileA(deep.c_str()));
    EXPECT_FALSE(DeleteFileA("C:\\G\\CON.txt"));
    EXPECT_EQ(machine.FileBytes(deep), "deep");
    EXPECT_EQ(machine.FileBytes("C:\\G\\CON.txt"), "con");
}

TEST(SimMachine, MessageBoxesAreRecordedAndAnsweredFromTheScript) {
    sim::Machine machine;
    machine.ScriptAnswers({IDNO, IDCANCEL});
    EXPECT_EQ(MessageBoxA(nullptr, "\x83\x5C", "cap", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(1), "b", nullptr, MB_OKCANCEL), IDCANCEL);
    // Script exhausted: the default button, counted as unscripted.
    EXPECT_EQ(MessageBoxA(nullptr, "c", "cap", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "d", "cap", MB_OKCANCEL | 0x100 /*MB_DEFBUTTON2*/), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "e", "cap", MB_OK | MB_ICONERROR), IDOK);
    ASSERT_EQ(machine.MessageBoxes().size(), 5u);
    EXPECT_EQ(machine.UnscriptedMessageBoxes(), 3);
    const sim::MessageBoxRecord& first = machine.MessageBoxes()[0];
    EXPECT_EQ(first.text, "\x83\x5C");
    EXPECT_EQ(first.caption, "cap");
    EXPECT_EQ(first.flags, UINT{MB_YESNO});
    EXPECT_FALSE(first.hasOwner);
    EXPECT_TRUE(machine.MessageBoxes()[1].hasOwner);
    EXPECT_EQ(machine.MessageBoxes()[1].caption, "");
}

TEST(SimMachine, ShellExecuteIsRecordedWithTheFileAsItWas) {
    sim::Machine machine;
    machine.AddFile("C:\\Temp\\run.bat", "echo\r\n");
    HINSTANCE result = ShellExecuteA(nullptr, "open", "C:\\Temp\\run.bat", nullptr, "C:\\Temp", SW_HIDE);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(result), 42);
    machine.SetShellExecuteResult(5);
    result = ShellExecuteA(nullptr, "open", "C:\\Temp\\run.bat", "-x", nullptr, SW_SHOWNORMAL);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(result), 5);
    result = ShellExecuteA(nullptr, "open", "C:\\Temp\\missing.bat", nullptr, nullptr, SW_HIDE);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(result), 2);  // SE_ERR_FNF
    ASSERT_EQ(machine.ShellExecutes().size(), 3u);
    const sim::ShellExecuteRecord& first = machine.ShellExecutes()[0];
    EXPECT_EQ(first.operation, "open");
    EXPECT_EQ(first.file, "C:\\Temp\\run.bat");
    EXPECT_TRUE(first.parametersNull);
    EXPECT_EQ(first.directory, "C:\\Temp");
    EXPECT_EQ(first.showCommand, SW_HIDE);
    EXPECT_EQ(first.fileBytesAtLaunch, "echo\r\n");
    EXPECT_FALSE(machine.ShellExecutes()[1].parametersNull);
    EXPECT_EQ(machine.ShellExecutes()[1].parameters, "-x");
}

TEST(SimMachine, SpecialFolders) {
    sim::Machine machine;
    char buffer[MAX_PATH + 1] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE));
    EXPECT_STREQ(buffer, "C:\\Users\\Public\\Desktop");

    machine.MakeSpecialFolderUnavailable(CSIDL_COMMON_PROGRAMS);
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_COMMON_PROGRAMS, FALSE));
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS | CSIDL_FLAG_CREATE, nullptr, 0, buffer), E_FAIL);

    // Known but missing: not found without the create flag, created with it.
    ASSERT_TRUE(RemoveDirectoryA("C:\\Users\\Player\\Documents"));
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_PERSONAL, FALSE));
    buffer[0] = '\0';
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, buffer), static_cast<HRESULT>(0x80070002u));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(machine.Exists("C:\\Users\\Player\\Documents"));
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, buffer), S_OK);
    EXPECT_STREQ(buffer, "C:\\Users\\Player\\Documents");
    EXPECT_TRUE(machine.IsFolder("C:\\Users\\Player\\Documents"));

    machine.SetSpecialFolder(CSIDL_APPDATA, "E:\\Roaming");
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, buffer), S_OK);
    EXPECT_STREQ(buffer, "E:\\Roaming");
    EXPECT_EQ(machine.SpecialFolder(CSIDL_APPDATA), "E:\\Roaming");
}

TEST(SimMachine, SleepAdvancesVirtualTicks) {
    sim::Machine machine;
    machine.SetTicks(0xFFFFFFF0u);
    Sleep(100);
    Sleep(0);
    EXPECT_EQ(GetTickCount(), 0x54u);  // wraps like the real 32-bit counter
    EXPECT_EQ(machine.TotalSleptMilliseconds(), 100u);
}

// Each function, failed by injection: the documented failure value, the
// error, and nothing changed.
TEST(SimFaults, InjectedFailureReturnsTheFailureValueAndChangesNothing) {
    sim::Machine machine;
    machine.AddFile("C:\\a.txt", "abc");
    machine.AddKey("SOFTWARE\\K");
    machine.SetValue("SOFTWARE\\K", "V", "x");
    struct Case {
        const char* function;
        bool (*failed)();  // calls the function, true when it returned its failure value
    };
    static const Case cases[] = {
        {"CreateFileA", [] { return OpenForRead("C:\\a.txt") == INVALID_HANDLE_VALUE; }},
        {"DeleteFileA", [] { return DeleteFileA("C:\\a.txt") == FALSE; }},
        {"CreateDirectoryA", [] { return CreateDirectoryA("C:\\d", nullptr) == FALSE; }},
        {"RemoveDirectoryA", [] { return RemoveDirectoryA("C:\\Temp") == FALSE; }},
        {"CopyFileA", [] { return CopyFileA("C:\\a.txt", "C:\\b.txt", TRUE) == FALSE; }},
        {"FindFirstFileA",
         [] {
             WIN32_FIND_DATAA data;
             return FindFirstFileA("C:\\a.txt", &data) == INVALID_HANDLE_VALUE;
         }},
        {"GetFileAttributesA", [] { return GetFileAttributesA("C:\\a.txt") == INVALID_FILE_ATTRIBUTES; }},
        {"SetFileAttributesA", [] { return SetFileAttributesA("C:\\a.txt", FILE_ATTRIBUTE_READONLY) == FALSE; }},
        {"GetModuleFileNameA",
         [] {
             char b[MAX_PATH] = {};
             return GetModuleFileNameA(nullptr, b, MAX_PATH) == 0 && b[0] == '\0';
         }},
        {"GetTempPathA",
         [] {
             char b[MAX_PATH] = {};
             return GetTempPathA(MAX_PATH, b) == 0 && b[0] == '\0';
         }},
        {"GetCurrentDirectoryA",
         [] {
             char b[MAX_PATH] = {};
             return GetCurrentDirectoryA(MAX_PATH, b) == 0;
         }},
        {"SetCurrentDirectoryA", [] { return SetCurrentDirectoryA("C:\\Temp") == FALSE; }},
        {"GetTickCount", [] { return GetTickCount() == 0; }},
        {"MessageBoxA", [] { return MessageBoxA(nullptr, "t", "c", MB_OK) == 0; }},
        {"RegCreateKeyExA",
         [] {
             HKEY key = reinterpret_cast<HKEY>(1);
             return RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\N", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) == ERROR_ACCESS_DENIED &&
                    key == nullptr;
         }},
        {"RegOpenKeyExA",
         [] {
             HKEY key = nullptr;
             return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\K", 0, KEY_READ, &key) == ERROR_ACCESS_DENIED;
         }},
        {"RegDeleteKeyA", [] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\K") == ERROR_ACCESS_DENIED; }},
        {"ShellExecuteA",
         [] {
             return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "C:\\a.txt", nullptr, nullptr, 0)) == 2;
         }},
        {"SHGetSpecialFolderPathA",
         [] {
             char b[MAX_PATH] = {};
             return SHGetSpecialFolderPathA(nullptr, b, CSIDL_PERSONAL, FALSE) == FALSE;
         }},
        {"SHGetFolderPathA",
         [] {
             char b[MAX_PATH] = {};
             return SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, b) == E_FAIL;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        const std::vector<std::string> treeBefore = machine.ListTree("C:\\");
        const std::vector<std::string> keysBefore = machine.AllKeys();
        machine.FailCall(c.function, 1, ERROR_ACCESS_DENIED);
        SetLastError(0);
        EXPECT_TRUE(c.failed());
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
        EXPECT_EQ(machine.ListTree("C:\\"), treeBefore);
        EXPECT_EQ(machine.AllKeys(), keysBefore);
        EXPECT_EQ(machine.OpenFileHandles(), 0);
        EXPECT_EQ(machine.OpenKeyHandles(), 0);
        ASSERT_FALSE(machine.Journal().empty());
        EXPECT_EQ(machine.Journal().back().function, c.function);
        EXPECT_FALSE(machine.Journal().back().succeeded);
        machine.ClearFaults();
    }
    EXPECT_TRUE(machine.MessageBoxes().empty());
    EXPECT_TRUE(machine.ShellExecutes().empty());
}

TEST(SimFaults, NthCallCountsFromNowAndZeroMeansEvery) {
    sim::Machine machine;
    Sleep(1);
    machine.FailCall("Sleep", 2);
    Sleep(10);
    Sleep(20);  // fails: no time passes
    Sleep(30);
    EXPECT_EQ(machine.TotalSleptMilliseconds(), 41u);
    EXPECT_EQ(machine.CallCount("Sleep"), 4);

    machine.FailCall("CreateDirectoryA", 0, ERROR_DISK_FULL);
    EXPECT_FALSE(CreateDirectoryA("C:\\a", nullptr));
    EXPECT_FALSE(CreateDirectoryA("C:\\b", nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DISK_FULL});
    machine.ClearFaults();
    EXPECT_TRUE(CreateDirectoryA("C:\\a", nullptr));
}

TEST(SimFaults, InjectedCloseKeepsTheHandleOpen) {
    sim::Machine machine;
    machine.AddFile("C:\\a.txt", "abc");
    HANDLE file = OpenForRead("C:\\a.txt");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    machine.FailCall("CloseHandle", 1);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(machine.OpenFileHandles(), 1);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(machine.OpenFileHandles(), 0);
}

TEST(SimFaults, ShortTransfersReportSuccessWithFewerBytes) {
    sim::Machine machine;
    HANDLE file = CreateFileA("C:\\w.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    machine.ShortWrite(2, 3);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    ASSERT_TRUE(WriteFile(file, "abcdef", 6, &done, nullptr));
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(machine.FileBytes("C:\\w.bin"), "0123456789abc");
    ASSERT_TRUE(CloseHandle(file));

    file = OpenForRead("C:\\w.bin");
    machine.ShortRead(1, 4);
    char buffer[32] = {};
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 4u);
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 9u);
    machine.FailCall("ReadFile", 1, ERROR_READ_FAULT);
    done = 77;
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(CloseHandle(file));
}

TEST(SimJournal, ClearingRestartsCountsAndKeepsPendingFaultsInPlace) {
    sim::Machine machine;
    Sleep(1);
    Sleep(1);
    machine.FailCall("Sleep", 2);  // the fourth call overall
    machine.ShortWrite(1, 0);
    Sleep(1);
    machine.ClearJournal();
    EXPECT_EQ(machine.CallCount("Sleep"), 0);
    EXPECT_TRUE(machine.Journal().empty());
    Sleep(5);  // the fourth: fails
    Sleep(7);
    EXPECT_EQ(machine.TotalSleptMilliseconds(), 10u);
    EXPECT_EQ(machine.CallCount("Sleep"), 2);
    ASSERT_EQ(machine.Calls("Sleep").size(), 2u);
    EXPECT_FALSE(machine.Calls("Sleep")[0].succeeded);
    EXPECT_TRUE(machine.Calls("Sleep")[1].succeeded);
}

TEST(SimJournal, RecordsEveryCallInOrderWithItsArguments) {
    sim::Machine machine;
    machine.AddFolder("C:\\Games\\Maker\\Game\\Data");
    machine.ClearJournal();
    Sleep(100);
    EXPECT_FALSE(RemoveDirectoryA("C:\\Games\\Maker\\Game"));
    EXPECT_TRUE(CopyFileA("C:\\missing", "C:\\x", TRUE) == FALSE);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "InstallPath"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    const std::vector<sim::JournalEntry>& journal = machine.Journal();
    ASSERT_EQ(journal.size(), 6u);
    EXPECT_EQ(journal[0].function, "Sleep");
    EXPECT_EQ(journal[0].argument, "100");
    EXPECT_EQ(journal[1].function, "RemoveDirectoryA");
    EXPECT_EQ(journal[1].argument, "C:\\Games\\Maker\\Game");
    EXPECT_FALSE(journal[1].succeeded);
    EXPECT_EQ(journal[1].error, DWORD{ERROR_DIR_NOT_EMPTY});
    EXPECT_EQ(journal[2].detail, "C:\\x");
    EXPECT_EQ(journal[3].argument, "SOFTWARE\\Maker");
    EXPECT_TRUE(journal[3].succeeded);
    EXPECT_EQ(journal[4].argument, "SOFTWARE\\Maker");
    EXPECT_EQ(journal[4].detail, "InstallPath");
    EXPECT_EQ(machine.Calls("RegCloseKey").size(), 1u);
}

TEST(SimVolume, JunctionResolvesIntoItsTargetAndIsRemovedAsALink) {
    sim::Machine machine;
    machine.AddFile("C:\\Real\\inner\\f.txt", "f");
    machine.AddJunction("C:\\Games\\Link", "C:\\Real");
    EXPECT_EQ(machine.Attributes("C:\\Games\\Link"),
              DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT});
    EXPECT_EQ(machine.FileBytes("C:\\Games\\Link\\inner\\f.txt"), "f");
    EXPECT_EQ(GetFileAttributesA("C:\\Games\\Link\\inner"), DWORD{FILE_ATTRIBUTE_DIRECTORY});

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("C:\\Games\\Link", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT});
    EXPECT_TRUE(FindClose(find));

    // ".." is textual: the link's parent, not the target's.
    EXPECT_EQ(GetFileAttributesA("C:\\Games\\Link\\..\\Link\\inner\\f.txt"), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_FALSE(DeleteFileA("C:\\Games\\Link"));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(RemoveDirectoryA("C:\\Games\\Link"));
    EXPECT_FALSE(machine.Exists("C:\\Games\\Link"));
    EXPECT_EQ(machine.FileBytes("C:\\Real\\inner\\f.txt"), "f");
    EXPECT_EQ(machine.ListTree("C:\\Games"), std::vector<std::string>{});
}

TEST(SimVolume, HeldFilesFollowTheirShareMode) {
    sim::Machine machine;
    machine.AddFile("C:\\g\\save.dat", "s");
    machine.HoldOpen("C:\\g\\save.dat", FILE_SHARE_READ);
    HANDLE file = OpenForRead("C:\\g\\save.dat");
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(DeleteFileA("C:\\g\\save.dat"));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    machine.ReleaseHeld("C:\\g\\save.dat");

    machine.HoldOpen("C:\\g\\save.dat", 0);
    EXPECT_EQ(OpenForRead("C:\\g\\save.dat"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    machine.ReleaseHeld("C:\\g\\save.dat");

    // Shared for delete: the delete succeeds, the name stays until released.
    machine.HoldOpen("C:\\g\\save.dat", FILE_SHARE_READ | FILE_SHARE_DELETE);
    EXPECT_TRUE(DeleteFileA("C:\\g\\save.dat"));
    EXPECT_TRUE(machine.IsFile("C:\\g\\save.dat"));
    machine.ReleaseHeld("C:\\g\\save.dat");
    EXPECT_FALSE(machine.Exists("C:\\g\\save.dat"));

    // A holder that writes keeps out readers that do not share writing.
    machine.AddFile("C:\\g\\log.txt", "l");
    machine.HoldOpen("C:\\g\\log.txt", FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE);
    EXPECT_EQ(OpenForRead("C:\\g\\log.txt"), INVALID_HANDLE_VALUE);
    HANDLE shared = CreateFileA("C:\\g\\log.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(shared, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(shared));
    machine.ReleaseHeld("C:\\g\\log.txt");
    EXPECT_TRUE(DeleteFileA("C:\\g\\log.txt"));

    // A folder held open without delete sharing cannot be removed.
    machine.HoldOpen("C:\\g", FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(RemoveDirectoryA("C:\\g"));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    machine.ReleaseHeld("C:\\g");
    EXPECT_TRUE(RemoveDirectoryA("C:\\g"));
}

// The tests of the programs run each case that meets a held file under both
// delete semantics.
TEST(SimVolume, PosixDeleteSemanticsTakeTheNameAtOnce) {
    sim::Machine machine;
    machine.SetPosixDeleteSemantics(true);
    machine.AddFile("C:\\g\\save.dat", "s");
    machine.HoldOpen("C:\\g\\save.dat", FILE_SHARE_READ | FILE_SHARE_DELETE);
    EXPECT_TRUE(DeleteFileA("C:\\g\\save.dat"));
    EXPECT_FALSE(machine.Exists("C:\\g\\save.dat"));
    EXPECT_TRUE(RemoveDirectoryA("C:\\g"));
    machine.ReleaseHeld("C:\\g\\save.dat");
    EXPECT_FALSE(machine.Exists("C:\\g"));
}

// The asking uninstaller lives on for a while after its copy has started.
TEST(SimVolume, AProcessEndsAfterItsLifetimeOfVirtualTime) {
    sim::Machine machine;
    machine.AddFile("C:\\G\\Uninstaller.exe", "MZ");
    machine.StartProcess("C:\\G\\Uninstaller.exe", "C:\\G", 250);
    Sleep(200);
    EXPECT_FALSE(DeleteFileA("C:\\G\\Uninstaller.exe"));
    EXPECT_FALSE(RemoveDirectoryA("C:\\G"));
    Sleep(50);
    EXPECT_TRUE(DeleteFileA("C:\\G\\Uninstaller.exe"));
    EXPECT_TRUE(RemoveDirectoryA("C:\\G"));
}

TEST(SimVolume, MachineApiPathsResolveLikeWin32Paths) {
    sim::Machine machine;
    machine.AddFolder("C:\\Games\\Game");
    machine.SetCurrentDirectory("c:\\games");
    EXPECT_EQ(machine.CurrentDirectory(), "c:\\games");  // as given
    machine.AddFile("Game\\a.txt", "a");
    EXPECT_EQ(machine.FileBytes("C:\\Games\\Game\\a.txt"), "a");
    EXPECT_TRUE(machine.IsFile("\\Games\\Game\\a.txt"));
    EXPECT_TRUE(machine.IsFile("Game/./a.txt"));
    EXPECT_TRUE(machine.IsFolder("Game\\"));
    EXPECT_FALSE(machine.Exists("Game\\b.txt"));
    EXPECT_EQ(machine.Attributes("Game\\b.txt"), INVALID_FILE_ATTRIBUTES);
    // The current directory's drive: a path without one lands there.
    char buffer[MAX_PATH] = {};
    ASSERT_EQ(GetCurrentDirectoryA(MAX_PATH, buffer), 8u);
    EXPECT_STREQ(buffer, "c:\\games");
    // An unknown drive is a missing path.
    EXPECT_EQ(GetFileAttributesA("Q:\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
}

TEST(SimRegistry, WithoutAdministratorRightsOnlyReadingWorks) {
    sim::Machine machine;
    machine.SetValue("SOFTWARE\\Maker\\Game", "InstallPath", "C:\\Games");
    machine.SetAdministrator(false);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Game", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New", 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Game", 0, KEY_SET_VALUE, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Game"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Game", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "InstallPath"), ERROR_ACCESS_DENIED);
    const BYTE data[] = "x";
    EXPECT_EQ(RegSetValueExA(key, "Other", 0, REG_SZ, data, 2), ERROR_ACCESS_DENIED);
    char value[64] = {};
    DWORD size = sizeof value;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "installpath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, "C:\\Games");
    EXPECT_EQ(type, DWORD{REG_SZ});
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(machine.AllKeys(),
              (std::vector<std::string>{"SOFTWARE", "SOFTWARE\\Maker", "SOFTWARE\\Maker\\Game"}));
    EXPECT_EQ(machine.OpenKeyHandles(), 0);
}

}  // namespace
#endif
