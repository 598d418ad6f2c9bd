#include "rewrite/placement/line_split.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

#include "base/text.h"
#include "layout/split_lines.h"
#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;
using Lines = std::vector<std::string>;

Lines general_split(const std::string& text, std::size_t count) {
    Lines lines = {text};
    split_lines_to_count(lines, count);
    return lines;
}

TEST(SplitTextIntoLineCount, ShortFirstWordOrTheGeneralSplit) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t count;
        Lines first_word_cut;  // empty: the general split applies
    };
    const std::vector<Case> cases = {
        {"first word of 12 characters", "Abcdefghijkl and the rest", 2, {"Abcdefghijkl", "and the rest"}},
        {"first word of 12 CJK characters (36 bytes)",
         "\u4E00\u4E01\u4E02\u4E03\u4E04\u4E05\u4E06\u4E07\u4E08\u4E09\u4E0A\u4E0B \u4E2D\u6587\u5B57",
         2,
         {"\u4E00\u4E01\u4E02\u4E03\u4E04\u4E05\u4E06\u4E07\u4E08\u4E09\u4E0A\u4E0B", "\u4E2D\u6587\u5B57"}},
        {"text trimmed, rest trimmed", "  Short   rest here \t", 2, {"Short", "rest here"}},
        {"a rest of exactly three visible characters", "Word a b c", 2, {"Word", "a b c"}},
        {"first word of 13 characters", "Abcdefghijklm and the rest", 2, {}},
        {"a rest of two characters", "Word ab", 2, {}},
        {"no space", "\u4E2D\u6587\u5B57\u4E2D\u6587\u5B57", 2, {}},
        {"three lines wanted", "Word and the rest of it", 3, {}},
    };
    for (const Case& c : cases) {
        const Lines got = split_text_into_line_count(c.text, c.count);
        if (!c.first_word_cut.empty()) {
            EXPECT_EQ(got, c.first_word_cut) << c.name;
        } else {
            const std::string trimmed = std::string(trim_white_space(c.text));
            EXPECT_EQ(got, general_split(trimmed, c.count)) << c.name;
        }
    }
}

TEST(EnforceBaselineStep, LowersLaterLinesToTheMinimumStep) {
    struct Case {
        const char* name;
        std::vector<float> baselines;
        float size;
        std::vector<float> expected;
    };
    const std::vector<Case> cases = {
        {"two steps", {700, 690, 689}, 10, {700, 689.5f, 679}},
        {"already far enough apart", {700, 689.5f, 679}, 10, {700, 689.5f, 679}},
        {"a size below 1 counts as 1", {700, 700}, 0.5f, {700, 700.0f - 1.05f}},
        {"a NaN size counts as 1", {700, 700}, kNaN, {700, 700.0f - 1.05f}},
        {"one baseline", {700}, 10, {700}},
        {"none", {}, 10, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(enforce_baseline_step(c.baselines, c.size), c.expected) << c.name;

    // A NaN distance lowers nothing.
    const std::vector<float> with_nan = enforce_baseline_step({700, kNaN, 600}, 10);
    ASSERT_EQ(with_nan.size(), 3u);
    EXPECT_EQ(with_nan[0], 700);
    EXPECT_TRUE(std::isnan(with_nan[1]));
    EXPECT_EQ(with_nan[2], 600);
}

TEST(CollectGlyphBaselines, OriginYInOrder) {
    const std::vector<Glyph> glyphs = {
        test::make_glyph({.text = "a", .x0 = 1, .x1 = 2, .size = 10, .baseline = 700}),
        test::make_glyph({.text = "b", .x0 = 1, .x1 = 2, .size = 10, .baseline = 686.5f}),
    };
    EXPECT_EQ(collect_glyph_baselines(test::refs(glyphs)), (std::vector<float>{700, 686.5f}));
}

}  // namespace
}  // namespace zvk::rewrite
