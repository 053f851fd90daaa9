#include "uninstaller/records/installer_settings.h"

#include <new>
#include <stdexcept>
#include <vector>

#include "common/file.h"
#include "uninstaller/records/record_lexer.h"

namespace {

// What follows "=" for a key, and where its value goes.
enum class ValueShape { Version, Text, DroppedText, ShortcutPair };

struct KeyRow {
    const char* key;
    ValueShape shape;
    std::string InstallerSettings::*text;                  // for Text
    std::vector<ShortcutEntry> InstallerSettings::*pairs;  // for ShortcutPair
};

const KeyRow kKeyRows[] = {
    {"InstallerSetupFileVersion", ValueShape::Version, nullptr, nullptr},
    {"GameName", ValueShape::Text, &InstallerSettings::GameName, nullptr},
    {"Registry", ValueShape::Text, &InstallerSettings::Registry, nullptr},
    {"MutexName", ValueShape::DroppedText, nullptr, nullptr},
    {"DefaultGameMakerName", ValueShape::Text, &InstallerSettings::DefaultGameMakerName, nullptr},
    {"DefaultGameMakerProgramMenuName", ValueShape::Text, &InstallerSettings::DefaultGameMakerProgramMenuName,
     nullptr},
    {"DefaultGameFolderName", ValueShape::Text, &InstallerSettings::DefaultGameFolderName, nullptr},
    {"GameExeFileName", ValueShape::Text, &InstallerSettings::GameExeFileName, nullptr},
    {"UninstallerExeFileName", ValueShape::Text, &InstallerSettings::UninstallerExeFileName, nullptr},
    {"Shortcut", ValueShape::ShortcutPair, nullptr, &InstallerSettings::Shortcut},
    {"DesktopShortcut", ValueShape::ShortcutPair, nullptr, &InstallerSettings::DesktopShortcut},
};

// The row of `key`, compared byte for byte and case-sensitively; null when
// the key is unknown.
const KeyRow* FindKeyRow(const std::string& key) {
    for (const KeyRow& row : kKeyRows) {
        if (key == row.key) return &row;
    }
    return nullptr;
}

// Reads what follows a key's "=" and stores it as the row says.
bool ReadValue(RecordLexer& lexer, const KeyRow& row, InstallerSettings& settings) {
    switch (row.shape) {
        case ValueShape::Version: {
            std::int32_t version = 0;  // read and dropped: no version is checked
            return lexer.ExpectInteger(version);
        }
        case ValueShape::Text:
            return lexer.ExpectString(settings.*row.text);
        case ValueShape::DroppedText: {
            std::string dropped;
            return lexer.ExpectString(dropped);
        }
        case ValueShape::ShortcutPair: {
            ShortcutEntry entry;
            if (!lexer.ExpectString(entry.FirstValue) || !lexer.ExpectText(",") ||
                !lexer.ExpectString(entry.LinkName)) {
                return false;
            }
            (settings.*row.pairs).push_back(std::move(entry));
            return true;
        }
    }
    return false;
}

bool ReadStatements(RecordLexer& lexer, InstallerSettings& settings) {
    std::string key;
    for (;;) {
        switch (ReadStatementKey(lexer, key)) {
            case StatementStart::EndOfInput: return true;
            case StatementStart::Fault: return false;
            case StatementStart::Key: break;
        }
        const KeyRow* row = FindKeyRow(key);
        if (row == nullptr || !lexer.ExpectText("=") || !ReadValue(lexer, *row, settings)) return false;
    }
}

}  // namespace

bool ParseInstallerSettings(const char* data, std::size_t size, InstallerSettings& settings,
                            std::size_t* failureOffset) {
    return ReadRecordBytes(data, size, failureOffset,
                           [&](RecordLexer& lexer) { return ReadStatements(lexer, settings); });
}

bool ReadInstallerSettings(const std::string& path, InstallerSettings& settings) {
    try {
        std::vector<char> bytes;
        return ReadWholeFile(path, bytes) && ParseInstallerSettings(bytes.data(), bytes.size(), settings);
    } catch (const std::bad_alloc&) {
        return false;  // a file too big to hold in its parsed form is not read
    } catch (const std::length_error&) {
        return false;
    }
}
