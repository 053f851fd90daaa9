// The report as SARIF 2.1.0, as code scanning reads it: the codes are the
// rules, each finding a result at its place relative to the game folder.
// Written as it goes, one JSON value a result: a list of a hundred thousand
// entries may give as many results.
#include <ostream>

#include <nlohmann/json.hpp>

#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/host_folder.h"
#include "recordcheck/output.h"

namespace recordcheck {

namespace {

using Json = nlohmann::ordered_json;

// The base every result's place is relative to. (SARIF's levels are the
// severities' names: error, warning, note.)
constexpr char kGameFolderBase[] = "GAMEFOLDER";

// A path ('/' between names, UTF-8) as a URI reference: every byte but the
// unreserved ones and '/' percent-encoded.
std::string UriPath(const std::string& path) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            uri.push_back(c);
        } else {
            uri += {'%', kDigits[byte >> 4], kDigits[byte & 0xF]};
        }
    }
    return uri;
}

std::string Slashes(std::string path) {
    for (char& c : path) c = c == '\\' ? '/' : c;
    return path;
}

// Where a finding is: below the game folder relative to it; a path of the
// simulated machine outside it (an include elsewhere) as a file URI.
Json Place(const Report& report, const Finding& finding) {
    Json artifact;
    if (finding.hostFile) {
        artifact = {{"uri", UriPath(finding.file)}, {"uriBaseId", kGameFolderBase}};
    } else {
        const std::string file = Utf8FromCp932(FindingFile(report, finding));
        if (file.size() > 1 && file[1] == ':') {
            artifact = {{"uri", "file:///" + UriPath(Slashes(file))}};
        } else {
            artifact = {{"uri", file == "." ? std::string("./") : UriPath(Slashes(file))}, {"uriBaseId", kGameFolderBase}};
        }
    }
    return Json::array({{{"physicalLocation",
                          {{"artifactLocation", std::move(artifact)},
                           {"region", {{"startLine", finding.line}, {"startColumn", finding.column}}}}}}});
}

Json Rule(const FindingKind& kind, Language language) {
    return {{"id", kind.code},
            {"shortDescription", {{"text", kind.title.In(language)}}},
            {"fullDescription", {{"text", kind.meaning.In(language)}}},
            {"help", {{"text", ExplainPage(kind, language, false)}, {"markdown", ExplainPage(kind, language, true)}}},
            {"defaultConfiguration", {{"level", SeverityName(kind.severity)}}}};
}

std::size_t RuleIndex(const char* code) {
    for (std::size_t i = 0; i < kFindingKindCount; ++i) {
        if (std::string(kAllFindingKinds[i]->code) == code) return i;
    }
    return 0;
}

Json Result(const Report& report, const Finding& finding) {
    std::string text = FindingProblem(report, finding);
    const std::string found = FindingFound(report, finding);
    if (!found.empty()) text = "\"" + Utf8FromCp932(found) + "\": " + text;
    text = FillWords(Words{"{1}. Fix: {2}", "{1}。修正: {2}"}.In(report.language), {text, FindingFix(report, finding)});
    Json result = {{"ruleId", finding.code},
                   {"ruleIndex", RuleIndex(finding.code)},
                   {"level", SeverityName(finding.severity)},
                   {"message", {{"text", text}}},
                   {"locations", Place(report, finding)},
                   {"partialFingerprints", {{"recordcheckFinding/v1", FindingKey(report, finding)}}}};
    // What the maker suppressed is shown as such (code scanning closes it).
    if (finding.suppression != Suppression::None) {
        const Words why = finding.suppression == Suppression::Disabled
                              ? Words{"turned off (--disable or .recordcheckrc)", "無効化 (--disable か .recordcheckrc)"}
                              : Words{"in the baseline: known before", "ベースラインにある既知の指摘"};
        result["suppressions"] = Json::array({{{"kind", "external"}, {"justification", why.In(report.language)}}});
    }
    return result;
}

}  // namespace

void WriteSarif(std::ostream& out, const Report& report) {
    std::string base = Slashes(Utf8FromHost(FullHostPath(report.hostFolder)));
    if (base.empty() || base.back() != '/') base += '/';
    // A Windows path keeps its drive's colon: file:///C:/...
    const std::size_t drive = base.size() > 2 && base[1] == ':' ? 2 : 0;
    const std::string baseUri = "file://" + std::string(drive ? "/" : "") + base.substr(0, drive) + UriPath(base.substr(drive));
    Json rules = Json::array();
    for (std::size_t i = 0; i < kFindingKindCount; ++i) rules.push_back(Rule(*kAllFindingKinds[i], report.language));
    const Json tool = {{"driver",
                        {{"name", "recordcheck"},
                         {"version", RECORDCHECK_VERSION},
                         {"semanticVersion", RECORDCHECK_VERSION},
                         {"rules", std::move(rules)}}}};
    const Json bases = {{kGameFolderBase, {{"uri", baseUri}}}};
    const int code = report.ExitCode();
    const Json invocations = Json::array({{{"executionSuccessful", true}, {"exitCode", code}}});

    out << "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
        << "  \"runs\": [{\n    \"tool\": " << tool.dump() << ",\n    \"originalUriBaseIds\": " << bases.dump()
        << ",\n    \"columnKind\": \"unicodeCodePoints\",\n    \"invocations\": " << invocations.dump()
        << ",\n    \"results\": [";
    bool first = true;
    for (const Finding& finding : report.findings) {
        out << (first ? "\n      " : ",\n      ") << Result(report, finding).dump();
        first = false;
    }
    out << (first ? "]\n  }]\n}\n" : "\n    ]\n  }]\n}\n");
}

}  // namespace recordcheck
