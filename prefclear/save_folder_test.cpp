#include "prefclear/save_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/sim.h"
#include "prefclear/test_support.h"

namespace {

using namespace prefclear_test;

const char kGame[] = "C:\\Games\\Orrin";
const char kSetting[] = "C:\\Games\\Orrin\\InstallInfo\\SaveFolderSetting.ini";

// The 12 bytes of a setting file, little-endian.
std::string Setting(const std::string& magic, std::uint32_t reserved, std::uint32_t code) {
    std::string bytes = magic;
    for (std::uint32_t value : {reserved, code}) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
    return bytes;
}

TEST(ReadSaveFolderSetting, ValidFilesNameTheirLocationAndAllElseIsDocuments) {
    using L = SaveFolderLocation;
    struct Case {
        const char* title;
        bool present;
        std::string bytes;
        L expected;
    } const cases[] = {
        {"no file", false, "", L::Documents},
        {"code 0", true, Setting("SFSF", 0, 0), L::Documents},
        {"code 1", true, Setting("SFSF", 0, 1), L::AppData},
        {"code 2", true, Setting("SFSF", 0, 2), L::GameFolder},
        {"further bytes ignored", true, Setting("SFSF", 0, 2) + "tail", L::GameFolder},
        {"code 3", true, Setting("SFSF", 0, 3), L::Documents},
        {"code -1", true, Setting("SFSF", 0, 0xFFFFFFFFu), L::Documents},
        {"lower-case magic", true, Setting("sfsf", 0, 1), L::Documents},
        {"NUL in the magic", true, Setting(std::string("SF\0F", 4), 0, 1), L::Documents},
        {"nonzero at offset 4", true, Setting("SFSF", 1, 1), L::Documents},
        {"high byte at offset 4", true, Setting("SFSF", 0x01000000u, 1), L::Documents},
        {"code in the wrong byte order", true, Setting("SFSF", 0, 0x01000000u), L::Documents},
        {"11 bytes", true, Setting("SFSF", 0, 1).substr(0, 11), L::Documents},
        {"3 bytes", true, "SFS", L::Documents},
        {"empty", true, "", L::Documents},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        ResetProcessState();
        BaseFolder = kGame;
        machine.AddFolder(std::string(kGame) + "\\InstallInfo");
        if (c.present) machine.AddFile(kSetting, c.bytes);
        EXPECT_EQ(ReadSaveFolderSetting(), c.expected) << c.title;
        EXPECT_EQ(machine.OpenFileHandles(), 0) << c.title;
    }
}

TEST(ReadSaveFolderSetting, UnreadableOrMisplacedFilesAreDocuments) {
    struct Case {
        const char* title;
        const char* failing;  // function whose first call fails
    } const cases[] = {
        {"cannot be opened", "CreateFileA"},
        {"cannot be read", "ReadFile"},
        {"search fails", "FindFirstFileA"},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        ResetProcessState();
        BaseFolder = kGame;
        machine.AddFile(kSetting, Setting("SFSF", 0, 1));
        machine.FailCall(c.failing, 1);
        EXPECT_EQ(ReadSaveFolderSetting(), SaveFolderLocation::Documents) << c.title;
        EXPECT_EQ(machine.OpenFileHandles(), 0) << c.title;
    }
    {
        sim::Machine machine;  // a short read
        BaseFolder = kGame;
        machine.AddFile(kSetting, Setting("SFSF", 0, 1));
        machine.ShortRead(6, 2);  // four one-byte reads of the magic, the zero, then the code
        EXPECT_EQ(ReadSaveFolderSetting(), SaveFolderLocation::Documents);
    }
    {
        sim::Machine machine;  // a folder of that name
        BaseFolder = kGame;
        machine.AddFolder(kSetting);
        EXPECT_EQ(ReadSaveFolderSetting(), SaveFolderLocation::Documents);
        EXPECT_TRUE(machine.Calls("CreateFileA").empty());
    }
    {
        sim::Machine machine;  // no InstallInfo folder
        BaseFolder = kGame;
        machine.AddFolder(kGame);
        EXPECT_EQ(ReadSaveFolderSetting(), SaveFolderLocation::Documents);
    }
    ResetProcessState();
}

TEST(SettingFileReader, ReadsLittleEndianAndNeverPastTheSizeItOpenedWith) {
    sim::Machine machine;
    machine.AddFile("C:\\s.bin", std::string("AB\0D\x01\x02\x03\x04\xFF", 9));
    SettingFileReader reader;
    std::uint32_t value = 0;
    std::string magic;
    EXPECT_FALSE(reader.ReadUInt32(value));  // nothing open
    ASSERT_TRUE(reader.Open("C:\\s.bin"));
    ASSERT_TRUE(reader.ReadMagic(magic));
    EXPECT_EQ(magic, "AB");
    ASSERT_TRUE(reader.ReadUInt32(value));
    EXPECT_EQ(value, 0x04030201u);
    EXPECT_FALSE(reader.ReadUInt32(value));  // one byte left
    EXPECT_FALSE(reader.ReadMagic(magic));
    reader.Close();
    EXPECT_EQ(machine.OpenFileHandles(), 0);
    EXPECT_FALSE(reader.ReadUInt32(value));
    EXPECT_FALSE(reader.Open("C:\\missing.bin"));
}

TEST(BuildSaveFolderPath, JoinsTheRootForEachLocation) {
    using L = SaveFolderLocation;
    struct Case {
        const char* title;
        L location;
        bool available;
        std::string expected;
        const char* shellArgument;  // "" when the shell is not asked
    } const cases[] = {
        {"documents", L::Documents, true, "C:\\Users\\Player\\Documents\\Tarnwick\\Orrin", "0x8005"},
        {"documents unavailable", L::Documents, false, "C:\\Games\\Orrin\\Tarnwick\\Orrin", "0x8005"},
        {"application data", L::AppData, true, "C:\\Users\\Player\\AppData\\Roaming\\Tarnwick\\Orrin", "0x801a"},
        {"application data unavailable", L::AppData, false, "C:\\Games\\Orrin\\Tarnwick\\Orrin", "0x801a"},
        {"game folder", L::GameFolder, true, "C:\\Games\\Orrin", ""},
        {"game folder, shell unavailable", L::GameFolder, false, "C:\\Games\\Orrin", ""},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        ResetProcessState();
        BaseFolder = kGame;
        if (!c.available) {
            machine.MakeSpecialFolderUnavailable(CSIDL_PERSONAL);
            machine.MakeSpecialFolderUnavailable(CSIDL_APPDATA);
        }
        startup::CIniFile settings;
        settings.GameName = "Orrin";
        EXPECT_EQ(BuildSaveFolderPath(settings, c.location), c.expected) << c.title;
        const auto calls = machine.Calls("SHGetFolderPathA");
        if (*c.shellArgument == '\0') {
            EXPECT_TRUE(calls.empty()) << c.title;
        } else {
            ASSERT_EQ(calls.size(), 1u) << c.title;
            EXPECT_EQ(calls[0].argument, c.shellArgument) << c.title;
        }
        // Only named: neither the maker's nor the game's folder is created.
        if (c.location != L::GameFolder) {
            EXPECT_FALSE(machine.Exists(c.expected)) << c.title;
        }
    }
    ResetProcessState();
}

}  // namespace
