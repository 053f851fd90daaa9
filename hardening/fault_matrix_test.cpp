// Every Win32 call of each whole flow made to fail in turn, one occurrence at
// a time: the flow must end with the message and result its failure calls
// for, leave no handle open and touch nothing that is not the game's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim.h"
#include "prefclear/app.h"
#include "prefclear/test_support.h"
#include "uninstaller/driver/run_uninstaller.h"
#include "uninstaller/removal/removal_test_support.h"

namespace {

using removal_test::kEntryKey;
using removal_test::kGame;
using removal_test::kGameKey;

// Message texts as CP932 bytes, written out independently of the program.
const std::string kRunFailed =  // アンインストーラの実行に失敗しました
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x82\xCC\x8E\xC0\x8D\x73\x82\xC9\x8E\xB8\x94"
    "\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const std::string kUninstallFailed =  // アンインストールに失敗しました
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82"
    "\xB5\x82\xBD";
const std::string kUninstallComplete =  // アンインストールが完了しました
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82"
    "\xB5\x82\xBD";
const std::string kSettingsBefore =  // インストーラ設定ファイル【
    "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x79";
const std::string kSettingsAfter =  // 】\n読み込みに失敗しました
    "\x81\x7A\x0A\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const std::string kSettingsMessage =
    kSettingsBefore + "C:\\Games\\Maker\\Game\\InstallInfo\\Installer.ini" + kSettingsAfter;

const std::string kOrrin = "C:\\Games\\Orrin";
const std::string kOrrinSave = "C:\\Users\\Player\\Documents\\Tarnwick\\Orrin\\SaveData";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }
// The settings-file message for any path (without the program's own path the
// settings are looked for where it cannot be known).
bool IsSettingsMessage(const std::string& text) {
    return StartsWith(text, kSettingsBefore) && EndsWith(text, kSettingsAfter);
}
// Paths and keys compare without regard to ASCII case, like the machine.
std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}
bool Below(const std::string& path, const std::string& folder) {
    const std::string p = Upper(path), f = Upper(folder);
    return p == f || StartsWith(p, f + "\\");
}

// The whole volume as path -> bytes (folders map to a marker).
std::map<std::string, std::string> Volume(const sim::Machine& m) {
    std::map<std::string, std::string> out;
    for (const auto& path : m.ListTree("C:\\")) out[path] = m.IsFolder(path) ? std::string("<folder>") : m.FileBytes(path);
    return out;
}

struct Outcome {
    bool result = false;
    std::map<std::string, std::string> volumeBefore, volumeAfter;
    std::vector<std::string> keysBefore, keysAfter;
};

struct Flow;
// What a flow may do to the machine given the one failed call (`failed` is
// that call as the fault-free run made it; function empty for no fault).
using Oracle = std::function<void(const Flow&, const sim::JournalEntry& failed, const sim::Machine&, const Outcome&)>;

struct Flow {
    const char* name;
    std::function<void(sim::Machine&)> setUp;
    std::function<bool()> run;
    // Which volume entries and keys belong to the thing being removed or
    // reset (or to the temporary folder); everything else must stay as it was.
    std::function<bool(const std::string&)> ownsPath;
    std::function<bool(const std::string&)> ownsKey;
    Oracle oracle;
    bool faultsFromFirstBox = false;  // calls before the first box are covered by another flow
    std::vector<std::string> mustCall = {};  // calls the fault-free run must make, lest the matrix go hollow
};

// The machine answers an unscripted box with its default button: OK, and
// Yes for the question. A script of No would be refused by an error box that
// a fault brings up before the question, so the No flow is faulted only from
// the question on; the calls before it are the same as in the Yes flow.
void LayOutAsking(sim::Machine& m, bool answerNo) {
    removal_test::LayOutSample(m);
    m.SetModulePath(std::string(kGame) + "\\Uninstaller.exe");
    if (answerNo) m.ScriptAnswers({IDNO});
}

void LayOutOrrin(sim::Machine& m) {
    prefclear_test::ResetProcessState();
    m.AddFile(kOrrin + "\\OrrinStart.ini", "GameName = \"Orrin\"");
    m.SetModulePath(kOrrin + "\\Prefclear.exe");
    m.AddFolder("C:\\Work");
    m.SetCurrentDirectory("C:\\Work");
    for (const char* name : ConfigFileNames) m.AddFile(kOrrinSave + "\\" + name, "cfg");
    m.AddFile(kOrrinSave + "\\Save01.sav", "progress");
    m.AddFile(kOrrinSave + "\\Sub\\Volume.sav", "kept");
    // Another game's configuration and the program's own folder must stay.
    m.AddFile("C:\\Users\\Player\\Documents\\Tarnwick\\Other\\SaveData\\Volume.sav", "other");
}

bool RunPrefclear() {
    CApp app;
    const bool result = app.Run();
    prefclear_test::ResetProcessState();
    return result;
}

std::vector<std::string> IconErrorBoxes(const sim::Machine& m) {
    std::vector<std::string> texts;
    for (const auto& box : m.MessageBoxes()) {
        if (box.flags == removal_test::kFolderMessageStyle) texts.push_back(box.text);
    }
    return texts;
}

// The game's own: its folder, its shortcuts and menu folders, and the maker
// folders that go when they are empty.
bool GameOwnsPath(const std::string& path) {
    return Below(path, kGame) || Below(path, removal_test::kGameMenu) ||
           Upper(path) == Upper(std::string(removal_test::kDesktop) + "\\Game.lnk") ||
           Upper(path) == Upper(removal_test::kMakerMenu) || Upper(path) == Upper(removal_test::kMaker);
}
bool GameOwnsKey(const std::string& key) {
    return Below(key, kGameKey) || Below(key, kEntryKey) || Upper(key) == "SOFTWARE\\MAKER";
}

bool IsRecordRead(const sim::JournalEntry& call) {
    static const std::set<std::string> reads = {"CreateFileA", "GetFileSize", "GetFileSizeEx", "ReadFile"};
    return reads.count(call.function) != 0 &&
           (EndsWith(call.argument, "\\Installer.ini") || EndsWith(call.argument, "\\InstallFiles.ini"));
}

void AskingNoOracle(const Flow&, const sim::JournalEntry& failed, const sim::Machine& m, const Outcome& o) {
    // No must change nothing at all, whatever failed.
    EXPECT_EQ(o.volumeAfter, o.volumeBefore);
    EXPECT_TRUE(m.ShellExecutes().empty());
    if (failed.function == "MessageBoxA") {
        // A question that could not be shown is no Yes; a failed box is not on record.
        EXPECT_TRUE(o.result);
        EXPECT_TRUE(m.MessageBoxes().empty());
        return;
    }
    ASSERT_FALSE(m.MessageBoxes().empty());
    if (IsRecordRead(failed) || failed.function == "GetModuleFileNameA") {
        EXPECT_FALSE(o.result);
        EXPECT_TRUE(IsSettingsMessage(m.MessageBoxes().back().text));
    } else if (failed.function != "CloseHandle" && failed.function != "") {
        // A failed close after a whole read does not change the read.
        EXPECT_TRUE(o.result);
    }
    if (o.result) {
        EXPECT_EQ(m.MessageBoxes().size(), 1u);
    }
}

void AskingYesOracle(const Flow&, const sim::JournalEntry& failed, const sim::Machine& m, const Outcome& o) {
    // Only the temporary folder may change in the asking process.
    for (const auto& entry : o.volumeAfter) {
        if (!Below(entry.first, "C:\\Temp")) {
            auto it = o.volumeBefore.find(entry.first);
            EXPECT_TRUE(it != o.volumeBefore.end() && it->second == entry.second) << entry.first;
        }
    }
    for (const auto& entry : o.volumeBefore) {
        if (!Below(entry.first, "C:\\Temp")) {
            EXPECT_EQ(o.volumeAfter.count(entry.first), 1u) << entry.first;
        }
    }
    const auto& boxes = m.MessageBoxes();
    const bool batchCall = EndsWith(failed.argument, ".bat");
    const bool relaunchStep = failed.function == "CopyFileA" || failed.function == "SetFileAttributesA" ||
                              failed.function == "ShellExecuteA" ||
                              (batchCall && (failed.function == "CreateFileA" || failed.function == "WriteFile" ||
                                             failed.function == "CloseHandle"));
    if (relaunchStep) {
        EXPECT_FALSE(o.result);
        ASSERT_EQ(boxes.size(), 2u);  // the question, then exactly one failure box
        EXPECT_EQ(boxes[1].text, kRunFailed);
        EXPECT_EQ(boxes[1].flags, 0x00050000u);
        EXPECT_TRUE(m.ShellExecutes().size() <= 1u);
    } else if (IsRecordRead(failed)) {
        EXPECT_FALSE(o.result);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kSettingsMessage);
    } else if (failed.function == "MessageBoxA") {
        // A question that could not be shown is no Yes.
        EXPECT_TRUE(o.result);
        EXPECT_TRUE(m.ShellExecutes().empty());
    } else if (!o.result) {
        // Any other failing step must still end in a message, never in silence.
        ASSERT_FALSE(boxes.empty());
        EXPECT_TRUE(boxes.back().text == kRunFailed || IsSettingsMessage(boxes.back().text)) << failed.function;
    }
    if (o.result && failed.function != "MessageBoxA") {
        ASSERT_EQ(m.ShellExecutes().size(), 1u);
        EXPECT_EQ(boxes.size(), 1u);
    }
}

void RemovalOracle(const Flow&, const sim::JournalEntry& failed, const sim::Machine& m, const Outcome& o) {
    const auto& boxes = m.MessageBoxes();
    if (IsRecordRead(failed)) {
        EXPECT_FALSE(o.result);
        EXPECT_EQ(o.volumeAfter, o.volumeBefore);  // nothing removed
        EXPECT_EQ(o.keysAfter, o.keysBefore);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kUninstallFailed);
        return;
    }
    if (failed.function == "RegCreateKeyExA" && Upper(failed.argument) == Upper(kEntryKey)) {
        EXPECT_FALSE(o.result);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, kUninstallFailed);
        EXPECT_TRUE(m.KeyExists(kEntryKey));
        EXPECT_FALSE(m.Exists(std::string(kGame) + "\\Game.exe"));  // the other steps were carried out
        return;
    }
    if (failed.function == "DeleteFileA" && Below(failed.argument, kGame)) {
        EXPECT_TRUE(m.IsFile(failed.argument)) << failed.argument;
    }
    if (failed.function == "RemoveDirectoryA" && Below(failed.argument, kGame) && failed.argument != kGame &&
        !EndsWith(failed.argument, "\\InstallInfo")) {
        EXPECT_TRUE(m.IsFolder(failed.argument));
        bool named = false;
        for (const auto& text : IconErrorBoxes(m)) named = named || text == removal_test::FolderMessage(failed.argument);
        EXPECT_TRUE(named) << failed.argument;
    }
    // Everything else fails only its own step: the uninstall succeeds.
    if (failed.function != "MessageBoxA") {
        EXPECT_TRUE(o.result) << failed.function << " " << failed.argument;
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, kUninstallComplete);
    }
    // Each folder message names a folder that stayed.
    for (const auto& text : IconErrorBoxes(m)) {
        const std::string& head = removal_test::kFolderMessageHead;
        const std::string& tail = removal_test::kFolderMessageTail;
        ASSERT_TRUE(StartsWith(text, head) && EndsWith(text, tail));
        const std::string folder = text.substr(head.size(), text.size() - head.size() - tail.size());
        EXPECT_TRUE(m.IsFolder(folder)) << folder;
    }
}

void PrefclearOracle(const Flow&, const sim::JournalEntry& failed, const sim::Machine& m, const Outcome& o) {
    // Only the five configuration files may go; nothing is created.
    std::set<std::string> five;
    for (const char* name : ConfigFileNames) five.insert(Upper(name));
    for (const auto& entry : o.volumeBefore) {
        if (o.volumeAfter.count(entry.first) != 0) continue;
        const std::string name = entry.first.substr(entry.first.rfind('\\') + 1);
        EXPECT_EQ(five.count(Upper(name)), 1u) << "removed: " << entry.first;
        EXPECT_TRUE(Below(entry.first, kOrrinSave)) << "removed: " << entry.first;
    }
    for (const auto& entry : o.volumeAfter) {
        auto it = o.volumeBefore.find(entry.first);
        EXPECT_TRUE(it != o.volumeBefore.end() && it->second == entry.second) << entry.first;
    }
    const auto& boxes = m.MessageBoxes();
    if (!o.result) {
        EXPECT_EQ(m.CallCount("DeleteFileA"), 0);  // stopped before the deletions
        if (failed.function != "MessageBoxA" || boxes.size() > 1) {
            ASSERT_FALSE(boxes.empty());
            EXPECT_NE(boxes.back().text, prefclear_test::kDone);
        }
    } else {
        ASSERT_FALSE(boxes.empty());
        if (failed.function != "MessageBoxA") {
            EXPECT_EQ(boxes.back().text, prefclear_test::kDone);
        }
    }
    if (failed.function == "DeleteFileA") {
        EXPECT_TRUE(o.result);
        EXPECT_TRUE(m.IsFile(failed.argument)) << failed.argument;
    }
    if (EndsWith(failed.argument, "OrrinStart.ini") &&
        (failed.function == "CreateFileA" || failed.function == "ReadFile" || failed.function == "GetFileSize" ||
         failed.function == "GetFileSizeEx")) {
        EXPECT_FALSE(o.result);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, prefclear_test::ReadFailed(failed.argument));
    }
}


std::vector<Flow> Flows() {
    const std::string removeLine = "-F=\"C:\\Games\\Maker\\Game\"";
    return {
        {"asking, No", [](sim::Machine& m) { LayOutAsking(m, true); }, [] { return RunUninstaller(""); },
         GameOwnsPath, GameOwnsKey, AskingNoOracle, true},
        {"asking, Yes", [](sim::Machine& m) { LayOutAsking(m, false); }, [] { return RunUninstaller(""); },
         [](const std::string& p) { return Below(p, "C:\\Temp"); }, [](const std::string&) { return false; },
         AskingYesOracle, false,
         {"CopyFileA", "SetFileAttributesA", "CreateFileA", "WriteFile", "CloseHandle", "ShellExecuteA"}},
        {"removal", [](sim::Machine& m) { removal_test::LayOutSample(m); },
         [removeLine] { return RunUninstaller(removeLine); }, GameOwnsPath, GameOwnsKey, RemovalOracle, false,
         {"ReadFile", "DeleteFileA", "RemoveDirectoryA", "RegOpenKeyExA", "RegCreateKeyExA", "RegDeleteKeyA",
          "RegDeleteValueA", "MessageBoxA"}},
        {"prefclear", LayOutOrrin, RunPrefclear,
         [](const std::string& p) {
             if (!Below(p, kOrrinSave)) return false;
             const std::string name = Upper(p.substr(p.rfind('\\') + 1));
             for (const char* file : ConfigFileNames) {
                 if (name == Upper(file)) return true;
             }
             return false;
         },
         [](const std::string&) { return false; }, PrefclearOracle, false, {"ReadFile", "DeleteFileA"}},
    };
}

// One run of `flow` on a fresh machine; `inject` arms the fault first.
Outcome RunOnce(const Flow& flow, sim::Machine& m, const std::function<void(sim::Machine&)>& inject) {
    flow.setUp(m);
    Outcome o;
    o.volumeBefore = Volume(m);
    o.keysBefore = m.AllKeys();
    m.ClearJournal();
    if (inject) inject(m);
    o.result = flow.run();
    o.volumeAfter = Volume(m);
    o.keysAfter = m.AllKeys();
    return o;
}

// The invariants every run keeps, fault or none.
// A close that itself fails leaves that one handle with the machine: no
// program can do more than call it once more.
void ExpectInvariants(const Flow& flow, const sim::Machine& m, const Outcome& o,
                      const std::string& failedFunction = std::string()) {
    EXPECT_LE(m.OpenFileHandles(), failedFunction == "FindClose" ? 1 : 0);
    EXPECT_LE(m.OpenKeyHandles(), failedFunction == "RegCloseKey" ? 1 : 0);
    // No key is created, and none but the game's own is removed.
    for (const auto& key : o.keysAfter) {
        EXPECT_TRUE(std::binary_search(o.keysBefore.begin(), o.keysBefore.end(), key)) << "created key " << key;
    }
    for (const auto& key : o.keysBefore) {
        if (!flow.ownsKey(key)) {
            EXPECT_TRUE(std::binary_search(o.keysAfter.begin(), o.keysAfter.end(), key)) << "lost key " << key;
        }
    }
    // Outside what the flow owns, the volume is unchanged byte for byte.
    for (const auto& entry : o.volumeBefore) {
        if (flow.ownsPath(entry.first)) continue;
        auto it = o.volumeAfter.find(entry.first);
        EXPECT_TRUE(it != o.volumeAfter.end() && it->second == entry.second) << "changed " << entry.first;
    }
    for (const auto& entry : o.volumeAfter) {
        if (!flow.ownsPath(entry.first)) {
            EXPECT_EQ(o.volumeBefore.count(entry.first), 1u) << "new " << entry.first;
        }
    }
}

TEST(FaultMatrix, EveryCallOfEveryFlowFailsInTurn) {
    int covered = 0;
    for (const Flow& flow : Flows()) {
        std::vector<sim::JournalEntry> calls;
        {
            sim::Machine m;
            const Outcome o = RunOnce(flow, m, nullptr);
            SCOPED_TRACE(std::string(flow.name) + " fault-free");
            ExpectInvariants(flow, m, o);
            flow.oracle(flow, sim::JournalEntry{"", "", true, "", 0}, m, o);
            calls = m.Journal();
        }
        ASSERT_FALSE(calls.empty()) << flow.name;
        const int coveredBefore = covered;
        for (const auto& function : flow.mustCall) {
            EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const sim::JournalEntry& c) {
                return c.function == function;
            })) << flow.name << " never calls " << function;
        }
        std::map<std::string, int> seen;
        bool boxSeen = false;
        for (const auto& call : calls) {
            const int nth = ++seen[call.function];
            boxSeen = boxSeen || call.function == "MessageBoxA";
            if (flow.faultsFromFirstBox && !boxSeen) continue;
            SCOPED_TRACE(std::string(flow.name) + ": " + call.function + " #" + std::to_string(nth) + " (" +
                         call.argument + ")");
            sim::Machine m;
            const std::string function = call.function;
            const Outcome o = RunOnce(flow, m, [&](sim::Machine& mm) { mm.FailCall(function, nth); });
            ExpectInvariants(flow, m, o, function);
            flow.oracle(flow, call, m, o);
            ++covered;
            if (HasFailure()) return;  // one clear report beats hundreds of echoes
        }
        std::printf("fault matrix: %-12s %3zu calls, %3d faulted\n", flow.name, calls.size(), covered - coveredBefore);
    }
    std::printf("fault matrix: %d single-call faults\n", covered);
}

// Every write of the batch file cut short: the batch is not whole, so the
// relaunch must fail with its message rather than start it.
TEST(FaultMatrix, ShortWritesOfTheBatchFailTheRelaunch) {
    const Flow yes = Flows()[1];
    int writes = 0;
    {
        sim::Machine m;
        (void)RunOnce(yes, m, nullptr);
        writes = m.CallCount("WriteFile");
    }
    ASSERT_EQ(writes, 7);  // one whole line per call
    for (int nth = 1; nth <= writes; ++nth) {
        for (DWORD bytes : {0u, 1u}) {
            SCOPED_TRACE("WriteFile #" + std::to_string(nth) + " cut to " + std::to_string(bytes));
            sim::Machine m;
            const Outcome o = RunOnce(yes, m, [&](sim::Machine& mm) { mm.ShortWrite(nth, bytes); });
            ExpectInvariants(yes, m, o);
            EXPECT_FALSE(o.result);
            EXPECT_TRUE(m.ShellExecutes().empty());
            ASSERT_EQ(m.MessageBoxes().size(), 2u);
            EXPECT_EQ(m.MessageBoxes()[1].text, kRunFailed);
        }
    }
}

// A record file read short is not a record file: nothing is removed.
TEST(FaultMatrix, ShortReadsOfTheRecordsFailTheRemoval) {
    const Flow removal = Flows()[2];
    int reads = 0;
    {
        sim::Machine m;
        (void)RunOnce(removal, m, nullptr);
        reads = m.CallCount("ReadFile");
    }
    ASSERT_GE(reads, 2);
    for (int nth = 1; nth <= reads; ++nth) {
        SCOPED_TRACE("ReadFile #" + std::to_string(nth));
        sim::Machine m;
        const Outcome o = RunOnce(removal, m, [&](sim::Machine& mm) { mm.ShortRead(nth, 3); });
        ExpectInvariants(removal, m, o);
        EXPECT_FALSE(o.result);
        EXPECT_EQ(o.volumeAfter, o.volumeBefore);
        ASSERT_EQ(m.MessageBoxes().size(), 1u);
        EXPECT_EQ(m.MessageBoxes()[0].text, kUninstallFailed);
    }
}

}  // namespace
