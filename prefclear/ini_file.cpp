#include "prefclear/ini_file.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <new>
#include <stdexcept>

#include "common/sjis.h"
#include "prefclear/app.h"
#include "prefclear/ini_tokenizer.h"
#include "prefclear/path_helpers.h"

namespace startup {

namespace {

const char kReadFailed[] = "【 %s 】の読み込みに失敗しました";
const char kParseFailed[] = "【 %s 】の解析に失敗しました";
const char kParseError[] = "【 %s 】解析エラー";
const char kUnknownSymbol[] = "ＩＮＩファイルに解析不能な記号【 %s 】が見つかりました";
const char kMissingComma[] = "ＩＮＩファイル【 %s 】\n【 %s 】の後に【 , 】がありません";

// Keys whose value is "= integer"; a null field reads the value and drops it.
struct IntegerKey {
    const char* key;
    std::int32_t CIniFile::*field;
};
const IntegerKey kIntegerKeys[] = {
    {"IniFileVersion", &CIniFile::IniFileVersion},
    {"ViewWidth", &CIniFile::ViewWidth},
    {"ViewHeight", &CIniFile::ViewHeight},
    {"MainSurfaceBpp", nullptr},
    {"DefaultVolumeRate", &CIniFile::DefaultVolumeRate},
};

// Keys whose value is "= token"; a null field reads the value and drops it.
struct TokenKey {
    const char* key;
    std::string CIniFile::*field;
};
const TokenKey kTokenKeys[] = {
    {"GameName", &CIniFile::GameName},
    {"RegName", &CIniFile::RegName},
    {"CodeName", &CIniFile::CodeName},
    {"BootName", &CIniFile::BootName},
    {"DLL", &CIniFile::DLL},
    {"MainVM", nullptr},
    {"UseCD", nullptr},
    {"SaveFolder", &CIniFile::SaveFolder},
    {"MsgSkipName", nullptr},
    {"ShowSoundSettingMenu", nullptr},
};

// How a path is compared with the files being read: ASCII letters folded,
// "/" taken as "\", and "." and ".." components resolved, as Windows does
// before it opens a file. Spellings this misses are still caught by the
// include depth limit.
std::string ComparisonKey(const std::string& path) {
    std::vector<std::string> components(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (sjis::IsLeadByte(byte)) {
            components.back().push_back(path[i]);
            if (i + 1 < path.size()) components.back().push_back(path[++i]);
        } else if (byte == '\\' || byte == '/') {
            components.emplace_back();
        } else {
            components.back().push_back(byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : path[i]);
        }
    }
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& component = components[i];
        if (component == "." || (component.empty() && i != 0)) continue;
        if (component == "..") {
            // ".." above a drive or the root stays there.
            const bool atRoot = kept.size() == 1 && (kept[0].empty() || kept[0].back() == ':');
            if (atRoot) continue;
            if (!kept.empty() && kept.back() != "..") {
                kept.pop_back();
                continue;
            }
        }
        kept.push_back(component);
    }
    std::string key;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i != 0) key.push_back('\\');
        key += kept[i];
    }
    return key;
}

}  // namespace

const char* CIniFile::GetLoadDLL(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= LoadDLL.size()) return nullptr;
    return LoadDLL[static_cast<std::size_t>(index)].c_str();
}

const char* CIniFile::KeyInAnotherCase(const std::string& word) {
    auto same = [&](const char* key) {
        if (word.size() != std::char_traits<char>::length(key) || word == key) return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const auto a = static_cast<unsigned char>(word[i]);
            const auto b = static_cast<unsigned char>(key[i]);
            if (std::tolower(a) != std::tolower(b)) return false;
        }
        return true;
    };
    for (const IntegerKey& k : kIntegerKeys) {
        if (same(k.key)) return k.key;
    }
    for (const TokenKey& k : kTokenKeys) {
        if (same(k.key)) return k.key;
    }
    for (const char* key : {"UseJoypad", "LoadDLL", "VolumeValancer"}) {
        if (same(key)) return key;
    }
    return nullptr;
}

void CIniFile::NoteMessageSite(const std::string& path, const IniTokenizer& tokenizer, Message message) {
    if (messageSites_ == nullptr) return;
    MessageSite site;
    site.message = message;
    site.path = path;
    site.hasOffset = true;
    site.offset = tokenizer.TokenStart();
    messageSites_->push_back(std::move(site));
}

bool CIniFile::ReportParseError(const IniTokenizer& tokenizer, const std::string& path) {
    NoteMessageSite(path, tokenizer, Message::ParseError);
    return ShowError(kParseError, path.c_str());
}

bool CIniFile::Load(const std::string& path) { return LoadFile(path, nullptr); }

bool CIniFile::RefuseFile(const std::string& path, ReadRefusal refusal, const Includer* includer) {
    if (messageSites_ != nullptr) {
        MessageSite site;
        site.path = path;
        site.refusal = refusal;
        if (includer != nullptr) {
            site.includer = includer->path;
            site.includerOffset = includer->offset;
        }
        messageSites_->push_back(std::move(site));
    }
    return ShowError(kReadFailed, path.c_str());
}

bool CIniFile::LoadFile(const std::string& path, const Includer* includer) {
    const std::size_t depth = loading_.size();
    try {
        // A file that includes itself, directly or through others, would be
        // read without end; it is refused like a file that cannot be read.
        std::string key = ComparisonKey(path);
        if (depth == 0) filesRead_ = 0;
        if (depth >= kMaxIncludeDepth) return RefuseFile(path, ReadRefusal::TooDeep, includer);
        if (++filesRead_ > kMaxFilesPerLoad) return RefuseFile(path, ReadRefusal::TooManyFiles, includer);
        if (std::find(loading_.begin(), loading_.end(), key) != loading_.end()) {
            return RefuseFile(path, ReadRefusal::AlreadyReading, includer);
        }
        // A device (a console, a port) is no settings file; reading it could wait for ever.
        if (NamesADevice(path)) return RefuseFile(path, ReadRefusal::Device, includer);
        IniTokenizer tokenizer;
        if (!tokenizer.Open(path)) return RefuseFile(path, ReadRefusal::Unreadable, includer);
        if (filesReadPaths_ != nullptr) filesReadPaths_->push_back(path);
        loading_.push_back(std::move(key));
        const bool result = ReadStatements(tokenizer, path);
        loading_.pop_back();
        return result;
    } catch (const std::bad_alloc&) {
        // No memory for what this file holds: it cannot be read. An include
        // that failed so has said so itself and returned false.
    } catch (const std::length_error&) {
    }
    loading_.resize(depth);
    return RefuseFile(path, ReadRefusal::Unreadable, includer);
}

bool CIniFile::ReadStatements(IniTokenizer& tokenizer, const std::string& path) {
    for (;;) {
        std::string key;
        if (!tokenizer.ReadToken(key)) {
            if (tokenizer.Status() == TokenizerStatus::Exhausted) return true;
            NoteMessageSite(path, tokenizer, Message::ParseFailed);
            return ShowError(kParseFailed, path.c_str());
        }
        const auto integer = std::find_if(std::begin(kIntegerKeys), std::end(kIntegerKeys),
                                          [&](const IntegerKey& k) { return key == k.key; });
        if (integer != std::end(kIntegerKeys)) {
            std::int32_t value = 0;
            if (!tokenizer.ExpectToken("=") || !tokenizer.ReadInteger(value)) {
                return ReportParseError(tokenizer, path);
            }
            if (integer->field != nullptr) this->*(integer->field) = value;
            continue;
        }
        const auto token = std::find_if(std::begin(kTokenKeys), std::end(kTokenKeys),
                                        [&](const TokenKey& k) { return key == k.key; });
        if (token != std::end(kTokenKeys)) {
            std::string value;
            if (!tokenizer.ExpectToken("=") || !tokenizer.ReadToken(value)) {
                return ReportParseError(tokenizer, path);
            }
            if (token->field != nullptr) this->*(token->field) = std::move(value);
            continue;
        }
        if (key == "UseJoypad") {
            std::string value;
            if (!tokenizer.ExpectToken("=") || !tokenizer.ReadToken(value)) {
                return ReportParseError(tokenizer, path);
            }
            UseJoypad = value == "true";
        } else if (key == "LoadDLL") {
            if (!ReadLoadDLLList(tokenizer, path)) return false;
        } else if (key == "VolumeValancer") {
            if (!ReadVolumeValancer(tokenizer, path)) return false;
        } else {
            // An unknown word is reported and passed over; the load goes on.
            NoteMessageSite(path, tokenizer, Message::UnknownSymbol);
            (void)ShowError(kUnknownSymbol, key.c_str());
        }
    }
}

bool CIniFile::ReadLoadDLLList(IniTokenizer& tokenizer, const std::string& path) {
    if (!tokenizer.ExpectToken("=") || !tokenizer.ExpectToken("{")) return ReportParseError(tokenizer, path);
    for (;;) {
        // The list ends at "}" or wherever no token can be read; what cannot
        // be read is left for the next statement to report.
        std::string entry;
        if (!tokenizer.ReadToken(entry) || entry == "}") return true;
        const std::string extension = LowerExtension(entry);
        const Includer includer{path, tokenizer.TokenStart()};
        if (extension == "inc") {
            // Included files are relative to the file that lists them.
            if (!LoadFile(FolderPrefix(path) + entry, &includer)) return false;
        } else if (extension == "inn") {
            // An optional include: missing is fine.
            const std::string included = FolderPrefix(path) + entry;
            if (IsExistingFile(included) && !LoadFile(included, &includer)) return false;
        } else {
            LoadDLL.push_back(entry);
        }
        std::string separator;
        if (!tokenizer.ReadToken(separator) || separator == "}") return true;
        if (separator != ",") {
            NoteMessageSite(path, tokenizer, Message::MissingComma);
            return ShowError(kMissingComma, path.c_str(), entry.c_str());
        }
    }
}

bool CIniFile::ReadVolumeValancer(IniTokenizer& tokenizer, const std::string& path) {
    std::int32_t index = 0;
    std::string name;
    if (!tokenizer.ExpectToken("[") || !tokenizer.ReadInteger(index) || !tokenizer.ExpectToken("]") ||
        !tokenizer.ExpectToken("=") || !tokenizer.ReadToken(name)) {
        return ReportParseError(tokenizer, path);
    }
    std::int32_t value = -1;
    // The value is optional; a token other than "," belongs to the next statement.
    if (tokenizer.ExpectToken(",") && !tokenizer.ReadInteger(value)) return ReportParseError(tokenizer, path);
    if (index < 0 || index > kMaxVolumeValancerIndex) return true;
    const auto position = static_cast<std::size_t>(index);
    if (VolumeValancer.size() <= position) VolumeValancer.resize(position + 1);  // gaps: empty name, -1
    VolumeValancer[position] = VolumeValancerEntry{std::move(name), value};
    return true;
}

}  // namespace startup
