#include "recordcheck/findings.h"

#include <algorithm>

#include "common/sjis.h"

#include "recordcheck/context.h"
#include "recordcheck/encoding.h"
#include "recordcheck/records.h"
#include "recordcheck/steps.h"

namespace recordcheck {

const FindingKind kRecordMissing = {"RC101", Severity::Error,
    {"a record file is missing", "記録ファイルがない"},
    {"have the installer write the file", "インストーラーにこのファイルを書かせる"},
    {"The Uninstaller reads InstallInfo\\Installer.ini and InstallInfo\\InstallFiles.ini beside itself; one of "
     "them is not in the game folder.",
     "Uninstaller は自分の隣の InstallInfo\\Installer.ini と InstallInfo\\InstallFiles.ini "
     "を読むが、そのどちらかがゲームフォルダーにない。"},
    {"Without Installer.ini the uninstall stops before it asks; without InstallFiles.ini it asks, removes nothing "
     "and reports a failure. The player cannot remove the game.",
     "Installer.ini がなければ確認の前に止まり、InstallFiles.ini がなければ確認した後に何も削除せず失敗を報告する。"
     "プレイヤーはゲームを削除できない。"}};
const FindingKind kRecordUnreadable = {"RC102", Severity::Error,
    {"a record file cannot be read", "記録ファイルを読めない"},
    {"make the file a plain, readable file", "普通の読めるファイルにする"},
    {"A record file is there but cannot be read: it is a folder, a link, or locked.",
     "記録ファイルはあるが読めない: フォルダー、リンク、またはロックされている。"},
    {"The Uninstaller stops as if the file were missing, and the player cannot remove the game.",
     "Uninstaller はファイルがないときと同じく止まり、プレイヤーはゲームを削除できない。"}};
const FindingKind kRecordSyntax = {"RC103", Severity::Error,
    {"a record file does not follow its grammar", "記録ファイルが文法に沿っていない"},
    {"write the statement as the guide shows it", "ガイドのとおりに文を書く"},
    {"The Uninstaller's reader stops at a statement it cannot read: a missing quote, a key in the wrong case, a "
     "comma between entries and the like.",
     "Uninstaller の読み取りが、読めない文で止まる: 引用符の抜け、大文字と小文字の違うキー、エントリ間のカンマなど"
     "。"},
    {"The player answers Yes and is told the uninstall failed; nothing is removed.",
     "プレイヤーが「はい」を選ぶとアンインストール失敗と表示され、何も削除されない。"}};
const FindingKind kRecordEncoding = {"RC104", Severity::Error,
    {"a record file is not in Shift-JIS", "記録ファイルが Shift-JIS でない"},
    {"save as Shift-JIS (code page 932) without a byte-order mark",
     "Shift-JIS (コードページ 932)、BOM なしで保存する"},
    {"A record file is saved as UTF-8 or UTF-16, or with a byte-order mark; the programs read Shift-JIS bytes only.",
     "記録ファイルが UTF-8 か UTF-16、または BOM 付きで保存されている。プログラムは Shift-JIS "
     "のバイト列しか読まない。"},
    {"Japanese names turn into other characters: the files and shortcuts they name are not found and stay, or the "
     "file cannot be read at all.",
     "日本語の名前が別の文字になり、それが指すファイルやショートカットは見つからずに残る。ファイルをまったく読めな"
     "いこともある。"}};
const FindingKind kRecordEmpty = {"RC105", Severity::Error,
    {"a record file is empty", "記録ファイルが空"},
    {"write at least one statement (#InstallerSetupFileVersion = 1)",
     "少なくとも 1 つ文を書く (#InstallerSetupFileVersion = 1)"},
    {"A record file has no statement at all.", "記録ファイルに文が 1 つもない。"},
    {"The Uninstaller cannot read it and the player cannot remove the game.",
     "Uninstaller はこれを読めず、プレイヤーはゲームを削除できない。"}};
const FindingKind kValueHasNul = {"RC106", Severity::Warning,
    {"a record holds a NUL byte", "記録に NUL バイトがある"},
    {"remove the NUL byte", "NUL バイトを取り除く"},
    {"A value or an entry holds a NUL byte; the programs read text only up to it.",
     "値かエントリに NUL バイトがある。プログラムはそこまでしか文字列を読まない。"},
    {"The programs act on a shorter name than you wrote: the file it names stays, or another one is taken.",
     "書いたものより短い名前で動くので、指したファイルが残るか、別のものが対象になる。"}};
const FindingKind kGameNameEmpty = {"RC201", Severity::Warning,
    {"GameName is empty", "GameName が空"},
    {"set #GameName to the game's name", "#GameName にゲーム名を書く"},
    {"#GameName is empty.", "#GameName が空。"},
    {"The question before the uninstall names no game, and the program-menu shortcuts in the game's menu folder "
     "stay.",
     "アンインストール前の確認にゲーム名が出ず、ゲームのメニューフォルダーにあるショートカットが残る。"}};
const FindingKind kRegistryEmpty = {"RC202", Severity::Warning,
    {"Registry is empty", "Registry が空"},
    {"set #Registry to the game's key, e.g. SOFTWARE\\Maker\\Game",
     "#Registry にゲームのキーを書く (例: SOFTWARE\\Maker\\Game)"},
    {"#Registry is empty or missing: the game names no registry key.",
     "#Registry が空かない: ゲームのレジストリキーが指定されていない。"},
    {"The Uninstaller looks for an uninstall entry named after nothing: the game's real entry stays in the list of "
     "installed programs after the uninstall.",
     "Uninstaller は名前のないアンインストールエントリを探すので、ゲームの本当のエントリはアンインストール後もイン"
     "ストール済みプログラムの一覧に残る。"}};
const FindingKind kRegistryRefused = {"RC203", Severity::Warning,
    {"the Uninstaller refuses the game's key", "Uninstaller がゲームのキーを拒む"},
    {"name the key SOFTWARE\\<maker>\\<game>, one backslash between names",
     "キーを SOFTWARE\\<メーカー>\\<ゲーム> とし、名前の間にはバックスラッシュを 1 つだけ書く"},
    {"#Registry names a key the Uninstaller refuses to delete: a system key, or a path with an empty name.",
     "#Registry が、Uninstaller が削除を拒むキーを指す: システムのキーか、空の名前を含むパス。"},
    {"The game's key stays on the player's machine after the uninstall.",
     "アンインストール後もゲームのキーがプレイヤーのマシンに残る。"}};
const FindingKind kUninstallerAbsent = {"RC204", Severity::Warning,
    {"the Uninstaller is not in the game folder", "Uninstaller がゲームフォルダーにない"},
    {"install Uninstaller.exe into the game folder", "Uninstaller.exe をゲームフォルダーにインストールする"},
    {"Uninstaller.exe (or the name #UninstallerExeFileName gives) is not in the game folder.",
     "Uninstaller.exe (または #UninstallerExeFileName の名前) がゲームフォルダーにない。"},
    {"The uninstall entry in the list of installed programs starts nothing: the player cannot uninstall the game "
     "from there.",
     "インストール済みプログラムの一覧のアンインストールエントリが何も起動せず、プレイヤーはそこからアンインストー"
     "ルできない。"}};
const FindingKind kLinkNameExtension = {"RC205", Severity::Warning,
    {"a shortcut name ends in .lnk", "ショートカット名が .lnk で終わる"},
    {"write the shortcut's name without .lnk", "ショートカット名を .lnk なしで書く"},
    {"A shortcut name in Installer.ini ends in .lnk; the Uninstaller appends .lnk itself.",
     "Installer.ini のショートカット名が .lnk で終わる。Uninstaller は自分で .lnk を付ける。"},
    {"The Uninstaller looks for name.lnk.lnk, and the shortcut stays on the player's desktop or menu.",
     "Uninstaller は 名前.lnk.lnk を探すので、ショートカットがプレイヤーのデスクトップやメニューに残る。"}};
const FindingKind kNotShiftJis = {"RC206", Severity::Warning,
    {"a record value is not Shift-JIS", "記録の値が Shift-JIS でない"},
    {"write the value in Shift-JIS (code page 932)", "値を Shift-JIS (コードページ 932) で書く"},
    {"A record value holds bytes that are not valid Shift-JIS.",
     "記録の値に正しい Shift-JIS でないバイト列がある。"},
    {"The programs show or look for other characters: the question shows garbled text, and what the value names is "
     "not found.",
     "プログラムは別の文字を表示したり探したりする: 確認のメッセージが文字化けし、値が指すものが見つからない。"}};
const FindingKind kShortcutRefused = {"RC207", Severity::Warning,
    {"the Uninstaller refuses a shortcut's name", "Uninstaller がショートカット名を拒む"},
    {"name the shortcut as a plain file name below its folder",
     "ショートカット名をそのフォルダー直下の普通のファイル名にする"},
    {"A shortcut name leaves its folder or is no plain file name, and the Uninstaller refuses it.",
     "ショートカット名がフォルダーの外を指すか普通のファイル名でなく、Uninstaller が拒む。"},
    {"The shortcut stays on the player's desktop or menu.",
     "ショートカットがプレイヤーのデスクトップやメニューに残る。"}};
const FindingKind kShortcutStays = {"RC208", Severity::Warning,
    {"a shortcut stays", "ショートカットが残る"},
    {"make the shortcut a plain .lnk file where the record says",
     "記録のとおりの場所に普通の .lnk ファイルとして作る"},
    {"A shortcut the Uninstaller should delete cannot be deleted where the record says.",
     "Uninstaller が削除すべきショートカットを、記録の場所で削除できない。"},
    {"The shortcut stays on the player's desktop or menu and starts nothing.",
     "ショートカットがプレイヤーのデスクトップやメニューに残り、何も起動しない。"}};
const FindingKind kMenuRefused = {"RC209", Severity::Warning,
    {"the Uninstaller does not go into the menu folder", "Uninstaller がメニューフォルダーに入らない"},
    {"make DefaultGameMakerProgramMenuName and GameName plain folder names",
     "DefaultGameMakerProgramMenuName と GameName を普通のフォルダー名にする"},
    {"DefaultGameMakerProgramMenuName or GameName is no plain folder name, and the Uninstaller does not go into "
     "the menu folder.",
     "DefaultGameMakerProgramMenuName か GameName が普通のフォルダー名でなく、Uninstaller "
     "はメニューフォルダーに入らない。"},
    {"The game's program-menu shortcuts and folders stay in the player's start menu.",
     "ゲームのプログラムメニューのショートカットとフォルダーがプレイヤーのスタートメニューに残る。"}};
const FindingKind kMenuFolderStays = {"RC210", Severity::Warning,
    {"the game's menu folder stays", "ゲームのメニューフォルダーが残る"},
    {"put only the listed shortcuts into the game's menu folder",
     "ゲームのメニューフォルダーには記録にあるショートカットだけを置く"},
    {"The game's menu folder holds more than the shortcuts Installer.ini lists.",
     "ゲームのメニューフォルダーに、Installer.ini にあるもの以外のショートカットがある。"},
    {"The menu folder stays in the player's start menu after the uninstall.",
     "アンインストール後もメニューフォルダーがプレイヤーのスタートメニューに残る。"}};
const FindingKind kMakerFolderName = {"RC211", Severity::Warning,
    {"the folder above the game is never removed", "ゲームの上のフォルダーが削除されない"},
    {"install below a folder named exactly DefaultGameMakerName",
     "DefaultGameMakerName とまったく同じ名前のフォルダーの下にインストールする"},
    {"The folder above the game folder is not named exactly DefaultGameMakerName, so the Uninstaller never removes "
     "it.",
     "ゲームフォルダーの上のフォルダーが DefaultGameMakerName とまったく同じ名前でなく、Uninstaller は削除しない。"},
    {"An empty maker folder stays in the player's Program Files.",
     "空のメーカーフォルダーがプレイヤーの Program Files に残る。"}};
const FindingKind kEntryNotOpened = {"RC212", Severity::Warning,
    {"the uninstall entry cannot be opened: the player is told the uninstall failed",
     "アンインストールエントリを開けない: プレイヤーにはアンインストール失敗と表示される"},
    {"run the uninstall with administrator rights", "アンインストールを管理者権限で実行する"},
    {"The Uninstaller cannot open the game's uninstall entry: no administrator rights, or a name longer than the "
     "registry allows.",
     "Uninstaller がゲームのアンインストールエントリを開けない: 管理者権限がないか、名前がレジストリの上限より長い"
     "。"},
    {"The player is told the uninstall failed, after the files are gone.",
     "ファイルが削除された後に、プレイヤーにはアンインストール失敗と表示される。"}};
const FindingKind kGameKeyStays = {"RC213", Severity::Warning,
    {"the game's registry key or uninstall entry stays", "ゲームのレジストリキーかアンインストールエントリが残る"},
    {"keep subkeys out of the game's key and its uninstall entry",
     "ゲームのキーとアンインストールエントリの下にサブキーを作らない"},
    {"The game's registry key or its uninstall entry holds subkeys; the Uninstaller deletes only keys without them.",
     "ゲームのレジストリキーかアンインストールエントリにサブキーがある。Uninstaller はサブキーのないキーだけを削除"
     "する。"},
    {"The key stays in the player's registry, or the game stays in the list of installed programs.",
     "キーがプレイヤーのレジストリに残るか、ゲームがインストール済みプログラムの一覧に残る。"}};
const FindingKind kOtherGameTaken = {"RC214", Severity::Warning,
    {"this uninstall removes what another game of yours installed",
     "このアンインストールが自社の別のゲームがインストールしたものを削除する"},
    {"give each game its own names", "ゲームごとに別の名前を付ける"},
    {"This game's records name a shortcut, menu folder, key or uninstall entry that another game of yours "
     "installed too (see --other-game).",
     "このゲームの記録が、自社の別のゲームもインストールしたショートカット、メニューフォルダー、キー、アンインスト"
     "ールエントリを指す (--other-game を参照)。"},
    {"Uninstalling this game breaks the other one: its shortcuts go, or it vanishes from the list of installed "
     "programs.",
     "このゲームをアンインストールすると別のゲームが壊れる: ショートカットが消えたり、インストール済みプログラムの"
     "一覧から消えたりする。"}};
const FindingKind kListedMissing = {"RC301", Severity::Warning,
    {"a listed file is not in the folder", "記録にあるファイルがフォルダーにない"},
    {"install the file, or take its entry out of InstallFiles.ini",
     "ファイルをインストールするか、InstallFiles.ini からそのエントリを外す"},
    {"An entry of InstallFiles.ini names a file that is not in the game folder.",
     "InstallFiles.ini のエントリが、ゲームフォルダーにないファイルを指す。"},
    {"Nothing is lost, but a listed folder that is missing makes the player see an error box for it.",
     "失われるものはないが、記録にあるフォルダーがないと、プレイヤーにはそのエラーメッセージが出る。"}};
const FindingKind kListedRefused = {"RC302", Severity::Warning,
    {"the Uninstaller refuses a listed entry", "Uninstaller が記録のエントリを拒む"},
    {"list a path relative to the game folder, without links on the way",
     "ゲームフォルダーからの相対パスを、途中にリンクを挟まずに書く"},
    {"The Uninstaller refuses an entry: its path leaves the game folder, is absolute, names a device, holds a "
     "wildcard or broken Shift-JIS, or passes a link.",
     "Uninstaller がエントリを拒む: パスがゲームフォルダーの外を指す、絶対パス、デバイス名、ワイルドカードや壊れた "
     "Shift-JIS を含む、またはリンクを通る。"},
    {"The file stays in the player's game folder, and so does the folder.",
     "ファイルがプレイヤーのゲームフォルダーに残り、フォルダーも残る。"}};
const FindingKind kListedStays = {"RC303", Severity::Warning,
    {"a listed entry cannot be deleted", "記録のエントリを削除できない"},
    {"list files only (their folders go by themselves), none of them read-only",
     "ファイルだけを記録し (フォルダーは自動で消える)、読み取り専用にしない"},
    {"A listed entry is a folder, a link or a read-only file, which the Uninstaller does not delete.",
     "記録のエントリがフォルダー、リンク、または読み取り専用ファイルで、Uninstaller は削除しない。"},
    {"It stays, with its folders and the game folder.", "それが残り、そのフォルダーとゲームフォルダーも残る。"}};
const FindingKind kFolderStays = {"RC304", Severity::Warning,
    {"a listed folder stays and the player sees a box",
     "記録にあるフォルダーが残り、プレイヤーにメッセージボックスが出る"},
    {"list every file the installer puts into the folder",
     "インストーラーがそのフォルダーに置くファイルをすべて記録する"},
    {"A folder of the listed files still holds something when the Uninstaller removes it.",
     "記録にあるファイルのフォルダーに、Uninstaller が削除するときまだ何かが入っている。"},
    {"The player sees an error box for the folder, and it stays with what it holds.",
     "プレイヤーにはそのフォルダーのエラーメッセージが出て、フォルダーは中身とともに残る。"}};
const FindingKind kRecordStays = {"RC305", Severity::Warning,
    {"a record or the record folder stays", "記録ファイルか記録フォルダーが残る"},
    {"keep InstallInfo to the three records; list all of them or none",
     "InstallInfo には 3 つの記録だけを置き、すべて記録するか 1 つも記録しない"},
    {"InstallInfo holds more than the three records, or only some of them are listed.",
     "InstallInfo に 3 つの記録以外のものがあるか、記録の一部だけが記録されている。"},
    {"InstallInfo and the game folder stay after the uninstall.",
     "アンインストール後も InstallInfo とゲームフォルダーが残る。"}};
const FindingKind kUnlisted = {"RC401", Severity::Warning,
    {"a file no record lists stays", "どの記録にもないファイルが残る"},
    {"list the file in InstallFiles.ini", "そのファイルを InstallFiles.ini に記録する"},
    {"A file in the game folder is listed nowhere, and the Uninstaller removes only listed files.",
     "ゲームフォルダーのファイルがどこにも記録されていない。Uninstaller は記録にあるファイルだけを削除する。"},
    {"It stays, and so do its folders and the game folder; for a listed folder the player sees an error box.",
     "それが残り、そのフォルダーとゲームフォルダーも残る。記録にあるフォルダーならプレイヤーにエラーメッセージが出"
     "る。"}};
const FindingKind kGameFolderStays = {"RC402", Severity::Warning,
    {"the game folder stays", "ゲームフォルダーが残る"},
    {"list every file the installer writes", "インストーラーが書くファイルをすべて記録する"},
    {"The game folder is not empty when the Uninstaller removes it.",
     "Uninstaller が削除するとき、ゲームフォルダーが空でない。"},
    {"The game folder stays in the player's Program Files, and the player is not told.",
     "ゲームフォルダーがプレイヤーの Program Files に残り、プレイヤーには知らされない。"}};
const FindingKind kNameNotShiftJis = {"RC403", Severity::Warning,
    {"a file name code page 932 cannot hold", "コードページ 932 で表せないファイル名"},
    {"rename it with characters of Shift-JIS", "Shift-JIS の文字で名前を付け直す"},
    {"A file name holds a character code page 932 (Shift-JIS) cannot hold exactly (such as ¥, 〜 U+301C, emoji).",
     "ファイル名に、コードページ 932 (Shift-JIS) で正確に表せない文字 (¥、〜 U+301C、絵文字など) がある。"},
    {"No record can name it, and the Uninstaller, an ANSI program, cannot delete it: it stays with its folders.",
     "どの記録にも書けず、ANSI プログラムである Uninstaller は削除できない。フォルダーとともに残る。"}};
const FindingKind kNameInvalid = {"RC404", Severity::Warning,
    {"a file name Windows cannot hold", "Windows で使えないファイル名"},
    {"rename it", "名前を変える"},
    {"A file name holds what Windows does not allow in a name (a backslash, a dot or space at its end), or is a "
     "device name.",
     "ファイル名に Windows が名前に許さないもの (バックスラッシュ、末尾のドットや空白) があるか、デバイス名である。"},
    {"The installer cannot write it as named on the player's machine, and what it writes the Uninstaller may not "
     "delete.",
     "インストーラーはプレイヤーのマシンにその名前で書けず、書いたものを Uninstaller が削除できないことがある。"}};
const FindingKind kNameTwice = {"RC405", Severity::Warning,
    {"two names Windows takes for one", "Windows が同じものとみなす 2 つの名前"},
    {"rename one of them", "どちらかの名前を変える"},
    {"Two names in one folder differ only in letter case or in trailing dots and spaces; Windows takes them for "
     "one.",
     "同じフォルダーの 2 つの名前が、大文字と小文字か末尾のドットや空白だけ違う。Windows は同じものとみなす。"},
    {"On the player's machine one overwrites the other: the game may break, and the check cannot tell which stays.",
     "プレイヤーのマシンでは一方が他方を上書きする。ゲームが壊れることがあり、どちらが残るかは検査できない。"}};
const FindingKind kPathTooLong = {"RC406", Severity::Warning,
    {"a path too long for the programs", "プログラムが扱えない長さのパス"},
    {"shorten the path below 260 characters", "パスを 260 文字未満に縮める"},
    {"A path below the game folder is 260 characters or longer where the game is installed.",
     "インストール先で、ゲームフォルダーの下のパスが 260 文字以上になる。"},
    {"The programs cannot reach it: it stays, with everything below it and the game folder.",
     "プログラムはそこに届かない: その下のものすべてとゲームフォルダーとともに残る。"}};
const FindingKind kNameRawBytes = {"RC407", Severity::Note,
    {"a file name that is not UTF-8 on this system", "このシステムで UTF-8 でないファイル名"},
    {"nothing, if the bytes are the Shift-JIS name", "そのバイト列が Shift-JIS の名前なら何もしなくてよい"},
    {"A file name on your disk is not UTF-8; recordcheck takes its bytes as Shift-JIS.",
     "ディスク上のファイル名が UTF-8 でない。recordcheck はそのバイト列を Shift-JIS とみなす。"},
    {"Nothing, when the bytes are the Shift-JIS name the installer writes.",
     "そのバイト列がインストーラーの書く Shift-JIS の名前なら、影響はない。"}};
const FindingKind kStartupStops = {"RC501", Severity::Error,
    {"Prefclear cannot read the start-up settings", "Prefclear が起動設定を読めない"},
    {"write the statement as the guide shows it", "ガイドのとおりに文を書く"},
    {"Prefclear stops reading OrrinStart.ini or a file it includes: a missing quote, an include that is not there, "
     "an include loop and the like.",
     "Prefclear が OrrinStart.ini かそのインクルードの読み取りで止まる: 引用符の抜け、ないインクルード、インクルー"
     "ドの循環など。"},
    {"The player sees an error box and the configuration is not reset.",
     "プレイヤーにはエラーメッセージが出て、設定はリセットされない。"}};
const FindingKind kStartupUnknownKey = {"RC502", Severity::Warning,
    {"a word Prefclear does not know", "Prefclear が知らない語"},
    {"write the key as the guide shows it (keys are case-sensitive)",
     "ガイドのとおりにキーを書く (キーは大文字と小文字を区別する)"},
    {"OrrinStart.ini holds a word Prefclear does not know: a key in the wrong case, a section line, a typo.",
     "OrrinStart.ini に Prefclear が知らない語がある: 大文字と小文字の違うキー、セクション行、打ち間違いなど。"},
    {"The player sees an error box for each such word before the configuration is reset.",
     "設定がリセットされる前に、そのような語ごとにプレイヤーにエラーメッセージが出る。"}};
const FindingKind kStartupEncoding = {"RC503", Severity::Warning,
    {"the start-up settings are not in Shift-JIS", "起動設定が Shift-JIS でない"},
    {"save as Shift-JIS (code page 932) without a byte-order mark",
     "Shift-JIS (コードページ 932)、BOM なしで保存する"},
    {"OrrinStart.ini or a file it includes is not saved as Shift-JIS.",
     "OrrinStart.ini かそのインクルードが Shift-JIS で保存されていない。"},
    {"Prefclear reads Japanese text as other characters: it asks about a garbled game name and resets the settings "
     "of a folder that is not the game's.",
     "Prefclear は日本語を別の文字として読む: 文字化けしたゲーム名で確認し、ゲームのものでないフォルダーの設定をリ"
     "セットする。"}};
const FindingKind kSaveSettingInvalid = {"RC504", Severity::Warning,
    {"SaveFolderSetting.ini is not valid", "SaveFolderSetting.ini が正しくない"},
    {"write the twelve bytes the guide shows", "ガイドにある 12 バイトを書く"},
    {"InstallInfo\\SaveFolderSetting.ini is not the twelve bytes Prefclear reads.",
     "InstallInfo\\SaveFolderSetting.ini が、Prefclear の読む 12 バイトでない。"},
    {"Prefclear takes the documents folder without a word: where the save data lies elsewhere, the settings are "
     "not reset.",
     "Prefclear は何も言わずに文書フォルダーを使う。セーブデータがほかにあれば、設定はリセットされない。"}};
const FindingKind kStartupClimbs = {"RC505", Severity::Error,
    {"GameName or SaveFolder holds '..'", "GameName か SaveFolder に '..' がある"},
    {"name the save folder without '..'", "セーブフォルダー名に '..' を使わない"},
    {"GameName or SaveFolder in OrrinStart.ini holds a '..' component.",
     "OrrinStart.ini の GameName か SaveFolder に '..' がある。"},
    {"Prefclear stops before it deletes anything: the player cannot reset the configuration.",
     "Prefclear は何も削除せずに止まり、プレイヤーは設定をリセットできない。"}};

// What the real machine holds (recordcheck.exe, which reads the installation).
const FindingKind kKeyOnly64 = {"RC601", Severity::Error,
    {"a key is only in the 64-bit registry view", "キーが 64 ビットのレジストリビューにしかない"},
    {"write the key in the 32-bit view", "キーを 32 ビットのビューに書く"},
    {"The game's key or uninstall entry is only in the 64-bit registry view; the Uninstaller, a 32-bit program, "
     "reads the 32-bit view.",
     "ゲームのキーかアンインストールエントリが 64 ビットのレジストリビューにしかない。32 ビットのプログラムである "
     "Uninstaller は 32 ビットのビューを読む。"},
    {"The key stays, or the game stays in the list of installed programs, while the uninstall reports success.",
     "アンインストールが成功と報告しても、キーが残るか、ゲームがインストール済みプログラムの一覧に残る。"}};
const FindingKind kEntryStartsOther = {"RC602", Severity::Error,
    {"the uninstall entry does not start this game's Uninstaller",
     "アンインストールエントリがこのゲームの Uninstaller を起動しない"},
    {"set UninstallString to the quoted path of the game's Uninstaller.exe",
     "UninstallString をこのゲームの Uninstaller.exe の引用符付きパスにする"},
    {"The uninstall entry's UninstallString does not start, quoted, this game's Uninstaller.",
     "アンインストールエントリの UninstallString が、このゲームの Uninstaller を引用符付きで起動しない。"},
    {"Uninstalling from the list of installed programs starts another program, or nothing.",
     "インストール済みプログラムの一覧からアンインストールすると、別のプログラムが起動するか、何も起動しない。"}};
const FindingKind kShortcutNotMade = {"RC603", Severity::Warning,
    {"a shortcut the records name is not on this machine", "記録にあるショートカットがこのマシンにない"},
    {"make the shortcut for all users, named as the record says",
     "ショートカットを全ユーザー用に、記録のとおりの名前で作る"},
    {"A shortcut Installer.ini names is not where the Uninstaller looks for it (the all-users desktop and program "
     "menu).",
     "Installer.ini にあるショートカットが、Uninstaller の探す場所 (全ユーザーのデスクトップとプログラムメニュー) "
     "にない。"},
    {"A shortcut the installer put elsewhere stays after the uninstall and starts nothing.",
     "インストーラーがほかの場所に置いたショートカットは、アンインストール後も残り、何も起動しない。"}};
const FindingKind kEntryNotInstalled = {"RC604", Severity::Warning,
    {"the uninstall entry is not on this machine", "アンインストールエントリがこのマシンにない"},
    {"have the installer write the uninstall entry", "インストーラーにアンインストールエントリを書かせる"},
    {"There is no uninstall entry for the game in either registry view.",
     "どちらのレジストリビューにもゲームのアンインストールエントリがない。"},
    {"The game does not show in the list of installed programs: players cannot find how to uninstall it.",
     "ゲームがインストール済みプログラムの一覧に出ず、プレイヤーはアンインストールの方法が分からない。"}};
const FindingKind kGameKeyNotInstalled = {"RC605", Severity::Note,
    {"the game's registry key is not on this machine", "ゲームのレジストリキーがこのマシンにない"},
    {"nothing, if the game keeps no key", "ゲームがキーを使わないなら何もしなくてよい"},
    {"The key #Registry names is in neither registry view.",
     "#Registry が指すキーがどちらのレジストリビューにもない。"},
    {"Nothing, if the game keeps no settings there.", "ゲームがそこに設定を置かないなら、影響はない。"}};

const FindingKind* const kAllFindingKinds[] = {
    &kRecordMissing,     &kRecordUnreadable, &kRecordSyntax,      &kRecordEncoding,    &kRecordEmpty,
    &kValueHasNul,
    &kGameNameEmpty,     &kRegistryEmpty,    &kRegistryRefused,   &kUninstallerAbsent, &kLinkNameExtension,
    &kNotShiftJis,       &kShortcutRefused,  &kShortcutStays,     &kMenuRefused,       &kMenuFolderStays,
    &kMakerFolderName,   &kEntryNotOpened,   &kGameKeyStays,      &kOtherGameTaken,
    &kListedMissing,     &kListedRefused,
    &kListedStays,       &kFolderStays,      &kRecordStays,       &kUnlisted,          &kGameFolderStays,
    &kNameNotShiftJis,   &kNameInvalid,      &kNameTwice,         &kPathTooLong,       &kNameRawBytes,
    &kStartupStops,      &kStartupUnknownKey, &kStartupEncoding,  &kSaveSettingInvalid, &kStartupClimbs,
    &kKeyOnly64,         &kEntryStartsOther, &kShortcutNotMade,   &kEntryNotInstalled, &kGameKeyNotInstalled,
};
const std::size_t kFindingKindCount = sizeof kAllFindingKinds / sizeof kAllFindingKinds[0];

const FindingKind* FindKind(const std::string& code) {
    for (const FindingKind* kind : kAllFindingKinds) {
        if (code == kind->code) return kind;
    }
    return nullptr;
}

Words SeverityWords(Severity severity) {
    switch (severity) {
        case Severity::Error: return {"error", "エラー"};
        case Severity::Warning: return {"warning", "警告"};
        case Severity::Note: return {"note", "注記"};
    }
    return {"", ""};
}

std::string ExplainPage(const FindingKind& kind, Language language, bool markdown) {
    static const Words kMeaning = {"What it means", "意味"};
    static const Words kPlayers = {"Why it matters to players", "プレイヤーへの影響"};
    static const Words kFix = {"How to fix it", "直し方"};
    const std::string severity = SeverityWords(kind.severity).In(language);
    std::string page;
    if (markdown) {
        page = std::string("**") + kind.title.In(language) + "** (" + severity + ")\n\n";
    } else {
        page = std::string(kind.code) + " (" + severity + "): " + kind.title.In(language) + "\n\n";
    }
    for (const auto& [heading, text] : {std::make_pair(kMeaning, kind.meaning), std::make_pair(kPlayers, kind.players),
                                        std::make_pair(kFix, kind.fix)}) {
        page += markdown ? std::string(heading.In(language)) + ": " + text.In(language) + "\n\n"
                         : std::string(heading.In(language)) + "\n    " + text.In(language) + "\n\n";
    }
    page.pop_back();
    return page;
}

// Every cause with its words, in the order of Cause. {1}, {2} ... are the
// finding's arguments; for a finding about a step of the uninstall, {1} is
// the step in words and its own arguments follow.
const CauseText kCauseTexts[] = {
    {Cause::Plain, nullptr,
     {"{1}", "{1}"},
     {"", ""}},
    // The record files.
    {Cause::RecordMissing, &kRecordMissing,
     {"the file is missing: the Uninstaller stops before its question",
      "ファイルがない: Uninstaller は確認の前に止まる"},
     {"have the installer write the file", "インストーラーにこのファイルを書かせる"}},
    {Cause::StartupMissing, &kStartupStops,
     {"Prefclear is shipped, but there is no OrrinStart.ini for it to read",
      "Prefclear を同梱しているが、読むべき OrrinStart.ini がない"},
     {"ship OrrinStart.ini in the game folder, or leave Prefclear.exe out",
      "OrrinStart.ini をゲームフォルダーに入れるか、Prefclear.exe を外す"}},
    {Cause::RecordUnreadable, &kRecordUnreadable,
     {"the file cannot be read", "ファイルを読めない"},
     {"make the file a plain, readable file", "普通の読めるファイルにする"}},
    {Cause::SyntaxCommaBetweenEntries, &kRecordSyntax,
     {"a comma after an entry: the Uninstaller stops reading here",
      "エントリの後にカンマがある: Uninstaller はここで読むのをやめる"},
     {"remove the comma: entries follow one another with nothing between them",
      "カンマを取る: エントリは間に何も挟まずに並べる"}},
    {Cause::SyntaxKeyCase, &kRecordSyntax,
     {"{1} is no key: keys are case-sensitive; the Uninstaller stops reading here",
      "{1} はキーではない (キーは大文字と小文字を区別する): Uninstaller はここで読むのをやめる"},
     {"write {2}", "{2} と書く"}},
    {Cause::SyntaxUnknownKey, &kRecordSyntax,
     {"{1} is no key of this file: the Uninstaller stops reading here",
      "{1} はこのファイルのキーではない: Uninstaller はここで読むのをやめる"},
     {"remove the statement, or write one of the keys the guide lists for this file",
      "この文を取るか、ガイドがこのファイルに挙げるキーのどれかを書く"}},
    {Cause::SyntaxNoHash, &kRecordSyntax,
     {"a statement begins here without #: the Uninstaller stops reading here",
      "# のない文がここから始まる: Uninstaller はここで読むのをやめる"},
     {"begin every statement with # and its key, e.g. #GameName = \"...\"",
      "文はすべて # とキーで始める (例: #GameName = \"...\")"}},
    {Cause::SyntaxHexUpperX, &kRecordSyntax,
     {"the hexadecimal number is written with an upper-case X", "16 進数が大文字の X で書かれている"},
     {"write it with a lower-case 0x (0x1a2b3c4d)", "小文字の 0x で書く (0x1a2b3c4d)"}},
    {Cause::SyntaxHexExpected, &kRecordSyntax,
     {"the third value of an entry must be a hexadecimal number, found {1}",
      "エントリの 3 つ目の値は 16 進数でなければならないが、{1} がある"},
     {"write the third value in hexadecimal with 0x (0x1a2b3c4d)",
      "3 つ目の値を 0x 付きの 16 進数で書く (0x1a2b3c4d)"}},
    {Cause::SyntaxIntegerExpected, &kRecordSyntax,
     {"{1} takes a whole decimal number, found {2}", "{1} は 10 進の整数をとるが、{2} がある"},
     {"write a whole decimal number, without a point or 0x", "小数点も 0x も付けずに 10 進の整数を書く"}},
    {Cause::SyntaxEscapedQuote, &kRecordSyntax,
     {"the string ends at the quote after its backslash: strings have no escapes, so the text after it is read as "
      "more statements",
      "文字列はバックスラッシュの後の引用符で終わる: 文字列にエスケープはないので、その後ろは次の文として読まれる"},
     {"remove the \\\": a value cannot hold a double quote", "\\\" を取る: 値に二重引用符は入れられない"}},
    {Cause::SyntaxQuoteMissing, &kRecordSyntax,
     {"the string opened here has no closing quote (the Uninstaller stops reading at {1} further on)",
      "ここで始まる文字列に閉じ引用符がない (Uninstaller は先の {1} で読むのをやめる)"},
     {"add the closing quote", "閉じ引用符を書く"}},
    {Cause::SyntaxCommentAtEnd, &kRecordSyntax,
     {"the file ends in a ';' comment without a line feed: the Uninstaller cannot read the file",
      "ファイルが改行のない ';' コメントで終わる: Uninstaller はこのファイルを読めない"},
     {"end the file with a line feed (or begin the comment with //)",
      "ファイルの最後に改行を入れる (またはコメントを // で始める)"}},
    {Cause::SyntaxUnquotedJapanese, &kRecordSyntax,
     {"Japanese text outside double quotes: the Uninstaller stops reading here",
      "二重引用符の外に日本語がある: Uninstaller はここで読むのをやめる"},
     {"put the text in double quotes", "その文字列を二重引用符で囲む"}},
    {Cause::SyntaxUnquotedValue, &kRecordSyntax,
     {"the value of {1} must be text in double quotes, found {2}",
      "{1} の値は二重引用符で囲んだ文字列でなければならないが、{2} がある"},
     {"put the value in double quotes", "値を二重引用符で囲む"}},
    {Cause::SyntaxEqualsMissing, &kRecordSyntax,
     {"{1} is not followed by =", "{1} の後に = がない"},
     {"write = between {1} and its value", "{1} と値の間に = を書く"}},
    {Cause::SyntaxEqualsBeforeList, &kRecordSyntax,
     {"#InstallFileList takes no =", "#InstallFileList には = を書かない"},
     {"remove the =: write #InstallFileList, then {", "= を取り、#InstallFileList の後に { を書く"}},
    {Cause::SyntaxBraceMissing, &kRecordSyntax,
     {"#InstallFileList is not followed by {", "#InstallFileList の後に { がない"},
     {"open the list with { and close it with }", "一覧を { で開き } で閉じる"}},
    {Cause::SyntaxEntryComma, &kRecordSyntax,
     {"the values of an entry are not separated by a comma here", "ここでエントリの値がカンマで区切られていない"},
     {"write each entry as \"path\" , decimal , 0xhex", "エントリは \"パス\" , 10 進数 , 0x16 進数 と書く"}},
    {Cause::SyntaxShortcutComma, &kRecordSyntax,
     {"#{1} takes two texts separated by a comma", "#{1} はカンマで区切った 2 つの文字列をとる"},
     {"write #{1} = \"your value\" , \"shortcut name\"", "#{1} = \"値\" , \"ショートカット名\" と書く"}},
    {Cause::SyntaxEndOfFile, &kRecordSyntax,
     {"the file ends inside a statement{1}", "文{1}の途中でファイルが終わる"},
     {"complete the statement{1}", "文{1}を最後まで書く"}},
    {Cause::SyntaxEndOfFileInList, &kRecordSyntax,
     {"the file ends inside a statement{1}", "文{1}の途中でファイルが終わる"},
     {"complete the statement{1} and close the list with }", "文{1}を最後まで書き、一覧を } で閉じる"}},
    {Cause::SyntaxEntryDecimal, &kRecordSyntax,
     {"an entry's second value takes a whole decimal number, found {1}",
      "エントリの 2 つ目の値は 10 進の整数をとるが、{1} がある"},
     {"write a whole decimal number, without a point or 0x", "小数点も 0x も付けずに 10 進の整数を書く"}},
    {Cause::SyntaxEntryPathUnquoted, &kRecordSyntax,
     {"an entry's path must be text in double quotes, found {1}",
      "エントリのパスは二重引用符で囲んだ文字列でなければならないが、{1} がある"},
     {"put the path in double quotes", "パスを二重引用符で囲む"}},
    {Cause::SyntaxStrayByte, &kRecordSyntax,
     {"the byte {1} starts no token: the Uninstaller stops reading here",
      "バイト {1} はどのトークンも始めない: Uninstaller はここで読むのをやめる"},
     {"remove it, or put the text it belongs to in double quotes", "取り除くか、それを含む文字列を二重引用符で囲む"}},
    {Cause::SyntaxOther, &kRecordSyntax,
     {"the Uninstaller stops reading at {1}", "Uninstaller は {1} で読むのをやめる"},
     {"write the statement as the guide shows it", "ガイドのとおりに文を書く"}},
    {Cause::EncodingUnreadable, &kRecordEncoding,
     {"{1}; the Uninstaller cannot read it", "{1}: Uninstaller はこれを読めない"},
     {"save as Shift-JIS (code page 932) without a byte-order mark",
      "Shift-JIS (コードページ 932)、BOM なしで保存する"}},
    {Cause::EncodingMisread, &kRecordEncoding,
     {"{1}; the Uninstaller reads its Japanese text as other characters",
      "{1}: Uninstaller は日本語を別の文字として読む"},
     {"save as Shift-JIS (code page 932)", "Shift-JIS (コードページ 932) で保存する"}},
    {Cause::RecordEmpty, &kRecordEmpty,
     {"the file is empty", "ファイルが空"},
     {"write at least one statement (#InstallerSetupFileVersion = 1)",
      "少なくとも 1 つ文を書く (#InstallerSetupFileVersion = 1)"}},
    {Cause::ValueCutAtNul, &kValueHasNul,
     {"{1} holds a NUL byte: the programs read it only up to there, as \"{2}\"",
      "{1} に NUL バイトがある: プログラムはそこまでしか読まず、\"{2}\" となる"},
     {"remove the NUL byte and what follows it, or write the value without it",
      "NUL バイトとその後ろを取るか、NUL なしで値を書く"}},
    {Cause::EntryCutAtNul, &kValueHasNul,
     {"the entry's path holds a NUL byte: the programs read it only up to there, as \"{1}\"",
      "エントリのパスに NUL バイトがある: プログラムはそこまでしか読まず、\"{1}\" となる"},
     {"remove the NUL byte and what follows it, or write the path without it",
      "NUL バイトとその後ろを取るか、NUL なしでパスを書く"}},
    {Cause::RecordOfNuls, &kValueHasNul,
     {"the file holds {1} NUL bytes, which the Uninstaller reads as blanks: it finds {2} entries",
      "ファイルに NUL バイトが {1} 個あり、Uninstaller は空白として読む: 見つかるエントリは {2} 個"},
     {"write the list as Shift-JIS text", "一覧を Shift-JIS のテキストで書く"}},
    {Cause::FileListMissing, &kRecordMissing,
     {"the file is missing: the Uninstaller asks, then removes nothing and reports a failure",
      "ファイルがない: Uninstaller は確認した後、何も削除せずに失敗を報告する"},
     {"have the installer write the file", "インストーラーにこのファイルを書かせる"}},
    // Installer.ini's values.
    {Cause::GameNameEmpty, &kGameNameEmpty,
     {"GameName is empty: the question names no game", "GameName が空: 確認のメッセージにゲーム名が出ない"},
     {"set #GameName to the game's name", "#GameName にゲーム名を書く"}},
    {Cause::GameNameEmptyShortcuts, &kGameNameEmpty,
     {"GameName is empty: the question names no game, and the Uninstaller has no menu folder to look in: the "
      "program-menu shortcuts your installer made stay",
      "GameName が空: 確認のメッセージにゲーム名が出ず、Uninstaller は探すメニューフォルダーがない: "
      "インストーラーが作ったプログラムメニューのショートカットが残る"},
     {"set #GameName to the game's name (the name of its menu folder)",
      "#GameName にゲーム名 (メニューフォルダーの名前) を書く"}},
    {Cause::RegistryEmpty, &kRegistryEmpty,
     {"Registry is empty: the game has no key, and the Uninstaller looks for the uninstall entry TarnwickGame_ "
      "(named after nothing): the game's real entry is not found and stays in the list of installed programs",
      "Registry が空: ゲームのキーがなく、Uninstaller は名前のないアンインストールエントリ TarnwickGame_ を探す: "
      "ゲームの本当のエントリは見つからず、インストール済みプログラムの一覧に残る"},
     {"set #Registry to the game's key, e.g. SOFTWARE\\Maker\\Game",
      "#Registry にゲームのキーを書く (例: SOFTWARE\\Maker\\Game)"}},
    {Cause::RegistryMissing, &kRegistryEmpty,
     {"there is no #Registry: the game has no key, and the Uninstaller looks for the uninstall entry TarnwickGame_ "
      "(named after nothing): the game's real entry is not found and stays in the list of installed programs",
      "#Registry がない: ゲームのキーがなく、Uninstaller は名前のないアンインストールエントリ TarnwickGame_ "
      "を探す: ゲームの本当のエントリは見つからず、インストール済みプログラムの一覧に残る"},
     {"add #Registry = \"SOFTWARE\\Maker\\Game\", the key your installer writes",
      "インストーラーが書くキーを #Registry = \"SOFTWARE\\Maker\\Game\" と書き足す"}},
    {Cause::RegistrySystemKey, &kRegistryRefused,
     {"{1}", "{1}"},
     {"name a key of your own: SOFTWARE\\<maker>\\<game>", "自社のキーにする: SOFTWARE\\<メーカー>\\<ゲーム>"}},
    {Cause::RegistryEmptyName, &kRegistryRefused,
     {"{1}", "{1}"},
     {"write one backslash between the names of the key, none at its start or end",
      "キーの名前の間にはバックスラッシュを 1 つだけ書き、先頭と末尾には書かない"}},
    {Cause::UninstallerAbsent, &kUninstallerAbsent,
     {"there is no Uninstaller.exe in the game folder; the uninstall entry's UninstallString names it there",
      "ゲームフォルダーに Uninstaller.exe がない: アンインストールエントリの UninstallString はそこを指している"},
     {"install Uninstaller.exe into the game folder", "Uninstaller.exe をゲームフォルダーにインストールする"}},
    {Cause::UninstallerNameOther, &kUninstallerAbsent,
     {"UninstallerExeFileName names {1}, which is not in the game folder ({2} is): the uninstall entry's "
      "UninstallString names a file that is not there",
      "UninstallerExeFileName が指す {1} はゲームフォルダーにない ({2} はある): アンインストールエントリの "
      "UninstallString はないファイルを指す"},
     {"set #UninstallerExeFileName to \"{2}\"", "#UninstallerExeFileName を \"{2}\" にする"}},
    {Cause::UninstallerRenamedAbsent, &kUninstallerAbsent,
     {"UninstallerExeFileName names {1}, which is not in the game folder, and neither is Uninstaller.exe",
      "UninstallerExeFileName が指す {1} はゲームフォルダーになく、Uninstaller.exe もない"},
     {"install the Uninstaller into the game folder as {1}",
      "Uninstaller を {1} という名前でゲームフォルダーにインストールする"}},
    {Cause::LinkNameExtension, &kLinkNameExtension,
     {"the Uninstaller appends .lnk and looks for {1}.lnk: the shortcut {1} your installer made stays",
      "Uninstaller は .lnk を付けて {1}.lnk を探す: インストーラーが作ったショートカット {1} が残る"},
     {"write the shortcut's name without .lnk", "ショートカット名を .lnk なしで書く"}},
    {Cause::ValueNotShiftJis, &kNotShiftJis,
     {"{1} is not valid Shift-JIS{2}: the programs take its bytes for other characters",
      "{1} は正しい Shift-JIS ではない{2}: プログラムはそのバイト列を別の文字として読む"},
     {"write the value in Shift-JIS (code page 932)", "値を Shift-JIS (コードページ 932) で書く"}},
    {Cause::ShortcutNotShiftJis, &kNotShiftJis,
     {"{1} is not valid Shift-JIS{2}: the Uninstaller looks for another name, and the shortcut your installer made "
      "stays",
      "{1} は正しい Shift-JIS ではない{2}: Uninstaller は別の名前を探し、インストーラーが作ったショートカットが残る"},
     {"write the shortcut's name in Shift-JIS (code page 932)",
      "ショートカット名を Shift-JIS (コードページ 932) で書く"}},
    {Cause::ShortcutRefused, &kShortcutRefused,
     {"{1}", "{1}"},
     {"{2}", "{2}"}},
    {Cause::ShortcutFolderInPlace, &kShortcutStays,
     {"{1}", "{1}"},
     {"remove the folder that stands where the shortcut should be",
      "ショートカットがあるべき場所にあるフォルダーを取り除く"}},
    {Cause::ShortcutStays, &kShortcutStays,
     {"{1}", "{1}"},
     {"make the shortcut a plain .lnk file where the record says",
      "記録のとおりの場所に普通の .lnk ファイルとして作る"}},
    {Cause::ShortcutLeft, &kShortcutStays,
     {"the shortcut {1} your installer made stays: the Uninstaller looks for {2}",
      "インストーラーが作ったショートカット {1} が残る: Uninstaller は {2} を探す"},
     {"write the shortcut's name in the record exactly as the installer names the file, without .lnk",
      "記録のショートカット名を、インストーラーが付けるファイル名と .lnk を除いて同じにする"}},
    {Cause::MenuRefused, &kMenuRefused,
     {"{1}; the program-menu shortcuts your installer made there stay",
      "{1}: インストーラーがそこに作ったプログラムメニューのショートカットが残る"},
     {"make {2} a plain folder name", "{2} を普通のフォルダー名にする"}},
    {Cause::MenuFolderStays, &kMenuFolderStays,
     {"{1}", "{1}"},
     {"put only the listed shortcuts into the game's menu folder",
      "ゲームのメニューフォルダーには記録にあるショートカットだけを置く"}},
    {Cause::MakerFolderName, &kMakerFolderName,
     {"DefaultGameMakerName is no folder name the Uninstaller takes: {1}",
      "DefaultGameMakerName は Uninstaller が受け付けるフォルダー名ではない: {1}"},
     {"set #DefaultGameMakerName to the plain name of the folder above the game",
      "#DefaultGameMakerName をゲームの上のフォルダーの名前そのものにする"}},
    {Cause::MakerFolderCase, &kMakerFolderName,
     {"the folder above the game is {1}, not {2} (letter case counts): the Uninstaller never removes it",
      "ゲームの上のフォルダーは {2} ではなく {1} (大文字と小文字は区別される): Uninstaller はこれを削除しない"},
     {"install into a folder named exactly {2}, or set #DefaultGameMakerName to \"{1}\"",
      "{2} とまったく同じ名前のフォルダーにインストールするか、#DefaultGameMakerName を \"{1}\" にする"}},
    {Cause::EntryNoRights, &kEntryNotOpened,
     {"{1}", "{1}"},
     {"run the uninstall with administrator rights", "アンインストールを管理者権限で実行する"}},
    {Cause::EntryNameTooLong, &kEntryNotOpened,
     {"the uninstall entry's name TarnwickGame_ and the last part of Registry has {1} characters, more than the "
      "255 a registry name may have: the Uninstaller cannot open it, and the player is told the uninstall failed",
      "アンインストールエントリの名前 (TarnwickGame_ と Registry の最後の部分) は {1} "
      "文字で、レジストリの名前の上限 255 文字を超える: Uninstaller はこれを開けず、プレイヤーにはアンインストール"
      "失敗と表示される"},
     {"shorten the last part of Registry to at most 242 characters", "Registry の最後の部分を 242 文字以下にする"}},
    {Cause::GameKeySubkeys, &kGameKeyStays,
     {"{1}", "{1}"},
     {"keep subkeys out of the game's key", "ゲームのキーの下にサブキーを作らない"}},
    {Cause::EntrySubkeys, &kGameKeyStays,
     {"{1}: its values are deleted, the key stays", "{1}: 値は削除されるが、キーは残る"},
     {"write no subkeys below the uninstall entry", "アンインストールエントリの下にサブキーを書かない"}},
    {Cause::OtherGameKey, &kOtherGameTaken,
     {"this uninstall deletes the registry key of {1}, which it shares: {2}",
      "このアンインストールは、キーを共有する {1} のレジストリキーを削除する: {2}"},
     {"give each game its own Registry key", "ゲームごとに別の Registry キーにする"}},
    {Cause::OtherGameEntry, &kOtherGameTaken,
     {"this uninstall deletes the uninstall entry of {1}, which it shares (the last parts of Registry are alike): "
      "{2}",
      "このアンインストールは、エントリを共有する {1} のアンインストールエントリを削除する (Registry の最後の部分が"
      "同じ): {2}"},
     {"give the games different last parts of Registry", "ゲームごとに Registry の最後の部分を変える"}},
    {Cause::OtherGameDesktop, &kOtherGameTaken,
     {"this uninstall deletes the desktop shortcut of {1}: {2}",
      "このアンインストールは {1} のデスクトップショートカットを削除する: {2}"},
     {"give the desktop shortcut a name of its own", "デスクトップショートカットに別の名前を付ける"}},
    {Cause::OtherGameMenu, &kOtherGameTaken,
     {"this uninstall deletes the program-menu shortcuts of {1}: {2}",
      "このアンインストールは {1} のプログラムメニューのショートカットを削除する: {2}"},
     {"give each game its own menu folder (GameName) and shortcut names",
      "ゲームごとに別のメニューフォルダー (GameName) とショートカット名にする"}},
    // InstallFiles.ini's entries.
    {Cause::ListedMissing, &kListedMissing,
     {"{1}", "{1}"},
     {"install the file, or take its entry out of InstallFiles.ini",
      "ファイルをインストールするか、InstallFiles.ini からそのエントリを外す"}},
    {Cause::ListedFolderMissing, &kListedMissing,
     {"the folder {2} is not in the game folder, nor any of the {3} files listed in it: the player sees a box for "
      "each of its folders",
      "フォルダー {2} がゲームフォルダーになく、そこに記録された {3} 個のファイルもない: プレイヤーにはそのフォルダ"
      "ーごとにメッセージボックスが出る"},
     {"install the folder {2} with its files, or take their entries out of InstallFiles.ini",
      "フォルダー {2} をファイルとともにインストールするか、InstallFiles.ini からそれらのエントリを外す"}},
    {Cause::ListedDots, &kListedRefused,
     {"{1}", "{1}"},
     {"name the file by its path below the game folder, without '..'",
      "ファイルをゲームフォルダーからのパスで、'..' を使わずに書く"}},
    {Cause::ListedAbsolute, &kListedRefused,
     {"{1}", "{1}"},
     {"write the path relative to the game folder, without a drive or a leading backslash",
      "ドライブや先頭のバックスラッシュを付けず、ゲームフォルダーからの相対パスで書く"}},
    {Cause::ListedWildcard, &kListedRefused,
     {"{1}", "{1}"},
     {"list each file by its own name, without * or ?", "* や ? を使わず、ファイルを 1 つずつ名前で記録する"}},
    {Cause::ListedDevice, &kListedRefused,
     {"{1}", "{1}"},
     {"rename the file: CON, PRN, AUX, NUL, COM1 and LPT1 are devices to Windows, with any extension",
      "ファイル名を変える: CON、PRN、AUX、NUL、COM1、LPT1 は拡張子が付いても Windows ではデバイス名"}},
    {Cause::ListedFolderName, &kListedRefused,
     {"{1}", "{1}"},
     {"list the files in the folder, not the folder (its folders go by themselves)",
      "フォルダーではなく中のファイルを記録する (フォルダーは自動で消える)"}},
    {Cause::ListedDoubledSeparator, &kListedRefused,
     {"{1}", "{1}"},
     {"write one backslash between names", "名前の間にはバックスラッシュを 1 つだけ書く"}},
    {Cause::ListedBadCharacter, &kListedRefused,
     {"{1}", "{1}"},
     {"write the path in Shift-JIS (code page 932)", "パスを Shift-JIS (コードページ 932) で書く"}},
    {Cause::ListedNul, &kListedRefused,
     {"{1}", "{1}"},
     {"remove the NUL byte from the path", "パスから NUL バイトを取り除く"}},
    {Cause::ListedLinkOnTheWay, &kListedRefused,
     {"{1}", "{1}"},
     {"install the file into a real folder of the game, not behind a link or junction",
      "リンクやジャンクションの先ではなく、ゲームの本当のフォルダーにインストールする"}},
    {Cause::ListedPathTooLong, &kListedRefused,
     {"{1}", "{1}"},
     {"shorten the path below 260 characters", "パスを 260 文字未満に縮める"}},
    {Cause::ListedRefusedOther, &kListedRefused,
     {"{1}", "{1}"},
     {"list a plain path relative to the game folder", "ゲームフォルダーからの普通の相対パスを記録する"}},
    {Cause::ListedIsFolder, &kListedStays,
     {"{1}", "{1}"},
     {"list the files in the folder, not the folder (its folders go by themselves)",
      "フォルダーではなく中のファイルを記録する (フォルダーは自動で消える)"}},
    {Cause::ListedIsLink, &kListedStays,
     {"{1}", "{1}"},
     {"install no link into the game folder, and take its entry out",
      "ゲームフォルダーにリンクをインストールせず、そのエントリを外す"}},
    {Cause::ListedReadOnly, &kListedStays,
     {"{1}", "{1}"},
     {"install the file without the read-only attribute", "ファイルを読み取り専用属性なしでインストールする"}},
    {Cause::ListedStays, &kListedStays,
     {"{1}", "{1}"},
     {"make the file one the Uninstaller may delete", "Uninstaller が削除できるファイルにする"}},
    {Cause::FolderStays, &kFolderStays,
     {"{1}", "{1}"},
     {"list every file the installer puts into the folder",
      "インストーラーがそのフォルダーに置くファイルをすべて記録する"}},
    {Cause::FolderCaseTwin, &kFolderStays,
     {"the list names this folder as {2} too, and it went as {2} just before: it is not there, and the player sees "
      "a box for it",
      "記録はこのフォルダーを {2} とも書いており、直前に {2} として削除された: もうないので、プレイヤーにはメッセー"
      "ジボックスが出る"},
     {"write the folder as {2} in every entry", "すべてのエントリでフォルダーを {2} と書く"}},
    {Cause::FolderRefused, &kFolderStays,
     {"{1}", "{1}"},
     {"install the folder as a real folder of the game",
      "そのフォルダーをゲームの本当のフォルダーとしてインストールする"}},
    {Cause::RecordStays, &kRecordStays,
     {"{1}", "{1}"},
     {"keep InstallInfo to the three records; list all of them or none",
      "InstallInfo には 3 つの記録だけを置き、すべて記録するか 1 つも記録しない"}},
    {Cause::RecordFolderKept, &kRecordStays,
     {"no record lists it: it stays, and keeps InstallInfo",
      "どの記録にもない: これが残り、InstallInfo も残る"},
     {"keep InstallInfo to the three records; list all of them or none",
      "InstallInfo には 3 つの記録だけを置き、すべて記録するか 1 つも記録しない"}},
    // The game folder itself.
    {Cause::Unlisted, &kUnlisted,
     {"no record lists this file: it stays, and keeps {1}", "どの記録にもないファイル: これが残るので、{1}"},
     {"list the file in InstallFiles.ini", "そのファイルを InstallFiles.ini に記録する"}},
    {Cause::UnlistedEmptyFolder, &kUnlisted,
     {"an empty folder no record can list: it stays, and keeps {1}",
      "どの記録にも書けない空のフォルダー: これが残るので、{1}"},
     {"have the installer not make the folder, or put the files it is for in it and list them",
      "インストーラーにそのフォルダーを作らせないか、そこに置くファイルを入れて記録する"}},
    {Cause::UnlistedLink, &kUnlisted,
     {"a link: the Uninstaller never removes one; it stays, and keeps {1}",
      "リンク: Uninstaller はリンクを削除しない: これが残るので、{1}"},
     {"install no link into the game folder", "ゲームフォルダーにリンクをインストールしない"}},
    {Cause::SaveDataStays, &kUnlisted,
     {"save data (Prefclear's save folder {2} is in the game folder): it stays by design, and keeps {1}",
      "セーブデータ (Prefclear のセーブフォルダー {2} がゲームフォルダーの中にある): 意図どおりこれが残るので、{1}"},
     {"nothing: listing it would delete the player's saves", "何もしない: 記録するとプレイヤーのセーブが消える"}},
    {Cause::GameFolderStays, &kGameFolderStays,
     {"{1}; the player is not told", "{1}: プレイヤーには知らされない"},
     {"list every file the installer writes", "インストーラーが書くファイルをすべて記録する"}},
    {Cause::NameNotShiftJis, &kNameNotShiftJis,
     {"the name holds characters that code page 932 cannot hold (shown as ?): no record can name it, and the "
      "Uninstaller cannot delete it",
      "名前にコードページ 932 で表せない文字がある (? と表示): どの記録にも書けず、Uninstaller は削除できない"},
     {"rename it with characters of Shift-JIS", "Shift-JIS の文字で名前を付け直す"}},
    {Cause::NameInvalid, &kNameInvalid,
     {"Windows cannot hold the name {1}; it was left out of the check",
      "{1} は Windows で使えない名前: 検査から除いた"},
     {"rename it", "名前を変える"}},
    {Cause::NameDevice, &kNameInvalid,
     {"{1} is a device name to Windows (CON, PRN, AUX, NUL, COM1, LPT1, with any extension): no installer can "
      "write it there, and the Uninstaller cannot delete it",
      "{1} は Windows ではデバイス名 (CON、PRN、AUX、NUL、COM1、LPT1、拡張子付きも): "
      "インストーラーはそこに書けず、Uninstaller は削除できない"},
     {"rename it", "名前を変える"}},
    {Cause::NameTrailingDot, &kNameInvalid,
     {"Windows drops the dots and spaces at the end of a name: {1} would be {2}; it was left out of the check",
      "Windows は名前の末尾のドットと空白を落とす: {1} は {2} になる: 検査から除いた"},
     {"rename it without the dot or space at its end", "末尾のドットか空白を取った名前にする"}},
    {Cause::NameBackslash, &kNameInvalid,
     {"the name {1} holds a backslash, which Windows takes for a separator; it was left out of the check",
      "名前 {1} にバックスラッシュがあり、Windows は区切りとみなす: 検査から除いた"},
     {"rename it without the backslash", "バックスラッシュのない名前にする"}},
    {Cause::NameTwice, &kNameTwice,
     {"Windows takes this name for one already in the folder (letters in another case, or trailing dots or "
      "spaces); it was left out of the check",
      "Windows はこの名前をフォルダーにある別の名前と同じとみなす (大文字と小文字の違い、または末尾のドットや空白):"
      " 検査から除いた"},
     {"rename one of them", "どちらかの名前を変える"}},
    {Cause::PathTooLong, &kPathTooLong,
     {"the full path has {1} characters here, more than the 259 Windows lets the programs reach: it stays, and so "
      "does everything below it",
      "ここでのフルパスは {1} 文字で、Windows がプログラムに許す 259 文字を超える: これもその下のものもすべて残る"},
     {"shorten the path below 260 characters", "パスを 260 文字未満に縮める"}},
    {Cause::NameRawBytes, &kNameRawBytes,
     {"the name is not UTF-8 on this system; taken as Shift-JIS bytes",
      "このシステムでは名前が UTF-8 でない: Shift-JIS のバイト列として扱った"},
     {"nothing, if the bytes are the Shift-JIS name", "そのバイト列が Shift-JIS の名前なら何もしなくてよい"}},
    // Prefclear's records.
    {Cause::StartupUnreadable, &kStartupStops,
     {"Prefclear cannot read {1}: it stops", "Prefclear は {1} を読めない: 止まる"},
     {"make it a plain, readable file", "普通の読めるファイルにする"}},
    {Cause::IncludeMissing, &kStartupStops,
     {"the include {1} is missing: Prefclear stops", "インクルード {1} がない: Prefclear は止まる"},
     {"ship {1}, or take it out of LoadDLL", "{1} を同梱するか、LoadDLL から外す"}},
    {Cause::IncludeDevice, &kStartupStops,
     {"the include {1} names a device: Prefclear refuses it and stops",
      "インクルード {1} はデバイス名: Prefclear は拒んで止まる"},
     {"rename the include: NUL, CON, AUX, COM1 ... are devices to Windows",
      "インクルードの名前を変える: NUL、CON、AUX、COM1 などは Windows ではデバイス"}},
    {Cause::IncludeLoop, &kStartupStops,
     {"{1} includes itself (through LoadDLL): Prefclear refuses it and stops",
      "{1} が (LoadDLL を通して) 自分自身をインクルードする: Prefclear は拒んで止まる"},
     {"take the include of {1} out of the file that includes it",
      "{1} をインクルードしているファイルからそのインクルードを外す"}},
    {Cause::IncludeTooDeep, &kStartupStops,
     {"includes are nested more than 32 deep here: Prefclear refuses {1} and stops",
      "ここでインクルードが 32 段より深い: Prefclear は {1} を拒んで止まる"},
     {"nest includes less deeply", "インクルードの入れ子を浅くする"}},
    {Cause::IncludeTooMany, &kStartupStops,
     {"more than 1,024 files are read here: Prefclear refuses {1} and stops",
      "ここで 1,024 個を超えるファイルを読む: Prefclear は {1} を拒んで止まる"},
     {"include each file once, and fewer of them", "各ファイルを 1 回だけ、もっと少なくインクルードする"}},
    {Cause::StartupQuoteMissing, &kStartupStops,
     {"the string opened here has no closing quote: Prefclear stops",
      "ここで始まる文字列に閉じ引用符がない: Prefclear は止まる"},
     {"add the closing quote", "閉じ引用符を書く"}},
    {Cause::StartupUnquotedJapanese, &kStartupStops,
     {"Japanese text outside double quotes: Prefclear stops", "二重引用符の外に日本語がある: Prefclear は止まる"},
     {"put the text in double quotes", "その文字列を二重引用符で囲む"}},
    {Cause::StartupHashComment, &kStartupStops,
     {"'#' starts no token: Prefclear stops", "'#' はどのトークンも始めない: Prefclear は止まる"},
     {"begin comments with ; or //", "コメントは ; か // で始める"}},
    {Cause::StartupStrayByte, &kStartupStops,
     {"the byte {1} starts no token: Prefclear stops", "バイト {1} はどのトークンも始めない: Prefclear は止まる"},
     {"remove it, or put the text it belongs to in double quotes", "取り除くか、それを含む文字列を二重引用符で囲む"}},
    {Cause::StartupEqualsMissing, &kStartupStops,
     {"{1} is not followed by =: Prefclear stops", "{1} の後に = がない: Prefclear は止まる"},
     {"write = between {1} and its value", "{1} と値の間に = を書く"}},
    {Cause::StartupIntegerExpected, &kStartupStops,
     {"{1} takes a whole number: Prefclear stops", "{1} は整数をとる: Prefclear は止まる"},
     {"write a whole number", "整数を書く"}},
    {Cause::StartupValueMissing, &kStartupStops,
     {"the file ends before the value of {1}: Prefclear stops",
      "{1} の値の前でファイルが終わる: Prefclear は止まる"},
     {"give {1} its value", "{1} に値を書く"}},
    {Cause::StartupCommaMissing, &kStartupStops,
     {"no comma after the LoadDLL entry {1}: Prefclear stops",
      "LoadDLL のエントリ {1} の後にカンマがない: Prefclear は止まる"},
     {"separate the LoadDLL entries with commas", "LoadDLL のエントリをカンマで区切る"}},
    {Cause::StartupOther, &kStartupStops,
     {"Prefclear stops at {1}", "Prefclear は {1} で止まる"},
     {"write the statement as the guide shows it", "ガイドのとおりに文を書く"}},
    {Cause::StartupKeyCase, &kStartupUnknownKey,
     {"{1} is no key: keys are case-sensitive; the player sees {2}, then Prefclear reads on",
      "{1} はキーではない (キーは大文字と小文字を区別する): プレイヤーには {2} が表示され、Prefclear は読み続ける"},
     {"write {3}", "{3} と書く"}},
    {Cause::StartupSection, &kStartupUnknownKey,
     {"a section line: the file has no sections; the player sees {2}, then Prefclear reads on",
      "セクション行: このファイルにセクションはない: プレイヤーには {2} が表示され、Prefclear は読み続ける"},
     {"remove the line {1}", "行 {1} を取り除く"}},
    {Cause::StartupUnknownWord, &kStartupUnknownKey,
     {"{1} is no key Prefclear knows; the player sees {2}, then Prefclear reads on",
      "{1} は Prefclear が知るキーではない: プレイヤーには {2} が表示され、Prefclear は読み続ける"},
     {"remove it, or write one of the keys the guide lists (keys are case-sensitive)",
      "取り除くか、ガイドにあるキーのどれかを書く (キーは大文字と小文字を区別する)"}},
    {Cause::StartupEncodingUnreadable, &kStartupEncoding,
     {"{1}; Prefclear cannot read it", "{1}: Prefclear はこれを読めない"},
     {"save as Shift-JIS (code page 932) without a byte-order mark",
      "Shift-JIS (コードページ 932)、BOM なしで保存する"}},
    {Cause::StartupEncodingMisread, &kStartupEncoding,
     {"{1}; Prefclear reads its Japanese text as other characters: it asks about \"{2}\" and resets the settings "
      "in {3}",
      "{1}: Prefclear は日本語を別の文字として読む: \"{2}\" について確認し、{3} の設定をリセットする"},
     {"save as Shift-JIS (code page 932)", "Shift-JIS (コードページ 932) で保存する"}},
    {Cause::SaveSettingInvalid, &kSaveSettingInvalid,
     {"the file has {1} bytes, not 12; Prefclear takes the documents folder, without a word",
      "ファイルが 12 バイトでなく {1} バイト: Prefclear は何も言わずに文書フォルダーを使う"},
     {"write the twelve bytes the guide shows", "ガイドにある 12 バイトを書く"}},
    {Cause::SaveSettingMagic, &kSaveSettingInvalid,
     {"the file does not begin with SFSF; Prefclear takes the documents folder, without a word",
      "ファイルが SFSF で始まらない: Prefclear は何も言わずに文書フォルダーを使う"},
     {"write the twelve bytes the guide shows", "ガイドにある 12 バイトを書く"}},
    {Cause::SaveSettingReserved, &kSaveSettingInvalid,
     {"bytes 4 to 7 must be 0; Prefclear takes the documents folder, without a word",
      "4 から 7 バイト目は 0 でなければならない: Prefclear は何も言わずに文書フォルダーを使う"},
     {"write the twelve bytes the guide shows", "ガイドにある 12 バイトを書く"}},
    {Cause::SaveSettingLocation, &kSaveSettingInvalid,
     {"the location (bytes 8 to 11) must be 0, 1 or 2; Prefclear takes the documents folder, without a word",
      "保存場所 (8 から 11 バイト目) は 0、1、2 のどれかでなければならない: Prefclear は何も言わずに文書フォルダーを使う"},
     {"write the twelve bytes the guide shows", "ガイドにある 12 バイトを書く"}},
    {Cause::StartupClimbs, &kStartupClimbs,
     {"{1} holds a '..' component: Prefclear stops before it deletes anything",
      "{1} に '..' がある: Prefclear は何も削除せずに止まる"},
     {"name the save folder without '..'", "セーブフォルダー名に '..' を使わない"}},
    // What the real machine holds.
    {Cause::GameKeyOnly64, &kKeyOnly64,
     {"the game's key {1} is only in the 64-bit registry view: the Uninstaller, a 32-bit program, does not see it, "
      "and it stays while the uninstall reports success",
      "ゲームのキー {1} が 64 ビットのレジストリビューにしかない: 32 ビットのプログラムである Uninstaller "
      "には見えず、アンインストールが成功と報告してもキーは残る"},
     {"write the key in the 32-bit view: make the installer a 32-bit program, or write with KEY_WOW64_32KEY (NSIS: "
      "SetRegView 32; Inno Setup: HKLM32)",
      "キーを 32 ビットのビューに書く: インストーラーを 32 ビットにするか、KEY_WOW64_32KEY で書く (NSIS: "
      "SetRegView 32、Inno Setup: HKLM32)"}},
    {Cause::EntryOnly64, &kKeyOnly64,
     {"the uninstall entry {1} is only in the 64-bit registry view: the Uninstaller, a 32-bit program, does not "
      "see it, and the game stays in the list of installed programs after the uninstall",
      "アンインストールエントリ {1} が 64 ビットのレジストリビューにしかない: 32 ビットのプログラムである "
      "Uninstaller には見えず、アンインストール後もゲームがインストール済みプログラムの一覧に残る"},
     {"write the entry in the 32-bit view: make the installer a 32-bit program, or write with KEY_WOW64_32KEY "
      "(NSIS: SetRegView 32; Inno Setup: HKLM32)",
      "エントリを 32 ビットのビューに書く: インストーラーを 32 ビットにするか、KEY_WOW64_32KEY で書く (NSIS: "
      "SetRegView 32、Inno Setup: HKLM32)"}},
    {Cause::UninstallStringOther, &kEntryStartsOther,
     {"the uninstall entry's UninstallString is {1}: the list of installed programs starts that, not this game's "
      "Uninstaller",
      "アンインストールエントリの UninstallString が {1}: インストール済みプログラムの一覧はこのゲームの "
      "Uninstaller ではなくそれを起動する"},
     {"set UninstallString to {2}", "UninstallString を {2} にする"}},
    {Cause::UninstallStringUnquoted, &kEntryStartsOther,
     {"the uninstall entry's UninstallString {1} names the Uninstaller without double quotes: a path with a space "
      "is cut at the space, and another program may start",
      "アンインストールエントリの UninstallString {1} は Uninstaller を二重引用符なしで指す: "
      "空白を含むパスは空白で切れ、別のプログラムが起動しうる"},
     {"set UninstallString to {2}", "UninstallString を {2} にする"}},
    {Cause::UninstallStringMissing, &kEntryStartsOther,
     {"the uninstall entry has no UninstallString: the list of installed programs cannot start the uninstall",
      "アンインストールエントリに UninstallString がない: インストール済みプログラムの一覧からアンインストールを起"
      "動できない"},
     {"set UninstallString to {1}", "UninstallString を {1} にする"}},
    {Cause::ShortcutMissing, &kShortcutNotMade,
     {"{1} is not there: the installer did not make the shortcut where the Uninstaller looks for it",
      "{1} がない: インストーラーは Uninstaller が探す場所にショートカットを作らなかった"},
     {"make the shortcut there, named as the record says, or take the record out of Installer.ini",
      "そこに記録のとおりの名前でショートカットを作るか、Installer.ini からその記録を外す"}},
    {Cause::ShortcutElsewhere, &kShortcutNotMade,
     {"{1} is not there, but {2} is: the installer made the shortcut for this user only, and the uninstall leaves "
      "it behind",
      "{1} はないが {2} はある: インストーラーはこのユーザーだけのショートカットを作り、アンインストールはそれを残"
      "す"},
     {"make the shortcut for all users (NSIS: SetShellVarContext all; Inno Setup: {commondesktop}, "
      "{commonprograms})",
      "ショートカットを全ユーザー用に作る (NSIS: SetShellVarContext all、Inno Setup: "
      "{commondesktop}、{commonprograms})"}},
    {Cause::EntryNotInstalled, &kEntryNotInstalled,
     {"there is no uninstall entry {1} in either registry view: the game does not show in the list of installed "
      "programs, and players cannot start the uninstall from there",
      "アンインストールエントリ {1} がどちらのレジストリビューにもない: ゲームはインストール済みプログラムの一覧に"
      "出ず、プレイヤーはそこからアンインストールできない"},
     {"have the installer write the entry {1} in the 32-bit view, with UninstallString {2}",
      "インストーラーにエントリ {1} を 32 ビットのビューに、UninstallString {2} で書かせる"}},
    {Cause::GameKeyNotInstalled, &kGameKeyNotInstalled,
     {"the game's key {1} is in neither registry view: the uninstall has no key to remove",
      "ゲームのキー {1} がどちらのレジストリビューにもない: アンインストールで削除するキーがない"},
     {"nothing, if the game keeps no key; otherwise have the installer write it in the 32-bit view",
      "ゲームがキーを使わないなら何もしなくてよい。使うならインストーラーに 32 ビットのビューで書かせる"}},
};
static_assert(sizeof kCauseTexts / sizeof kCauseTexts[0] == static_cast<std::size_t>(Cause::Count),
              "a row for every cause");

const CauseText& TextOf(Cause cause) { return kCauseTexts[static_cast<std::size_t>(cause)]; }

std::string FillWords(const char* text, const std::vector<std::string>& arguments) {
    std::string out;
    for (const char* at = text; *at != '\0'; ++at) {
        if (at[0] == '{' && at[1] >= '1' && at[1] <= '9' && at[2] == '}') {
            const auto index = static_cast<std::size_t>(at[1] - '1');
            if (index < arguments.size()) out += arguments[index];
            at += 2;
            continue;
        }
        out.push_back(*at);
    }
    return out;
}

namespace {

const Step* StepOf(const Report& report, const Finding& finding) {
    return finding.step < report.removing.steps.size() ? &report.removing.steps[finding.step] : nullptr;
}

// The arguments a finding's words take: for a step, the step in words first.
std::vector<std::string> ArgumentsOf(const Report& report, const Finding& finding) {
    const Step* step = StepOf(report, finding);
    if (step == nullptr) return finding.arguments;
    std::vector<std::string> arguments{StepWords(*step, report.language)};
    arguments.insert(arguments.end(), finding.arguments.begin(), finding.arguments.end());
    return arguments;
}

}  // namespace

std::string StepWords(const Step& step, Language language) {
    const std::string why = DescribeStep(step, language);
    static const Words kStep = {"{1} {2}", "{1} ({2})"};
    return FillWords(kStep.In(language), {KindWords(step.kind).In(language), OutcomeWords(step.outcome).In(language)}) +
           (why.empty() ? "" : ": " + why);
}

std::string FindingFile(const Report& report, const Finding& finding) {
    // A step tells of an entry of the list, or of a folder one puts there.
    return StepOf(report, finding) == nullptr ? finding.file : std::string(kFileListFile);
}

std::string FindingFound(const Report& report, const Finding& finding) {
    const Step* step = StepOf(report, finding);
    if (step == nullptr) return finding.found;
    const std::string prefix = report.gameFolder + "\\";
    return ShownToken(std::string(step->path.compare(0, prefix.size(), prefix) == 0 ? step->path.substr(prefix.size())
                                                                                   : step->path));
}

std::string FindingKey(const Report& report, const Finding& finding) {
    const std::string file = finding.hostFile ? finding.file : Utf8FromCp932(FindingFile(report, finding));
    std::string key = std::string(finding.code) + "|" + file + "|" + Utf8FromCp932(FindingFound(report, finding));
    for (char& c : key) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';  // one line of the baseline
    }
    return key;
}

std::string FindingProblem(const Report& report, const Finding& finding) {
    return FillWords(TextOf(finding.cause).problem.In(report.language), ArgumentsOf(report, finding));
}

std::string FindingFix(const Report& report, const Finding& finding) {
    if (finding.cause == Cause::Plain) {
        const FindingKind* kind = FindKind(finding.code);
        return kind != nullptr ? kind->fix.In(report.language) : "";
    }
    return FillWords(TextOf(finding.cause).fix.In(report.language), ArgumentsOf(report, finding));
}

Finding MakeFinding(Cause cause, const std::string& file, std::vector<std::string> arguments) {
    const CauseText& text = TextOf(cause);
    Finding finding;
    finding.cause = cause;
    finding.code = text.kind->code;
    finding.severity = text.kind->severity;
    finding.file = file;
    finding.arguments = std::move(arguments);
    return finding;
}

Finding MakeFinding(const FindingKind& kind, const std::string& file, const std::string& problem) {
    Finding finding;
    finding.cause = Cause::Plain;
    finding.code = kind.code;
    finding.severity = kind.severity;
    finding.file = file;
    finding.arguments = {problem};
    return finding;
}

namespace {

// Records larger than this keep only their line starts: a list of a hundred
// thousand entries has its entries' quotes at the head of their lines.
constexpr std::size_t kKeptBytes = 1 << 20;

}  // namespace

LineIndex::LineIndex(const std::string& bytes) {
    if (bytes.size() <= kKeptBytes) bytes_ = bytes;
    starts_.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') starts_.push_back(static_cast<std::uint32_t>(i + 1));
    }
}

void LineIndex::Place(Finding& finding, std::size_t offset) const {
    // The last line start at or before the offset.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), static_cast<std::uint32_t>(offset));
    const auto line = static_cast<std::size_t>(after - starts_.begin());
    const std::size_t start = starts_[line - 1];
    std::size_t column = offset - start + 1;
    if (offset <= bytes_.size()) {
        // Characters, as editors count them; the bytes are walked from the
        // line's start as the programs walk them.
        column = 1;
        for (std::size_t i = start; i < offset; ++column) {
            i += sjis::IsLeadByte(static_cast<unsigned char>(bytes_[i])) ? 2 : 1;
        }
    }
    finding.hasOffset = true;
    finding.offset = offset;
    finding.line = static_cast<std::uint32_t>(line);
    finding.column = static_cast<std::uint32_t>(column);
}

}  // namespace recordcheck
