#include "uninstaller/records/install_file_list.h"

#include <new>
#include <stdexcept>
#include <string_view>

#include "common/file.h"
#include "uninstaller/records/record_lexer.h"

namespace {

// Reads the ", decimal, hexadecimal" that follow an entry's path.
bool ReadEntryNumbers(RecordLexer& lexer, InstallFileEntry& entry) {
    return lexer.ExpectText(",") && lexer.ExpectInteger(entry.DecimalValue) && lexer.ExpectText(",") &&
           lexer.ExpectHex(entry.HexValue);
}

// Reads "{", the entries and "}", appending each entry once it is whole.
bool ReadListBody(RecordLexer& lexer, InstallFileList& list) {
    if (!lexer.ExpectText("{")) return false;
    for (;;) {
        // One token decides between the closing brace and the next entry's
        // path, exactly as trying "}" and then reading a string would, but
        // without scanning every path twice.
        std::string_view text;
        TokenKind kind = TokenKind::Invalid;
        if (!lexer.NextTokenView(text, kind)) return false;  // also a list the end of the input cuts off
        if (text == "}") return true;                        // by its text: a quoted "}" closes too
        if (kind != TokenKind::String) return false;
        InstallFileEntry entry;
        entry.Path.assign(text);
        if (!ReadEntryNumbers(lexer, entry)) return false;
        list.push_back(std::move(entry));
    }
}

bool ReadStatements(RecordLexer& lexer, InstallFileList& list) {
    std::string key;
    for (;;) {
        switch (ReadStatementKey(lexer, key)) {
            case StatementStart::EndOfInput: return true;
            case StatementStart::Fault: return false;
            case StatementStart::Key: break;
        }
        if (key == "InstallerSetupFileVersion") {
            std::int32_t version = 0;  // read and dropped: no version is checked
            if (!lexer.ExpectText("=") || !lexer.ExpectInteger(version)) return false;
        } else if (key == "InstallFileList") {
            if (!ReadListBody(lexer, list)) return false;
        } else {
            return false;
        }
    }
}

}  // namespace

bool ParseInstallFileList(const char* data, std::size_t size, InstallFileList& list, std::size_t* failureOffset) {
    return ReadRecordBytes(data, size, failureOffset, [&](RecordLexer& lexer) { return ReadStatements(lexer, list); });
}

bool ReadInstallFileList(const std::string& path, InstallFileList& list) {
    try {
        std::vector<char> bytes;
        return ReadWholeFile(path, bytes) && ParseInstallFileList(bytes.data(), bytes.size(), list);
    } catch (const std::bad_alloc&) {
        return false;  // a list too long to hold is not read
    } catch (const std::length_error&) {
        return false;  // more entries than one vector holds (i686)
    }
}
