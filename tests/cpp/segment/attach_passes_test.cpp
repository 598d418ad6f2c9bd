// Raised note markers and short formula pieces rejoin their lines.
#include "segment/attach_passes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"
#include "segment/pass_fixture.h"

namespace zvk {
namespace {

using test::GlyphStore;

// "body text line" at x 100 to 166 on baseline 700, size 10 (e = 10).
TEST(AttachPasses, NoteMarkers) {
    struct Case {
        const char* name;
        std::string mark;
        float x;
        float dy;
        float size;
        bool joins;
    } cases[] = {
        {"superscript 0.6 e up", "1", 166.5f, 6, 7, true},
        {"superscript 0.95 e up", "1", 166.5f, 9.5f, 7, false},
        {"superscript 0.9 e up", "1", 166.5f, 9, 7, true},
        {"0.1 e up", "1", 166.5f, 1, 7, false},
        {"below the line", "1", 166.5f, -6, 7, false},
        {"0.9 of the size", "1", 166.5f, 6, 9, false},
        {"two digits", "12", 166.5f, 6, 7, true},
        {"a star", "*", 166.5f, 6, 7, true},
        {"a dagger", "\u2020", 166.5f, 6, 7, true},
        {"a letter", "a", 166.5f, 6, 7, false},
        {"past the line's end", "1", 173, 6, 7, false},
        {"over the middle of the line", "1", 120, 6, 7, true},
    };
    for (const Case& c : cases) {
        GlyphStore store;
        std::vector<TextLine> lines = {store.line("body text line", 100, 700),
                                       store.line(c.mark, c.x, 700 + c.dy, c.size)};
        const std::size_t marker = 1;
        const std::size_t glyphs = lines[0].glyphs.size() + lines[1].glyphs.size();
        const std::optional<std::size_t> target = note_marker_target(marker, lines);
        EXPECT_EQ(target.has_value(), c.joins) << c.name;
        EXPECT_FALSE(note_marker_target(0, lines).has_value()) << c.name;
        attach_note_markers(lines);
        ASSERT_EQ(lines.size(), c.joins ? 1u : 2u) << c.name;
        if (c.joins) {
            // The marks take their place by origin x, without a space
            // before them (they are small note marks).
            const std::string expected = c.x > 150 ? "body text line" + c.mark : "body" + c.mark + "text line";
            EXPECT_EQ(lines[0].text, expected) << c.name;
            EXPECT_EQ(lines[0].glyphs.size(), glyphs) << c.name;
            EXPECT_FLOAT_EQ(lines[0].y, 700.0f) << c.name;
            for (std::size_t i = 1; i < lines[0].glyphs.size(); ++i) {
                EXPECT_LE(lines[0].glyphs[i - 1]->matrix[4], lines[0].glyphs[i]->matrix[4]) << c.name;
            }
        }
    }
}

TEST(AttachPasses, NoteMarkerGoesToTheNearestLineAndTheEarlierOnATie) {
    GlyphStore store;
    // Two lines on one baseline over the same x (a column run together with
    // its neighbour), and a lower one: the tie goes to the earlier line.
    std::vector<TextLine> lines = {store.line("other text here", 150, 700), store.line("body text line", 100, 700),
                                   store.line("1", 160, 706, 7)};
    EXPECT_EQ(note_marker_target(2, lines), std::optional<std::size_t>(0));
    std::swap(lines[0], lines[1]);
    EXPECT_EQ(note_marker_target(2, lines), std::optional<std::size_t>(0));
    // A line whose baseline lies closer wins.
    lines.push_back(store.line("closer line text", 100, 702));
    EXPECT_EQ(note_marker_target(2, lines), std::optional<std::size_t>(3));
    // Another page is never a candidate.
    std::vector<TextLine> other = {store.line("body text line", 100, 700, 10, 1), store.line("1", 160, 706, 7)};
    EXPECT_FALSE(note_marker_target(1, other).has_value());
}

TEST(AttachPasses, ShortMathLines) {
    struct Case {
        const char* name;
        std::string body;
        float dy;
        bool joins;
    } cases[] = {
        {"0.3 e below", "this line has plenty of letters", -3, true},
        {"0.3 e above", "this line has plenty of letters", 3, true},
        {"0.65 e below", "this line has plenty of letters", -6.5f, true},
        {"0.8 e below", "this line has plenty of letters", -8, false},
        {"0.05 e below", "this line has plenty of letters", -0.5f, false},
        {"sixteen letters", "abcd efgh ijkl mnop", -3, true},
        {"fifteen letters", "abcd efgh ijkl mno", -3, false},
    };
    for (const Case& c : cases) {
        GlyphStore store;
        std::vector<TextLine> lines = {store.line(c.body, 100, 700),
                                       store.line("\u2211", 96, 700 + c.dy, 10, 0, "ABCDEF+CMSY10")};
        EXPECT_EQ(short_math_target(1, lines).has_value(), c.joins) << c.name;
        attach_short_math_lines(lines);
        ASSERT_EQ(lines.size(), c.joins ? 1u : 2u) << c.name;
        if (c.joins) {
            // The symbol stands first now; the line keeps its font name.
            EXPECT_EQ(lines[0].text.rfind("\u2211", 0), 0u) << c.name;
            EXPECT_EQ(lines[0].font_name, "Times-Roman") << c.name;
            EXPECT_FLOAT_EQ(lines[0].x0, 96.0f) << c.name;
        }
    }
}

// "was 2.57" at x 100 to 138 on baseline 700, size 10; the right piece ".97
// (n" starts at `right_x` on `right_y`. The signs between them have no text,
// as line grouping leaves them out.
TEST(AttachPasses, RejoinAcrossUnmappedSigns) {
    struct Sign {
        float x0;
        float x1;
        float dy;
        std::uint32_t page;
    };
    struct Case {
        const char* name;
        float right_x;
        float right_dy;
        float right_size;
        std::vector<Sign> signs;
        bool toc_trimmed;
        bool joins;
    } cases[] = {
        {"a sign with a space on each side", 149, 0, 10, {{141, 146, 0, 0}}, false, true},
        {"a raised sign (the + of Ca2+)", 144, 0, 10, {{138, 143, 4, 0}}, false, true},
        {"two signs side by side", 153, 0, 10, {{140, 145, 0, 0}, {145, 150, 0, 0}}, false, true},
        {"the same gap without a sign", 149, 0, 10, {}, false, false},
        {"a sign leaving 9 units open", 156, 0, 10, {{141, 146, 0, 0}}, false, false},
        {"a sign leaving 8 units open", 154, 0, 10, {{141, 146, 0, 0}}, false, true},
        {"a sign far below the line", 149, 0, 10, {{141, 146, -8, 0}}, false, false},
        {"a sign on another page", 149, 0, 10, {{141, 146, 0, 1}}, false, false},
        {"a sign outside the gap", 149, 0, 10, {{160, 165, 0, 0}}, false, false},
        {"the right piece 2 units higher", 149, 2, 10, {{141, 146, 0, 0}}, false, false},
        {"the right piece at size 7", 149, 0, 7, {{141, 146, 0, 0}}, false, false},
        {"a contents line", 149, 0, 10, {{141, 146, 0, 0}}, true, false},
    };
    for (const Case& c : cases) {
        GlyphStore store;
        std::vector<TextLine> lines = {store.line("was 2.57", 100, 700),
                                       store.line(".97 (n", c.right_x, 700 + c.right_dy, c.right_size)};
        lines[1].toc_trimmed = c.toc_trimmed;
        ASSERT_FLOAT_EQ(lines[0].x1, 138.0f) << c.name;
        std::vector<const Glyph*> signs;
        for (const Sign& sign : c.signs) signs.push_back(store.glyph("", sign.x0, sign.x1, 700 + sign.dy, 10, sign.page));
        rejoin_across_unmapped(lines, signs);
        if (c.joins) {
            ASSERT_EQ(lines.size(), 1u) << c.name;
            EXPECT_EQ(lines[0].text, "was 2.57 .97 (n") << c.name;
            EXPECT_EQ(lines[0].glyphs.size(), 12u) << c.name;
        } else {
            EXPECT_EQ(test::line_texts(lines), (std::vector<std::string>{"was 2.57", ".97 (n"})) << c.name;
        }
    }
}

// Three pieces on one baseline, two bridged gaps and a column gap: the
// bridged pieces become one line, the other column stays apart, whatever the
// order of the lines.
TEST(AttachPasses, RejoinAcrossUnmappedSignsAlongARow) {
    for (bool reversed : {false, true}) {
        GlyphStore store;
        std::vector<TextLine> lines = {store.line("Ca2", 100, 700), store.line("waves and Ca2", 121, 700),
                                       store.line("waves", 189, 700), store.line("other column", 230, 700)};
        const std::vector<const Glyph*> signs = {store.glyph("", 115, 120, 704), store.glyph("", 183, 188, 704)};
        if (reversed) std::reverse(lines.begin(), lines.end());
        rejoin_across_unmapped(lines, signs);
        std::vector<std::string> texts = test::line_texts(lines);
        std::sort(texts.begin(), texts.end());
        EXPECT_EQ(texts, (std::vector<std::string>{"Ca2 waves and Ca2 waves", "other column"})) << reversed;
    }
}

TEST(AttachPasses, CollectUnmappedGlyphs) {
    std::vector<Glyph> glyphs = test::make_glyphs({{"a", 0, 5, 10, 700, "F"},
                                                   {"", 5, 10, 10, 700, "F"},
                                                   {"b", 10, 15, 10, 700, "F"},
                                                   {"x", 15, 20, 10, 700, "F"},
                                                   {"", 20, 25, 10, 700, "F"}});
    glyphs[3].unmapped = true;  // a mapping gave no text, the glyph kept a stand-in
    glyphs[1].page_index = 2;
    glyphs[4].matrix[5] = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::uint32_t> ids;
    for (const Glyph* g : collect_unmapped_glyphs(glyphs)) ids.push_back(g->id);
    // By page (3 on page 0 before 1 on page 2); the NaN baseline stays out.
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{3, 1}));
}

}  // namespace
}  // namespace zvk
