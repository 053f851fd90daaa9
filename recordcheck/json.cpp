// The report as one JSON document (UTF-8); its shape is
// docs/recordcheck.schema.json.
#include <cstdio>

#include "recordcheck/encoding.h"
#include "recordcheck/output.h"
#include "recordcheck/steps.h"

namespace recordcheck {

namespace {

std::string J(const std::string& cp932) { return JsonString(Utf8FromCp932(cp932)); }

// The exact bytes, for a reader that compares them with what a program shows.
std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0xF]);
    }
    return out + "\"";
}

// A list of items, each written by `write`, one a line at `indent`.
template <typename Items, typename Write>
std::string List(const Items& items, const std::string& indent, Write write) {
    if (items.empty()) return "[]";
    std::string out = "[";
    bool first = true;
    for (const auto& item : items) {
        out += (first ? "\n" : ",\n") + indent + "  " + write(item);
        first = false;
    }
    return out + "\n" + indent + "]";
}

std::string JsonBox(const Box& box) {
    return "{\"program\": " + JsonString(box.program) + ", \"caption\": " + J(box.caption) +
           ", \"caption_hex\": " + Hex(box.caption) + ", \"text\": " + J(box.text) + ", \"text_hex\": " +
           Hex(box.text) + ", \"flags\": " + std::to_string(box.flags) + ", \"flag_names\": " +
           JsonString(FlagNames(box.flags)) + "}";
}

std::string JsonBoxes(const std::vector<Box>& boxes, const std::string& indent) {
    return List(boxes, indent, JsonBox);
}

std::string JsonStep(const Step& step) {
    std::string boxes = "[";
    for (std::size_t i = 0; i < step.boxes.size(); ++i) boxes += (i == 0 ? "" : ", ") + std::to_string(step.boxes[i]);
    return "{\"kind\": " + JsonString(KindName(step.kind)) + ", \"section\": " + JsonString(SectionName(step.kind)) +
           ", \"path\": " + J(step.path) + ", \"path_hex\": " + Hex(step.path) + ", \"outcome\": " +
           JsonString(OutcomeName(step.outcome)) + ", \"reason\": " + JsonString(ReasonName(step.reason)) +
           ", \"error\": " + std::to_string(step.error) + ", \"at\": " + J(step.at) + ", \"field\": " +
           JsonString(step.field) + ", \"detail\": " + JsonString(DescribeStep(step)) + ", \"warning\": " +
           (step.warning ? "true" : "false") + ", \"boxes\": " + boxes + "]}";
}

std::string JsonRun(const Run& run, const std::string& indent, bool withSteps) {
    std::string out = "{\"ran\": " + std::string(run.ran ? "true" : "false") +
                      ", \"exit_code\": " + std::to_string(run.exitCode) + ",\n" + indent +
                      "  \"boxes\": " + JsonBoxes(run.boxes, indent + "  ");
    if (withSteps) out += ",\n" + indent + "  \"steps\": " + List(run.steps, indent + "  ", JsonStep);
    return out + "}";
}

std::string JsonFinding(const Finding& finding) {
    return "{\"code\": " + JsonString(finding.code) + ", \"severity\": " + JsonString(SeverityName(finding.severity)) +
           ", \"file\": " + J(finding.file) + ", \"line\": " + std::to_string(finding.line) + ", \"column\": " +
           std::to_string(finding.column) + ", \"offset\": " +
           (finding.hasOffset ? std::to_string(finding.offset) : std::string("null")) + ", \"found\": " +
           J(finding.found) + ", \"problem\": " + JsonString(finding.problem) + ", \"fix\": " +
           JsonString(finding.fix) + ", \"shows\": " + List(finding.shows, "    ", JsonBox) + "}";
}

}  // namespace

std::string FormatJson(const Report& report) {
    const int code = report.ExitCode();
    std::size_t severities[3] = {0, 0, 0};
    for (const Finding& finding : report.findings) ++severities[static_cast<int>(finding.severity)];
    std::size_t outcomes[4] = {0, 0, 0, 0};
    for (const Step& step : report.removing.steps) ++outcomes[static_cast<int>(step.outcome)];

    std::string out = "{\n";
    out += "  \"format\": " + std::to_string(kJsonFormatVersion) + ",\n";
    out += "  \"version\": " + JsonString(RECORDCHECK_VERSION) + ",\n";
    out += "  \"folder\": " + JsonString(Utf8FromHost(report.hostFolder)) + ",\n";
    out += "  \"game_folder\": " + J(report.gameFolder) + ",\n";
    out += "  \"placement\": " + JsonString(report.placement) + ",\n";
    out += "  \"other_games\": " + List(report.otherGames, "  ", J) + ",\n";
    out += "  \"exit_code\": " + std::to_string(code) + ",\n";
    out += "  \"result\": " + JsonString(ResultName(code)) + ",\n";
    out += "  \"summary\": {\"errors\": " + std::to_string(severities[0]) + ", \"warnings\": " +
           std::to_string(severities[1]) + ", \"notes\": " + std::to_string(severities[2]) +
           ", \"removed\": " + std::to_string(outcomes[0]) + ", \"stays\": " + std::to_string(outcomes[1]) +
           ", \"refused\": " + std::to_string(outcomes[2]) + ", \"not_there\": " + std::to_string(outcomes[3]) +
           "},\n";
    out += "  \"records\": " + List(report.records, "  ", [](const RecordFile& record) {
        std::string values = "[";
        for (std::size_t v = 0; v < record.values.size(); ++v) {
            values += (v == 0 ? "" : ", ");
            values += "{\"name\": " + JsonString(record.values[v].first) + ", \"value\": " + J(record.values[v].second) + "}";
        }
        return "{\"file\": " + J(record.file) + ", \"state\": " + JsonString(record.state) + ", \"values\": " + values + "]}";
    }) + ",\n";
    out += "  \"uninstaller\": {\n";
    out += "    \"asking\": " + JsonRun(report.asking, "    ", false) + ",\n";
    out += "    \"removing\": " + JsonRun(report.removing, "    ", true) + "\n";
    out += "  },\n";
    out += "  \"prefclear\": " + JsonRun(report.prefclear, "  ", true) + ",\n";
    out += "  \"save_folder\": " + J(report.saveFolder) + ",\n";
    out += "  \"unlisted\": " + List(report.unlisted, "  ", [](const Unlisted& item) {
        return "{\"path\": " + J(item.path) + ", \"kind\": " + JsonString(item.kind) + ", \"keeps\": " + J(item.keeps) +
               ", \"shows\": " + List(item.shows, "    ", JsonBox) + "}";
    }) + ",\n";
    out += "  \"findings\": " + List(report.findings, "  ", JsonFinding) + "\n";
    out += "}\n";
    return out;
}

}  // namespace recordcheck
