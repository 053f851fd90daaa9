// The game's start-up settings (OrrinStart.ini): the record with its
// defaults, and the reader that fills it from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IniTokenizer;

namespace startup {

// The read accessors, in the order of their virtual slots (0 to 7 here,
// 8 and 9 in IVantorIni2); the game's modules call them by slot, so the
// order never changes. Neither interface owns the record: no virtual
// destructor, and no deleting through them.
class IVantorIni {
public:
    virtual std::int32_t GetIniFileVersion() const = 0;  // slot 0
    virtual std::int32_t GetViewWidth() const = 0;       // slot 1
    virtual std::int32_t GetViewHeight() const = 0;      // slot 2
    virtual const char* GetGameName() const = 0;         // slot 3
    virtual const char* GetRegName() const = 0;          // slot 4
    virtual const char* GetCodeName() const = 0;         // slot 5
    virtual const char* GetVMName() const = 0;           // slot 6
    virtual const char* GetDLL() const = 0;              // slot 7

protected:
    IVantorIni() = default;
    IVantorIni(const IVantorIni&) = default;
    IVantorIni& operator=(const IVantorIni&) = default;
    ~IVantorIni() = default;
};

class IVantorIni2 : public IVantorIni {
public:
    // Entry index of the DLL list, or null when index is outside the list.
    virtual const char* GetLoadDLL(std::int32_t index) const = 0;  // slot 8
    virtual const char* GetSaveFolder() const = 0;                 // slot 9

protected:
    IVantorIni2() = default;
    IVantorIni2(const IVantorIni2&) = default;
    IVantorIni2& operator=(const IVantorIni2&) = default;
    ~IVantorIni2() = default;
};

struct VolumeValancerEntry {
    std::string name;
    std::int32_t value = -1;
};

class CIniFile : public IVantorIni2 {
public:
    // Deepest chain of included files; a deeper one is refused like a file
    // that includes itself.
    static constexpr std::size_t kMaxIncludeDepth = 32;
    // Most files one Load reads, the first included: files that each
    // include the next twice would otherwise be read 2^depth times. A file
    // beyond it is refused like one nested too deep.
    static constexpr std::size_t kMaxFilesPerLoad = 1024;
    // Highest VolumeValancer index that is stored; a larger one, like a
    // negative one, stores nothing (the list would otherwise take gigabytes).
    static constexpr std::int32_t kMaxVolumeValancerIndex = 4095;

    CIniFile() = default;

    // Reads one file into this record: what the file sets is overwritten,
    // everything else keeps its value. Included files are read into the same
    // record. On false the user has seen exactly one message; fields set
    // before the failure keep their new values.
    [[nodiscard]] bool Load(const std::string& path);

    // Why a file was not read at all.
    enum class ReadRefusal {
        None,            // it was read (the message is about what it holds)
        Unreadable,      // it cannot be opened or read whole: missing, a folder, locked
        Device,          // its name names a device (NUL.inc, CON)
        AlreadyReading,  // it includes itself, directly or through others
        TooDeep,         // more than kMaxIncludeDepth includes nested
        TooManyFiles,    // more than kMaxFilesPerLoad files in one Load
    };
    // Which of Load's messages.
    enum class Message { ReadFailed, ParseFailed, ParseError, UnknownSymbol, MissingComma };
    // Where each message of Load came from, for a tool that checks files: the
    // file being read and where the token at fault begins (none when the file
    // itself could not be read, and then why not). One site per message, in
    // order.
    struct MessageSite {
        Message message = Message::ReadFailed;
        std::string path;
        bool hasOffset = false;
        std::size_t offset = 0;
        ReadRefusal refusal = ReadRefusal::None;
        // A file named by a LoadDLL entry: the file that lists it, and where
        // that entry begins in it.
        std::string includer;
        std::size_t includerOffset = 0;
    };
    // Later loads append their sites here; null (the default) keeps none.
    void RecordMessageSites(std::vector<MessageSite>* sites) { messageSites_ = sites; }
    // Later loads append the path of each file they read whole; null keeps none.
    void RecordFilesRead(std::vector<std::string>* paths) { filesReadPaths_ = paths; }

    // The key `word` is with its letters in another case, for a tool that
    // checks files; null when it is none (or is that key exactly).
    [[nodiscard]] static const char* KeyInAnotherCase(const std::string& word);

    std::int32_t GetIniFileVersion() const override { return IniFileVersion; }
    std::int32_t GetViewWidth() const override { return ViewWidth; }
    std::int32_t GetViewHeight() const override { return ViewHeight; }
    const char* GetGameName() const override { return GameName.c_str(); }
    const char* GetRegName() const override { return RegName.c_str(); }
    const char* GetCodeName() const override { return CodeName.c_str(); }
    const char* GetVMName() const override { return VMName.c_str(); }
    const char* GetDLL() const override { return DLL.c_str(); }
    const char* GetLoadDLL(std::int32_t index) const override;
    const char* GetSaveFolder() const override { return SaveFolder.c_str(); }

    std::int32_t IniFileVersion = 1;
    std::int32_t ViewWidth = 800;
    std::int32_t ViewHeight = 600;
    std::string GameName;
    std::string RegName;
    std::string CodeName = "code.jab";
    std::string BootName = "VantorMutex";
    std::string VMName = "VantiqVM";  // no key sets it; MainVM is read and dropped
    std::string DLL = "DLL";
    std::vector<std::string> LoadDLL;
    std::vector<VolumeValancerEntry> VolumeValancer;
    std::string SaveFolder = "SaveData";
    bool UseJoypad = false;
    std::int32_t DefaultVolumeRate = 100;

private:
    // The entry of a LoadDLL list that names an included file.
    struct Includer {
        const std::string& path;
        std::size_t offset;
    };
    [[nodiscard]] bool LoadFile(const std::string& path, const Includer* includer);
    [[nodiscard]] bool RefuseFile(const std::string& path, ReadRefusal refusal, const Includer* includer);
    [[nodiscard]] bool ReadStatements(::IniTokenizer& tokenizer, const std::string& path);
    [[nodiscard]] bool ReadLoadDLLList(::IniTokenizer& tokenizer, const std::string& path);
    [[nodiscard]] bool ReadVolumeValancer(::IniTokenizer& tokenizer, const std::string& path);
    void NoteMessageSite(const std::string& path, const ::IniTokenizer& tokenizer, Message message);
    // "【 path 】解析エラー", noted at the token at fault; always false.
    bool ReportParseError(const ::IniTokenizer& tokenizer, const std::string& path);

    // The files being read now, outermost first, as comparison keys; a file
    // already among them is not read again.
    std::vector<std::string> loading_;
    std::size_t filesRead_ = 0;  // by the outermost Load under way
    std::vector<MessageSite>* messageSites_ = nullptr;
    std::vector<std::string>* filesReadPaths_ = nullptr;
};

}  // namespace startup
