// Paragraph merging: should_merge_lines, its predicates and the rescues.
#include <gtest/gtest.h>

#include "segment/block_predicates.h"
#include "segment/captions.h"
#include "segment/line_fixture.h"
#include "segment/paragraph_merge.h"
#include "segment/toc_lines.h"

namespace zvk {
namespace {

const std::string kLong = "the measured values of the waves were larger than";  // 49 characters

TEST(ShouldMergeLines, Table) {
    test::LinePool pool;
    struct Case {
        const char* name;
        TextLine prev;
        TextLine next;
        float width;
        bool expected;
    };
    std::vector<Case> cases = {
        {"aligned body lines", pool.line(kLong, 100, 700), pool.line(kLong, 100, 688), 0, true},
        {"different pages", pool.line(kLong, 100, 700), pool.line(kLong, 100, 688, 10, 1), 0, false},
        {"too far below", pool.line(kLong, 100, 700), pool.line(kLong, 100, 684), 0, false},
        {"hyphen at 1.2 s, next 20 units right", pool.line("the measured val- ", 100, 700),
         pool.line("ues of the waves", 120, 688), 0, true},
        {"hyphen at 1.6 s", pool.line("the measured val-", 100, 700), pool.line("ues of the waves", 120, 684), 0,
         false},
        {"list number starts the next line", pool.line(kLong, 100, 700), pool.line("1. Items of the list", 100, 688),
         0, false},
        {"bullet starts the next line", pool.line(kLong, 100, 700), pool.line("\u2022 the next item here", 100, 688),
         0, false},
        {"hanging bullet item, next line 1.0 s right", pool.line("\u2022 " + kLong, 100, 700),
         pool.line(kLong, 110, 688), 0, true},
        {"hanging bullet item, next line 3 s right", pool.line("\u2022 " + kLong, 100, 700),
         pool.line(kLong, 130, 688), 0, false},
        {"indented next line opens a paragraph", pool.line(kLong, 100, 700), pool.line(kLong, 110, 688), 0, false},
        {"short next line starting upper case", pool.line(kLong, 100, 700),
         pool.line("Short Line Of Twenty", 100, 688), 0, false},
        {"short next line ending in a full stop", pool.line(kLong, 100, 700),
         pool.line("Short line of twenty.", 100, 688), 0, true},
        {"list item continued under its text", pool.line("1. " + kLong, 100, 700), pool.line(kLong, 110, 688), 0,
         true},
        {"caption continued by a lower-case line", pool.line("Figure 2. Waves of calcium", 100, 700),
         pool.line("spreading across the culture", 130, 688), 0, true},
        {"different typefaces", pool.line(kLong, 100, 700),
         pool.line(kLong, 100, 688, 10, 0, "Helvetica"), 0, false},
    };
    // Short item lines: a typical width of 400 makes both 49-character lines
    // (245 wide) items when the next starts with a capital.
    cases.push_back({"short items with a typical width", pool.line("Alpha beta gamma", 100, 700),
                     pool.line("Delta epsilon", 100, 688), 400, false});
    cases.push_back({"the same without one", pool.line("Alpha beta gamma", 100, 700),
                     pool.line("Delta epsilon.", 100, 688), 0, true});
    for (const Case& c : cases) EXPECT_EQ(should_merge_lines(c.prev, c.next, c.width), c.expected) << c.name;
}

TEST(ShouldMergeLines, CentredAuthorLines) {
    test::LinePool pool;
    TextLine authors = pool.line("Ann Smith, Bob Jones, Carl White", 200, 700);
    TextLine affiliation = pool.line("University of Somewhere", 218, 688);
    EXPECT_TRUE(is_centred_pair(authors, affiliation));
    EXPECT_TRUE(should_merge_lines(authors, affiliation, 0));
    TextLine sentence = pool.line("Ann Smith, Bob Jones, Carl White.", 200, 700);
    EXPECT_FALSE(is_centred_pair(sentence, affiliation));
}

TEST(StripListNumberPrefix, Table) {
    struct Case {
        const char* text;
        std::optional<std::string_view> rest;
    } cases[] = {
        {"1. Word", "Word"},      {"12) Word", "Word"}, {"3 Word", "Word"},  {"  7) word", "word"},
        {"1.2 Word", std::nullopt}, {"123 Word", std::nullopt}, {"(1) Word", std::nullopt}, {"7)", std::nullopt},
        {"7)word", std::nullopt}, {"7) 8", std::nullopt}, {"12", std::nullopt}, {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(strip_list_number_prefix(c.text), c.rest) << c.text;
}

TEST(MergePredicates, Texts) {
    EXPECT_TRUE(hyphen_end("conti- "));
    EXPECT_FALSE(hyphen_end("1-"));
    EXPECT_FALSE(hyphen_end("-"));
    EXPECT_TRUE(starts_with_quoted_alnum(" \u201C Quoted"));
    EXPECT_FALSE(starts_with_quoted_alnum("\u201C"));
    EXPECT_TRUE(continues_sentence("we found", "that the waves travelled"));
    EXPECT_TRUE(continues_sentence("we found", "of it"));
    EXPECT_FALSE(continues_sentence("we found.", "that the waves travelled"));
    EXPECT_FALSE(continues_sentence("we found", "bar it"));
    EXPECT_TRUE(has_number_before_title("2 Methods"));
    EXPECT_FALSE(has_number_before_title("2 methods"));
    EXPECT_TRUE(is_capitalised_word("(Smith),"));
    EXPECT_FALSE(is_capitalised_word("NASA"));
    EXPECT_TRUE(is_bare_marker(" \u2022 "));
    EXPECT_TRUE(is_bare_marker("3.1"));
    EXPECT_FALSE(is_bare_marker(""));
    EXPECT_TRUE(starts_with_dotted_number("2.1. Title"));
    EXPECT_FALSE(starts_with_dotted_number("2. Title"));
    EXPECT_TRUE(starts_like_entry("3 title"));
    EXPECT_FALSE(starts_like_entry("3. title"));
    EXPECT_TRUE(starts_separate_entry("Introduction 1", "Methods 3"));
    EXPECT_FALSE(starts_separate_entry("Figure 1", "Methods 3"));
}

TEST(BlockPredicates, BulletsAndSentences) {
    struct Case {
        const char* text;
        bool bullet;
    } cases[] = {
        {"  - word", true}, {"-1", false}, {"-", true}, {"\uF0B7 item", true}, {"* item", false}, {"1 item", false},
        {"\u2013 dash", true}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(starts_with_bullet(c.text), c.bullet) << c.text;
    EXPECT_TRUE(ends_sentence("end. "));
    EXPECT_FALSE(ends_sentence("."));
    EXPECT_TRUE(ends_sentence("\u7D42\u3002"));
}

TEST(BlockPredicates, ContinuesParagraph) {
    test::LinePool pool;
    TextLine prev = pool.line("the waves", 100, 700);
    EXPECT_TRUE(continues_paragraph(prev, pool.line("travelled far", 100, 688)));
    EXPECT_FALSE(continues_paragraph(prev, pool.line("Travelled far", 100, 688)));
    EXPECT_FALSE(continues_paragraph(prev, pool.line("trave", 100, 688))) << "five letters";
    EXPECT_FALSE(continues_paragraph(pool.line("the waves.", 100, 700), pool.line("travelled far", 100, 688)));
}

TEST(Captions, KindAndRomanNumerals) {
    struct Case {
        const char* text;
        std::optional<CaptionKind> kind;
    } cases[] = {
        {"fig. 3: Results", CaptionKind::Figure}, {"  Table iv | data", CaptionKind::Table},
        {"Figure 3 shows", std::nullopt},         {"Table 2", std::nullopt},
        {"Figures 3: x", std::nullopt},           {"Tab. 1. Sizes", CaptionKind::Table},
        {"figure3.", CaptionKind::Figure},        {"fight 3.", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(caption_kind(c.text), c.kind) << c.text;
    for (const char* yes : {"iv", " XIV ", "mmxxiv", "cm", "i"}) EXPECT_TRUE(is_roman_numeral(yes)) << yes;
    for (const char* no : {"", "iiii", "vx", "mmmmmcm", "ic", "abc", "mmmmdccclxxxviii"}) {
        EXPECT_FALSE(is_roman_numeral(no)) << no;
    }
}

// Skips over the glyphs of the given lines, the first `count` glyphs of each.
std::vector<SkippedGlyph> skip_first(const TextLine& line, std::size_t count, const char* reason) {
    std::vector<SkippedGlyph> out;
    for (std::size_t i = 0; i < count && i < line.glyphs.size(); ++i) out.push_back({line.glyphs[i]->id, reason});
    return out;
}

TEST(Rescues, HyphenRescueBringsBackMostlySkippedContinuations) {
    test::LinePool pool;
    std::vector<TextLine> lines = {pool.line("the measured val-", 100, 700), pool.line("ues of it", 100, 688)};
    const std::size_t n = lines[1].glyphs.size();  // 7
    struct Case {
        const char* name;
        std::size_t skipped;
        std::size_t left;
    } cases[] = {{"more than half skipped: rescued", n / 2 + 1, 0}, {"exactly half or less: not", n / 2, n / 2}};
    for (const Case& c : cases) {
        std::vector<SkippedGlyph> skipped = skip_first(lines[1], c.skipped, "margin");
        hyphen_rescue(lines, skipped);
        EXPECT_EQ(skipped.size(), c.left) << c.name;
    }
}

TEST(Rescues, FigureRescueNeedsAFigureSkip) {
    test::LinePool pool;
    std::vector<TextLine> lines = {pool.line(kLong, 100, 700), pool.line(kLong, 100, 688)};
    std::vector<SkippedGlyph> figure = skip_first(lines[1], lines[1].glyphs.size(), "figure");
    figure_rescue(lines, figure);
    EXPECT_TRUE(figure.empty());
    std::vector<SkippedGlyph> table = skip_first(lines[1], lines[1].glyphs.size(), "table");
    figure_rescue(lines, table);
    EXPECT_EQ(table.size(), lines[1].glyphs.size());
}

}  // namespace
}  // namespace zvk
