// libFuzzer target: the uninstaller's command-line parser over any bytes.
// Beyond "no sanitizer report" it checks what the removing mode relies on:
// names are one byte or none, items already in the list stay, the items
// never hold more bytes than the line, a line without '-', '/' or '"' is
// just its space-separated words, and a parsed line written back out in a
// canonical form parses to the same items.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "uninstaller/driver/command_line.h"

namespace {

bool SameItems(const std::vector<CommandLineParameter>& a, const std::vector<CommandLineParameter>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].Name != b[i].Name || a[i].Value != b[i].Value) return false;
    }
    return true;
}

// The words of a line split at one-byte spaces, the lead-byte rule applied;
// a lead byte at the very end stands alone.
std::vector<std::string> SplitAtSpaces(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < line.size();) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (fuzz::IsLead(byte)) {
            const std::size_t width = i + 1 < line.size() ? 2 : 1;
            word.append(line, i, width);
            i += width;
            continue;
        }
        if (byte == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.push_back(line[i]);
        }
        ++i;
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// Whether `text` holds a one-byte `wanted`, and whether it ends in a lead
// byte with no partner.
void Scan(const std::string& text, char wanted, bool& holds, bool& loneLeadAtEnd) {
    holds = false;
    loneLeadAtEnd = false;
    for (std::size_t i = 0; i < text.size();) {
        if (fuzz::IsLead(static_cast<unsigned char>(text[i]))) {
            if (i + 1 >= text.size()) loneLeadAtEnd = true;
            i += 2;
            continue;
        }
        if (text[i] == wanted) holds = true;
        ++i;
    }
}

// A value between double quotes: no one-byte quote inside and no lead byte
// that would swallow the closing quote.
bool QuotedForm(const std::string& value, std::string& out) {
    bool quote = false, lone = false;
    Scan(value, '"', quote, lone);
    if (quote || lone) return false;
    out = "\"" + value + "\"";
    return true;
}

// A value as plain text: no one-byte space; a lone lead byte only when
// nothing follows it on the line.
bool PlainForm(const std::string& value, bool last, std::string& out) {
    bool space = false, lone = false;
    Scan(value, ' ', space, lone);
    if (space || (lone && !last)) return false;
    out = value;
    return true;
}

// The items written back out, one space between them; false when some item
// has no form that reads back (a plain value that would need quotes and
// holds one, which the grammar cannot express).
bool Serialise(const std::vector<CommandLineParameter>& items, std::size_t from, std::string& line) {
    line.clear();
    for (std::size_t i = from; i < items.size(); ++i) {
        const CommandLineParameter& item = items[i];
        const bool last = i + 1 == items.size();
        std::string form;
        if (!item.Name.empty()) {
            const bool plainOk = !item.Value.empty() && item.Value[0] != '"' && PlainForm(item.Value, last, form);
            if (!plainOk && !QuotedForm(item.Value, form)) return false;
            form = "-" + item.Name + "=" + form;
        } else {
            const char first = item.Value.empty() ? '\0' : item.Value[0];
            const bool plainOk = !item.Value.empty() && first != '"' && first != '-' && first != '/' &&
                                 PlainForm(item.Value, last, form);
            if (!plainOk && !QuotedForm(item.Value, form)) return false;
        }
        if (i != from) line.push_back(' ');
        line += form;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);

    // Items already in the list stay as they were.
    std::vector<CommandLineParameter> items(1);
    items[0].Name = "S";
    items[0].Value = "sentinel";
    const bool ok = ParseCommandLine(line, items);
    FUZZ_CHECK(items[0].Name == "S" && items[0].Value == "sentinel");

    std::size_t bytes = 0;
    for (std::size_t i = 1; i < items.size(); ++i) {
        FUZZ_CHECK(items[i].Name.size() <= 1);
        bytes += items[i].Name.size() + items[i].Value.size();
    }
    FUZZ_CHECK(bytes <= size);

    // Without option markers and quotes nothing can fail, and the items are
    // the words between spaces.
    if (line.find_first_of("-/\"") == std::string::npos) {
        FUZZ_CHECK(ok);
        const std::vector<std::string> words = SplitAtSpaces(line);
        FUZZ_CHECK(words.size() + 1 == items.size());
        for (std::size_t i = 0; i < words.size(); ++i) {
            FUZZ_CHECK(items[i + 1].Name.empty() && items[i + 1].Value == words[i]);
        }
    }

    // Written back out, a parsed line reads the same.
    std::string again;
    if (ok && Serialise(items, 1, again)) {
        std::vector<CommandLineParameter> reread;
        FUZZ_CHECK(ParseCommandLine(again, reread));
        const std::vector<CommandLineParameter> expected(items.begin() + 1, items.end());
        FUZZ_CHECK(SameItems(reread, expected));
    }

    // The readers from any starting point stay inside the line and move on.
    for (std::size_t start = 0; start < size && start < 64; ++start) {
        std::size_t position = start;
        std::string text = "unchanged";
        (void)ReadPlainText(line, position, text);
        FUZZ_CHECK(position > start && position <= size && text.size() <= position - start);

        position = start;
        text = "unchanged";
        if (ReadQuotedText(line, position, text)) {
            FUZZ_CHECK(position > start && position <= size && line[position - 1] == '"');
            FUZZ_CHECK(text.size() + 1 == position - start);
            FUZZ_CHECK(line.compare(start, text.size(), text) == 0);
        } else {
            FUZZ_CHECK(position <= size);
        }
    }
    return 0;
}
