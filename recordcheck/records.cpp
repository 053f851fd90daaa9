#include "recordcheck/records.h"

#include <cstdio>
#include <string_view>

#include "common/file.h"
#include "common/paths.h"
#include "common/text.h"
#include "prefclear/app.h"
#include "prefclear/save_folder.h"
#include "recordcheck/encoding.h"
#include "uninstaller/records/record_lexer.h"

namespace recordcheck {

const char kRecordFolder[] = "InstallInfo";
const char kSettingsFile[] = "InstallInfo\\Installer.ini";
const char kFileListFile[] = "InstallInfo\\InstallFiles.ini";
const char kSaveSettingFile[] = "InstallInfo\\SaveFolderSetting.ini";
const char kStartupFile[] = "OrrinStart.ini";
const char kUninstallerFile[] = "Uninstaller.exe";
const char kPrefclearFile[] = "Prefclear.exe";

namespace {

// The only twelve bytes that name the documents folder.
const char kDocumentsSetting[] = "SFSF\0\0\0\0\0\0\0\0";
constexpr std::size_t kSettingSize = 12;
// A token shown in a finding is cut to this many bytes.
constexpr std::size_t kShownTokenBytes = 60;

const char* KindName(TokenKind kind) {
    switch (kind) {
        case TokenKind::Integer: return "this integer";
        case TokenKind::HexNumber: return "this hexadecimal number";
        case TokenKind::RealNumber: return "this number with a point";
        case TokenKind::Identifier: return "this word";
        case TokenKind::String: return "this string";
        case TokenKind::Symbol: return "this symbol";
        default: return "";
    }
}

// Where a token's text begins in the input: a string's at its opening quote.
std::size_t TokenStart(const std::string& bytes, std::string_view text, TokenKind kind) {
    return static_cast<std::size_t>(text.data() - bytes.data()) - (kind == TokenKind::String ? 1 : 0);
}

// The last string before `limit` that runs on past its line, or npos. Values
// never span lines, so such a string lacks its closing quote: it has taken
// the next opening quote for its end, and the reader stops later.
std::size_t FindRunawayString(const std::string& bytes, std::size_t limit) {
    RecordLexer lexer(bytes.data(), bytes.data() + bytes.size());
    std::size_t runaway = std::string::npos;
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    while (lexer.NextTokenView(text, kind)) {
        const std::size_t start = TokenStart(bytes, text, kind);
        if (start >= limit) break;
        if (kind == TokenKind::String && text.find('\n') != std::string_view::npos) runaway = start;
    }
    return runaway;
}

// Where the read that failed at `mark` found its token, read again with the
// Uninstaller's lexer, and what stands there.
void DescribeRecordFault(Finding& finding, const RecordText& text, std::size_t mark) {
    const std::string& bytes = text.bytes;
    RecordLexer lexer(bytes.data() + mark, bytes.data() + bytes.size());
    std::string_view token;
    TokenKind kind = TokenKind::Invalid;
    std::size_t at = bytes.size();
    std::string what = "the end of the file";
    if (lexer.NextTokenView(token, kind)) {
        at = TokenStart(bytes, token, kind);
        finding.found = ShownToken(std::string(token));
        what = KindName(kind);
    } else if (kind == TokenKind::Invalid) {
        at = static_cast<std::size_t>(lexer.Cursor() - bytes.data());
        const auto byte = static_cast<unsigned char>(bytes[at]);
        what = byte == '"'   ? "a string without its closing quote"
               : byte == ';' ? "a ';' comment without a line feed before the end of the file"
                             : "the byte " + ByteHex(byte) + ", which starts no token";
    }
    const std::size_t runaway = FindRunawayString(bytes, at);
    if (runaway != std::string::npos) {
        text.lines.Place(finding, runaway);
        finding.found.clear();
        finding.problem = "the string opened here runs on past its line: its closing quote is missing (the "
                          "Uninstaller stops reading at " + what + " further on)";
        return;
    }
    text.lines.Place(finding, at);
    finding.problem = "the Uninstaller stops reading at " + what;
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

std::string ByteHex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string ShownToken(const std::string& text) {
    const std::string cut = CutText(text, kShownTokenBytes);
    return cut.size() < text.size() ? cut + "..." : cut;
}

bool ReadMachineFile(const std::string& path, std::string& bytes) {
    std::vector<char> data;
    if (!ReadWholeFile(path, data)) return false;
    bytes.assign(data.begin(), data.end());
    return true;
}

std::map<std::string, std::vector<std::size_t>> LocateStatements(const std::string& bytes) {
    std::map<std::string, std::vector<std::size_t>> statements;
    RecordLexer lexer(bytes.data(), bytes.data() + bytes.size());
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    while (lexer.NextTokenView(text, kind)) {
        const std::size_t start = TokenStart(bytes, text, kind);
        if (!lexer.NextTokenView(text, kind)) break;
        const std::string key(text);
        statements[key].push_back(start);
        // "=" and the value, or "=", a string, "," and a string.
        const int rest = key == "Shortcut" || key == "DesktopShortcut" ? 4 : 2;
        for (int i = 0; i < rest && lexer.NextTokenView(text, kind); ++i) {
        }
    }
    return statements;
}

std::vector<std::size_t> LocateListEntries(const std::string& bytes) {
    std::vector<std::size_t> entries;
    RecordLexer lexer(bytes.data(), bytes.data() + bytes.size());
    std::string_view text;
    TokenKind kind = TokenKind::Invalid;
    while (lexer.NextTokenView(text, kind) && lexer.NextTokenView(text, kind)) {
        if (text != "InstallFileList") {
            if (!lexer.NextTokenView(text, kind) || !lexer.NextTokenView(text, kind)) break;  // "=" and the version
            continue;
        }
        if (!lexer.NextTokenView(text, kind)) break;  // "{"
        while (lexer.NextTokenView(text, kind) && text != "}") {
            entries.push_back(TokenStart(bytes, text, kind));
            for (int i = 0; i < 4 && lexer.NextTokenView(text, kind); ++i) {  // ", decimal, hexadecimal"
            }
        }
    }
    return entries;
}

Finding Context::AtStatement(const FindingKind& kind, const std::string& key, const std::string& problem,
                             std::size_t index) const {
    Finding finding = MakeFinding(kind, kSettingsFile, problem);
    const auto found = statements.find(key);
    if (found != statements.end() && !found->second.empty()) {
        const std::vector<std::size_t>& offsets = found->second;
        settingsText.lines.Place(finding, index < offsets.size() ? offsets[index] : offsets.back());
    }
    return finding;
}

Finding Context::OfStep(const FindingKind& kind, std::size_t step, std::size_t index) const {
    Finding finding = MakeFinding(kind, std::string(), std::string());
    finding.step = step;
    if (index < entryOffsets.size()) filesText.lines.Place(finding, entryOffsets[index]);
    return finding;
}

void CheckUninstallerRecords(Context& c) {
    for (const char* file : {kSettingsFile, kFileListFile}) {
        const bool settingsFile = file == kSettingsFile;
        RecordText& text = settingsFile ? c.settingsText : c.filesText;
        const std::string path = JoinWithSeparator(c.gameFolder, file);
        RecordFile record{file, "read", {}};
        if (!ReadMachineFile(path, text.bytes)) {
            record.state = c.machine.Exists(path) ? "unreadable" : "missing";
            c.Add(record.state == "missing" ? MakeFinding(kRecordMissing, file, "the file is missing")
                                            : MakeFinding(kRecordUnreadable, file, "the file cannot be read"));
            c.report.records.push_back(record);
            continue;
        }
        text.lines = LineIndex(text.bytes);
        std::size_t mark = 0;
        const bool parsed = settingsFile
                                ? ParseInstallerSettings(text.bytes.data(), text.bytes.size(), c.settings, &mark)
                                : ParseInstallFileList(text.bytes.data(), text.bytes.size(), c.files, &mark);
        (settingsFile ? c.settingsRead : c.filesRead) = parsed;
        const TextEncoding encoding = GuessTextEncoding(text.bytes);
        if (!parsed) {
            record.state = "invalid";
            if (text.bytes.empty()) {
                Finding finding = MakeFinding(kRecordEmpty, file, "the file is empty");
                text.lines.Place(finding, 0);
                c.Add(std::move(finding));
            } else if (encoding != TextEncoding::ShiftJis) {
                c.Add(MakeFinding(kRecordEncoding, file,
                                  std::string(DescribeTextEncoding(encoding)) + "; the Uninstaller cannot read it"));
            } else {
                Finding finding = MakeFinding(kRecordSyntax, file, "");
                DescribeRecordFault(finding, text, mark);
                c.Add(std::move(finding));
            }
        } else {
            if (encoding == TextEncoding::Utf8) {
                Finding finding = MakeFinding(kRecordEncoding, file,
                                              std::string(DescribeTextEncoding(encoding)) +
                                                  "; the Uninstaller reads its Japanese text as other characters");
                finding.severity = Severity::Warning;
                c.Add(std::move(finding));
            }
            if (settingsFile) {
                c.statements = LocateStatements(text.bytes);
                const InstallerSettings& s = c.settings;
                record.values = {{"GameName", s.GameName},
                                 {"Registry", s.Registry},
                                 {"DefaultGameMakerName", s.DefaultGameMakerName},
                                 {"DefaultGameMakerProgramMenuName", s.DefaultGameMakerProgramMenuName}};
                for (const ShortcutEntry& e : s.Shortcut) record.values.emplace_back("Shortcut", e.LinkName);
                for (const ShortcutEntry& e : s.DesktopShortcut) record.values.emplace_back("DesktopShortcut", e.LinkName);
            } else {
                c.entryOffsets = LocateListEntries(text.bytes);
                c.fileCount = c.files.size();
                record.values = {{"entries", std::to_string(c.files.size())}};
            }
        }
        c.report.records.push_back(record);
        // Findings are placed by the line starts and offsets kept above.
        std::string().swap(text.bytes);
    }
    if (!c.filesRead) c.files.clear();  // the Uninstaller drops a list it could not read whole
}

void CheckSaveFolderSetting(Context& c) {
    RecordFile record{kSaveSettingFile, "missing", {}};
    const std::string path = JoinWithSeparator(c.gameFolder, kSaveSettingFile);
    std::string bytes;
    if (c.machine.IsFile(path) && ReadMachineFile(path, bytes)) {
        BaseFolder = c.gameFolder;
        const SaveFolderLocation location = ReadSaveFolderSetting();
        static const char* const kNames[] = {"0 Documents", "1 AppData", "2 the game folder"};
        const auto code = static_cast<std::size_t>(location);
        record.state = "read";
        record.values.emplace_back("location", kNames[code < 3 ? code : 0]);
        const bool documentsWritten =
            bytes.size() >= kSettingSize && bytes.compare(0, kSettingSize, kDocumentsSetting, kSettingSize) == 0;
        if (location == SaveFolderLocation::Documents && !documentsWritten) {
            record.state = "invalid";
            Finding finding = MakeFinding(kSaveSettingInvalid, kSaveSettingFile, "");
            // The field at fault, for the maker to find: magic, reserved, code.
            std::size_t field = bytes.compare(0, 4, "SFSF") != 0                        ? 0
                                : bytes.compare(4, 4, kDocumentsSetting + 4, 4) != 0 ? 4
                                                                                      : 8;
            if (bytes.size() < kSettingSize) field = bytes.size();
            LineIndex(bytes).Place(finding, field);
            for (std::size_t i = field; i < field + 4 && i < bytes.size(); ++i) {
                finding.found += (i == field ? "" : " ") + ByteHex(static_cast<unsigned char>(bytes[i])).substr(2);
            }
            finding.problem = bytes.size() < kSettingSize
                                  ? "the file has " + std::to_string(bytes.size()) + " bytes, not 12"
                                  : field == 0 ? "the file does not begin with SFSF"
                                  : field == 4 ? "bytes 4 to 7 must be 0"
                                               : "the location (bytes 8 to 11) must be 0, 1 or 2";
            finding.problem += "; Prefclear takes the documents folder, without a word";
            c.Add(std::move(finding));
        }
    } else if (c.machine.Exists(path)) {
        record.state = "unreadable";
    }
    c.report.records.push_back(record);
}

void CheckSettingsValues(Context& c) {
    const InstallerSettings& s = c.settings;
    if (s.GameName.empty()) {
        c.Add(c.AtStatement(kGameNameEmpty, "GameName", "GameName is empty: the question names no game"));
    }
    if (s.Registry.empty()) {
        c.Add(c.AtStatement(kRegistryEmpty, "Registry", "Registry is empty: the game has no registry key of its own"));
    }
    // Values the programs use as Shift-JIS names: one written in another
    // encoding names another file, key or folder.
    const struct {
        const char* key;
        const std::string* value;
    } texts[] = {
        {"GameName", &s.GameName},
        {"Registry", &s.Registry},
        {"DefaultGameMakerName", &s.DefaultGameMakerName},
        {"DefaultGameMakerProgramMenuName", &s.DefaultGameMakerProgramMenuName},
        {"UninstallerExeFileName", &s.UninstallerExeFileName},
    };
    auto checkText = [&](const char* key, const std::string& value, std::size_t index) {
        if (IsCp932(value)) return;
        Finding finding = c.AtStatement(kNotShiftJis, key,
                                        std::string(key) + " is not valid Shift-JIS" +
                                            (IsUtf8(value) ? " (it looks like UTF-8)" : "") +
                                            ": the programs take its bytes for other characters",
                                        index);
        finding.found = ShownToken(value);
        c.Add(std::move(finding));
    };
    for (const auto& text : texts) checkText(text.key, *text.value, static_cast<std::size_t>(-1));
    for (const char* key : {"Shortcut", "DesktopShortcut"}) {
        const std::vector<ShortcutEntry>& entries = std::string(key) == "Shortcut" ? s.Shortcut : s.DesktopShortcut;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string& name = entries[i].LinkName;
            checkText(key, name, i);
            const std::string lower = AsciiLower(name);
            if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".lnk") == 0) {
                Finding finding = c.AtStatement(
                    kLinkNameExtension, key,
                    "the Uninstaller appends .lnk and looks for " + Utf8FromCp932(name) + ".lnk: the shortcut stays",
                    i);
                finding.found = ShownToken(name);
                c.Add(std::move(finding));
            }
        }
    }
    const std::string uninstaller = s.UninstallerExeFileName.empty() ? kUninstallerFile : s.UninstallerExeFileName;
    if (!c.machine.IsFile(JoinWithSeparator(c.gameFolder, uninstaller))) {
        Finding finding = c.AtStatement(
            kUninstallerAbsent, "UninstallerExeFileName",
            "the uninstaller is not in the game folder; the uninstall entry's UninstallString names it there");
        finding.found = ShownToken(uninstaller);
        c.Add(std::move(finding));
    }
}

}  // namespace recordcheck
