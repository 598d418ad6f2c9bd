#include "rewrite/structure/glyph_predicates.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <vector>

#include "rewrite/placement/run_folds.h"
#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

Glyph glyph(const std::string& text, float size = 10, std::uint32_t id = 0) {
    Glyph g = test::make_glyph({.text = text, .x0 = 100, .x1 = 105, .size = size, .baseline = 500,
                                .font = "Courier"},
                               id);
    return g;
}

TEST(StructurePredicates, LargeNonAccentGlyph) {
    struct Case {
        float size;
        std::string text;
        bool large;
    };
    const std::vector<Case> cases = {
        {8.4f, "a", false}, {8.5f, "a", true}, {12, "\u0302", false}, {12, " \u02C6 ", false},
        {12, "\uF8F8", false}, {12, "", true}, {std::numeric_limits<float>::quiet_NaN(), "a", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_large_non_accent_glyph(10, glyph(c.text, c.size)), c.large) << c.size << c.text;
}

TEST(StructurePredicates, UnclaimedMonospaceGlyph) {
    const GlyphIdSet placed = {5};
    Glyph plain = glyph("x", 10, 1);
    EXPECT_TRUE(is_unclaimed_monospace_glyph(0, placed, plain));
    EXPECT_FALSE(is_unclaimed_monospace_glyph(1, placed, plain)) << "another page";
    Glyph invisible = plain;
    invisible.invisible = true;
    Glyph empty = glyph("", 10, 1);
    Glyph claimed = glyph("x", 10, 5);
    Glyph serif = plain;
    serif.font_name = "Times-Roman";
    Glyph turned = plain;
    turned.matrix = {0, 10, -10, 0, 100, 500};
    Glyph turned_slightly = plain;
    turned_slightly.matrix = {2, 10, -10, 2, 100, 500};
    Glyph upright = plain;
    upright.matrix = {3, 10, -10, 3, 100, 500};
    for (const Glyph* g : {&invisible, &empty, &claimed, &serif, &turned, &turned_slightly}) {
        EXPECT_FALSE(is_unclaimed_monospace_glyph(0, placed, *g)) << g->unicode << g->font_name;
    }
    EXPECT_TRUE(is_unclaimed_monospace_glyph(0, placed, upright)) << "3 > 0.25 × 10: not turned";
}

TEST(StructurePredicates, SetsAndContentsLabels) {
    const std::unordered_map<std::uint32_t, std::string> words = {{2, "toc"}};
    EXPECT_TRUE(is_in_set_not_excluded({1, 2}, words, 1));
    EXPECT_FALSE(is_in_set_not_excluded({1, 2}, words, 2));
    EXPECT_FALSE(is_in_set_not_excluded({}, words, 1));

    Glyph seven = glyph("7", 10, 3);
    EXPECT_TRUE(is_toc_page_label_candidate({3}, {}, seven));
    EXPECT_FALSE(is_toc_page_label_candidate({}, {}, seven)) << "neither selected nor kept as contents";
    EXPECT_FALSE(is_toc_page_label_candidate({3}, {3}, seven)) << "excluded";
    seven.disposition = GlyphDisposition::kept_original("toc");
    EXPECT_TRUE(is_toc_page_label_candidate({}, {}, seven));
    seven.disposition = GlyphDisposition::kept_original("tocs");
    EXPECT_FALSE(is_toc_page_label_candidate({}, {}, seven));
    EXPECT_FALSE(is_toc_page_label_candidate({4}, {}, glyph("12", 10, 4)));
    EXPECT_TRUE(is_toc_page_label_candidate({4}, {}, glyph(" v ", 10, 4)));
}

TEST(StructurePredicates, TextBuilders) {
    EXPECT_EQ(remove_whitespace("a\u00A0b c\u3000d\te"), "abcde");
    EXPECT_EQ(remove_whitespace("a\u200Bb"), "a\u200Bb") << "zero width space is no White_Space";
    const std::vector<Glyph> glyphs = {glyph(" 2 "), glyph("."), glyph("\t1"), glyph(" ")};
    EXPECT_EQ(concat_glyph_texts(test::refs(glyphs)), "2.1");
}

TEST(StructurePredicates, LargestCountEntry) {
    EXPECT_EQ(largest_count_entry({3, 5}, {{4, 7}}), (PageCount{4, 7}));
    // Equal counts: the entry met last (the highest page) wins, the first
    // entry included.
    EXPECT_EQ(largest_count_entry({9, 5}, {{2, 5}, {4, 5}}), (PageCount{4, 5}));
    EXPECT_EQ(largest_count_entry({1, 8}, {{2, 5}, {4, 7}}), (PageCount{1, 8}));
    EXPECT_EQ(largest_count_entry({1, 8}, {}), (PageCount{1, 8}));
    std::set<std::size_t> target = {1};
    extend_index_set_from_set(target, std::set<std::size_t>{2, 3});
    EXPECT_EQ(target, (std::set<std::size_t>{1, 2, 3}));
}

TEST(RunFolds, JoinedTextsAndHighestBaseline) {
    std::vector<TextRun> runs(3);
    runs[0].text = "a ";
    runs[1].text = "b";
    runs[2].text = "c";
    runs[0].baseline = 700;
    runs[1].baseline = std::numeric_limits<float>::quiet_NaN();
    runs[2].baseline = 710;
    const std::vector<std::size_t> positions = {2, 0, 2};
    EXPECT_EQ(join_run_texts_by_index(positions, runs), "ca c");
    const std::vector<const TextRun*> first = {&runs[0], &runs[1]};
    const std::vector<const TextRun*> second = {&runs[2]};
    EXPECT_FLOAT_EQ(max_run_baseline(first, second, -3.4028235e38f), 710);
    EXPECT_FLOAT_EQ(max_run_baseline(first, {}, -3.4028235e38f), 700);
    EXPECT_FLOAT_EQ(max_run_baseline({}, {}, -3.4028235e38f), -3.4028235e38f);
}

}  // namespace
}  // namespace zvk::rewrite
