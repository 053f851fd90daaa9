// Where the game keeps its save data: InstallInfo\SaveFolderSetting.ini
// names one of three places; without a valid file it is the documents folder.
#pragma once

#include <cstdint>
#include <string>

#include "common/file.h"
#include "platform/win32.h"
#include "prefclear/ini_file.h"

enum class SaveFolderLocation : std::int32_t {
    Documents = 0,   // documents folder \ Tarnwick \ game's name
    AppData = 1,     // roaming application data \ Tarnwick \ game's name
    GameFolder = 2,  // BaseFolder itself
};

// Reads a little-endian binary file front to back, refusing to read past the
// size the file had when it was opened.
class SettingFileReader {
public:
    SettingFileReader() = default;
    SettingFileReader(const SettingFileReader&) = delete;
    SettingFileReader& operator=(const SettingFileReader&) = delete;

    [[nodiscard]] bool Open(const std::string& path);
    // Four bytes, read one at a time; the text ends at the first NUL among them.
    [[nodiscard]] bool ReadMagic(std::string& magic);
    [[nodiscard]] bool ReadUInt32(std::uint32_t& value);
    void Close();

private:
    [[nodiscard]] bool ReadBytes(void* buffer, DWORD count);

    FileHandleHolder file_;
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
};

// The location InstallInfo\SaveFolderSetting.ini below BaseFolder names;
// Documents when it is missing, unreadable, short or invalid. Never fails.
[[nodiscard]] SaveFolderLocation ReadSaveFolderSetting();
// The game's save root for that location. A special folder that cannot be
// had is replaced by BaseFolder; nothing is created.
[[nodiscard]] std::string BuildSaveFolderPath(const startup::CIniFile& settings, SaveFolderLocation location);
