// Contents entries lose their dot leaders and page numbers; their titles stay
// as lines flagged toc_trimmed.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "segment/line_fixture.h"
#include "segment/toc_trim.h"

namespace zvk {
namespace {

TEST(TocTrim, DotLeaders) {
    struct Case {
        const char* text;
        bool leaders;
    } cases[] = {
        {"....", true},           {"...", false},        {". . . .", true},
        {"\u2026\u2026\u2026\u2026", true}, {"\u00b7\u2022\u2024\u2027\u22c5", true},
        {"....a", false},         {"", false},           {"  ", false},
    };
    for (const Case& c : cases) EXPECT_EQ(has_dot_leaders(c.text), c.leaders) << c.text;
}

TEST(TocTrim, PageNumberLike) {
    struct Case {
        const char* text;
        bool number;
    } cases[] = {
        {"3", true},  {" 12 ", true}, {"999", true}, {"1000", false}, {"iv", true}, {"XII", true},
        {"v", false}, {"ivx", false}, {"", false},   {"3a", false},   {"mmxx", true},
    };
    for (const Case& c : cases) EXPECT_EQ(is_page_number_like(c.text), c.number) << c.text;
}

TEST(TocTrim, LeaderItemsJoinWhenCloserThan14) {
    struct Case {
        float second_at;
        std::size_t items;
    } cases[] = {{110.0f, 1}, {113.9f, 1}, {114.0f, 2}, {120.0f, 2}};
    for (const Case& c : cases) {
        std::vector<TocItem> items{{{1}, "....", 80, 100}, {{2}, "....", c.second_at, c.second_at + 20}};
        std::vector<TocItem> joined = join_leader_items(items);
        ASSERT_EQ(joined.size(), c.items) << c.second_at;
        if (c.items == 1) {
            EXPECT_EQ(joined[0].text, "........");
            EXPECT_EQ(joined[0].ids, (std::vector<std::uint32_t>{1, 2}));
            EXPECT_EQ(joined[0].b, c.second_at + 20);
        }
    }
    // Only leader items join.
    std::vector<TocItem> words{{{1}, "word", 80, 100}, {{2}, "....", 105, 125}};
    EXPECT_EQ(join_leader_items(words).size(), 2u);
}

std::string skipped_text(const std::vector<SkippedGlyph>& skipped, const std::map<std::uint32_t, std::string>& text_of) {
    std::string out;
    for (const SkippedGlyph& s : skipped) {
        EXPECT_EQ(s.reason, "toc");
        out += text_of.at(s.glyph_id);
    }
    return out;
}

TEST(TocTrim, ContentsRows) {
    using Pieces = std::vector<std::pair<std::string, float>>;
    struct Case {
        const char* what;
        Pieces pieces;
        const char* trimmed;  // texts of the "toc" skips, in order
        const char* kept;     // the line's text afterwards ("" when dropped)
    } cases[] = {
        {"title, leaders and number apart", {{"Introduction", 100}, {"......", 170}, {"3", 210}}, "......3",
         "Introduction"},
        {"leaders run on from the title", {{"Introduction.....", 100}, {"12", 195}}, "12.....", "Introduction"},
        {"roman number after a wide gap", {{"Preface", 100}, {"iv", 150}}, "iv", "Preface"},
        {"a lone v is a word", {{"Preface", 100}, {"v", 150}}, "", "Preface v"},
        {"four digits are a year", {{"Results", 100}, {"2019", 150}}, "", "Results 2019"},
        {"number close to its title, no entry after", {{"Chapter", 100}, {"7", 141}, {"then", 160}}, "",
         "Chapter 7 then"},
        {"number close to its title, another entry after", {{"Chapter", 100}, {"7", 141}, {"More", 160}}, "7",
         "ChapterMore"},  // 25 units apart: too far for a word space
        {"number 0.8 sizes after its title", {{"Chapter", 100}, {"7", 143}, {"then", 160}}, "7", "Chapterthen"},
        {"section number stays with its title", {{"2.2.1 Networks", 100}, {"......", 200}, {"14", 240}},
         "......14", "2.2.1 Networks"},
        {"a bare leader row goes whole", {{"....", 100}, {"9", 140}}, "....9", ""},
        {"plain prose", {{"The cat sat on 3 mats", 100}}, "", "The cat sat on 3 mats"},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        std::vector<TextLine> lines{pool.pieces(c.pieces, 500)};
        std::map<std::uint32_t, std::string> text_of;
        for (const Glyph* g : lines[0].glyphs) text_of[g->id] = g->unicode;
        std::vector<SkippedGlyph> skipped;
        trim_table_of_contents(lines, skipped);
        EXPECT_EQ(skipped_text(skipped, text_of), c.trimmed) << c.what;
        if (*c.kept == '\0') {
            EXPECT_TRUE(lines.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0].text, c.kept) << c.what;
        EXPECT_EQ(lines[0].toc_trimmed, *c.trimmed != '\0') << c.what;
    }
}

// A trimmed line is rebuilt in left-edge order with its measures anew; lines
// around it keep their order and their flags.
TEST(TocTrim, RebuildsOnlyTrimmedLines) {
    test::LinePool pool;
    std::vector<TextLine> lines{pool.line("Contents", 100, 600), pool.pieces({{"Methods", 100}, {"......", 150}, {"5", 190}}, 580),
                                pool.line("Some words", 100, 560)};
    std::vector<SkippedGlyph> skipped;
    trim_table_of_contents(lines, skipped);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "Contents");
    EXPECT_FALSE(lines[0].toc_trimmed);
    EXPECT_EQ(lines[1].text, "Methods");
    EXPECT_TRUE(lines[1].toc_trimmed);
    EXPECT_FLOAT_EQ(lines[1].x1, 135.0f);  // the leaders no longer count
    EXPECT_EQ(lines[2].text, "Some words");
    EXPECT_EQ(skipped.size(), 7u);
}

}  // namespace
}  // namespace zvk
