#include "recordcheck/suppress.h"

#include <algorithm>
#include <vector>

#include "recordcheck/findings.h"
#include "recordcheck/host_folder.h"

namespace recordcheck {

const char kSettingsFileName[] = ".recordcheckrc";

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    std::string bytes;
    if (!ReadHostFile(path, bytes)) return false;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

constexpr char kBaselineHead[] =
    "# recordcheck baseline: the findings known when it was written, one a line as\n"
    "# CODE|FILE|FOUND. A finding listed here does not fail the check; a new one does.\n"
    "# Written by recordcheck --write-baseline; take a line out once its finding is mended.\n";

}  // namespace

bool ParseCodes(const std::string& list, std::set<std::string>& codes, std::string& error, Language language) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string code = Trimmed(list.substr(start, end - start));
        if (!code.empty()) {
            if (FindKind(code) == nullptr) {
                error = FillWords(Words{"no such code: {1} (recordcheck --explain CODE tells what a code means)",
                                        "そのようなコードはない: {1} (コードの意味は recordcheck --explain コード が示す)"}
                                      .In(language),
                                  {code});
                return false;
            }
            codes.insert(code);
        }
        start = end + 1;
    }
    return true;
}

bool ParseSeverity(const std::string& name, Severity& severity) {
    for (const Severity s : {Severity::Error, Severity::Warning, Severity::Note}) {
        if (name == SeverityWords(s).en) {
            severity = s;
            return true;
        }
    }
    return false;
}

std::string FindSettingsFile(const std::string& gameFolder) {
    const std::string full = FullHostPath(gameFolder);
    for (std::string folder = HostParent(full); !folder.empty(); folder = HostParent(folder)) {
        const std::string file = JoinHostPath(folder, kSettingsFileName);
        if (KindOfHostPath(file) == HostPathKind::Other) return file;
    }
    return std::string();
}

bool ReadSettings(const std::string& path, Settings& settings, std::string& error, Language language) {
    const auto say = [language](Words words, const std::vector<std::string>& values = {}) {
        return FillWords(words.In(language), values);
    };
    std::vector<std::string> lines;
    if (!ReadLines(path, lines)) {
        error = path + ": " + say({"cannot be read", "読めない"});
        return false;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string where = path + ":" + std::to_string(i + 1) + ": ";
        const std::string line = Trimmed(lines[i].substr(0, lines[i].find('#')));
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            error = where + say({"write key = value (disable, fail-on or baseline)",
                                 "キー = 値 と書く (disable、fail-on、baseline)"});
            return false;
        }
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (key == "disable") {
            std::string fault;
            if (!ParseCodes(value, settings.disabled, fault, language)) {
                error = where + fault;
                return false;
            }
        } else if (key == "fail-on") {
            Severity severity = Severity::Warning;
            if (!ParseSeverity(value, severity)) {
                error = where + say({"fail-on takes error, warning or note", "fail-on には error、warning、note のどれかを書く"});
                return false;
            }
            settings.failOn = severity;
        } else if (key == "baseline") {
            if (value.empty()) {
                error = where + say({"baseline needs a file", "baseline にはファイルを書く"});
                return false;
            }
            // Relative to the settings file's folder, unless it is a full path.
            const bool full = value.front() == '/' || value.front() == '\\' || (value.size() > 1 && value[1] == ':');
            settings.baseline = full ? value : JoinHostPath(HostParent(path), value);
        } else {
            error = where + say({"unknown key {1} (disable, fail-on or baseline)", "知らないキー {1} (disable、fail-on、baseline)"},
                                {key});
            return false;
        }
    }
    return true;
}

bool ReadBaseline(const std::string& path, std::map<std::string, std::size_t>& baseline, std::string& error,
                  Language language) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines)) {
        error = FillWords(Words{"{1}: cannot be read (recordcheck --write-baseline {1} writes it)",
                                "{1}: 読めない (recordcheck --write-baseline {1} で書ける)"}
                              .In(language),
                          {path});
        return false;
    }
    for (const std::string& raw : lines) {
        const std::string line = raw.size() > 0 && raw.back() == '\r' ? raw.substr(0, raw.size() - 1) : raw;
        if (line.empty() || line[0] == '#') continue;
        ++baseline[line];
    }
    return true;
}

std::string BaselineText(const Report& report) {
    std::vector<std::string> keys;
    for (const Finding& finding : report.findings) {
        if (finding.suppression != Suppression::Disabled) keys.push_back(FindingKey(report, finding));
    }
    std::sort(keys.begin(), keys.end());
    std::string text = kBaselineHead;
    for (const std::string& key : keys) text += key + "\n";
    return text;
}

void Suppress(Report& report, const Suppressions& suppressions) {
    std::map<std::string, std::size_t> known = suppressions.baseline;
    for (Finding& finding : report.findings) {
        if (suppressions.disabled.count(finding.code) != 0) {
            finding.suppression = Suppression::Disabled;
            continue;
        }
        if (known.empty()) continue;
        const auto entry = known.find(FindingKey(report, finding));
        if (entry != known.end() && entry->second != 0) {
            --entry->second;
            finding.suppression = Suppression::Baseline;
        }
    }
}

}  // namespace recordcheck
