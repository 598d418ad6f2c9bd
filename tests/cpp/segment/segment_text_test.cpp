// Segment text assembly: line joins and de-hyphenation, run-in labels,
// headings, the length cut, emitting and numbering.
#include "segment/segment_text.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "segment/line_fixture.h"

namespace zvk {
namespace {

using Piece = test::LinePool::Piece;
using Block = std::vector<TextLine>;

const std::string kPlain = "Times-Roman";
const std::string kBold = "Times-Bold";
const std::string kItalic = "Times-Italic";
const std::string kMath = "CMMI10";

std::vector<std::string> sources(const SegmentationResult& result) {
    std::vector<std::string> out;
    for (const Segment& s : result.segments) out.push_back(s.source);
    return out;
}

std::vector<std::uint32_t> ids_of(std::initializer_list<const TextLine*> lines) {
    std::vector<std::uint32_t> ids;
    for (const TextLine* line : lines) {
        for (const Glyph* g : line->glyphs) ids.push_back(g->id);
    }
    return ids;
}

// Each row: two plain lines of one block and the one segment text they make.
TEST(AssembleSegments, LineJoins) {
    struct Case {
        const char* name;
        std::string first, second, expected;
    } cases[] = {
        {"listed prefix before a real word", "deep multi-", "layer networks", "deep multi-layer networks"},
        {"prefix matched in any case", "Multi-", "layer networks", "Multi-layer networks"},
        {"ordinary broken word", "the pro-", "cess runs", "the process runs"},
        {"prefix before a listed ending", "a cross-", "ing point", "a crossing point"},
        {"prefix before two letters", "a self-", "ie taken", "a selfie taken"},
        {"hyphen already inside the word before", "state-of-the-", "art results", "state-of-the-art results"},
        {"hyphen inside the word after", "the pro-", "cess-based model", "the pro-cess-based model"},
        {"digit after the hyphen", "version-", "2 ships", "version-2 ships"},
        {"digit before the hyphen", "from 1990-", "2000 on", "from 1990- 2000 on"},
        {"lone hyphen after a space", "a lone -", "dash here", "a lone - dash here"},
        {"no alphanumeric after the hyphen", "the pro-", "(cess) here", "the pro- (cess) here"},
        {"URL-like word keeps its hyphen", "see example.org/some-", "path now", "see example.org/some-path now"},
        {"word with '@' is not URL-like", "write to john@host.edu/cal-", "endar now",
         "write to john@host.edu/calendar now"},
        {"URL continued after a slash", "at https://example.org/data", "/files now",
         "at https://example.org/data/files now"},
        {"URL continued after a dot", "visit www.example", ".org today", "visit www.example.org today"},
        {"URL-like by dot and slash alone", "in docs.python/lib", "_util page", "in docs.python/lib_util page"},
        {"no URL continuation with '@'", "at user@example.org/data", "/files now",
         "at user@example.org/data /files now"},
        {"URL character not followed by an alphanumeric", "see www.example.org", "- and more",
         "see www.example.org - and more"},
        {"plain words", "the first line", "the second", "the first line the second"},
        {"CJK lines get one space too", "\u4e2d\u6587\u7684", "\u6587\u672c", "\u4e2d\u6587\u7684 \u6587\u672c"},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        Block block = {pool.styled_line({{c.first}}, 100, 700), pool.styled_line({{c.second}}, 100, 688)};
        SegmentationResult result = assemble_segments({block}, {});
        ASSERT_EQ(result.segments.size(), 1u) << c.name;
        EXPECT_EQ(result.segments[0].source, c.expected) << c.name;
        EXPECT_EQ(result.segments[0].glyph_ids, ids_of({&block[0], &block[1]})) << c.name;
    }
}

TEST(AssembleSegments, LastWordSpansEarlierJoins) {
    // The word before the third line's hyphen began two lines up: only as a
    // whole ("www.a.b") is it URL-like and keeps its hyphen; the fourth line
    // then goes on with the URL after its '-'.
    test::LinePool pool;
    Block block = {pool.styled_line({{"go to www.a"}}, 100, 700), pool.styled_line({{".b-"}}, 100, 688),
                   pool.styled_line({{"cd"}}, 100, 676), pool.styled_line({{"-ef gh"}}, 100, 664),
                   pool.styled_line({{"ij"}}, 100, 652)};
    EXPECT_EQ(sources(assemble_segments({block}, {})), std::vector<std::string>{"go to www.a.b-cd-ef gh ij"});
}

struct LabelCase {
    const char* name;
    std::vector<Piece> first;
    std::vector<std::string> expected;
};

void check_label_cases(const std::vector<LabelCase>& cases) {
    for (const LabelCase& c : cases) {
        test::LinePool pool;
        Block block = {pool.styled_line(c.first, 100, 700),
                       pool.styled_line({{"and the text goes on"}}, 100, 688)};
        EXPECT_EQ(sources(assemble_segments({block}, {})), c.expected) << c.name;
    }
}

TEST(AssembleSegments, RunInLabels) {
    const std::string rest = " the claim follows from it";
    const std::string joined_rest = "the claim follows from it and the text goes on";
    check_label_cases({
        {"bold lead-in before a lower-case sentence", {{"Proof.", kBold}, {rest}}, {"Proof.", joined_rest}},
        {"bold lead-in ending in a colon", {{"Setup:", kBold}, {rest}}, {"Setup:", joined_rest}},
        {"bold lead-in ending in an arrow", {{"Input ->", kBold}, {rest}}, {"Input ->", joined_rest}},
        {"bold lead-in without punctuation", {{"Results", kBold}, {rest}},
         {"Results " + joined_rest}},
        {"bold lead-in ending in '!'", {{"Caution!", kBold}, {rest}}, {"Caution! " + joined_rest}},
        {"italic environment label before lower case", {{"Proof.", kItalic}, {rest}}, {"Proof.", joined_rest}},
        {"italic environment label with a number", {{"Theorem 2.", kItalic}, {rest}},
         {"Theorem 2.", joined_rest}},
        {"italic lead-in before lower case", {{"Aside.", kItalic}, {rest}}, {"Aside. " + joined_rest}},
        {"italic lead-in before upper case", {{"Aside.", kItalic}, {" The claim follows from it"}},
         {"Aside.", "The claim follows from it and the text goes on"}},
        {"italic lead-in ending in a colon", {{"Aside:", kItalic}, {rest}}, {"Aside:", joined_rest}},
        {"two letters are too few", {{"Ab.", kBold}, {rest}}, {"Ab. " + joined_rest}},
        {"three letters are enough", {{"Abc.", kBold}, {rest}}, {"Abc.", joined_rest}},
        {"rest with seven letters", {{"Proof.", kBold}, {" see thus"}}, {"Proof. see thus and the text goes on"}},
        {"rest with eight letters", {{"Proof.", kBold}, {" see these"}},
         {"Proof.", "see these and the text goes on"}},
        {"rest with a year", {{"Note.", kBold}, {" published in 2019 by them"}},
         {"Note. published in 2019 by them and the text goes on"}},
        {"plain start: no label", {{"Our "}, {"Proof.", kBold}, {rest}},
         {"Our Proof. " + joined_rest}},
        {"math glyph inside the label is passed over", {{"Case ", kBold}, {"n", kMath}, {":", kBold}, {rest}},
         {"Case n:", joined_rest}},
        {"math glyph before the label is passed over", {{"x ", kMath}, {"Case:", kBold}, {rest}},
         {"x Case:", joined_rest}},
        {"bold label ended by italic text", {{"Claim.", kBold}, {" the claim follows from it", kItalic}},
         {"Claim.", joined_rest}},
        {"bold-italic counts as bold", {{"Cl", kBold}, {"aim.", "Times-BoldItalic"}, {rest}},
         {"Claim.", joined_rest}},
        {"line styled to its end", {{"Proof. the claim follows from it", kBold}},
         {"Proof. the claim follows from it and the text goes on"}},
    });
}

TEST(AssembleSegments, RunInLabelLetterLimit) {
    // 159 letters still make a label; 160 are a bold paragraph.
    auto label_of = [](std::size_t letters) { return std::string(letters, 'a') + ":"; };
    const std::string rest = " the claim follows from it";
    check_label_cases({
        {"159 letters", {{label_of(159), kBold}, {rest}},
         {label_of(159), "the claim follows from it and the text goes on"}},
        {"160 letters", {{label_of(160), kBold}, {rest}},
         {label_of(160) + " the claim follows from it and the text goes on"}},
    });
}

TEST(AssembleSegments, RunInLabelTakesGlyphsByLeftEdge) {
    // The rest's glyphs come first in the line's own order (drawn first),
    // the bold label's glyphs after them but to their left.
    test::LinePool pool;
    std::vector<const Glyph*> run;
    const std::string rest = "the claim follows";
    float x = 150;
    for (char c : rest) {
        if (c != ' ') run.push_back(&pool.glyph({std::string(1, c), x, x + 5, 10, 700, kPlain}));
        x += c == ' ' ? 3 : 5;
    }
    const std::string label = "Proof.";
    x = 100;
    for (char c : label) {
        run.push_back(&pool.glyph({std::string(1, c), x, x + 5, 10, 700, kBold}));
        x += 5;
    }
    Block block = {build_text_line(run)};
    SegmentationResult result = assemble_segments({block}, {});
    ASSERT_EQ(sources(result), (std::vector<std::string>{"Proof.", "the claim follows"}));
    EXPECT_EQ(result.segments[0].glyph_ids, (std::vector<std::uint32_t>{15, 16, 17, 18, 19, 20}));
    std::vector<std::uint32_t> rest_ids;
    for (std::uint32_t id = 0; id < 15; ++id) rest_ids.push_back(id);
    EXPECT_EQ(result.segments[1].glyph_ids, rest_ids);
}

TEST(AssembleSegments, Headings) {
    struct Case {
        const char* name;
        std::vector<Piece> first, second;
        std::vector<std::string> expected;
    } cases[] = {
        {"bold line ending in ':' over plain text", {{"Main results:", kBold}}, {{"we show three things"}},
         {"Main results:", "we show three things"}},
        {"italic line ending in '.' over plain text", {{"Main results.", kItalic}}, {{"we show three things"}},
         {"Main results.", "we show three things"}},
        {"bold line without punctuation", {{"Main results", kBold}}, {{"we show three things"}},
         {"Main results we show three things"}},
        {"bulleted bold line", {{"\u2022 Main results:", kBold}}, {{"we show three things"}},
         {"\u2022 Main results: we show three things"}},
        {"second line also bold", {{"Main results:", kBold}}, {{"we show three things", kBold}},
         {"Main results: we show three things"}},
        {"second line half bold, half plain", {{"Main results:", kBold}}, {{"abcd", kBold}, {" efgh"}},
         {"Main results:", "abcd efgh"}},
        {"second line italic under a bold heading", {{"Main results:", kBold}}, {{"we show three", kItalic}},
         {"Main results:", "we show three"}},
        {"bold and italic mixed", {{"Main ", kBold}, {"results:", kItalic}}, {{"we show three things"}},
         {"Main results: we show three things"}},
        {"heading holding a year", {{"Results of 2019:", kBold}}, {{"we show three things"}},
         {"Results of 2019: we show three things"}},
        {"second line holding a year", {{"Main results:", kBold}}, {{"we show them in 2019"}},
         {"Main results: we show them in 2019"}},
        {"math glyphs do not break the style", {{"Case ", kBold}, {"n", kMath}, {" holds:", kBold}},
         {{"we show three things"}}, {"Case n holds:", "we show three things"}},
        {"two letters are too few", {{"A:", kBold}}, {{"we show three things"}},
         {"A: we show three things"}},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        Block block = {pool.styled_line(c.first, 100, 700), pool.styled_line(c.second, 100, 688)};
        EXPECT_EQ(sources(assemble_segments({block}, {})), c.expected) << c.name;
    }
}

// Lines of plain text that join into exactly `total` characters (scalar
// values), the last of them ending in `end`. Latin lines are words of nine
// letters; CJK lines are one run of ideographs.
std::vector<std::string> line_texts(std::size_t total, bool cjk, const std::string& end) {
    std::vector<std::string> texts;
    std::size_t left = total;
    while (left > 0) {
        const std::size_t n = left > 100 ? 99 : left;  // 99 characters and the joining space
        const bool last = n == left;
        std::string text;
        for (std::size_t i = 0; i < (last ? n - 1 : n); ++i) {
            if (cjk)
                text += "\u6587";
            else
                text += (i % 10 == 9) ? ' ' : static_cast<char>('a' + i % 10);
        }
        if (last) text += end;
        texts.push_back(text);
        left -= last ? n : n + 1;
    }
    return texts;
}

TEST(AssembleSegments, LengthCut) {
    struct Case {
        const char* name;
        bool cjk;
        std::size_t before;  // characters of the text before the last line
        const char* end;     // how that text ends
        std::size_t last;    // characters of the last line
        bool cut;
    } cases[] = {
        {"joined text of exactly 1600", false, 1589, ".", 10, false},
        {"joined text of 1601 after a sentence end", false, 1589, ".", 11, true},
        {"far past the limit after a question", false, 1700, "?", 30, true},
        {"after an exclamation mark", false, 1700, "!", 30, true},
        {"no sentence end: one long sentence stays", false, 1700, "a", 30, false},
        {"a comma is no sentence end", false, 1700, ",", 30, false},
        {"CJK at 1600 characters (4,800 bytes)", true, 1589, "\u3002", 10, false},
        {"CJK at 1601 characters", true, 1589, "\u3002", 11, true},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        Block block;
        float y = 700;
        for (const std::string& text : line_texts(c.before, c.cjk, c.end)) {
            block.push_back(pool.styled_line({{text}}, 100, y));
            y -= 12;
        }
        const std::size_t first_lines = block.size();
        std::string last = c.cjk ? "" : std::string(c.last, 'z');
        for (std::size_t i = 0; c.cjk && i < c.last; ++i) last += "\u5b57";
        block.push_back(pool.styled_line({{last}}, 100, y));
        SegmentationResult result = assemble_segments({block}, {});
        ASSERT_EQ(result.segments.size(), c.cut ? 2u : 1u) << c.name;
        if (!c.cut) continue;
        // The cut falls right before the last line, whose stored text opens
        // the new segment with its glyphs.
        EXPECT_TRUE(result.segments[0].source.ends_with(c.end)) << c.name;
        EXPECT_EQ(result.segments[1].source, last) << c.name;
        std::vector<std::uint32_t> last_ids = ids_of({&block.back()});
        EXPECT_EQ(result.segments[1].glyph_ids, last_ids) << c.name;
        std::size_t first_glyphs = 0;
        for (std::size_t i = 0; i < first_lines; ++i) first_glyphs += block[i].glyphs.size();
        EXPECT_EQ(result.segments[0].glyph_ids.size(), first_glyphs) << c.name;
        EXPECT_EQ(result.segments[1].id, 1u) << c.name;
    }
}

TEST(AssembleSegments, CutSegmentGoesOnJoiningAndKeepsTheFirstPage) {
    // A block running from page 3 onto page 4 is cut on page 4; the
    // segments after the cut still carry page 3 and join their lines.
    test::LinePool pool;
    Block block;
    float y = 700;
    for (const std::string& text : line_texts(1650, false, ".")) {
        block.push_back(pool.styled_line({{text}}, 100, y, 10, 3));
        y -= 12;
    }
    // The line after the cut opens with a space glyph, which its stored text
    // keeps.
    std::vector<const Glyph*> run = {&pool.glyph({" ", 95, 98, 10, 700}, 4)};
    for (const Glyph* g : pool.styled_line({{"the next pro-"}}, 100, 700, 10, 4).glyphs) run.push_back(g);
    block.push_back(build_text_line(run));
    block.push_back(pool.styled_line({{"cess starts"}}, 100, 688, 10, 4));
    SegmentationResult result = assemble_segments({block}, {});
    ASSERT_EQ(result.segments.size(), 2u);
    EXPECT_EQ(result.segments[1].source, " the next process starts");
    EXPECT_EQ(result.segments[1].glyph_ids, ids_of({&block[block.size() - 2], &block.back()}));
    EXPECT_EQ(result.segments[0].page_index, 3u);
    EXPECT_EQ(result.segments[1].page_index, 3u);
}

TEST(AssembleSegments, BlockAcrossPagesCarriesTheFirstPage) {
    test::LinePool pool;
    Block block = {pool.styled_line({{"the waves are"}}, 100, 80, 10, 7),
                   pool.styled_line({{"involved in it"}}, 300, 700, 10, 8)};
    SegmentationResult result = assemble_segments({block}, {});
    ASSERT_EQ(result.segments.size(), 1u);
    EXPECT_EQ(result.segments[0].source, "the waves are involved in it");
    EXPECT_EQ(result.segments[0].page_index, 7u);
    EXPECT_EQ(result.segments[0].glyph_ids, ids_of({&block[0], &block[1]}));
}

TEST(AssembleSegments, BlankTextAndNumbering) {
    test::LinePool pool;
    // Lines whose glyphs are only white space.
    auto blank_line = [&](std::uint32_t page) {
        std::vector<const Glyph*> run = {&pool.glyph({" ", 100, 103, 10, 500}, page),
                                         &pool.glyph({"\u00a0", 103, 106, 10, 500}, page)};
        return build_text_line(run);
    };
    TextLine blank = blank_line(0);
    TextLine heading = pool.styled_line({{"Main results:", kBold}}, 100, 700, 10, 1);
    TextLine body = pool.styled_line({{"we show it"}}, 100, 688, 10, 1);
    TextLine blank_then = blank_line(2);
    TextLine after_blank = pool.styled_line({{"text after blanks"}}, 100, 676, 10, 2);
    const std::vector<SkippedGlyph> skipped = {{9, "margin"}, {4, "toc"}, {9, "code"}};

    SegmentationResult result =
        assemble_segments({{blank}, {heading, body}, {blank_then, after_blank}, {blank, blank}}, skipped);
    EXPECT_EQ(sources(result), (std::vector<std::string>{"Main results:", "we show it", "text after blanks"}));
    for (std::uint32_t i = 0; i < result.segments.size(); ++i) EXPECT_EQ(result.segments[i].id, i);
    EXPECT_EQ(result.segments[0].page_index, 1u);
    // A blank first line's glyphs ride along with the text that follows it.
    EXPECT_EQ(result.segments[2].glyph_ids, ids_of({&blank_then, &after_blank}));
    EXPECT_EQ(result.segments[2].page_index, 2u);
    ASSERT_EQ(result.skipped.size(), 3u);
    for (std::size_t i = 0; i < skipped.size(); ++i) {
        EXPECT_EQ(result.skipped[i].glyph_id, skipped[i].glyph_id);
        EXPECT_EQ(result.skipped[i].reason, skipped[i].reason);
    }
}

TEST(AssembleSegments, TrailingSpaceIsCutOnlyWhenItIsLong) {
    test::LinePool pool;
    auto with_tail = [&](const std::string& tail, float y) {
        TextLine line = pool.styled_line({{"abc def"}}, 100, y);
        std::vector<const Glyph*> run = line.glyphs;
        run.push_back(&pool.glyph({tail, 140, 150, 10, y}));
        return build_text_line(run);
    };
    TextLine two = with_tail("  ", 700);
    TextLine three = with_tail("   ", 700);
    ASSERT_EQ(two.text, "abc def  ");
    EXPECT_EQ(sources(assemble_segments({{two}}, {})), std::vector<std::string>{"abc def  "});
    EXPECT_EQ(sources(assemble_segments({{three}}, {})), std::vector<std::string>{"abc def"});
}

TEST(AssembleSegments, HugeBlockWithoutSentenceEndsStaysLinear) {
    // Twenty thousand lines and no sentence end: one segment of about two
    // million characters. Rebuilding or rescanning the joined text per line
    // would take minutes here; growing it in place takes milliseconds. The
    // second block is one endless hyphenated word, whose last word grows
    // with every line.
    constexpr std::size_t kLines = 20000;
    std::deque<Glyph> glyphs;
    auto block_of = [&](const std::string& text) {
        Block block;
        for (std::size_t i = 0; i < kLines; ++i) {
            Glyph g;
            g.id = static_cast<std::uint32_t>(glyphs.size());
            g.unicode = text;
            g.font_name = kPlain;
            glyphs.push_back(g);
            TextLine line;
            line.glyphs = {&glyphs.back()};
            line.text = text;
            block.push_back(std::move(line));
        }
        return block;
    };
    std::string words;
    for (int i = 0; i < 10; ++i) words += "abcdefgh, ";
    words.pop_back();
    const std::string word = std::string(98, 'x') + "-";
    std::vector<Block> blocks;
    blocks.push_back(block_of(words));
    blocks.push_back(block_of(word));
    SegmentationResult result = assemble_segments(blocks, {});
    ASSERT_EQ(result.segments.size(), 2u);
    EXPECT_EQ(result.segments[0].source.size(), kLines * (words.size() + 1) - 1);
    EXPECT_EQ(result.segments[0].glyph_ids.size(), kLines);
    EXPECT_EQ(result.segments[0].glyph_ids.back(), kLines - 1);
    // Every hyphen stays: the word before it already holds one.
    EXPECT_EQ(result.segments[1].source.size(), kLines * word.size());
    EXPECT_EQ(result.segments[1].source.find(' '), std::string::npos);
}

}  // namespace
}  // namespace zvk
