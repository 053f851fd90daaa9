// The report as one JSON document (UTF-8); its shape is
// docs/recordcheck.schema.json. Written as it goes: a list of a hundred
// thousand entries makes a document of tens of megabytes.
#include <ostream>

#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/output.h"
#include "recordcheck/steps.h"

namespace recordcheck {

namespace {

std::string J(const std::string& cp932) { return JsonString(Utf8FromCp932(cp932)); }

// CP932 text as a JSON string, appended.
void AppendText(std::string& out, std::string_view cp932) { AppendJsonString(out, Utf8FromCp932(cp932)); }

// The exact bytes, for a reader that compares them with what a program shows.
void AppendHex(std::string& out, std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0xF]);
    }
    out.push_back('"');
}

// A list of items, each written by `write` into a line of its own at
// `indent`; a line is made whole, then written.
template <typename Items, typename Write>
void List(std::ostream& o, const Items& items, const std::string& indent, Write write) {
    if (items.empty()) {
        o << "[]";
        return;
    }
    o << '[';
    std::string line;
    bool first = true;
    for (const auto& item : items) {
        line.assign(first ? "\n" : ",\n");
        line += indent;
        line += "  ";
        write(line, item);
        o.write(line.data(), static_cast<std::streamsize>(line.size()));
        first = false;
    }
    o << '\n' << indent << ']';
}

void AppendBox(std::string& out, const Box& box) {
    out += "{\"program\": ";
    AppendJsonString(out, box.program);
    out += ", \"caption\": ";
    AppendText(out, box.caption);
    out += ", \"caption_hex\": ";
    AppendHex(out, box.caption);
    out += ", \"text\": ";
    AppendText(out, box.text);
    out += ", \"text_hex\": ";
    AppendHex(out, box.text);
    out += ", \"flags\": " + std::to_string(box.flags) + ", \"flag_names\": ";
    AppendJsonString(out, FlagNames(box.flags));
    out += '}';
}

void AppendBoxes(std::string& out, const std::vector<Box>& boxes) {
    out += '[';
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (i != 0) out += ", ";
        AppendBox(out, boxes[i]);
    }
    out += ']';
}

void AppendStep(std::string& out, const Step& step, Language language) {
    out += "{\"kind\": \"";
    out += KindName(step.kind);
    out += "\", \"section\": \"";
    out += SectionName(step.kind);
    out += "\", \"path\": ";
    AppendText(out, step.path);
    out += ", \"path_hex\": ";
    AppendHex(out, step.path);
    out += ", \"outcome\": \"";
    out += OutcomeName(step.outcome);
    out += "\", \"reason\": \"";
    out += ReasonName(step.reason);
    out += "\", \"error\": " + std::to_string(step.error) + ", \"at\": ";
    AppendText(out, step.At());
    out += ", \"field\": ";
    AppendJsonString(out, step.Field());
    out += ", \"detail\": ";
    AppendJsonString(out, DescribeStep(step, language));
    out += step.warning ? ", \"warning\": true, \"boxes\": [" : ", \"warning\": false, \"boxes\": [";
    for (std::size_t i = 0; i < step.Boxes().size(); ++i) out += (i == 0 ? "" : ", ") + std::to_string(step.Boxes()[i]);
    out += "]}";
}

void WriteRun(std::ostream& o, const Run& run, const std::string& indent, bool withSteps, Language language) {
    o << "{\"ran\": " << (run.ran ? "true" : "false") << ", \"exit_code\": " << run.exitCode << ",\n"
      << indent << "  \"boxes\": ";
    List(o, run.boxes, indent + "  ", AppendBox);
    if (withSteps) {
        o << ",\n" << indent << "  \"steps\": ";
        List(o, run.steps, indent + "  ", [language](std::string& out, const Step& step) { AppendStep(out, step, language); });
    }
    o << '}';
}

// How a finding was suppressed, as a JSON value.
const char* SuppressionName(Suppression suppression) {
    switch (suppression) {
        case Suppression::None: return "null";
        case Suppression::Disabled: return "\"disabled\"";
        case Suppression::Baseline: return "\"baseline\"";
    }
    return "null";
}

void AppendFinding(std::string& out, const Report& report, const Finding& finding) {
    out += "{\"code\": \"";
    out += finding.code;
    out += "\", \"severity\": \"";
    out += SeverityName(finding.severity);
    out += "\", \"suppressed\": ";
    out += SuppressionName(finding.suppression);
    out += ", \"file\": ";
    if (finding.hostFile) {
        AppendJsonString(out, finding.file);
    } else {
        AppendText(out, FindingFile(report, finding));
    }
    out += ", \"line\": " + std::to_string(finding.line) + ", \"column\": " + std::to_string(finding.column) +
           ", \"offset\": " + (finding.hasOffset ? std::to_string(finding.offset) : std::string("null")) +
           ", \"found\": ";
    AppendText(out, FindingFound(report, finding));
    out += ", \"problem\": ";
    AppendJsonString(out, FindingProblem(report, finding));
    out += ", \"fix\": ";
    AppendJsonString(out, FindingFix(report, finding));
    out += ", \"shows\": ";
    AppendBoxes(out, finding.shows);
    out += ", \"consequences\": [";
    for (std::size_t i = 0; i < finding.consequences.size(); ++i) {
        if (i != 0) out += ", ";
        out += std::to_string(finding.consequences[i]);
    }
    out += "]}";
}

}  // namespace

void WriteJson(std::ostream& o, const Report& report) {
    const int code = report.ExitCode();
    std::size_t severities[3] = {0, 0, 0};
    std::size_t suppressed = 0;
    for (const Finding& finding : report.findings) {
        if (finding.suppression == Suppression::None) {
            ++severities[static_cast<int>(finding.severity)];
        } else {
            ++suppressed;
        }
    }
    std::size_t outcomes[4] = {0, 0, 0, 0};
    for (const Step& step : report.removing.steps) ++outcomes[static_cast<int>(step.outcome)];

    o << "{\n";
    o << "  \"format\": " << kJsonFormatVersion << ",\n";
    o << "  \"version\": " << JsonString(RECORDCHECK_VERSION) << ",\n";
    o << "  \"folder\": " << JsonString(Utf8FromHost(report.hostFolder)) << ",\n";
    o << "  \"game_folder\": " << J(report.gameFolder) << ",\n";
    o << "  \"placement\": " << JsonString(report.placement) << ",\n";
    o << "  \"other_games\": ";
    List(o, report.otherGames, "  ", AppendText);
    o << ",\n";
    o << "  \"not_installed\": ";
    List(o, report.notInstalled, "  ", AppendJsonString);
    o << ",\n";
    o << "  \"exit_code\": " << code << ",\n";
    o << "  \"result\": " << JsonString(ResultName(code)) << ",\n";
    o << "  \"summary\": {\"errors\": " << severities[0] << ", \"warnings\": " << severities[1]
      << ", \"notes\": " << severities[2] << ", \"removed\": " << outcomes[0] << ", \"stays\": " << outcomes[1]
      << ", \"refused\": " << outcomes[2] << ", \"not_there\": " << outcomes[3] << ", \"suppressed\": " << suppressed
      << "},\n";
    o << "  \"records\": ";
    List(o, report.records, "  ", [](std::string& out, const RecordFile& record) {
        out += "{\"file\": ";
        AppendText(out, record.file);
        out += ", \"state\": ";
        AppendJsonString(out, record.state);
        out += ", \"values\": [";
        for (std::size_t v = 0; v < record.values.size(); ++v) {
            out += v == 0 ? "{\"name\": " : ", {\"name\": ";
            AppendJsonString(out, record.values[v].first);
            out += ", \"value\": ";
            AppendText(out, record.values[v].second);
            out += '}';
        }
        out += "]}";
    });
    o << ",\n  \"uninstaller\": {\n    \"asking\": ";
    WriteRun(o, report.asking, "    ", false, report.language);
    o << ",\n    \"removing\": ";
    WriteRun(o, report.removing, "    ", true, report.language);
    o << "\n  },\n  \"prefclear\": ";
    WriteRun(o, report.prefclear, "  ", true, report.language);
    o << ",\n  \"prefclear_shipped\": " << (report.prefclearShipped ? "true" : "false");
    o << ",\n  \"save_folder\": " << J(report.saveFolder) << ",\n  \"unlisted\": ";
    List(o, report.unlisted, "  ", [](std::string& out, const Unlisted& item) {
        out += "{\"path\": ";
        AppendText(out, item.path);
        out += ", \"kind\": ";
        AppendJsonString(out, item.kind);
        out += ", \"keeps\": ";
        AppendText(out, item.keeps);
        out += ", \"shows\": ";
        AppendBoxes(out, item.shows);
        out += '}';
    });
    o << ",\n  \"findings\": ";
    List(o, report.findings, "  ",
         [&](std::string& out, const Finding& finding) { AppendFinding(out, report, finding); });
    o << "\n}\n";
}

}  // namespace recordcheck
