#include "recordcheck/steps.h"

#include "common/sjis.h"
#include "platform/win32.h"
#include "recordcheck/encoding.h"

namespace recordcheck {

Words KindWords(StepKind kind) {
    switch (kind) {
        case StepKind::DesktopShortcut: return {"desktop shortcut", "デスクトップのショートカット"};
        case StepKind::MenuShortcut: return {"menu shortcut", "メニューのショートカット"};
        case StepKind::GameMenuFolder: return {"game menu folder", "ゲームのメニューフォルダー"};
        case StepKind::MakerMenuFolder: return {"maker menu folder", "メーカーのメニューフォルダー"};
        case StepKind::InstalledFile: return {"file", "ファイル"};
        case StepKind::InstalledFolder: return {"folder", "フォルダー"};
        case StepKind::RecordFile: return {"record", "記録ファイル"};
        case StepKind::RecordFolder: return {"record folder", "記録フォルダー"};
        case StepKind::GameFolder: return {"game folder", "ゲームフォルダー"};
        case StepKind::MakerFolder: return {"maker folder", "メーカーフォルダー"};
        case StepKind::GameKey: return {"game key", "ゲームのキー"};
        case StepKind::ParentKey: return {"parent key", "親キー"};
        case StepKind::UninstallEntry: return {"uninstall entry", "アンインストールエントリ"};
        case StepKind::ConfigFile: return {"configuration file", "設定ファイル"};
    }
    return {"", ""};
}

const char* KindName(StepKind kind) { return KindWords(kind).en; }

const char* SectionName(StepKind kind) {
    switch (kind) {
        case StepKind::DesktopShortcut:
        case StepKind::MenuShortcut:
        case StepKind::GameMenuFolder:
        case StepKind::MakerMenuFolder: return "shortcuts";
        case StepKind::InstalledFile: return "files";
        case StepKind::InstalledFolder: return "folders";
        case StepKind::RecordFile:
        case StepKind::RecordFolder: return "records";
        case StepKind::GameFolder: return "game folder";
        case StepKind::MakerFolder: return "maker folder";
        case StepKind::GameKey:
        case StepKind::ParentKey:
        case StepKind::UninstallEntry: return "registry";
        case StepKind::ConfigFile: return "configuration files";
    }
    return "";
}

Words OutcomeWords(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Removed: return {"removed", "削除"};
        case StepOutcome::Stays: return {"stays", "残存"};
        case StepOutcome::Refused: return {"refused", "拒否"};
        case StepOutcome::NotThere: return {"not there", "なし"};
    }
    return {"", ""};
}

const char* OutcomeName(StepOutcome outcome) { return OutcomeWords(outcome).en; }

const char* ReasonName(StepReason reason) {
    switch (reason) {
        case StepReason::None: return "";
        case StepReason::NoFolder: return "no-folder";
        case StepReason::EmptyName: return "empty-name";
        case StepReason::LeadingSeparator: return "leading-separator";
        case StepReason::Colon: return "colon";
        case StepReason::NulByte: return "nul-byte";
        case StepReason::Wildcard: return "wildcard";
        case StepReason::BadCharacter: return "bad-character";
        case StepReason::EmptyComponent: return "empty-component";
        case StepReason::DotsComponent: return "dots-component";
        case StepReason::DeviceName: return "device-name";
        case StepReason::LinkOnTheWay: return "link-on-the-way";
        case StepReason::UnknownOnTheWay: return "unknown-on-the-way";
        case StepReason::AbsentOnTheWay: return "absent-on-the-way";
        case StepReason::IsLink: return "is-link";
        case StepReason::Unreadable: return "unreadable";
        case StepReason::FolderInPlace: return "folder-in-place";
        case StepReason::ProgramMenuItself: return "program-menu-itself";
        case StepReason::NotMakerName: return "not-maker-name";
        case StepReason::NotAFolder: return "not-a-folder";
        case StepReason::EmptyKey: return "empty-key";
        case StepReason::SystemKey: return "system-key";
        case StepReason::HoldsSubkeys: return "holds-subkeys";
    }
    return "";
}

bool IsRegistryStep(StepKind kind) {
    return kind == StepKind::GameKey || kind == StepKind::ParentKey || kind == StepKind::UninstallEntry;
}

std::size_t CharacterCount(const std::string& cp932) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < cp932.size(); i += sjis::IsLeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1) {
        ++count;
    }
    return count;
}

bool IsBeyondMaxPath(const Step& step) {
    return !IsRegistryStep(step.kind) && (CharacterCount(std::string(step.path)) >= MAX_PATH || CharacterCount(step.At()) >= MAX_PATH);
}

bool IsNameTooLongError(unsigned long error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_MORE_DATA || error == ERROR_FILENAME_EXCED_RANGE;
}

std::string ErrorText(unsigned long error, Language language) {
    const auto say = [language](Words words) { return std::string(words.In(language)); };
    switch (error) {
        case 2:
        case 3: return say({"it is not there", "存在しない"});
        case 5: return say({"access is denied", "アクセスが拒否された"});
        case 32: return say({"it is in use", "使用中"});
        case 123: return say({"the name is not valid", "名前が正しくない"});
        case 145: return say({"it is not empty", "空でない"});
        case 161: return say({"the path is not valid", "パスが正しくない"});
        case 206:
            return say({"the path is too long for the programs' calls (260 characters)",
                        "パスがプログラムの呼び出しには長すぎる (260 文字)"});
        default: return say({"error ", "エラー "}) + std::to_string(error);
    }
}

namespace {

// A name the door refused, in words: what is wrong with it.
Words NameFault(StepReason reason) {
    switch (reason) {
        case StepReason::NoFolder:
            return {"the folder it lies in is unknown on this machine", "置き場所のフォルダーがこのマシンにない"};
        case StepReason::EmptyName: return {"the name is empty", "名前が空"};
        case StepReason::LeadingSeparator:
            return {"an absolute path (it begins with a separator)", "絶対パス (区切り文字で始まる)"};
        case StepReason::Colon: return {"an absolute path, or a stream (it holds ':')", "絶対パスかストリーム (':' を含む)"};
        case StepReason::NulByte: return {"the name holds a NUL byte", "名前に NUL バイトがある"};
        case StepReason::Wildcard: return {"the name holds a wildcard", "名前にワイルドカードがある"};
        case StepReason::BadCharacter: return {"the name is not valid Shift-JIS", "名前が正しい Shift-JIS でない"};
        case StepReason::EmptyComponent:
            return {"an empty name between separators (doubled, or one at the end)",
                    "区切り文字の間の名前が空 (区切りが二重か、末尾にある)"};
        case StepReason::DotsComponent:
            return {"it leaves its folder through '..' (or a name of dots only)",
                    "'..' (またはドットだけの名前) でフォルダーの外に出る"};
        case StepReason::DeviceName: return {"a device name (NUL, CON, COM1 ...)", "デバイス名 (NUL、CON、COM1 など)"};
        default: return {"", ""};
    }
}

}  // namespace

std::string DescribeStep(const Step& step, Language language) {
    const auto say = [language](Words words) { return std::string(words.In(language)); };
    const std::string at = Utf8FromCp932(step.At());
    if (step.outcome != StepOutcome::Removed && IsBeyondMaxPath(step)) {
        return say({"the path is longer than the 259 characters Windows lets the programs reach",
                    "パスが、Windows がプログラムに許す 259 文字より長い"});
    }
    std::string text;
    switch (step.reason) {
        case StepReason::None: break;
        case StepReason::LinkOnTheWay: text = say({"a link on the way: ", "途中にリンクがある: "}) + at; break;
        case StepReason::UnknownOnTheWay:
            text = say({"a folder on the way cannot be read: ", "途中のフォルダーを読めない: "}) + at;
            break;
        case StepReason::AbsentOnTheWay: text = say({"its folder is not there: ", "フォルダーがない: "}) + at; break;
        case StepReason::IsLink:
            text = say({"a link: the Uninstaller never removes one", "リンク: Uninstaller はリンクを削除しない"});
            break;
        case StepReason::Unreadable: text = say({"its attributes cannot be read", "属性を読めない"}); break;
        case StepReason::FolderInPlace: text = say({"a folder of that name stands there", "同じ名前のフォルダーがある"}); break;
        case StepReason::ProgramMenuItself:
            text = say({"DefaultGameMakerProgramMenuName is empty: the program menu itself is never removed",
                        "DefaultGameMakerProgramMenuName が空: プログラムメニューそのものは削除されない"});
            break;
        case StepReason::NotMakerName:
            text = say({"its name is not DefaultGameMakerName", "名前が DefaultGameMakerName でない"});
            break;
        case StepReason::NotAFolder: text = say({"not a folder", "フォルダーでない"}); break;
        case StepReason::EmptyKey: text = say({"Registry is empty", "Registry が空"}); break;
        case StepReason::SystemKey:
            text = say({"a system key: the Uninstaller never deletes it", "システムのキー: Uninstaller は削除しない"});
            break;
        case StepReason::HoldsSubkeys: text = say({"it holds other keys", "ほかのキーを含む"}); break;
        default: text = say(NameFault(step.reason)); break;
    }
    if (!step.Field().empty()) text = step.Field() + ": " + text;
    const bool endsWithSeparator = !step.path.empty() && (step.path.back() == '\\' || step.path.back() == '/');
    if (step.reason == StepReason::EmptyComponent && step.kind == StepKind::InstalledFile && endsWithSeparator) {
        text = say({"it names a folder (a separator at its end): the Uninstaller deletes files only",
                    "フォルダーを指している (末尾に区切り文字): Uninstaller はファイルだけを削除する"});
    }
    if (step.reason == StepReason::EmptyComponent && IsRegistryStep(step.kind)) {
        text = say({"the key path has an empty name (a leading or doubled backslash)",
                    "キーのパスに空の名前がある (先頭か二重のバックスラッシュ)"});
    }
    if (step.outcome == StepOutcome::NotThere && step.reason == StepReason::None) {
        // A key name the registry cannot hold names no key.
        if (IsRegistryStep(step.kind) && IsNameTooLongError(step.error)) {
            return say({"its name is longer than the registry allows (255 characters a name)",
                        "名前がレジストリの上限 (1 つの名前に 255 文字) より長い"});
        }
        switch (step.kind) {
            case StepKind::InstalledFile: return say({"listed, but not in the folder", "記録にあるが、フォルダーにない"});
            case StepKind::UninstallEntry:
                return say({"there was none: the Uninstaller made it and deleted it again",
                            "なかった: Uninstaller が作って、また削除した"});
            default: return say({"it is not there", "存在しない"});
        }
    }
    if (step.outcome == StepOutcome::Stays && step.reason == StepReason::None) {
        if (step.wasLink) return say({"a link: the Uninstaller never removes one", "リンク: Uninstaller はリンクを削除しない"});
        if (step.wasFolder) {
            return say({"a folder: the Uninstaller deletes only files", "フォルダー: Uninstaller はファイルだけを削除する"});
        }
        if (step.wasReadOnly) {
            return say({"it is read-only: the Uninstaller deletes it only when it may be written",
                        "読み取り専用: Uninstaller は書き込めるときだけ削除する"});
        }
        // The registry refuses to delete a key that has subkeys with error 5;
        // a run without the rights to delete would not have opened it.
        const bool keyWithSubkeys = (step.kind == StepKind::GameKey || step.kind == StepKind::UninstallEntry) &&
                                    step.error == ERROR_ACCESS_DENIED;
        text = keyWithSubkeys ? say({"it holds other keys (the registry answers error 5)",
                                     "ほかのキーを含む (レジストリはエラー 5 を返す)"})
                              : ErrorText(step.error, language);
        if (!step.Holds().empty()) text += ": " + step.Holds();
    }
    if (step.outcome == StepOutcome::Removed &&
        (step.kind == StepKind::MakerFolder || step.kind == StepKind::ParentKey ||
         step.kind == StepKind::MakerMenuFolder)) {
        return say({"nothing else is in it here", "ここではほかに何も入っていない"});
    }
    return text;
}

}  // namespace recordcheck
