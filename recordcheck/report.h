// What recordcheck found in one game folder. Paths, values, box texts and
// the bytes found at an offset are CP932, as the programs hold them; the
// explanations are UTF-8, in the report's language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/step_report.h"
#include "recordcheck/language.h"

namespace recordcheck {

// A message box as the user would see it.
struct Box {
    std::string program;  // "Uninstaller" or "Prefclear"
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

enum class Severity {
    Error,    // a record the programs cannot read
    Warning,  // something of the game would stay, or the user would see a box
    Note,     // worth knowing; changes nothing
};

// Why a finding was made (findings.h): its code and its words.
enum class Cause : std::uint16_t;

// What the maker said of a finding on purpose (suppress.h): it is counted
// and listed as suppressed, and does not change the exit status.
enum class Suppression : std::uint8_t {
    None,
    Disabled,  // --disable, or disable in the settings file
    Baseline,  // in the baseline file: known before, not new
};

// Something in the records or the folder that the maker should look at.
struct Finding {
    const char* code = "";  // stable, e.g. "RC301" (see findings.h)
    Cause cause{};          // what its words are (findings.h)
    Severity severity = Severity::Warning;
    Suppression suppression = Suppression::None;
    // Where in the file: line and column in characters, 1-based (both 1 for a finding
    // about the file as a whole), and the byte offset when it is a text
    // position.
    bool hasOffset = false;
    std::uint32_t line = 1;
    std::uint32_t column = 1;
    std::size_t offset = 0;
    // The uninstall step it tells of, whose words it takes for `file`,
    // `found` and `problem` (FindingFile, FindingFound, FindingProblem): a
    // list of a hundred thousand entries keeps one copy of them. None: its
    // own words.
    static constexpr std::size_t kNoStep = static_cast<std::size_t>(-1);
    std::size_t step = kNoStep;
    std::string file;        // relative to the game folder, or a full Windows path
    // `file` is a name as the maker's file system has it (UTF-8, '/'
    // between names, relative to the game folder): one Windows cannot hold.
    bool hostFile = false;
    std::string found;       // the token, value or path at fault (cut), or ""
    std::vector<std::string> arguments;  // what its cause's words take, UTF-8
    std::vector<Box> shows;  // what the user sees because of it; empty: nothing
    // The steps of the uninstall that follow from this cause, as indices into
    // the uninstall's steps: folders that stay because of it, and the like
    // (a folder that two causes keep follows from both).
    std::vector<std::uint32_t> consequences;
};

// What little more a step may have to say; most steps have none of it.
struct StepNotes {
    std::string at;     // the folder on the way that shut the door, when not a prefix of the path
    std::string field;  // the record value a refusal is about
    std::string holds;  // what a folder that stays still holds (UTF-8)
    std::vector<std::size_t> boxes;  // the boxes it caused, as indices into its run's boxes
};

// The paths of a run's steps, kept end to end in large blocks: a hundred
// thousand paths would otherwise be as many small allocations. What it keeps
// stays where it is for the pool's life.
class PathPool {
public:
    std::string_view Keep(std::string_view text);

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0;  // of the last block
    std::size_t size_ = 0;
};

// One step of a run, as the programs' own code told it (common/step_report.h).
// Kept small: an uninstall of a hundred thousand files has as many steps.
struct Step {
    StepKind kind = StepKind::InstalledFile;
    StepOutcome outcome = StepOutcome::Removed;
    StepReason reason = StepReason::None;
    std::uint32_t error = 0;  // the Win32 error of a call that failed
    bool wasFolder = false;   // an installed file's path named a folder
    bool wasLink = false;     // ... a link (junction or symbolic link)
    bool wasReadOnly = false; // a file that stays was read-only
    bool warning = false;     // something of the game stays because of it
    // The folder on the way that shut the door is mostly the path's own
    // beginning: so many bytes of it (0: see the notes).
    std::uint32_t atLength = 0;
    std::string_view path;    // the full path, or the key below HKLM (in its run's PathPool)
    std::shared_ptr<StepNotes> notes;  // null: nothing more

    [[nodiscard]] std::string At() const {
        return atLength != 0 ? std::string(path.substr(0, atLength)) : notes ? notes->at : std::string();
    }
    [[nodiscard]] const std::string& Field() const { return notes ? notes->field : Empty(); }
    [[nodiscard]] const std::string& Holds() const { return notes ? notes->holds : Empty(); }
    [[nodiscard]] const std::vector<std::size_t>& Boxes() const {
        static const std::vector<std::size_t> none;
        return notes ? notes->boxes : none;
    }
    StepNotes& Notes() {
        if (!notes) notes = std::make_shared<StepNotes>();
        return *notes;
    }

private:
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }
};

// One run of a program in the dry run.
struct Run {
    bool ran = false;
    int exitCode = 0;
    std::vector<Box> boxes;
    std::shared_ptr<PathPool> paths = std::make_shared<PathPool>();  // shared by copies of the run
    std::deque<Step> steps;  // in pieces: an uninstall of a hundred thousand files has as many
};

// Something in the game folder that no record lists and that stays.
struct Unlisted {
    std::string path;   // relative to the game folder
    std::string kind;   // "file", "folder" (an empty one) or "link"
    std::string keeps;  // the listed folder that stays because of it; "" for the game folder alone
    std::vector<Box> shows;  // the box naming that folder; empty: it stays without a word
};

// How one record file was read.
struct RecordFile {
    std::string file;   // relative to the game folder
    std::string state;  // "read", "missing", "unreadable", "invalid", "not checked"
    std::vector<std::pair<std::string, std::string>> values;  // what it gave, in order (name, value)
};

struct Report {
    Language language = Language::English;  // of its words
    std::string hostFolder;  // as given on the command line
    std::string settingsFile;  // the .recordcheckrc taken, or ""
    std::string gameFolder;  // where the folder was laid out on the simulated machine
    std::string placement;   // UTF-8: why there
    std::vector<std::string> otherGames;  // where the other games of the maker were laid out
    std::vector<std::string> notInstalled;  // "game key", "uninstall entry": left out as --not-installed says
    std::vector<RecordFile> records;
    // The Uninstaller as the player starts it (answered No), and the
    // temporary copy's uninstall with its steps.
    Run asking;
    Run removing;
    // Prefclear started from the game folder, answered OK; its steps are
    // the five configuration files.
    Run prefclear;
    std::string saveFolder;  // where Prefclear resets its files; "" when it stopped before
    // Prefclear.exe is in the game folder or listed; when not, what Prefclear
    // would say is told as notes.
    bool prefclearShipped = true;
    std::vector<Unlisted> unlisted;
    std::vector<Finding> findings;

    // The least severe finding that makes the exit status non-zero (--fail-on).
    Severity failOn = Severity::Warning;

    // 2 for an error, 1 for a warning (or a note, under --fail-on=note), else
    // 0; suppressed findings and those below failOn count for nothing.
    [[nodiscard]] int ExitCode() const;
};

}  // namespace recordcheck
