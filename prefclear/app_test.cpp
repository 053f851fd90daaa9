#include "prefclear/app.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim.h"
#include "prefclear/test_support.h"

namespace {

using namespace prefclear_test;

const std::string kGame = "C:\\Games\\Orrin";
const std::string kProgram = "C:\\Games\\Orrin\\Prefclear.exe";
const std::string kDocuments = "C:\\Users\\Player\\Documents";
const std::string kAppData = "C:\\Users\\Player\\AppData\\Roaming";
const char* const kFiveFiles[] = {"3DConfig.vsf", "AFConfig.asd", "MouseCursorSetting.sav", "Volume.sav",
                                  "WindowSetting.sav"};

std::string Setting(int code) {
    return std::string("SFSF\0\0\0\0", 8) + static_cast<char>(code) + std::string(3, '\0');
}

// A machine with the game installed in `game`, the program beside it and the
// current folder elsewhere.
struct Fixture {
    sim::Machine machine;
    explicit Fixture(const std::string& game = kGame, const std::string& content = "GameName = \"Orrin\"") {
        ResetProcessState();
        machine.AddFile(game + "\\OrrinStart.ini", content);
        machine.SetModulePath(game + "\\Prefclear.exe");
        machine.AddFolder("C:\\Work");
        machine.SetCurrentDirectory("C:\\Work");
    }
    ~Fixture() { ResetProcessState(); }
    void AddSaveFiles(const std::string& folder) {
        for (const char* name : kFiveFiles) machine.AddFile(folder + "\\" + name, "cfg");
        machine.AddFile(folder + "\\Save01.sav", "progress");
        machine.AddFile(folder + "\\Sub\\Volume.sav", "kept");
    }
    std::vector<std::string> Deleted() const {
        std::vector<std::string> paths;
        for (const auto& call : machine.Calls("DeleteFileA")) paths.push_back(call.argument);
        return paths;
    }
};

std::vector<std::string> FivePaths(const std::string& folder) {
    std::vector<std::string> paths;
    for (const char* name : kFiveFiles) paths.push_back(folder + name);
    return paths;
}

std::string Question(const std::string& name) { return kQuestionHead + name + kQuestionTail; }

TEST(CAppRun, OkDeletesTheFiveFilesInOrderAndReports) {
    Fixture f;
    const std::string save = kDocuments + "\\Tarnwick\\Orrin\\SaveData";
    f.AddSaveFiles(save);
    f.machine.ScriptAnswers({IDOK});
    CApp app;
    EXPECT_TRUE(app.Run());
    EXPECT_EQ(MessageCaption, kCaption);
    EXPECT_EQ(f.Deleted(), FivePaths(save + "\\"));
    for (const char* name : kFiveFiles) EXPECT_FALSE(f.machine.Exists(save + "\\" + name)) << name;
    EXPECT_TRUE(f.machine.Exists(save + "\\Save01.sav"));
    EXPECT_TRUE(f.machine.Exists(save + "\\Sub\\Volume.sav"));
    const auto& boxes = f.machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, Question("Orrin"));
    EXPECT_EQ(boxes[0].caption, kCaption);
    EXPECT_EQ(boxes[0].flags, 1u);  // MB_OKCANCEL, no icon
    EXPECT_FALSE(boxes[0].hasOwner);
    EXPECT_EQ(boxes[1].text, kDone);
    EXPECT_EQ(boxes[1].caption, kCaption);
    EXPECT_EQ(boxes[1].flags, 0u);
    EXPECT_FALSE(boxes[1].hasOwner);
    EXPECT_EQ(f.machine.OpenFileHandles(), 0);
}

// Cancel, the box closed, or a question box that could not be shown: only
// OK resets anything.
TEST(CAppRun, AnythingButOkDeletesNothing) {
    const struct {
        const char* title;
        void (*arrange)(sim::Machine&);
        std::size_t boxes;  // the question (when it could be shown) and the cancel
    } cases[] = {
        {"Cancel, or the box closed", [](sim::Machine& m) { m.ScriptAnswers({IDCANCEL}); }, 2},
        {"the question box fails", [](sim::Machine& m) { m.FailCall("MessageBoxA", 1); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        Fixture f;
        f.AddSaveFiles(kDocuments + "\\Tarnwick\\Orrin\\SaveData");
        c.arrange(f.machine);
        CApp app;
        EXPECT_FALSE(app.Run());
        EXPECT_TRUE(f.Deleted().empty());
        EXPECT_TRUE(f.machine.Calls("SHGetFolderPathA").empty());
        const auto& boxes = f.machine.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.boxes);
        EXPECT_EQ(boxes.back().text, kCancelled);
        EXPECT_EQ(boxes.back().caption, kCaption);
        EXPECT_EQ(boxes.back().flags, 0u);
        EXPECT_FALSE(boxes.back().hasOwner);
    }
}

TEST(CAppRun, AMalformedStartupFileStopsBeforeTheQuestion) {
    Fixture f(kGame, "GameName = \"Orrin\"\n#bad");
    f.AddSaveFiles(kDocuments + "\\Tarnwick\\Orrin\\SaveData");
    CApp app;
    EXPECT_FALSE(app.Run());
    const auto& boxes = f.machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ParseFailed(kGame + "\\OrrinStart.ini"));
    EXPECT_EQ(boxes[0].caption, kCaption);
    EXPECT_EQ(boxes[0].flags, kErrorFlags);
    EXPECT_TRUE(f.Deleted().empty());
}

TEST(CAppRun, AnUnknownKeyIsReportedAndTheQuestionFollows) {
    Fixture f(kGame, "Foo GameName = \"Orrin\"");
    f.machine.ScriptAnswers({IDOK, IDCANCEL});
    CApp app;
    EXPECT_FALSE(app.Run());
    const auto& boxes = f.machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, UnknownSymbol("Foo"));
    EXPECT_EQ(boxes[1].text, Question("Orrin"));
    EXPECT_EQ(boxes[2].text, kCancelled);
}

TEST(CAppRun, EachSaveLocationGetsItsFiveDeletions) {
    struct Case {
        const char* title;
        int code;  // -1: no setting file
        bool shellAvailable;
        std::string saveFolder;  // where the five files are
    } const cases[] = {
        {"no setting file", -1, true, kDocuments + "\\Tarnwick\\Orrin\\SaveData"},
        {"documents", 0, true, kDocuments + "\\Tarnwick\\Orrin\\SaveData"},
        {"application data", 1, true, kAppData + "\\Tarnwick\\Orrin\\SaveData"},
        {"game folder", 2, true, kGame + "\\SaveData"},
        {"documents unavailable", 0, false, kGame + "\\Tarnwick\\Orrin\\SaveData"},
        {"application data unavailable", 1, false, kGame + "\\Tarnwick\\Orrin\\SaveData"},
        {"invalid setting file", 7, true, kDocuments + "\\Tarnwick\\Orrin\\SaveData"},
    };
    for (const auto& c : cases) {
        Fixture f;
        if (c.code >= 0) f.machine.AddFile(kGame + "\\InstallInfo\\SaveFolderSetting.ini", Setting(c.code));
        if (!c.shellAvailable) {
            f.machine.MakeSpecialFolderUnavailable(CSIDL_PERSONAL);
            f.machine.MakeSpecialFolderUnavailable(CSIDL_APPDATA);
        }
        f.AddSaveFiles(c.saveFolder);
        f.machine.ScriptAnswers({IDOK});
        CApp app;
        EXPECT_TRUE(app.Run()) << c.title;
        EXPECT_EQ(f.Deleted(), FivePaths(c.saveFolder + "\\")) << c.title;
        EXPECT_TRUE(f.machine.Exists(c.saveFolder + "\\Save01.sav")) << c.title;
        EXPECT_TRUE(f.machine.Exists(c.saveFolder + "\\Sub\\Volume.sav")) << c.title;
        for (const char* name : kFiveFiles) EXPECT_FALSE(f.machine.Exists(c.saveFolder + "\\" + name)) << c.title;
        EXPECT_EQ(f.machine.CurrentDirectory(), kGame) << c.title;
    }
}

TEST(CAppRun, FailedDeletionsAreSilentAndTheRestAreTried) {
    Fixture f;
    const std::string save = kDocuments + "\\Tarnwick\\Orrin\\SaveData";
    f.AddSaveFiles(save);
    f.machine.SetAttributes(save + "\\AFConfig.asd", FILE_ATTRIBUTE_READONLY);
    f.machine.HoldOpen(save + "\\Volume.sav", 0);
    f.machine.FailCall("DeleteFileA", 1);
    f.machine.ScriptAnswers({IDOK});
    CApp app;
    EXPECT_TRUE(app.Run());
    EXPECT_EQ(f.Deleted(), FivePaths(save + "\\"));
    EXPECT_TRUE(f.machine.Exists(save + "\\3DConfig.vsf"));
    EXPECT_TRUE(f.machine.Exists(save + "\\AFConfig.asd"));
    EXPECT_FALSE(f.machine.Exists(save + "\\MouseCursorSetting.sav"));
    EXPECT_TRUE(f.machine.Exists(save + "\\Volume.sav"));
    EXPECT_FALSE(f.machine.Exists(save + "\\WindowSetting.sav"));
    ASSERT_EQ(f.machine.MessageBoxes().size(), 2u);
    EXPECT_EQ(f.machine.MessageBoxes()[1].text, kDone);
}

TEST(CAppRun, NoFilesToDeleteStillReportsDone) {
    Fixture f;
    f.machine.ScriptAnswers({IDOK});
    CApp app;
    EXPECT_TRUE(app.Run());
    EXPECT_EQ(f.Deleted().size(), 5u);
    ASSERT_EQ(f.machine.MessageBoxes().size(), 2u);
    EXPECT_EQ(f.machine.MessageBoxes()[1].text, kDone);
}

TEST(CAppRun, ShiftJisNamesWithTrailBytes0x5C) {
    // Game folder ...\ソ表, game name ゲーム表ソ, save subfolder ソ表.
    const std::string game = "C:\\Games\\" + kSoHyo;
    const std::string content = "GameName = \"" + kGameHyoSo + "\" SaveFolder = \"" + kSoHyo + "\"";
    struct Case {
        int code;
        std::string saveFolder;
    } const cases[] = {
        {0, kDocuments + "\\Tarnwick\\" + kGameHyoSo + "\\" + kSoHyo},
        {2, game + "\\" + kSoHyo},
    };
    for (const auto& c : cases) {
        Fixture f(game, content);
        f.machine.AddFile(game + "\\InstallInfo\\SaveFolderSetting.ini", Setting(c.code));
        f.AddSaveFiles(c.saveFolder);
        f.machine.ScriptAnswers({IDOK});
        CApp app;
        EXPECT_TRUE(app.Run()) << c.code;
        EXPECT_EQ(BaseFolder, game) << c.code;
        EXPECT_EQ(f.Deleted(), FivePaths(c.saveFolder + "\\")) << c.code;
        EXPECT_TRUE(f.machine.Exists(c.saveFolder + "\\Save01.sav")) << c.code;
        ASSERT_FALSE(f.machine.MessageBoxes().empty());
        EXPECT_EQ(f.machine.MessageBoxes()[0].text, Question(kGameHyoSo)) << c.code;
    }
}

TEST(CAppRun, EmptyNamesAreJoinedAsTheyAre) {
    Fixture f(kGame, "SaveFolder = \"\"");
    f.machine.ScriptAnswers({IDOK});
    CApp app;
    EXPECT_TRUE(app.Run());
    // An empty game name ends the root at the maker folder, and an empty
    // subfolder leaves two backslashes in a row.
    EXPECT_EQ(f.Deleted(), FivePaths(kDocuments + "\\Tarnwick\\\\"));
    EXPECT_EQ(f.machine.MessageBoxes()[0].text, Question(""));
}

TEST(CAppRun, NamesThatClimbOutOfTheSaveRootStopTheRun) {
    for (const std::string content :
         {"SaveFolder = \"..\\..\\Other\"", "SaveFolder = \"a/../..\"", "GameName = \"..\"",
          "GameName = \"x\\..\\..\\Windows\""}) {
        Fixture f(kGame, content);
        f.machine.ScriptAnswers({IDOK});
        CApp app;
        EXPECT_FALSE(app.Run()) << content;
        EXPECT_TRUE(f.Deleted().empty()) << content;
        ASSERT_EQ(f.machine.MessageBoxes().size(), 1u) << content;
        EXPECT_EQ(f.machine.MessageBoxes()[0].text, ParseError(kGame + "\\OrrinStart.ini")) << content;
        EXPECT_EQ(f.machine.MessageBoxes()[0].flags, kErrorFlags) << content;
    }
    // Points that are not a whole ".." component are ordinary names.
    for (const std::string content : {"SaveFolder = \"...\"", "SaveFolder = \"a..b\"", "GameName = \"Orrin..\""}) {
        Fixture f(kGame, content);
        f.machine.ScriptAnswers({IDOK});
        CApp app;
        EXPECT_TRUE(app.Run()) << content;
        EXPECT_EQ(f.Deleted().size(), 5u) << content;
    }
}

// "初期化に失敗しました": the reset failed, some files perhaps deleted.
const std::string kResetFailed = "\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

// A file too big to hold (2 GiB and more: a 32-bit program's vector throws
// length_error) or memory running out is that file's read failure; memory
// running out anywhere else ends in the failure message, never in silence
// and never in "cancelled", which would say that nothing was deleted.
TEST(RunPrefclearProcess, AFileTooBigOrNoMemoryIsReportedNeverSilent) {
    const std::string start = kGame + "\\OrrinStart.ini";
    const std::string include = kGame + "\\Extra.inc";
    const std::string save = kDocuments + "\\Tarnwick\\Orrin\\SaveData";
    const struct {
        const char* title;
        void (*arrange)(sim::Machine&, const std::string& start, const std::string& include);
        std::string lastBox;
        UINT flags;
        int deleted;  // configuration files gone
    } cases[] = {
        {"2 GiB", [](sim::Machine& m, const std::string& s, const std::string&) { m.ReportFileSize(s, 0x80000000u); },
         ReadFailed(start), kErrorFlags, 0},
        {"just under 4 GiB", [](sim::Machine& m, const std::string& s, const std::string&) { m.ReportFileSize(s, 0xFFFFFFFEu); },
         ReadFailed(start), kErrorFlags, 0},
        {"4 GiB and its bytes", [](sim::Machine& m, const std::string& s, const std::string&) {
             m.ReportFileSize(s, 0x100000000ull + m.FileBytes(s).size()); },
         ReadFailed(start), kErrorFlags, 0},
        {"an include too big", [](sim::Machine& m, const std::string&, const std::string& i) { m.ReportFileSize(i, 0xC0000000u); },
         ReadFailed(include), kErrorFlags, 0},
        {"no memory reading an include", [](sim::Machine& m, const std::string&, const std::string&) {
             m.ThrowOnCall("ReadFile", 2); },
         ReadFailed(include), kErrorFlags, 0},
        {"no memory while deleting", [](sim::Machine& m, const std::string&, const std::string&) {
             m.ThrowOnCall("DeleteFileA", 3); },
         kResetFailed, kErrorFlags, 2},
    };
    for (const auto& c : cases) {
        Fixture f(kGame, "GameName = \"Orrin\"\nLoadDLL = { \"Extra.inc\" }\n");
        f.machine.AddFile(include, "ViewWidth = 1024\n");
        f.AddSaveFiles(save);
        f.machine.ScriptAnswers({IDOK});
        c.arrange(f.machine, start, include);
        EXPECT_EQ(RunPrefclearProcess(), 0) << c.title;
        ASSERT_FALSE(f.machine.MessageBoxes().empty()) << c.title;
        const auto& last = f.machine.MessageBoxes().back();
        EXPECT_EQ(last.text, c.lastBox) << c.title;
        EXPECT_EQ(last.caption, kCaption) << c.title;
        EXPECT_EQ(last.flags, c.flags) << c.title;
        int deleted = 0;
        for (const char* name : kFiveFiles) deleted += f.machine.Exists(save + "\\" + name) ? 0 : 1;
        EXPECT_EQ(deleted, c.deleted) << c.title;
        EXPECT_EQ(f.machine.OpenFileHandles(), 0) << c.title;
    }
}

TEST(LocateStartupFile, PrefersTheCurrentFolderThenTheProgramsFolder) {
    struct Case {
        const char* title;
        bool inCurrent;
        bool besideProgram;
        bool folderInCurrent;  // a folder named OrrinStart.ini in the current folder
        std::string baseFolder;
        std::string currentAfter;
    } const cases[] = {
        {"both", true, true, false, "C:\\Work", "C:\\Work"},
        {"current only", true, false, false, "C:\\Work", "C:\\Work"},
        {"beside the program only", false, true, false, kGame, kGame},
        {"a folder of that name in the current folder", false, true, true, kGame, kGame},
        {"nowhere", false, false, false, "C:\\Work", "C:\\Work"},
        {"only a folder of that name", false, false, true, "C:\\Work", "C:\\Work"},
    };
    for (const auto& c : cases) {
        sim::Machine machine;
        ResetProcessState();
        machine.AddFolder("C:\\Work");
        machine.AddFolder(kGame);
        machine.SetCurrentDirectory("C:\\Work");
        machine.SetModulePath(kProgram);
        if (c.inCurrent) machine.AddFile("C:\\Work\\OrrinStart.ini", "");
        if (c.folderInCurrent) machine.AddFolder("C:\\Work\\OrrinStart.ini");
        if (c.besideProgram) machine.AddFile(kGame + "\\OrrinStart.ini", "");
        CApp app;
        app.LocateStartupFile();
        EXPECT_EQ(BaseFolder, c.baseFolder) << c.title;
        EXPECT_EQ(machine.CurrentDirectory(), c.currentAfter) << c.title;
        EXPECT_EQ(machine.Calls("SetCurrentDirectoryA").size(), c.baseFolder == kGame ? 1u : 0u) << c.title;
        EXPECT_EQ(machine.OpenFileHandles(), 0) << c.title;
    }
    ResetProcessState();
}

TEST(LocateStartupFile, FoundNowhereNamesTheFileInTheCurrentFolder) {
    sim::Machine machine;
    ResetProcessState();
    machine.SetModulePath(kProgram);  // C:\ is the current folder
    CApp app;
    EXPECT_FALSE(app.Run());
    EXPECT_EQ(BaseFolder, "C:\\");
    ASSERT_EQ(machine.MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.MessageBoxes()[0].text, ReadFailed("C:\\OrrinStart.ini"));
    EXPECT_EQ(machine.MessageBoxes()[0].caption, kCaption);
    ResetProcessState();
}

TEST(LocateStartupFile, SystemCallsThatFailLeaveNoEmptyBaseFolder) {
    {
        // Without a current folder, "." still names it; a program path
        // without a folder is not searched at the drive's root.
        sim::Machine machine;
        ResetProcessState();
        machine.AddFile("C:\\OrrinStart.ini", "");
        machine.FailCall("GetCurrentDirectoryA", 1);
        machine.FailCall("GetModuleFileNameA", 1);
        CApp app;
        app.LocateStartupFile();
        EXPECT_EQ(BaseFolder, ".");
        EXPECT_TRUE(machine.Calls("SetCurrentDirectoryA").empty());
        for (const auto& call : machine.Calls("FindFirstFileA")) EXPECT_NE(call.argument, "\\OrrinStart.ini");
    }
    {
        // A program path too long for the buffer names no folder of its own.
        sim::Machine machine;
        ResetProcessState();
        const std::string deep = "C:\\" + std::string(250, 'd');
        machine.AddFile(deep + "\\OrrinStart.ini", "");
        machine.SetModulePath(deep + "\\Prefclear.exe");
        CApp app;
        app.LocateStartupFile();
        EXPECT_EQ(BaseFolder, "C:\\");
        EXPECT_TRUE(machine.Calls("SetCurrentDirectoryA").empty());
    }
    ResetProcessState();
}

TEST(ShowError, FormatsIntoATopmostBoxAndCutsLongTexts) {
    sim::Machine machine;
    ResetProcessState();
    MessageCaption = "Cap";
    EXPECT_FALSE(ShowError("%s-%d", "a", 7));
    const std::string longText(20000, 'x');
    EXPECT_FALSE(ShowError("%s", longText.c_str()));
    const auto& boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "a-7");
    EXPECT_EQ(boxes[0].caption, "Cap");
    EXPECT_EQ(boxes[0].flags, kErrorFlags);
    EXPECT_FALSE(boxes[0].hasOwner);
    EXPECT_EQ(boxes[1].text, std::string(16383, 'x'));
    ResetProcessState();
}

}  // namespace
