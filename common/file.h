#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

// Owns one open file handle, or none. Move-only.
class FileHandleHolder {
public:
    FileHandleHolder() = default;
    explicit FileHandleHolder(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~FileHandleHolder();
    FileHandleHolder(FileHandleHolder&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    FileHandleHolder& operator=(FileHandleHolder&& other) noexcept;
    FileHandleHolder(const FileHandleHolder&) = delete;
    FileHandleHolder& operator=(const FileHandleHolder&) = delete;

    [[nodiscard]] bool IsOpen() const { return handle_ != nullptr; }
    [[nodiscard]] HANDLE Get() const { return handle_; }
    // CloseHandle: on success the holder is empty and the result true; on
    // failure it keeps the handle and reports false. Closing an empty holder
    // succeeds.
    [[nodiscard]] bool Close();

private:
    HANDLE handle_ = nullptr;
};

// The largest file read whole: a 32-bit program cannot hold 2 GiB or more in
// one buffer (std::vector would throw length_error), so neither build does.
constexpr DWORD kMaxWholeFileSize = 0x7FFFFFFF;

// Makes `bytes` exactly as long as the open `file`, zero-filled. False when
// the size cannot be had, is above kMaxWholeFileSize (4 GiB and more
// included), or there is no memory for it. Throws nothing.
[[nodiscard]] bool SizeBufferToFile(HANDLE file, std::vector<char>& bytes);

// Reads the whole file. True with `bytes` holding exactly the file's bytes;
// false when it is missing, cannot be opened for reading, its size cannot be
// had or held (SizeBufferToFile) or it cannot be read whole. Shows nothing.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::vector<char>& bytes);
// One WriteFile of the whole text: true only when every byte was written (an
// empty text counts as written without a call).
[[nodiscard]] bool WriteWholeText(HANDLE file, const std::string& text);
