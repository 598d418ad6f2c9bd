// Spacing of line texts: where two neighbouring glyphs get a space between
// their texts.
#include "segment/line_text.h"

#include <gtest/gtest.h>

#include "glyph_fixture.h"

namespace zvk {
namespace {

using test::GlyphSpec;
using test::kNaN;

struct Case {
    const char* name;
    std::vector<GlyphSpec> glyphs;  // text, box x0, box x1, size
    std::string expected;
};

TEST(LineText, SpacesWhereGlyphsStandApart) {
    const Case cases[] = {
        {"no glyphs", {}, ""},
        {"one glyph", {{"ab", 0, 5}}, "ab"},
        // 0.18 × 50 is exactly 9 in single precision; the gap must exceed it.
        {"gap equal to the threshold", {{"a", 0, 10, 50}, {"b", 19, 30, 50}}, "ab"},
        {"gap above the threshold", {{"a", 0, 10, 50}, {"b", 19.5f, 30, 50}}, "a b"},
        {"gap of 24 is a column gap", {{"a", 0, 10, 50}, {"b", 34, 40, 50}}, "ab"},
        {"gap just below 24", {{"a", 0, 10, 50}, {"b", 33.9f, 40, 50}}, "a b"},
        {"tiny size counts as 1", {{"a", 0, 1, 0.5f}, {"b", 1.2f, 2, 0.5f}}, "a b"},
        {"NaN size counts as 1", {{"a", 0, 1, kNaN}, {"b", 1.2f, 2, kNaN}}, "a b"},
        {"NaN size, gap below 0.18", {{"a", 0, 1, kNaN}, {"b", 1.1f, 2, kNaN}}, "ab"},
        {"only the first glyph's size scales", {{"a", 0, 5, 10}, {"b", 10, 40, 50}}, "a b"},
        {"overlapping boxes", {{"a", 0, 10}, {"b", 8, 15}}, "ab"},
        {"box left passes over a NaN x0", {{"a", 0, 10}, {"b", kNaN, 20}}, "a b"},
        {"no gap without a right edge", {{"a", kNaN, kNaN}, {"b", 20, 25}}, "ab"},
        {"inverted box: its smaller x is its left", {{"a", 0, 10}, {"b", 30, 11}}, "ab"},
        {"two CJK glyphs", {{"中", 0, 10}, {"文", 15, 25}}, "中文"},
        {"CJK then Latin", {{"中", 0, 10}, {"a", 15, 25}}, "中 a"},
        {"mixed text then Latin", {{"中a", 0, 10}, {"b", 15, 25}}, "中a b"},
        {"kana and CJK punctuation", {{"あ", 0, 10}, {"。", 15, 25}}, "あ。"},
        {"fullwidth forms are CJK", {{"Ａ", 0, 10}, {"中", 15, 25}}, "Ａ中"},
        {"Bopomofo is not in the CJK ranges", {{"ㄅ", 0, 10}, {"中", 15, 25}}, "ㄅ 中"},
        {"a space glyph is copied, never doubled", {{"a", 0, 5}, {" ", 10, 12}, {"b", 20, 25}}, "a b"},
        {"an empty text puts no space on either side", {{"a", 0, 5}, {"", 10, 12}, {"b", 20, 25}}, "ab"},
        {"white-space texts are kept as they are", {{"a", 0, 5}, {"\t\u00a0", 10, 12}, {"b", 20, 25}}, "a\t\u00a0b"},
        // Note marks at most 0.85 × the previous size cling to their word.
        {"small digit after a letter", {{"a", 0, 5, 10}, {"1", 8, 10, 7}}, "a1"},
        {"digit of 0.85 × the size", {{"a", 0, 5, 10}, {"1", 8, 10, 8.5f}}, "a1"},
        {"digit nearly full size", {{"a", 0, 5, 10}, {"1", 8, 10, 9}}, "a 1"},
        {"small dagger", {{"a", 0, 5, 10}, {"\u2020", 8, 10, 8}}, "a\u2020"},
        {"three digits are no note mark", {{"a", 0, 5, 10}, {"123", 8, 10, 7}}, "a 123"},
        {"note mark after a larger glyph", {{"A", 0, 5, 20}, {"*", 10, 12, 12}}, "A*"},
        {"NaN mark size does not exempt", {{"a", 0, 5, 10}, {"1", 8, 10, kNaN}}, "a 1"},
    };
    for (const Case& c : cases) {
        auto glyphs = test::make_glyphs(c.glyphs);
        EXPECT_EQ(line_text_from_glyphs(test::refs(glyphs)), c.expected) << c.name;
    }
}

// The caller's order is the text's order, and each gap is measured from the
// glyph right before in that order.
TEST(LineText, FollowsTheGivenOrder) {
    auto glyphs = test::make_glyphs({{"fi", 20, 25}, {"a", 0, 5}, {"x", 6, 7}});
    std::vector<const Glyph*> order = {&glyphs[1], &glyphs[2], &glyphs[0]};
    // a to x: 1 apart, below 0.18 × 10; x to fi: 13 apart.
    EXPECT_EQ(line_text_from_glyphs(order), "ax fi");
}

}  // namespace
}  // namespace zvk
