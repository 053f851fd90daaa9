// libFuzzer target: any bytes through the lexer and both parsers must end
// without a sanitizer report, with bounded token texts and a cursor that
// stays inside the input. Build with clang++ -fsanitize=fuzzer,address,undefined.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/installer_settings.h"
#include "uninstaller/records/record_lexer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* begin = reinterpret_cast<const char*>(data);
    RecordLexer lexer(begin, begin + size);
    std::string text;
    TokenKind kind = TokenKind::Invalid;
    const char* before = lexer.Cursor();
    while (lexer.NextToken(text, kind)) {
        // Every token read moves on, so a reader's loop always ends.
        if (text.size() > kMaxTokenTextSize || lexer.Cursor() <= before || lexer.Cursor() > lexer.End()) std::abort();
        before = lexer.Cursor();
    }
    InstallFileList list;
    (void)ParseInstallFileList(begin, size, list);
    InstallerSettings settings;
    (void)ParseInstallerSettings(begin, size, settings);
    return 0;
}
