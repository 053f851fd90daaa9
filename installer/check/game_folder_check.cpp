#include "installer/check/game_folder_check.h"

#include <algorithm>
#include <cstdio>

namespace kitcheck {
namespace {

const char kRelativePath[] = "write a path relative to the game folder, with no empty, . or .. part";

// The text as UTF-8 code points; false when it is not UTF-8.
bool Decode(const std::string& text, std::u32string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        out.push_back(c);
        i += length;
    }
    return true;
}

std::string Encode(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

std::string CodePoint(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

// The characters that Japanese text often holds in the form of another
// character table, and the code page 932 character that looks the same.
char32_t Replacement(char32_t c) {
    switch (c) {
    case 0x301C: return 0xFF5E;  // 〜 wave dash -> ～ full-width tilde
    case 0x2212: return 0xFF0D;  // − minus sign -> － full-width hyphen-minus
    case 0x2016: return 0x2225;  // ‖ double vertical line -> ∥ parallel to
    case 0x2014: return 0x2015;  // — em dash -> ― horizontal bar
    case 0x00A2: return 0xFFE0;  // ¢ -> ￠
    case 0x00A3: return 0xFFE1;  // £ -> ￡
    case 0x00AC: return 0xFFE2;  // ¬ -> ￢
    case 0x00A5: return 0xFFE5;  // ¥ -> ￥ (¥ would become a backslash)
    case 0x00A6: return 0xFFE4;  // ¦ -> ￤
    default: return 0;
    }
}

class Checker {
public:
    explicit Checker(Problems& problems) : problems_(problems) {}

    // Adds a problem with VALUE as the maker wrote it.
    void Add(Severity severity, const std::string& what, const std::string& value, const std::string& text) {
        problems_.push_back({severity, what + " \"" + value + "\": " + text});
    }
    void Error(const std::string& what, const std::string& value, const std::string& text) {
        Add(Severity::Error, what, value, text);
    }

    // A text value of a record: UTF-8 that code page 932 holds exactly,
    // without a double quote (a record's strings have no escapes) or a
    // control character. False when a problem was added.
    bool Text(const std::string& what, const std::string& value) {
        std::u32string characters;
        if (!Decode(value, characters)) {
            Error(what, value, "is not UTF-8 text; save the script as UTF-8");
            return false;
        }
        for (char32_t c : characters) {
            if (c == U'"') {
                Error(what, value, "a record's text cannot hold a double quote; leave it out");
                return false;
            }
            if (c < 0x20 || c == 0x7F) {
                Error(what, value, "a record's text cannot hold a control character (" + CodePoint(c) + "); leave it out");
                return false;
            }
            if (!FitsCp932(c)) {
                std::string text = "\"" + Encode(c) + "\" (" + CodePoint(c) +
                                   ") has no Shift-JIS (code page 932) form, and the records are Shift-JIS; ";
                if (char32_t other = Replacement(c)) {
                    text += "write \"" + Encode(other) + "\" (" + CodePoint(other) + ") instead";
                } else {
                    text += "write it with characters Shift-JIS holds";
                }
                Error(what, value, text);
                return false;
            }
        }
        return true;
    }

    // One part of a Windows name: no character Windows refuses, no dot or
    // blank at its end (Windows drops them, and the Uninstaller would look
    // for another name), not a device name.
    bool Part(const std::string& what, const std::string& value, const std::string& part) {
        static const char kRefused[] = "/:*?<>|";
        for (char c : part) {
            if (std::char_traits<char>::find(kRefused, sizeof kRefused - 1, c)) {
                Error(what, value, std::string("Windows refuses \"") + c + "\" in a name" +
                                       (c == '/' ? "; separate folders with \\" : "; leave it out"));
                return false;
            }
        }
        if (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
            Error(what, value, "\"" + part + "\" ends in a " + (part.back() == '.' ? "dot" : "blank") +
                                   ", which Windows drops; leave it out");
            return false;
        }
        if (IsDeviceName(part)) {
            Error(what, value, "\"" + part + "\" is a device name: Windows opens the device, not a file; choose another name");
            return false;
        }
        return true;
    }

    // One file or folder name (a menu folder, a shortcut, the game folder).
    bool Name(const std::string& what, const std::string& value, bool required) {
        if (value.empty()) {
            if (required) Error(what, value, "is empty; give it a name");
            return !required;
        }
        if (!Text(what, value)) return false;
        if (value.find('\\') != std::string::npos) {
            Error(what, value, "a name cannot hold a backslash; leave it out");
            return false;
        }
        return Part(what, value, value);
    }

    // A path below the game folder, as the Uninstaller takes it.
    bool Path(const std::string& what, const std::string& value) {
        if (!Text(what, value)) return false;
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = std::min(value.find('\\', start), value.size());
            const std::string part = value.substr(start, end - start);
            if (part.empty() || part == "." || part == "..") {
                Error(what, value, kRelativePath);
                return false;
            }
            if (!Part(what, value, part)) return false;
            if (end == value.size()) return true;
            start = end + 1;
        }
    }

    static bool IsDeviceName(const std::string& part) {
        // The name up to its first dot, blanks at its end dropped, as
        // Windows compares it: "CON.dll" and "nul .txt" are devices too.
        std::string stem = part.substr(0, part.find('.'));
        while (!stem.empty() && stem.back() == ' ') stem.pop_back();
        for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
        for (const char* device : kDevices) {
            if (stem == device) return true;
        }
        return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
               stem[3] >= '1' && stem[3] <= '9';
    }

private:
    Problems& problems_;
};

bool IEquals(const std::string& a, const char* b) {
    std::string upper = a;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    std::string other = b;
    for (char& c : other) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return upper == other;
}

// The key below HKEY_LOCAL_MACHINE: SOFTWARE\<maker>\<game> or
// SOFTWARE\<game>, which the Uninstaller can take away whole (the game key
// and the one key above it), and never a key of the system.
void CheckRegistry(Checker& check, const std::string& value) {
    const char what[] = "GAME_REGISTRY";
    if (!check.Text(what, value)) return;
    if (!value.empty() && value.back() == '\\') {
        std::string without = value;
        while (!without.empty() && without.back() == '\\') without.pop_back();
        check.Error(what, value, "ends in a backslash; write \"" + without + "\"");
        return;
    }
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(value.find('\\', start), value.size());
        parts.push_back(value.substr(start, end - start));
        if (end == value.size()) break;
        start = end + 1;
    }
    const bool shaped = (parts.size() == 2 || parts.size() == 3) && IEquals(parts[0], "SOFTWARE") &&
                        std::none_of(parts.begin(), parts.end(), [](const std::string& p) { return p.empty(); });
    if (!shaped) {
        check.Error(what, value,
                    parts.size() > 3 ? "the Uninstaller takes away the game key and the one key above it; "
                                       "write SOFTWARE\\<maker>\\<game>"
                                     : "write SOFTWARE\\<maker>\\<game>");
        return;
    }
    for (const char* system : {"Microsoft", "Classes", "Policies", "Clients", "WOW6432Node"}) {
        if (IEquals(parts[1], system)) {
            check.Error(what, value, "SOFTWARE\\" + parts[1] + " is the system's; write SOFTWARE\\<maker>\\<game>");
            return;
        }
    }
}

}  // namespace

Problems CheckGame(const Game& game) {
    Problems problems;
    Checker check(problems);
    if (game.name.empty()) {
        check.Error("GAME_NAME", game.name,
                    "is empty: the Uninstaller's question names the game, and its menu folder is named after it; "
                    "give the game's name");
    } else {
        check.Name("GAME_NAME", game.name, true);
    }
    CheckRegistry(check, game.registry);
    check.Name("GAME_MAKER", game.maker, false);
    check.Name("GAME_MENU", game.menu, false);
    check.Name("GAME_FOLDER", game.folder, true);
    check.Path("GAME_EXE", game.exe);
    check.Text("GAME_MUTEX", game.mutex);
    return problems;
}

Problems CheckFile(const std::string& dest, const std::string& source) {
    Problems problems;
    Checker check(problems);
    check.Path("GameFile", dest);
    if (KindOf(source) != PathKind::File) {
        check.Error("GameFile", dest, "its source \"" + source + "\" is not a file here; name a file that is");
    }
    return problems;
}

Problems CheckFolder(const std::string& dest, const std::string& source) {
    Problems problems;
    Checker check(problems);
    check.Path("GameFolder", dest);
    if (KindOf(source) != PathKind::Folder) {
        check.Error("GameFolder", dest, "its source \"" + source + "\" is not a folder here; name a folder that is");
        return problems;
    }
    // Every file below it, named as the records will name it.
    std::vector<std::string> names;
    if (!ListFiles(source, names)) {
        check.Error("GameFolder", dest, "its source \"" + source + "\" cannot be read whole; make it readable");
        return problems;
    }
    if (names.empty()) {
        check.Add(Severity::Warning, "GameFolder", dest,
                  "its source \"" + source + "\" holds no file, so nothing is installed");
    }
    Problems names_problems;
    Checker names_check(names_problems);
    std::string refused;
    for (const std::string& name : names) {
        if (!names_check.Path("GameFolder", dest + "\\" + name)) refused += (refused.empty() ? "" : "; ") + name;
    }
    if (names_problems.size() == 1) {
        problems.push_back(names_problems.front());
    } else if (!names_problems.empty()) {
        check.Error("GameFolder", dest,
                    "the records cannot name these files of \"" + source + "\": " + refused +
                        "; rename them (the first: " + names_problems.front().message + ")");
    }
    return problems;
}

Problems CheckShortcut(const std::string& what, const std::string& target, const std::string& link) {
    Problems problems;
    Checker check(problems);
    check.Path(what, target);
    if (check.Name(what, link, true) && link.size() >= 4 && IEquals(link.substr(link.size() - 4), ".lnk")) {
        check.Error(what, link, "the kit adds .lnk to the shortcut's name; write \"" +
                                    link.substr(0, link.size() - 4) + "\"");
    }
    return problems;
}

Problems CheckInstallDir(const std::string& dir, const std::string& maker) {
    Problems problems;
    if (maker.empty()) return problems;
    std::string path = dir;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    const std::size_t last = path.rfind('\\');
    const std::size_t before = last == std::string::npos || last == 0 ? std::string::npos : path.rfind('\\', last - 1);
    const std::string above = last == std::string::npos ? "" : path.substr(before + 1, last - before - 1);
    if (above != maker) {
        Checker(problems).Add(Severity::Warning, "GAME_INSTALL_DIR", dir,
                              "the folder above the game folder is \"" + above +
                                  "\", not GAME_MAKER \"" + maker +
                                  "\": the Uninstaller removes only an empty maker folder named GAME_MAKER, so "
                                  "that folder stays; install into <folder>\\" + maker + "\\<game folder>");
    }
    return problems;
}

int Run(const std::vector<std::string>& arguments, std::string& out) {
    const std::string command = arguments.empty() ? "" : arguments[0];
    const std::size_t count = arguments.size() - (arguments.empty() ? 0 : 1);
    Problems problems;
    if (command == "game" && (count == 6 || count == 7)) {
        problems = CheckGame({arguments[1], arguments[2], arguments[3], arguments[4], arguments[5], arguments[6],
                              count == 7 ? arguments[7] : ""});
    } else if (command == "file" && count == 2) {
        problems = CheckFile(arguments[1], arguments[2]);
    } else if (command == "folder" && count == 2) {
        problems = CheckFolder(arguments[1], arguments[2]);
    } else if (command == "shortcut" && count == 3) {
        problems = CheckShortcut(arguments[1], arguments[2], arguments[3]);
    } else if (command == "installdir" && count == 2) {
        problems = CheckInstallDir(arguments[1], arguments[2]);
    } else {
        out += "usage: GameFolderCheck game NAME REGISTRY MAKER MENU FOLDER EXE [MUTEX]\n"
               "       GameFolderCheck file DEST SOURCE | folder DEST SOURCE\n"
               "       GameFolderCheck shortcut GameShortcut|GameDesktopShortcut TARGET LINK\n"
               "       GameFolderCheck installdir DIR MAKER\n";
        return 3;
    }
    // Errors first: a kit may show only the first line.
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.severity < b.severity; });
    for (const Problem& problem : problems) out += problem.message + "\n";
    if (problems.empty()) return 0;
    return problems.front().severity == Severity::Error ? 1 : 2;
}

}  // namespace kitcheck
