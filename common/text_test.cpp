#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FormatText, FormatsLikePrintf) {
    EXPECT_EQ(FormatText("%s-%d", "ab", 42), "ab-42");
    EXPECT_EQ(FormatText("\x81\x79%s\x81\x7A", "C:\\x"), "\x81\x79" "C:\\x\x81\x7A");
    EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(FormatText, StopsAtAnEmbeddedNul) {
    EXPECT_EQ(FormatText("a%cb", 0), "a");
}

TEST(FormatText, CutsTextsThatDoNotFitInsteadOfAborting) {
    const std::string exact(kFormatBufferSize - 1, 'x');
    EXPECT_EQ(FormatText("%s", exact.c_str()), exact);
    const std::string longer(kFormatBufferSize * 3, 'y');
    const std::string text = FormatText("[%s]", longer.c_str());
    ASSERT_EQ(text.size(), kFormatBufferSize - 1);
    EXPECT_EQ(text.front(), '[');
    EXPECT_EQ(text.back(), 'y');
}

TEST(FormatText, NeverCutsATwoByteCharacterInHalf) {
    // 16,382 ASCII bytes then a two-byte character: the character would end
    // at byte 16,384, one past the text's room, so it goes whole.
    const std::string text = std::string(kFormatBufferSize - 2, 'a') + "\x83\x5C" + "tail";
    const std::string cut = FormatText("%s", text.c_str());
    EXPECT_EQ(cut, std::string(kFormatBufferSize - 2, 'a'));
}

TEST(FormatTextBounded, HonoursItsOwnBufferSize) {
    EXPECT_EQ(FormatTextBounded(4, "%s", "abcdef"), "abc");
    EXPECT_EQ(FormatTextBounded(1, "%s", "abc"), "");
    EXPECT_EQ(FormatTextBounded(4096, "%s", "abc"), "abc");
}

TEST(CutText, KeepsWholeCharacters) {
    struct Case {
        std::string text;
        std::size_t max;
        std::string expected;
    } const cases[] = {
        {"abc", 5, "abc"},
        {"abc", 2, "ab"},
        {"a\x95\x5C", 2, "a"},
        {"a\x95\x5C", 3, "a\x95\x5C"},
        {"\x95\x5C\x95\x5C", 3, "\x95\x5C"},
        {"ab\x81", 3, "ab\x81"},  // not cut: fits as it is
    };
    for (const auto& c : cases) EXPECT_EQ(CutText(c.text, c.max), c.expected) << c.text;
}

}  // namespace
