// libFuzzer target: the Installer.ini reader over any bytes, in an exactly
// sized heap block (with the "!!" run marker of fuzz/fuzz_support.h).
//
// The reader is compared with a model that applies the file's grammar to the
// token stream: both must agree on the result and on every field, also on
// failure (the record keeps what the statements before the fault set). A
// true result therefore means that every token was part of a statement and
// the lexer ended with EndOfInput: the whole input was consumed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/records_model.h"
#include "uninstaller/records/installer_settings.h"

namespace {

std::string* TextField(InstallerSettings& s, const std::string& key) {
    if (key == "GameName") return &s.GameName;
    if (key == "Registry") return &s.Registry;
    if (key == "DefaultGameMakerName") return &s.DefaultGameMakerName;
    if (key == "DefaultGameMakerProgramMenuName") return &s.DefaultGameMakerProgramMenuName;
    if (key == "DefaultGameFolderName") return &s.DefaultGameFolderName;
    if (key == "GameExeFileName") return &s.GameExeFileName;
    if (key == "UninstallerExeFileName") return &s.UninstallerExeFileName;
    return nullptr;
}

bool ModelStatement(fuzz::TokenWalk& walk, InstallerSettings& s) {
    if (!walk.TakeText("#")) return false;
    const fuzz::LexedToken* key = walk.TakeKind(TokenKind::Identifier);
    if (key == nullptr) return false;
    const std::string& name = key->text;
    const bool known = name == "InstallerSetupFileVersion" || name == "MutexName" || name == "Shortcut" ||
                       name == "DesktopShortcut" || TextField(s, name) != nullptr;
    if (!known || !walk.TakeText("=")) return false;
    if (name == "InstallerSetupFileVersion") {
        const fuzz::LexedToken* version = walk.TakeKind(TokenKind::Integer);
        std::int32_t ignored = 0;
        return version != nullptr && fuzz::DecimalValue(version->text, ignored);
    }
    if (name == "Shortcut" || name == "DesktopShortcut") {
        const fuzz::LexedToken* first = walk.TakeKind(TokenKind::String);
        if (first == nullptr || !walk.TakeText(",")) return false;
        const fuzz::LexedToken* link = walk.TakeKind(TokenKind::String);
        if (link == nullptr) return false;
        (name == "Shortcut" ? s.Shortcut : s.DesktopShortcut).push_back(ShortcutEntry{first->text, link->text});
        return true;
    }
    const fuzz::LexedToken* value = walk.TakeKind(TokenKind::String);
    if (value == nullptr) return false;
    if (std::string* field = TextField(s, name)) *field = value->text;
    return true;
}

bool Model(const fuzz::LexedInput& lexed, std::size_t size, InstallerSettings& s) {
    if (size == 0) return false;  // an empty file is no settings file
    fuzz::TokenWalk walk(lexed);
    while (!walk.AtEnd()) {
        if (!ModelStatement(walk, s)) return false;
    }
    return walk.EndedCleanly();
}

bool SameShortcuts(const std::vector<ShortcutEntry>& a, const std::vector<ShortcutEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].FirstValue != b[i].FirstValue || a[i].LinkName != b[i].LinkName) return false;
    }
    return true;
}

void CheckSame(const InstallerSettings& a, const InstallerSettings& b) {
    FUZZ_CHECK(a.GameName == b.GameName);
    FUZZ_CHECK(a.Registry == b.Registry);
    FUZZ_CHECK(a.DefaultGameMakerName == b.DefaultGameMakerName);
    FUZZ_CHECK(a.DefaultGameMakerProgramMenuName == b.DefaultGameMakerProgramMenuName);
    FUZZ_CHECK(a.DefaultGameFolderName == b.DefaultGameFolderName);
    FUZZ_CHECK(a.GameExeFileName == b.GameExeFileName);
    FUZZ_CHECK(a.UninstallerExeFileName == b.UninstallerExeFileName);
    FUZZ_CHECK(SameShortcuts(a.Shortcut, b.Shortcut));
    FUZZ_CHECK(SameShortcuts(a.DesktopShortcut, b.DesktopShortcut));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::ExactBuffer input(fuzz::ExpandRunMarker(data, size));
    InstallerSettings settings;
    const bool ok = ParseInstallerSettings(input.begin(), input.size(), settings);

    const fuzz::LexedInput lexed = fuzz::LexAll(input.begin(), input.end());
    InstallerSettings expected;
    FUZZ_CHECK(ok == Model(lexed, input.size(), expected));
    CheckSame(settings, expected);
    if (ok) FUZZ_CHECK(lexed.ending == TokenKind::EndOfInput);

    // The reader keeps no state between calls.
    InstallerSettings again;
    FUZZ_CHECK(ParseInstallerSettings(input.begin(), input.size(), again) == ok);
    CheckSame(again, settings);
    return 0;
}
