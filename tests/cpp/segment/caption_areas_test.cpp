// Captions and the figure and table areas that grow from them; the line
// tests that stop an area; contents titles that never lose their text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "segment/area_predicates.h"
#include "segment/caption_areas.h"
#include "segment/line_fixture.h"

namespace zvk {
namespace {

constexpr const char* kBody = "The body text of this page runs on in its own face";

TEST(CaptionAreas, TitleAndLabelTests) {
    struct Case {
        const char* text;
        bool title_words, short_title, block_label;
    } cases[] = {
        {"Related Work", true, true, false},
        {"Related work", false, true, false},
        {"The Seven Words Of A Long Title", false, true, false},
        {"Results, and more", false, false, false},
        {"It ends here.", false, false, false},
        {"Abc", true, false, false},
        {"Definition 3 (Area)", true, true, true},
        {"Note: this", false, false, true},
        {"Notes on things", false, true, false},
        {"Proof, continued", false, false, false},
        {"3. Theorem 2", true, true, true},
        {"theorem 2", false, true, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_title_words(c.text), c.title_words) << c.text;
        EXPECT_EQ(is_short_title(c.text), c.short_title) << c.text;
        EXPECT_EQ(starts_with_block_label(c.text), c.block_label) << c.text;
    }
}

TEST(CaptionAreas, PageBodyFont) {
    test::LinePool pool;
    // Equal totals: the font seen first wins, whichever it is.
    for (const char* first : {"Times-Roman", "Helvetica"}) {
        const char* second = std::string(first) == "Times-Roman" ? "Helvetica" : "Times-Roman";
        std::vector<TextLine> lines{pool.line(kBody, 60, 700, 10, 0, first), pool.line(kBody, 60, 680, 10, 0, second)};
        std::vector<std::size_t> page{0, 1};
        EXPECT_EQ(page_body_font(lines, page), first);
    }
    // Lines under a table caption do not count while others remain.
    std::vector<TextLine> lines{pool.line("Table 1: Sizes", 60, 700), pool.line(kBody, 60, 680, 10, 0, "Courier"),
                                pool.line(kBody, 60, 660, 10, 0, "Courier"), pool.line(kBody, 60, 300)};
    std::vector<std::size_t> page{0, 1, 2, 3};
    EXPECT_EQ(page_body_font(lines, page), "Times-Roman");
    std::vector<std::size_t> first_three{0, 1, 2};
    EXPECT_EQ(page_body_font(lines, first_three), "Courier");  // nothing else: all lines count
    EXPECT_EQ(page_body_font(lines, std::vector<std::size_t>{0}), "");
}

struct LineSpec {
    const char* text;
    float x0, y, size;
};

// The texts of the lines whose glyphs all carry a skip of `reason`.
std::vector<std::string> skipped_lines(const std::vector<TextLine>& lines, const std::vector<SkippedGlyph>& skipped,
                                       const std::string& reason) {
    std::vector<std::string> out;
    for (const TextLine& line : lines) {
        std::size_t n = 0;
        for (const Glyph* g : line.glyphs) {
            for (const SkippedGlyph& s : skipped) n += s.glyph_id == g->id && s.reason == reason ? 1 : 0;
        }
        if (n == line.glyphs.size()) out.push_back(line.text);
    }
    return out;
}

TEST(CaptionAreas, AreasGrowUntilPageText) {
    using Texts = std::vector<std::string>;
    struct Case {
        const char* what;
        std::vector<LineSpec> lines;
        bool skip_figures, skip_tables;
        const char* reason;
        Texts expected;
    } cases[] = {
        {"labels above a caption, body below",
         {{"axis", 110, 460, 10}, {"legend", 110, 440, 10}, {"Figure 1: A plot.", 100, 400, 10},
          {kBody, 60, 380, 10}, {kBody, 60, 368, 10}},
         true, true, "figure", Texts{"axis", "legend"}},
        {"no figure areas without skip_figures",
         {{"axis", 110, 460, 10}, {"Figure 1: A plot.", 100, 400, 10}, {kBody, 60, 380, 10}},
         false, true, "figure", Texts{}},
        {"a heading-sized line ends the area with its row",
         {{"Big Heading", 100, 460, 16}, {"legend", 110, 440, 10}, {"side", 160, 440, 10},
          {"Figure 1: A plot.", 100, 400, 10}, {kBody, 60, 380, 10}},
         true, true, "figure", Texts{"legend", "side"}},
        {"a row further than 140 is never reached",
         {{"far", 110, 550, 10}, {"Figure 1: A plot.", 100, 400, 10}, {kBody, 60, 380, 10}},
         true, true, "figure", Texts{}},
        {"a numbered heading ends the area",
         {{"2.1 Methods Used", 100, 440, 10}, {"legend", 110, 420, 10}, {"Figure 1: A plot.", 100, 400, 10},
          {kBody, 60, 380, 10}},
         true, true, "figure", Texts{"legend"}},
        {"table rows below their caption, 4.05 sizes apart at most",
         {{kBody, 60, 440, 10}, {"Table 2: Results.", 100, 420, 10}, {"alpha 1", 100, 400, 10},
          {"beta 2", 100, 380, 10}, {"gamma 3", 100, 339, 10}},
         true, true, "table", Texts{"alpha 1", "beta 2"}},
        {"figure captions are passed over with only skip_tables",
         {{"axis", 110, 460, 10}, {"Figure 1: A plot.", 100, 400, 10}, {"Table 2: Results.", 100, 300, 10},
          {"alpha 1", 100, 280, 10}},
         false, true, "table", Texts{"alpha 1"}},
        {"no caption without its punctuation",
         {{"axis", 110, 460, 10}, {"Figure 1 shows a plot", 100, 400, 10}},
         true, true, "figure", Texts{}},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        std::vector<TextLine> lines;
        for (const LineSpec& s : c.lines) lines.push_back(pool.line(s.text, s.x0, s.y, s.size));
        std::vector<SkippedGlyph> skipped;
        caption_areas(lines, c.skip_figures, c.skip_tables, skipped);
        EXPECT_EQ(skipped_lines(lines, skipped, c.reason), c.expected) << c.what;
        for (const SkippedGlyph& s : skipped) EXPECT_EQ(s.reason, c.reason) << c.what;
    }
}

TEST(CaptionAreas, NothingWithBothFlagsOff) {
    test::LinePool pool;
    std::vector<TextLine> lines{pool.line("axis", 110, 460), pool.line("Figure 1: A plot.", 100, 400),
                                pool.line("Table 1: Sizes.", 100, 300), pool.line("cell", 100, 280)};
    std::vector<SkippedGlyph> skipped;
    caption_areas(lines, false, false, skipped);
    EXPECT_TRUE(skipped.empty());
}

TEST(CaptionAreas, TocTitlesKeepTheirText) {
    test::LinePool pool;
    std::vector<TextLine> lines{pool.line("Methods", 100, 500), pool.line("legend", 100, 480)};
    lines[0].toc_trimmed = true;
    std::vector<SkippedGlyph> skipped;
    for (const std::vector<TextLine>* l : {&lines}) {
        for (const TextLine& line : *l) {
            for (const Glyph* g : line.glyphs) {
                for (const char* reason : {"figure", "table", "margin", "code"}) skipped.push_back({g->id, reason});
            }
        }
    }
    protect_toc_trimmed(lines, skipped);
    std::vector<std::string> methods_reasons;
    std::size_t legend_records = 0;
    for (const SkippedGlyph& s : skipped) {
        if (s.glyph_id == lines[0].glyphs[0]->id) methods_reasons.push_back(s.reason);
        if (s.glyph_id == lines[1].glyphs[0]->id) ++legend_records;
    }
    EXPECT_EQ(methods_reasons, (std::vector<std::string>{"margin", "code"}));
    EXPECT_EQ(legend_records, 4u);
}

}  // namespace
}  // namespace zvk
