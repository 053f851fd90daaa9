// How the InstallFiles.ini reader compares with the least any reader must do:
// look at every byte once. Both run over the same generated file of 100,000
// entries (about 7 MB), the size of a large game's installation.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>

#include "uninstaller/records/install_file_list.h"
#include "uninstaller/records/record_lexer.h"

namespace {

constexpr int kEntries = 100000;

// A file as the installer writes it: CRLF lines, paths with two-byte
// characters whose second byte is a backslash, a comment now and then.
std::string GenerateInstallFiles() {
    std::string file = "; installed files\r\n#InstallerSetupFileVersion = 3\r\n#InstallFileList\r\n{\r\n";
    file.reserve(7u << 20);
    const char* const folders[] = {"graphics\\event\\\x83\x5C\x95\x5C", "sound\\voice\\\x94\x5C\x97\xCD",
                                   "script\\\x8F\x9B\x95\x5C\x8E\x86", "movie\\opening\\\x83\x5C\x83\x74"};
    char line[160];
    for (int i = 0; i < kEntries; ++i) {
        if (i % 1000 == 0) file += "\t// next chapter\r\n";
        const int size =
            std::snprintf(line, sizeof line, "\t\"data\\%s\\file%06d_variant_a.dat\", %d, 0x%08x\r\n",
                          folders[i % 4], i, (i * 7919) % 9000000, static_cast<unsigned>(i) * 2654435761u);
        file.append(line, static_cast<std::size_t>(size));
    }
    file += "}\r\n";
    return file;
}

const std::string& InstallFiles() {
    static const std::string file = GenerateInstallFiles();
    return file;
}

void ParseInstallFiles(benchmark::State& state) {
    const std::string& file = InstallFiles();
    for (auto _ : state) {
        InstallFileList list;
        if (!ParseInstallFileList(file.data(), file.size(), list) || list.size() != kEntries) {
            state.SkipWithError("the generated file did not parse");
            break;
        }
        benchmark::DoNotOptimize(list.data());
        state.PauseTiming();  // dropping the list is the caller's cost, not the reader's
        InstallFileList().swap(list);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(ParseInstallFiles)->Unit(benchmark::kMillisecond);

// The bare pass: the lexer's class of every byte, counted.
void ClassifyEveryByte(benchmark::State& state) {
    const std::string& file = InstallFiles();
    for (auto _ : state) {
        std::array<std::size_t, 9> counts{};
        for (const char byte : file) ++counts[static_cast<std::size_t>(ClassifyByte(static_cast<unsigned char>(byte)))];
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(ClassifyEveryByte)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
