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

TEST(Utf8, CountsScalarValuesNotBytes) {
    struct Case {
        std::string text;
        std::size_t expected;
    } cases[] = {
        {"", 0},
        {"abc", 3},
        {"a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", 4},
        // As many as utf8_lossy writes replacements.
        {"\xE4\xB8" "x", 2},
        {"\xC0\xAF", 2},
        {"ab\xF0\x9F", 3},
    };
    for (const Case& c : cases) EXPECT_EQ(count_scalar_values(c.text), c.expected) << c.text;
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

TEST(Utf8, ScalarValues) {
    struct Case {
        std::uint32_t cp;
        bool scalar;
    } cases[] = {
        {0x0, true},       {0xD7FF, true},  {0xD800, false},     {0xDBFF, false},
        {0xDC00, false},   {0xDFFF, false}, {0xE000, true},      {0xFFFD, true},
        {0x10FFFF, true},  {0x110000, false}, {0xFFFFFFFF, false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_scalar_value(c.cp), c.scalar) << std::hex << c.cp;
}

TEST(Utf16, DecodesUnitsAndPairsReplacingUnpairedSurrogates) {
    struct Case {
        const char* label;
        std::string bytes;
        std::size_t offset;
        Utf16Step step;
    } cases[] = {
        {"bmp unit", std::string("\x4E\x2D", 2), 0, {0x4E2D, 2, true}},
        {"nul unit", std::string("\x00\x00", 2), 0, {0, 2, true}},
        {"pair", std::string("\xD8\x3D\xDE\x00", 4), 0, {0x1F600, 4, true}},
        {"pair at an offset", std::string("\x00\x41\xDB\xFF\xDF\xFF", 6), 2, {0x10FFFF, 4, true}},
        {"high surrogate at the end", std::string("\xD8\x3D", 2), 0, {0xFFFD, 2, false}},
        {"high surrogate then no low one", std::string("\xD8\x3D\x00\x41", 4), 0, {0xFFFD, 2, false}},
        {"high surrogate then another", std::string("\xD8\x3D\xD8\x3D", 4), 0, {0xFFFD, 2, false}},
        {"lone low surrogate", std::string("\xDC\x00\xDC\x00", 4), 0, {0xFFFD, 2, false}},
        {"high surrogate and one byte", std::string("\xD8\x3D\xDE", 3), 0, {0xFFFD, 2, false}},
    };
    for (const auto& c : cases) {
        Utf16Step step = utf16be_decode_at(c.bytes, c.offset);
        EXPECT_EQ(step.scalar, c.step.scalar) << c.label;
        EXPECT_EQ(step.length, c.step.length) << c.label;
        EXPECT_EQ(step.valid, c.step.valid) << c.label;
    }
}

}  // namespace
}  // namespace zvk
