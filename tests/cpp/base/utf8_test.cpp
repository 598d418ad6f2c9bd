#include "base/utf8.h"

#include <gtest/gtest.h>

namespace zvk {
namespace {

TEST(Utf8, LossyReplacesEachInvalidSequence) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"valid text unchanged", "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {"lone continuation byte", "a\x80" "b", "a" + fffd + "b"},
        {"truncated three-byte sequence is one replacement", "\xE4\xB8" "x", fffd + "x"},
        {"overlong two-byte form", "\xC0\xAF", fffd + fffd},
        {"encoded surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
        {"above U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
        {"truncated at the end", "ab\xF0\x9F", "ab" + fffd},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8_lossy(c.input), c.expected) << c.name;
        EXPECT_TRUE(is_valid_utf8(utf8_lossy(c.input))) << c.name;
    }
}

TEST(Utf8, RangeYieldsScalarsWithOffsets) {
    std::string text = "a\xC3\xA9\xF0\x9F\x98\x80" "b";
    std::vector<std::pair<char32_t, std::size_t>> seen;
    for (auto step : Utf8Range(text)) seen.emplace_back(step.scalar, step.offset);
    std::vector<std::pair<char32_t, std::size_t>> expected = {
        {U'a', 0}, {U'\u00E9', 1}, {U'\U0001F600', 3}, {U'b', 7}};
    EXPECT_EQ(seen, expected);
}

TEST(Utf8, AppendRefusesSurrogatesAndOutOfRange) {
    std::string out;
    append_utf8(out, 0xD800);
    append_utf8(out, 0x110000);
    append_utf8(out, 0x4E2D);
    EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD\xE4\xB8\xAD");
}

}  // namespace
}  // namespace zvk
