#include "platform/contract/contract_fixture.h"

#include <cstdio>
#include <cstring>
#include <random>

namespace contract {

namespace {

std::string UniqueSuffix() {
    std::random_device device;
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(device()));
    return text;
}

// Removes a key and everything below it, deepest first.
void DeleteKeyTree(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (int guard = 0; guard < 1000; ++guard) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteKeyTree(path + "\\" + name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

#ifdef _WIN32
// A copy of this program started by OtherProcess runs no test: it says it
// is running, waits for its end event, named on its command line, and goes.
const char kChildSwitch[] = " --contract-child=";
const char kReadySuffix[] = "-ready";

struct ChildMode {
    ChildMode() {
        const std::string line = GetCommandLineA();
        const std::size_t at = line.find(kChildSwitch);
        if (at == std::string::npos) return;
        const std::string name = line.substr(at + sizeof kChildSwitch - 1);
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + kReadySuffix).c_str());
        if (ready != nullptr) SetEvent(ready);
        HANDLE end = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
        if (end != nullptr) WaitForSingleObject(end, 60000);
        ExitProcess(0);
    }
} g_childMode;
#endif

}  // namespace

const std::vector<Spelling>& Spellings() {
    static const std::vector<Spelling> spellings = {
        {"full-width a, A", "\x82\x81", "\x82\x60", true, "\x82\x81"},
        {"Greek alpha", "\x83\xBF", "\x83\x9F", true, "\x83\xBF"},
        {"Cyrillic ya", "\x84\x91", "\x84\x60", true, "\x84\x91"},
        {"Cyrillic yo", "\x84\x76", "\x84\x46", true, "\x84\x76"},
        {"small Roman one, NEC-selected and IBM", "\xEE\xEF", "\xFA\x40", true, "\xFA\x40"},
        {"small and capital Roman one", "\xFA\x40", "\x87\x54", true, "\xFA\x40"},
        {"capital Roman one, IBM and NEC", "\xFA\x4A", "\x87\x54", true, "\x87\x54"},
        {"nearly equal, NEC row 13 and JIS", "\x87\x90", "\x81\xE0", true, "\x81\xE0"},
        {"a kanji, NEC-selected and IBM", "\xED\x40", "\xFA\x5C", true, "\xFA\x5C"},
        {"hiragana and katakana a", "\x82\xA0", "\x83\x40", false, "\x82\xA0"},
        {"full-width and ASCII A", "\x82\x60", "A", false, "\x82\x60"},
        {"trail bytes that are ASCII letters", "\x83\x41", "\x83\x61", false, "\x83\x41"},
    };
    return spellings;
}

HANDLE OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

FindResult FindEntry(const std::string& path) {
    FindResult result;
    WIN32_FIND_DATAA data;
    std::memset(&data, 0, sizeof data);
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        result.error = GetLastError();
        return result;
    }
    result.found = true;
    result.attributes = data.dwFileAttributes;
    result.name = data.cFileName;
    result.size = data.nFileSizeLow;
    EXPECT_TRUE(FindClose(find));
    return result;
}

bool OtherProcess::Start(const std::string& image, const std::string& currentFolder) {
    End();
#ifdef _WIN32
    const std::string eventName = "contract-child-" + UniqueSuffix();
    endEvent_ = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    if (endEvent_ == nullptr) return false;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (eventName + kReadySuffix).c_str());
    if (ready == nullptr) return false;
    std::string commandLine = "\"" + image + "\"" + kChildSwitch + eventName;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(image.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, currentFolder.c_str(),
                        &startup, &started)) {
        CloseHandle(ready);
        return false;
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    // Windows gives the new process its current folder before CreateProcessA
    // returns; Wine only once the process runs. Waiting until it says it is
    // running makes both hold the folder from here on.
    HANDLE waits[] = {ready, process_};
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 60000);
    CloseHandle(ready);
    return woke == WAIT_OBJECT_0;
#else
    id_ = sim::Machine::Current().StartProcess(image, currentFolder);
    return true;
#endif
}

void OtherProcess::End() {
#ifdef _WIN32
    if (process_ != nullptr) {
        SetEvent(endEvent_);
        WaitForSingleObject(process_, 30000);
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (endEvent_ != nullptr) CloseHandle(endEvent_);
    endEvent_ = nullptr;
#else
    if (id_ != 0) sim::Machine::Current().EndProcess(id_);
    id_ = 0;
#endif
}

bool CopyOfThisProgram(const std::string& path) {
#ifdef _WIN32
    char self[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    return length > 0 && length < MAX_PATH && CopyFileA(self, path.c_str(), TRUE);
#else
    sim::Machine::Current().AddFile(path, "MZ");
    return true;
#endif
}

bool AnsiCodePageIsShiftJis() {
#ifdef _WIN32
    return GetACP() == 932;
#else
    return true;
#endif
}

bool RunningOnSimulation() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

void Scratch::SetUp() {
    char buffer[MAX_PATH + 1] = {};
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, buffer), 0u);
    savedDirectory_ = buffer;
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, DWORD{MAX_PATH});
    const std::string name = std::string("ct-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                             "-" + UniqueSuffix();
    root_ = std::string(buffer) + name;
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << root_ << " error " << GetLastError();
    keyRoot_ = "SOFTWARE\\ContractTests\\" + name;
    MakeKey(std::string());
}

void Scratch::TearDown() {
    (void)SetCurrentDirectoryA(savedDirectory_.c_str());
    for (auto entry = created_.rbegin(); entry != created_.rend(); ++entry) {
        (void)SetFileAttributesA(entry->c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(entry->c_str())) (void)RemoveDirectoryA(entry->c_str());
    }
    EXPECT_TRUE(RemoveDirectoryA(root_.c_str())) << "scratch folder left behind: " << root_;
    DeleteKeyTree(keyRoot_);
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ContractTests", 0, KEY_READ, &parent) == ERROR_SUCCESS) {
        char name[256];
        DWORD length = sizeof name;
        const bool empty = RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS;
        RegCloseKey(parent);
        if (empty) RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ContractTests");
    }
}

void Scratch::MakeFolder(const std::string& relative) {
    ASSERT_TRUE(CreateDirectoryA(Path(relative).c_str(), nullptr)) << relative << " error " << GetLastError();
    Track(relative);
}

void Scratch::MakeFile(const std::string& relative, const std::string& bytes) {
    HANDLE file = CreateFileA(Path(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << relative << " error " << GetLastError();
    Track(relative);
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ASSERT_TRUE(CloseHandle(file));
    ASSERT_TRUE(wrote);
    ASSERT_EQ(written, bytes.size());
}

std::string Scratch::ReadAll(const std::string& relative) {
    HANDLE file = CreateFileA(Path(relative).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << relative << " error " << GetLastError();
        return std::string();
    }
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        ADD_FAILURE() << "cannot read " << relative;
    }
    CloseHandle(file);
    return bytes;
}

bool Scratch::Exists(const std::string& relative) const {
    return GetFileAttributesA(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Scratch::MakeKey(const std::string& relative) {
    const std::string path = relative.empty() ? keyRoot_ : KeyPath(relative);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

void Scratch::SetString(const std::string& relative, const char* name, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(relative).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const LSTATUS status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>(value.size() + 1));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    ASSERT_EQ(status, ERROR_SUCCESS);
}

}  // namespace contract
