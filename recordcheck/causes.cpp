#include "recordcheck/causes.h"

#include <map>
#include <set>

#include "common/paths.h"
#include "recordcheck/encoding.h"
#include "recordcheck/steps.h"
#include "recordcheck/unlisted.h"

namespace recordcheck {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

const Step* StepOf(const Context& c, const Finding& finding) {
    return finding.step < c.report.removing.steps.size() ? &c.report.removing.steps[finding.step] : nullptr;
}

// The thing in the game folder a finding is about, folded as Windows
// compares names; "" for one about no such thing.
std::string SubjectOf(const Context& c, const Finding& finding, bool utf8List) {
    if (const Step* step = StepOf(c, finding)) {
        if (step->kind == StepKind::InstalledFile) return MeantPath(c.Relative(step->path), utf8List);
        if (step->kind == StepKind::InstalledFolder) return FoldForComparison(c.Relative(step->path));
        return std::string();
    }
    switch (finding.cause) {
        case Cause::Unlisted:
        case Cause::UnlistedEmptyFolder:
        case Cause::UnlistedLink:
        case Cause::SaveDataStays:
        case Cause::RecordStays:
        case Cause::NameNotShiftJis:
        case Cause::NameDevice:
        case Cause::PathTooLong: return FoldForComparison(finding.file);
        default: return std::string();
    }
}

// The entry of `folders` for `path` itself (when `itself`) or the nearest
// folder above it; end() when none.
template <typename Map>
typename Map::const_iterator FindAbove(const Map& folders, const std::string& path, bool itself) {
    if (itself) {
        const auto found = folders.find(path);
        if (found != folders.end()) return found;
    }
    for (std::string parent = GetParentPath(path); !parent.empty(); parent = GetParentPath(parent)) {
        const auto found = folders.find(parent);
        if (found != folders.end()) return found;
    }
    return folders.end();
}

bool IsNonAsciiUtf8(const std::string& text) {
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) >= 0x80) return IsUtf8(text);
    }
    return false;
}

}  // namespace

void GroupByCause(Context& c, bool utf8List) {
    std::vector<Finding>& findings = c.report.findings;
    std::deque<Step>& steps = c.report.removing.steps;
    std::vector<bool> drop(findings.size(), false);
    auto attach = [&](Finding& to, std::size_t step) {
        to.consequences.push_back(static_cast<std::uint32_t>(step));
        steps[step].warning = true;
    };

    // Paths out of reach (too long, or named with characters the programs
    // cannot write) take what lies below them.
    std::map<std::string, std::size_t> covering;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (findings[i].cause == Cause::PathTooLong || findings[i].cause == Cause::NameNotShiftJis ||
            findings[i].cause == Cause::NameDevice) {
            covering.emplace(FoldForComparison(findings[i].file), i);
        }
    }
    // A list in UTF-8 takes its entries that find nothing.
    std::size_t utf8Finding = kNone;
    for (std::size_t i = 0; utf8List && i < findings.size(); ++i) {
        if (findings[i].cause == Cause::EncodingMisread && findings[i].file == kFileListFile) utf8Finding = i;
    }
    std::vector<std::string> subjects(findings.size());
    for (std::size_t i = 0; i < findings.size(); ++i) {
        subjects[i] = SubjectOf(c, findings[i], utf8List);
        if (subjects[i].empty()) continue;
        const Step* step = StepOf(c, findings[i]);
        if (utf8Finding != kNone && step != nullptr && step->kind == StepKind::InstalledFile &&
            step->outcome == StepOutcome::NotThere && IsNonAsciiUtf8(c.Relative(step->path))) {
            attach(findings[utf8Finding], findings[i].step);
            drop[i] = true;
            continue;
        }
        if (covering.empty()) continue;
        const auto cover = FindAbove(covering, subjects[i], true);
        if (cover == covering.end() || cover->second == i) continue;
        if (step != nullptr) attach(findings[cover->second], findings[i].step);
        drop[i] = true;
    }

    // The folders that stay: each a consequence of what it still holds.
    std::map<std::string, std::vector<std::size_t>> staying;  // folded relative folder -> its steps (in any case)
    std::size_t gameFolder = kNone;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const Step& step = steps[s];
        if (step.outcome != StepOutcome::Stays) continue;
        if (step.kind == StepKind::InstalledFolder || step.kind == StepKind::RecordFolder) {
            staying[FoldForComparison(c.Relative(step.path))].push_back(s);
        } else if (step.kind == StepKind::GameFolder) {
            gameFolder = s;
        }
    }
    std::set<std::size_t> explained;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (drop[i] || subjects[i].empty()) continue;
        for (std::string parent = GetParentPath(subjects[i]); !parent.empty(); parent = GetParentPath(parent)) {
            const auto folder = staying.find(parent);
            if (folder == staying.end()) continue;
            for (const std::size_t step : folder->second) {
                attach(findings[i], step);
                explained.insert(step);
            }
        }
        if (gameFolder != kNone) {
            attach(findings[i], gameFolder);
            explained.insert(gameFolder);
        }
    }
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Cause cause = findings[i].cause;
        if (cause == Cause::FolderStays) {
            drop[i] = drop[i] || explained.count(findings[i].step) != 0;
        } else if (cause == Cause::GameFolderStays) {
            drop[i] = drop[i] || explained.count(gameFolder) != 0;
        } else if (cause == Cause::RecordStays && findings[i].file == kRecordFolder) {
            const auto folder = staying.find(FoldForComparison(kRecordFolder));
            drop[i] = drop[i] || (folder != staying.end() && explained.count(folder->second.front()) != 0);
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (drop[i]) continue;
        if (kept != i) findings[kept] = std::move(findings[i]);
        ++kept;
    }
    findings.resize(kept);
}

void CheckOtherGames(Context& c) {
    const std::deque<Step>& steps = c.report.removing.steps;
    for (const InstallerWrote& other : c.others) {
        // What the other game's installer wrote, by what this game shares.
        std::map<std::string, Cause> wrote;
        for (const InstallerWrote::Shortcut& s : other.desktop) wrote.emplace(FoldForComparison(s.path), Cause::OtherGameDesktop);
        for (const InstallerWrote::Shortcut& s : other.menu) wrote.emplace(FoldForComparison(s.path), Cause::OtherGameMenu);
        if (!other.gameMenu.empty()) wrote.emplace(FoldForComparison(other.gameMenu), Cause::OtherGameMenu);
        if (!other.gameKey.empty()) wrote.emplace("HKLM\\" + FoldForComparison(other.gameKey), Cause::OtherGameKey);
        if (!other.entry.empty()) wrote.emplace("HKLM\\" + FoldForComparison(other.entry), Cause::OtherGameEntry);
        // One finding for each thing shared, by cause and statement.
        std::map<std::pair<Cause, std::size_t>, Finding> shared;
        std::map<std::pair<Cause, std::size_t>, std::vector<std::string>> taken;
        std::size_t desktop = 0;
        for (std::size_t s = 0; s < steps.size(); ++s) {
            const Step& step = steps[s];
            const std::size_t index = step.kind == StepKind::DesktopShortcut ? desktop++ : kNone;
            if (step.outcome != StepOutcome::Removed) continue;
            const std::string path = (IsRegistryStep(step.kind) ? "HKLM\\" : "") + FoldForComparison(std::string(step.path));
            const auto found = wrote.find(path);
            // The maker's menu folder goes with the other game's menu only.
            const bool makerMenu = step.kind == StepKind::MakerMenuFolder && !other.makerMenu.empty() &&
                                   FoldForComparison(other.makerMenu) == FoldForComparison(std::string(step.path));
            if (found == wrote.end() && !makerMenu) continue;
            const Cause cause = makerMenu ? Cause::OtherGameMenu : found->second;
            const auto key = std::make_pair(cause, cause == Cause::OtherGameDesktop ? index : kNone);
            if (makerMenu && shared.count(key) == 0) continue;
            auto made = shared.find(key);
            if (made == shared.end()) {
                const char* statement = cause == Cause::OtherGameDesktop ? "DesktopShortcut"
                                        : cause == Cause::OtherGameMenu  ? "GameName"
                                                                         : "Registry";
                made = shared.emplace(key, c.AtStatement(cause, statement, {}, key.second)).first;
            }
            made->second.consequences.push_back(static_cast<std::uint32_t>(s));
            c.report.removing.steps[s].warning = true;
            std::vector<std::string>& words = taken[key];
            if (words.size() < 3) words.push_back((IsRegistryStep(step.kind) ? "HKLM\\" : "") + Utf8FromCp932(step.path));
        }
        for (auto& entry : shared) {
            std::string list;
            for (const std::string& word : taken[entry.first]) list += (list.empty() ? "" : ", ") + word;
            const std::size_t more = entry.second.consequences.size() - taken[entry.first].size();
            if (more != 0) {
                list = FillWords(Words{"{1} and {2} more", "{1} ほか {2} 個"}.In(c.report.language),
                                 {list, std::to_string(more)});
            }
            entry.second.arguments = {other.name, list};
            c.Add(std::move(entry.second));
        }
    }
}

void CheckLeftShortcuts(Context& c) {
    std::set<std::size_t> offsets;  // the statements a finding is about
    for (const Finding& finding : c.report.findings) {
        if (finding.file == kSettingsFile && finding.hasOffset) offsets.insert(finding.offset);
    }
    const std::deque<Step>& steps = c.report.removing.steps;
    for (const bool desktop : {true, false}) {
        const char* key = desktop ? "DesktopShortcut" : "Shortcut";
        const StepKind kind = desktop ? StepKind::DesktopShortcut : StepKind::MenuShortcut;
        // The shortcut steps of this statement kind, in statement order.
        std::vector<std::size_t> ofKind;
        for (std::size_t s = 0; s < steps.size(); ++s) {
            if (steps[s].kind == kind) ofKind.push_back(s);
        }
        const auto statements = c.statements.find(key);
        for (const InstallerWrote::Shortcut& shortcut : desktop ? c.wrote.desktop : c.wrote.menu) {
            if (!c.machine.Exists(shortcut.path)) continue;
            const bool placed = statements != c.statements.end() && shortcut.index < statements->second.size();
            if (placed && offsets.count(statements->second[shortcut.index]) != 0) continue;
            const std::size_t step = shortcut.index < ofKind.size() ? ofKind[shortcut.index] : kNone;
            Finding finding = c.AtStatement(
                Cause::ShortcutLeft, key,
                {Utf8FromCp932(shortcut.path), step != kNone ? Utf8FromCp932(steps[step].path) : std::string(Words{"none", "(なし)"}.In(c.report.language))},
                shortcut.index);
            if (step != kNone) {
                finding.consequences.push_back(static_cast<std::uint32_t>(step));
                c.report.removing.steps[step].warning = true;
            }
            c.Add(std::move(finding));
        }
    }
}

}  // namespace recordcheck
