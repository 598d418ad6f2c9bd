// Pruning skipped glyphs out of lines, and line groups.
#include <gtest/gtest.h>

#include "segment/line_fixture.h"
#include "segment/line_groups.h"

namespace zvk {
namespace {

// Each group as the texts of its lines.
std::vector<std::vector<std::string>> group_texts(const std::vector<LineGroup>& groups) {
    std::vector<std::vector<std::string>> out;
    for (const LineGroup& g : groups) {
        std::vector<std::string> texts;
        for (const TextLine& line : g.lines) texts.push_back(line.text);
        out.push_back(texts);
        EXPECT_EQ(g.caption_targets.size(), g.lines.size());
    }
    return out;
}

TEST(GroupLines, Table) {
    test::LinePool pool;
    struct Case {
        const char* name;
        std::vector<TextLine> lines;
        std::vector<std::vector<std::string>> groups;
    };
    std::vector<Case> cases;
    // Two columns read row by row: each line joins its column's median, even
    // where the line-below rule would have matched the other column first.
    cases.push_back({"two columns",
                     {pool.line("left one", 60, 700), pool.line("right one", 311, 700), pool.line("left two", 60, 688),
                      pool.line("right two", 311, 688), pool.line("left three", 62, 676)},
                     {{"left one", "left two", "left three"}, {"right one", "right two"}}});
    cases.push_back({"a centred author line joins the author line above it",
                     {pool.line("Ann Smith, Bob Jones, Carl White", 200, 700), pool.line("Dora Brown", 240, 688)},
                     {{"Ann Smith, Bob Jones, Carl White", "Dora Brown"}}});
    cases.push_back({"a hyphenated line and the next column's top 400 units higher stay apart",
                     {pool.line("the measured val-", 60, 300), pool.line("ues of it", 311, 700)},
                     {{"the measured val-"}, {"ues of it"}}});
    cases.push_back({"a hyphen continuation indented by 30 joins",
                     {pool.line("the measured val-", 60, 300), pool.line("ues of it", 90, 288)},
                     {{"the measured val-", "ues of it"}}});
    cases.push_back({"large right-aligned titles join across pages",
                     {pool.line("A Long Title", 300, 700, 20, 0), pool.line("Subtitle", 332, 500, 20, 3)},
                     {{"A Long Title", "Subtitle"}}});
    cases.push_back({"small right-aligned lines on different pages do not",
                     {pool.line("A Long Title", 300, 700, 10, 0), pool.line("Subtitle", 316, 500, 10, 3)},
                     {{"A Long Title"}, {"Subtitle"}}});
    for (Case& c : cases) EXPECT_EQ(group_texts(group_lines(std::move(c.lines))), c.groups) << c.name;
    EXPECT_TRUE(group_lines({}).empty());
}

TEST(PruneSkippedGlyphs, Table) {
    test::LinePool pool;
    TextLine all_gone = pool.line("gone", 100, 700);
    TextLine keeps_one = pool.line("xy", 100, 680);
    TextLine keeps_blank = pool.line("ab", 100, 660);
    TextLine untouched = pool.line("cd", 100, 640);
    // The kept glyph of this line is a space: its old extents stay.
    Glyph space = test::make_glyph({" ", 300, 303, 10, 600}, 999);
    keeps_blank.glyphs.push_back(&space);
    std::vector<SkippedGlyph> skipped;
    for (const Glyph* g : all_gone.glyphs) skipped.push_back({g->id, "margin"});
    skipped.push_back({keeps_one.glyphs[0]->id, "margin"});
    for (std::size_t i = 0; i < 2; ++i) skipped.push_back({keeps_blank.glyphs[i]->id, "figure"});
    const TextLine blank_before = keeps_blank;
    std::vector<TextLine> lines = {all_gone, keeps_one, keeps_blank, untouched};
    prune_skipped_glyphs(lines, skipped);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "y");
    EXPECT_FLOAT_EQ(lines[0].x0, 105);
    EXPECT_FLOAT_EQ(lines[0].x1, 110);
    EXPECT_EQ(lines[1].text, " ");
    EXPECT_FLOAT_EQ(lines[1].x0, blank_before.x0);
    EXPECT_FLOAT_EQ(lines[1].x1, blank_before.x1);
    EXPECT_FLOAT_EQ(lines[1].y, blank_before.y);
    EXPECT_EQ(lines[2].text, "cd");
}

}  // namespace
}  // namespace zvk
