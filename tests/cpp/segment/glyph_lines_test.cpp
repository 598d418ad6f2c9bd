// Reading order and the cutting of glyphs into glyph lines and runs.
#include <gtest/gtest.h>

#include "segment/glyph_fixture.h"
#include "segment/glyph_lines.h"
#include "segment/segmentation.h"

namespace zvk {
namespace {

using test::GlyphSpec;
using test::run_texts;
using test::make_glyphs;

// A word of 5-unit-wide glyphs starting at x.
std::vector<GlyphSpec> word(const std::string& text, float x, float size = 10, float baseline = 700) {
    std::vector<GlyphSpec> specs;
    for (char c : text) {
        specs.push_back({std::string(1, c), x, x + 5, size, baseline});
        x += 5;
    }
    return specs;
}

std::vector<GlyphSpec> join(std::vector<std::vector<GlyphSpec>> parts) {
    std::vector<GlyphSpec> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(GroupGlyphLines, BreaksOfTheWalk) {
    struct Case {
        const char* name;
        std::vector<GlyphSpec> glyphs;
        std::vector<std::string> runs;
    } cases[] = {
        // Each glyph is one character here, so the second word starts with a
        // digit: a letter would need the wider gap of the next rows.
        {"words 0.5 w apart with a smaller second word split",
         join({word("abc", 100), word("2.5", 120, 8)}), {"abc", "2.5"}},
        {"words 0.5 w apart with a body-size second word stay",
         join({word("abc", 100), word("2.5", 120)}), {"abc2.5"}},
        {"a second word at 0.85 w, above 0.8 w, stays",
         join({word("abc", 100), word("2.5", 120, 8.5)}), {"abc2.5"}},
        {"a one-letter glyph after 0.5 w stays (needs 1.25 w)",
         join({word("abc", 100), word("x", 120, 8)}), {"abcx"}},
        {"a one-letter glyph after 1.3 w splits",
         join({word("abc", 100), word("x", 128, 8)}), {"abc", "x"}},
        {"a lower baseline by more than half the size ends the line",
         join({word("abc", 100), word("def", 100, 10, 694)}), {"abc", "def"}},
        {"a carriage return to the left edge with a moved baseline ends the line",
         join({word("abcdefgh", 100), word("ij", 100, 10, 699)}), {"abcdefgh", "ij"}},
        {"a large initial and body text on its baseline stay one line",
         join({{{"T", 100, 125, 30, 700}}, word("he", 126)}), {"The"}},
        {"a large initial and body text 0.6 size lower split",
         join({{{"T", 100, 125, 30, 700}}, word("he", 126, 10, 694)}), {"T", "he"}},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = make_glyphs(c.glyphs);
        EXPECT_EQ(run_texts(group_glyph_lines(glyphs)), c.runs) << c.name;
    }
}

TEST(GroupGlyphLines, UnmappedAndEmptyGlyphsEndTheLineAndVanish) {
    std::vector<Glyph> glyphs = make_glyphs(word("abcdef", 100));
    glyphs[2].unmapped = true;
    glyphs[3].unicode.clear();
    EXPECT_EQ(run_texts(group_glyph_lines(glyphs)), (std::vector<std::string>{"ab", "ef"}));

    for (Glyph& g : glyphs) g.unmapped = true;
    EXPECT_TRUE(group_glyph_lines(glyphs).empty());
    EXPECT_TRUE(group_glyph_lines({}).empty());
}

TEST(GroupGlyphLines, ReadingOrderSortsPagesBaselinesAndX) {
    // Extraction order: page 1 first, then two lines of page 0 bottom-up,
    // each line right to left.
    std::vector<Glyph> glyphs;
    glyphs.push_back(test::make_glyph({"z", 100, 105, 10, 700}, 0, 1));
    glyphs.push_back(test::make_glyph({"d", 105, 110, 10, 600}, 1, 0));
    glyphs.push_back(test::make_glyph({"c", 100, 105, 10, 600}, 2, 0));
    glyphs.push_back(test::make_glyph({"b", 105, 110, 10, 700}, 3, 0));
    glyphs.push_back(test::make_glyph({"a", 100, 105, 10, 700}, 4, 0));
    EXPECT_EQ(run_texts(group_glyph_lines(glyphs)), (std::vector<std::string>{"ab", "cd", "z"}));
}

TEST(GroupGlyphLines, ALineAtTheCeilingEndsAndEveryGlyphStays) {
    std::vector<GlyphSpec> specs;
    for (std::size_t i = 0; i < kMaxGlyphLineGlyphs + 10; ++i) {
        float x = 0.5f * static_cast<float>(i);
        specs.push_back({"a", x, x + 0.5f, 10, 700});
    }
    std::vector<Glyph> glyphs = make_glyphs(specs);
    std::vector<GlyphRun> runs = group_glyph_lines(glyphs);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), kMaxGlyphLineGlyphs);
    EXPECT_EQ(runs[1].size(), 10u);
}

// One row of a two-column page set as the journal in the corpus sets it
// (ephaptic-coupling.pdf): size 9, letters 4.5 wide, every word space a
// space glyph 2.04 wide, the left column's text ending at 291.41 and the
// right column's starting at 302.67, a gutter of 11.26 between the letters.
struct GutterRow {
    bool trailing_space = false;  // the left column ends in a space glyph
    bool hole = false;            // a gap of 6.65 inside the right column
    bool margin_glyph = false;    // a turned glyph in the left margin
};

constexpr float kGutterBaseline = 493.90f;

// The words of one column from x: five letters of `letter` and a space glyph
// each, the last word without its space.
std::vector<GlyphSpec> column_words(char letter, float x, int words) {
    std::vector<GlyphSpec> specs;
    for (int w = 0; w < words; ++w) {
        if (w > 0) {
            specs.push_back({" ", x, x + 2.04f, 9, kGutterBaseline});
            x += 2.04f;
        }
        for (int i = 0; i < 5; ++i) {
            specs.push_back({std::string(1, letter), x, x + 4.5f, 9, kGutterBaseline});
            x += 4.5f;
        }
    }
    return specs;
}

std::vector<Glyph> gutter_row(const GutterRow& row) {
    constexpr int kWords = 10;
    const float left_width = kWords * 5 * 4.5f + (kWords - 1) * 2.04f;
    std::vector<GlyphSpec> specs = column_words('l', 291.41f - left_width, kWords);
    if (row.trailing_space) specs.push_back({" ", 291.41f, 293.45f, 9, kGutterBaseline});
    std::vector<GlyphSpec> right = column_words('r', 302.67f, kWords);
    if (row.hole) {
        // Where a raised exponent went to a line of its own.
        for (std::size_t i = right.size() - 5; i < right.size(); ++i) {
            right[i].x0 += 6.65f;
            right[i].x1 += 6.65f;
        }
    }
    specs.insert(specs.end(), right.begin(), right.end());
    std::vector<Glyph> glyphs = make_glyphs(specs);
    if (row.margin_glyph) {
        // One letter of a copyright line set upwards in the left margin: its
        // baseline (the origin's y) lies 1.84 above the row's.
        Glyph g = test::make_glyph({"e", 0, 0, 9.15f, 0}, static_cast<std::uint32_t>(glyphs.size()));
        g.matrix = {0, 9.15f, -9.15f, 0, 23.65f, 495.74f};
        g.bbox = {16.34f, 495.74f, 25.48f, 500.83f};
        glyphs.push_back(g);
    }
    return glyphs;
}

// Rows of two columns on one baseline form one glyph line; whether its runs
// keep the columns apart depends on the gap rules alone. A space glyph at the
// end of the left column counts in the gutter (gaps are measured between
// neighbouring glyphs' boxes, blank or not), and a turned glyph in the margin
// takes part in the line until it is skipped later, after the runs are cut.
TEST(GroupGlyphLines, TwoColumnsOnOneBaseline) {
    const std::string left = run_texts({test::refs(make_glyphs(column_words('l', 0, 10)))})[0];
    const std::string right = run_texts({test::refs(make_glyphs(column_words('r', 0, 10)))})[0];
    struct Case {
        const char* name;
        GutterRow row;
        std::vector<std::string> runs;
    } cases[] = {
        {"a gutter of 11.26 exceeds T = 1.25 × 9 = 11.25: cut", {}, {left, right}},
        {"a trailing space glyph narrows it to 9.22, still the widest gap (the first wide-row rule): cut",
         {.trailing_space = true}, {left + " ", right}},
        {"with a gap of 6.65 elsewhere too, 9.22 is below 1.45 × 6.65 and 1.15 × 9: one run",
         {.trailing_space = true, .hole = true}, {left + " " + right}},
        {"a margin glyph of size 9.15 raises T to 11.44; 11.26 is still at least 1.15 × 9.15 (the second rule): cut",
         {.margin_glyph = true}, {"e", left, right}},
        {"a margin glyph and a trailing space: the margin gap of 17.04 is the widest and 9.22 below 1.15 × 9.15: "
         "one run beside the margin glyph",
         {.trailing_space = true, .margin_glyph = true}, {"e", left + " " + right}},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = gutter_row(c.row);
        EXPECT_EQ(run_texts(group_glyph_lines(glyphs)), c.runs) << c.name;
    }
}

TEST(SegmentGlyphs, EmptyAndUnmappedInputsGiveEmptyResults) {
    SegmentationResult empty = segment_glyphs({}, false, false, {}, {});
    EXPECT_TRUE(empty.segments.empty());
    EXPECT_TRUE(empty.skipped.empty());
    std::vector<Glyph> glyphs = make_glyphs(word("abc", 100));
    for (Glyph& g : glyphs) g.unmapped = true;
    SegmentationResult unmapped = segment_glyphs(glyphs, true, true, {}, {});
    EXPECT_TRUE(unmapped.segments.empty());
    EXPECT_TRUE(unmapped.skipped.empty());
}

TEST(SegmentGlyphs, RotatedGlyphsAreMarginSkips) {
    struct Case {
        const char* name;
        Matrix matrix;
        bool skipped;
    } cases[] = {
        {"turned by 90 degrees", {0, 10, -10, 0, 0, 0}, true},
        {"nearly turned", {1, 10, -10, 1, 0, 0}, true},
        {"a too large", {3, 10, -10, 0, 0, 0}, false},
        {"upright", {10, 0, 0, 10, 0, 0}, false},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = make_glyphs(word("ab", 100));
        glyphs[1].matrix = c.matrix;
        glyphs[1].matrix[4] = 105;
        glyphs[1].matrix[5] = 700;
        SegmentationResult result = segment_glyphs(glyphs, false, false, {}, {});
        if (c.skipped) {
            ASSERT_EQ(result.skipped.size(), 1u) << c.name;
            EXPECT_EQ(result.skipped[0].glyph_id, 1u) << c.name;
            EXPECT_EQ(result.skipped[0].reason, "margin") << c.name;
        } else {
            EXPECT_TRUE(result.skipped.empty()) << c.name;
        }
    }
}

TEST(BuildLineGroups, RunsOfRotatedGlyphsOnlyLeaveNoLine) {
    std::vector<Glyph> glyphs = make_glyphs(join({word("ab", 100), word("cd", 100, 10, 650)}));
    glyphs[2].matrix = {0, 10, -10, 0, 100, 650};
    glyphs[3].matrix = {0, 10, -10, 0, 105, 650};
    LineGrouping grouping = build_line_groups(group_glyph_lines(glyphs), false, false, {}, {});
    std::size_t lines = 0;
    for (const LineGroup& g : grouping.groups) lines += g.lines.size();
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(grouping.skipped.size(), 2u);
}

}  // namespace
}  // namespace zvk
