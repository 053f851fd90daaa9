#include "recordcheck/records.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "common/file.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/sim.h"
#include "prefclear/app.h"
#include "prefclear/save_folder.h"
#include "recordcheck/encoding.h"
#include "recordcheck/syntax.h"
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

// Where a token's text begins in the input: a string's at its opening quote.
std::size_t TokenStart(const std::string& bytes, std::string_view text, TokenKind kind) {
    return static_cast<std::size_t>(text.data() - bytes.data()) - (kind == TokenKind::String ? 1 : 0);
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
    {
        // Read as the programs read it (a file that cannot be opened or read
        // whole is unreadable to them), then taken once more as a string: a
        // list of tens of megabytes is never held twice.
        std::vector<char> data;
        if (!ReadWholeFile(path, data)) return false;
    }
    bytes = sim::Machine::Current().FileBytes(path);
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

std::vector<std::uint32_t> LocateListEntries(const std::string& bytes, std::size_t count) {
    std::vector<std::uint32_t> entries;
    entries.reserve(count);
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
            entries.push_back(static_cast<std::uint32_t>(TokenStart(bytes, text, kind)));
            for (int i = 0; i < 4 && lexer.NextTokenView(text, kind); ++i) {  // ", decimal, hexadecimal"
            }
        }
    }
    return entries;
}

std::string Context::Relative(std::string_view path) const {
    const std::string prefix = JoinWithSeparator(gameFolder, std::string());
    return std::string(path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path);
}

Finding Context::AtStatement(Cause cause, const std::string& key, std::vector<std::string> arguments,
                             std::size_t index) const {
    Finding finding = MakeFinding(cause, kSettingsFile, std::move(arguments));
    const auto found = statements.find(key);
    if (found != statements.end() && !found->second.empty()) {
        const std::vector<std::size_t>& offsets = found->second;
        settingsText.lines.Place(finding, index < offsets.size() ? offsets[index] : offsets.back());
    }
    return finding;
}

Finding Context::OfStep(Cause cause, std::size_t step, std::size_t index) const {
    Finding finding = MakeFinding(cause, std::string());
    finding.step = step;
    if (index < entryOffsets.size()) filesText.lines.Place(finding, entryOffsets[index]);
    return finding;
}

namespace {

// Values and entries the programs read only up to a NUL byte, and NUL bytes
// the reader takes for blanks.
void AddNulFindings(Context& c, const char* file, const RecordText& text, std::size_t entries) {
    std::size_t outside = 0;
    for (const CutString& cut : FindCutStrings(text.bytes, outside)) {
        const std::string shown = Utf8FromCp932(ShownToken(cut.text));
        Finding finding = cut.key == "InstallFileList" ? MakeFinding(Cause::EntryCutAtNul, file, {shown})
                                                       : MakeFinding(Cause::ValueCutAtNul, file, {cut.key, shown});
        text.lines.Place(finding, cut.offset);
        c.Add(std::move(finding));
    }
    if (outside != 0 && file == kFileListFile) {
        c.Add(MakeFinding(Cause::RecordOfNuls, file, {std::to_string(outside), std::to_string(entries)}));
    }
}

}  // namespace

void CheckUninstallerRecords(Context& c) {
    for (const char* file : {kSettingsFile, kFileListFile}) {
        const bool settingsFile = file == kSettingsFile;
        RecordText& text = settingsFile ? c.settingsText : c.filesText;
        const std::string path = JoinWithSeparator(c.gameFolder, file);
        RecordFile record{file, "read", {}};
        if (!ReadMachineFile(path, text.bytes)) {
            record.state = c.machine.Exists(path) ? "unreadable" : "missing";
            c.Add(MakeFinding(record.state == "unreadable" ? Cause::RecordUnreadable
                              : settingsFile                ? Cause::RecordMissing
                                                            : Cause::FileListMissing,
                              file));
            c.report.records.push_back(record);
            continue;
        }
        text.lines = LineIndex(text.bytes);
        if (!settingsFile) {
            // Room for every entry at once, not twice as much while the list
            // grows: each entry has its "0x", and eight bytes at least.
            std::size_t hex = 0;
            for (std::size_t at = text.bytes.find("0x"); at != std::string::npos; at = text.bytes.find("0x", at + 2)) ++hex;
            c.files.reserve(std::min(hex, text.bytes.size() / 8));
        }
        std::size_t mark = 0;
        const bool parsed = settingsFile
                                ? ParseInstallerSettings(text.bytes.data(), text.bytes.size(), c.settings, &mark)
                                : ParseInstallFileList(text.bytes.data(), text.bytes.size(), c.files, &mark);
        (settingsFile ? c.settingsRead : c.filesRead) = parsed;
        const TextEncoding encoding = GuessTextEncoding(text.bytes);
        if (!parsed) {
            record.state = "invalid";
            if (text.bytes.empty()) {
                Finding finding = MakeFinding(Cause::RecordEmpty, file);
                text.lines.Place(finding, 0);
                c.Add(std::move(finding));
            } else if (encoding != TextEncoding::ShiftJis) {
                c.Add(MakeFinding(Cause::EncodingUnreadable, file, {DescribeTextEncoding(encoding, c.report.language)}));
            } else {
                c.Add(DiagnoseRecordFault(file, settingsFile, text.bytes, text.lines, mark, c.report.language));
            }
        } else {
            if (encoding == TextEncoding::Utf8) {
                Finding finding = MakeFinding(Cause::EncodingMisread, file, {DescribeTextEncoding(encoding, c.report.language)});
                finding.severity = Severity::Warning;
                c.Add(std::move(finding));
            }
            AddNulFindings(c, file, text, c.files.size());
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
                c.entryOffsets = LocateListEntries(text.bytes, c.files.size());
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
            Finding finding = MakeFinding(Cause::SaveSettingInvalid, kSaveSettingFile);
            // The field at fault, for the maker to find: magic, reserved, code.
            std::size_t field = bytes.compare(0, 4, "SFSF") != 0                        ? 0
                                : bytes.compare(4, 4, kDocumentsSetting + 4, 4) != 0 ? 4
                                                                                      : 8;
            if (bytes.size() < kSettingSize) field = bytes.size();
            LineIndex(bytes).Place(finding, field);
            for (std::size_t i = field; i < field + 4 && i < bytes.size(); ++i) {
                finding.found += (i == field ? "" : " ") + ByteHex(static_cast<unsigned char>(bytes[i])).substr(2);
            }
            finding.cause = bytes.size() < kSettingSize ? Cause::SaveSettingInvalid
                            : field == 0                ? Cause::SaveSettingMagic
                            : field == 4                ? Cause::SaveSettingReserved
                                                        : Cause::SaveSettingLocation;
            finding.arguments = {std::to_string(bytes.size())};
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
        c.Add(c.AtStatement(s.Shortcut.empty() ? Cause::GameNameEmpty : Cause::GameNameEmptyShortcuts, "GameName"));
    }
    if (s.Registry.empty()) {
        c.Add(c.AtStatement(c.statements.count("Registry") != 0 ? Cause::RegistryEmpty : Cause::RegistryMissing,
                            "Registry"));
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
    // A file written in UTF-8 as a whole is told once, as a file.
    const bool utf8File = !c.report.findings.empty() && c.report.findings.back().cause == Cause::EncodingMisread &&
                          c.report.findings.back().file == kSettingsFile;
    auto checkText = [&](const char* key, const std::string& value, std::size_t index, bool shortcut) {
        if ((IsCp932(value) && !LooksUtf8(value)) || utf8File) return;
        Finding finding = c.AtStatement(shortcut ? Cause::ShortcutNotShiftJis : Cause::ValueNotShiftJis, key,
                                        {key, LooksUtf8(value) ? " (it looks like UTF-8)" : ""}, index);
        finding.found = ShownToken(value);
        c.Add(std::move(finding));
    };
    for (const auto& text : texts) checkText(text.key, *text.value, static_cast<std::size_t>(-1), false);
    for (const char* key : {"Shortcut", "DesktopShortcut"}) {
        const std::vector<ShortcutEntry>& entries = std::string(key) == "Shortcut" ? s.Shortcut : s.DesktopShortcut;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string& name = entries[i].LinkName;
            checkText(key, name, i, true);
            const std::string lower = AsciiLower(name);
            if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".lnk") == 0) {
                Finding finding = c.AtStatement(Cause::LinkNameExtension, key, {Utf8FromCp932(name)}, i);
                finding.found = ShownToken(name);
                c.Add(std::move(finding));
            }
        }
    }
    // The uninstall entry's UninstallString names the Uninstaller by
    // UninstallerExeFileName; the Uninstaller itself falls back to its own name.
    const std::string& named = s.UninstallerExeFileName;
    const bool standard = c.machine.IsFile(JoinWithSeparator(c.gameFolder, kUninstallerFile));
    Cause cause = Cause::Count;
    if (named.empty() || named == kUninstallerFile) {
        if (!standard) cause = Cause::UninstallerAbsent;
    } else if (!c.machine.IsFile(JoinWithSeparator(c.gameFolder, named))) {
        cause = standard ? Cause::UninstallerNameOther : Cause::UninstallerRenamedAbsent;
    }
    if (cause != Cause::Count) {
        Finding finding = c.AtStatement(cause, "UninstallerExeFileName", {Utf8FromCp932(named), kUninstallerFile});
        finding.found = ShownToken(named.empty() ? std::string(kUninstallerFile) : named);
        c.Add(std::move(finding));
    }
}

}  // namespace recordcheck
