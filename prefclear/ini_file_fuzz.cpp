// libFuzzer target: CIniFile::Load with its includes, on the simulated
// Windows. The input (after the "!!" run marker of fuzz/fuzz_support.h) is
// split at "@@@@" into up to four files of one game folder:
//
//   part 0  C:\Games\Maker\Game\OrrinStart.ini   (the file loaded)
//   part 1  C:\Games\Maker\Game\Sub.inc          (include)
//   part 2  C:\Games\Maker\Game\Opt.inn          (optional include)
//   part 3  C:\Games\Maker\Game\Sys\Deep.inc     (include in a subfolder)
//
// A part the input does not reach is a file that does not exist. Any file
// may include any other, itself included, by a LoadDLL entry.
//
// Checked beyond "no sanitizer report" (the tokenizer's buffer is exactly
// the file's size):
// - on false the user saw exactly one failure message, the last one; on
//   true none (messages about unknown keys do not count);
// - every message fits the 16,384-byte buffer and is an error box;
// - every file handle is closed and nothing is written or deleted;
// - on true every file that was read tokenizes to its end without a byte
//   that starts no token: the whole input of each was consumed;
// - no include entry lands in the LoadDLL list, and the VolumeValancer list
//   stays within its bound;
// - a second Load of the same file into the same record gives the same
//   result and the same messages (no include left marked as being read).
//
// Under clang the program's Japanese literals are UTF-8, not CP932 (clang
// has no other execution character set); the texts are only shown, never
// parsed, and the prefixes below are compiled the same way.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/sim.h"
#include "prefclear/app.h"
#include "prefclear/ini_file.h"
#include "prefclear/ini_tokenizer.h"
#include "prefclear/path_helpers.h"

namespace {

const char kSeparator[] = "@@@@";
const char* const kFiles[] = {
    "C:\\Games\\Maker\\Game\\OrrinStart.ini",
    "C:\\Games\\Maker\\Game\\Sub.inc",
    "C:\\Games\\Maker\\Game\\Opt.inn",
    "C:\\Games\\Maker\\Game\\Sys\\Deep.inc",
};

// Messages that report a key nobody knows; the load goes on after them.
const std::string kUnknownHead = "ＩＮＩファイルに解析不能な記号【 ";
// Every failure message begins with one of these.
const std::string kPathHead = "【 ";
const std::string kCommaHead = "ＩＮＩファイル【 ";

constexpr std::size_t kMessageLimit = 16383;
constexpr UINT kErrorFlags = MB_OK | MB_TOPMOST | MB_SETFOREGROUND;

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

std::vector<std::string> SplitParts(const std::string& input) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (parts.size() < 3) {
        const std::size_t at = input.find(kSeparator, from);
        if (at == std::string::npos) break;
        parts.push_back(input.substr(from, at - from));
        from = at + sizeof kSeparator - 1;
    }
    parts.push_back(input.substr(from));
    return parts;
}

// True when the bytes tokenize to their end with no malformed token.
bool TokenizesWhole(const std::string& bytes) {
    IniTokenizer tokenizer;
    tokenizer.Assign(bytes);
    std::string token;
    std::size_t count = 0;
    while (tokenizer.ReadToken(token)) {
        FUZZ_CHECK(token.size() <= IniTokenizer::kMaxTokenBytes);
        FUZZ_CHECK(++count <= bytes.size());  // each token takes at least one byte
    }
    return tokenizer.Status() == TokenizerStatus::Exhausted;
}

struct LoadOutcome {
    bool ok = false;
    std::vector<std::string> messages;
};

LoadOutcome LoadAndCheck(sim::Machine& machine, startup::CIniFile& record) {
    const std::size_t before = machine.MessageBoxes().size();
    const std::size_t journalBefore = machine.Journal().size();
    LoadOutcome outcome;
    outcome.ok = record.Load(kFiles[0]);

    std::size_t failures = 0;
    bool lastIsFailure = false;
    const auto& boxes = machine.MessageBoxes();
    for (std::size_t i = before; i < boxes.size(); ++i) {
        const sim::MessageBoxRecord& box = boxes[i];
        FUZZ_CHECK(box.text.size() <= kMessageLimit);
        FUZZ_CHECK(box.flags == kErrorFlags && !box.hasOwner && box.caption == MessageCaption);
        const bool failure = !StartsWith(box.text, kUnknownHead);
        if (failure) {
            FUZZ_CHECK(StartsWith(box.text, kPathHead) || StartsWith(box.text, kCommaHead));
            ++failures;
        }
        lastIsFailure = failure;
        outcome.messages.push_back(box.text);
    }
    if (outcome.ok) {
        FUZZ_CHECK(failures == 0);
    } else {
        FUZZ_CHECK(failures == 1 && lastIsFailure);
    }

    FUZZ_CHECK(machine.OpenFileHandles() == 0);
    FUZZ_CHECK(machine.CallCount("WriteFile") == 0 && machine.CallCount("DeleteFileA") == 0);

    if (outcome.ok) {
        const auto& journal = machine.Journal();
        for (std::size_t i = journalBefore; i < journal.size(); ++i) {
            if (journal[i].function != "CreateFileA" || !journal[i].succeeded) continue;
            FUZZ_CHECK(TokenizesWhole(machine.FileBytes(journal[i].argument)));
        }
    }
    for (const std::string& entry : record.LoadDLL) {
        const std::string extension = LowerExtension(entry);
        FUZZ_CHECK(extension != "inc" && extension != "inn");
    }
    FUZZ_CHECK(record.VolumeValancer.size() <= static_cast<std::size_t>(startup::CIniFile::kMaxVolumeValancerIndex) + 1);
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> parts = SplitParts(fuzz::ExpandRunMarker(data, size));
    sim::Machine machine;
    for (std::size_t i = 0; i < parts.size(); ++i) machine.AddFile(kFiles[i], parts[i]);
    MessageCaption = "ini_file_fuzz";

    startup::CIniFile record;
    const LoadOutcome first = LoadAndCheck(machine, record);
    const LoadOutcome second = LoadAndCheck(machine, record);
    FUZZ_CHECK(first.ok == second.ok);
    FUZZ_CHECK(first.messages == second.messages);
    return 0;
}
