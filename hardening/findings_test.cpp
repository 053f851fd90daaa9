// What the matrix and the soak found in other folders' code, kept as
// reproducers until the owners decide: each test is DISABLED_ while the fault
// stands, and describes the sound behaviour it expects.
#include <gtest/gtest.h>

#include <string>

#include "hardening/hardening_support.h"
#include "platform/sim.h"
#include "uninstaller/driver/run_uninstaller.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using namespace hardening;

// Installer.ini lies in a folder that ordinary users can often write, and
// the uninstall runs elevated. Files are held to the game folder, and the
// system's own keys are refused, but `Registry` may still name any other
// program's key under HKEY_LOCAL_MACHINE: the elevated run deletes it (when
// it has no subkeys) and then that program's parent key too. The game's own
// key is the one whose "InstallPath" names the game folder (the installer
// wrote it there, and the uninstall deletes it); a key without that mark is
// not the game's and should be left alone. Expected: the other program's
// keys and values stay; the uninstall still ends as complete.
TEST(Findings, DISABLED_TamperedRegistryPathDeletesAnotherProgramsKey) {
    sim::Machine m;
    removal_test::LayOutSample(m);
    m.AddFile(removal_test::kGame + std::string("\\InstallInfo\\Installer.ini"),
              "#InstallerSetupFileVersion = 1\n#GameName = \"Game\"\n#Registry = \"SOFTWARE\\Vendor\\License\"\n"
              "#DefaultGameMakerName = \"Maker\"\n#DefaultGameMakerProgramMenuName = \"MakerMenu\"\n"
              "#DefaultGameFolderName = \"Game\"\n#GameExeFileName = \"Game.exe\"\n"
              "#UninstallerExeFileName = \"Uninstaller.exe\"\n");
    m.AddKey("SOFTWARE\\Vendor\\License");
    m.SetValue("SOFTWARE\\Vendor\\License", "Serial", "1234-5678");
    m.SetValue("SOFTWARE\\Vendor\\License", "InstallPath", "C:\\Program Files\\Vendor");

    EXPECT_TRUE(RunUninstaller("-F=\"" + std::string(removal_test::kGame) + "\""));

    EXPECT_TRUE(m.KeyExists("SOFTWARE\\Vendor\\License"));
    EXPECT_TRUE(m.ValueExists("SOFTWARE\\Vendor\\License", "Serial"));
    EXPECT_TRUE(m.ValueExists("SOFTWARE\\Vendor\\License", "InstallPath"));
    EXPECT_TRUE(m.KeyExists("SOFTWARE\\Vendor"));
}

}  // namespace
