#include "rewrite/placement/line_context.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "placement_fixture.h"
#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::line_of;
using test::PageGlyphs;

TEST(RightAlignedBlock, SpreadAndShareOfLeftEdges) {
    struct Case {
        const char* name;
        std::vector<float> lefts;  // one line each, all ending at 500
        bool right_aligned;
    };
    const std::vector<Case> cases = {
        {"one at the leftmost, two further right", {300, 350, 420}, true},
        {"two of three within 3 of the leftmost", {300, 302, 420}, false},
        {"left edges within 4 sizes", {300, 320, 339}, false},
        {"two lines only", {300, 420}, false},
    };
    for (const Case& c : cases) {
        PageGlyphs page;
        for (std::size_t i = 0; i < c.lefts.size(); ++i) {
            page.add("x", c.lefts[i], 700 - 12.0f * static_cast<float>(i), 10, 500 - c.lefts[i]);
        }
        page.add("y", 100, 600, 10, 400);  // ends at 500 too, but is not on the page below
        page.glyphs.back().page_index = 1;
        const RewriteLine line = line_of(page.glyphs, 0, 0);
        const std::optional<float> edge = right_aligned_block_edge(std::span<const Glyph>(page.glyphs), line);
        EXPECT_EQ(edge.has_value(), c.right_aligned) << c.name;
        if (edge) {
            EXPECT_FLOAT_EQ(*edge, 500) << c.name;
        }
    }
}

TEST(ParagraphExtent, RunOfThreeStackedBoxes) {
    struct Case {
        const char* name;
        std::vector<std::pair<float, float>> others;  // (baseline, right) of boxes at the line's left edge
        std::optional<float> extent;
    };
    // The line: x 150..300 at baseline 700, size 10 (s = 10).
    const std::vector<Case> cases = {
        {"a run reaching 304.5", {{712, 304.5f}, {688, 290}}, 304.5f},
        {"a run reaching 304 is not further than 0.4 s", {{712, 304}, {688, 290}}, std::nullopt},
        {"anchor with one neighbour, however wide", {{712, 260 + 0.0f}}, std::nullopt},
        {"a step of exactly 1.8 s still links", {{718, 310}, {736, 290}}, 310},
        {"a step of more than 1.8 s breaks the run", {{718.5f, 310}, {736.5f, 290}}, std::nullopt},
        {"boxes wider than 16 s do not count", {{712, 270}, {688, 262}}, std::nullopt},
    };
    for (const Case& c : cases) {
        PageGlyphs page;
        page.add("L", 150, 700, 10, 150);
        for (auto [baseline, right] : c.others) page.add("o", 150, baseline, 10, right - 150);
        if (std::string(c.name).starts_with("boxes wider")) {
            page.glyphs[1].bbox[2] = 150 + 16 * 10 + 1;
            page.glyphs[2].bbox[2] = 150 + 16 * 10 + 1;
        }
        const RewriteLine line = line_of(page.glyphs, 0, 0);
        EXPECT_EQ(paragraph_extends_right_of_line(std::span<const Glyph>(page.glyphs), line), c.extent) << c.name;
    }
}

TEST(ColumnLeftEdge, StartsWhereTheWideLinesStart) {
    PageGlyphs page;
    page.add("w", 72, 720, 10, 200);   // wide, ends at 272
    page.add("w", 75, 708, 10, 200);   // wide
    page.add("s", 74, 696, 10, 60);    // the line: 74..134
    page.add("s", 90, 684, 10, 60);    // another short line
    page.add("e", 10, 672, 10, 124.5f);  // wide but ends where the line ends (within s)
    EXPECT_TRUE(line_starts_at_column_left_edge(std::span<const Glyph>(page.glyphs), line_of(page.glyphs, 2, 2)));
    EXPECT_FALSE(line_starts_at_column_left_edge(std::span<const Glyph>(page.glyphs), line_of(page.glyphs, 3, 3)));
    EXPECT_FALSE(line_starts_at_column_left_edge(std::span<const Glyph>(page.glyphs), RewriteLine{}));
}

// A line of glyphs 5 wide and 1 apart, with one gap widened.
struct GapLine {
    PageGlyphs page;
    std::vector<const Glyph*> line;
    std::vector<const Glyph*> around;
};

GapLine gap_line(std::string_view text, std::size_t wide_after, float wide_gap) {
    GapLine g;
    float x = 100;
    for (std::size_t i = 0; i < text.size(); ++i) {
        g.page.add(std::string(1, text[i]), x, 700, 10, 5);
        x += 6;
        if (i == wide_after) x += wide_gap - 1;
    }
    return g;
}

bool column_gap(GapLine& g, float size = 10) {
    g.line.clear();
    for (const Glyph& glyph : g.page.glyphs) {
        if (glyph.matrix[5] == 700) g.line.push_back(&glyph);
    }
    g.around.clear();
    for (const Glyph& glyph : g.page.glyphs) g.around.push_back(&glyph);
    return find_column_gap(g.line, g.around, size);
}

TEST(ColumnGap, ThresholdAndWhatIntervenes) {
    // s = 10, median gap 1: T = min(max(12.5, 3.5), 24) = 12.5.
    {
        GapLine g = gap_line("abcdefgh", 3, 12.5f);
        EXPECT_FALSE(column_gap(g)) << "12.5 is not wider than T";
    }
    {
        GapLine g = gap_line("abcdefgh", 3, 12.6f);
        EXPECT_TRUE(column_gap(g)) << "12.6 is";
    }
    {
        GapLine g = gap_line("abc", 0, 100);
        EXPECT_FALSE(column_gap(g)) << "three glyphs never hold a column gap";
    }
    {
        // A glyph inside the gap on a baseline 5 lower bridges it.
        GapLine g = gap_line("abcdefgh", 3, 40);
        g.page.add("x", 135, 695, 10, 5);
        EXPECT_FALSE(column_gap(g));
    }
    {
        // On the same baseline (0.35 or less away) it does not.
        GapLine g = gap_line("abcdefgh", 3, 40);
        g.page.add("x", 135, 699.7f, 10, 5);
        EXPECT_TRUE(column_gap(g));
    }
    {
        // A caption label left of the gap; the same letters that spell no
        // caption word leave the gap a column gap.
        GapLine caption = gap_line("Figure 1:abcd", 8, 20);
        EXPECT_FALSE(column_gap(caption));
        GapLine plain = gap_line("Goodie 1:abcd", 8, 20);
        EXPECT_TRUE(column_gap(plain));
    }
    {
        // A separate short number left of a gap of at most max(2 s, 24): a
        // contents entry and its page number. Letters in its place qualify.
        for (const auto& [tail, gap] : std::vector<std::pair<std::string, bool>>{{"12", false}, {"ab", true}}) {
            GapLine g;
            float x = 100;
            for (char ch : std::string("abcdef")) {
                g.page.add(std::string(1, ch), x, 700, 10, 5);
                x += 6;
            }
            x += 3;  // a word gap before the tail
            for (char ch : tail) {
                g.page.add(std::string(1, ch), x, 700, 10, 5);
                x += 6;
            }
            x += 19;  // a gap of 20
            for (char ch : std::string("xyz")) {
                g.page.add(std::string(1, ch), x, 700, 10, 5);
                x += 6;
            }
            EXPECT_EQ(column_gap(g), gap) << tail;
        }
    }
}

TEST(SideFigure, LeftLimitAndRegionShape) {
    struct Case {
        const char* name;
        Box media;
        bool page_record;
        Box region;
        const char* kind;
        std::optional<float> edge;
    };
    // Baseline 400, size 10: the region must reach from 378 up to 410.
    const std::vector<Case> cases = {
        {"612 wide: L = 336.6, a region at 336.6", {0, 0, 612, 792}, true, {336.6f, 300, 400.6f, 500}, "path", 336.6f},
        {"at 336.5 it is left of L", {0, 0, 612, 792}, true, {336.5f, 300, 400.5f, 500}, "path", std::nullopt},
        {"no page record: L = 330", {0, 0, 612, 792}, false, {331, 300, 395, 500}, "path", 331},
        {"40 wide and 100 tall", {0, 0, 612, 792}, true, {400, 300, 440, 400}, "path", 400},
        {"40 wide and 99 tall", {0, 0, 612, 792}, true, {400, 301, 440, 400}, "path", std::nullopt},
        {"100 wide needs 120", {0, 0, 612, 792}, true, {400, 300, 500, 419}, "path", std::nullopt},
        // 1.2 × 100 in f32 is a little above 120.
        {"100 wide and 120.5 tall", {0, 0, 612, 792}, true, {400, 300, 500, 420.5f}, "path", 400},
        {"corners given reversed", {0, 0, 612, 792}, true, {440, 400, 400, 300}, "path", 400},
        {"an image never", {0, 0, 612, 792}, true, {400, 300, 440, 400}, "image", std::nullopt},
        {"ends below y - 2.2 s", {0, 0, 612, 792}, true, {400, 200, 440, 377}, "path", std::nullopt},
        {"starts above y + s", {0, 0, 612, 792}, true, {400, 411, 440, 600}, "path", std::nullopt},
    };
    for (const Case& c : cases) {
        ExtractedDocument document;
        if (c.page_record) document.pages.push_back(PageInfo{.index = 0, .object_id = {}, .media_box = c.media, .rotate = 0});
        document.regions.push_back(Region{0, c.region, c.kind});
        document.regions.push_back(Region{1, {350, 300, 390, 500}, "path"});  // another page
        EXPECT_EQ(find_side_figure_left_edge(document, 0, 400, 10), c.edge) << c.name;
        EXPECT_EQ(find_side_figure_left_edge(PageContext(document), 0, 400, 10), c.edge) << c.name;
    }
}

TEST(SideFigure, MediaBoxNotAtTheOriginFindsTheSameFigure) {
    // The same page described twice: once from (0, 0), once centred on the
    // origin. A figure in the right part of the page is found on both.
    const std::pair<Box, float> pages[] = {{{0, 0, 612, 792}, 0}, {{-306, -396, 306, 396}, -306}};
    for (const auto& [media, shift] : pages) {
        ExtractedDocument document;
        document.pages.push_back(PageInfo{.index = 0, .object_id = {}, .media_box = media, .rotate = 0});
        document.regions.push_back(Region{0, {450 + shift, 300 - 396 - 0.0f * shift, 530 + shift, 420 - 396}, "path"});
        const std::optional<float> edge = find_side_figure_left_edge(document, 0, 400 - 396, 10);
        ASSERT_TRUE(edge.has_value()) << media[0];
        EXPECT_FLOAT_EQ(*edge, 450 + shift);
    }
    // And a figure in the left part of the shifted page is not one.
    ExtractedDocument document;
    document.pages.push_back(PageInfo{.index = 0, .object_id = {}, .media_box = {-306, -396, 306, 396}, .rotate = 0});
    document.regions.push_back(Region{0, {0, -96, 80, 24}, "path"});
    EXPECT_EQ(find_side_figure_left_edge(document, 0, 4, 10), std::nullopt);
}

TEST(DistinctPages, AscendingWithoutRepeats) {
    PageGlyphs page;
    page.add("a", 0, 0, 10, -1, 3);
    page.add("b", 0, 0, 10, -1, 1);
    page.add("c", 0, 0, 10, -1, 3);
    page.add("d", 0, 0, 10, -1, 0);
    EXPECT_EQ(collect_distinct_page_indices(test::refs(page.glyphs)), (std::vector<std::uint32_t>{0, 1, 3}));
}

}  // namespace
}  // namespace zvk::rewrite
