#include "recordcheck/charset.h"

#include <iconv.h>

#include <cstddef>

namespace recordcheck {

namespace {

// One conversion descriptor per direction, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~Converter() {
        if (descriptor_ != reinterpret_cast<iconv_t>(-1)) iconv_close(descriptor_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts one whole character; false unless every input byte was taken.
    bool ConvertCharacter(const std::string& in, std::string& out) {
        if (descriptor_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        char buffer[16];
        char* input = const_cast<char*>(in.data());
        std::size_t inputLeft = in.size();
        char* output = buffer;
        std::size_t outputLeft = sizeof buffer;
        if (iconv(descriptor_, &input, &inputLeft, &output, &outputLeft) == static_cast<std::size_t>(-1)) return false;
        if (inputLeft != 0) return false;
        out.assign(buffer, sizeof buffer - outputLeft);
        return true;
    }

private:
    iconv_t descriptor_;
};

}  // namespace

bool Cp932CharacterToUtf8(const std::string& in, std::string& out) {
    static Converter converter("UTF-8", "CP932");
    return converter.ConvertCharacter(in, out);
}

bool Utf8CharacterToCp932(const std::string& in, std::string& out) {
    static Converter converter("CP932", "UTF-8");
    return converter.ConvertCharacter(in, out);
}

}  // namespace recordcheck
