#include "uninstaller/removal/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/sim.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using namespace removal_test;

InstallerSettings WithRegistry(const std::string& registry) {
    InstallerSettings s;
    s.Registry = registry;
    return s;
}

TEST(RegistryKeyHolder, ClosesOnceAndMovesOwnership) {
    sim::Machine m;
    m.AddKey("SOFTWARE\\A");
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", 0, KEY_READ, &raw), ERROR_SUCCESS);
    {
        RegistryKeyHolder first(raw);
        RegistryKeyHolder second(std::move(first));
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(second.Get(), raw);
        RegistryKeyHolder third;
        third = std::move(second);
        EXPECT_EQ(m.OpenKeyHandles(), 1);
    }
    EXPECT_EQ(m.OpenKeyHandles(), 0);
    EXPECT_EQ(m.CallCount("RegCloseKey"), 1);
}

TEST(MakeUninstallEntryPath, UsesTheLastComponentOfTheGameKey) {
    const std::string root = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_";
    EXPECT_EQ(MakeUninstallEntryPath("SOFTWARE\\Maker\\Game"), root + "Game");
    EXPECT_EQ(MakeUninstallEntryPath("SOFTWARE\\Maker\\Game\\"), root + "Game");
    EXPECT_EQ(MakeUninstallEntryPath("Game"), root + "Game");
    EXPECT_EQ(MakeUninstallEntryPath("SOFTWARE\\\x95\x5C"), root + "\x95\x5C");
    EXPECT_EQ(MakeUninstallEntryPath(""), root);
}

TEST(RemoveGameRegistryKey, RemovesTheKeyAndAnEmptyParentAndNeverCreatesKeys) {
    struct Case {
        const char* title;
        std::vector<std::string> keysBefore;  // each with a value "InstallPath"
        std::string registry;
        std::vector<std::string> keysAfter;  // AllKeys() afterwards
    };
    const Case cases[] = {
        {"parent holds only the game", {"SOFTWARE\\Maker\\Game"}, "SOFTWARE\\Maker\\Game", {"SOFTWARE"}},
        {"parent holds another game",
         {"SOFTWARE\\Maker\\Game", "SOFTWARE\\Maker\\Other"},
         "SOFTWARE\\Maker\\Game",
         {"SOFTWARE", "SOFTWARE\\Maker", "SOFTWARE\\Maker\\Other"}},
        {"trailing separator", {"SOFTWARE\\Maker\\Game"}, "SOFTWARE\\Maker\\Game\\", {"SOFTWARE"}},
        {"no backslash: no parent to look at", {"Game", "SOFTWARE"}, "Game", {"SOFTWARE"}},
        {"game key with a subkey stays",
         {"SOFTWARE\\Maker\\Game\\Sub"},
         "SOFTWARE\\Maker\\Game",
         {"SOFTWARE", "SOFTWARE\\Maker", "SOFTWARE\\Maker\\Game", "SOFTWARE\\Maker\\Game\\Sub"}},
        {"missing key: nothing created", {"SOFTWARE"}, "SOFTWARE\\Maker\\Game", {"SOFTWARE"}},
        {"missing key, existing empty parent stays untouched",
         {"SOFTWARE\\Maker"},
         "SOFTWARE\\Maker\\Game",
         {"SOFTWARE", "SOFTWARE\\Maker"}},
        {"empty Registry touches nothing", {"SOFTWARE\\Maker"}, "", {"SOFTWARE", "SOFTWARE\\Maker"}},
    };
    for (const auto& c : cases) {
        sim::Machine m;
        for (const auto& key : c.keysBefore) {
            m.AddKey(key);
            m.SetValue(key, "InstallPath", "C:\\G");
        }
        RemoveGameRegistryKey(WithRegistry(c.registry));
        EXPECT_EQ(m.AllKeys(), c.keysAfter) << c.title;
        EXPECT_EQ(m.CallCount("RegCreateKeyExA"), 0) << c.title;
        EXPECT_EQ(m.OpenKeyHandles(), 0) << c.title;
    }
}

TEST(RemoveGameRegistryKey, AnEmptyPathWouldNameTheRootAndIsLeftAlone) {
    sim::Machine m;
    m.AddKey("SOFTWARE");
    RemoveGameRegistryKey(WithRegistry(""));
    EXPECT_TRUE(m.Journal().empty());
}

TEST(RemoveGameRegistryKey, AKeyThatStaysLosesItsInstallPath) {
    sim::Machine m;
    m.AddKey("SOFTWARE\\Maker\\Game\\Sub");
    m.SetValue("SOFTWARE\\Maker\\Game", "InstallPath", "C:\\G");
    m.SetValue("SOFTWARE\\Maker\\Game", "Other", "x");
    RemoveGameRegistryKey(WithRegistry("SOFTWARE\\Maker\\Game"));
    EXPECT_EQ(m.ValueNames("SOFTWARE\\Maker\\Game"), std::vector<std::string>{"Other"});
    // The parent is not looked at when the game key could not be deleted.
    EXPECT_EQ(m.CallCount("RegEnumKeyExA"), 0);
}

TEST(RemoveGameRegistryKey, AParentWithValuesButNoSubkeysGoesWithThem) {
    sim::Machine m;
    m.AddKey("SOFTWARE\\Maker\\Game");
    m.SetValue("SOFTWARE\\Maker", "Company", "Maker");
    RemoveGameRegistryKey(WithRegistry("SOFTWARE\\Maker\\Game"));
    EXPECT_FALSE(m.KeyExists("SOFTWARE\\Maker"));
}

TEST(RemoveGameRegistryKey, WithoutAdministratorRightsNothingChanges) {
    sim::Machine m;
    m.AddKey("SOFTWARE\\Maker\\Game");
    m.SetValue("SOFTWARE\\Maker\\Game", "InstallPath", "C:\\G");
    m.SetAdministrator(false);
    RemoveGameRegistryKey(WithRegistry("SOFTWARE\\Maker\\Game"));
    EXPECT_TRUE(m.ValueExists("SOFTWARE\\Maker\\Game", "InstallPath"));
    EXPECT_EQ(m.CallCount("RegDeleteValueA"), 0);
    EXPECT_EQ(m.CallCount("RegDeleteKeyA"), 0);
    EXPECT_EQ(m.OpenKeyHandles(), 0);
}

TEST(RemoveGameRegistryKey, ClosesTheKeyBeforeDeletingIt) {
    sim::Machine m;
    m.AddKey("SOFTWARE\\Maker\\Game");
    m.ClearJournal();
    RemoveGameRegistryKey(WithRegistry("SOFTWARE\\Maker\\Game"));
    std::vector<std::string> calls;
    for (const auto& entry : m.Journal()) calls.push_back(entry.function);
    EXPECT_EQ(calls, (std::vector<std::string>{"RegOpenKeyExA", "RegDeleteValueA", "RegCloseKey", "RegDeleteKeyA",
                                               "RegOpenKeyExA", "RegEnumKeyExA", "RegDeleteKeyA", "RegCloseKey"}));
    EXPECT_EQ(m.Journal()[1].detail, "InstallPath");
}

TEST(DeleteKeyIfNoSubkeys, DeletesOnlyWhenThereIsDefinitelyNoSubkey) {
    {
        sim::Machine m;
        m.AddKey("SOFTWARE\\Maker\\Other");
        DeleteKeyIfNoSubkeys("SOFTWARE\\Maker");
        EXPECT_TRUE(m.KeyExists("SOFTWARE\\Maker\\Other"));
        EXPECT_EQ(m.CallCount("RegDeleteKeyA"), 0);
        EXPECT_EQ(m.OpenKeyHandles(), 0);
    }
    {
        sim::Machine m;
        DeleteKeyIfNoSubkeys("SOFTWARE\\Missing");
        EXPECT_FALSE(m.KeyExists("SOFTWARE\\Missing"));
        EXPECT_EQ(m.CallCount("RegDeleteKeyA"), 0);
    }
    {
        // An enumeration that fails for another reason proves nothing.
        sim::Machine m;
        m.AddKey("SOFTWARE\\Maker");
        m.FailCall("RegEnumKeyExA", 1, ERROR_ACCESS_DENIED);
        DeleteKeyIfNoSubkeys("SOFTWARE\\Maker");
        EXPECT_TRUE(m.KeyExists("SOFTWARE\\Maker"));
        EXPECT_EQ(m.OpenKeyHandles(), 0);
    }
    {
        // Inspection works without administrator rights; the delete does not.
        sim::Machine m;
        m.AddKey("SOFTWARE\\Maker");
        m.SetAdministrator(false);
        DeleteKeyIfNoSubkeys("SOFTWARE\\Maker");
        EXPECT_TRUE(m.KeyExists("SOFTWARE\\Maker"));
        EXPECT_EQ(m.OpenKeyHandles(), 0);
    }
}

TEST(RemoveUninstallEntry, EmptiesAndDeletesTheEntry) {
    sim::Machine m;
    LayOutSample(m);
    m.SetValue(kEntryKey, "Publisher", "Maker");
    m.ClearJournal();
    EXPECT_TRUE(RemoveUninstallEntry(SampleSettings()));
    EXPECT_FALSE(m.KeyExists(kEntryKey));
    std::vector<std::string> deleted;
    for (const auto& call : m.Calls("RegDeleteValueA")) deleted.push_back(call.detail);
    EXPECT_EQ(deleted, (std::vector<std::string>{"DispalyName", "DisplayName", "DisplayIcon", "UninstallString",
                                                 "NoModify"}));
    EXPECT_EQ(m.OpenKeyHandles(), 0);
}

TEST(RemoveUninstallEntry, AnEntryWithASubkeyStaysButIsNoLongerListed) {
    sim::Machine m;
    LayOutSample(m);
    m.AddKey(std::string(kEntryKey) + "\\Sub");
    EXPECT_TRUE(RemoveUninstallEntry(SampleSettings()));
    EXPECT_TRUE(m.KeyExists(kEntryKey));
    EXPECT_TRUE(m.ValueNames(kEntryKey).empty());
}

TEST(RemoveUninstallEntry, AMissingEntryIsCreatedAndDeletedAgain) {
    sim::Machine m;
    EXPECT_TRUE(RemoveUninstallEntry(SampleSettings()));
    EXPECT_EQ(m.CallCount("RegCreateKeyExA"), 1);
    EXPECT_FALSE(m.KeyExists(kEntryKey));
    EXPECT_EQ(m.OpenKeyHandles(), 0);
}

TEST(RemoveUninstallEntry, FailsWhenTheEntryCannotBeOpenedForChange) {
    {
        sim::Machine m;
        LayOutSample(m);
        m.SetAdministrator(false);
        EXPECT_FALSE(RemoveUninstallEntry(SampleSettings()));
        EXPECT_EQ(m.ValueNames(kEntryKey).size(), 5u);
        EXPECT_EQ(m.CallCount("RegDeleteValueA"), 0);
        EXPECT_EQ(m.CallCount("RegDeleteKeyA"), 0);
    }
    {
        sim::Machine m;
        LayOutSample(m);
        m.FailCall("RegCreateKeyExA", 1, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(RemoveUninstallEntry(SampleSettings()));
        EXPECT_TRUE(m.KeyExists(kEntryKey));
        EXPECT_EQ(m.OpenKeyHandles(), 0);
    }
}

TEST(RemoveUninstallEntry, AFailedDeleteOfTheKeyStillSucceeds) {
    sim::Machine m;
    LayOutSample(m);
    m.FailCall("RegDeleteKeyA", 1, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(RemoveUninstallEntry(SampleSettings()));
    EXPECT_TRUE(m.KeyExists(kEntryKey));
    EXPECT_TRUE(m.ValueNames(kEntryKey).empty());
}

}  // namespace

namespace {

TEST(IsProtectedRegistryKey, GuardsTheSystemsOwnKeys) {
    struct Case {
        const char* path;
        bool isProtected;
    } const cases[] = {
        {"SOFTWARE\\Maker\\Game", false},
        {"software\\maker\\game\\", false},
        {"Game", false},
        {"SOFTWARE\\\x95\x5C\\Game", false},
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {"software\\POLICIES\\Maker", true},
        {"SOFTWARE\\Classes\\exefile", true},
        {"SOFTWARE\\Wow6432Node\\Maker\\Game", true},
        {"SOFTWARE", true},
        {"SOFTWARE\\", true},
        {"SYSTEM\\CurrentControlSet\\Services\\X", true},
        {"hardware\\x", true},
        {"SOFTWARE\\\\Microsoft", true},  // an empty component
        {"\\SOFTWARE\\Maker", true},
        {"SOFTWARE\\MicrosoftGames\\X", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsProtectedRegistryKey(c.path), c.isProtected) << c.path;
}

TEST(RemoveGameRegistryKey, ATamperedRecordCannotDeleteSystemKeys) {
    for (const char* registry : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "SYSTEM\\Setup"}) {
        sim::Machine m;
        m.AddKey(registry);
        m.SetValue(registry, "InstallPath", "C:\\G");
        const auto before = m.AllKeys();
        RemoveGameRegistryKey(WithRegistry(registry));
        EXPECT_EQ(m.AllKeys(), before) << registry;
        EXPECT_TRUE(m.ValueExists(registry, "InstallPath")) << registry;
    }
    // Nor the protected parent of an ordinary-looking game key.
    sim::Machine m;
    m.AddKey("SOFTWARE\\Microsoft\\Game");
    RemoveGameRegistryKey(WithRegistry("SOFTWARE\\Microsoft\\Game"));
    EXPECT_TRUE(m.KeyExists("SOFTWARE\\Microsoft\\Game"));
}

}  // namespace
