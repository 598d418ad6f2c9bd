#include "rewrite/placement/note_markers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

// The flags as a string of 0 and 1, one per character.
std::string flag_string(const std::vector<std::uint8_t>& flags) {
    std::string s;
    for (const std::uint8_t f : flags) s += static_cast<char>('0' + f);
    return s;
}

TEST(NoteMarkers, FlagsPerCharacter) {
    struct Case {
        std::string text;
        std::string flags;
    };
    const std::vector<Case> cases = {
        {"", ""},
        // Symbols.
        {"word*", "00001"},
        {"word\u2020", "00001"},
        {"word *", "000000"},
        {"*Corresponding", "10000000000000"},
        {"*", "0"},
        {"\u00a73", "00"},
        {"\u00a7 a", "000"},
        {"a, *Dept", "00010000"},
        {"a *Dept", "0010000"},
        {"文*文", "000"},
        {"文*", "00"},
        {"文*1", "011"},
        {"\u2021\u2020", "00"},
        // Numbers attached to a word.
        {"results2.", "000000010"},
        {"results 2.", "0000000000"},
        {"x2", "00"},
        {"a x2", "0000"},
        {"H2O", "000"},
        {"CO2", "000"},
        {"1Department", "10000000000"},
        {"a,1Dept", "0010000"},
        {"a 1Dept", "0010000"},
        {"x12", "000"},
        {"1.5", "000"},
        {"(1)", "000"},
        {"word1)", "000000"},
        {"x = 2", "00000"},
        {"x+2", "000"},
        {"ab1.5", "00000"},
        {"word123", "0000000"},
        {"ref1Dept", "00010000"},
        // Ideographs around.
        {"第1章", "000"},
        {"第1-3章", "00000"},
        {"第1 – 3章", "0000000"},
        {"步骤1：", "0000"},
        {"步骤1:", "0000"},
        {"方法1。", "0010"},
        {"方法1文", "0000"},
        {"见1-3节", "00000"},
        // Comma lists.
        {"ref1,2,3", "00010101"},
        {"ref1, 2", "0001000"},
        {"ref1,23", "0001011"},
        {"ref1,234", "00010000"},
        {"ref1\uff0c2", "000101"},
        {"1,2,3Dept", "101010000"},
        {"x 12,3Dept", "0011010000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(flag_string(mark_note_markers(c.text)), c.flags) << c.text;
    }
}

TEST(NoteMarkers, ShortMarkerText) {
    struct Case {
        std::string text;
        bool marker;
    };
    const std::vector<Case> cases = {
        {"1", true},   {"12", true},  {" 3 ", true},   {"*", true},     {"\u2020\u2021", true},
        {"\u00a7", true}, {"\u00b6", true}, {"\u2217", true}, {"\u22c6", true}, {"1*", true},
        {"123", false}, {"a", false}, {"1a", false},   {"", false},     {"  ", false},
        {"+", false},  {"\u00b9", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_short_marker_text(c.text), c.marker) << c.text;
}

TEST(NoteMarkers, MarkerScale) {
    struct Spec {
        const char* text;
        float size;
        float baseline;
    };
    struct Case {
        const char* name;
        std::vector<Spec> markers;
        std::optional<NoteMarkerScale> scale;
    };
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"small and raised digit", {{"1", 6, 704}}, NoteMarkerScale{0.6f, 0.4f}},
        {"neither small nor raised", {{"1", 9, 700.5f}}, std::nullopt},
        {"small on the baseline", {{"*", 8.5f, 700}}, NoteMarkerScale{0.85f, 0.0f}},
        {"full size, raised", {{"\u2020", 10, 701.2f}}, NoteMarkerScale{1.0f, 0.12f}},
        {"tiny marker clamps to 0.45", {{"2", 3, 700}}, NoteMarkerScale{0.45f, 0.0f}},
        {"marker far up clamps to 0.6", {{"2", 6, 708}}, NoteMarkerScale{0.6f, 0.6f}},
        {"marker below the baseline rises 0", {{"2", 6, 697}}, NoteMarkerScale{0.6f, 0.0f}},
        {"ratios and rises take their medians apart",
         {{"1", 6, 703}, {"2", 7, 704}},
         NoteMarkerScale{0.7f, 0.4f}},
        {"a NaN size stays within range", {{"1", kNaN, 705}}, NoteMarkerScale{0.45f, 0.5f}},
    };
    for (const Case& c : cases) {
        std::vector<zvk::test::GlyphSpec> specs;
        for (float x = 100; x < 160; x += 6) specs.push_back({.text = "e", .x0 = x, .x1 = x + 5, .size = 10, .baseline = 700});
        for (const Spec& m : c.markers) specs.push_back({.text = m.text, .x0 = 170, .x1 = 173, .size = m.size, .baseline = m.baseline});
        const std::vector<Glyph> glyphs = zvk::test::make_glyphs(specs);
        const auto scale = note_marker_scale(zvk::test::refs(glyphs));
        ASSERT_EQ(scale.has_value(), c.scale.has_value()) << c.name;
        if (!scale) continue;
        EXPECT_FLOAT_EQ(scale->size_factor, c.scale->size_factor) << c.name;
        EXPECT_NEAR(scale->rise_factor, c.scale->rise_factor, 1e-4f) << c.name;
    }
}

TEST(NoteMarkers, MarkerScaleNeedsBody) {
    const std::vector<Glyph> markers =
        zvk::test::make_glyphs({{.text = "1", .size = 6, .baseline = 704}, {.text = "*", .size = 6, .baseline = 704}});
    EXPECT_FALSE(note_marker_scale(zvk::test::refs(markers)));
    EXPECT_FALSE(note_marker_scale({}));
    // A body of one glyph below 1 pt counts as 1 pt.
    const std::vector<Glyph> tiny =
        zvk::test::make_glyphs({{.text = "e", .size = 0.5f, .baseline = 0}, {.text = "1", .size = 0.6f, .baseline = 0.3f}});
    const auto scale = note_marker_scale(zvk::test::refs(tiny));
    ASSERT_TRUE(scale);
    EXPECT_FLOAT_EQ(scale->size_factor, 0.6f);
    EXPECT_FLOAT_EQ(scale->rise_factor, 0.3f);
}

TEST(NoteMarkers, FlagsSharedOutOverLines) {
    using Flags = std::vector<std::uint8_t>;
    struct Case {
        const char* name;
        std::string text;
        Flags flags;
        std::vector<std::string> lines;
        std::vector<Flags> expected;
    };
    const std::vector<Case> cases = {
        {"a space dropped at the break", "ab1 cd2", {0, 0, 1, 0, 0, 0, 1}, {"ab1", "cd2"}, {{0, 0, 1}, {0, 0, 1}}},
        {"several spaces dropped", "a1  \u3000b2", {0, 1, 0, 0, 0, 0, 1}, {"a1", "b2"}, {{0, 1}, {0, 1}}},
        {"a kept space takes its own flag", "a1 b", {0, 1, 0, 0}, {"a1 b"}, {{0, 1, 0, 0}}},
        {"a substitute takes 0 and keeps the place", "a\u2014b1", {0, 0, 0, 1}, {"a-", "\u2014b1"},
         {{0, 0}, {0, 0, 1}}},
        {"a line of characters the text lacks", "x1", {0, 1}, {"\u203b", "x1"}, {{0}, {0, 1}}},
        {"flags shorter than the text", "ab1", {0}, {"ab1"}, {{0, 0, 0}}},
        {"no flags at all", "ab1", {}, {"ab", "1"}, {{0, 0}, {0}}},
        {"more line characters than text", "a1", {0, 1}, {"a1", "zz"}, {{0, 1}, {0, 0}}},
        {"a final space is passed over", "a1 ", {0, 1, 0}, {"a1", "z"}, {{0, 1}, {0}}},
        {"no lines", "a1", {0, 1}, {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(distribute_marker_flags_to_lines(c.text, c.lines, c.flags), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace zvk::rewrite
