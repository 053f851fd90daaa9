#include "common/file.h"

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

bool ReadWholeFile(const std::string& path, std::vector<char>& bytes) {
    FileHandleHolder file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    // INVALID_FILE_SIZE is also a possible real low part, but our record
    // files are far below 4 GiB; treat it as "size unknown".
    if (size == INVALID_FILE_SIZE) return false;
    bytes.assign(size, '\0');
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
