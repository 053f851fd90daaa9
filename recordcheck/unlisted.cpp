#include "recordcheck/unlisted.h"

#include <map>
#include <set>

#include "common/paths.h"
#include "recordcheck/encoding.h"

namespace recordcheck {

void FindUnlisted(Context& c) {
    const std::string prefix = JoinWithSeparator(c.gameFolder, std::string());
    auto relative = [&](const std::string& full) { return full.substr(prefix.size()); };
    std::set<std::string> listed;
    for (const InstallFileEntry& entry : c.files) {
        // An entry with a separator at its end names its folder.
        std::string key = FoldForComparison(entry.Path);
        RemoveTrailingSeparator(key);
        listed.insert(key);
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
        if (listed.count(FoldForComparison(path)) != 0) continue;  // listed: its step says why it stays
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
        Finding finding = MakeFinding(
            kUnlisted, path,
            "no record lists this " + item.kind + ": it stays, and keeps " +
                (item.keeps.empty() ? std::string("the game folder") : Utf8FromCp932(item.keeps)) +
                (item.shows.empty() ? std::string(" without a message") : std::string("; the player sees a box")));
        finding.shows = item.shows;
        c.Add(std::move(finding));
        c.report.unlisted.push_back(std::move(item));
    }
}

}  // namespace recordcheck
