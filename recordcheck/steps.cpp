#include "recordcheck/steps.h"

#include "common/sjis.h"
#include "platform/win32.h"
#include "recordcheck/encoding.h"

namespace recordcheck {

const char* KindName(StepKind kind) {
    switch (kind) {
        case StepKind::DesktopShortcut: return "desktop shortcut";
        case StepKind::MenuShortcut: return "menu shortcut";
        case StepKind::GameMenuFolder: return "game menu folder";
        case StepKind::MakerMenuFolder: return "maker menu folder";
        case StepKind::InstalledFile: return "file";
        case StepKind::InstalledFolder: return "folder";
        case StepKind::RecordFile: return "record";
        case StepKind::RecordFolder: return "record folder";
        case StepKind::GameFolder: return "game folder";
        case StepKind::MakerFolder: return "maker folder";
        case StepKind::GameKey: return "game key";
        case StepKind::ParentKey: return "parent key";
        case StepKind::UninstallEntry: return "uninstall entry";
        case StepKind::ConfigFile: return "configuration file";
    }
    return "";
}

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

const char* OutcomeName(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Removed: return "removed";
        case StepOutcome::Stays: return "stays";
        case StepOutcome::Refused: return "refused";
        case StepOutcome::NotThere: return "not there";
    }
    return "";
}

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

std::string ErrorText(unsigned long error) {
    switch (error) {
        case 2:
        case 3: return "it is not there";
        case 5: return "access is denied";
        case 32: return "it is in use";
        case 123: return "the name is not valid";
        case 145: return "it is not empty";
        case 161: return "the path is not valid";
        case 206: return "the path is too long for the programs' calls (260 characters)";
        default: return "error " + std::to_string(error);
    }
}

namespace {

// A name the door refused, in words: what is wrong with it.
const char* NameFault(StepReason reason) {
    switch (reason) {
        case StepReason::NoFolder: return "the folder it lies in is unknown on this machine";
        case StepReason::EmptyName: return "the name is empty";
        case StepReason::LeadingSeparator: return "an absolute path (it begins with a separator)";
        case StepReason::Colon: return "an absolute path, or a stream (it holds ':')";
        case StepReason::NulByte: return "the name holds a NUL byte";
        case StepReason::Wildcard: return "the name holds a wildcard";
        case StepReason::BadCharacter: return "the name is not valid Shift-JIS";
        case StepReason::EmptyComponent: return "an empty name between separators (doubled, or one at the end)";
        case StepReason::DotsComponent: return "it leaves its folder through '..' (or a name of dots only)";
        case StepReason::DeviceName: return "a device name (NUL, CON, COM1 ...)";
        default: return "";
    }
}

}  // namespace

std::string DescribeStep(const Step& step) {
    const std::string at = Utf8FromCp932(step.At());
    if (step.outcome != StepOutcome::Removed && IsBeyondMaxPath(step)) {
        return "the path is longer than the 259 characters Windows lets the programs reach";
    }
    std::string text;
    switch (step.reason) {
        case StepReason::None: break;
        case StepReason::LinkOnTheWay: text = "a link on the way: " + at; break;
        case StepReason::UnknownOnTheWay: text = "a folder on the way cannot be read: " + at; break;
        case StepReason::AbsentOnTheWay: text = "its folder is not there: " + at; break;
        case StepReason::IsLink: text = "a link: the Uninstaller never removes one"; break;
        case StepReason::Unreadable: text = "its attributes cannot be read"; break;
        case StepReason::FolderInPlace: text = "a folder of that name stands there"; break;
        case StepReason::ProgramMenuItself:
            text = "DefaultGameMakerProgramMenuName is empty: the program menu itself is never removed";
            break;
        case StepReason::NotMakerName: text = "its name is not DefaultGameMakerName"; break;
        case StepReason::NotAFolder: text = "not a folder"; break;
        case StepReason::EmptyKey: text = "Registry is empty"; break;
        case StepReason::SystemKey: text = "a system key: the Uninstaller never deletes it"; break;
        case StepReason::HoldsSubkeys: text = "it holds other keys"; break;
        default: text = NameFault(step.reason); break;
    }
    if (!step.Field().empty()) text = step.Field() + ": " + text;
    const bool endsWithSeparator = !step.path.empty() && (step.path.back() == '\\' || step.path.back() == '/');
    if (step.reason == StepReason::EmptyComponent && step.kind == StepKind::InstalledFile && endsWithSeparator) {
        text = "it names a folder (a separator at its end): the Uninstaller deletes files only";
    }
    if (step.reason == StepReason::EmptyComponent && IsRegistryStep(step.kind)) {
        text = "the key path has an empty name (a leading or doubled backslash)";
    }
    if (step.outcome == StepOutcome::NotThere && step.reason == StepReason::None) {
        // A key name the registry cannot hold names no key.
        if (IsRegistryStep(step.kind) && IsNameTooLongError(step.error)) {
            return "its name is longer than the registry allows (255 characters a name)";
        }
        switch (step.kind) {
            case StepKind::InstalledFile: return "listed, but not in the folder";
            case StepKind::UninstallEntry: return "there was none: the Uninstaller made it and deleted it again";
            default: return "it is not there";
        }
    }
    if (step.outcome == StepOutcome::Stays && step.reason == StepReason::None) {
        if (step.wasLink) return "a link: the Uninstaller never removes one";
        if (step.wasFolder) return "a folder: the Uninstaller deletes only files";
        if (step.wasReadOnly) return "it is read-only: the Uninstaller deletes it only when it may be written";
        // The registry refuses to delete a key that has subkeys with error 5;
        // a run without the rights to delete would not have opened it.
        const bool keyWithSubkeys = (step.kind == StepKind::GameKey || step.kind == StepKind::UninstallEntry) &&
                                    step.error == ERROR_ACCESS_DENIED;
        text = keyWithSubkeys ? "it holds other keys (the registry answers error 5)" : ErrorText(step.error);
        if (!step.Holds().empty()) text += ": " + step.Holds();
    }
    if (step.outcome == StepOutcome::Removed &&
        (step.kind == StepKind::MakerFolder || step.kind == StepKind::ParentKey ||
         step.kind == StepKind::MakerMenuFolder)) {
        return "nothing else is in it here";
    }
    return text;
}

}  // namespace recordcheck
