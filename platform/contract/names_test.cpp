// What a name given to the ANSI file calls can reach: at most MAX_PATH
// characters, letters of every script in code page 932 without case, one
// name for the several spellings of a character, and no file at all behind a
// device name or a wildcard. The uninstaller's list of files may hold any of
// them.
#include <string>
#include <vector>

#include "platform/contract/contract_fixture.h"

namespace contract {
namespace {

using Names = Scratch;

const std::string kSo = "\x83\x5C";  // one character, two bytes

// A relative name of `fill` characters that makes Path(name) `total`
// characters long (all one-byte here).
std::string NameForTotal(const std::string& root, std::size_t total, char fill) {
    return std::string(total - root.size() - 1, fill);
}

// Root()\<x…>\..\f.txt: `total` characters given, a short path once
// normalized.
std::string ThroughAFolderAndBack(const std::string& root, std::size_t total) {
    const std::string tail = "\\f.txt";
    return root + "\\" + std::string(total - root.size() - tail.size() - 4, 'x') + "\\.." + tail;
}

TEST_F(Names, AnsiPathsStopAtMaxPathCharacters) {
    MakeFile("f.txt", "f");
    // The limit is on the text given, before "." and ".." are resolved.
    const std::string fits = ThroughAFolderAndBack(Root(), MAX_PATH);
    EXPECT_NE(GetFileAttributesA(fits.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(FindEntry(fits).found);
    const std::string beyond = ThroughAFolderAndBack(Root(), MAX_PATH + 1);
    EXPECT_EQ(GetFileAttributesA(beyond.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILENAME_EXCED_RANGE});
    EXPECT_EQ(FindEntry(beyond).error, DWORD{ERROR_FILENAME_EXCED_RANGE});
    EXPECT_EQ(OpenFile(beyond, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILENAME_EXCED_RANGE});
    EXPECT_FALSE(DeleteFileA(beyond.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILENAME_EXCED_RANGE});
    EXPECT_FALSE(RemoveDirectoryA((beyond + "\\..").c_str()));
    EXPECT_TRUE(Exists("f.txt"));

    // The full path must leave room for its NUL: 259 characters at most.
    const std::string longest = NameForTotal(Root(), MAX_PATH - 1, 'n');
    MakeFile(longest, "n");
    EXPECT_EQ(ReadAll(longest), "n");
    const std::string tooLong = NameForTotal(Root(), MAX_PATH, 't');
    const HANDLE created = OpenFile(Path(tooLong), GENERIC_WRITE, 0, CREATE_NEW);
    if (created != INVALID_HANDLE_VALUE) {
        Track(tooLong);
        CloseHandle(created);
    }
    // Wine checks only the conversion of the text, which 260 characters pass.
    if (!RunningUnderWine()) {
        EXPECT_EQ(created, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
    }
    // A folder must leave room for an 8.3 name below it (Wine does not ask).
    MakeFolder(NameForTotal(Root(), MAX_PATH - 13, 'd'));
    const std::string folder = NameForTotal(Root(), MAX_PATH - 12, 'e');
    const BOOL madeFolder = CreateDirectoryA(Path(folder).c_str(), nullptr);
    if (madeFolder) Track(folder);
    if (!RunningUnderWine()) {
        EXPECT_FALSE(madeFolder);
    }
}

// The limit counts characters: a two-byte character is one.
TEST_F(Names, TwoByteCharactersCountOnceTowardsMaxPath) {
    if (!AnsiCodePageIsShiftJis()) GTEST_SKIP() << "the ANSI code page is not 932";
    std::string half;
    for (int i = 0; i < 70; ++i) half += kSo;
    MakeFolder(half);
    const std::string file = half + "\\" + half;  // 141 characters, 281 bytes
    ASSERT_GT(Path(file).size(), std::size_t{MAX_PATH});
    MakeFile(file, "so");
    EXPECT_EQ(ReadAll(file), "so");
    EXPECT_TRUE(DeleteFileA(Path(file).c_str()));
    EXPECT_FALSE(Exists(file));
}

TEST_F(Names, LettersOfEveryScriptCompareWithoutCaseAndSpellingsAreOneName) {
    if (!AnsiCodePageIsShiftJis()) GTEST_SKIP() << "the ANSI code page is not 932";
    for (const Spelling& c : Spellings()) {
        SCOPED_TRACE(c.title);
        MakeFile("c" + c.created, "x");
        EXPECT_EQ(GetFileAttributesA(Path("c" + c.asked).c_str()) != INVALID_FILE_ATTRIBUTES, c.same);
        EXPECT_EQ(FindEntry(Path("c" + c.created)).name, "c" + c.listed);
        EXPECT_EQ(DeleteFileA(Path("c" + c.asked).c_str()) != FALSE, c.same);
        EXPECT_EQ(Exists("c" + c.created), !c.same);
    }
}

TEST_F(Names, DeviceNamesAndWildcardsNameNoFileToDelete) {
    MakeFolder("data");
    MakeFile("data\\a.dat", "a");
    MakeFolder("dd");
    const char* const devices[] = {"NUL", "nul.txt", "CON.txt", "Com1.dat", "LPT9", "aux", "PRN.a.b", "NUL "};
    for (const char* device : devices) {
        SCOPED_TRACE(device);
        EXPECT_FALSE(DeleteFileA(Path(device).c_str()));
        EXPECT_FALSE(DeleteFileA(Path(std::string("data\\") + device).c_str()));
        EXPECT_FALSE(RemoveDirectoryA(Path(device).c_str()));
        // Looked for, a device is found as a file of its own name.
        const FindResult found = FindEntry(Path(std::string("data\\") + device));
        EXPECT_TRUE(found.found);
        EXPECT_EQ(found.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
    // Only the name before the first dot counts, and only these numbers.
    for (const char* plain : {"COM10", "NULL", "LPT", "CONX", "xNUL.txt"}) {
        SCOPED_TRACE(plain);
        MakeFile(plain, "p");
        EXPECT_TRUE(DeleteFileA(Path(plain).c_str()));
    }
    for (const char* wildcard : {"data\\*.dat", "data\\?.dat", "d?", "d*\\a.dat", "data\\a.da*"}) {
        SCOPED_TRACE(wildcard);
        EXPECT_FALSE(DeleteFileA(Path(wildcard).c_str()));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_NAME});
        EXPECT_FALSE(RemoveDirectoryA(Path(wildcard).c_str()));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_NAME});
    }
    EXPECT_EQ(ReadAll("data\\a.dat"), "a");
    EXPECT_TRUE(Exists("dd"));
}

}  // namespace
}  // namespace contract
