// What recordcheck found in one game folder. Paths, values, box texts and
// the bytes found at an offset are CP932, as the programs hold them; the
// explanations are UTF-8 (plain ASCII English).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

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

// Something in the records or the folder that the maker should look at.
struct Finding {
    Severity severity = Severity::Warning;
    std::string file;  // relative to the game folder, or a full Windows path
    bool hasOffset = false;
    std::size_t offset = 0;  // of the token or field at fault
    std::size_t line = 0;    // 1-based, and the byte column in that line
    std::size_t column = 0;
    std::string found;    // the token at the offset (cut), or "" when there is none
    std::string problem;  // what goes wrong, UTF-8
    std::vector<Box> shows;  // what the user sees because of it; empty: nothing
};

// One removal of the uninstall, in the order the Uninstaller makes them.
struct Step {
    std::string section;  // "shortcuts", "files", "folders", "records", "game folder", "maker folder", "registry"
    std::string path;     // a path below the game folder is relative to it; others are full; keys begin with HKLM
    std::string outcome;  // "removed", "missing", "stays", "refused", "not found", "not touched"
    std::string reason;   // UTF-8; "" for a plain removal
    bool warning = false; // something of the game stays because of it
    std::vector<Box> boxes;
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
    std::string hostFolder;  // as given on the command line
    std::string gameFolder;  // where the folder was laid out on the simulated machine
    std::string placement;   // UTF-8: why there
    std::vector<RecordFile> records;
    std::vector<Step> steps;
    std::vector<Unlisted> unlisted;
    std::vector<Box> boxes;  // every box, in the order the runs showed them
    std::vector<Finding> findings;
    std::string saveFolder;  // where Prefclear would reset its files; "" when not known
    std::vector<std::string> resetFiles;

    // 2 when a record cannot be read, 1 for any warning, else 0.
    [[nodiscard]] int ExitCode() const;
};

}  // namespace recordcheck
