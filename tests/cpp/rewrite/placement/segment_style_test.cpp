#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "placement_fixture.h"
#include "rewrite/placement/centred_boxes.h"
#include "rewrite/placement/segment_style.h"
#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::line_of;
using test::PageGlyphs;

TEST(SegmentStyle, BoldLines) {
    PageGlyphs page;
    page.add("a", 100, 700).font_name = "Times-Bold";
    page.add("b", 106, 700).font_name = "CMBX10";
    page.add("c", 112, 700).font_name = "Times-Roman";
    const std::vector<RewriteLine> bold = {line_of(page.glyphs, 0, 1), RewriteLine{}};
    const std::vector<RewriteLine> mixed = {line_of(page.glyphs, 0, 2)};
    EXPECT_TRUE(all_glyphs_bold_in_lines(bold));
    EXPECT_FALSE(all_glyphs_bold_in_lines(mixed));
    EXPECT_FALSE(all_glyphs_bold_in_lines(std::vector<RewriteLine>{RewriteLine{}, RewriteLine{}}));
    EXPECT_FALSE(all_glyphs_bold_in_lines({}));
}

TEST(SegmentStyle, PlainFranklinOverAllLines) {
    PageGlyphs page;
    page.write("ab", 100, 700);
    page.write("cd", 100, 688);
    for (Glyph& g : page.glyphs) g.font_name = "FranklinGothic-Book";
    std::vector<RewriteLine> lines = {line_of(page.glyphs, 0, 1), line_of(page.glyphs, 2, 3)};
    EXPECT_TRUE(lines_are_plain_franklin_text(lines));
    page.glyphs[3].font_name = "Times-Roman";  // a letter outside the face, on the second line
    lines = {line_of(page.glyphs, 0, 1), line_of(page.glyphs, 2, 3)};
    EXPECT_FALSE(lines_are_plain_franklin_text(lines));
}

TEST(SegmentStyle, TwoSizeGroups) {
    struct Case {
        const char* name;
        std::vector<float> sizes;
        std::optional<float> second;
    };
    const std::vector<Case> cases = {
        {"10 x6 and 12.5 x3", {10, 10, 10, 10, 10, 10, 12.5f, 12.5f, 12.5f}, 12.5f},
        {"12.5 x5 among 10 x4", {10, 10, 10, 10, 12.5f, 12.5f, 12.5f, 12.5f, 12.5f}, std::nullopt},
        {"three groups", {10, 10, 11, 11, 12, 12}, std::nullopt},
        {"five sizes", {10, 10, 10, 12.5f, 12.5f}, std::nullopt},
        {"ratio 1.4", {10, 10, 10, 10, 10, 14, 14}, std::nullopt},
        {"ratio 1.17", {10, 10, 10, 10, 10, 11.7f, 11.7f}, std::nullopt},
        {"within 5 % is one group", {10, 10.4f, 10.5f, 10, 10, 12.5f, 12.5f}, 12.5f},
        {"given order, not sorted: the group's middle by position",
         {10, 10, 10, 10, 10, 12.6f, 12.4f, 12.5f}, 12.4f},
        {"sizes below 1", {0.5f, 0.5f, 0.5f, 0.5f, 0.6f, 0.6f}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(detect_two_size_groups(c.sizes), c.second) << c.name;
}

TEST(SegmentStyle, TwoColourRuns) {
    struct Case {
        const char* name;
        int red_count;
        float red_start;  // after six black glyphs ending at 136
        float red_width;  // each red glyph's width
        float gap_inside_black;
        bool found;
    };
    const std::vector<Case> cases = {
        {"two red glyphs right after six black", 2, 137, 5, 0, true},
        {"a red run wider than the black", 4, 137, 12, 0, false},
        {"one red glyph is too few", 1, 137, 5, 0, false},
        {"a size-wide gap inside the black text", 2, 150, 5, 11, false},
    };
    for (const Case& c : cases) {
        PageGlyphs page;
        float x = 100;
        for (int i = 0; i < 6; ++i) {
            page.add("a", x, 700, 10, 5);
            x += 6;
            if (i == 2) x += c.gap_inside_black;
        }
        const float black_right = x - 1;
        x = c.red_start + c.gap_inside_black;
        for (int i = 0; i < c.red_count; ++i) {
            page.add("b", x, 700, 10, c.red_width).fill_color = make_rgb_color(1, 0, 0);
            x += c.red_width + 1;
        }
        const std::optional<float> got = detect_two_colour_runs(test::refs(page.glyphs));
        EXPECT_EQ(got.has_value(), c.found) << c.name;
        if (got) {
            EXPECT_FLOAT_EQ(*got, black_right) << c.name;
        }
    }
    // A colour within 0.08 per component is the same colour.
    PageGlyphs page;
    for (int i = 0; i < 8; ++i) page.add("a", 100 + 6.0f * static_cast<float>(i), 700, 10, 5).fill_color = make_gray_color(i < 6 ? 0 : 0.08f);
    EXPECT_FALSE(detect_two_colour_runs(test::refs(page.glyphs)));
}

TEST(SegmentStyle, SectionNumberLeftOfLine) {
    struct Case {
        const char* name;
        std::vector<std::string> texts;
        float number_end;  // right edge of the last number glyph; the line starts at 120
        float dy;
        bool found;
    };
    const std::vector<Case> cases = {
        {"2.1 on the baseline", {"2", ".", "1"}, 110, 0, true},
        {"touching the line's start", {"2.1"}, 118.6f, 0, false},
        {"only its last glyph touching: 2. is left", {"2", ".", "1"}, 118.6f, 0, true},
        {"a single 7: no full stop", {"7"}, 110, 0, false},
        {"off the baseline by more than 0.45 size", {"2", ".", "1"}, 110, 4.6f, false},
    };
    for (const Case& c : cases) {
        PageGlyphs page;
        float x = c.number_end - 4.0f * static_cast<float>(c.texts.size());
        for (const std::string& t : c.texts) {
            page.add(t, x, 700 + c.dy, 10, 4);
            x += 4;
        }
        const std::size_t first = page.glyphs.size();
        page.write("Heading", 120, 700);
        page.add("9.9", 50, 700, 10, 4).page_index = 1;  // another page
        const RewriteLine line = line_of(page.glyphs, first, first + 6);
        EXPECT_EQ(has_section_number_left_of_line(std::span<const Glyph>(page.glyphs), line), c.found) << c.name;
    }
}

TEST(SegmentStyle, EnvironmentLabelBeforeLine) {
    PageGlyphs page;
    page.write("Theorem 1.", 72, 700);
    const std::size_t first = page.glyphs.size();
    page.write("Every x", 130, 700);
    std::vector<const Glyph*> segment;
    for (std::size_t i = first; i < page.glyphs.size(); ++i) segment.push_back(&page.glyphs[i]);
    const std::span<const Glyph> all(page.glyphs);
    EXPECT_EQ(detect_label_before_line(all, segment, 0, 700, 72, 130, 10), std::optional<float>(58));
    EXPECT_EQ(detect_label_before_line(all, segment, 0, 700, 72, 77.9f, 10), std::nullopt) << "0.6 size or less";
    EXPECT_EQ(detect_label_before_line(all, segment, 1, 700, 72, 130, 10), std::nullopt) << "another page";
    // The segment's own glyphs never count: with the label in the segment
    // nothing is left.
    std::vector<const Glyph*> everything = test::refs(page.glyphs);
    EXPECT_EQ(detect_label_before_line(all, everything, 0, 700, 72, 130, 10), std::nullopt);
}

TEST(SegmentStyle, CentredCommaBlock) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, float>> lines;  // text, left x (each glyph 5.5 apart)
        bool centred;
    };
    const std::vector<Case> cases = {
        {"three author lines with commas", {{"Ann, Bo", 200}, {"Cy, Di", 203}, {"Ed, Fay", 200}}, true},
        {"one line without a comma", {{"Ann, Bo", 200}, {"Cy Di", 205}, {"Ed, Fay", 200}}, true},
        {"two lines without", {{"Ann Bo", 200}, {"Cy Di", 205}, {"Ed, Fay", 200}}, false},
        {"two lines", {{"Ann, Bo", 200}, {"Cy, Di", 203}}, false},
        {"a centre 3 sizes and more off", {{"Ann, Bo", 200}, {"Cy, Di", 203}, {"Ed, Fay", 231}}, false},
    };
    for (const Case& c : cases) {
        PageGlyphs page;
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        float y = 700;
        for (const auto& [text, x] : c.lines) {
            const std::size_t first = page.glyphs.size();
            page.write(text, x, y);
            ranges.push_back({first, page.glyphs.size() - 1});
            y -= 12;
        }
        std::vector<RewriteLine> lines;
        for (auto [a, b] : ranges) lines.push_back(line_of(page.glyphs, a, b));
        EXPECT_EQ(is_centred_comma_block(lines), c.centred) << c.name;
    }
    EXPECT_TRUE(std::isnan(median_line_centre({})));
    const std::vector<RewriteLine> three = {RewriteLine{{}, 0, 0, 10}, RewriteLine{{}, 0, 0, 30},
                                            RewriteLine{{}, 0, 0, 20}};
    EXPECT_FLOAT_EQ(median_line_centre(three), 10);  // centres 5, 15, 10: the middle
}

// A line from x 301 to 311 at size 10 on the area 0..612.
struct Centred {
    PageGlyphs page;
    RewriteLine line;
    std::vector<const Glyph*> segment;

    explicit Centred(float shift = 0) {
        page.add("ab", 301 + shift, 500, 10, 10);
        page.glyphs[0].font_size = 10;
    }
    void seal() {
        line = line_of(page.glyphs, 0, 0);
        segment = {&page.glyphs[0]};
    }
    std::optional<CentredLineBox> box(float left = 0, float right = 612) {
        return find_centred_line_box(std::span<const Glyph>(page.glyphs), line, segment, 10, left, right);
    }
};

TEST(CentredLineBoxes, InsetNeighboursAndDepth) {
    {
        Centred c;
        c.seal();
        const auto box = c.box();
        ASSERT_TRUE(box);
        EXPECT_FLOAT_EQ(box->left, 67.32f);
        EXPECT_FLOAT_EQ(box->right, 544.68f);
        EXPECT_FLOAT_EQ(box->depth, 22);  // nothing below: 2.2 × size
        EXPECT_FALSE(c.box(0, 199)) << "an area 199 wide";
        const auto wide = c.box(-194, 806);  // 1000 wide, same centre
        ASSERT_TRUE(wide);
        EXPECT_FLOAT_EQ(wide->left, -194 + 78);
    }
    {
        Centred c(30.01f);  // centre 3 × size + 0.01 off
        c.seal();
        EXPECT_FALSE(c.box());
    }
    {
        // Neighbour lines 1.2 × size above and below, spanning 50..560.
        Centred c;
        c.page.add("x", 50, 512, 10, 10);
        c.page.add("y", 550, 488, 10, 10);
        c.seal();
        const auto box = c.box();
        ASSERT_TRUE(box);
        EXPECT_FLOAT_EQ(box->left, 50);
        EXPECT_FLOAT_EQ(box->right, 560);
    }
    {
        // A subscript 0.3 × size below and a line 2.7 × size away are no
        // neighbours; a line 14 below at size 10 gives the depth 3.5.
        Centred c;
        c.page.add("x", 50, 497, 10, 10);
        c.page.add("y", 550, 527, 10, 10);
        c.page.add("z", 300, 486, 10, 10);
        c.seal();
        const auto box = c.box();
        ASSERT_TRUE(box);
        EXPECT_FLOAT_EQ(box->left, 67.32f);
        EXPECT_FLOAT_EQ(box->depth, 3.5f);
    }
}

TEST(CentredLineBoxes, InsetBoxOfADisplayHeading) {
    EXPECT_FALSE(centred_block_inset_box(2, 20, 0, 612, 200, 412));
    const auto box = centred_block_inset_box(3, 20, 0, 612, 200, 412);
    ASSERT_TRUE(box);
    EXPECT_FLOAT_EQ(box->left, 67.32f);
    EXPECT_FLOAT_EQ(box->right, 544.68f);
    EXPECT_FALSE(centred_block_inset_box(3, 20, 0, 612, 230, 442)) << "centre 30 off";
    EXPECT_FALSE(centred_block_inset_box(3, 20, 0, 612, 35, 577)) << "35 from the edge";
    EXPECT_FALSE(centred_block_inset_box(3, 80, 0, 612, 100, 512)) << "block and 4 sizes do not fit";
}

TEST(CentredLineBoxes, LineBelowSkipsBlankTextButCountsItsSize) {
    PageGlyphs page;
    page.add("a", 100, 700);
    page.add(" ", 100, 690, 14);  // blank: not the line, but its size counts
    page.add("b", 100, 686);      // the line below
    page.add("c", 100, 698, 30);  // within 0.35 × size of y: not below
    const std::vector<const Glyph*> excluded = {&page.glyphs[0]};
    const auto below = find_line_below(std::span<const Glyph>(page.glyphs), 0, excluded, 700, 10);
    ASSERT_TRUE(below);
    EXPECT_FLOAT_EQ(below->baseline, 686);
    EXPECT_FLOAT_EQ(below->font_size, 14);
    EXPECT_FALSE(find_line_below(std::span<const Glyph>(page.glyphs), 0, excluded, 686, 10));
}

}  // namespace
}  // namespace zvk::rewrite
