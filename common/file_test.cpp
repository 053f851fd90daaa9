#include "common/file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/folders.h"
#include "platform/sim.h"

namespace {

std::string AsString(const std::vector<char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ReadWholeFile, ReadsExactlyTheFileBytes) {
    sim::Machine machine;
    const std::string content("a\0b\x83\x5C\r\n", 7);
    machine.AddFile("C:\\x\\f.ini", content);
    machine.AddFile("C:\\x\\empty.ini", "");
    std::vector<char> bytes{'s', 't', 'a', 'l', 'e'};
    ASSERT_TRUE(ReadWholeFile("C:\\x\\f.ini", bytes));
    EXPECT_EQ(AsString(bytes), content);
    ASSERT_TRUE(ReadWholeFile("C:\\x\\empty.ini", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(machine.OpenFileHandles(), 0);
}

TEST(ReadWholeFile, ReportsEveryFailureAndClosesTheFile) {
    struct Case {
        const char* title;
        const char* failing;  // the call made to fail, or null
        bool shortRead;
        bool holdWithoutSharing;
        const char* path;
    } const cases[] = {
        {"missing", nullptr, false, false, "C:\\x\\missing.ini"},
        {"a folder", nullptr, false, false, "C:\\x"},
        {"open fails", "CreateFileA", false, false, "C:\\x\\f.ini"},
        {"size unknown", "GetFileSize", false, false, "C:\\x\\f.ini"},
        {"read fails", "ReadFile", false, false, "C:\\x\\f.ini"},
        {"short read", nullptr, true, false, "C:\\x\\f.ini"},
        {"held without read sharing", nullptr, false, true, "C:\\x\\f.ini"},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        machine.AddFile("C:\\x\\f.ini", "#GameName = \"G\"");
        if (c.failing != nullptr) machine.FailCall(c.failing, 1);
        if (c.shortRead) machine.ShortRead(1, 3);
        if (c.holdWithoutSharing) machine.HoldOpen("C:\\x\\f.ini", 0);
        std::vector<char> bytes;
        EXPECT_FALSE(ReadWholeFile(c.path, bytes)) << c.title;
        EXPECT_EQ(machine.OpenFileHandles(), 0) << c.title;
    }
}

TEST(ReadWholeFile, AFailedCloseKeepsTheBytes) {
    sim::Machine machine;
    machine.AddFile("C:\\x\\f.ini", "abc");
    machine.FailCall("CloseHandle", 1);
    std::vector<char> bytes;
    EXPECT_TRUE(ReadWholeFile("C:\\x\\f.ini", bytes));
    EXPECT_EQ(AsString(bytes), "abc");
}

TEST(FileHandleHolder, ClosesOnceAndKeepsTheHandleWhenCloseFails) {
    sim::Machine machine;
    machine.AddFile("C:\\x\\f.ini", "abc");
    {
        FileHandleHolder holder(CreateFileA("C:\\x\\f.ini", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.IsOpen());
        machine.FailCall("CloseHandle", 1);
        EXPECT_FALSE(holder.Close());
        EXPECT_TRUE(holder.IsOpen());
    }  // the destructor tries once more
    EXPECT_EQ(machine.OpenFileHandles(), 0);
    FileHandleHolder failed(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(failed.IsOpen());
    EXPECT_TRUE(failed.Close());
}

TEST(WriteWholeText, AShortWriteIsAFailure) {
    sim::Machine machine;
    machine.AddFolder("C:\\x");
    FileHandleHolder file(CreateFileA("C:\\x\\out.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsOpen());
    EXPECT_TRUE(WriteWholeText(file.Get(), ""));
    EXPECT_EQ(machine.CallCount("WriteFile"), 0);
    machine.ShortWrite(1, 2);
    EXPECT_FALSE(WriteWholeText(file.Get(), "abcdef"));
    EXPECT_TRUE(WriteWholeText(file.Get(), "gh"));
}

TEST(FolderQueries, TrimTheTrailingBackslashAndReportFailuresAsEmpty) {
    sim::Machine machine;
    machine.SetTempPath("C:\\Users\\P\\AppData\\Local\\Temp\\");
    machine.SetModulePath("C:\\Games\\\x83\x5C\\Uninstaller.exe");
    EXPECT_EQ(GetTempFolderPath(), "C:\\Users\\P\\AppData\\Local\\Temp");
    EXPECT_EQ(GetModuleFilePath(), "C:\\Games\\\x83\x5C\\Uninstaller.exe");
    machine.SetTempPath("D:\\");
    EXPECT_EQ(GetTempFolderPath(), "D:\\");  // a drive root keeps its backslash
    EXPECT_FALSE(GetCommonDesktopFolderPath().empty());
    EXPECT_NE(GetCommonDesktopFolderPath().back(), '\\');
    machine.MakeSpecialFolderUnavailable(CSIDL_COMMON_DESKTOPDIRECTORY);
    machine.MakeSpecialFolderUnavailable(CSIDL_COMMON_PROGRAMS);
    EXPECT_EQ(GetCommonDesktopFolderPath(), "");
    EXPECT_EQ(GetCommonProgramsFolderPath(), "");
    machine.FailCall("GetTempPathA", 1);
    EXPECT_EQ(GetTempFolderPath(), "");
    // A program path of 260 bytes or more would come back cut: none at all.
    std::string folder = "C:\\Games\\";
    while (folder.size() < 249) folder += "\x83\x5C";  // 129 characters
    machine.SetModulePath(folder + "\\Game1.exe");  // 259 bytes
    EXPECT_EQ(GetModuleFilePath(), folder + "\\Game1.exe");
    machine.SetModulePath(folder + "\\Game12.exe");
    EXPECT_EQ(GetModuleFilePath(), "");
}

}  // namespace
