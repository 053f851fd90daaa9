// libFuzzer target: the InstallFiles.ini reader over any bytes, in an
// exactly sized heap block (with the "!!" run marker of fuzz/fuzz_support.h).
//
// The reader is compared with a model that applies the file's grammar to the
// token stream: both must agree on the result and on every entry, also on
// failure (entries read before the fault stay). A true result therefore
// means that every token was part of a statement and the lexer ended with
// EndOfInput: the whole input was consumed. Entries are appended behind what
// the list already held.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/records_model.h"
#include "uninstaller/records/install_file_list.h"

namespace {

bool ModelEntry(fuzz::TokenWalk& walk, const std::string& path, InstallFileList& list) {
    InstallFileEntry entry;
    entry.Path = path;
    if (!walk.TakeText(",")) return false;
    const fuzz::LexedToken* decimal = walk.TakeKind(TokenKind::Integer);
    if (decimal == nullptr || !fuzz::DecimalValue(decimal->text, entry.DecimalValue)) return false;
    if (!walk.TakeText(",")) return false;
    const fuzz::LexedToken* hex = walk.TakeKind(TokenKind::HexNumber);
    if (hex == nullptr || !fuzz::HexValue(hex->text, entry.HexValue)) return false;
    list.push_back(entry);
    return true;
}

bool ModelStatement(fuzz::TokenWalk& walk, InstallFileList& list) {
    if (!walk.TakeText("#")) return false;
    const fuzz::LexedToken* key = walk.TakeKind(TokenKind::Identifier);
    if (key == nullptr) return false;
    if (key->text == "InstallerSetupFileVersion") {
        std::int32_t ignored = 0;
        if (!walk.TakeText("=")) return false;
        const fuzz::LexedToken* version = walk.TakeKind(TokenKind::Integer);
        return version != nullptr && fuzz::DecimalValue(version->text, ignored);
    }
    if (key->text != "InstallFileList" || !walk.TakeText("{")) return false;
    for (;;) {
        const fuzz::LexedToken* token = walk.Take();
        if (token == nullptr) return false;  // the end of the input cuts the list off
        if (token->text == "}") return true;
        if (token->kind != TokenKind::String || !ModelEntry(walk, token->text, list)) return false;
    }
}

bool Model(const fuzz::LexedInput& lexed, std::size_t size, InstallFileList& list) {
    if (size == 0) return false;
    fuzz::TokenWalk walk(lexed);
    while (!walk.AtEnd()) {
        if (!ModelStatement(walk, list)) return false;
    }
    return walk.EndedCleanly();
}

bool SameEntries(const InstallFileList& a, const InstallFileList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].Path != b[i].Path || a[i].DecimalValue != b[i].DecimalValue || a[i].HexValue != b[i].HexValue) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::ExactBuffer input(fuzz::ExpandRunMarker(data, size));

    InstallFileList list(1);
    list[0].Path = "already\\there.txt";
    list[0].DecimalValue = -7;
    list[0].HexValue = 0x5C5C;
    const bool ok = ParseInstallFileList(input.begin(), input.size(), list);

    const fuzz::LexedInput lexed = fuzz::LexAll(input.begin(), input.end());
    InstallFileList expected(1);
    expected[0] = InstallFileEntry{"already\\there.txt", -7, 0x5C5C};
    FUZZ_CHECK(ok == Model(lexed, input.size(), expected));
    FUZZ_CHECK(SameEntries(list, expected));
    if (ok) FUZZ_CHECK(lexed.ending == TokenKind::EndOfInput);

    InstallFileList again;
    FUZZ_CHECK(ParseInstallFileList(input.begin(), input.size(), again) == ok);
    FUZZ_CHECK(SameEntries(InstallFileList(list.begin() + 1, list.end()), again));
    return 0;
}
