#include "recordcheck/findings.h"

#include <algorithm>

#include "common/sjis.h"

#include "recordcheck/context.h"
#include "recordcheck/records.h"
#include "recordcheck/steps.h"

namespace recordcheck {

const FindingKind kRecordMissing = {"RC101", Severity::Error, "a record file is missing",
                                    "have the installer write the file"};
const FindingKind kRecordUnreadable = {"RC102", Severity::Error, "a record file cannot be read",
                                       "make the file a plain, readable file"};
const FindingKind kRecordSyntax = {"RC103", Severity::Error, "a record file does not follow its grammar",
                                   "write the statement as the guide shows it"};
const FindingKind kRecordEncoding = {"RC104", Severity::Error, "a record file is not in Shift-JIS",
                                     "save as Shift-JIS (code page 932) without a byte-order mark"};
const FindingKind kRecordEmpty = {"RC105", Severity::Error, "a record file is empty",
                                  "write at least one statement (#InstallerSetupFileVersion = 1)"};
const FindingKind kValueHasNul = {"RC106", Severity::Warning, "a record holds a NUL byte",
                                  "remove the NUL byte"};
const FindingKind kGameNameEmpty = {"RC201", Severity::Warning, "GameName is empty",
                                    "set #GameName to the game's name"};
const FindingKind kRegistryEmpty = {"RC202", Severity::Warning, "Registry is empty",
                                    "set #Registry to the game's key, e.g. SOFTWARE\\Maker\\Game"};
const FindingKind kRegistryRefused = {"RC203", Severity::Warning, "the Uninstaller refuses the game's key",
                                      "name the key SOFTWARE\\<maker>\\<game>, one backslash between names"};
const FindingKind kUninstallerAbsent = {"RC204", Severity::Warning, "the Uninstaller is not in the game folder",
                                        "install Uninstaller.exe into the game folder"};
const FindingKind kLinkNameExtension = {"RC205", Severity::Warning, "a shortcut name ends in .lnk",
                                        "write the shortcut's name without .lnk"};
const FindingKind kNotShiftJis = {"RC206", Severity::Warning, "a record value is not Shift-JIS",
                                  "write the value in Shift-JIS (code page 932)"};
const FindingKind kShortcutRefused = {"RC207", Severity::Warning, "the Uninstaller refuses a shortcut's name",
                                      "name the shortcut as a plain file name below its folder"};
const FindingKind kShortcutStays = {"RC208", Severity::Warning, "a shortcut stays",
                                    "make the shortcut a plain .lnk file where the record says"};
const FindingKind kMenuRefused = {"RC209", Severity::Warning, "the Uninstaller does not go into the menu folder",
                                  "make DefaultGameMakerProgramMenuName and GameName plain folder names"};
const FindingKind kMenuFolderStays = {"RC210", Severity::Warning, "the game's menu folder stays",
                                      "put only the listed shortcuts into the game's menu folder"};
const FindingKind kMakerFolderName = {"RC211", Severity::Warning, "the folder above the game is never removed",
                                      "install below a folder named exactly DefaultGameMakerName"};
const FindingKind kEntryNotOpened = {"RC212", Severity::Warning,
                                     "the uninstall entry cannot be opened: the player is told the uninstall failed",
                                     "run the uninstall with administrator rights"};
const FindingKind kGameKeyStays = {"RC213", Severity::Warning, "the game's registry key or uninstall entry stays",
                                   "keep subkeys out of the game's key and its uninstall entry"};
const FindingKind kOtherGameTaken = {"RC214", Severity::Warning,
                                     "this uninstall removes what another game of yours installed",
                                     "give each game its own names"};
const FindingKind kListedMissing = {"RC301", Severity::Warning, "a listed file is not in the folder",
                                    "install the file, or take its entry out of InstallFiles.ini"};
const FindingKind kListedRefused = {"RC302", Severity::Warning, "the Uninstaller refuses a listed entry",
                                    "list a path relative to the game folder, without links on the way"};
const FindingKind kListedStays = {"RC303", Severity::Warning, "a listed entry cannot be deleted",
                                  "list files only (their folders go by themselves), none of them read-only"};
const FindingKind kFolderStays = {"RC304", Severity::Warning, "a listed folder stays and the player sees a box",
                                  "list every file the installer puts into the folder"};
const FindingKind kRecordStays = {"RC305", Severity::Warning, "a record or the record folder stays",
                                  "keep InstallInfo to the three records; list all of them or none"};
const FindingKind kUnlisted = {"RC401", Severity::Warning, "a file no record lists stays",
                               "list the file in InstallFiles.ini"};
const FindingKind kGameFolderStays = {"RC402", Severity::Warning, "the game folder stays",
                                      "list every file the installer writes"};
const FindingKind kNameNotShiftJis = {"RC403", Severity::Warning, "a file name code page 932 cannot hold",
                                      "rename it with characters of Shift-JIS"};
const FindingKind kNameInvalid = {"RC404", Severity::Warning, "a file name Windows cannot hold",
                                  "rename it"};
const FindingKind kNameTwice = {"RC405", Severity::Warning, "two names Windows takes for one",
                                "rename one of them"};
const FindingKind kPathTooLong = {"RC406", Severity::Warning, "a path too long for the programs",
                                  "shorten the path below 260 characters"};
const FindingKind kNameRawBytes = {"RC407", Severity::Note, "a file name that is not UTF-8 on this system",
                                   "nothing, if the bytes are the Shift-JIS name"};
const FindingKind kStartupStops = {"RC501", Severity::Error, "Prefclear cannot read the start-up settings",
                                   "write the statement as the guide shows it"};
const FindingKind kStartupUnknownKey = {"RC502", Severity::Warning, "a word Prefclear does not know",
                                        "write the key as the guide shows it (keys are case-sensitive)"};
const FindingKind kStartupEncoding = {"RC503", Severity::Warning, "the start-up settings are not in Shift-JIS",
                                      "save as Shift-JIS (code page 932) without a byte-order mark"};
const FindingKind kSaveSettingInvalid = {"RC504", Severity::Warning, "SaveFolderSetting.ini is not valid",
                                         "write the twelve bytes the guide shows"};
const FindingKind kStartupClimbs = {"RC505", Severity::Error, "GameName or SaveFolder holds '..'",
                                    "name the save folder without '..'"};

// What the real machine holds (recordcheck.exe, which reads the installation).
const FindingKind kKeyOnly64 = {"RC601", Severity::Error, "a key is only in the 64-bit registry view",
                                "write the key in the 32-bit view"};
const FindingKind kEntryStartsOther = {"RC602", Severity::Error,
                                       "the uninstall entry does not start this game's Uninstaller",
                                       "set UninstallString to the quoted path of the game's Uninstaller.exe"};
const FindingKind kShortcutNotMade = {"RC603", Severity::Warning, "a shortcut the records name is not on this machine",
                                      "make the shortcut for all users, named as the record says"};
const FindingKind kEntryNotInstalled = {"RC604", Severity::Warning, "the uninstall entry is not on this machine",
                                        "have the installer write the uninstall entry"};
const FindingKind kGameKeyNotInstalled = {"RC605", Severity::Note, "the game's registry key is not on this machine",
                                          "nothing, if the game keeps no key"};

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

// Every cause with its words, in the order of Cause. {1}, {2} ... are the
// finding's arguments; for a finding about a step of the uninstall, {1} is
// the step in words and its own arguments follow.
const CauseText kCauseTexts[] = {
    {Cause::Plain, nullptr, "{1}", ""},
    // The record files.
    {Cause::RecordMissing, &kRecordMissing, "the file is missing: {1}", "have the installer write the file"},
    {Cause::StartupMissing, &kStartupStops, "Prefclear is shipped, but there is no OrrinStart.ini for it to read",
     "ship OrrinStart.ini in the game folder, or leave Prefclear.exe out"},
    {Cause::RecordUnreadable, &kRecordUnreadable, "the file cannot be read", "make the file a plain, readable file"},
    {Cause::SyntaxCommaBetweenEntries, &kRecordSyntax, "a comma after an entry: the Uninstaller stops reading here",
     "remove the comma: entries follow one another with nothing between them"},
    {Cause::SyntaxKeyCase, &kRecordSyntax, "{1} is no key: keys are case-sensitive; the Uninstaller stops reading here",
     "write {2}"},
    {Cause::SyntaxUnknownKey, &kRecordSyntax, "{1} is no key of this file: the Uninstaller stops reading here",
     "remove the statement, or write one of the keys the guide lists for this file"},
    {Cause::SyntaxNoHash, &kRecordSyntax, "a statement begins here without #: the Uninstaller stops reading here",
     "begin every statement with # and its key, e.g. #GameName = \"...\""},
    {Cause::SyntaxHexUpperX, &kRecordSyntax, "the hexadecimal number is written with an upper-case X",
     "write it with a lower-case 0x (0x1a2b3c4d)"},
    {Cause::SyntaxHexExpected, &kRecordSyntax, "the third value of an entry must be a hexadecimal number, found {1}",
     "write the third value in hexadecimal with 0x (0x1a2b3c4d)"},
    {Cause::SyntaxIntegerExpected, &kRecordSyntax, "{1} takes a whole decimal number, found {2}",
     "write a whole decimal number, without a point or 0x"},
    {Cause::SyntaxEscapedQuote, &kRecordSyntax,
     "the string ends at the quote after its backslash: strings have no escapes, so the text after it is read as "
     "more statements",
     "remove the \\\": a value cannot hold a double quote"},
    {Cause::SyntaxQuoteMissing, &kRecordSyntax,
     "the string opened here has no closing quote (the Uninstaller stops reading at {1} further on)",
     "add the closing quote"},
    {Cause::SyntaxCommentAtEnd, &kRecordSyntax,
     "the file ends in a ';' comment without a line feed: the Uninstaller cannot read the file",
     "end the file with a line feed (or begin the comment with //)"},
    {Cause::SyntaxUnquotedJapanese, &kRecordSyntax, "Japanese text outside double quotes: the Uninstaller stops reading here",
     "put the text in double quotes"},
    {Cause::SyntaxUnquotedValue, &kRecordSyntax, "the value of {1} must be text in double quotes, found {2}",
     "put the value in double quotes"},
    {Cause::SyntaxEqualsMissing, &kRecordSyntax, "{1} is not followed by =", "write = between {1} and its value"},
    {Cause::SyntaxEqualsBeforeList, &kRecordSyntax, "#InstallFileList takes no =",
     "remove the =: write #InstallFileList, then {"},
    {Cause::SyntaxBraceMissing, &kRecordSyntax, "#InstallFileList is not followed by {",
     "open the list with { and close it with }"},
    {Cause::SyntaxEntryComma, &kRecordSyntax, "the values of an entry are not separated by a comma here",
     "write each entry as \"path\" , decimal , 0xhex"},
    {Cause::SyntaxShortcutComma, &kRecordSyntax, "#{1} takes two texts separated by a comma",
     "write #{1} = \"your value\" , \"shortcut name\""},
    {Cause::SyntaxEndOfFile, &kRecordSyntax, "the file ends inside a statement{1}", "complete the statement{2}"},
    {Cause::SyntaxStrayByte, &kRecordSyntax, "the byte {1} starts no token: the Uninstaller stops reading here",
     "remove it, or put the text it belongs to in double quotes"},
    {Cause::SyntaxOther, &kRecordSyntax, "the Uninstaller stops reading at {1}", "write the statement as the guide shows it"},
    {Cause::EncodingUnreadable, &kRecordEncoding, "{1}; the Uninstaller cannot read it",
     "save as Shift-JIS (code page 932) without a byte-order mark"},
    {Cause::EncodingMisread, &kRecordEncoding, "{1}; the Uninstaller reads its Japanese text as other characters",
     "save as Shift-JIS (code page 932)"},
    {Cause::RecordEmpty, &kRecordEmpty, "the file is empty", "write at least one statement (#InstallerSetupFileVersion = 1)"},
    {Cause::ValueCutAtNul, &kValueHasNul, "{1} holds a NUL byte: the programs read it only up to there, as \"{2}\"",
     "remove the NUL byte and what follows it, or write the value without it"},
    {Cause::RecordOfNuls, &kValueHasNul,
     "the file holds {1} NUL bytes, which the Uninstaller reads as blanks: it finds {2} entries",
     "write the list as Shift-JIS text"},
    // Installer.ini's values.
    {Cause::GameNameEmpty, &kGameNameEmpty, "GameName is empty: the question names no game",
     "set #GameName to the game's name"},
    {Cause::GameNameEmptyShortcuts, &kGameNameEmpty,
     "GameName is empty: the question names no game, and the Uninstaller has no menu folder to look in: the "
     "program-menu shortcuts your installer made stay",
     "set #GameName to the game's name (the name of its menu folder)"},
    {Cause::RegistryEmpty, &kRegistryEmpty,
     "Registry is empty: the game has no key, and the Uninstaller looks for the uninstall entry TarnwickGame_ "
     "(named after nothing): the game's real entry is not found and stays in the list of installed programs",
     "set #Registry to the game's key, e.g. SOFTWARE\\Maker\\Game"},
    {Cause::RegistryMissing, &kRegistryEmpty,
     "there is no #Registry: the game has no key, and the Uninstaller looks for the uninstall entry TarnwickGame_ "
     "(named after nothing): the game's real entry is not found and stays in the list of installed programs",
     "add #Registry = \"SOFTWARE\\Maker\\Game\", the key your installer writes"},
    {Cause::RegistrySystemKey, &kRegistryRefused, "{1}",
     "name a key of your own: SOFTWARE\\<maker>\\<game>"},
    {Cause::RegistryEmptyName, &kRegistryRefused, "{1}",
     "write one backslash between the names of the key, none at its start or end"},
    {Cause::UninstallerAbsent, &kUninstallerAbsent,
     "there is no Uninstaller.exe in the game folder; the uninstall entry's UninstallString names it there",
     "install Uninstaller.exe into the game folder"},
    {Cause::UninstallerNameOther, &kUninstallerAbsent,
     "UninstallerExeFileName names {1}, which is not in the game folder ({2} is): the uninstall entry's "
     "UninstallString names a file that is not there",
     "set #UninstallerExeFileName to \"{2}\""},
    {Cause::UninstallerRenamedAbsent, &kUninstallerAbsent,
     "UninstallerExeFileName names {1}, which is not in the game folder, and neither is Uninstaller.exe",
     "install the Uninstaller into the game folder as {1}"},
    {Cause::LinkNameExtension, &kLinkNameExtension,
     "the Uninstaller appends .lnk and looks for {1}.lnk: the shortcut {1} your installer made stays",
     "write the shortcut's name without .lnk"},
    {Cause::ValueNotShiftJis, &kNotShiftJis, "{1} is not valid Shift-JIS{2}: the programs take its bytes for other characters",
     "write the value in Shift-JIS (code page 932)"},
    {Cause::ShortcutNotShiftJis, &kNotShiftJis,
     "{1} is not valid Shift-JIS{2}: the Uninstaller looks for another name, and the shortcut your installer made stays",
     "write the shortcut's name in Shift-JIS (code page 932)"},
    {Cause::ShortcutRefused, &kShortcutRefused, "{1}", "{2}"},
    {Cause::ShortcutFolderInPlace, &kShortcutStays, "{1}", "remove the folder that stands where the shortcut should be"},
    {Cause::ShortcutStays, &kShortcutStays, "{1}", "make the shortcut a plain .lnk file where the record says"},
    {Cause::ShortcutLeft, &kShortcutStays, "the shortcut {1} your installer made stays: the Uninstaller looks for {2}",
     "write the shortcut's name in the record exactly as the installer names the file, without .lnk"},
    {Cause::MenuRefused, &kMenuRefused, "{1}; the program-menu shortcuts your installer made there stay",
     "make {2} a plain folder name"},
    {Cause::MenuFolderStays, &kMenuFolderStays, "{1}", "put only the listed shortcuts into the game's menu folder"},
    {Cause::MakerFolderName, &kMakerFolderName, "DefaultGameMakerName is no folder name the Uninstaller takes: {1}",
     "set #DefaultGameMakerName to the plain name of the folder above the game"},
    {Cause::MakerFolderCase, &kMakerFolderName,
     "the folder above the game is {1}, not {2} (letter case counts): the Uninstaller never removes it",
     "install into a folder named exactly {2}, or set #DefaultGameMakerName to \"{1}\""},
    {Cause::EntryNoRights, &kEntryNotOpened, "{1}", "run the uninstall with administrator rights"},
    {Cause::EntryNameTooLong, &kEntryNotOpened,
     "the uninstall entry's name TarnwickGame_ and the last part of Registry has {1} characters, more than the 255 "
     "a registry name may have: the Uninstaller cannot open it, and the player is told the uninstall failed",
     "shorten the last part of Registry to at most 242 characters"},
    {Cause::GameKeySubkeys, &kGameKeyStays, "{1}", "keep subkeys out of the game's key"},
    {Cause::EntrySubkeys, &kGameKeyStays, "{1}: its values are deleted, the key stays",
     "write no subkeys below the uninstall entry"},
    {Cause::OtherGameKey, &kOtherGameTaken, "this uninstall deletes the registry key of {1}, which it shares: {2}",
     "give each game its own Registry key"},
    {Cause::OtherGameEntry, &kOtherGameTaken,
     "this uninstall deletes the uninstall entry of {1}, which it shares (the last parts of Registry are alike): {2}",
     "give the games different last parts of Registry"},
    {Cause::OtherGameDesktop, &kOtherGameTaken, "this uninstall deletes the desktop shortcut of {1}: {2}",
     "give the desktop shortcut a name of its own"},
    {Cause::OtherGameMenu, &kOtherGameTaken, "this uninstall deletes the program-menu shortcuts of {1}: {2}",
     "give each game its own menu folder (GameName) and shortcut names"},
    // InstallFiles.ini's entries.
    {Cause::ListedMissing, &kListedMissing, "{1}", "install the file, or take its entry out of InstallFiles.ini"},
    {Cause::ListedFolderMissing, &kListedMissing,
     "the folder {2} is not in the game folder, nor any of the {3} files listed in it: the player sees a box for "
     "each of its folders",
     "install the folder {2} with its files, or take their entries out of InstallFiles.ini"},
    {Cause::ListedDots, &kListedRefused, "{1}", "name the file by its path below the game folder, without '..'"},
    {Cause::ListedAbsolute, &kListedRefused, "{1}",
     "write the path relative to the game folder, without a drive or a leading backslash"},
    {Cause::ListedWildcard, &kListedRefused, "{1}", "list each file by its own name, without * or ?"},
    {Cause::ListedDevice, &kListedRefused, "{1}",
     "rename the file: CON, PRN, AUX, NUL, COM1 and LPT1 are devices to Windows, with any extension"},
    {Cause::ListedFolderName, &kListedRefused, "{1}",
     "list the files in the folder, not the folder (its folders go by themselves)"},
    {Cause::ListedDoubledSeparator, &kListedRefused, "{1}", "write one backslash between names"},
    {Cause::ListedBadCharacter, &kListedRefused, "{1}", "write the path in Shift-JIS (code page 932)"},
    {Cause::ListedNul, &kListedRefused, "{1}", "remove the NUL byte from the path"},
    {Cause::ListedLinkOnTheWay, &kListedRefused, "{1}",
     "install the file into a real folder of the game, not behind a link or junction"},
    {Cause::ListedPathTooLong, &kListedRefused, "{1}", "shorten the path below 260 characters"},
    {Cause::ListedRefusedOther, &kListedRefused, "{1}", "list a plain path relative to the game folder"},
    {Cause::ListedIsFolder, &kListedStays, "{1}", "list the files in the folder, not the folder (its folders go by themselves)"},
    {Cause::ListedIsLink, &kListedStays, "{1}", "install no link into the game folder, and take its entry out"},
    {Cause::ListedReadOnly, &kListedStays, "{1}", "install the file without the read-only attribute"},
    {Cause::ListedStays, &kListedStays, "{1}", "make the file one the Uninstaller may delete"},
    {Cause::FolderStays, &kFolderStays, "{1}", "list every file the installer puts into the folder"},
    {Cause::FolderCaseTwin, &kFolderStays,
     "the list names this folder as {2} too, and it went as {2} just before: it is not there, and the player sees "
     "a box for it",
     "write the folder as {2} in every entry"},
    {Cause::FolderRefused, &kFolderStays, "{1}", "install the folder as a real folder of the game"},
    {Cause::RecordStays, &kRecordStays, "{1}", "keep InstallInfo to the three records; list all of them or none"},
    // The game folder itself.
    {Cause::Unlisted, &kUnlisted, "no record lists this file: it stays, and keeps {1}",
     "list the file in InstallFiles.ini"},
    {Cause::UnlistedEmptyFolder, &kUnlisted, "an empty folder no record can list: it stays, and keeps {1}",
     "have the installer not make the folder, or put the files it is for in it and list them"},
    {Cause::UnlistedLink, &kUnlisted, "a link: the Uninstaller never removes one; it stays, and keeps {1}",
     "install no link into the game folder"},
    {Cause::SaveDataStays, &kUnlisted,
     "save data (Prefclear's save folder {2} is in the game folder): it stays by design, and keeps {1}",
     "nothing: listing it would delete the player's saves"},
    {Cause::GameFolderStays, &kGameFolderStays, "{1}; the player is not told",
     "list every file the installer writes"},
    {Cause::NameNotShiftJis, &kNameNotShiftJis,
     "the name holds characters that code page 932 cannot hold (shown as ?): no record can name it, and the "
     "Uninstaller cannot delete it",
     "rename it with characters of Shift-JIS"},
    {Cause::NameInvalid, &kNameInvalid, "Windows cannot hold the name {1}; it was left out of the check", "rename it"},
    {Cause::NameDevice, &kNameInvalid, "{1} is a device name to Windows (CON, PRN, AUX, NUL, COM1, LPT1, with any "
     "extension): no installer can write it there, and the Uninstaller cannot delete it",
     "rename it"},
    {Cause::NameTrailingDot, &kNameInvalid,
     "Windows drops the dots and spaces at the end of a name: {1} would be {2}; it was left out of the check",
     "rename it without the dot or space at its end"},
    {Cause::NameBackslash, &kNameInvalid,
     "the name {1} holds a backslash, which Windows takes for a separator; it was left out of the check",
     "rename it without the backslash"},
    {Cause::NameTwice, &kNameTwice,
     "Windows takes this name for one already in the folder (letters in another case, or trailing dots or spaces); "
     "it was left out of the check",
     "rename one of them"},
    {Cause::PathTooLong, &kPathTooLong,
     "the full path has {1} characters here, more than the 259 Windows lets the programs reach: it stays, and so "
     "does everything below it",
     "shorten the path below 260 characters"},
    {Cause::NameRawBytes, &kNameRawBytes, "the name is not UTF-8 on this system; taken as Shift-JIS bytes",
     "nothing, if the bytes are the Shift-JIS name"},
    // Prefclear's records.
    {Cause::StartupUnreadable, &kStartupStops, "Prefclear cannot read {1}: it stops", "make it a plain, readable file"},
    {Cause::IncludeMissing, &kStartupStops, "the include {1} is missing: Prefclear stops",
     "ship {1}, or take it out of LoadDLL"},
    {Cause::IncludeDevice, &kStartupStops, "the include {1} names a device: Prefclear refuses it and stops",
     "rename the include: NUL, CON, AUX, COM1 ... are devices to Windows"},
    {Cause::IncludeLoop, &kStartupStops, "{1} includes itself (through LoadDLL): Prefclear refuses it and stops",
     "take the include of {1} out of the file that includes it"},
    {Cause::IncludeTooDeep, &kStartupStops, "includes are nested more than 32 deep here: Prefclear refuses {1} and stops",
     "nest includes less deeply"},
    {Cause::IncludeTooMany, &kStartupStops, "more than 1,024 files are read here: Prefclear refuses {1} and stops",
     "include each file once, and fewer of them"},
    {Cause::StartupQuoteMissing, &kStartupStops, "the string opened here has no closing quote: Prefclear stops",
     "add the closing quote"},
    {Cause::StartupUnquotedJapanese, &kStartupStops, "Japanese text outside double quotes: Prefclear stops",
     "put the text in double quotes"},
    {Cause::StartupHashComment, &kStartupStops, "'#' starts no token: Prefclear stops",
     "begin comments with ; or //"},
    {Cause::StartupStrayByte, &kStartupStops, "the byte {1} starts no token: Prefclear stops",
     "remove it, or put the text it belongs to in double quotes"},
    {Cause::StartupEqualsMissing, &kStartupStops, "{1} is not followed by =: Prefclear stops",
     "write = between {1} and its value"},
    {Cause::StartupIntegerExpected, &kStartupStops, "{1} takes a whole number: Prefclear stops",
     "write a whole number"},
    {Cause::StartupValueMissing, &kStartupStops, "the file ends before the value of {1}: Prefclear stops",
     "give {1} its value"},
    {Cause::StartupCommaMissing, &kStartupStops, "no comma after the LoadDLL entry {1}: Prefclear stops",
     "separate the LoadDLL entries with commas"},
    {Cause::StartupOther, &kStartupStops, "Prefclear stops at {1}", "write the statement as the guide shows it"},
    {Cause::StartupKeyCase, &kStartupUnknownKey,
     "{1} is no key: keys are case-sensitive; the player sees {2}, then Prefclear reads on",
     "write {3}"},
    {Cause::StartupSection, &kStartupUnknownKey,
     "a section line: the file has no sections; the player sees {2}, then Prefclear reads on",
     "remove the line {1}"},
    {Cause::StartupUnknownWord, &kStartupUnknownKey, "{1} is no key Prefclear knows; the player sees {2}, then Prefclear reads on",
     "remove it, or write one of the keys the guide lists (keys are case-sensitive)"},
    {Cause::StartupEncodingUnreadable, &kStartupEncoding, "{1}; Prefclear cannot read it",
     "save as Shift-JIS (code page 932) without a byte-order mark"},
    {Cause::StartupEncodingMisread, &kStartupEncoding,
     "{1}; Prefclear reads its Japanese text as other characters: it asks about \"{2}\" and resets the settings in {3}",
     "save as Shift-JIS (code page 932)"},
    {Cause::SaveSettingInvalid, &kSaveSettingInvalid, "{1}; Prefclear takes the documents folder, without a word",
     "write the twelve bytes the guide shows"},
    {Cause::StartupClimbs, &kStartupClimbs, "{1} holds a '..' component: Prefclear stops before it deletes anything",
     "name the save folder without '..'"},
    // What the real machine holds.
    {Cause::GameKeyOnly64, &kKeyOnly64,
     "the game's key {1} is only in the 64-bit registry view: the Uninstaller, a 32-bit program, does not see it, "
     "and it stays while the uninstall reports success",
     "write the key in the 32-bit view: make the installer a 32-bit program, or write with KEY_WOW64_32KEY "
     "(NSIS: SetRegView 32; Inno Setup: HKLM32)"},
    {Cause::EntryOnly64, &kKeyOnly64,
     "the uninstall entry {1} is only in the 64-bit registry view: the Uninstaller, a 32-bit program, does not "
     "see it, and the game stays in the list of installed programs after the uninstall",
     "write the entry in the 32-bit view: make the installer a 32-bit program, or write with KEY_WOW64_32KEY "
     "(NSIS: SetRegView 32; Inno Setup: HKLM32)"},
    {Cause::UninstallStringOther, &kEntryStartsOther,
     "the uninstall entry's UninstallString is {1}: the list of installed programs starts that, not this game's "
     "Uninstaller",
     "set UninstallString to {2}"},
    {Cause::UninstallStringUnquoted, &kEntryStartsOther,
     "the uninstall entry's UninstallString {1} names the Uninstaller without double quotes: a path with a space "
     "is cut at the space, and another program may start",
     "set UninstallString to {2}"},
    {Cause::UninstallStringMissing, &kEntryStartsOther,
     "the uninstall entry has no UninstallString: the list of installed programs cannot start the uninstall",
     "set UninstallString to {1}"},
    {Cause::ShortcutMissing, &kShortcutNotMade,
     "{1} is not there: the installer did not make the shortcut where the Uninstaller looks for it",
     "make the shortcut there, named as the record says, or take the record out of Installer.ini"},
    {Cause::ShortcutElsewhere, &kShortcutNotMade,
     "{1} is not there, but {2} is: the installer made the shortcut for this user only, and the uninstall "
     "leaves it behind",
     "make the shortcut for all users (NSIS: SetShellVarContext all; Inno Setup: {commondesktop}, "
     "{commonprograms})"},
    {Cause::EntryNotInstalled, &kEntryNotInstalled,
     "there is no uninstall entry {1} in either registry view: the game does not show in the list of installed "
     "programs, and players cannot start the uninstall from there",
     "have the installer write the entry {1} in the 32-bit view, with UninstallString {2}"},
    {Cause::GameKeyNotInstalled, &kGameKeyNotInstalled,
     "the game's key {1} is in neither registry view: the uninstall has no key to remove",
     "nothing, if the game keeps no key; otherwise have the installer write it in the 32-bit view"},
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
    std::vector<std::string> arguments{StepWords(*step)};
    arguments.insert(arguments.end(), finding.arguments.begin(), finding.arguments.end());
    return arguments;
}

}  // namespace

std::string StepWords(const Step& step) {
    const std::string why = DescribeStep(step);
    return std::string(KindName(step.kind)) + " " + OutcomeName(step.outcome) + (why.empty() ? "" : ": " + why);
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

std::string FindingProblem(const Report& report, const Finding& finding) {
    return FillWords(TextOf(finding.cause).problem, ArgumentsOf(report, finding));
}

std::string FindingFix(const Report& report, const Finding& finding) {
    if (finding.cause == Cause::Plain) {
        const FindingKind* kind = FindKind(finding.code);
        return kind != nullptr ? kind->fix : "";
    }
    return FillWords(TextOf(finding.cause).fix, ArgumentsOf(report, finding));
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
