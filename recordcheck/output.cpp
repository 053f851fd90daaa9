#include "recordcheck/output.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/win32.h"
#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/steps.h"

namespace recordcheck {

std::string_view PathPool::Keep(std::string_view text) {
    constexpr std::size_t kBlock = 1 << 16;
    if (text.empty()) return std::string_view();
    if (size_ - used_ < text.size()) {
        size_ = std::max(kBlock, text.size());
        blocks_.push_back(std::make_unique<char[]>(size_));
        used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return std::string_view(at, text.size());
}

int Report::ExitCode() const {
    int code = 0;
    for (const Finding& finding : findings) {
        // Severity runs from Error (0) to Note (2).
        if (finding.suppression != Suppression::None || finding.severity > failOn) continue;
        if (finding.severity == Severity::Error) return 2;
        code = 1;
    }
    return code;
}

std::string FlagNames(unsigned flags) {
    struct Flag {
        unsigned value;
        const char* name;
    };
    static const Flag kButtons[] = {{MB_OK, "MB_OK"}, {MB_OKCANCEL, "MB_OKCANCEL"}, {MB_YESNO, "MB_YESNO"}};
    static const Flag kOthers[] = {
        {MB_ICONERROR, "MB_ICONERROR"}, {MB_SETFOREGROUND, "MB_SETFOREGROUND"}, {MB_TOPMOST, "MB_TOPMOST"}};
    std::string names;
    unsigned known = 0xF;
    for (const Flag& flag : kButtons) {
        if ((flags & 0xF) == flag.value) names = flag.name;
    }
    if (names.empty()) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", flags & 0xF);
        names = text;
    }
    for (const Flag& flag : kOthers) {
        if ((flags & flag.value) == flag.value) {
            names += std::string("|") + flag.name;
            known |= flag.value;
        }
    }
    if ((flags & ~known) != 0) {
        char text[16];
        std::snprintf(text, sizeof text, "|0x%X", flags & ~known);
        names += text;
    }
    return names;
}

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::Error: return "error";
        case Severity::Warning: return "warning";
        case Severity::Note: return "note";
    }
    return "";
}

const char* ResultName(int exitCode) {
    return exitCode == 0 ? "clean" : exitCode == 1 ? "warnings" : "unreadable records";
}

namespace {

// Runs of more alike lines than this are shown by their first few and one
// line that counts the rest.
constexpr std::size_t kAlikeRun = 12;
constexpr std::size_t kAlikeShown = 5;

std::string Text(std::string_view cp932) { return Utf8FromCp932(cp932); }

// UTF-8 text on one line of the terminal: control bytes become spaces.
std::string Flat(std::string utf8) {
    for (char& c : utf8) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return utf8;
}

// A CP932 token on one line of the terminal.
std::string OneLine(const std::string& cp932) { return Flat(Text(cp932)); }

std::string Indented(const std::string& text, const std::string& indent) {
    std::string out;
    for (const char c : text) {
        out.push_back(c);
        if (c == '\n') out += indent;
    }
    return out;
}

std::string WithoutTrailingBlanks(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            while (!out.empty() && out.back() == ' ') out.pop_back();
        }
        out.push_back(c);
    }
    return out;
}

std::string BoxLabel(const Report& report) { return report.language == Language::Japanese ? "表示 " : "box: "; }

std::string BoxLine(const Box& box, const std::string& indent) {
    return box.program + " [" + FlagNames(box.flags) + "] " + Indented(Text(box.text), indent);
}

// The columns UTF-8 text takes in a terminal: two for a wide (East Asian)
// character, one for any other.
std::size_t Columns(const std::string& utf8) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                          (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                          (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                          (code >= 0xFFE0 && code <= 0xFFE6);
        columns += wide ? 2 : 1;
        i += length;
    }
    return columns;
}

std::string Padded(const std::string& text, std::size_t width) {
    const std::size_t columns = Columns(text);
    return columns >= width ? text + " " : text + std::string(width - columns, ' ');
}

// `words` in the report's language, with {1}, {2} ... filled.
std::string Say(const Report& report, Words words, const std::vector<std::string>& arguments = {}) {
    return FillWords(words.In(report.language), arguments);
}

Words ResultWords(int exitCode) {
    if (exitCode == 0) return {"clean", "問題なし"};
    if (exitCode == 1) return {"warnings", "警告あり"};
    return {"unreadable records", "読めない記録あり"};
}

// How a record file was read ("read", "missing" ... as the JSON has it), in words.
std::string StateWords(const Report& report, const std::string& state) {
    static const Words kStates[] = {{"read", "読めた"},
                                    {"missing", "ない"},
                                    {"unreadable", "読めない"},
                                    {"invalid", "不正"},
                                    {"not checked", "未検査"}};
    for (const Words& words : kStates) {
        if (state == words.en) return words.In(report.language);
    }
    return state;
}

// Why the game folder lies where the check put it (the placement's words).
std::string PlacementWords(const Report& report) {
    static const Words kPlacements[] = {
        {"as given by --install-path", "--install-path の指定どおり"},
        {"below a folder named after DefaultGameMakerName, where the installer puts it by default",
         "インストーラーの既定どおり、DefaultGameMakerName という名前のフォルダーの下"},
        {"Installer.ini cannot be read: directly below the program files folder",
         "Installer.ini を読めない: Program Files フォルダーの直下"},
        {"DefaultGameMakerName is not a usable folder name: directly below the program files folder",
         "DefaultGameMakerName がフォルダー名に使えない: Program Files フォルダーの直下"},
        {"where it is installed on this machine", "このマシンにインストールされている場所"}};
    for (const Words& words : kPlacements) {
        if (report.placement == words.en) return words.In(report.language);
    }
    return report.placement;
}

// An item of the game folder no record lists ("file", "folder", "link"), in words.
std::string UnlistedKindWords(const Report& report, const std::string& kind) {
    if (kind == "folder") return KindWords(StepKind::InstalledFolder).In(report.language);
    if (kind == "link") return Say(report, {"link", "リンク"});
    return KindWords(StepKind::InstalledFile).In(report.language);
}

std::string Thousands(std::size_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

// The result line: "Result: warnings (exit 1)".
std::string ResultLine(const Report& report) {
    const int code = report.ExitCode();
    std::size_t below = 0;  // findings that count for nothing under --fail-on
    for (const Finding& finding : report.findings) below += finding.suppression == Suppression::None;
    if (code == 0 && below != 0) {
        return Say(report, {"Result: passes, {1} findings below --fail-on (exit 0)",
                            "結果: 合格、--fail-on 未満の指摘 {1} 件 (終了コード 0)"},
                   {Thousands(below)}) +
               "\n";
    }
    return Say(report, {"Result: {1} (exit {2})", "結果: {1} (終了コード {2})"},
               {ResultWords(code).In(report.language), std::to_string(code)}) +
           "\n";
}

Words SectionTitle(const std::string& section) {
    if (section == "shortcuts") return {"Shortcuts and menu folders", "ショートカットとメニューフォルダー"};
    if (section == "files") return {"Files", "ファイル"};
    if (section == "folders") return {"Folders, deepest first", "フォルダー (深いものから)"};
    if (section == "records") return {"Records", "記録ファイル"};
    if (section == "game folder") return {"Game folder", "ゲームフォルダー"};
    if (section == "maker folder") return {"Maker folder", "メーカーフォルダー"};
    if (section == "registry") {
        return {"Registry (the 32-bit view: HKLM\\SOFTWARE is HKLM\\SOFTWARE\\WOW6432Node on 64-bit Windows)",
                "レジストリ (32 ビットのビュー: 64 ビットの Windows では HKLM\\SOFTWARE は "
                "HKLM\\SOFTWARE\\WOW6432Node)"};
    }
    return {"", ""};
}

// How a step's path is shown: below the game folder relative to it, keys
// with HKLM in front.
std::string ShownPath(const Report& report, const Step& step) {
    if (IsRegistryStep(step.kind)) return "HKLM\\" + std::string(step.path);
    const std::string prefix = report.gameFolder + "\\";
    if (step.kind != StepKind::GameFolder && step.path.compare(0, prefix.size(), prefix) == 0) {
        return std::string(step.path.substr(prefix.size()));
    }
    return std::string(step.path);
}

bool Alike(const Step& a, const Step& b) {
    return a.kind == b.kind && a.outcome == b.outcome && a.reason == b.reason && a.error == b.error &&
           a.Boxes().empty() && b.Boxes().empty();
}

void AppendStep(std::string& out, const Report& report, const Step& step) {
    out += "    " + Padded(OutcomeWords(step.outcome).In(report.language), 12) + OneLine(ShownPath(report, step));
    const std::string why = DescribeStep(step, report.language);
    if (!why.empty()) out += "  (" + why + ")";
    if (step.warning) out += "  !";
    out += "\n";
    const std::string indent(20, ' ');
    for (std::size_t box : step.Boxes()) {
        out += indent + BoxLabel(report) + BoxLine(report.removing.boxes[box], indent + "     ") + "\n";
    }
}

void AppendSteps(std::string& out, const Report& report) {
    const std::deque<Step>& steps = report.removing.steps;
    std::string section;
    for (std::size_t i = 0; i < steps.size();) {
        if (SectionName(steps[i].kind) != section) {
            section = SectionName(steps[i].kind);
            out += std::string("  ") + SectionTitle(section).In(report.language) + "\n";
        }
        std::size_t end = i + 1;
        while (end < steps.size() && Alike(steps[i], steps[end])) ++end;
        const bool grouped = end - i > kAlikeRun;
        for (std::size_t k = i; k < (grouped ? i + kAlikeShown : end); ++k) AppendStep(out, report, steps[k]);
        if (grouped) {
            const std::string why = DescribeStep(steps[i], report.language);
            out += Say(report, {"    ... and {1} more {2}s, {3}", "    ... ほか {1} 個の{2}: {3}"},
                       {Thousands(end - i - kAlikeShown), KindWords(steps[i].kind).In(report.language),
                        OutcomeWords(steps[i].outcome).In(report.language)}) +
                   (why.empty() ? "" : " (" + why + ")") + "\n";
        }
        i = end;
    }
}

// The folder an item of the game folder keeps, in words.
std::string KeptFolder(const Report& report, const Unlisted& item) {
    return item.keeps.empty() ? Say(report, {"the game folder", "ゲームフォルダー"}) : OneLine(item.keeps);
}

void AppendUnlisted(std::string& out, const Report& report, const Unlisted& item) {
    out += "  " + Padded(UnlistedKindWords(report, item.kind), 10) + OneLine(item.path) + "\n";
    if (item.shows.empty()) {
        out += Say(report, {"          keeps {1}, without a message", "          {1} を残す (メッセージなし)"},
                   {KeptFolder(report, item)}) +
               "\n";
    } else {
        const std::string indent(16, ' ');
        out += Say(report, {"          keeps {1}; the user sees", "          {1} を残す: 表示されるメッセージ"},
                   {KeptFolder(report, item)}) +
               "\n" + indent + BoxLine(item.shows.front(), indent) + "\n";
    }
}

// A finding's file on one line: a name Windows cannot hold as this
// machine has it, any other as the programs do.
std::string ShownFile(const Report& report, const Finding& finding) {
    return finding.hostFile ? Flat(finding.file) : OneLine(FindingFile(report, finding));
}

std::string FindingPlace(const Report& report, const Finding& finding) {
    return ShownFile(report, finding) + ":" + std::to_string(finding.line) + ":" + std::to_string(finding.column);
}

// What follows from a finding are shown by so many of them.
constexpr std::size_t kConsequencesShown = 8;

void AppendFinding(std::string& out, const Report& report, const Finding& finding) {
    out += "  " + Padded(SeverityWords(finding.severity).In(report.language), 8) + finding.code + " " +
           FindingPlace(report, finding) + "\n";
    std::string what = FindingProblem(report, finding);
    const std::string found = FindingFound(report, finding);
    if (!found.empty()) what = Say(report, {"found \"{1}\": {2}", "\"{1}\": {2}"}, {OneLine(found), what});
    out += "          " + what + "\n";
    out += "          " + Say(report, {"fix: ", "修正: "}) + FindingFix(report, finding) + "\n";
    const std::string indent(16, ' ');
    // The boxes of the steps that follow are shown with those steps.
    std::vector<std::size_t> boxes;
    for (const std::uint32_t step : finding.consequences) {
        for (std::size_t box : report.removing.steps[step].Boxes()) boxes.push_back(box);
    }
    for (const Box& box : finding.shows) {
        bool withStep = false;
        for (std::size_t b : boxes) {
            const Box& shown = report.removing.boxes[b];
            withStep = withStep || (shown.text == box.text && shown.flags == box.flags);
        }
        if (!withStep) out += "          " + Say(report, {"shows ", "表示 "}) + BoxLine(box, indent) + "\n";
    }
    for (std::size_t i = 0; i < finding.consequences.size() && i < kConsequencesShown; ++i) {
        const Step& step = report.removing.steps[finding.consequences[i]];
        std::string line = "          " + Padded(Say(report, {"then", "結果"}), 6) +
                           Padded(OutcomeWords(step.outcome).In(report.language), 10) + OneLine(ShownPath(report, step));
        const std::string why = DescribeStep(step, report.language);
        if (!why.empty()) line += "  (" + why + ")";
        out += line + "\n";
        for (std::size_t box : step.Boxes()) {
            out += indent + BoxLabel(report) + BoxLine(report.removing.boxes[box], indent + "     ") + "\n";
        }
    }
    if (finding.consequences.size() > kConsequencesShown) {
        out += Say(report, {"          then  ... and {1} more steps", "          結果  ... ほか {1} 個の手順"},
                   {Thousands(finding.consequences.size() - kConsequencesShown)}) +
               "\n";
    }
}

// The findings the maker suppressed, counted: "" when none is.
std::string SuppressedLine(const Report& report) {
    std::size_t count[3] = {0, 0, 0};  // by Suppression
    std::map<std::string, std::size_t> codes;
    for (const Finding& finding : report.findings) {
        if (finding.suppression == Suppression::None) continue;
        ++count[static_cast<int>(finding.suppression)];
        ++codes[finding.code];
    }
    if (codes.empty()) return std::string();
    std::string list;
    for (const auto& [code, n] : codes) list += (list.empty() ? "" : ", ") + code + " " + Thousands(n);
    return Say(report, {"Suppressed findings: {1} ({2} turned off, {3} in the baseline): {4}",
                        "抑制した指摘: {1} 件 (無効化 {2} 件、ベースライン {3} 件): {4}"},
               {Thousands(count[1] + count[2]), Thousands(count[1]), Thousands(count[2]), list}) +
           "\n";
}

void AppendFindings(std::string& out, const Report& report) {
    std::vector<const Finding*> findings;
    for (const Finding& finding : report.findings) {
        if (finding.suppression == Suppression::None) findings.push_back(&finding);
    }
    if (!findings.empty()) out += "\n" + Say(report, {"Findings", "指摘"}) + "\n";
    std::map<std::string, std::size_t> total;
    for (const Finding* finding : findings) ++total[finding->code];
    std::map<std::string, std::size_t> shown;
    for (const Finding* each : findings) {
        const Finding& finding = *each;
        const std::size_t count = total[finding.code];
        std::size_t& seen = shown[finding.code];
        ++seen;
        if (count <= kAlikeRun || seen <= kAlikeShown) {
            AppendFinding(out, report, finding);
        } else if (seen == count) {
            out += Say(report, {"  ... and {1} more {2} findings like these", "  ... ほかに同様の {2} の指摘が {1} 件"},
                       {Thousands(count - kAlikeShown), finding.code}) +
                   "\n";
        }
    }
}

}  // namespace

void WriteText(std::ostream& stream, const Report& report) {
    std::string out;
    const auto label = [&](Words words) { return Padded(Say(report, words), 14); };
    out += label({"Game folder", "フォルダー"}) + Utf8FromHost(report.hostFolder) + "\n";
    out += label({"Checked as", "配置先"}) + Text(report.gameFolder) + "\n";
    out += std::string(14, ' ') + "(" + PlacementWords(report) + ")\n";
    for (const std::string& other : report.otherGames) out += label({"Beside it", "隣のゲーム"}) + Text(other) + "\n";
    if (!report.settingsFile.empty()) out += label({"Settings", "設定"}) + Utf8FromHost(report.settingsFile) + "\n";
    for (const std::string& key : report.notInstalled) {
        const Words kind = KindWords(key == "game key" ? StepKind::GameKey : StepKind::UninstallEntry);
        out += label({"Not there", "ないもの"}) + Say(report, {"the {1}", "{1}"}, {kind.In(report.language)}) +
               " (--not-installed)\n";
    }

    out += "\n" + Say(report, {"Records", "記録ファイル"}) + "\n";
    for (const RecordFile& record : report.records) {
        out += "  " + Padded(StateWords(report, record.state), 12) + Text(record.file) + "\n";
        for (const auto& value : record.values) {
            out += std::string(16, ' ') + Padded(value.first, 33) + OneLine(value.second) + "\n";
        }
    }

    out += "\n" + Say(report, {"What an uninstall removes, in order", "アンインストールが削除するもの (順に)"}) + "\n";
    if (report.removing.steps.empty()) {
        out += Say(report, {"  nothing: the Uninstaller cannot read its records", "  なし: Uninstaller は記録を読めない"}) +
               "\n";
    }
    AppendSteps(out, report);

    out += "\n" +
           Say(report, {"In the game folder, listed nowhere (they stay, and so do their folders)",
                        "ゲームフォルダーにあり、どの記録にもないもの (残り、そのフォルダーも残る)"}) +
           "\n";
    if (report.unlisted.empty()) out += "  " + Say(report, {"none", "なし"}) + "\n";
    const std::vector<Unlisted>& unlisted = report.unlisted;
    for (std::size_t i = 0; i < unlisted.size();) {
        // A run of alike ones (same kind, keeping the same folder) by its first few.
        std::size_t end = i + 1;
        while (end < unlisted.size() && unlisted[end].kind == unlisted[i].kind && unlisted[end].keeps == unlisted[i].keeps) {
            ++end;
        }
        const bool grouped = end - i > kAlikeRun;
        for (std::size_t k = i; k < (grouped ? i + kAlikeShown : end); ++k) AppendUnlisted(out, report, unlisted[k]);
        if (grouped) {
            out += Say(report, {"  ... and {1} more {2}s that keep {3}", "  ... ほか {1} 個の{2}が {3} を残す"},
                       {Thousands(end - i - kAlikeShown), UnlistedKindWords(report, unlisted[i].kind),
                        KeptFolder(report, unlisted[i])}) +
                   "\n";
        }
        i = end;
    }

    out += "\n" + Say(report, {"Message boxes of the dry run, in order", "ドライランで出るメッセージボックス (順に)"}) + "\n";
    for (const Run* run : {&report.prefclear, &report.asking, &report.removing}) {
        for (const Box& box : run->boxes) out += "  " + BoxLine(box, "    ") + "\n";
    }

    if (!report.prefclearShipped && report.prefclear.ran) {
        out += "\n" +
               Say(report, {"Prefclear.exe is neither in the game folder nor listed: what Prefclear would say is told as notes",
                            "Prefclear.exe はゲームフォルダーにも記録にもない: Prefclear について分かることは注記として示す"}) +
               "\n";
    }
    if (!report.saveFolder.empty()) {
        out += "\n" + Say(report, {"Prefclear resets, in {1}", "Prefclear が {1} でリセットするもの"}, {Text(report.saveFolder)}) +
               "\n ";
        for (std::size_t i = 0; i < report.prefclear.steps.size(); ++i) {
            const Step& step = report.prefclear.steps[i];
            out += (i == 0 ? " " : ", ") + Text(step.path.substr(step.path.rfind('\\') + 1));
        }
        out += "\n";
    }

    AppendFindings(out, report);
    const std::string suppressed = SuppressedLine(report);
    if (!suppressed.empty()) out += "\n" + suppressed;

    out += "\n" + ResultLine(report);
    stream << WithoutTrailingBlanks(out);
}

void WriteGcc(std::ostream& out, const Report& report) {
    std::string folder = Utf8FromHost(report.hostFolder);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (const Finding& finding : report.findings) {
        if (finding.suppression != Suppression::None) continue;
        // A file below the game folder is named on this machine; another
        // (an include elsewhere) by its Windows path.
        std::string file = ShownFile(report, finding);
        const bool windowsPath = !finding.hostFile && file.size() > 1 && file[1] == ':';
        if (!windowsPath) {
            if (!finding.hostFile) {
                for (char& c : file) c = c == '\\' ? '/' : c;
            }
            file = file == "." ? folder : folder + "/" + file;
        }
        std::string what = FindingProblem(report, finding);
        const std::string found = FindingFound(report, finding);
        if (!found.empty()) what = "\"" + OneLine(found) + "\": " + what;
        out << file << ':' << finding.line << ':' << finding.column << ": " << SeverityName(finding.severity) << ": "
            << Flat(what) << "; " << Flat(FindingFix(report, finding)) << " [" << finding.code << "]\n";
    }
}

void WriteSummary(std::ostream& stream, const Report& report) {
    std::map<std::string, std::size_t> counts;
    std::size_t bySeverity[3] = {0, 0, 0};
    for (const Finding& finding : report.findings) {
        if (finding.suppression != Suppression::None) continue;
        ++counts[finding.code];
        ++bySeverity[static_cast<int>(finding.severity)];
    }
    std::string out = Utf8FromHost(report.hostFolder) + ": " +
                      Say(report, {"{1} errors, {2} warnings, {3} notes", "エラー {1} 件、警告 {2} 件、注記 {3} 件"},
                          {Thousands(bySeverity[0]), Thousands(bySeverity[1]), Thousands(bySeverity[2])}) +
                      "\n";
    for (std::size_t i = 0; i < kFindingKindCount; ++i) {
        const FindingKind& kind = *kAllFindingKinds[i];
        const auto count = counts.find(kind.code);
        if (count != counts.end()) out += "  " + Padded(kind.code, 6) + Padded(Thousands(count->second), 8) + kind.title.In(report.language) + "\n";
    }
    stream << out << SuppressedLine(report) << ResultLine(report);
}

void WriteSuppressedCount(std::ostream& out, const Report& report) {
    const std::string line = SuppressedLine(report);
    if (!line.empty()) out << "recordcheck: " << line;
}

}  // namespace recordcheck
