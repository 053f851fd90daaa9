// Files and folders that something still uses: a name deleted while another
// handle holds it, a running program's file, a process's current folder. A
// game still running while it is uninstalled, and the asking uninstaller
// that has not quite ended when its temporary copy starts, leave these.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace contract {
namespace {

using InUse = Scratch;

TEST_F(InUse, ADeletedFileStillOpenKeepsItsNameAndFolderUntilTheLastClose) {
    MakeFolder("dir");
    MakeFile("dir\\f.txt", "data");
    const std::string path = Path("dir\\f.txt");
    HANDLE holder = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileA(path.c_str()));

    // NTFS with POSIX delete semantics (current Windows) takes the name away
    // at once; Wine, older Windows and the simulation by default keep it.
    const bool kept = FindEntry(path).found;
    if (RunningUnderWine() || RunningOnSimulation()) {
        EXPECT_TRUE(kept);
    }
    if (kept) {
        EXPECT_FALSE(RemoveDirectoryA(Path("dir").c_str()));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_DIR_NOT_EMPTY});
        EXPECT_EQ(OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
        // Windows refuses every open of a name whose delete is pending; Wine
        // still lets readers in, answers for its attributes, and deletes it
        // again.
        if (!RunningUnderWine()) {
            EXPECT_EQ(OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               OPEN_EXISTING),
                      INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
            EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
            EXPECT_FALSE(DeleteFileA(path.c_str()));
            EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
        }
    }
    char bytes[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(holder, bytes, sizeof bytes, &read, nullptr));
    EXPECT_EQ(std::string(bytes, read), "data");
    EXPECT_TRUE(CloseHandle(holder));
    EXPECT_FALSE(FindEntry(path).found);
    EXPECT_TRUE(RemoveDirectoryA(Path("dir").c_str()));
}

TEST_F(InUse, ARunningProgramsFileAndCurrentFolderStayUntilItEnds) {
    MakeFolder("cwd");
    ASSERT_TRUE(CopyOfThisProgram(Path("game.exe")));
    Track("game.exe");
    const std::string image = Path("game.exe");
    OtherProcess game;
    ASSERT_TRUE(game.Start(image, Path("cwd")));

    EXPECT_FALSE(DeleteFileA(image.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(OpenFile(image, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    HANDLE reader = OpenFile(image, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_FALSE(RemoveDirectoryA(Path("cwd").c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_TRUE(Exists("game.exe"));

    game.End();
    EXPECT_TRUE(DeleteFileA(image.c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Path("cwd").c_str()));
}

TEST_F(InUse, TheRunningProgramsOwnFileCannotBeDeleted) {
#ifdef _WIN32
    char self[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string own = self;
    // Kept, so that a system that lets the file go gets it back.
    ASSERT_TRUE(CopyFileA(own.c_str(), Path("backup.exe").c_str(), TRUE));
    Track("backup.exe");
#else
    MakeFile("own.exe", "MZ");
    const std::string own = Path("own.exe");
    Machine().SetModulePath(own);
#endif
    const BOOL deleted = DeleteFileA(own.c_str());
    EXPECT_FALSE(deleted);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    if (deleted) (void)CopyFileA(Path("backup.exe").c_str(), own.c_str(), TRUE);
    EXPECT_EQ(OpenFile(own, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
#ifndef _WIN32
    Machine().SetModulePath(Path("elsewhere.exe"));  // so that the scratch folder can go
#endif
}

}  // namespace
}  // namespace contract
