#include "prefclear/ini_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim.h"
#include "prefclear/test_support.h"

namespace {

using namespace prefclear_test;
using startup::CIniFile;

const std::string kStartup = "C:\\Game\\OrrinStart.ini";

struct Loaded {
    bool ok = false;
    CIniFile ini;
    std::vector<sim::MessageBoxRecord> boxes;
    std::vector<std::string> texts;  // the boxes' texts alone
    std::vector<std::string> opened;  // every path CreateFileA was given
};

// Loads kStartup (or `path`) from a machine holding `files`.
Loaded LoadFiles(const std::vector<std::pair<std::string, std::string>>& files, const std::string& path = kStartup) {
    sim::Machine machine;
    ResetProcessState();
    MessageCaption = kCaption;
    for (const auto& file : files) machine.AddFile(file.first, file.second);
    Loaded loaded;
    loaded.ok = loaded.ini.Load(path);
    loaded.boxes = machine.MessageBoxes();
    for (const auto& box : loaded.boxes) loaded.texts.push_back(box.text);
    for (const auto& call : machine.Calls("CreateFileA")) loaded.opened.push_back(call.argument);
    EXPECT_EQ(machine.OpenFileHandles(), 0) << path;
    ResetProcessState();
    return loaded;
}

Loaded LoadText(const std::string& content) { return LoadFiles({{kStartup, content}}); }

TEST(CIniFile, StartsWithItsDefaults) {
    const CIniFile ini;
    EXPECT_EQ(ini.GetIniFileVersion(), 1);
    EXPECT_EQ(ini.GetViewWidth(), 800);
    EXPECT_EQ(ini.GetViewHeight(), 600);
    EXPECT_STREQ(ini.GetGameName(), "");
    EXPECT_STREQ(ini.GetRegName(), "");
    EXPECT_STREQ(ini.GetCodeName(), "code.jab");
    EXPECT_EQ(ini.BootName, "VantorMutex");
    EXPECT_STREQ(ini.GetVMName(), "VantiqVM");
    EXPECT_STREQ(ini.GetDLL(), "DLL");
    EXPECT_EQ(ini.GetLoadDLL(0), nullptr);
    EXPECT_TRUE(ini.VolumeValancer.empty());
    EXPECT_STREQ(ini.GetSaveFolder(), "SaveData");
    EXPECT_FALSE(ini.UseJoypad);
    EXPECT_EQ(ini.DefaultVolumeRate, 100);
}

#if defined(__GNUC__) && !defined(_MSC_VER)
// Under the Itanium C++ ABI a pointer to a virtual member function holds
// 1 + the byte offset of its slot in the table.
template <typename F>
std::ptrdiff_t SlotOf(F function) {
    struct Representation {
        std::ptrdiff_t pointer;
        std::ptrdiff_t adjustment;
    } representation{};
    static_assert(sizeof(function) == sizeof(representation), "Itanium member-function pointer");
    std::memcpy(&representation, &function, sizeof representation);
    return (representation.pointer - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(CIniFile, AccessorsSitInTheirSlots) {
    using startup::IVantorIni2;
    EXPECT_EQ(SlotOf(&IVantorIni2::GetIniFileVersion), 0);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetViewWidth), 1);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetViewHeight), 2);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetGameName), 3);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetRegName), 4);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetCodeName), 5);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetVMName), 6);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetDLL), 7);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetLoadDLL), 8);
    EXPECT_EQ(SlotOf(&IVantorIni2::GetSaveFolder), 9);
}
#endif

TEST(CIniFileLoad, EmptyOrCommentOnlyFilesKeepEveryDefault) {
    for (const std::string content : {"", "  \r\n\t", "; comment\n// another\n", "; last line without a feed"}) {
        const Loaded loaded = LoadText(content);
        EXPECT_TRUE(loaded.ok) << content;
        EXPECT_TRUE(loaded.boxes.empty()) << content;
        EXPECT_STREQ(loaded.ini.GetGameName(), "") << content;
        EXPECT_STREQ(loaded.ini.GetSaveFolder(), "SaveData") << content;
    }
}

TEST(CIniFileLoad, TextStatementsSetTheirFields) {
    struct Case {
        std::string content;
        std::string CIniFile::*field;
        std::string expected;
    } const cases[] = {
        {"GameName = \"Orrin\"", &CIniFile::GameName, "Orrin"},
        {"GameName = Orrin2", &CIniFile::GameName, "Orrin2"},
        {"GameName = \"" + kGameHyoSo + "\"", &CIniFile::GameName, kGameHyoSo},
        {"GameName = \"a\r\nb\"", &CIniFile::GameName, "a\r\nb"},
        {std::string("GameName = \"ab\0cd\"", 19), &CIniFile::GameName, "ab"},
        {"GameName = ,", &CIniFile::GameName, ","},
        {"GameName = 12.5", &CIniFile::GameName, "12.5"},
        {"GameName=\"A\"GameName=\"B\"", &CIniFile::GameName, "B"},
        {"RegName = \"Reg\"", &CIniFile::RegName, "Reg"},
        {"CodeName = \"c.jab\"", &CIniFile::CodeName, "c.jab"},
        {"BootName = Mutex", &CIniFile::BootName, "Mutex"},
        {"DLL = \"Plugins\"", &CIniFile::DLL, "Plugins"},
        {"SaveFolder = \"Save\\Data\"", &CIniFile::SaveFolder, "Save\\Data"},
        {"SaveFolder = \"\"", &CIniFile::SaveFolder, ""},
        // MainVM is read and dropped; VMName keeps its default.
        {"MainVM = \"OtherVM\"", &CIniFile::VMName, "VantiqVM"},
        {"UseCD = 1 MsgSkipName = x ShowSoundSettingMenu = \"y\" GameName = G", &CIniFile::GameName, "G"},
    };
    for (const auto& c : cases) {
        const Loaded loaded = LoadText(c.content);
        EXPECT_TRUE(loaded.ok) << c.content;
        EXPECT_TRUE(loaded.boxes.empty()) << c.content;
        EXPECT_EQ(loaded.ini.*(c.field), c.expected) << c.content;
    }
}

TEST(CIniFileLoad, IntegerAndSwitchStatementsSetTheirFields) {
    struct Case {
        std::string content;
        std::int32_t CIniFile::*field;
        std::int32_t expected;
    } const cases[] = {
        {"IniFileVersion = 3", &CIniFile::IniFileVersion, 3},
        {"ViewWidth = 12.7", &CIniFile::ViewWidth, 12},
        {"ViewWidth = \"1024\"", &CIniFile::ViewWidth, 1024},
        {"ViewWidth = 99999999999", &CIniFile::ViewWidth, 2147483647},
        {"ViewHeight = -1", &CIniFile::ViewHeight, -1},
        {"DefaultVolumeRate = 55", &CIniFile::DefaultVolumeRate, 55},
        {"MainSurfaceBpp = 32 ViewHeight = 720", &CIniFile::ViewHeight, 720},
    };
    for (const auto& c : cases) {
        const Loaded loaded = LoadText(c.content);
        EXPECT_TRUE(loaded.ok) << c.content;
        EXPECT_EQ(loaded.ini.*(c.field), c.expected) << c.content;
    }
    const std::pair<std::string, bool> joypad[] = {
        {"UseJoypad = true", true},
        {"UseJoypad = \"true\"", true},
        {"UseJoypad = TRUE", false},
        {"UseJoypad = 1", false},
        {"UseJoypad = true UseJoypad = false", false},
    };
    for (const auto& c : joypad) {
        const Loaded loaded = LoadText(c.first);
        EXPECT_TRUE(loaded.ok) << c.first;
        EXPECT_EQ(loaded.ini.UseJoypad, c.second) << c.first;
    }
}

TEST(CIniFileLoad, LoadDLLListsAppend) {
    struct Case {
        std::string content;
        std::vector<std::string> expected;
    } const cases[] = {
        {"LoadDLL = { }", {}},
        {"LoadDLL = {}", {}},
        {"LoadDLL = { \"a.dll\", \"b.dll\" }", {"a.dll", "b.dll"}},
        {"LoadDLL = { \"a.dll\", \"b.dll\", }", {"a.dll", "b.dll"}},
        {"LoadDLL = { \"a.dll\"", {"a.dll"}},  // cut off by the end of the file
        {"LoadDLL = { \"a.dll\" } LoadDLL = { x }", {"a.dll", "x"}},
        {"LoadDLL = { \"a.ini\", \"b.INC.dll\" }", {"a.ini", "b.INC.dll"}},
    };
    for (const auto& c : cases) {
        const Loaded loaded = LoadText(c.content);
        EXPECT_TRUE(loaded.ok) << c.content;
        EXPECT_TRUE(loaded.boxes.empty()) << c.content;
        EXPECT_EQ(loaded.ini.LoadDLL, c.expected) << c.content;
    }
    const Loaded loaded = LoadText("LoadDLL = { \"a.dll\", \"b.dll\" }");
    EXPECT_STREQ(loaded.ini.GetLoadDLL(1), "b.dll");
    EXPECT_EQ(loaded.ini.GetLoadDLL(2), nullptr);
    EXPECT_EQ(loaded.ini.GetLoadDLL(-1), nullptr);
}

TEST(CIniFileLoad, VolumeValancerEntriesGoToTheirIndex) {
    using Entries = std::vector<std::pair<std::string, std::int32_t>>;
    struct Case {
        std::string content;
        Entries expected;
    } const cases[] = {
        {"VolumeValancer[2] = bgm", {{"", -1}, {"", -1}, {"bgm", -1}}},
        {"VolumeValancer[0] = se, 80", {{"se", 80}}},
        {"VolumeValancer [ 0 ] = \"se\" , \"-3\"", {{"se", -3}}},
        {"VolumeValancer[-1] = x, 5", {}},
        {"VolumeValancer[4096] = x, 5", {}},  // beyond the largest index kept
        {"VolumeValancer[1] = a, 1 VolumeValancer[1] = b", {{"", -1}, {"b", -1}}},
        {"VolumeValancer[0] = se GameName = G", {{"se", -1}}},
    };
    for (const auto& c : cases) {
        const Loaded loaded = LoadText(c.content);
        EXPECT_TRUE(loaded.ok) << c.content;
        EXPECT_TRUE(loaded.boxes.empty()) << c.content;
        Entries entries;
        for (const auto& entry : loaded.ini.VolumeValancer) entries.emplace_back(entry.name, entry.value);
        EXPECT_EQ(entries, c.expected) << c.content;
    }
    EXPECT_STREQ(LoadText("VolumeValancer[0] = se GameName = G").ini.GetGameName(), "G");
}

TEST(CIniFileLoad, EachFailureShowsItsOneMessage) {
    struct Case {
        const char* title;
        std::string content;
        bool ok;
        std::vector<std::string> texts;
    } const cases[] = {
        {"hash where a key begins", "GameName = G\n# x", false, {ParseFailed(kStartup)}},
        {"underscore where a key begins", "_x = 1", false, {ParseFailed(kStartup)}},
        {"unclosed string as a key", "\"abc", false, {ParseFailed(kStartup)}},
        {"unclosed string in a list", "LoadDLL = { \"a.dll", false, {ParseFailed(kStartup)}},
        {"unclosed optional value", "VolumeValancer[0] = se \"x", false, {ParseFailed(kStartup)}},
        {"no equals sign", "GameName X", false, {ParseError(kStartup)}},
        {"no value at the end", "GameName =", false, {ParseError(kStartup)}},
        {"unquoted Japanese name", "GameName = " + kGameHyoSo, false, {ParseError(kStartup)}},
        {"unclosed value", "GameName = \"abc", false, {ParseError(kStartup)}},
        {"bad integer", "ViewWidth = abc", false, {ParseError(kStartup)}},
        {"bad unkept integer", "MainSurfaceBpp = x", false, {ParseError(kStartup)}},
        {"list without a brace", "LoadDLL = \"a.dll\"", false, {ParseError(kStartup)}},
        {"index without a bracket", "VolumeValancer 1 = a", false, {ParseError(kStartup)}},
        {"bad optional value", "VolumeValancer[0] = se, x", false, {ParseError(kStartup)}},
        {"missing comma", "LoadDLL = { \"a.dll\" \"b.dll\" }", false, {MissingComma(kStartup, "a.dll")}},
        {"wrong case key", "gamename = X", true, {UnknownSymbol("gamename"), UnknownSymbol("="), UnknownSymbol("X")}},
        {"section line", "[Game]\nGameName = G", true, {UnknownSymbol("["), UnknownSymbol("Game"), UnknownSymbol("]")}},
        {"unknown key then a bad byte", "Foo #", false, {UnknownSymbol("Foo"), ParseFailed(kStartup)}},
    };
    for (const auto& c : cases) {
        const Loaded loaded = LoadText(c.content);
        EXPECT_EQ(loaded.ok, c.ok) << c.title;
        EXPECT_EQ(loaded.texts, c.texts) << c.title;
        for (const auto& box : loaded.boxes) {
            EXPECT_EQ(box.caption, kCaption) << c.title;
            EXPECT_EQ(box.flags, kErrorFlags) << c.title;
            EXPECT_FALSE(box.hasOwner) << c.title;
        }
    }
}

TEST(CIniFileLoad, AnUnreadableFileIsNamed) {
    const Loaded missing = LoadFiles({}, kStartup);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.texts, std::vector<std::string>{ReadFailed(kStartup)});

    const std::string japanese = "C:\\" + kSoHyo + "\\OrrinStart.ini";
    const Loaded named = LoadFiles({}, japanese);
    EXPECT_EQ(named.texts, std::vector<std::string>{ReadFailed(japanese)});
}

TEST(CIniFileLoad, FieldsSetBeforeAFailureKeepTheirValues) {
    const Loaded loaded = LoadText("GameName = G SaveFolder = S ViewWidth = x");
    EXPECT_FALSE(loaded.ok);
    EXPECT_STREQ(loaded.ini.GetGameName(), "G");
    EXPECT_STREQ(loaded.ini.GetSaveFolder(), "S");
}

TEST(CIniFileLoad, IncludesReadIntoTheSameRecord) {
    using Files = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* title;
        Files files;
        bool ok;
        std::vector<std::string> texts;
        std::string gameName;
        std::vector<std::string> dlls;
    } const cases[] = {
        {"found .inc",
         {{kStartup, "GameName = A LoadDLL = { \"Sub.INC\", \"x.dll\" }"}, {"C:\\Game\\Sub.INC", "GameName = B"}},
         true, {}, "B", {"x.dll"}},
        {"missing .inc",
         {{kStartup, "LoadDLL = { \"Sub.inc\" } GameName = A"}},
         false, {ReadFailed("C:\\Game\\Sub.inc")}, "", {}},
        {"missing .inn passed over",
         {{kStartup, "LoadDLL = { \"Opt.inn\", \"x.dll\" } GameName = A"}},
         true, {}, "A", {"x.dll"}},
        {"folder named .inn passed over",
         {{kStartup, "LoadDLL = { \"Opt.inn\" }"}, {"C:\\Game\\Opt.inn\\f", ""}},
         true, {}, "", {}},
        {"found .inn",
         {{kStartup, "LoadDLL = { \"Opt.InN\" }"}, {"C:\\Game\\Opt.InN", "LoadDLL = { \"y.dll\" }"}},
         true, {}, "", {"y.dll"}},
        {"nested, relative to the listing file",
         {{kStartup, "LoadDLL = { \"inc\\a.inc\" }"},
          {"C:\\Game\\inc\\a.inc", "LoadDLL = { \"b.inc\" } GameName = A"},
          {"C:\\Game\\inc\\b.inc", "GameName = B LoadDLL = { \"b.dll\" }"}},
         true, {}, "A", {"b.dll"}},
        {"Shift-JIS folder",
         {{kStartup, "LoadDLL = { \"" + kSoHyo + "\\a.inc\" }"}, {"C:\\Game\\" + kSoHyo + "\\a.inc", "GameName = J"}},
         true, {}, "J", {}},
        {"failing include fails once",
         {{kStartup, "LoadDLL = { \"a.inc\" } GameName = A"}, {"C:\\Game\\a.inc", "GameName = B #"}},
         false, {ParseFailed("C:\\Game\\a.inc")}, "B", {}},
        {"self-including",
         {{kStartup, "LoadDLL = { \"a.inc\" }"}, {"C:\\Game\\a.inc", "GameName = B LoadDLL = { \"A.INC\" }"}},
         false, {ReadFailed("C:\\Game\\A.INC")}, "B", {}},
        {"self-including, spelled otherwise",
         {{kStartup, "LoadDLL = { \"a.inc\" }"}, {"C:\\Game\\a.inc", "LoadDLL = { \"sub\\..\\.\\a.inc\" }"}},
         false, {ReadFailed("C:\\Game\\sub\\..\\.\\a.inc")}, "", {}},
        {"self-including optional",
         {{kStartup, "LoadDLL = { \"a.inn\" }"}, {"C:\\Game\\a.inn", "LoadDLL = { \"a.inn\" }"}},
         false, {ReadFailed("C:\\Game\\a.inn")}, "", {}},
        {"mutually including",
         {{kStartup, "LoadDLL = { \"a.inc\" }"},
          {"C:\\Game\\a.inc", "LoadDLL = { \"b.inc\" }"},
          {"C:\\Game\\b.inc", "LoadDLL = { \"a.inc\" }"}},
         false, {ReadFailed("C:\\Game\\a.inc")}, "", {}},
        {"climbing out and back into the same folder",
         {{kStartup, "LoadDLL = { \"a.inc\" }"}, {"C:\\Game\\a.inc", "LoadDLL = { \"..\\Game\\OrrinStart.inc\" }"},
          {"C:\\Game\\OrrinStart.inc", "GameName = O"}},
         true, {}, "O", {}},
        {"an include naming a device is no file",
         {{kStartup, "LoadDLL = { \"nul.inc\" } GameName = A"}},
         false, {ReadFailed("C:\\Game\\nul.inc")}, "", {}},
        {"an optional include naming a device is passed over",
         {{kStartup, "LoadDLL = { \"COM1.inn\", \"x.dll\" } GameName = A"}},
         true, {}, "A", {"x.dll"}},
        {"the same file twice in a row is fine",
         {{kStartup, "LoadDLL = { \"a.inc\", \"a.inc\" }"}, {"C:\\Game\\a.inc", "LoadDLL = { \"x.dll\" }"}},
         true, {}, "", {"x.dll", "x.dll"}},
    };
    for (const auto& c : cases) {
        const Loaded loaded = LoadFiles(c.files);
        EXPECT_EQ(loaded.ok, c.ok) << c.title;
        EXPECT_EQ(loaded.texts, c.texts) << c.title;
        EXPECT_STREQ(loaded.ini.GetGameName(), c.gameName.c_str()) << c.title;
        EXPECT_EQ(loaded.ini.LoadDLL, c.dlls) << c.title;
    }
}

// Windows takes the name before a ':' as well as before a '.': such an
// include would open a port or a console; it is never opened.
TEST(CIniFileLoad, ADeviceNameBeforeAColonIsNoFile) {
    const struct {
        const char* entry;
        bool ok;
    } cases[] = {{"COM1:x.inc", false}, {"NUL:.inc", false}, {"con :a.inc", false}, {"LPT2:x.inn", true}};
    for (const auto& c : cases) {
        const Loaded loaded = LoadText(std::string("LoadDLL = { \"") + c.entry + "\" } GameName = A");
        EXPECT_EQ(loaded.ok, c.ok) << c.entry;
        EXPECT_EQ(loaded.opened, std::vector<std::string>{kStartup}) << c.entry;
        if (!c.ok) {
            EXPECT_EQ(loaded.texts, std::vector<std::string>{ReadFailed(std::string("C:\\Game\\") + c.entry)});
        }
    }
}

// Files that each include the next one twice would be read 2^depth times;
// one Load reads at most kMaxFilesPerLoad files, then refuses with one
// message. A list that repeats one include a few times is read whole.
TEST(CIniFileLoad, BoundsHowManyFilesOneLoadReads) {
    const auto doubling = [](int levels) {
        std::vector<std::pair<std::string, std::string>> files;
        files.emplace_back(kStartup, "LoadDLL = { \"f0.inc\", \"f0.inc\" }");
        for (int i = 0; i < levels; ++i) {
            const std::string next = "f" + std::to_string(i + 1) + ".inc";
            files.emplace_back("C:\\Game\\f" + std::to_string(i) + ".inc",
                               i + 1 == levels ? "GameName = leaf"
                                               : "LoadDLL = { \"" + next + "\", \"" + next + "\" }");
        }
        return files;
    };
    const Loaded few = LoadFiles(doubling(4));  // 1 + 2 + 4 + 8 + 16 reads
    EXPECT_TRUE(few.ok);
    EXPECT_EQ(few.opened.size(), 31u);
    EXPECT_STREQ(few.ini.GetGameName(), "leaf");

    const Loaded many = LoadFiles(doubling(14));  // 32,767 reads without a bound
    EXPECT_FALSE(many.ok);
    EXPECT_EQ(many.texts.size(), 1u);
    EXPECT_LE(many.opened.size(), CIniFile::kMaxFilesPerLoad);
}

TEST(CIniFileLoad, BoundsTheDepthOfIncludes) {
    // A chain of distinct files: OrrinStart.ini and 31 includes are read; the
    // next one is refused.
    const auto chain = [](int length) {
        std::vector<std::pair<std::string, std::string>> files;
        files.emplace_back(kStartup, "LoadDLL = { \"f0.inc\" }");
        for (int i = 0; i < length; ++i) {
            files.emplace_back("C:\\Game\\f" + std::to_string(i) + ".inc",
                               "GameName = \"" + std::to_string(i) + "\" LoadDLL = { \"f" + std::to_string(i + 1) +
                                   ".inc\" }");
        }
        return files;
    };
    const int kept = static_cast<int>(CIniFile::kMaxIncludeDepth) - 1;
    auto files = chain(kept);
    files.back().second = "GameName = last";
    const Loaded deep = LoadFiles(files);
    EXPECT_TRUE(deep.ok);
    EXPECT_TRUE(deep.texts.empty());
    EXPECT_STREQ(deep.ini.GetGameName(), "last");

    const Loaded deeper = LoadFiles(chain(kept + 5));
    EXPECT_FALSE(deeper.ok);
    EXPECT_EQ(deeper.texts, std::vector<std::string>{ReadFailed("C:\\Game\\f" + std::to_string(kept) + ".inc")});
}

}  // namespace
