// GameFolderCheck's command line (see game_folder_check.h).
//
// The kits pass the maker's values as they are, double quotes and trailing
// backslashes included, so neither the C runtime's nor a shell's quoting
// rules may apply:
//   - "@FILE" as the only argument: the arguments are FILE's lines (UTF-8),
//     which makensis writes with !appendfile;
//   - on Windows, otherwise, each argument is a quoted run that ends at a
//     double quote followed by a blank or the end; a backslash is itself
//     (Inno Setup's preprocessor quotes so).
// The problems are written as UTF-8, which both compilers read back.
#include <cstdio>
#include <string>
#include <vector>

#include "installer/check/game_folder_check.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    }
    return out;
}

// The arguments after the program's name, split as the comment above says.
std::vector<std::string> SplitCommandLine(const wchar_t* line) {
    std::vector<std::wstring> words;
    // The program's name: quoted, or up to the first blank.
    if (*line == L'"') {
        for (++line; *line && *line != L'"'; ++line) {}
        if (*line) ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t') ++line;
    }
    for (;;) {
        while (*line == L' ' || *line == L'\t') ++line;
        if (!*line) break;
        std::wstring word;
        if (*line == L'"') {
            for (++line; *line && !(line[0] == L'"' && (line[1] == 0 || line[1] == L' ' || line[1] == L'\t')); ++line) {
                word += *line;
            }
            if (*line) ++line;
        } else {
            while (*line && *line != L' ' && *line != L'\t') word += *line++;
        }
        words.push_back(word);
    }
    std::vector<std::string> arguments;
    for (const std::wstring& word : words) arguments.push_back(Utf8(word));
    return arguments;
}
#endif

// The lines of a UTF-8 file, without their line ends and a byte-order mark.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    std::FILE* file = kitcheck::OpenForReading(path);
    if (!file) return false;
    std::string text;
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, read);
    const bool whole = !std::ferror(file);
    std::fclose(file);
    if (!whole) return false;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    lines.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    std::vector<std::string> arguments = SplitCommandLine(GetCommandLineW());
#else
    std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    if (arguments.size() == 1 && !arguments[0].empty() && arguments[0][0] == '@' &&
        !ReadLines(arguments[0].substr(1), arguments)) {
        std::fprintf(stderr, "GameFolderCheck: cannot read %s\n", arguments[0].c_str() + 1);
        return 3;
    }
    std::string out;
    const int status = kitcheck::Run(arguments, out);
    std::fwrite(out.data(), 1, out.size(), status == 3 ? stderr : stdout);
    return std::fflush(stdout) == 0 ? status : 3;
}
