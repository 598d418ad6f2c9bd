// The "margin" passes: turned glyphs, rule columns, rule-character lines,
// margin lines and margin columns; and skipping glyphs by id.
#include "segment/margin_passes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "segment/pass_fixture.h"

namespace zvk {
namespace {

using test::GlyphStore;

std::set<std::uint32_t> skipped_ids(const std::vector<SkippedGlyph>& skipped, const std::string& reason) {
    std::set<std::uint32_t> out;
    for (const SkippedGlyph& s : skipped) {
        EXPECT_EQ(s.reason, reason);
        out.insert(s.glyph_id);
    }
    return out;
}

TEST(MarginPasses, TurnedGlyphs) {
    struct Case {
        Matrix matrix;
        bool turned;
    } cases[] = {
        {{0, 10, -10, 0, 0, 0}, true},
        {{1, 10, -10, 1, 0, 0}, true},
        {{2.5f, 10, -10, 2.5f, 0, 0}, true},
        {{3, 10, -10, 0, 0, 0}, false},
        {{10, 0, 0, 10, 0, 0}, false},
        {{0, 1, -1, 0, 0, 0}, false},  // |b| and |c| must exceed 1
    };
    for (const Case& c : cases) {
        Glyph g;
        g.matrix = c.matrix;
        EXPECT_EQ(is_rotated_glyph(g), c.turned) << c.matrix[0] << " " << c.matrix[1];
    }
}

TEST(MarginPasses, SkipGlyphsByIdRebuildsLosersAndResetsFlags) {
    GlyphStore store;
    std::vector<TextLine> lines = {store.line("ab", 100, 700), store.line("cd", 100, 680), store.line("ef", 100, 660)};
    for (TextLine& line : lines) {
        line.toc_trimmed = true;
        line.ends_row = false;
    }
    // No id: nothing changes, flags included.
    EXPECT_TRUE(skip_glyphs_by_id(lines, {}, "ocr").empty());
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[2].toc_trimmed);

    // b (id 1) leaves the first line, c and d (2, 3) the whole second line.
    std::vector<SkippedGlyph> out = skip_glyphs_by_id(lines, {3, 1, 2}, "ocr");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].glyph_id, 1u);
    EXPECT_EQ(out[1].glyph_id, 2u);
    EXPECT_EQ(out[2].glyph_id, 3u);
    EXPECT_EQ(out[0].reason, "ocr");
    EXPECT_EQ(test::line_texts(lines), (std::vector<std::string>{"a", "ef"}));
    EXPECT_FLOAT_EQ(lines[0].x1, 105.0f);
    for (const TextLine& line : lines) {
        EXPECT_FALSE(line.toc_trimmed);
        EXPECT_TRUE(line.ends_row);
    }
}

TEST(MarginPasses, TableRuleText) {
    const std::pair<std::string, bool> cases[] = {
        {"|", true}, {" || ", true}, {"|||", false}, {"1", true}, {"I", true}, {"=", true},
        {"\u2550", true}, {"\u2500\u257F", true}, {"\u00A6\u00A7", true}, {"\u2016", true},
        {"l", false}, {"", false}, {"  ", false}, {"12", false}, {"|a", false},
    };
    for (const auto& [text, rule] : cases) EXPECT_EQ(is_table_rule_text(text), rule) << text;
}

// Body text from x 50 with a mark at `x` on each baseline: the marks of a
// column go, the body stays.
TEST(MarginPasses, RuleColumns) {
    struct Case {
        const char* name;
        std::vector<float> xs;
        std::vector<float> ys;
        bool column;
    } cases[] = {
        {"four baselines", {200, 200, 200, 200}, {700, 690, 680, 670}, true},
        {"half a unit apart", {200, 200, 200, 200}, {100.0f, 100.5f, 101.0f, 101.5f}, true},
        {"two share trunc(2y)", {200, 200, 200, 200}, {100.0f, 100.4f, 100.8f, 101.2f}, false},
        {"three baselines", {200, 200, 200}, {700, 690, 680}, false},
        {"within 4 of the first", {200, 203.9f, 200, 203.9f}, {700, 690, 680, 670}, true},
        {"drifting", {200, 204, 208, 212}, {700, 690, 680, 670}, false},
    };
    for (const Case& c : cases) {
        GlyphStore store;
        std::vector<TextLine> lines;
        std::set<std::uint32_t> marks;
        for (std::size_t i = 0; i < c.xs.size(); ++i) {
            std::vector<const Glyph*> run = store.word("word", 50, c.ys[i]);
            const Glyph* bar = store.glyph("|", c.xs[i], c.xs[i] + 2, c.ys[i]);
            marks.insert(bar->id);
            run.push_back(bar);
            lines.push_back(build_text_line(run));
        }
        std::vector<SkippedGlyph> skipped;
        skip_rule_columns(lines, skipped);
        EXPECT_EQ(skipped_ids(skipped, "margin"), c.column ? marks : std::set<std::uint32_t>{}) << c.name;
        EXPECT_EQ(lines.size(), c.xs.size()) << c.name;
        EXPECT_EQ(lines[0].text, c.column ? "word" : "word|") << c.name;
    }
}

// Bars at the left of the body (line numbers set between rules), lines of
// bars alone, and short tokens standing in the column on its page only.
TEST(MarginPasses, RuleColumnsTakeLeftRunsBarRowsAndTokensInTheColumn) {
    GlyphStore store;
    std::vector<TextLine> lines;
    std::set<std::uint32_t> expected;
    for (float y : {700.0f, 690.0f}) {
        std::vector<const Glyph*> run = store.word("|", 40, y);
        expected.insert(run[0]->id);
        lines.push_back(build_text_line(test::join(run, store.word("body", 70, y))));
    }
    // Two bars alone on a line, the column x the smaller one.
    for (float y : {680.0f, 670.0f}) {
        std::vector<const Glyph*> run = {store.glyph("|", 40, 42, y), store.glyph("|", 300, 302, y)};
        for (const Glyph* g : run) expected.insert(g->id);
        lines.push_back(build_text_line(run));
    }
    // Lone short tokens ("12", "ab") are no rules, but go when they stand in
    // the column; on the next page "12" stays, and so does "ab" away from
    // the column.
    for (const char* text : {"12", "ab"}) {
        const Glyph* token = store.glyph(text, 41, 51, 660);
        expected.insert(token->id);
        lines.push_back(build_text_line({token}));
    }
    lines.push_back(build_text_line({store.glyph("12", 41, 51, 660, 10, 1)}));
    lines.push_back(build_text_line({store.glyph("ab", 120, 130, 640)}));

    std::vector<SkippedGlyph> skipped;
    skip_rule_columns(lines, skipped);
    EXPECT_EQ(skipped_ids(skipped, "margin"), expected);
    EXPECT_EQ(test::line_texts(lines), (std::vector<std::string>{"body", "body", "12", "ab"}));
}

TEST(MarginPasses, RuleCharacterLines) {
    const std::pair<std::string, bool> cases[] = {
        {std::string(30, '|'), true},
        {"abcdefghijklmnopqrstuvwxyzabcd", false},
        {std::string(23, '|'), false},  // fewer than 24 characters
        {std::string(20, 'i') + "abcd", true},   // 5 × 20 ≥ 4 × 24
        {std::string(19, 'l') + "abcde", false},  // 5 × 19 < 4 × 24
        {"| | | | | | | | | | | | | | | | | | | | | | | |", true},  // spaces do not count
        {"!1FI[]^fil|!1FI[]^fil|!1FI", true},
    };
    for (const auto& [text, rule] : cases) {
        GlyphStore store;
        std::vector<TextLine> lines = {store.line(text, 50, 700), store.line("kept line", 50, 680)};
        const std::size_t glyphs = lines[0].glyphs.size();
        std::vector<SkippedGlyph> skipped;
        skip_rule_character_lines(lines, skipped);
        EXPECT_EQ(skipped.size(), rule ? glyphs : 0u) << text;
        EXPECT_EQ(lines.back().text, "kept line");
        EXPECT_EQ(lines.size(), rule ? 1u : 2u) << text;
    }
}

TEST(MarginPasses, MarginLines) {
    struct Case {
        const char* name;
        std::vector<std::string> texts;
        float x0;
        float width;  // of each glyph
        float size;
        bool margin;
    } cases[] = {
        {"big letter at the edge", {"A"}, 40, 15, 20, true},
        {"at x0 56", {"A"}, 56, 15, 20, true},
        {"right of 56", {"A"}, 56.5f, 15, 20, false},
        {"two glyphs, 22 wide", {"A", "B"}, 30, 11, 14, true},
        {"too wide", {"A", "B"}, 30, 11.5f, 14, false},
        {"too small", {"A"}, 40, 10, 13.9f, false},
        {"three glyphs", {"A", "B", "C"}, 30, 5, 20, false},
    };
    for (const Case& c : cases) {
        GlyphStore store;
        std::vector<const Glyph*> run;
        float x = c.x0;
        for (const std::string& t : c.texts) {
            run.push_back(store.glyph(t, x, x + c.width, 500, c.size));
            x += c.width;
        }
        std::vector<TextLine> lines = {build_text_line(run)};
        GlyphIdSet ids;
        std::vector<SkippedGlyph> skipped;
        skip_margin_lines(lines, ids, skipped);
        EXPECT_EQ(skipped.size(), c.margin ? c.texts.size() : 0u) << c.name;
        EXPECT_EQ(ids.size(), skipped.size()) << c.name;
        // The glyphs stay in their line until pruning.
        EXPECT_EQ(lines[0].glyphs.size(), c.texts.size()) << c.name;
    }
}

// Eight letters of size 20 stacked at x 30 on baselines 100 apart (a thumb
// index), each a line of its own, and maybe a neighbour line right of the
// first one.
struct Neighbour {
    std::string text;
    float dx;  // from the first letter's origin
    float dy;  // from its baseline
};

std::size_t margin_column_count(std::size_t letters, float odd_x, const std::vector<Neighbour>& neighbours) {
    GlyphStore store;
    std::vector<TextLine> lines;
    for (std::size_t i = 0; i < letters; ++i) {
        const float x = i == letters - 1 ? odd_x : 30.0f;
        lines.push_back(build_text_line({store.glyph("A", x, x + 14, 800 - 100.0f * static_cast<float>(i), 20)}));
    }
    for (const Neighbour& n : neighbours) lines.push_back(store.line(n.text, 30 + n.dx, 800 + n.dy));
    GlyphIdSet ids;
    std::vector<SkippedGlyph> skipped;
    skip_margin_columns(lines, ids, skipped);
    EXPECT_EQ(ids.size(), skipped.size());
    return skipped.size();
}

TEST(MarginPasses, MarginColumns) {
    struct Case {
        const char* name;
        std::size_t letters;
        float odd_x;
        std::vector<Neighbour> neighbours;
        std::size_t margin;
    } cases[] = {
        {"eight stacked", 8, 30, {}, 8},
        {"seven are too few", 7, 30, {}, 0},
        {"one 10 from the median", 8, 40, {}, 7},
        {"one 4 from the median", 8, 34, {}, 8},
        {"a letter 0.5 s right on the baseline", 8, 30, {{"a", 10, 0}}, 7},
        {"a digit", 8, 30, {{"2", 10, 0}}, 7},
        {"an accented letter", 8, 30, {{"\u00E9", 10, 0}}, 7},
        {"a superscript two", 8, 30, {{"\u00B2", 10, 0}}, 7},
        {"only punctuation", 8, 30, {{".", 10, 0}}, 8},
        {"beyond 1.25 s", 8, 30, {{"a", 26, 0}}, 8},
        {"at 1.25 s", 8, 30, {{"a", 25, 0}}, 7},
        {"within 0.3", 8, 30, {{"a", 0.25f, 0}}, 8},
        {"a baseline 0.5 s away", 8, 30, {{"a", 10, 10}}, 8},
        {"a baseline 0.45 s away", 8, 30, {{"a", 10, 9}}, 7},
    };
    for (const Case& c : cases) EXPECT_EQ(margin_column_count(c.letters, c.odd_x, c.neighbours), c.margin) << c.name;
}

TEST(MarginPasses, MarginLinesAndColumnsRecordEachGlyphOnce) {
    GlyphStore store;
    std::vector<TextLine> lines;
    for (int i = 0; i < 8; ++i) {
        lines.push_back(build_text_line({store.glyph("A", 30, 44, 800 - 100.0f * static_cast<float>(i), 20)}));
    }
    GlyphIdSet ids;
    std::vector<SkippedGlyph> skipped;
    skip_margin_lines(lines, ids, skipped);
    EXPECT_EQ(skipped.size(), 8u);
    skip_margin_columns(lines, ids, skipped);
    EXPECT_EQ(skipped.size(), 8u);
    EXPECT_EQ(skipped_ids(skipped, "margin").size(), 8u);
}

}  // namespace
}  // namespace zvk
