// Files, folders and handles: what the removal engine, the relaunch and the
// readers of both programs expect of kernel32.
#include <cstring>
#include <string>

#include "platform/contract/contract_fixture.h"

namespace contract {
namespace {

using Files = Scratch;

TEST_F(Files, RemoveDirectoryRemovesOnlyEmptyFolders) {
    MakeFolder("dir");
    MakeFile("dir\\f.txt", "x");
    EXPECT_FALSE(RemoveDirectoryA(Path("dir").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DIR_NOT_EMPTY});
    ASSERT_TRUE(DeleteFileA(Path("dir\\f.txt").c_str()));
    // A trailing backslash names the same folder.
    EXPECT_TRUE(RemoveDirectoryA(Path("dir\\").c_str()));
    EXPECT_FALSE(Exists("dir"));
    EXPECT_FALSE(RemoveDirectoryA(Path("dir").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});

    MakeFile("file.txt", "x");
    EXPECT_FALSE(RemoveDirectoryA(Path("file.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DIRECTORY});
    EXPECT_TRUE(Exists("file.txt"));
}

TEST_F(Files, DeleteFileRefusesFoldersAndReadOnlyFiles) {
    MakeFolder("dir");
    EXPECT_FALSE(DeleteFileA(Path("dir").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(Exists("dir"));

    MakeFile("ro.txt", "x");
    ASSERT_TRUE(SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(Path("ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_FALSE(DeleteFileA(Path("ro.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(Exists("ro.txt"));

    // Wine maps the read-only attribute to Unix permission bits, which a
    // root user's writes ignore and which folders do not carry; Windows
    // refuses both.
    if (!RunningUnderWine()) {
        EXPECT_EQ(OpenFile(Path("ro.txt"), GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
        EXPECT_EQ(OpenFile(Path("ro.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
        MakeFolder("rodir");
        ASSERT_TRUE(SetFileAttributesA(Path("rodir").c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_FALSE(RemoveDirectoryA(Path("rodir").c_str()));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    }

    EXPECT_FALSE(DeleteFileA(Path("missing.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_FALSE(DeleteFileA(Path("missing\\x.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
}

TEST_F(Files, FindFirstFileOnAPlainPathReportsThatEntry) {
    MakeFolder("Sub.lnk");
    MakeFile("Game.lnk", "12345");
    const FindResult file = FindEntry(Path("Game.lnk"));
    ASSERT_TRUE(file.found);
    EXPECT_EQ(file.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(file.name, "Game.lnk");
    EXPECT_EQ(file.size, 5u);

    const FindResult folder = FindEntry(Path("Sub.lnk"));
    ASSERT_TRUE(folder.found);
    EXPECT_EQ(folder.attributes & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    EXPECT_EQ(folder.name, "Sub.lnk");

    // Names compare without regard to the case of ASCII letters.
    EXPECT_TRUE(FindEntry(Path("GAME.LNK")).found);

    const FindResult missing = FindEntry(Path("Other.lnk"));
    EXPECT_FALSE(missing.found);
    EXPECT_EQ(missing.error, DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_FALSE(FindEntry(Path("nowhere\\Other.lnk")).found);
    // A path ending in a backslash names no entry.
    const FindResult trailing = FindEntry(Path("Sub.lnk\\"));
    EXPECT_FALSE(trailing.found);
    EXPECT_EQ(trailing.error, DWORD{ERROR_FILE_NOT_FOUND});
}

TEST_F(Files, GetFileAttributesTellsFilesFromFolders) {
    MakeFolder("dir");
    MakeFile("f.txt", "");
    EXPECT_EQ(GetFileAttributesA(Path("dir").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    const DWORD file = GetFileAttributesA(Path("f.txt").c_str());
    ASSERT_NE(file, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(file & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(GetFileAttributesA(Path("none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST_F(Files, CopyFileHonoursFailIfExists) {
    MakeFile("a.exe", "program");
    MakeFile("b.exe", "other");
    EXPECT_FALSE(CopyFileA(Path("a.exe").c_str(), Path("b.exe").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_EXISTS});
    EXPECT_EQ(ReadAll("b.exe"), "other");

    EXPECT_TRUE(CopyFileA(Path("a.exe").c_str(), Path("b.exe").c_str(), FALSE));
    EXPECT_EQ(ReadAll("b.exe"), "program");

    ASSERT_TRUE(CopyFileA(Path("a.exe").c_str(), Path("c.exe").c_str(), TRUE));
    Track("c.exe");
    EXPECT_EQ(ReadAll("c.exe"), "program");

    EXPECT_FALSE(CopyFileA(Path("missing.exe").c_str(), Path("d.exe").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_FALSE(Exists("d.exe"));

    // The copy carries the read-only attribute along.
    MakeFile("ro.exe", "r");
    ASSERT_TRUE(SetFileAttributesA(Path("ro.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CopyFileA(Path("ro.exe").c_str(), Path("ro2.exe").c_str(), TRUE));
    Track("ro2.exe");
    EXPECT_EQ(GetFileAttributesA(Path("ro2.exe").c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});

    MakeFolder("e.exe");
    EXPECT_FALSE(CopyFileA(Path("a.exe").c_str(), Path("e.exe").c_str(), TRUE));
    EXPECT_FALSE(CopyFileA(Path("a.exe").c_str(), Path("e.exe").c_str(), FALSE));
    EXPECT_EQ(GetFileAttributesA(Path("e.exe").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
}

TEST_F(Files, TempPathEndsWithABackslash) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    ASSERT_GT(length, 0u);
    ASSERT_EQ(length, std::strlen(buffer));
    EXPECT_EQ(buffer[length - 1], '\\');
    EXPECT_EQ(GetFileAttributesA(buffer) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});

    // Too small: the size needed, terminating NUL included.
    char small[2] = {};
    EXPECT_EQ(GetTempPathA(sizeof small, small), length + 1);
}

TEST_F(Files, ModuleFileNameIsTheRunningProgram) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    ASSERT_GT(length, 4u);
    ASSERT_EQ(length, std::strlen(buffer));
    EXPECT_EQ(std::string(buffer + length - 4), ".exe");

    // Too small: cut to the buffer, NUL-terminated within it, and the
    // result is the buffer's size (the behaviour of current Windows).
    char small[8];
    std::memset(small, 'z', sizeof small);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 4), 4u);
    EXPECT_EQ(std::string(small, 3), std::string(buffer, 3));
    EXPECT_EQ(small[4], 'z');
    // Wine 8 keeps the Windows XP behaviour of the ANSI form: four bytes of
    // the path, no NUL, no error.
    if (!RunningUnderWine()) {
        EXPECT_EQ(small[3], '\0');
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    }
}

TEST_F(Files, ShareModesDecideWhetherASecondOpenOrADeleteWorks) {
    MakeFile("f.txt", "data");
    const std::string path = Path("f.txt");
    HANDLE reader = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);

    HANDLE second = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(second));

    EXPECT_EQ(OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    // A reader that does not share reading is refused while one reads.
    EXPECT_EQ(OpenFile(path, GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    // Open without FILE_SHARE_DELETE: the file cannot be deleted.
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_TRUE(CloseHandle(reader));
    // Closing twice fails, and so does closing null; INVALID_HANDLE_VALUE is
    // the process's own pseudo handle, which closes without effect.
    EXPECT_FALSE(CloseHandle(reader));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE));

    HANDLE writer = OpenFile(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_TRUE(CloseHandle(writer));

    // Open with FILE_SHARE_DELETE: the delete succeeds.
    HANDLE sharing = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(sharing, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_TRUE(CloseHandle(sharing));
    EXPECT_FALSE(Exists("f.txt"));
}

TEST_F(Files, ReadAndWriteReportTheBytesMoved) {
    const std::string path = Path("rw.bin");
    HANDLE file = OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Track("rw.bin");
    DWORD done = 99;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    ASSERT_TRUE(WriteFile(file, "", 0, &done, nullptr));
    EXPECT_EQ(done, 0u);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);
    // The position is at the end: a read there succeeds with nothing.
    char buffer[32] = {};
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u);
    ASSERT_TRUE(CloseHandle(file));

    file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(ReadFile(file, buffer, 4, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    // A handle opened for reading cannot write.
    EXPECT_FALSE(WriteFile(file, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Files, DispositionsCreateTruncateOrRefuse) {
    MakeFile("f.txt", "old content");
    const std::string path = Path("f.txt");
    HANDLE file = OpenFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "new", 3, &done, nullptr));
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadAll("f.txt"), "new");

    EXPECT_EQ(OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_EXISTS});
    EXPECT_EQ(OpenFile(Path("none.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(OpenFile(Path("none\\x.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});

    file = OpenFile(Path("new.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Track("new.txt");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
    EXPECT_TRUE(CloseHandle(file));

    // A folder is not opened as a file.
    MakeFolder("dir");
    EXPECT_EQ(OpenFile(Path("dir"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
}

// 0x83 0x5C is one character (katakana so); its second byte is not a
// separator anywhere in the ANSI file calls.
TEST_F(Files, ShiftJisNameWithA5CTrailByteRoundTrips) {
    if (!AnsiCodePageIsShiftJis()) GTEST_SKIP() << "the ANSI code page is not 932";
    const std::string folder = "\x83\x5C";
    MakeFolder(folder);
    MakeFile(folder + "\\x.txt", "so");
    EXPECT_EQ(ReadAll(folder + "\\x.txt"), "so");
    const FindResult found = FindEntry(Path(folder));
    ASSERT_TRUE(found.found);
    EXPECT_EQ(found.name, folder);
    EXPECT_EQ(found.attributes & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    // The folder holds the file, so it cannot go first.
    EXPECT_FALSE(RemoveDirectoryA(Path(folder).c_str()));

    const std::string file = "a\x83\x5C.txt";
    MakeFile(file, "f");
    const FindResult named = FindEntry(Path(file));
    ASSERT_TRUE(named.found);
    EXPECT_EQ(named.name, file);
    EXPECT_TRUE(DeleteFileA(Path(file).c_str()));
    EXPECT_FALSE(FindEntry(Path(file)).found);
}

TEST_F(Files, CurrentDirectoryResolvesRelativePathsAndCannotBeRemoved) {
    MakeFolder("cwd");
    MakeFile("cwd\\rel.txt", "r");
    ASSERT_TRUE(SetCurrentDirectoryA(Path("cwd").c_str()));
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    EXPECT_EQ(std::string(buffer), Path("cwd"));
    EXPECT_EQ(length, std::strlen(buffer));
    char small[2] = {};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), length + 1);

    const FindResult relative = FindEntry("rel.txt");
    EXPECT_TRUE(relative.found);
    EXPECT_TRUE(FindEntry("..\\cwd\\rel.txt").found);
    ASSERT_TRUE(DeleteFileA("rel.txt"));
    // The process's current directory stays, even when empty.
    EXPECT_FALSE(RemoveDirectoryA(Path("cwd").c_str()));
    EXPECT_TRUE(Exists("cwd"));

    EXPECT_FALSE(SetCurrentDirectoryA(Path("missing").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
    MakeFile("f.txt", "");
    EXPECT_FALSE(SetCurrentDirectoryA(Path("f.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DIRECTORY});

    ASSERT_TRUE(SetCurrentDirectoryA(Root().c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Path("cwd").c_str()));
}

// Path forms the ANSI calls normalize before any file system sees them.
TEST_F(Files, PathFormsNormalizeLikeWin32) {
    MakeFolder("dir");
    MakeFile("dir\\f.txt", "f");
    struct Case {
        const char* relative;
        bool found;  // names the file
    } const cases[] = {
        {"dir\\f.txt", true},      {"DIR\\F.TXT", true},       {"dir/f.txt", true},
        {"dir\\\\f.txt", true},    {"dir\\.\\f.txt", true},    {"dir\\..\\dir\\f.txt", true},
        {"dir\\f.txt.", true},     {"dir\\f.txt ", true},      {"dir.\\f.txt", true},
        {"dir\\f.tx", false},      {"dir\\f.txt\\..", false},  {"other\\..\\dir\\f.txt", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        const DWORD attributes = GetFileAttributesA(Path(c.relative).c_str());
        const bool isFile = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        EXPECT_EQ(isFile, c.found);
    }
    // One leading backslash: the root of the current directory's drive
    // (an empty folder name joined to a name gives such a path).
    ASSERT_TRUE(SetCurrentDirectoryA(Path("dir").c_str()));
    ASSERT_EQ(Root()[1], ':');
    EXPECT_NE(GetFileAttributesA((Root().substr(2) + "\\dir\\f.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA("f.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, SpecialFoldersExistAndHaveNoTrailingBackslash) {
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS}) {
        SCOPED_TRACE(csidl);
        char buffer[MAX_PATH + 1] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE));
        const std::size_t length = std::strlen(buffer);
        ASSERT_GT(length, 3u);
        EXPECT_NE(buffer[length - 1], '\\');
        EXPECT_EQ(GetFileAttributesA(buffer) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    }
    for (int csidl : {CSIDL_PERSONAL, CSIDL_APPDATA}) {
        SCOPED_TRACE(csidl);
        char buffer[MAX_PATH + 1] = {};
        ASSERT_EQ(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buffer), S_OK);
        EXPECT_EQ(GetFileAttributesA(buffer) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    }
}

}  // namespace
}  // namespace contract
