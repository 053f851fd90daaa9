#include "recordcheck/output.h"

#include <cstdio>

#include "platform/win32.h"
#include "recordcheck/encoding.h"

namespace recordcheck {

int Report::ExitCode() const {
    bool warning = !unlisted.empty();
    for (const Finding& finding : findings) {
        if (finding.severity == Severity::Error) return 2;
        if (finding.severity == Severity::Warning) warning = true;
    }
    for (const Step& step : steps) warning = warning || step.warning;
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

namespace {

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

std::string Text(const std::string& cp932) { return Utf8FromCp932(cp932); }

// A token on one line of the terminal: control bytes become spaces.
std::string OneLine(const std::string& cp932) {
    std::string line = Text(cp932);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return line;
}

// ---- text ------------------------------------------------------------------------

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

void AppendStep(std::string& out, const Step& step) {
    out += "    " + Padded(step.outcome, 12) + OneLine(step.path);
    if (!step.reason.empty()) out += "  (" + step.reason + ")";
    if (step.warning) out += "  !";
    out += "\n";
    const std::string indent(20, ' ');
    for (const Box& box : step.boxes) out += indent + "box: " + BoxLine(box, indent + "     ") + "\n";
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

std::string FindingPlace(const Finding& finding) {
    std::string place = OneLine(finding.file);
    if (finding.hasOffset) {
        place += ", byte " + std::to_string(finding.offset) + " (line " + std::to_string(finding.line) + ", column " +
                 std::to_string(finding.column) + ")";
    }
    return place;
}

}  // namespace

std::string FormatText(const Report& report) {
    std::string out;
    out += "Game folder   " + Utf8FromHost(report.hostFolder) + "\n";
    out += "Checked as    " + Text(report.gameFolder) + "\n";
    out += "              (" + report.placement + ")\n";

    out += "\nRecords\n";
    for (const RecordFile& record : report.records) {
        out += "  " + Padded(record.state, 12) + Text(record.file) + "\n";
        for (const auto& value : record.values) {
            out += std::string(16, ' ') + Padded(value.first, 33) + OneLine(value.second) + "\n";
        }
    }

    out += "\nWhat an uninstall removes, in order\n";
    if (report.steps.empty()) out += "  nothing: the Uninstaller cannot read its records\n";
    std::string section;
    for (const Step& step : report.steps) {
        if (step.section != section) {
            section = step.section;
            out += std::string("  ") + SectionTitle(section) + "\n";
        }
        AppendStep(out, step);
    }

    out += "\nIn the game folder, listed nowhere (they stay, and so do their folders)\n";
    if (report.unlisted.empty()) out += "  none\n";
    for (const Unlisted& item : report.unlisted) {
        out += "  " + Padded(item.kind, 8) + OneLine(item.path) + "\n";
        out += "          keeps " + (item.keeps.empty() ? std::string("the game folder") : OneLine(item.keeps));
        if (item.shows.empty()) {
            out += ", without a message\n";
        } else {
            const std::string indent(16, ' ');
            out += "; the user sees\n" + indent + BoxLine(item.shows.front(), indent) + "\n";
        }
    }

    out += "\nMessage boxes of the dry run, in order\n";
    for (const Box& box : report.boxes) out += "  " + BoxLine(box, "    ") + "\n";

    if (!report.saveFolder.empty()) {
        out += "\nPrefclear resets, in " + Text(report.saveFolder) + "\n ";
        for (std::size_t i = 0; i < report.resetFiles.size(); ++i) out += (i == 0 ? " " : ", ") + report.resetFiles[i];
        out += "\n";
    }

    if (!report.findings.empty()) out += "\nFindings\n";
    for (const Finding& finding : report.findings) {
        out += "  " + Padded(SeverityName(finding.severity), 8) + FindingPlace(finding) + "\n";
        std::string what = finding.problem;
        if (!finding.found.empty()) what = "found \"" + OneLine(finding.found) + "\": " + what;
        out += "          " + what + "\n";
        const std::string indent(16, ' ');
        for (const Box& box : finding.shows) out += "          shows " + BoxLine(box, indent) + "\n";
    }

    const int code = report.ExitCode();
    out += "\nResult: " + std::string(ResultName(code)) + " (exit " + std::to_string(code) + ")\n";
    return WithoutTrailingBlanks(out);
}

// ---- JSON -----------------------------------------------------------------------

namespace {

std::string J(const std::string& cp932) { return JsonString(Text(cp932)); }

std::string JsonBoxes(const std::vector<Box>& boxes) {
    std::string out = "[";
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const Box& box = boxes[i];
        out += (i == 0 ? "" : ", ");
        out += "{\"program\": " + JsonString(box.program) + ", \"caption\": " + J(box.caption) +
               ", \"text\": " + J(box.text) + ", \"flags\": " + std::to_string(box.flags) +
               ", \"flag_names\": " + JsonString(FlagNames(box.flags)) + "}";
    }
    return out + "]";
}

std::string JsonBool(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string FormatJson(const Report& report) {
    const int code = report.ExitCode();
    std::string out = "{\n";
    out += "  \"format\": " + std::to_string(kJsonFormatVersion) + ",\n";
    out += "  \"folder\": " + JsonString(Utf8FromHost(report.hostFolder)) + ",\n";
    out += "  \"game_folder\": " + J(report.gameFolder) + ",\n";
    out += "  \"placement\": " + JsonString(report.placement) + ",\n";
    out += "  \"exit_code\": " + std::to_string(code) + ",\n";
    out += "  \"result\": " + JsonString(ResultName(code)) + ",\n";

    out += "  \"records\": [";
    for (std::size_t i = 0; i < report.records.size(); ++i) {
        const RecordFile& record = report.records[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"file\": " + J(record.file) +
               ", \"state\": " + JsonString(record.state) + ", \"values\": [";
        for (std::size_t v = 0; v < record.values.size(); ++v) {
            out += (v == 0 ? "" : ", ");
            out += "{\"name\": " + JsonString(record.values[v].first) + ", \"value\": " + J(record.values[v].second) + "}";
        }
        out += "]}";
    }
    out += report.records.empty() ? "],\n" : "\n  ],\n";

    out += "  \"removal\": [";
    for (std::size_t i = 0; i < report.steps.size(); ++i) {
        const Step& step = report.steps[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"section\": " + JsonString(step.section) +
               ", \"path\": " + J(step.path) + ", \"outcome\": " + JsonString(step.outcome) +
               ", \"reason\": " + JsonString(step.reason) + ", \"warning\": " + JsonBool(step.warning) +
               ", \"boxes\": " + JsonBoxes(step.boxes) + "}";
    }
    out += report.steps.empty() ? "],\n" : "\n  ],\n";

    out += "  \"unlisted\": [";
    for (std::size_t i = 0; i < report.unlisted.size(); ++i) {
        const Unlisted& item = report.unlisted[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"path\": " + J(item.path) + ", \"kind\": " +
               JsonString(item.kind) + ", \"keeps\": " + J(item.keeps) + ", \"shows\": " + JsonBoxes(item.shows) + "}";
    }
    out += report.unlisted.empty() ? "],\n" : "\n  ],\n";

    out += "  \"boxes\": " + JsonBoxes(report.boxes) + ",\n";

    out += "  \"findings\": [";
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& finding = report.findings[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"severity\": " +
               JsonString(SeverityName(finding.severity)) + ", \"file\": " + J(finding.file);
        if (finding.hasOffset) {
            out += ", \"offset\": " + std::to_string(finding.offset) + ", \"line\": " + std::to_string(finding.line) +
                   ", \"column\": " + std::to_string(finding.column);
        } else {
            out += ", \"offset\": null, \"line\": null, \"column\": null";
        }
        out += ", \"found\": " + J(finding.found) + ", \"problem\": " + JsonString(finding.problem) +
               ", \"shows\": " + JsonBoxes(finding.shows) + "}";
    }
    out += report.findings.empty() ? "],\n" : "\n  ],\n";

    out += "  \"prefclear\": ";
    if (report.saveFolder.empty()) {
        out += "null\n";
    } else {
        out += "{\"save_folder\": " + J(report.saveFolder) + ", \"files\": [";
        for (std::size_t i = 0; i < report.resetFiles.size(); ++i) {
            out += (i == 0 ? "" : ", ") + J(report.resetFiles[i]);
        }
        out += "]}\n";
    }
    out += "}\n";
    return out;
}

}  // namespace recordcheck
