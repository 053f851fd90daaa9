// Shared by the fault matrix and the soak: path rules written independently
// of the program, snapshots of the simulated machine, and message bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sim.h"

namespace hardening {

// Message texts as CP932 bytes, written out independently of the program.
// アンインストーラの実行に失敗しました
const std::string kRunFailed =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x89\x82\xCC\x8E\xC0\x8D\x73\x82\xC9\x8E\xB8\x94"
    "\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// アンインストールに失敗しました
const std::string kUninstallFailed =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82"
    "\xB5\x82\xBD";
// アンインストールが完了しました
const std::string kUninstallComplete =
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82"
    "\xB5\x82\xBD";
// "【 " and " 】\nフォルダの削除に失敗しました"
const std::string kFolderHead = "\x81\x79\x20";
const std::string kFolderTail =
    "\x20\x81\x7A\x0A\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xCC\x8D\xED\x8F\x9C\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD";
const std::string kUninstallerCaptionBytes = "\x55\x6E\x69\x6E\x73\x74\x61\x6C\x6C\x65\x72";  // Uninstaller
constexpr unsigned kErrorStyle = 0x00050000;                                             // MB_OK|TOPMOST|SETFOREGROUND
constexpr unsigned kFolderStyle = 0x10;                                                  // MB_ICONERROR

inline bool StartsWith(const std::string& text, const std::string& head) {
    return text.size() >= head.size() && text.compare(0, head.size(), head) == 0;
}
inline bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
// The folder a folder message names, or "" when the text is no such message.
inline std::string FolderOfMessage(const std::string& text) {
    if (text.size() <= kFolderHead.size() + kFolderTail.size()) return std::string();
    if (!StartsWith(text, kFolderHead) || !EndsWith(text, kFolderTail)) return std::string();
    return text.substr(kFolderHead.size(), text.size() - kFolderHead.size() - kFolderTail.size());
}

// Paths and keys compare without regard to ASCII case, like the machine
// (trail bytes are never letters).
inline bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || b >= 0xE0; }
inline std::string Upper(std::string text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (IsLead(b)) {
            ++i;
        } else if (b >= 'a' && b <= 'z') {
            text[i] = static_cast<char>(b - 'a' + 'A');
        }
    }
    return text;
}
// '/' taken for '\', outside two-byte characters.
inline std::string Backslashed(std::string text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (IsLead(b)) {
            ++i;
        } else if (b == '/') {
            text[i] = '\\';
        }
    }
    return text;
}
inline bool SamePath(const std::string& a, const std::string& b) { return Upper(Backslashed(a)) == Upper(Backslashed(b)); }
// `path` is `folder` or lies below it.
inline bool Below(const std::string& path, const std::string& folder) {
    const std::string p = Upper(Backslashed(path)), f = Upper(Backslashed(folder));
    return p == f || StartsWith(p, f + "\\");
}

// The components of a relative path, split at '\' and '/' outside two-byte
// characters.
inline std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (IsLead(b) && i + 1 < path.size()) {
            parts.back() += path.substr(i, 2);
            ++i;
        } else if (b == '\\' || b == '/') {
            parts.emplace_back();
        } else {
            parts.back() += path[i];
        }
    }
    return parts;
}

// The prefixes of `relative` that end before each of its separators, as
// written: the folders on the way from the base to the entry.
inline std::vector<std::string> FoldersOnTheWay(const std::string& relative) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < relative.size(); ++i) {
        const auto b = static_cast<unsigned char>(relative[i]);
        if (IsLead(b)) {
            ++i;
        } else if ((b == '\\' || b == '/') && i > 0) {
            out.push_back(relative.substr(0, i));
        }
    }
    return out;
}

// Everything on drive C: as upper-cased path -> what it is (folder or file,
// attributes, bytes).
inline std::map<std::string, std::string> VolumeOf(const sim::Machine& m) {
    std::map<std::string, std::string> out;
    for (const auto& path : m.ListTree("C:\\")) {
        const std::string attributes = std::to_string(m.Attributes(path));
        out[Upper(path)] = (m.IsFolder(path) ? "<folder " : "<file ") + attributes + ">" + m.FileBytes(path);
    }
    return out;
}

// Every key as upper-cased path -> its value names.
inline std::map<std::string, std::set<std::string>> RegistryOf(const sim::Machine& m) {
    std::map<std::string, std::set<std::string>> out;
    for (const auto& key : m.AllKeys()) {
        std::set<std::string> names;
        for (const auto& name : m.ValueNames(key)) names.insert(Upper(name));
        out[Upper(key)] = names;
    }
    return out;
}

}  // namespace hardening
