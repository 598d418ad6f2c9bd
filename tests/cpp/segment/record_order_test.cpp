// The orders of segmentation's own records: lines, line indices, paragraph
// groups, area and continuation candidates, and the glyphs and glyph
// positions of one line.
#include "segment/record_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <tuple>

#include "glyph_fixture.h"
#include "segment/glyph_order.h"

namespace zvk {
namespace {

using test::kInf;
using test::kNaN;

const float kNegNaN = std::copysign(kNaN, -1.0f);

// A line named by its text, which the orders never read.
TextLine line(const char* name, std::uint32_t page, float y, float x0) {
    TextLine l;
    l.text = name;
    l.page_index = page;
    l.y = y;
    l.x0 = x0;
    return l;
}

std::string names(const std::vector<TextLine>& lines) {
    std::string out;
    for (const auto& l : lines) out += l.text;
    return out;
}

struct LineCase {
    const char* name;
    std::vector<TextLine> lines;
    std::string reading;  // names after the line reading order
    std::string column;   // names after the column order
};

std::vector<LineCase> line_cases() {
    return {
        {"empty", {}, "", ""},
        {"one line", {line("a", 0, 0, 0)}, "a", "a"},
        // Reading: page, height, x0; columns: page, x0, height.
        {"the keys in their two precedences",
         {line("a", 1, 900, 0), line("b", 0, 100, 300), line("c", 0, 700, 300), line("d", 0, 500, 50),
          line("e", 0, 700, 20)},
         "ecdba", "edcba"},
        {"equal keys keep their order", {line("a", 0, 5, 5), line("b", 0, 5, 5), line("c", 0, 5, 5)}, "abc", "abc"},
        {"x0 -0 before +0", {line("a", 0, 5, 0.0f), line("b", 0, 5, -0.0f)}, "ba", "ba"},
        {"y +0 before -0", {line("a", 0, -0.0f, 5), line("b", 0, 0.0f, 5)}, "ba", "ba"},
        {"NaN y: by its sign",
         {line("a", 0, 100, 0), line("n", 0, kNegNaN, 0), line("p", 0, kNaN, 0), line("b", 0, kInf, 0)},
         "pban", "pban"},
        {"NaN x0: by its sign",
         {line("a", 0, 5, 1), line("p", 0, 5, kNaN), line("n", 0, 5, kNegNaN), line("b", 0, 5, -kInf)},
         "nbap", "nbap"},
        {"page 2^31 after smaller pages",
         {line("h", 1u << 31, 900, 0), line("a", 1, 100, 0), line("m", 0xFFFFFFFFu, 900, 0), line("z", 0, 0, 0)},
         "zahm", "zahm"},
    };
}

TEST(LineOrders, BlockLinesInReadingOrder) {
    for (auto c : line_cases()) {
        sort_block_lines_reading_order(c.lines);
        EXPECT_EQ(names(c.lines), c.reading) << c.name;
    }
}

TEST(LineOrders, LineIndicesInReadingOrder) {
    for (const auto& c : line_cases()) {
        std::vector<std::size_t> indices(c.lines.size());
        for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = i;
        sort_line_indices_reading_order(indices, c.lines);
        std::string got;
        for (std::size_t i : indices) got += c.lines[i].text;
        EXPECT_EQ(got, c.reading) << c.name;
    }
}

// Groups sort by their head lines alone, in both orders.
TEST(LineOrders, ParagraphGroupsByTheirHeads) {
    for (const auto& c : line_cases()) {
        std::vector<ParagraphGroup> reading, column;
        for (const auto& l : c.lines) {
            // A second line that would sort the group elsewhere if it counted.
            ParagraphGroup group = {l, line("-", 0, kNaN, kNegNaN)};
            reading.push_back(group);
            column.push_back(group);
        }
        sort_paragraph_groups_reading_order(reading);
        sort_paragraph_groups_column_order(column);
        std::string got_reading, got_column;
        for (const auto& g : reading) got_reading += g.front().text;
        for (const auto& g : column) got_column += g.front().text;
        EXPECT_EQ(got_reading, c.reading) << c.name;
        EXPECT_EQ(got_column, c.column) << c.name;
    }
}

// Against a plain tuple sort with an independent float ordering, on random
// lines full of zeros, NaNs and ties.
TEST(LineOrders, AgreeWithAKeyTupleSort) {
    auto key = [](float f) {
        auto u = std::bit_cast<std::uint32_t>(f);
        return (u & 0x80000000u) ? ~u : (u | 0x80000000u);  // unsigned total order
    };
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, kNaN, kNegNaN, kInf, -kInf, 2.5f};
    std::mt19937 rng(42);
    for (int round = 0; round < 200; ++round) {
        std::vector<TextLine> lines;
        std::size_t n = rng() % 40;
        for (std::size_t i = 0; i < n; ++i) {
            TextLine l = line("", rng() % 3 == 0 ? 0x80000000u : rng() % 3, values[rng() % 9], values[rng() % 9]);
            l.text = std::to_string(i) + ",";
            lines.push_back(l);
        }
        auto reading = lines, expected = lines;
        sort_block_lines_reading_order(reading);
        std::stable_sort(expected.begin(), expected.end(), [&](const TextLine& a, const TextLine& b) {
            return std::tuple(a.page_index, ~key(a.y), key(a.x0)) < std::tuple(b.page_index, ~key(b.y), key(b.x0));
        });
        ASSERT_EQ(names(reading), names(expected)) << "round " << round;

        std::vector<ParagraphGroup> groups;
        for (const auto& l : lines) groups.push_back({l});
        sort_paragraph_groups_column_order(groups);
        std::string got;
        for (const auto& g : groups) got += g.front().text;
        expected = lines;
        std::stable_sort(expected.begin(), expected.end(), [&](const TextLine& a, const TextLine& b) {
            return std::tuple(a.page_index, key(a.x0), ~key(a.y)) < std::tuple(b.page_index, key(b.x0), ~key(b.y));
        });
        ASSERT_EQ(got, names(expected)) << "round " << round;
    }
}

TEST(CandidateOrders, NearestFirst) {
    std::vector<AreaCandidate> candidates = {
        {0, 5}, {1, 1}, {2, kNaN}, {3, 1}, {4, 0.0f}, {5, -0.0f}, {6, kNegNaN}, {7, -2},
    };
    sort_area_candidates_nearest_first(candidates);
    std::vector<std::size_t> got;
    for (const auto& c : candidates) got.push_back(c.line_index);
    EXPECT_EQ(got, (std::vector<std::size_t>{6, 7, 5, 4, 1, 3, 0, 2}));
}

TEST(CandidateOrders, TopDown) {
    std::vector<ContinuationCandidate> candidates = {
        {0, 500}, {1, 700}, {2, kNegNaN}, {3, 700}, {4, kNaN}, {5, -0.0f}, {6, 0.0f},
    };
    sort_continuation_candidates_top_down(candidates);
    std::vector<std::size_t> got;
    for (const auto& c : candidates) got.push_back(c.group_index);
    EXPECT_EQ(got, (std::vector<std::size_t>{4, 1, 3, 0, 6, 5, 2}));
}

// origin x, bbox x0, bbox x1
Glyph edges(std::uint32_t id, float x, float x0, float x1) {
    Glyph g;
    g.id = id;
    g.matrix[4] = x;
    g.bbox = {x0, 0, x1, 0};
    return g;
}

std::vector<std::uint32_t> ids(const std::vector<const Glyph*>& glyphs) {
    std::vector<std::uint32_t> out;
    for (const Glyph* g : glyphs) out.push_back(g->id);
    return out;
}

// The pair that box-left and left-edge orders put differently: A's box starts
// later, but its origin earlier.
TEST(GlyphOrders, BoxLeftAndLeftEdgeDisagree) {
    std::vector<Glyph> glyphs = {edges(0, 2, 3, 7), edges(1, 2.5f, 2.6f, 5)};  // A, B
    auto by_box = test::refs(glyphs);
    sort_line_glyphs_by_box_left(by_box);
    EXPECT_EQ(ids(by_box), (std::vector<std::uint32_t>{1, 0}));

    auto line_glyphs = test::refs(glyphs);
    std::vector<std::size_t> positions = {1, 0};
    sort_glyph_positions_by_left_edge(positions, line_glyphs);
    EXPECT_EQ(positions, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(ids(line_glyphs), (std::vector<std::uint32_t>{0, 1}));  // the list itself stays
}

TEST(GlyphOrders, BoxLeft) {
    std::vector<Glyph> glyphs = {
        edges(0, 0, 0.0f, 5),       // key +0
        edges(1, -9, 0.0f, -0.0f),  // min(+0, -0) is the second: -0; origin ignored
        edges(2, 0, kNaN, 10),      // NaN x0 passed over: 10
        edges(3, 0, 10, 12),        // ties with 2: input order
        edges(4, 0, kNaN, kNaN),    // NaN key with the sign clear: last
        edges(5, 0, 8, 3),          // inverted box: 3
    };
    auto refs = test::refs(glyphs);
    sort_line_glyphs_by_box_left(refs);
    EXPECT_EQ(ids(refs), (std::vector<std::uint32_t>{1, 0, 5, 2, 3, 4}));
}

TEST(GlyphOrders, PositionsByLeftEdge) {
    std::vector<Glyph> glyphs = {
        edges(0, 50, 48, 55),         // 48
        edges(1, 0.0f, -0.0f, 5),     // -0
        edges(2, 50, kNaN, 55),       // 50
        edges(3, 0, 0.0f, 5),         // +0
        edges(4, 48, 49, 60),         // 48, ties with 0
        edges(5, kNaN, kNaN, kNaN),   // NaN, last
    };
    auto line_glyphs = test::refs(glyphs);
    // Collected in ascending position order; 2 left out.
    std::vector<std::size_t> positions = {0, 1, 3, 4, 5};
    sort_glyph_positions_by_left_edge(positions, line_glyphs);
    EXPECT_EQ(positions, (std::vector<std::size_t>{1, 3, 0, 4, 5}));

    std::vector<std::size_t> none;
    sort_glyph_positions_by_left_edge(none, line_glyphs);
    EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace zvk
