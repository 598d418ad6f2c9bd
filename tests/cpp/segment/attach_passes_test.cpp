// Raised note markers and short formula pieces rejoin their lines.
#include "segment/attach_passes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace zvk
