// The report as one JSON document (UTF-8); its shape is
// docs/recordcheck.schema.json. Written with nlohmann-json as it goes, one
// value an item: a list of a hundred thousand entries makes a document of
// tens of megabytes, which is never held whole.
#include <ostream>

#include <nlohmann/json.hpp>

#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/output.h"
#include "recordcheck/steps.h"

namespace recordcheck {

namespace {

using Json = nlohmann::ordered_json;

// One value as JSON text. Every text is UTF-8 by now (CP932 converted, a
// byte that forms no character as U+FFFD); a host name that is not UTF-8
// either is shown with U+FFFD rather than refused.
std::string Dumped(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// CP932 text as a JSON string.
Json Text(std::string_view cp932) { return Utf8FromCp932(cp932); }

// The exact bytes, for a reader that compares them with what a program
// shows, written into `hex`.
void HexInto(std::string& hex, std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    hex.clear();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += {kDigits[byte >> 4], kDigits[byte & 0xF]};
    }
}

std::string Hex(std::string_view bytes) {
    std::string hex;
    HexInto(hex, bytes);
    return hex;
}

// A list of items, each made a value by `make` and written on a line of its
// own at `indent`.
template <typename Items, typename Make>
void List(std::ostream& o, const Items& items, const std::string& indent, Make make) {
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
        line += Dumped(make(item));
        o.write(line.data(), static_cast<std::streamsize>(line.size()));
        first = false;
    }
    o << '\n' << indent << ']';
}

Json BoxValue(const Box& box) {
    return {{"program", box.program},          {"caption", Text(box.caption)}, {"caption_hex", Hex(box.caption)},
            {"text", Text(box.text)},          {"text_hex", Hex(box.text)},    {"flags", box.flags},
            {"flag_names", FlagNames(box.flags)}};
}

Json Boxes(const std::vector<Box>& boxes) {
    Json list = Json::array();
    for (const Box& box : boxes) list.push_back(BoxValue(box));
    return list;
}

// A step as a value. A hundred thousand steps are written one after another:
// one object is kept and its values replaced, rather than a new object (and
// its keys) made for each.
const Json& StepValue(const Step& step, Language language) {
    static thread_local Json value = {{"kind", ""},  {"section", ""}, {"path", ""},   {"path_hex", ""},
                                      {"outcome", ""}, {"reason", ""},  {"error", 0},   {"at", ""},
                                      {"field", ""},   {"detail", ""},  {"warning", false}, {"boxes", Json::array()}};
    // The texts are written into the strings the object holds.
    const auto text = [](Json& field) -> std::string& { return field.get_ref<std::string&>(); };
    auto at = value.begin();
    text(*at++) = KindName(step.kind);
    text(*at++) = SectionName(step.kind);
    text(*at++) = Utf8FromCp932(step.path);
    HexInto(text(*at++), step.path);
    text(*at++) = OutcomeName(step.outcome);
    text(*at++) = ReasonName(step.reason);
    *at++ = step.error;
    text(*at++) = Utf8FromCp932(step.At());
    text(*at++) = step.Field();
    text(*at++) = DescribeStep(step, language);
    *at++ = step.warning;
    *at = step.Boxes();
    return value;
}

void WriteRun(std::ostream& o, const Run& run, const std::string& indent, bool withSteps, Language language) {
    o << "{\"ran\": " << (run.ran ? "true" : "false") << ", \"exit_code\": " << run.exitCode << ",\n"
      << indent << "  \"boxes\": ";
    List(o, run.boxes, indent + "  ", BoxValue);
    if (withSteps) {
        o << ",\n" << indent << "  \"steps\": ";
        List(o, run.steps, indent + "  ", [language](const Step& step) { return StepValue(step, language); });
    }
    o << '}';
}

// How a finding was suppressed: null when it counts.
Json SuppressionValue(Suppression suppression) {
    switch (suppression) {
        case Suppression::None: break;
        case Suppression::Disabled: return "disabled";
        case Suppression::Baseline: return "baseline";
    }
    return nullptr;
}

Json FindingValue(const Report& report, const Finding& finding) {
    return {{"code", finding.code},
            {"severity", SeverityName(finding.severity)},
            {"suppressed", SuppressionValue(finding.suppression)},
            {"file", finding.hostFile ? Json(finding.file) : Text(FindingFile(report, finding))},
            {"line", finding.line},
            {"column", finding.column},
            {"offset", finding.hasOffset ? Json(finding.offset) : Json(nullptr)},
            {"found", Text(FindingFound(report, finding))},
            {"problem", FindingProblem(report, finding)},
            {"fix", FindingFix(report, finding)},
            {"shows", Boxes(finding.shows)},
            {"consequences", finding.consequences}};
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
    Json otherGames = Json::array();
    for (const std::string& other : report.otherGames) otherGames.push_back(Text(other));
    const Json summary = {{"errors", severities[0]},  {"warnings", severities[1]}, {"notes", severities[2]},
                          {"removed", outcomes[0]},   {"stays", outcomes[1]},      {"refused", outcomes[2]},
                          {"not_there", outcomes[3]}, {"suppressed", suppressed}};

    o << "{\n";
    o << "  \"format\": " << kJsonFormatVersion << ",\n";
    o << "  \"version\": " << Dumped(RECORDCHECK_VERSION) << ",\n";
    o << "  \"folder\": " << Dumped(Utf8FromHost(report.hostFolder)) << ",\n";
    o << "  \"game_folder\": " << Dumped(Text(report.gameFolder)) << ",\n";
    o << "  \"placement\": " << Dumped(report.placement) << ",\n";
    o << "  \"other_games\": " << Dumped(otherGames) << ",\n";
    o << "  \"not_installed\": " << Dumped(report.notInstalled) << ",\n";
    o << "  \"exit_code\": " << code << ",\n";
    o << "  \"result\": " << Dumped(ResultName(code)) << ",\n";
    o << "  \"summary\": " << Dumped(summary) << ",\n";
    o << "  \"records\": ";
    List(o, report.records, "  ", [](const RecordFile& record) {
        Json values = Json::array();
        for (const auto& [name, value] : record.values) values.push_back({{"name", name}, {"value", Text(value)}});
        return Json{{"file", Text(record.file)}, {"state", record.state}, {"values", std::move(values)}};
    });
    o << ",\n  \"uninstaller\": {\n    \"asking\": ";
    WriteRun(o, report.asking, "    ", false, report.language);
    o << ",\n    \"removing\": ";
    WriteRun(o, report.removing, "    ", true, report.language);
    o << "\n  },\n  \"prefclear\": ";
    WriteRun(o, report.prefclear, "  ", true, report.language);
    o << ",\n  \"prefclear_shipped\": " << (report.prefclearShipped ? "true" : "false");
    o << ",\n  \"save_folder\": " << Dumped(Text(report.saveFolder)) << ",\n  \"unlisted\": ";
    List(o, report.unlisted, "  ", [](const Unlisted& item) {
        return Json{{"path", Text(item.path)}, {"kind", item.kind}, {"keeps", Text(item.keeps)}, {"shows", Boxes(item.shows)}};
    });
    o << ",\n  \"findings\": ";
    List(o, report.findings, "  ", [&](const Finding& finding) { return FindingValue(report, finding); });
    o << "\n}\n";
}

void WriteRefusal(std::ostream& o, const std::string& message, int exitCode) {
    const Json refusal = {{"format", kJsonFormatVersion},
                          {"version", RECORDCHECK_VERSION},
                          {"exit_code", exitCode},
                          {"result", "not checked"},
                          {"error", message}};
    o << refusal.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace recordcheck
