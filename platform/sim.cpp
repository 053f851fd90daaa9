// The simulated Windows: the current machine, call accounting (journal,
// injected faults) and the last-error value.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/sim_internal.h"

namespace sim {

namespace {
Machine* g_current = nullptr;
}  // namespace

void Fatal(const char* format, ...) {
    std::fputs("sim: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    std::abort();
}

Machine& Machine::Current() {
    if (g_current == nullptr) {
        Fatal("a Win32 function was called with no sim::Machine alive; construct one in the test first");
    }
    return *g_current;
}

std::string DescribeHandle(HANDLE handle) {
    char text[32];
    std::snprintf(text, sizeof text, "handle 0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

// ---- calls ------------------------------------------------------------------

Call::Call(const char* function, std::string argument, std::string detail)
    : state_(Machine::Current().Internals()) {
    number_ = ++state_.callCounts[function];
    if (state_.journaling) {
        JournalEntry entry;
        entry.function = function;
        entry.argument = std::move(argument);
        entry.detail = std::move(detail);
        state_.journal.push_back(std::move(entry));
        entry_ = state_.journal.size() - 1;
    }
    for (const FaultRule& rule : state_.faults) {
        if (rule.function == function && (rule.target == 0 || rule.target == number_)) {
            if (rule.throws) throw std::bad_alloc();
            injected_ = true;
            Fail(rule.error);
            break;
        }
    }
}

void Call::Fail(DWORD error) {
    if (entry_ != kNoEntry) {
        JournalEntry& entry = state_.journal[entry_];
        entry.succeeded = false;
        entry.error = error;
    }
    state_.lastError = error;
}

void Call::SetDetail(const std::string& detail) {
    if (entry_ != kNoEntry) state_.journal[entry_].detail = detail;
}

// ---- Machine: faults, journal, leaks ----------------------------------------

void Machine::FailCall(const std::string& function, int nth, DWORD error) {
    if (nth < 0) Fatal("FailCall(%s, %d): nth must be 0 (every call) or positive", function.c_str(), nth);
    FaultRule rule;
    rule.function = function;
    rule.target = nth == 0 ? 0 : CallCount(function) + nth;
    rule.error = error;
    state_->faults.push_back(rule);
}

void Machine::ThrowOnCall(const std::string& function, int nth) {
    if (nth <= 0) Fatal("ThrowOnCall(%s, %d): nth must be positive", function.c_str(), nth);
    FaultRule rule;
    rule.function = function;
    rule.target = CallCount(function) + nth;
    rule.throws = true;
    state_->faults.push_back(rule);
}

void Machine::ShortWrite(int nth, DWORD bytes) {
    if (nth <= 0) Fatal("ShortWrite(%d): nth must be positive", nth);
    state_->shortWrites.push_back(TransferRule{CallCount("WriteFile") + nth, bytes});
}

void Machine::ShortRead(int nth, DWORD bytes) {
    if (nth <= 0) Fatal("ShortRead(%d): nth must be positive", nth);
    state_->shortReads.push_back(TransferRule{CallCount("ReadFile") + nth, bytes});
}

void Machine::ClearFaults() {
    state_->faults.clear();
    state_->shortWrites.clear();
    state_->shortReads.clear();
}

int Machine::CallCount(const std::string& function) const {
    auto found = state_->callCounts.find(function);
    return found == state_->callCounts.end() ? 0 : found->second;
}

const std::vector<JournalEntry>& Machine::Journal() const { return state_->journal; }

void Machine::SetJournaling(bool journaling) { state_->journaling = journaling; }

std::vector<JournalEntry> Machine::Calls(const std::string& function) const {
    std::vector<JournalEntry> calls;
    for (const JournalEntry& entry : state_->journal) {
        if (entry.function == function) calls.push_back(entry);
    }
    return calls;
}

// Counting starts again too, so "clear, act, count" works; injected faults
// still pending keep their place in the call sequence.
void Machine::ClearJournal() {
    State& s = *state_;
    s.journal.clear();
    std::vector<FaultRule> faults;
    for (FaultRule rule : s.faults) {
        if (rule.target != 0) {
            rule.target -= CallCount(rule.function);
            if (rule.target <= 0) continue;  // its call has been made
        }
        faults.push_back(rule);
    }
    s.faults = faults;
    for (auto* rules : {&s.shortWrites, &s.shortReads}) {
        const int made = CallCount(rules == &s.shortWrites ? "WriteFile" : "ReadFile");
        std::vector<TransferRule> kept;
        for (TransferRule rule : *rules) {
            rule.target -= made;
            if (rule.target > 0) kept.push_back(rule);
        }
        *rules = kept;
    }
    s.callCounts.clear();
}

int Machine::OpenFileHandles() const {
    return static_cast<int>(state_->files.size() + state_->finds.size());
}

int Machine::OpenKeyHandles() const { return static_cast<int>(state_->keys.size()); }

void Machine::SetCommandLine(const std::string& line) { state_->commandLine = line; }

// ---- lifetime ----------------------------------------------------------------

Machine::Machine() : state_(std::make_unique<State>()) {
    if (g_current != nullptr) Fatal("a second sim::Machine was constructed while another is alive");
    g_current = this;
    AddFolder("C:\\");
    AddFolder("C:\\Temp");
    state_->currentDirectory = NormalPath{'C', 'C', {}, false};
    SetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\Users\\Public\\Desktop");
    SetSpecialFolder(CSIDL_COMMON_PROGRAMS, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    SetSpecialFolder(CSIDL_PERSONAL, "C:\\Users\\Player\\Documents");
    SetSpecialFolder(CSIDL_APPDATA, "C:\\Users\\Player\\AppData\\Roaming");
    for (const auto& folder : state_->specialFolders) AddFolder(folder.second);
}

Machine::~Machine() {
    if (g_current == this) g_current = nullptr;
}

}  // namespace sim

// ---- last error -----------------------------------------------------------------
// Not journaled and not subject to faults: they report on the other calls.

DWORD WINAPI GetLastError(void) { return sim::Machine::Current().Internals().lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { sim::Machine::Current().Internals().lastError = dwErrCode; }

// Cannot fail on Windows, so neither journaled nor faulted. The text lives as
// long as the machine, as the process's own does.
LPSTR WINAPI GetCommandLineA(void) { return &sim::Machine::Current().Internals().commandLine[0]; }
