#include "uninstaller/removal/containment.h"

#include <cstddef>

#include "common/paths.h"
#include "common/sjis.h"
#include "platform/win32.h"

namespace {

bool IsSeparator(unsigned char byte) { return byte == '\\' || byte == '/'; }

// A two-byte character as the system's code page 932 table has it. Bytes the
// project's scanners take as lead bytes but that do not form such a pair
// (0xFD-0xFF, or a trail byte below 0x40 such as '.', '/' or ':') are
// converted by the system in ways a byte walk cannot predict.
bool IsWellFormedPair(unsigned char lead, unsigned char trail) {
    const bool leadOk = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    const bool trailOk = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
    return leadOk && trailOk;
}

// Calls `visit(end)` for the end index of every non-empty component that is
// followed by a separator. False as soon as `visit` says false.
template <typename Visit>
bool VisitFoldersOnTheWay(const std::string& relative, Visit visit) {
    std::size_t componentStart = 0;
    for (std::size_t i = 0; i < relative.size();) {
        const auto byte = static_cast<unsigned char>(relative[i]);
        if (sjis::IsLeadByte(byte)) {
            i += 2;
            continue;
        }
        if (IsSeparator(byte)) {
            if (i > componentStart && !visit(i)) return false;
            componentStart = i + 1;
        }
        ++i;
    }
    return true;
}

}  // namespace

StepReason CheckRelativePath(const std::string& path) {
    if (path.empty()) return StepReason::EmptyName;
    if (IsSeparator(static_cast<unsigned char>(path[0]))) return StepReason::LeadingSeparator;
    // Walk components; a component of only dots and spaces is what the
    // system's normalization turns into "." or "..".
    bool onlyDotsAndSpaces = true;
    std::size_t componentLength = 0;
    std::size_t componentStart = 0;
    // The fault of the component being walked, named once it is whole.
    auto componentFault = [&](std::size_t end) {
        // An empty component (a doubled or trailing separator) names no
        // file an installer writes; refusing it keeps one spelling per path.
        if (componentLength == 0) return StepReason::EmptyComponent;
        if (onlyDotsAndSpaces) return StepReason::DotsComponent;
        // No installer can have made a file or folder named like a device.
        if (IsDeviceName(path.substr(componentStart, end - componentStart))) return StepReason::DeviceName;
        return StepReason::None;
    };
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte == '\0') return StepReason::NulByte;
        if (byte == ':') return StepReason::Colon;
        // A wildcard names no file; a call would take it as a pattern or refuse it.
        if (byte == '*' || byte == '?') return StepReason::Wildcard;
        if (sjis::IsLeadByte(byte)) {
            if (i + 1 >= path.size() || !IsWellFormedPair(byte, static_cast<unsigned char>(path[i + 1]))) {
                return StepReason::BadCharacter;
            }
            onlyDotsAndSpaces = false;
            ++componentLength;
            i += 2;
            continue;
        }
        if (IsSeparator(byte)) {
            const StepReason fault = componentFault(i);
            if (fault != StepReason::None) return fault;
            onlyDotsAndSpaces = true;
            componentLength = 0;
            componentStart = i + 1;
        } else {
            if (byte != '.' && byte != ' ') onlyDotsAndSpaces = false;
            ++componentLength;
        }
        ++i;
    }
    return componentFault(path.size());
}

bool IsSafeRelativePath(const std::string& path) { return CheckRelativePath(path) == StepReason::None; }

bool IsAbsoluteFolderPath(const std::string& path) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return true;
    if (path.size() < 2) return false;
    const char drive = path[0];
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    if (!letter || path[1] != ':') return false;
    // "C:X" is relative to the current folder of drive C.
    return path.size() == 2 || path[2] == '\\';
}

StepReason CheckNotALink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Absent: nothing there can lead elsewhere, and acting below it fails.
        return IsNotThereError(GetLastError()) ? StepReason::None : StepReason::Unreadable;
    }
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? StepReason::IsLink : StepReason::None;
}

ResolvedPath ResolveRecordPath(const std::string& base, const std::string& relative, RecordPathUse use,
                               const char* extension) {
    ResolvedPath resolved;
    const std::string prefix = JoinWithSeparator(base, std::string());
    resolved.path = (base.empty() ? std::string() : prefix) + relative + extension;
    // An empty base would put the path at the root of the current drive.
    if (base.empty()) {
        resolved.refusal = StepReason::NoFolder;
        return resolved;
    }
    resolved.refusal = CheckRelativePath(relative);
    if (!resolved.IsOpen()) return resolved;
    (void)VisitFoldersOnTheWay(relative, [&](std::size_t end) {
        // Only an ordinary folder leads on. Below an absent one there is
        // nothing to act on, unless a link has been put there since.
        const std::string folder = prefix + relative.substr(0, end);
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            resolved.refusal = IsNotThereError(GetLastError()) ? StepReason::AbsentOnTheWay
                                                               : StepReason::UnknownOnTheWay;
        } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            resolved.refusal = StepReason::LinkOnTheWay;
        } else {
            return true;
        }
        resolved.at = folder;
        return false;
    });
    if (resolved.IsOpen() && use == RecordPathUse::Inside) resolved.refusal = CheckNotALink(resolved.path);
    return resolved;
}
