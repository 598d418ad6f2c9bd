#include "rewrite/placement/page_context.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "placement_fixture.h"

namespace zvk::rewrite {
namespace {

using test::PageGlyphs;

std::vector<std::string> box_texts(const std::vector<GlyphLineBox>& boxes) {
    std::vector<std::string> out;
    for (const GlyphLineBox& box : boxes) {
        std::string text;
        for (const Glyph* g : box.glyphs) text += g->unicode;
        out.push_back(text);
    }
    return out;
}

TEST(PageLineBoxes, LinesJoinWithinPointEightAndCutAtWideGaps) {
    struct Case {
        const char* name;
        float second_baseline;
        float second_x;
        float size;
        std::vector<std::string> boxes;
    };
    // The first glyph "a" stands at x 100, 0.5 × size wide.
    const std::vector<Case> cases = {
        {"baselines 0.8 apart share a line (the higher first)", 0.8f, 106, 10, {"ba"}},
        {"0.81 apart: two lines even side by side", 0.81f, 106, 10, {"b", "a"}},
        {"10 pt: a gap of exactly T = 15 keeps one box", 0, 120, 10, {"ab"}},
        {"10 pt: a gap of 15.01 cuts", 0, 120.01f, 10, {"a", "b"}},
        {"6 pt: T is 12, so a gap of 10 keeps one box", 0, 113, 6, {"ab"}},
        {"6 pt: a gap of 12 keeps one box", 0, 115, 6, {"ab"}},
        {"6 pt: a gap of 12.01 cuts", 0, 115.01f, 6, {"a", "b"}},
    };
    for (const Case& c : cases) {
        PageGlyphs page;
        page.add("a", 100, 0, c.size);
        page.add("b", c.second_x, c.second_baseline, c.size);
        EXPECT_EQ(box_texts(collect_page_text_runs(page.glyphs, 0)), c.boxes) << c.name;
    }
}

TEST(PageLineBoxes, VisibleGlyphsWithTextOnThePageOnly) {
    PageGlyphs page;
    page.add("a", 100, 700);
    page.add("b", 106, 700).invisible = true;
    page.add("", 112, 700);
    page.add(" ", 118, 700);
    page.add("c", 124, 700);
    page.add("d", 130, 700, 10, -1, 1);  // another page
    EXPECT_EQ(box_texts(collect_page_text_runs(page.glyphs, 0)), std::vector<std::string>{"a c"});
    EXPECT_EQ(box_texts(collect_page_text_runs(page.glyphs, 1)), std::vector<std::string>{"d"});
    EXPECT_TRUE(collect_page_text_runs(page.glyphs, 2).empty());
}

TEST(PageLineBoxes, BoxFieldsAndOrder) {
    PageGlyphs page;
    // Stored bottom line first and right to left; the boxes come top line
    // first, left to right. A glyph 0.5 higher joins the line but sorts
    // first: line order is the position order, not x order.
    page.add("z", 300, 600);
    page.add("y", 100, 600);
    page.add("c", 160, 700, 12, 20);  // box x1 = 180
    page.add("b", 106, 700.5f);
    page.add("a", 100, 700);
    const std::vector<GlyphLineBox> boxes = collect_page_text_runs(page.glyphs, 0);
    ASSERT_EQ(box_texts(boxes), (std::vector<std::string>{"ba", "c", "y", "z"}));
    EXPECT_FLOAT_EQ(boxes[0].baseline, 700.5f);  // the first glyph's
    EXPECT_FLOAT_EQ(boxes[0].x0, 100);
    EXPECT_FLOAT_EQ(boxes[0].x1, 111);  // b's box end
    EXPECT_FLOAT_EQ(boxes[0].size, 10);
    EXPECT_FLOAT_EQ(boxes[1].baseline, 700);
    EXPECT_FLOAT_EQ(boxes[1].x0, 160);
    EXPECT_FLOAT_EQ(boxes[1].x1, 180);
    EXPECT_FLOAT_EQ(boxes[1].size, 12);
    EXPECT_FLOAT_EQ(boxes[3].x0, 300);
}

TEST(PageLineBoxes, BoxEdgesPassOverNaNAndSizeIsAtLeastOne) {
    PageGlyphs page;
    page.add("a", 100, 700, 0.5f);
    Glyph& b = page.add("b", 100.2f, 700, 0.5f);
    b.bbox[2] = std::numeric_limits<float>::quiet_NaN();
    const std::vector<GlyphLineBox> boxes = collect_page_text_runs(page.glyphs, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FLOAT_EQ(boxes[0].x0, 100);
    EXPECT_FLOAT_EQ(boxes[0].x1, 100.25f);  // a's box end; b's NaN passed over
    EXPECT_FLOAT_EQ(boxes[0].size, 1);
}

TEST(PageLineBoxes, SortByBaselineIsStableAndDescending) {
    std::vector<GlyphLineBox> boxes(4);
    boxes[0].baseline = 600;
    boxes[1].baseline = 700;
    boxes[2].baseline = 600;
    boxes[3].baseline = std::numeric_limits<float>::quiet_NaN();
    std::vector<const GlyphLineBox*> refs = {&boxes[0], &boxes[1], &boxes[2], &boxes[3]};
    sort_line_boxes_by_baseline(refs);
    // +NaN is the greatest key, so it comes first in a descending order.
    EXPECT_EQ(refs, (std::vector<const GlyphLineBox*>{&boxes[3], &boxes[1], &boxes[0], &boxes[2]}));
}

TEST(PageContext, BucketsMatchTheWholeListFilter) {
    ExtractedDocument document;
    PageGlyphs page;
    // Pages interleaved in the glyph list, as form XObjects and annotations
    // can leave them.
    page.write("Hello world", 72, 700, 10, 0);
    page.write("Second page", 72, 700, 10, 1);
    page.write("more on one", 72, 680, 10, 0);
    page.add("far", 400, 680, 10, -1, 0);
    document.glyphs = page.glyphs;
    document.pages = {PageInfo{.index = 1, .object_id = {}, .media_box = {0, 0, 500, 700}, .rotate = 0},
                      PageInfo{.index = 1, .object_id = {}, .media_box = {0, 0, 1, 1}, .rotate = 0}};
    document.regions = {Region{0, {1, 2, 3, 4}, "path"}, Region{1, {5, 6, 7, 8}, "image"},
                        Region{0, {9, 9, 9, 9}, "image"}};
    PageContext context(document);
    for (std::uint32_t p : {0u, 1u, 2u}) {
        const std::vector<const Glyph*> filtered = collect_page_glyphs(document.glyphs, p);
        const std::span<const Glyph* const> bucket = context.page_glyphs(p);
        EXPECT_EQ(std::vector<const Glyph*>(bucket.begin(), bucket.end()), filtered) << p;
        EXPECT_EQ(box_texts(context.line_boxes(p)), box_texts(collect_page_text_runs(document.glyphs, p))) << p;
    }
    EXPECT_EQ(box_texts(context.line_boxes(0)), (std::vector<std::string>{"Hello world", "more on one", "far"}));
    // The boxes are built once: a second ask gives the same object.
    EXPECT_EQ(&context.line_boxes(0), &context.line_boxes(0));
    ASSERT_NE(context.page_info(1), nullptr);
    EXPECT_EQ(context.page_info(1), &document.pages[0]);  // the first record with the index
    EXPECT_EQ(context.page_info(0), nullptr);
    ASSERT_EQ(context.page_regions(0).size(), 2u);
    EXPECT_EQ(context.page_regions(0)[0], &document.regions[0]);
    EXPECT_EQ(context.page_regions(0)[1], &document.regions[2]);
    EXPECT_TRUE(context.page_regions(7).empty());
}

}  // namespace
}  // namespace zvk::rewrite
