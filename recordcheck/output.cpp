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
    bool warning = false;
    for (const Finding& finding : findings) {
        if (finding.severity == Severity::Error) return 2;
        if (finding.severity == Severity::Warning) warning = true;
    }
    return warning ? 1 : 0;
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

std::string BoxLine(const Box& box, const std::string& indent) {
    return box.program + " [" + FlagNames(box.flags) + "] " + Indented(Text(box.text), indent);
}

std::string Padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string Thousands(std::size_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

const char* SectionTitle(const std::string& section) {
    if (section == "shortcuts") return "Shortcuts and menu folders";
    if (section == "files") return "Files";
    if (section == "folders") return "Folders, deepest first";
    if (section == "records") return "Records";
    if (section == "game folder") return "Game folder";
    if (section == "maker folder") return "Maker folder";
    if (section == "registry")
        return "Registry (the 32-bit view: HKLM\\SOFTWARE is HKLM\\SOFTWARE\\WOW6432Node on 64-bit Windows)";
    return "";
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
    out += "    " + Padded(OutcomeName(step.outcome), 12) + OneLine(ShownPath(report, step));
    const std::string why = DescribeStep(step);
    if (!why.empty()) out += "  (" + why + ")";
    if (step.warning) out += "  !";
    out += "\n";
    const std::string indent(20, ' ');
    for (std::size_t box : step.Boxes()) {
        out += indent + "box: " + BoxLine(report.removing.boxes[box], indent + "     ") + "\n";
    }
}

void AppendSteps(std::string& out, const Report& report) {
    const std::deque<Step>& steps = report.removing.steps;
    std::string section;
    for (std::size_t i = 0; i < steps.size();) {
        if (SectionName(steps[i].kind) != section) {
            section = SectionName(steps[i].kind);
            out += std::string("  ") + SectionTitle(section) + "\n";
        }
        std::size_t end = i + 1;
        while (end < steps.size() && Alike(steps[i], steps[end])) ++end;
        const bool grouped = end - i > kAlikeRun;
        for (std::size_t k = i; k < (grouped ? i + kAlikeShown : end); ++k) AppendStep(out, report, steps[k]);
        if (grouped) {
            const std::string why = DescribeStep(steps[i]);
            out += "    ... and " + Thousands(end - i - kAlikeShown) + " more " + KindName(steps[i].kind) + "s, " +
                   OutcomeName(steps[i].outcome) + (why.empty() ? "" : " (" + why + ")") + "\n";
        }
        i = end;
    }
}

void AppendUnlisted(std::string& out, const Unlisted& item) {
    out += "  " + Padded(item.kind, 8) + OneLine(item.path) + "\n";
    out += "          keeps " + (item.keeps.empty() ? std::string("the game folder") : OneLine(item.keeps));
    if (item.shows.empty()) {
        out += ", without a message\n";
    } else {
        const std::string indent(16, ' ');
        out += "; the user sees\n" + indent + BoxLine(item.shows.front(), indent) + "\n";
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
    out += "  " + Padded(SeverityName(finding.severity), 8) + finding.code + " " + FindingPlace(report, finding) + "\n";
    std::string what = FindingProblem(report, finding);
    const std::string found = FindingFound(report, finding);
    if (!found.empty()) what = "found \"" + OneLine(found) + "\": " + what;
    out += "          " + what + "\n";
    out += "          fix: " + FindingFix(report, finding) + "\n";
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
        if (!withStep) out += "          shows " + BoxLine(box, indent) + "\n";
    }
    for (std::size_t i = 0; i < finding.consequences.size() && i < kConsequencesShown; ++i) {
        const Step& step = report.removing.steps[finding.consequences[i]];
        std::string line = "          then  " + Padded(OutcomeName(step.outcome), 10) + OneLine(ShownPath(report, step));
        const std::string why = DescribeStep(step);
        if (!why.empty()) line += "  (" + why + ")";
        out += line + "\n";
        for (std::size_t box : step.Boxes()) {
            out += indent + "box: " + BoxLine(report.removing.boxes[box], indent + "     ") + "\n";
        }
    }
    if (finding.consequences.size() > kConsequencesShown) {
        out += "          then  ... and " + Thousands(finding.consequences.size() - kConsequencesShown) + " more steps\n";
    }
}

void AppendFindings(std::string& out, const Report& report) {
    const std::vector<Finding>& findings = report.findings;
    std::map<std::string, std::size_t> total;
    for (const Finding& finding : findings) ++total[finding.code];
    std::map<std::string, std::size_t> shown;
    for (const Finding& finding : findings) {
        const std::size_t count = total[finding.code];
        std::size_t& seen = shown[finding.code];
        ++seen;
        if (count <= kAlikeRun || seen <= kAlikeShown) {
            AppendFinding(out, report, finding);
        } else if (seen == count) {
            out += "  ... and " + Thousands(count - kAlikeShown) + " more " + finding.code +
                   " findings like these\n";
        }
    }
}

}  // namespace

void WriteText(std::ostream& stream, const Report& report) {
    std::string out;
    out += "Game folder   " + Utf8FromHost(report.hostFolder) + "\n";
    out += "Checked as    " + Text(report.gameFolder) + "\n";
    out += "              (" + report.placement + ")\n";
    for (const std::string& other : report.otherGames) out += "Beside it     " + Text(other) + "\n";
    for (const std::string& key : report.notInstalled) out += "Not there     the " + key + " (--not-installed)\n";

    out += "\nRecords\n";
    for (const RecordFile& record : report.records) {
        out += "  " + Padded(record.state, 12) + Text(record.file) + "\n";
        for (const auto& value : record.values) {
            out += std::string(16, ' ') + Padded(value.first, 33) + OneLine(value.second) + "\n";
        }
    }

    out += "\nWhat an uninstall removes, in order\n";
    if (report.removing.steps.empty()) out += "  nothing: the Uninstaller cannot read its records\n";
    AppendSteps(out, report);

    out += "\nIn the game folder, listed nowhere (they stay, and so do their folders)\n";
    if (report.unlisted.empty()) out += "  none\n";
    const std::vector<Unlisted>& unlisted = report.unlisted;
    for (std::size_t i = 0; i < unlisted.size();) {
        // A run of alike ones (same kind, keeping the same folder) by its first few.
        std::size_t end = i + 1;
        while (end < unlisted.size() && unlisted[end].kind == unlisted[i].kind && unlisted[end].keeps == unlisted[i].keeps) {
            ++end;
        }
        const bool grouped = end - i > kAlikeRun;
        for (std::size_t k = i; k < (grouped ? i + kAlikeShown : end); ++k) AppendUnlisted(out, unlisted[k]);
        if (grouped) {
            out += "  ... and " + Thousands(end - i - kAlikeShown) + " more " + unlisted[i].kind + "s that keep " +
                   (unlisted[i].keeps.empty() ? std::string("the game folder") : OneLine(unlisted[i].keeps)) + "\n";
        }
        i = end;
    }

    out += "\nMessage boxes of the dry run, in order\n";
    for (const Run* run : {&report.prefclear, &report.asking, &report.removing}) {
        for (const Box& box : run->boxes) out += "  " + BoxLine(box, "    ") + "\n";
    }

    if (!report.prefclearShipped && report.prefclear.ran) {
        out += "\nPrefclear.exe is neither in the game folder nor listed: what Prefclear would say is told as notes\n";
    }
    if (!report.saveFolder.empty()) {
        out += "\nPrefclear resets, in " + Text(report.saveFolder) + "\n ";
        for (std::size_t i = 0; i < report.prefclear.steps.size(); ++i) {
            const Step& step = report.prefclear.steps[i];
            out += (i == 0 ? " " : ", ") + Text(step.path.substr(step.path.rfind('\\') + 1));
        }
        out += "\n";
    }

    if (!report.findings.empty()) out += "\nFindings\n";
    AppendFindings(out, report);

    const int code = report.ExitCode();
    out += "\nResult: " + std::string(ResultName(code)) + " (exit " + std::to_string(code) + ")\n";
    stream << WithoutTrailingBlanks(out);
}

void WriteGcc(std::ostream& out, const Report& report) {
    std::string folder = Utf8FromHost(report.hostFolder);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (const Finding& finding : report.findings) {
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
        ++counts[finding.code];
        ++bySeverity[static_cast<int>(finding.severity)];
    }
    std::string out = Utf8FromHost(report.hostFolder) + ": " + Thousands(bySeverity[0]) + " errors, " +
                      Thousands(bySeverity[1]) + " warnings, " + Thousands(bySeverity[2]) + " notes\n";
    for (std::size_t i = 0; i < kFindingKindCount; ++i) {
        const FindingKind& kind = *kAllFindingKinds[i];
        const auto count = counts.find(kind.code);
        if (count != counts.end()) out += "  " + Padded(kind.code, 6) + Padded(Thousands(count->second), 8) + kind.title + "\n";
    }
    const int code = report.ExitCode();
    stream << out << "Result: " << ResultName(code) << " (exit " << code << ")\n";
}

}  // namespace recordcheck
