// recordcheck.exe GAME_FOLDER: the check of an installed game on the Windows
// machine that holds it. A console program: from a console or a script it
// prints and ends; started by dropping the folder on it in Explorer, it gets
// a console of its own and waits for a key before that console closes.
#include <conio.h>

#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "recordcheck/cli.h"
#include "recordcheck/installed.h"
#include "recordcheck/language.h"
#include "recordcheck/windows_text.h"

namespace {

// recordcheck's UTF-8 output on a standard handle: on a console, as UTF-16
// through WriteConsoleW, so Japanese reads right whatever the console's code
// page; redirected to a file or a pipe, as the UTF-8 bytes themselves.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(DWORD which) : handle_(GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
        setp(buffer_, buffer_ + sizeof buffer_);
    }
    ~ConsoleBuffer() override { sync(); }
    bool failed() const { return failed_; }
    bool console() const { return console_; }

protected:
    int_type overflow(int_type c) override {
        if (sync() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override {
        std::size_t size = static_cast<std::size_t>(pptr() - pbase());
        // A character cut at the buffer's end waits for its other bytes.
        std::size_t whole = size;
        if (console_) whole = CompleteUtf8(pbase(), size);
        if (!Write(pbase(), whole)) failed_ = true;
        std::size_t rest = size - whole;
        for (std::size_t i = 0; i < rest; ++i) buffer_[i] = pbase()[whole + i];
        setp(buffer_, buffer_ + sizeof buffer_);
        pbump(static_cast<int>(rest));
        return failed_ ? -1 : 0;
    }

private:
    // The length of the part of `text` that ends with a whole UTF-8 character.
    static std::size_t CompleteUtf8(const char* text, std::size_t size) {
        std::size_t start = size;
        while (start > 0 && size - start < 4 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
        if (start == 0) return size;
        const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return size - (start - 1) >= length ? size : start - 1;
    }

    bool Write(const char* text, std::size_t size) {
        if (size == 0) return true;
        if (console_) {
            const std::wstring wide = recordcheck::windows::Wide(std::string(text, size), CP_UTF8);
            DWORD written = 0;
            return WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
        }
        while (size > 0) {
            DWORD written = 0;
            if (!WriteFile(handle_, text, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
            text += written;
            size -= written;
        }
        return true;
    }

    HANDLE handle_;
    bool console_ = false;
    bool failed_ = false;
    char buffer_[8192];
};

// True when this process is the only one on its console: Explorer made the
// console for it, and it closes as soon as the program ends. (Output that
// goes to a file or a pipe has someone to read it: no wait then.)
bool OwnConsole() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(recordcheck::windows::Utf8(argv[i]));
    int status = 3;
    bool written = true;
    {
        ConsoleBuffer outBuffer(STD_OUTPUT_HANDLE);
        ConsoleBuffer errBuffer(STD_ERROR_HANDLE);
        std::ostream out(&outBuffer);
        std::ostream err(&errBuffer);
        const std::unique_ptr<recordcheck::InstalledMachine> machine = recordcheck::ThisWindowsMachine();
        status = recordcheck::RunRecordCheck(arguments, out, err, machine.get());
        out.flush();
        err.flush();
        written = !outBuffer.failed() && out.good();
        if (outBuffer.console() && OwnConsole()) {
            const recordcheck::Words pressAKey{"Press any key to close.", "何かキーを押すと閉じます。"};
            err << "\n" << pressAKey.In(recordcheck::SystemLanguage()) << std::flush;
            (void)_getwch();
        }
    }
    return written ? status : 3;
}
