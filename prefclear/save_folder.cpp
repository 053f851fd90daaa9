#include "prefclear/save_folder.h"

#include <cstring>

#include "prefclear/app.h"
#include "prefclear/path_helpers.h"

namespace {

const char kMakerFolder[] = "Tarnwick";

// The special folder, or BaseFolder when the shell cannot give it.
std::string SpecialFolderOrBase(int csidl) {
    char buffer[MAX_PATH + 1] = {};
    if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buffer) != S_OK) return BaseFolder;
    const auto* nul = static_cast<const char*>(std::memchr(buffer, '\0', MAX_PATH));
    return std::string(buffer, nul != nullptr ? static_cast<std::size_t>(nul - buffer) : MAX_PATH);
}

}  // namespace

bool SettingFileReader::Open(const std::string& path) {
    Close();
    file_ = FileHandleHolder(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.IsOpen()) return false;
    size_ = GetFileSize(file_.Get(), nullptr);
    position_ = 0;
    return true;
}

bool SettingFileReader::ReadBytes(void* buffer, DWORD count) {
    if (!file_.IsOpen() || position_ + count > size_) return false;
    DWORD read = 0;
    if (!ReadFile(file_.Get(), buffer, count, &read, nullptr) || read != count) return false;
    position_ += count;
    return true;
}

bool SettingFileReader::ReadMagic(std::string& magic) {
    char bytes[4] = {};
    for (char& byte : bytes) {
        if (!ReadBytes(&byte, 1)) return false;
    }
    const auto* nul = static_cast<const char*>(std::memchr(bytes, '\0', sizeof bytes));
    magic.assign(bytes, nul != nullptr ? static_cast<std::size_t>(nul - bytes) : sizeof bytes);
    return true;
}

bool SettingFileReader::ReadUInt32(std::uint32_t& value) {
    unsigned char bytes[4] = {};
    if (!ReadBytes(bytes, 4)) return false;
    value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

void SettingFileReader::Close() {
    (void)file_.Close();  // only read from: nothing to lose
    file_ = FileHandleHolder();
    position_ = 0;
    size_ = 0;
}

SaveFolderLocation ReadSaveFolderSetting() {
    const std::string path = JoinPath(JoinPath(BaseFolder, "InstallInfo"), "SaveFolderSetting.ini");
    if (!IsExistingFile(path)) return SaveFolderLocation::Documents;
    SettingFileReader reader;
    if (!reader.Open(path)) return SaveFolderLocation::Documents;
    std::string magic;
    std::uint32_t reserved = 1;
    std::uint32_t code = 0;
    const bool valid = reader.ReadMagic(magic) && magic == "SFSF" && reader.ReadUInt32(reserved) && reserved == 0 &&
                       reader.ReadUInt32(code) && code <= 2;
    reader.Close();
    return valid ? static_cast<SaveFolderLocation>(code) : SaveFolderLocation::Documents;
}

std::string BuildSaveFolderPath(const startup::CIniFile& settings, SaveFolderLocation location) {
    switch (location) {
        case SaveFolderLocation::GameFolder:
            return BaseFolder;
        case SaveFolderLocation::AppData:
            return JoinPath(JoinPath(SpecialFolderOrBase(CSIDL_APPDATA), kMakerFolder), settings.GetGameName());
        case SaveFolderLocation::Documents:
        default:
            return JoinPath(JoinPath(SpecialFolderOrBase(CSIDL_PERSONAL), kMakerFolder), settings.GetGameName());
    }
}
