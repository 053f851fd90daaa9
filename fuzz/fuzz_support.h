// Shared by the libFuzzer targets (*_fuzz.cpp): property checks that abort
// with a readable reason, inputs copied into exactly sized heap buffers, and
// a marker that stands for a long run of one byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzz {

// A property that does not hold is a finding: say which, then abort so that
// libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "\nPROPERTY VIOLATED at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                 \
    do {                                                                      \
        if (!(condition)) ::fuzz::Fail(__FILE__, __LINE__, #condition);       \
    } while (false)

// The bytes under test in a heap block of exactly their size, so that
// AddressSanitizer reports any read one byte past the end. (libFuzzer's own
// buffer is exact too, but the targets reshape their input first.)
class ExactBuffer {
public:
    explicit ExactBuffer(const std::string& bytes)
        : size_(bytes.size()), data_(new char[bytes.size()]) {
        if (size_ != 0) std::memcpy(data_.get(), bytes.data(), size_);
    }
    [[nodiscard]] const char* begin() const { return data_.get(); }
    [[nodiscard]] const char* end() const { return data_.get() + size_; }
    [[nodiscard]] std::size_t size() const { return size_; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

// Tokens longer than the 16,384-byte scratch areas of both tokenizers need
// inputs far larger than mutation grows on its own. The marker "!!" followed
// by a byte c and a count byte n stands for c repeated 16,360 + n times, so a
// few bytes reach both sides of the limit. Only the first marker expands;
// '!' starts no token in either grammar, so little is lost.
constexpr std::size_t kRunBase = 16360;

inline std::string ExpandRunMarker(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = bytes.find("!!");
    if (marker == std::string::npos || marker + 4 > bytes.size()) return bytes;
    const char repeated = bytes[marker + 2];
    const std::size_t count = kRunBase + static_cast<unsigned char>(bytes[marker + 3]);
    return bytes.substr(0, marker) + std::string(count, repeated) + bytes.substr(marker + 4);
}

// The one lead-byte rule, written here again so that the checks do not lean
// on the code they check.
constexpr bool IsLead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0; }

}  // namespace fuzz
