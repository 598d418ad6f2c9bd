// Line runs: second rows and column gaps.
#include <gtest/gtest.h>

#include "segment/glyph_fixture.h"
#include "segment/line_runs.h"

namespace zvk {
namespace {

using test::GlyphSpec;
using test::run_texts;

// Glyphs of `text` 5 units wide from x, touching.
void add_word(std::vector<GlyphSpec>& specs, const std::string& text, float x, float size = 10, float baseline = 700) {
    for (char c : text) {
        specs.push_back({std::string(1, c), x, x + 5, size, baseline});
        x += 5;
    }
}

std::vector<std::string> column_runs(const std::vector<GlyphSpec>& specs) {
    std::vector<Glyph> glyphs = test::make_glyphs(specs);
    return run_texts(split_line_at_column_gaps(test::refs(glyphs)));
}

TEST(SplitLineAtColumnGaps, Cuts) {
    struct Case {
        const char* name;
        std::vector<GlyphSpec> glyphs;
        std::vector<std::string> runs;
    };
    std::vector<Case> cases;
    {
        Case c{"two glyphs 30 apart are cut (T = 24)", {}, {"a", "b"}};
        add_word(c.glyphs, "a", 100);
        add_word(c.glyphs, "b", 135);
        cases.push_back(c);
    }
    {
        Case c{"two glyphs 20 apart are kept", {}, {"ab"}};
        add_word(c.glyphs, "a", 100);
        add_word(c.glyphs, "b", 125);
        cases.push_back(c);
    }
    {
        Case c{"a caption label keeps its title 20 units later", {}, {"Fig. 3:Results"}};
        add_word(c.glyphs, "Fig. 3:", 100);
        add_word(c.glyphs, "Results", 155);
        cases.push_back(c);
    }
    {
        // 3.5 × the median gap (0) is below 1.25 s, so T = 12.5: a gap of 20
        // cuts a plain label.
        Case c{"a plain label is cut from a word 20 units later", {}, {"Word 3:", "Results"}};
        add_word(c.glyphs, "Word 3:", 100);
        add_word(c.glyphs, "Results", 155);
        cases.push_back(c);
    }
    {
        Case c{"a separate page number is not cut from its entry", {}, {"Introduction 12Next"}};
        add_word(c.glyphs, "Introduction", 100);
        add_word(c.glyphs, " ", 160);
        add_word(c.glyphs, "12", 167);
        add_word(c.glyphs, "Next", 197);
        cases.push_back(c);
    }
    {
        Case c{"trailing brackets after 1.15 s following 8 s of text are cut", {}, {"somewordsandmore", "()"}};
        add_word(c.glyphs, "somewordsandmore", 100);
        add_word(c.glyphs, "()", 192);
        cases.push_back(c);
    }
    {
        Case c{"a trailing (a) is not cut by the bracket rule", {}, {"somewordsandmore(a)"}};
        add_word(c.glyphs, "somewordsandmore", 100);
        add_word(c.glyphs, "(a)", 192);
        cases.push_back(c);
    }
    for (const Case& c : cases) EXPECT_EQ(column_runs(c.glyphs), c.runs) << c.name;
}

TEST(SplitLineAtColumnGaps, EveryGlyphOnceInOrder) {
    std::vector<GlyphSpec> specs;
    add_word(specs, "left", 100);
    add_word(specs, "mid", 200);
    add_word(specs, "right", 300);
    std::vector<Glyph> glyphs = test::make_glyphs(specs);
    std::vector<GlyphRun> runs = split_line_at_column_gaps(test::refs(glyphs));
    std::vector<const Glyph*> all;
    for (const GlyphRun& run : runs) {
        EXPECT_FALSE(run.empty());
        all.insert(all.end(), run.begin(), run.end());
    }
    EXPECT_EQ(all, test::refs(glyphs));
    EXPECT_EQ(run_texts(runs), (std::vector<std::string>{"left", "mid", "right"}));
}

TEST(SplitLineRuns, SecondRows) {
    // Body text with a row of small glyphs 4 units lower, overlapping it.
    auto line_with_row = [](std::size_t row_glyphs, std::size_t body_glyphs) {
        std::vector<GlyphSpec> specs;
        for (std::size_t i = 0; i < body_glyphs; ++i) {
            float x = 100 + 5 * static_cast<float>(i);
            specs.push_back({"b", x, x + 5, 10, 700});
        }
        for (std::size_t i = 0; i < row_glyphs; ++i) {
            float x = 101 + 3 * static_cast<float>(i);
            specs.push_back({"s", x, x + 3, 6, 696});
        }
        return specs;
    };
    struct Case {
        const char* name;
        std::vector<GlyphSpec> glyphs;
        std::vector<std::string> runs;
    } cases[] = {
        {"four interleaved small glyphs form a second row", line_with_row(4, 10), {"bbbbbbbbbb", "ssss"}},
        {"three do not", line_with_row(3, 10), {"bssbsbbbbbbbb"}},
        {"fewer than 8 glyphs in all are one run", line_with_row(4, 3), {"bssbsbs"}},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = test::make_glyphs(c.glyphs);
        EXPECT_EQ(run_texts(split_line_runs(test::refs(glyphs))), c.runs) << c.name;
    }
}

TEST(EndsWithSeparateShortNumber, Table) {
    struct Case {
        const char* name;
        std::vector<GlyphSpec> glyphs;
        bool expected;
    } cases[] = {
        {"a number after a gap", {{"a", 0, 5}, {"1", 10, 15}, {"2", 15, 20}}, true},
        {"trailing blanks are passed over", {{"a", 0, 5}, {"7", 10, 15}, {" ", 15, 18}}, true},
        {"four digits", {{"a", 0, 5}, {"1", 10, 15}, {"2", 15, 20}, {"3", 20, 25}, {"4", 25, 30}}, false},
        {"the number takes every glyph", {{"1", 0, 5}, {"2", 5, 10}}, false},
        {"glued to the word", {{"a", 0, 5}, {"1", 5, 10}}, false},
        {"a letter ends it", {{"a", 0, 5}, {"x", 10, 15}}, false},
        {"after a space glyph", {{"a", 0, 5}, {" ", 5, 7}, {"9", 7, 12}}, true},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = test::make_glyphs(c.glyphs);
        EXPECT_EQ(ends_with_separate_short_number(test::refs(glyphs)), c.expected) << c.name;
    }
}

TEST(ShortLineCaptionKind, Table) {
    std::vector<GlyphSpec> label;
    add_word(label, "Table 2.", 0);
    std::vector<Glyph> glyphs = test::make_glyphs(label);
    EXPECT_EQ(short_line_caption_kind(test::refs(glyphs), 20, 10), CaptionKind::Table);
    EXPECT_EQ(short_line_caption_kind(test::refs(glyphs), 25, 10), std::nullopt) << "gap above max(2 size, 24)";
    EXPECT_EQ(short_line_caption_kind(test::refs(glyphs), 20, 3), std::nullopt) << "wider than 12 size";
    EXPECT_EQ(short_line_caption_kind({}, 0, 10), std::nullopt);
}

}  // namespace
}  // namespace zvk
