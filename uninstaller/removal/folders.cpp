#include "uninstaller/removal/folders.h"

#include <algorithm>
#include <set>

#include "common/paths.h"
#include "common/sjis.h"
#include "common/text.h"
#include "platform/win32.h"
#include "uninstaller/removal/containment.h"

namespace {

const char kFolderFailedFormat[] = "【 %s 】\nフォルダの削除に失敗しました";
const char kCaption[] = "Uninstaller";
constexpr DWORD kFolderWaitMilliseconds = 100;

// The system takes '/' for '\\' in paths; the folder set must too, or
// "Data/Sub\\x" would put Data/Sub at the depth of Data and Data would be
// tried (and reported) before its subfolder was gone. Trail bytes are kept.
std::string WithBackslashes(const std::string& path) {
    std::string result = path;
    for (std::size_t i = 0; i < result.size();) {
        if (sjis::IsLeadByte(static_cast<unsigned char>(result[i]))) {
            i += 2;
            continue;
        }
        if (result[i] == '/') result[i] = '\\';
        ++i;
    }
    return result;
}

}  // namespace

std::size_t PathDepth(const std::string& path) {
    std::size_t depth = 0;
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (sjis::IsLeadByte(byte)) {
            i += 2;
            continue;
        }
        if (byte == '\\') ++depth;
        ++i;
    }
    return depth;
}

std::vector<std::string> OrderFoldersForRemoval(const InstallFileList& files) {
    // std::string compares as unsigned bytes, a proper prefix first.
    std::set<std::string> folders;
    for (const InstallFileEntry& entry : files) {
        std::string path = WithBackslashes(entry.Path);
        RemoveTrailingSeparator(path);
        // A path that may leave the game folder contributes nothing; the one
        // trailing separator dropped above is no empty component.
        if (!IsSafeRelativePath(path)) continue;
        std::string parent = GetParentPath(path);
        while (!parent.empty()) {
            folders.insert(parent);
            RemoveTrailingSeparator(parent);
            parent = GetParentPath(parent);
        }
    }
    std::vector<std::string> order(folders.begin(), folders.end());
    std::stable_sort(order.begin(), order.end(), [](const std::string& a, const std::string& b) {
        return PathDepth(a) > PathDepth(b);
    });
    return order;
}

std::string FormatFolderFailureMessage(const std::string& fullPath) {
    const std::size_t frame = FormatText(kFolderFailedFormat, "").size();
    const std::size_t room = kFolderMessageBufferSize - 1 > frame ? kFolderMessageBufferSize - 1 - frame : 0;
    const std::string shown = CutText(fullPath, room);
    return FormatTextBounded(kFolderMessageBufferSize, kFolderFailedFormat, shown.c_str());
}

bool RemoveFolderOnce(const std::string& path, StepKind kind) {
    const StepReason refusal = CheckNotALink(path);
    if (refusal != StepReason::None) {
        ReportRefusal(kind, path, refusal);
        return false;
    }
    Sleep(kFolderWaitMilliseconds);
    const bool removed = RemoveDirectoryA(path.c_str()) != FALSE;
    ReportCall(kind, path, removed);
    return removed;
}

bool RemoveFolderBelow(const std::string& base, const std::string& relative, StepKind kind) {
    const ResolvedPath path = ResolveRecordPath(base, relative);
    if (!path) {
        ReportRefusal(kind, path.path, path.refusal, path.at);
        return false;
    }
    return RemoveFolderOnce(path.path, kind);
}

void RemoveInstalledFolders(const std::string& gameFolder, const InstallFileList& files) {
    for (const std::string& folder : OrderFoldersForRemoval(files)) {
        if (RemoveFolderBelow(gameFolder, folder, StepKind::InstalledFolder)) continue;
        const std::string message = FormatFolderFailureMessage(JoinWithSeparator(gameFolder, folder));
        (void)MessageBoxA(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR);
    }
}
