#include "common/file.h"

#include <new>

FileHandleHolder::~FileHandleHolder() {
    if (handle_ != nullptr) (void)CloseHandle(handle_);
}

FileHandleHolder& FileHandleHolder::operator=(FileHandleHolder&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) (void)CloseHandle(handle_);
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool FileHandleHolder::Close() {
    if (handle_ == nullptr) return true;
    if (!CloseHandle(handle_)) return false;
    handle_ = nullptr;
    return true;
}

bool SizeBufferToFile(HANDLE file, std::vector<char>& bytes) {
    // The high part too: a file of 4 GiB and more must not pass for its low
    // part. A failed call gives INVALID_FILE_SIZE, which is above the limit.
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    if (high != 0 || size > kMaxWholeFileSize) return false;
    try {
        bytes.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        return false;  // no room for it: it cannot be read whole
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<char>& bytes) {
    FileHandleHolder file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    if (!SizeBufferToFile(file.Get(), bytes)) return false;
    const auto size = static_cast<DWORD>(bytes.size());
    if (size == 0) {
        (void)file.Close();
        return true;
    }
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), size, &read, nullptr) || read != size) {
        (void)file.Close();
        return false;
    }
    (void)file.Close();  // the bytes are ours whatever the close says
    return true;
}

bool WriteWholeText(HANDLE file, const std::string& text) {
    if (text.empty()) return true;
    DWORD written = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return false;
    return written == text.size();
}
