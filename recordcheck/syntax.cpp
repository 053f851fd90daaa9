#include "recordcheck/syntax.h"

#include <cctype>
#include <string_view>

#include "common/sjis.h"
#include "prefclear/ini_tokenizer.h"
#include "recordcheck/encoding.h"
#include "recordcheck/records.h"
#include "uninstaller/records/record_lexer.h"

namespace recordcheck {

namespace {

// The keys of the two record files, as the guide lists them.
const char* const kSettingsKeys[] = {
    "InstallerSetupFileVersion", "GameName", "Registry", "MutexName", "DefaultGameMakerName",
    "DefaultGameMakerProgramMenuName", "DefaultGameFolderName", "GameExeFileName", "UninstallerExeFileName",
    "Shortcut", "DesktopShortcut",
};
const char* const kListKeys[] = {"InstallerSetupFileVersion", "InstallFileList"};

// What the reader of a record wants next.
enum class Slot {
    StatementStart, Key, Equals, Version, Text, PairFirst, PairComma, PairSecond,
    ListOpen, EntryPathOrClose, EntryComma, EntryDecimal, EntryHexComma, EntryHex,
};

struct Token {
    TokenKind kind = TokenKind::Invalid;
    std::string_view text;
    std::size_t start = 0;  // a string's opening quote
    std::size_t end = 0;    // one past it (a string's closing quote)
};

bool NextToken(RecordLexer& lexer, const std::string& bytes, Token& token) {
    if (!lexer.NextTokenView(token.text, token.kind)) return false;
    const auto begin = static_cast<std::size_t>(token.text.data() - bytes.data());
    token.start = begin - (token.kind == TokenKind::String ? 1 : 0);
    token.end = static_cast<std::size_t>(lexer.Cursor() - bytes.data());
    return true;
}

bool SameIgnoringCase(std::string_view a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The key `word` is in another case; null when none.
template <std::size_t N>
const char* KeyInAnotherCase(std::string_view word, const char* const (&keys)[N]) {
    for (const char* key : keys) {
        if (word != key && SameIgnoringCase(word, key)) return key;
    }
    return nullptr;
}

bool StartsWithLeadByte(std::string_view text) {
    return !text.empty() && sjis::IsLeadByte(static_cast<unsigned char>(text[0]));
}

// A half-width katakana or a lead byte: the start of Japanese text.
bool IsJapaneseByte(unsigned char byte) { return sjis::IsLeadByte(byte) || (byte >= 0xA1 && byte <= 0xDF); }

// True when a string's text ends in a backslash of its own (not the second
// byte of a character such as 表): the writer meant \" as an escape.
bool EndsInBackslash(std::string_view text) {
    bool last = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        last = byte == '\\';
        if (sjis::IsLeadByte(byte)) ++i;
    }
    return last;
}

// A token in words: "the word X".
Words TokenWords(TokenKind kind) {
    switch (kind) {
        case TokenKind::Integer: return {"the integer {1}", "整数 {1}"};
        case TokenKind::HexNumber: return {"the hexadecimal number {1}", "16 進数 {1}"};
        case TokenKind::RealNumber: return {"the number {1}", "数 {1}"};
        case TokenKind::Identifier: return {"the word {1}", "語 {1}"};
        case TokenKind::String: return {"the text {1}", "文字列 {1}"};
        case TokenKind::Symbol: return {"the symbol {1}", "記号 {1}"};
        default: return {"{1}", "{1}"};
    }
}

std::string Shown(const Token& token, Language language) {
    const std::string text = Utf8FromCp932(ShownToken(std::string(token.text)));
    return FillWords(TokenWords(token.kind).In(language), {token.kind == TokenKind::String ? "\"" + text + "\"" : text});
}

const Words kEndOfFile = {"the end of the file", "ファイルの終わり"};

// The last string before `limit` that runs on past its line, or npos. Values
// never span lines, so such a string lacks its closing quote: it has taken
// the next opening quote for its end, and the reader stops later.
std::size_t FindRunawayString(const std::string& bytes, std::size_t limit) {
    RecordLexer lexer(bytes.data(), bytes.data() + bytes.size());
    std::size_t runaway = std::string::npos;
    Token token;
    while (NextToken(lexer, bytes, token) && token.start < limit) {
        if (token.kind == TokenKind::String && token.text.find('\n') != std::string_view::npos) runaway = token.start;
    }
    return runaway;
}

// Walks the statements the reader accepted before `mark`: what it wanted
// next, for which key, and the token before.
Slot SlotAt(const std::string& bytes, std::size_t mark, bool settingsFile, std::string& key, Token& previous) {
    RecordLexer lexer(bytes.data(), bytes.data() + bytes.size());
    Slot slot = Slot::StatementStart;
    Token token;
    while (NextToken(lexer, bytes, token) && token.start < mark) {
        switch (slot) {
            case Slot::StatementStart: slot = Slot::Key; break;
            case Slot::Key:
                key.assign(token.text);
                slot = !settingsFile && key == "InstallFileList" ? Slot::ListOpen : Slot::Equals;
                break;
            case Slot::Equals:
                slot = key == "InstallerSetupFileVersion"                   ? Slot::Version
                       : key == "Shortcut" || key == "DesktopShortcut" ? Slot::PairFirst
                                                                            : Slot::Text;
                break;
            case Slot::PairFirst: slot = Slot::PairComma; break;
            case Slot::PairComma: slot = Slot::PairSecond; break;
            case Slot::ListOpen: slot = Slot::EntryPathOrClose; break;
            case Slot::EntryPathOrClose: slot = token.text == "}" ? Slot::StatementStart : Slot::EntryComma; break;
            case Slot::EntryComma: slot = Slot::EntryDecimal; break;
            case Slot::EntryDecimal: slot = Slot::EntryHexComma; break;
            case Slot::EntryHexComma: slot = Slot::EntryHex; break;
            case Slot::EntryHex: slot = Slot::EntryPathOrClose; break;
            case Slot::Version:
            case Slot::Text:
            case Slot::PairSecond: slot = Slot::StatementStart; break;
        }
        previous = token;
    }
    return slot;
}

// The cause of a token the reader did not want in `slot`.
Cause CauseOfToken(Slot slot, const std::string& key, const Token& found, const std::string& bytes,
                   bool settingsFile, std::vector<std::string>& arguments, Language language) {
    const std::string shown = Shown(found, language);
    switch (slot) {
        case Slot::StatementStart:
            if (found.text == ",") return settingsFile ? Cause::SyntaxNoHash : Cause::SyntaxCommaBetweenEntries;
            if (found.kind == TokenKind::Identifier && StartsWithLeadByte(found.text)) return Cause::SyntaxUnquotedJapanese;
            return Cause::SyntaxNoHash;
        case Slot::Key: {
            const char* meant = settingsFile ? KeyInAnotherCase(found.text, kSettingsKeys)
                                             : KeyInAnotherCase(found.text, kListKeys);
            arguments = {shown, meant != nullptr ? meant : ""};
            return meant != nullptr ? Cause::SyntaxKeyCase : Cause::SyntaxUnknownKey;
        }
        case Slot::Equals:
            arguments = {key};
            return Cause::SyntaxEqualsMissing;
        case Slot::ListOpen: return found.text == "=" ? Cause::SyntaxEqualsBeforeList : Cause::SyntaxBraceMissing;
        case Slot::Version:
        case Slot::EntryDecimal:
            if (slot == Slot::EntryDecimal) {
                arguments = {shown};
                return Cause::SyntaxEntryDecimal;
            }
            arguments = {key, shown};
            return Cause::SyntaxIntegerExpected;
        case Slot::EntryHex: {
            const bool upperX = found.kind == TokenKind::Integer && found.text == "0" && found.end < bytes.size() &&
                                bytes[found.end] == 'X';
            arguments = {shown};
            return upperX ? Cause::SyntaxHexUpperX : Cause::SyntaxHexExpected;
        }
        case Slot::Text:
        case Slot::PairFirst:
        case Slot::PairSecond:
        case Slot::EntryPathOrClose:
            if (found.kind == TokenKind::Identifier && StartsWithLeadByte(found.text)) return Cause::SyntaxUnquotedJapanese;
            if (slot == Slot::EntryPathOrClose && found.text == ",") return Cause::SyntaxCommaBetweenEntries;
            if (slot == Slot::EntryPathOrClose) {
                arguments = {shown};
                return Cause::SyntaxEntryPathUnquoted;
            }
            arguments = {key, shown};
            return Cause::SyntaxUnquotedValue;
        case Slot::PairComma:
            arguments = {key};
            return Cause::SyntaxShortcutComma;
        case Slot::EntryComma:
        case Slot::EntryHexComma: return Cause::SyntaxEntryComma;
    }
    return Cause::SyntaxOther;
}

}  // namespace

Finding DiagnoseRecordFault(const std::string& file, bool settingsFile, const std::string& bytes,
                            const LineIndex& lines, std::size_t mark, Language language) {
    std::string key;
    Token previous;
    const Slot slot = SlotAt(bytes, mark, settingsFile, key, previous);
    RecordLexer lexer(bytes.data() + mark, bytes.data() + bytes.size());
    Token found;
    std::vector<std::string> arguments;
    Cause cause = Cause::SyntaxOther;
    std::size_t at = bytes.size();
    std::string what = kEndOfFile.In(language);
    std::string token;
    if (lexer.NextTokenView(found.text, found.kind)) {
        found.start = static_cast<std::size_t>(found.text.data() - bytes.data()) - (found.kind == TokenKind::String ? 1 : 0);
        found.end = static_cast<std::size_t>(lexer.Cursor() - bytes.data());
        at = found.start;
        what = Shown(found, language);
        token = ShownToken(std::string(found.text));
        const bool escaped = previous.kind == TokenKind::String && previous.end == found.start &&
                             EndsInBackslash(previous.text);
        cause = escaped ? Cause::SyntaxEscapedQuote
                        : CauseOfToken(slot, key, found, bytes, settingsFile, arguments, language);
    } else if (found.kind == TokenKind::Invalid) {
        at = static_cast<std::size_t>(lexer.Cursor() - bytes.data());
        const auto byte = static_cast<unsigned char>(bytes[at]);
        const bool escaped = byte == '\\' && previous.kind == TokenKind::String && previous.end == at &&
                             EndsInBackslash(previous.text);
        if (byte == '"') {
            cause = Cause::SyntaxQuoteMissing;
            what = kEndOfFile.In(language);
        } else if (byte == ';') {
            cause = Cause::SyntaxCommentAtEnd;
        } else if (escaped) {
            cause = Cause::SyntaxEscapedQuote;
        } else if (IsJapaneseByte(byte)) {
            cause = Cause::SyntaxUnquotedJapanese;
        } else {
            cause = Cause::SyntaxStrayByte;
            what = ByteHex(byte);
        }
        arguments = {what};
    } else {
        const bool inList = slot >= Slot::EntryPathOrClose;
        arguments = {key.empty() ? "" : " #" + key};
        cause = inList ? Cause::SyntaxEndOfFileInList : Cause::SyntaxEndOfFile;
    }
    // A string that runs on past its line has taken the next opening quote
    // for its end: the fault is where it opens.
    const std::size_t runaway = FindRunawayString(bytes, at);
    if (runaway != std::string::npos) {
        Finding finding = MakeFinding(Cause::SyntaxQuoteMissing, file, {what});
        lines.Place(finding, runaway);
        return finding;
    }
    if (cause == Cause::SyntaxOther) arguments = {what};
    Finding finding = MakeFinding(cause, file, std::move(arguments));
    finding.found = token;
    lines.Place(finding, at);
    return finding;
}

std::vector<CutString> FindCutStrings(const std::string& bytes, std::size_t& nulsOutside) {
    std::vector<CutString> cut;
    nulsOutside = 0;
    if (bytes.find('\0') == std::string::npos) return cut;
    std::size_t inside = 0;
    RecordLexer lexer(bytes.data(), bytes.data() + bytes.size());
    Token token;
    std::string_view key;
    std::string_view last;
    while (NextToken(lexer, bytes, token)) {
        if (last == "#") key = token.text;
        last = token.text;
        if (token.kind != TokenKind::String) continue;
        const std::string_view raw(bytes.data() + token.start + 1, token.end - token.start - 2);
        if (raw.find('\0') == std::string_view::npos) continue;
        for (const char c : raw) inside += c == '\0';
        cut.push_back(CutString{token.start, std::string(key), std::string(token.text)});
    }
    for (const char c : bytes) nulsOutside += c == '\0';
    nulsOutside -= inside;
    return cut;
}

Cause DiagnoseStartupStop(const startup::CIniFile::MessageSite& site, const std::string& bytes,
                          std::vector<std::string>& arguments, std::string& found) {
    using Message = startup::CIniFile::Message;
    const std::size_t offset = site.offset < bytes.size() ? site.offset : bytes.size();
    // The token at fault and the one before it, with Prefclear's tokenizer.
    IniTokenizer tokenizer;
    tokenizer.Assign(bytes);
    std::string previous;
    std::string beforePrevious;
    std::string text;
    while (tokenizer.ReadToken(text) && tokenizer.TokenStart() < offset) {
        beforePrevious = previous;
        previous = text;
    }
    IniTokenizer at;
    at.Assign(bytes.substr(offset));
    const bool read = at.ReadToken(text);
    if (read) found = ShownToken(text);
    if (site.message == Message::MissingComma) {
        arguments = {Utf8FromCp932(ShownToken(previous))};
        return Cause::StartupCommaMissing;
    }
    if (!read) {
        if (at.Status() == TokenizerStatus::Exhausted) {
            arguments = {Utf8FromCp932(previous == "=" ? beforePrevious : previous)};
            return Cause::StartupValueMissing;
        }
        const auto byte = static_cast<unsigned char>(bytes[offset]);
        if (byte == '"') return Cause::StartupQuoteMissing;
        if (IsJapaneseByte(byte)) return Cause::StartupUnquotedJapanese;
        if (byte == '#' && site.message == Message::ParseFailed) return Cause::StartupHashComment;
        arguments = {ByteHex(byte)};
        return Cause::StartupStrayByte;
    }
    if (site.message == Message::ParseError) {
        // After a key the statement wants "=" (or the "[" of VolumeValancer);
        // after "=" its value.
        if (previous != "=" && previous != "[" && previous != "]" && text != "=") {
            arguments = {Utf8FromCp932(previous)};
            return Cause::StartupEqualsMissing;
        }
        if (previous == "=" || previous == "[") {
            arguments = {Utf8FromCp932(previous == "=" ? beforePrevious : std::string("VolumeValancer[]"))};
            return Cause::StartupIntegerExpected;
        }
    }
    arguments = {"\"" + Utf8FromCp932(found) + "\""};
    return Cause::StartupOther;
}

Cause DiagnoseUnknownWord(const std::string& word, const std::string& line, std::size_t boxes,
                          std::vector<std::string>& arguments, Language language) {
    const std::string shown =
        boxes == 1 ? Words{"a box", "メッセージボックス"}.In(language)
                   : FillWords(Words{"{1} boxes, one for each of its tokens", "トークンごとに 1 つ、計 {1} 個のメッセージボックス"}
                                   .In(language),
                               {std::to_string(boxes)});
    if (word == "[") {
        arguments = {Utf8FromCp932(line), shown};
        return Cause::StartupSection;
    }
    const char* meant = startup::CIniFile::KeyInAnotherCase(word);
    arguments = {Utf8FromCp932(word), shown, meant != nullptr ? meant : ""};
    return meant != nullptr ? Cause::StartupKeyCase : Cause::StartupUnknownWord;
}

}  // namespace recordcheck
