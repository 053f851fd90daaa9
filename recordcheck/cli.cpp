#include "recordcheck/cli.h"

#include <map>
#include <optional>
#include <system_error>

#include "common/paths.h"
#include "common/sjis.h"
#include "recordcheck/check.h"
#include "recordcheck/encoding.h"
#include "recordcheck/findings.h"
#include "recordcheck/host_folder.h"
#include "recordcheck/language.h"
#include "recordcheck/mirror.h"
#include "recordcheck/output.h"
#include "recordcheck/suppress.h"
#include "uninstaller/removal/containment.h"

namespace recordcheck {

namespace {

const char kUsage[] =
    "usage: recordcheck [OPTIONS] GAME_FOLDER\n"
    "\n"
    "Checks the folder a game's installer produced, before it ships: lays it out\n"
    "on a simulated Windows and runs the Uninstaller's and Prefclear's own code\n"
    "there as a dry run.\n"
    "\n"
    "  --format=text          the whole report (the default)\n"
    "  --format=gcc           one line a finding: FILE:LINE:COLUMN: SEVERITY: ... [CODE]\n"
    "  --json, --format=json  the report as JSON (UTF-8; docs/recordcheck.schema.json)\n"
    "  --format=sarif         the findings as SARIF 2.1.0, for code scanning\n"
    "  --quiet                a summary only: the findings counted by code, and the result\n"
    "  --lang=ja|en           the language of the report (default: the user's; on Linux\n"
    "                         LC_ALL, LC_MESSAGES or LANG, ja* for Japanese)\n"
    "  --install-path PATH    where the game folder lies on the player's machine,\n"
    "                         e.g. 'D:\\Games\\Maker\\Game' (default: C:\\Program Files (x86),\n"
    "                         then DefaultGameMakerName, then DefaultGameFolderName)\n"
    "  --other-game FOLDER    another game of the same maker, installed beside this\n"
    "                         one by its own installer (may be given more than once)\n"
    "  --not-installed KEY    the registry key KEY is not there when the player\n"
    "                         uninstalls: game-key (#Registry) or uninstall-entry\n"
    "                         (may be given twice)\n"
    "  --explain CODE         what a finding code means, why it matters to players and\n"
    "                         how to fix it\n"
    "  --fail-on=LEVEL        the least severe finding that makes the exit status\n"
    "                         non-zero: error, warning (the default) or note\n"
    "  --disable=CODE,...     turn codes off: their findings are counted as suppressed\n"
    "  --baseline FILE        findings FILE lists (known before) are suppressed: only\n"
    "                         new ones fail the check\n"
    "  --write-baseline FILE  write this run's findings to FILE as the baseline\n"
    "  --config FILE          the settings file (default: the nearest .recordcheckrc\n"
    "                         above the game folder); --no-config: none\n"
    "  --version              the version of recordcheck\n"
    "  --                     ends the options: what follows is the game folder\n"
    "\n"
    "Exit status: 0 clean, 1 warnings, 2 errors (records the programs cannot read),\n"
    "3 a bad command line or a folder that cannot be read. Suppressed findings\n"
    "and those below --fail-on count for nothing.\n";

const char kUsageJapanese[] =
    "使い方: recordcheck [オプション] ゲームフォルダー\n"
    "\n"
    "ゲームのインストーラーが作ったフォルダーを出荷前に検査する: シミュレートした\n"
    "Windows にフォルダーを配置し、Uninstaller と Prefclear のコードそのものを\n"
    "ドライランとして実行する。\n"
    "\n"
    "  --format=text          レポート全体 (既定)\n"
    "  --format=gcc           指摘ごとに 1 行: ファイル:行:桁: 重大度: ... [コード]\n"
    "  --json, --format=json  レポートを JSON で (UTF-8、docs/recordcheck.schema.json)\n"
    "  --format=sarif         指摘を SARIF 2.1.0 で (コードスキャン用)\n"
    "  --quiet                要約のみ: コードごとの指摘の数と結果\n"
    "  --lang=ja|en           レポートの言語 (既定: ユーザーの言語。Linux では LC_ALL、\n"
    "                         LC_MESSAGES、LANG の順で、ja* なら日本語)\n"
    "  --install-path PATH    プレイヤーのマシンでのゲームフォルダーの場所\n"
    "                         (例 'D:\\Games\\Maker\\Game'。既定: C:\\Program Files (x86)\n"
    "                         の下の DefaultGameMakerName、その下の DefaultGameFolderName)\n"
    "  --other-game FOLDER    同じメーカーの別のゲーム (自分のインストーラーで隣に\n"
    "                         インストールされたもの。複数指定可)\n"
    "  --not-installed KEY    プレイヤーがアンインストールするときにないレジストリキー:\n"
    "                         game-key (#Registry) か uninstall-entry (2 つとも指定可)\n"
    "  --explain CODE         指摘コードの意味、プレイヤーへの影響、直し方\n"
    "  --fail-on=LEVEL        終了コードを 0 以外にする最も軽い指摘: error、warning\n"
    "                         (既定)、note\n"
    "  --disable=CODE,...     コードを無効にする: その指摘は抑制として数える\n"
    "  --baseline FILE        FILE にある既知の指摘を抑制する: 新しい指摘だけが失敗になる\n"
    "  --write-baseline FILE  この実行の指摘をベースラインとして FILE に書く\n"
    "  --config FILE          設定ファイル (既定: ゲームフォルダーより上で最も近い\n"
    "                         .recordcheckrc)。--no-config: 使わない\n"
    "  --version              recordcheck のバージョン\n"
    "  --                     オプションの終わり: 後ろはゲームフォルダー\n"
    "\n"
    "終了コード: 0 問題なし、1 警告、2 エラー (プログラムが読めない記録)、3 コマンド\n"
    "ラインの誤りか読めないフォルダー。抑制した指摘と --fail-on 未満の指摘は数えない。\n";

// What a bad command line or an unreadable folder ends with.
constexpr int kUsageStatus = 3;

// What is wrong with an --install-path value (CP932), and what to write
// instead; "" for an absolute Windows folder of names Windows can hold.
std::string InstallPathFault(const std::string& path, Language language) {
    const auto say = [language](Words words, const std::vector<std::string>& arguments = {}) {
        return FillWords(words.In(language), arguments);
    };
    const std::string example = say({"e.g. {1}", "例 {1}"}, {"'D:\\Games\\Maker\\Game'"});
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (!drive) return say({"begin with a drive and a backslash, {1}", "ドライブとバックスラッシュで始める。{1}"}, {example});
    if (path.size() > 2 && path[2] == '/') {
        std::string meant = path;
        for (std::size_t i = 0; i < meant.size(); ++i) {
            if (sjis::IsLeadByte(static_cast<unsigned char>(meant[i]))) {
                ++i;
            } else if (meant[i] == '/') {
                meant[i] = '\\';
            }
        }
        return say({"write backslashes, as Windows does: '{1}'", "Windows と同じくバックスラッシュで書く: '{1}'"},
                   {Utf8FromCp932(meant)});
    }
    if (path.size() > 2 && path[2] != '\\') {
        return say({"write a backslash after the drive, {1}", "ドライブの後にバックスラッシュを書く。{1}"}, {example});
    }
    std::string rest = path.size() > 3 ? path.substr(3) : std::string();
    RemoveTrailingSeparator(rest);  // never the 0x5C that ends a character such as 表
    if (rest.empty()) {
        return say({"give the game's own folder, not the drive's root: {1}", "ドライブのルートではなくゲームのフォルダーを指定する: {1}"},
                   {example});
    }
    const StepReason fault = CheckRelativePath(rest);
    if (fault == StepReason::DotsComponent) return say({"write the folder without '.' or '..'", "'.' や '..' を使わずに書く"});
    if (fault == StepReason::EmptyComponent) {
        return say({"write one backslash between names", "名前の間にはバックスラッシュを 1 つだけ書く"});
    }
    // Each name one Windows can hold.
    for (std::string name = rest; !name.empty(); name = GetParentPath(name)) {
        const std::string last = GetLastComponent(name);
        if (!IsWindowsName(last) || IsDeviceName(last)) {
            return say({"'{1}' is no name Windows can hold: rename it", "'{1}' は Windows で使えない名前: 名前を変える"},
                       {Utf8FromCp932(last)});
        }
    }
    return fault == StepReason::None ? std::string()
                                     : say({"write an ordinary folder path, {1}", "普通のフォルダーのパスを書く。{1}"}, {example});
}

const char* Usage(Language language) { return language == Language::Japanese ? kUsageJapanese : kUsage; }

// A command line recordcheck cannot run: the message, and under --json a
// small document that says so (on `out`, where the report would go).
class Refusal {
public:
    Refusal(std::ostream& out, std::ostream& err, bool json, const Language& language)
        : out_(out), err_(err), json_(json), language_(language) {}

    int operator()(const std::string& message, bool usage = false) const {
        err_ << "recordcheck: " << message << "\n" << (usage ? "\n" + std::string(Usage(language_)) : std::string());
        if (json_) {
            WriteRefusal(out_, message, kUsageStatus);
        }
        return kUsageStatus;
    }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool json_;
    const Language& language_;  // as the command line has set it so far
};

enum class Format { Text, Gcc, Json, Sarif, Summary };

// The value of "--name VALUE" or "--name=VALUE" at arguments[i] (i moves on
// past a separate value); false when `argument` is not that option.
bool OptionValue(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
                 std::string& value, bool& missing) {
    const std::string& argument = arguments[i];
    missing = false;
    if (argument == name) {
        if (i + 1 == arguments.size()) {
            missing = true;
            return true;
        }
        value = arguments[++i];
        return true;
    }
    if (argument.rfind(name + "=", 0) != 0) return false;
    value = argument.substr(name.size() + 1);
    return true;
}

}  // namespace

int RunRecordCheck(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   const InstalledMachine* installed) {
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        json = json || argument == "--json" || argument == "--format=json";
    }
    CheckOptions options;
    options.language = SystemLanguage();
    // The language of what is said about the command line itself, too.
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument.rfind("--lang=", 0) == 0) (void)ParseLanguage(argument.substr(7), options.language);
    }
    const Refusal refuse(out, err, json, options.language);
    const auto say = [&options](Words words, const std::vector<std::string>& values = {}) {
        return FillWords(words.In(options.language), values);
    };
    Format format = Format::Text;
    std::string formatGiven;  // the option that chose the format
    bool optionsEnd = false;
    std::string explain;
    Suppressions suppressions;
    std::optional<Severity> failOn;
    std::string baseline;
    std::string writeBaseline;
    std::string config;
    bool noConfig = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnd || argument.rfind("--", 0) != 0) {
            if (!options.hostFolder.empty()) return refuse(say({"one game folder at a time", "ゲームフォルダーは 1 度に 1 つ"}));
            options.hostFolder = argument;
            continue;
        }
        if (argument == "--") {
            optionsEnd = true;
            continue;
        }
        if (argument == "--help") {
            out << Usage(options.language);
            return 0;
        }
        if (argument == "--version") {
            out << "recordcheck " << RECORDCHECK_VERSION << "\n";
            return 0;
        }
        std::string value;
        bool missing = false;
        Format chosen = format;
        if (argument == "--json") {
            chosen = Format::Json;
        } else if (argument == "--quiet") {
            chosen = Format::Summary;
        } else if (argument.rfind("--format=", 0) == 0) {
            value = argument.substr(9);
            if (value == "text") {
                chosen = Format::Text;
            } else if (value == "gcc") {
                chosen = Format::Gcc;
            } else if (value == "json") {
                chosen = Format::Json;
            } else if (value == "sarif") {
                chosen = Format::Sarif;
            } else {
                return refuse(say({"--format takes text, gcc, json or sarif, not {1}",
                                   "--format には text、gcc、json、sarif のどれかを書く ({1} ではなく)"},
                                  {value}));
            }
        } else if (OptionValue(arguments, i, "--explain", value, missing)) {
            if (missing || FindKind(value) == nullptr) return refuse(say({"--explain takes a finding code, e.g. RC301", "--explain には指摘コードを書く (例 RC301)"}));
            explain = value;
            continue;
        } else if (OptionValue(arguments, i, "--fail-on", value, missing)) {
            Severity severity = Severity::Warning;
            if (missing || !ParseSeverity(value, severity)) return refuse(say({"--fail-on takes error, warning or note", "--fail-on には error、warning、note のどれかを書く"}));
            failOn = severity;
            continue;
        } else if (OptionValue(arguments, i, "--disable", value, missing)) {
            std::string fault;
            if (missing) return refuse(say({"--disable needs codes, e.g. --disable=RC401,RC407", "--disable にはコードを書く (例 --disable=RC401,RC407)"}));
            if (!ParseCodes(value, suppressions.disabled, fault, options.language)) return refuse("--disable: " + fault);
            continue;
        } else if (OptionValue(arguments, i, "--baseline", value, missing)) {
            if (missing) return refuse(say({"--baseline needs a file", "--baseline にはファイルを書く"}));
            baseline = value;
            continue;
        } else if (OptionValue(arguments, i, "--write-baseline", value, missing)) {
            if (missing) return refuse(say({"--write-baseline needs a file", "--write-baseline にはファイルを書く"}));
            writeBaseline = value;
            continue;
        } else if (OptionValue(arguments, i, "--config", value, missing)) {
            if (missing) return refuse(say({"--config needs a file", "--config にはファイルを書く"}));
            config = value;
            continue;
        } else if (argument == "--no-config") {
            noConfig = true;
            continue;
        } else if (OptionValue(arguments, i, "--lang", value, missing)) {
            if (missing || !ParseLanguage(value, options.language)) return refuse(say({"--lang takes ja or en", "--lang には ja か en を書く"}));
            continue;
        } else if (OptionValue(arguments, i, "--install-path", value, missing)) {
            if (missing) {
                return refuse(say({"--install-path needs a Windows path, e.g. {1}", "--install-path には Windows のパスを書く (例 {1})"},
                                  {"'D:\\Games\\Maker\\Game'"}));
            }
            if (!Cp932FromUtf8(value, options.installPath)) {
                return refuse("--install-path " + value + ": " +
                              say({"a character code page 932 cannot hold: use Shift-JIS characters",
                                   "コードページ 932 で表せない文字がある: Shift-JIS の文字を使う"}));
            }
            const std::string fault = InstallPathFault(options.installPath, options.language);
            if (!fault.empty()) return refuse("--install-path " + value + ": " + fault);
            continue;
        } else if (OptionValue(arguments, i, "--other-game", value, missing)) {
            if (missing) return refuse(say({"--other-game needs a folder", "--other-game にはフォルダーを書く"}));
            if (KindOfHostPath(value) != HostPathKind::Folder) {
                return refuse("--other-game: " + say({"no such folder: {1}", "フォルダーがない: {1}"}, {value}));
            }
            options.otherGames.push_back(value);
            continue;
        } else if (OptionValue(arguments, i, "--not-installed", value, missing)) {
            if (value == "game-key") {
                options.keys.gameKey = false;
            } else if (value == "uninstall-entry") {
                options.keys.uninstallEntry = false;
            } else {
                return refuse(say({"--not-installed takes game-key or uninstall-entry",
                                   "--not-installed には game-key か uninstall-entry を書く"}));
            }
            continue;
        } else {
            return refuse(say({"unknown option {1} (recordcheck --help lists them; a folder whose name begins with -- "
                               "goes after --)",
                               "知らないオプション {1} (recordcheck --help が一覧を示す。-- で始まる名前のフォルダーは "
                               "-- の後に書く)"},
                              {argument}));
        }
        // One output: two options that ask for two are a mistake, not a choice.
        if (!formatGiven.empty() && chosen != format) {
            return refuse(say({"{1} and {2} ask for two outputs: give one", "{1} と {2} は 2 つの出力を求める: 1 つにする"},
                              {formatGiven, argument}));
        }
        format = chosen;
        formatGiven = argument;
    }
    if (!explain.empty()) {
        out << ExplainPage(*FindKind(explain), options.language, false);
        return 0;
    }
    if (options.hostFolder.empty()) return refuse(say({"no game folder given", "ゲームフォルダーの指定がない"}), true);
    const HostPathKind kind = KindOfHostPath(options.hostFolder);
    if (kind != HostPathKind::Folder) {
        return refuse(kind == HostPathKind::Other
                          ? say({"not a folder: {1}", "フォルダーではない: {1}"}, {options.hostFolder})
                          : say({"no such folder: {1}", "フォルダーがない: {1}"}, {options.hostFolder}));
    }
    if (installed != nullptr) {
        if (!options.installPath.empty() || !options.otherGames.empty() || !options.keys.gameKey ||
            !options.keys.uninstallEntry) {
            return refuse(say({"--install-path, --other-game and --not-installed describe a machine: on Windows "
                               "recordcheck reads the one it runs on",
                               "--install-path、--other-game、--not-installed はマシンを想定するもの: Windows の "
                               "recordcheck は動いているこのマシンを読む"}));
        }
        const std::string full = FullHostPath(options.hostFolder);
        if (!full.empty()) options.hostFolder = full;
        if (!Cp932FromUtf8(options.hostFolder, options.installPath)) {
            return refuse(say({"the game folder's path {1} has a character code page 932 cannot hold: the Uninstaller "
                               "and Prefclear cannot work in it; install the game in a folder whose path has only "
                               "Shift-JIS characters",
                               "ゲームフォルダーのパス {1} にコードページ 932 で表せない文字がある: Uninstaller も "
                               "Prefclear もそこでは動けない。パスが Shift-JIS の文字だけのフォルダーにインストールする"},
                              {options.hostFolder}));
        }
        options.installed = installed;
    }

    // The settings file of the game's source tree; the command line goes first.
    if (config.empty() && !noConfig) config = FindSettingsFile(options.hostFolder);
    if (!config.empty()) {
        Settings settings;
        std::string fault;
        if (!ReadSettings(config, settings, fault, options.language)) return refuse(fault);
        suppressions.disabled.insert(settings.disabled.begin(), settings.disabled.end());
        if (!failOn) failOn = settings.failOn;
        if (baseline.empty() && writeBaseline.empty()) baseline = settings.baseline;
    }
    if (!baseline.empty()) {
        std::string fault;
        if (!ReadBaseline(baseline, suppressions.baseline, fault, options.language)) return refuse(fault);
    }

    Report report;
    std::string failure;
    if (!CheckGameFolder(options, report, failure)) return refuse(failure);
    report.settingsFile = config;
    report.failOn = failOn.value_or(Severity::Warning);
    Suppress(report, suppressions);
    if (!writeBaseline.empty()) {
        // What is known now is the baseline from now on.
        if (!WriteHostFile(writeBaseline, BaselineText(report))) {
            return refuse("--write-baseline: " + say({"cannot write {1}", "{1} に書けない"}, {writeBaseline}));
        }
        std::map<std::string, std::size_t> known;
        std::string fault;
        if (!ReadBaseline(writeBaseline, known, fault, options.language)) return refuse(fault);
        Suppress(report, {suppressions.disabled, known});
    }
    if (format == Format::Gcc) WriteSuppressedCount(err, report);
    switch (format) {
        case Format::Text: WriteText(out, report); break;
        case Format::Gcc: WriteGcc(out, report); break;
        case Format::Json: WriteJson(out, report); break;
        case Format::Sarif: WriteSarif(out, report); break;
        case Format::Summary: WriteSummary(out, report); break;
    }
    return report.ExitCode();
}

}  // namespace recordcheck
