// The simulated user interface and shell: scripted message boxes, recorded
// ShellExecuteA, special folders, virtual time.
#include <cstdio>
#include <cstring>

#include "platform/sim_internal.h"

namespace sim {

namespace {

constexpr UINT kTypeMask = 0x0000000F;
constexpr UINT kDefaultButtonMask = 0x00000F00;
constexpr INT_PTR kSeErrFileNotFound = 2;

// The buttons of a box, in order; the answers it can give.
std::vector<int> Buttons(UINT flags) {
    switch (flags & kTypeMask) {
        case 0: return {IDOK};
        case 1: return {IDOK, IDCANCEL};
        case 2: return {IDABORT, IDRETRY, IDIGNORE};
        case 3: return {IDYES, IDNO, IDCANCEL};
        case 4: return {IDYES, IDNO};
        case 5: return {IDRETRY, IDCANCEL};
        default: return {};
    }
}

std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

std::string OrEmpty(LPCSTR text) { return text == nullptr ? std::string() : std::string(text); }

}  // namespace

// ---- Machine: user interface, shell, time -----------------------------------------

void Machine::ScriptAnswers(const std::vector<int>& answers) {
    state_->answers.assign(answers.begin(), answers.end());
}

const std::vector<MessageBoxRecord>& Machine::MessageBoxes() const { return state_->messageBoxes; }

int Machine::UnscriptedMessageBoxes() const { return state_->unscripted; }

void Machine::SetShellExecuteResult(INT_PTR result) { state_->shellExecuteResult = result; }

const std::vector<ShellExecuteRecord>& Machine::ShellExecutes() const { return state_->shellExecutes; }

DWORD Machine::Ticks() const { return state_->ticks; }

void Machine::SetTicks(DWORD ticks) { state_->ticks = ticks; }

std::uint64_t Machine::TotalSleptMilliseconds() const { return state_->slept; }

void Machine::SetSpecialFolder(int csidl, const std::string& path) {
    state_->specialFolders[csidl & 0xFF] = path;
    if (!path.empty()) AddFolder(path);
}

void Machine::MakeSpecialFolderUnavailable(int csidl) { state_->specialFolders[csidl & 0xFF] = std::string(); }

std::string Machine::SpecialFolder(int csidl) const {
    auto found = state_->specialFolders.find(csidl & 0xFF);
    return found == state_->specialFolders.end() ? std::string() : found->second;
}

}  // namespace sim

// ---- user32 --------------------------------------------------------------------------

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    sim::Call call("MessageBoxA", sim::OrEmpty(lpText), sim::OrEmpty(lpCaption));
    if (call.Injected()) return 0;
    auto& s = call.S();
    const std::vector<int> buttons = sim::Buttons(uType);
    if (buttons.empty()) {
        call.Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    sim::MessageBoxRecord record;
    record.text = sim::OrEmpty(lpText);
    record.caption = sim::OrEmpty(lpCaption);
    record.flags = uType;
    record.hasOwner = hWnd != nullptr;
    if (!s.answers.empty()) {
        record.answer = s.answers.front();
        s.answers.pop_front();
        bool possible = false;
        for (int button : buttons) possible = possible || button == record.answer;
        // Closing a box without a Cancel button is only possible for MB_OK (IDOK).
        if (!possible) {
            sim::Fatal("scripted answer %d is impossible for a message box with flags 0x%x (text \"%s\")",
                       record.answer, uType, record.text.c_str());
        }
    } else {
        const std::size_t index = (uType & sim::kDefaultButtonMask) >> 8;
        record.answer = buttons[index < buttons.size() ? index : 0];
        ++s.unscripted;
    }
    s.messageBoxes.push_back(record);
    return record.answer;
}

// ---- shell32 ---------------------------------------------------------------------------

// Returns the configured value when the file exists and SE_ERR_FNF (2) when
// it does not, as the shell would.
HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
    sim::Call call("ShellExecuteA", sim::OrEmpty(lpFile), sim::OrEmpty(lpParameters));
    if (call.Injected()) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(2));
    auto& s = call.S();
    sim::ShellExecuteRecord record;
    record.hasOwner = hwnd != nullptr;
    record.operation = sim::OrEmpty(lpOperation);
    record.file = sim::OrEmpty(lpFile);
    record.parametersNull = lpParameters == nullptr;
    record.parameters = sim::OrEmpty(lpParameters);
    record.directory = sim::OrEmpty(lpDirectory);
    record.showCommand = nShowCmd;
    sim::Resolved r = s.Resolve(lpFile);
    const bool exists = r.error == 0 && r.node != nullptr && !r.node->folder;
    if (exists) record.fileBytesAtLaunch = r.node->bytes;
    s.shellExecutes.push_back(record);
    const INT_PTR result = exists ? s.shellExecuteResult : sim::kSeErrFileNotFound;
    if (result <= 32) call.Fail(static_cast<DWORD>(result));
    return reinterpret_cast<HINSTANCE>(result);
}

namespace {

// The folder behind a CSIDL: empty when unavailable. With `create` a missing
// folder is made (with its parents); without it a missing folder counts as
// unavailable.
bool SpecialFolderPath(sim::Machine::State& s, int csidl, bool create, std::string& path) {
    auto found = s.specialFolders.find(csidl & 0xFF);
    if (found == s.specialFolders.end() || found->second.empty()) return false;
    path = found->second;
    sim::Resolved r = s.Resolve(path.c_str());
    if (r.node != nullptr && r.node->folder) return true;
    if (!create || r.node != nullptr) return false;
    (void)s.EnsureFolder(path);
    return true;
}

void CopyPath(const std::string& path, LPSTR buffer) {
    const std::size_t length = path.size() < MAX_PATH ? path.size() : MAX_PATH - 1;
    std::memcpy(buffer, path.data(), length);
    buffer[length] = '\0';
}

}  // namespace

BOOL WINAPI SHGetSpecialFolderPathA(HWND hwnd, LPSTR pszPath, int csidl, BOOL fCreate) {
    (void)hwnd;
    sim::Call call("SHGetSpecialFolderPathA", sim::Hex(csidl), fCreate ? "create" : "");
    if (call.Injected()) return FALSE;
    if (pszPath == nullptr) sim::Fatal("SHGetSpecialFolderPathA with a null buffer");
    std::string path;
    if (!SpecialFolderPath(call.S(), csidl, fCreate != FALSE, path)) {
        call.Fail(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    CopyPath(path, pszPath);
    return TRUE;
}

// A known but missing folder (without CSIDL_FLAG_CREATE) gives
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), as the known-folder based
// implementation of current Windows does (and Wine); an unavailable one
// E_FAIL. Nothing is written on failure.
HRESULT WINAPI SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath) {
    (void)hwnd;
    (void)hToken;
    (void)dwFlags;
    sim::Call call("SHGetFolderPathA", sim::Hex(csidl));
    if (call.Injected()) return E_FAIL;
    if (pszPath == nullptr) sim::Fatal("SHGetFolderPathA with a null buffer");
    auto& s = call.S();
    auto found = s.specialFolders.find(csidl & 0xFF);
    if (found == s.specialFolders.end() || found->second.empty()) {
        call.Fail(ERROR_FILE_NOT_FOUND);
        return E_FAIL;
    }
    std::string path;
    if (!SpecialFolderPath(s, csidl, (csidl & CSIDL_FLAG_CREATE) != 0, path)) {
        call.Fail(ERROR_FILE_NOT_FOUND);
        return static_cast<HRESULT>(0x80070002u);
    }
    CopyPath(path, pszPath);
    return S_OK;
}
