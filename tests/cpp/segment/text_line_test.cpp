// Text lines: the representative font size, the extents of a run and the
// line built from it.
#include "segment/text_line.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <optional>

#include "glyph_fixture.h"

namespace zvk {
namespace {

using test::GlyphSpec;
using test::kInf;
using test::kNaN;

TEST(RepresentativeFontSize, Table) {
    struct Case {
        const char* name;
        std::vector<float> sizes;
        float expected;
    };
    const Case cases[] = {
        {"no glyphs", {}, 1.0f},
        {"only sizes below 1 and NaN", {0.5f, kNaN}, 1.0f},
        {"a size of exactly 1 counts", {1.0f, 0.2f}, 1.0f},
        {"one size", {12}, 12},
        {"fewer than four: the largest", {9, 10, 11}, 11},
        {"three big sizes are too few", {10, 10, 10, 30}, 10},
        {"input order does not matter", {30, 10, 10, 10}, 10},
        {"mostly big: the largest", {10, 30, 30, 30, 30}, 30},
        {"the median is the upper one", {10, 10, 30, 30}, 30},
        {"1.8 × the median is not above it", {10, 10, 10, 18}, 18},
        {"just above 1.8 × the median", {10, 10, 10, 18.5f}, 10},
        {"four big sizes: their upper median", {10, 10, 10, 10, 10, 30, 31, 32, 33}, 32},
        {"three big sizes among eight", {10, 10, 10, 10, 10, 30, 31, 32}, 10},
        {"small and NaN sizes left out of the median", {0.5f, 0.5f, kNaN, 10, 30}, 30},
        {"an infinite size is a size", {10, kInf}, kInf},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs;
        for (float s : c.sizes) glyphs.push_back(test::sized(s));
        EXPECT_EQ(representative_font_size(test::refs(glyphs)), c.expected) << c.name;
    }
}

TEST(LineExtentStats, Table) {
    struct Case {
        const char* name;
        std::vector<GlyphSpec> glyphs;  // text, box x0, x1, size, baseline
        float left, right, baseline, size;
    };
    const Case cases[] = {
        {"blank ends are left out of left and right",
         {{" ", 0, 5, 30, 100}, {"a", 10, 15, 10, 98}, {"b", 15, 20, 10, 101}, {" ", 20, 25, 30, 99}},
         10, 20, 100, 30},  // baseline and size from all four glyphs
        {"all blank: every glyph counts", {{" ", 0, 5}, {"\u3000", 5, 10}}, 0, 10, 0, 10},
        {"an empty text is not blank", {{"", 0, 1}, {"a", 5, 9}}, 0, 9, 0, 10},
        {"upper median baseline", {{"a", 0, 1, 10, 700}, {"b", 1, 2, 10, 690}, {"c", 2, 3, 10, 710}, {"d", 3, 4, 10, 705}},
         0, 4, 705, 10},
        {"a NaN baseline sorts last", {{"a", 0, 1, 10, kNaN}, {"b", 1, 2, 10, 1}, {"c", 2, 3, 10, 2}}, 0, 3, 2, 10},
        {"a NaN box edge is passed over", {{"a", kNaN, kNaN}, {"b", 5, 8}}, 5, 8, 0, 10},
    };
    for (const Case& c : cases) {
        auto glyphs = test::make_glyphs(c.glyphs);
        auto ext = line_extent_stats(test::refs(glyphs));
        ASSERT_TRUE(ext) << c.name;
        EXPECT_EQ(ext->left, c.left) << c.name;
        EXPECT_EQ(ext->right, c.right) << c.name;
        EXPECT_EQ(ext->baseline, c.baseline) << c.name;
        EXPECT_EQ(ext->size, c.size) << c.name;
    }
    EXPECT_FALSE(line_extent_stats({}));
}

// Left and right are the outer edges: the origin counts as well as the box.
TEST(LineExtentStats, OriginWidensTheEdges) {
    auto glyphs = test::make_glyphs({{"a", 5, 9}, {"b", 10, 14}});
    glyphs[0].matrix[4] = 3;   // pen position left of the box
    glyphs[1].matrix[4] = 16;  // and right of it
    auto ext = line_extent_stats(test::refs(glyphs));
    ASSERT_TRUE(ext);
    EXPECT_EQ(ext->left, 3);
    EXPECT_EQ(ext->right, 16);
}

TEST(LineExtentStats, NegativeNaNBaselineSortsFirst) {
    auto glyphs = test::make_glyphs({{"a", 0, 1}, {"b", 1, 2}, {"c", 2, 3}});
    glyphs[0].matrix[5] = std::copysign(kNaN, -1.0f);
    glyphs[1].matrix[5] = 1;
    glyphs[2].matrix[5] = 2;
    auto ext = line_extent_stats(test::refs(glyphs));
    ASSERT_TRUE(ext);
    EXPECT_EQ(ext->baseline, 1);
}

TEST(BuildTextLine, FieldsFromTheRun) {
    struct Case {
        const char* font;
        const char* font_name;
    };
    const Case cases[] = {
        {"ABCDEF+Times-Bold", "Times-Bold"},
        {"A+B+Times", "Times"},
        {"ABCDEF+", ""},
        {"Times", "Times"},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = {
            test::make_glyph({" ", 0, 4, 10, 500, c.font}, 7, 3),
            test::make_glyph({"H", 10, 17, 10, 500, c.font}, 8, 3),
            test::make_glyph({"i", 17, 20, 12, 502, "Other"}, 9, 4),
        };
        TextLine line = build_text_line(test::refs(glyphs));
        EXPECT_EQ(line.font_name, c.font_name) << c.font;
        EXPECT_EQ(line.text, " Hi");
        EXPECT_EQ(line.page_index, 3u);  // the first glyph's
        EXPECT_EQ(line.y, 500);
        EXPECT_EQ(line.x0, 10);
        EXPECT_EQ(line.x1, 20);
        EXPECT_EQ(line.size, 12);
        EXPECT_FALSE(line.toc_trimmed);
        EXPECT_TRUE(line.ends_row);
        ASSERT_EQ(line.glyphs.size(), 3u);
        EXPECT_EQ(line.glyphs[0], &glyphs[0]);
        EXPECT_EQ(line.glyphs[2], &glyphs[2]);
    }
}

// Callers never pass an empty run; were one passed, the line would be empty
// with the default measures rather than read past its glyphs.
TEST(BuildTextLine, EmptyRunGivesTheDefaults) {
    TextLine line = build_text_line({});
    EXPECT_TRUE(line.glyphs.empty());
    EXPECT_EQ(line.text, "");
    EXPECT_EQ(line.font_name, "");
    EXPECT_EQ(line.page_index, 0u);
    EXPECT_EQ(line.y, 0);
    EXPECT_EQ(line.x0, 0);
    EXPECT_EQ(line.x1, 0);
    EXPECT_EQ(line.size, 12);
}

// A line's left edge keeps the sign of a zero edge as the glyph orders see it,
// so lines and glyphs starting at x = 0 sort alike.
TEST(BuildTextLine, ZeroLeftEdgeKeepsTheGlyphOrdersSign) {
    auto glyphs = test::make_glyphs({{"a", 0.0f, 5}});
    glyphs[0].matrix[4] = 0.0f;
    glyphs[0].bbox[0] = -0.0f;
    TextLine line = build_text_line(test::refs(glyphs));
    EXPECT_TRUE(std::signbit(line.x0));
}

}  // namespace
}  // namespace zvk
