#include "recordcheck/unlisted.h"

#include <map>
#include <set>
#include <vector>

#include "common/paths.h"
#include "common/sjis.h"
#include "recordcheck/encoding.h"

namespace recordcheck {

std::string MeantPath(const std::string& listed, bool utf8List) {
    std::string path = listed;
    std::string cp932;
    if (utf8List && IsUtf8(path) && Cp932FromUtf8(path, cp932)) path = cp932;
    // Its names, with "." and ".." taken as Windows takes them.
    std::vector<std::string> names(1);
    for (std::size_t i = 0; i <= path.size(); ++i) {
        const auto byte = i < path.size() ? static_cast<unsigned char>(path[i]) : '\\';
        if (sjis::IsLeadByte(byte) && i + 1 < path.size()) {
            names.back() += path.substr(i++, 2);
        } else if (byte != '\\' && byte != '/') {
            names.back().push_back(static_cast<char>(byte));
        } else if (names.back() == "..") {
            names.pop_back();
            if (!names.empty()) names.pop_back();
            names.emplace_back();
        } else if (!names.back().empty() && names.back() != ".") {
            names.emplace_back();
        } else {
            names.back().clear();
        }
    }
    std::string out;
    for (const std::string& name : names) {
        if (!name.empty()) out += (out.empty() ? "" : "\\") + name;
    }
    return FoldForComparison(out);
}

void FindUnlisted(Context& c, bool utf8List) {
    const std::string prefix = JoinWithSeparator(c.gameFolder, std::string());
    auto relative = [&](std::string_view full) { return std::string(full.substr(prefix.size())); };
    std::set<std::string> listed;
    // Entries that name a file on disk the Uninstaller does not reach by
    // them (refused, or written in UTF-8): that file is told with its entry.
    std::set<std::string> meant;
    // Only an entry the uninstall did not remove can name what is still
    // there: one it refused, one that stays, or (written in UTF-8) one whose
    // name as written is not there.
    for (const Step& step : c.report.removing.steps) {
        if (step.kind != StepKind::InstalledFile || step.outcome == StepOutcome::Removed) continue;
        if (step.outcome == StepOutcome::NotThere && !utf8List) continue;
        const std::string_view entry = std::string_view(step.path).substr(prefix.size());
        // An entry with a separator at its end names its folder.
        std::string key = FoldForComparison(std::string(entry));
        RemoveTrailingSeparator(key);
        listed.insert(key);
        meant.insert(MeantPath(std::string(entry), utf8List));
    }
    // The records are the Uninstaller's own: they need no entry, and one that
    // stays is told as a record.
    for (const char* record : {kSettingsFile, kFileListFile, kSaveSettingFile}) listed.insert(FoldForComparison(record));
    // Prefclear's save folder, when the game keeps its saves in its own folder.
    std::string saves;
    if (c.report.saveFolder.compare(0, prefix.size(), prefix) == 0) {
        saves = FoldForComparison(relative(c.report.saveFolder)) + "\\";
    }
    // The listed folders that stay, by folded relative path, with their boxes.
    std::map<std::string, const Step*> stayingFolders;
    for (const Step& step : c.report.removing.steps) {
        if (step.kind == StepKind::InstalledFolder && step.outcome != StepOutcome::Removed &&
            step.path.compare(0, prefix.size(), prefix) == 0) {
            stayingFolders.emplace(FoldForComparison(relative(step.path)), &step);
        }
    }
    const std::vector<std::string> tree = c.machine.ListTree(c.gameFolder);
    std::set<std::string> holding;  // folders that still hold something
    for (const std::string& full : tree) holding.insert(FoldForComparison(GetParentPath(full)));
    for (const std::string& full : tree) {
        const DWORD attributes = c.machine.Attributes(full);
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A folder that still holds something stays because of what it holds.
        if (folder && !link && holding.count(FoldForComparison(full)) != 0) continue;
        const std::string path = relative(full);
        const std::string folded = FoldForComparison(path);
        if (listed.count(folded) != 0) continue;  // listed: its step says why it stays
        const bool listedOtherwise = meant.count(folded) != 0;
        Unlisted item;
        item.path = path;
        item.kind = link ? "link" : folder ? "folder" : "file";
        // The nearest listed folder above it stays with a message.
        for (std::string parent = GetParentPath(path); !parent.empty(); parent = GetParentPath(parent)) {
            const auto staying = stayingFolders.find(FoldForComparison(parent));
            if (staying == stayingFolders.end()) continue;
            item.keeps = relative(staying->second->path);
            for (std::size_t box : staying->second->Boxes()) item.shows.push_back(c.report.removing.boxes[box]);
            break;
        }
        if (listedOtherwise) continue;  // its entry's finding tells it
        const bool save = !saves.empty() && folded.compare(0, saves.size(), saves) == 0;
        if (FoldForComparison(GetParentPath(path)) == "INSTALLINFO") {
            // Something beside the records keeps their folder.
            c.Add(MakeFinding(Cause::RecordFolderKept, path));
            c.report.unlisted.push_back(std::move(item));
            continue;
        }
        const Cause cause = save ? Cause::SaveDataStays : link ? Cause::UnlistedLink
                            : folder                       ? Cause::UnlistedEmptyFolder
                                                           : Cause::Unlisted;
        Finding finding = MakeFinding(
            cause, path,
            {item.keeps.empty()
                 ? std::string(Words{"the game folder, without a message", "ゲームフォルダーも残る (メッセージは出ない)"}
                                   .In(c.report.language))
                 : FillWords(Words{"{1}; the player sees a box", "{1} も残り、プレイヤーにメッセージボックスが出る"}
                                 .In(c.report.language),
                             {Utf8FromCp932(item.keeps)}),
             save ? Utf8FromCp932(relative(c.report.saveFolder)) : std::string()});
        if (save) finding.severity = Severity::Note;
        finding.shows = item.shows;
        c.Add(std::move(finding));
        c.report.unlisted.push_back(std::move(item));
    }
}

}  // namespace recordcheck
