#include "rewrite/geometry/run_in_labels.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::GlyphSpec;

// One line written left to right: each piece is a run of one-character
// glyphs at a size, 0.5 size wide, 0.6 size apart, after a gap from the
// previous glyph's right edge.
struct Piece {
    std::string letters;
    float size = 10;
    float gap = 1;  // from the previous glyph's right edge to this piece's first origin
};

struct Built {
    std::vector<Glyph> glyphs;
    std::vector<float> xs;  // origin x by glyph index
};

Built build_line(const std::vector<Piece>& pieces) {
    std::vector<GlyphSpec> specs;
    float right = 100;
    for (const Piece& piece : pieces) {
        float x = right + piece.gap;
        for (char c : piece.letters) {
            specs.push_back({.text = std::string(1, c), .x0 = x, .x1 = x + 0.5f * piece.size, .size = piece.size,
                             .baseline = 700});
            right = x + 0.5f * piece.size;
            x = right + 0.1f * piece.size;
        }
    }
    Built built;
    built.glyphs = test::make_glyphs(specs);
    for (const auto& s : specs) built.xs.push_back(s.x0);
    return built;
}

std::optional<RunInLabel> label_of(const Built& built, bool shuffled = false) {
    RewriteLine line;
    line.glyphs = test::refs(built.glyphs);
    if (shuffled) std::swap(line.glyphs.front(), line.glyphs.back());  // the test sorts by x itself
    return detect_run_in_label(std::vector<RewriteLine>{line});
}

TEST(RunInLabels, LabelsFoundAndRefused) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        int label_glyphs;  // 0: no label
        bool keyword;
    };
    const std::vector<Case> cases = {
        {"INPUT: then a capital after a gap of 0.2 T",
         {{"INPUT:"}, {" ", 10, 1}, {"The rest", 10, 2}}, 7, true},
        {"the same with a lower-case body", {{"INPUT:"}, {" ", 10, 1}, {"the rest", 10, 2}}, 0, false},
        {"Output Format: the letters of both words",
         {{"Output"}, {" ", 10, 1}, {"Format"}, {"Then more", 10, 6}}, 13, true},
        {"small-capital keyword followed by a full-size letter",
         {{"INPUT", 8}, {"The rest", 10, 0.8f}}, 5, true},
        {"INPUTS: keyword without a gap, small capitals found by the gap",
         {{"INPUTS", 8}, {"The rest", 10, 5}}, 6, false},
        {"INPUTS at full size without any gap", {{"INPUTS"}, {"ome text here"}}, 0, false},
        {"small capitals that spell no keyword, no gap", {{"ABSTRACT", 8}, {"This text", 10, 0.8f}}, 0, false},
        {"small capitals that spell no keyword, after a gap", {{"ABSTRACT", 8}, {"This text", 10, 5}}, 8, false},
        {"first wide gap after two glyphs", {{"AB", 8}, {"CDEF", 8, 5}, {"Body text", 10, 5}}, 0, false},
        {"six glyphs can hold a label", {{"ABC", 8}, {"DEF", 10, 5}}, 3, false},
        {"five glyphs never do", {{"ABC", 8}, {"DE", 10, 5}}, 0, false},
        {"18 label glyphs", {{"ABCDEFGHIJKLMNOPQR", 8}, {"Body text here", 10, 5}}, 0, false},
        {"17 letter glyphs", {{"ABCDEFGHIJKLMNOPQ", 8}, {"Body text here", 10, 5}}, 0, false},
        {"16 letter glyphs", {{"ABCDEFGHIJKLMNOP", 8}, {"Body text here", 10, 5}}, 16, false},
        {"two letter glyphs", {{"A12B", 8}, {"Body text", 10, 5}}, 0, false},
        {"body too close to the label's start", {{"ABC", 1}, {"Body text", 10, 5}}, 0, false},
    };
    for (const Case& c : cases) {
        const Built built = build_line(c.pieces);
        for (bool shuffled : {false, true}) {
            const auto label = label_of(built, shuffled);
            if (c.label_glyphs == 0) {
                EXPECT_FALSE(label) << c.name;
                continue;
            }
            ASSERT_TRUE(label) << c.name;
            std::vector<std::uint32_t> ids;
            for (int i = 0; i < c.label_glyphs; ++i) ids.push_back(static_cast<std::uint32_t>(i));
            EXPECT_EQ(label->glyph_ids, ids) << c.name;
            EXPECT_EQ(label->is_keyword, c.keyword) << c.name;
            EXPECT_EQ(label->label_x0, built.xs[0]) << c.name;
            EXPECT_EQ(label->body_x, built.xs[static_cast<std::size_t>(c.label_glyphs)]) << c.name;
            const Glyph& last = built.glyphs[static_cast<std::size_t>(c.label_glyphs) - 1];
            EXPECT_EQ(label->label_x1, last.bbox[2]) << c.name;
        }
    }
    EXPECT_FALSE(detect_run_in_label(std::vector<RewriteLine>{}));
}

// Two columns of glyphs: the left from x 0, the right from `right_x0`, each
// glyph 10 wide with no gap, on baselines 700 and 690.
std::vector<Glyph> columns(float left_width, float right_x0, float right_width) {
    std::vector<GlyphSpec> specs;
    for (float y : {700.0f, 690.0f}) {
        for (float x = 0; x + 10 <= left_width; x += 10) specs.push_back({.text = "a", .x0 = x, .x1 = x + 10, .baseline = y});
        for (float x = right_x0; x + 10 <= right_x0 + right_width; x += 10) {
            specs.push_back({.text = "b", .x0 = x, .x1 = x + 10, .baseline = y - 2});
        }
    }
    return test::make_glyphs(specs);
}

TEST(ColumnGutter, SplitsOnlyAWideGapBetweenWideSides) {
    struct Case {
        const char* name;
        std::vector<Glyph> glyphs;
        float size;
        std::optional<ColumnSplit> split;
    };
    std::vector<Glyph> reaching = columns(150, 250, 150);
    reaching[0].bbox[2] = 245;  // a left glyph whose box reaches into the gutter
    std::vector<Glyph> overlapping = columns(150, 0, 150);
    std::vector<Glyph> seven = columns(40, 200, 30);
    seven.resize(7);
    const std::vector<Case> cases = {
        {"two columns 100 apart", columns(150, 250, 150), 10,
         ColumnSplit{{0, 150, 700, 690}, {250, 400, 698, 688}}},
        {"gap of 11 at size 10", columns(150, 161, 150), 10, std::nullopt},
        {"gap of 11 at size 9", columns(150, 161, 150), 9, ColumnSplit{{0, 150, 700, 690}, {161, 311, 698, 688}}},
        {"a side 70 wide", columns(70, 170, 150), 10, std::nullopt},
        {"a left box reaches into the gutter", reaching, 10, std::nullopt},
        {"no positive gap", overlapping, 10, std::nullopt},
        {"seven glyphs", seven, 1, std::nullopt},
        {"NaN size counts as 1", columns(150, 250, 150), test::kNaN,
         ColumnSplit{{0, 150, 700, 690}, {250, 400, 698, 688}}},
    };
    for (const Case& c : cases) {
        const auto split = find_column_gutter(test::refs(c.glyphs), c.size);
        ASSERT_EQ(split.has_value(), c.split.has_value()) << c.name;
        if (!split) continue;
        for (auto [got, want] : {std::pair{split->left, c.split->left}, std::pair{split->right, c.split->right}}) {
            EXPECT_EQ(got.x0, want.x0) << c.name;
            EXPECT_EQ(got.x1, want.x1) << c.name;
            EXPECT_EQ(got.y_max, want.y_max) << c.name;
            EXPECT_EQ(got.y_min, want.y_min) << c.name;
        }
    }
}

}  // namespace
}  // namespace zvk::rewrite
