#include "rewrite/geometry/glyph_runs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using Ids = std::vector<std::uint32_t>;
using Groups = std::vector<Ids>;

// A segment's glyphs at body size 10 (s = 10), ids by position; a glyph is
// half its size wide.
class Glyphs {
public:
    std::uint32_t add(const std::string& text, float x, float y, float size, const std::string& font = "Times",
                      std::uint32_t page = 0) {
        Glyph g = test::make_glyph({.text = text, .x0 = x, .x1 = x + 0.5f * size, .size = size, .baseline = y, .font = font},
                                   static_cast<std::uint32_t>(glyphs_.size()), page);
        glyphs_.push_back(std::move(g));
        return glyphs_.back().id;
    }
    // Body text: one letter every 6 points from x0 to x1.
    void body(float x0, float x1, float y, std::uint32_t page = 0) {
        for (float x = x0; x <= x1; x += 6) add("e", x, y, 10, "Times", page);
    }
    Groups analyze(float size = 10) { return analyze_segment_glyph_runs(test::refs(glyphs_), size); }

private:
    std::vector<Glyph> glyphs_;
};

struct Case {
    const char* name;
    std::function<Groups(Glyphs&)> build;  // returns the expected groups
};

void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Glyphs g;
        const Groups expected = c.build(g);
        EXPECT_EQ(g.analyze(), expected) << c.name;
    }
}

TEST(GlyphRuns, ScriptGroups) {
    run_cases({
        {"math letter with a raised math 2",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             const auto x = g.add("x", 190, 700, 10, "CMMI10");
             const auto two = g.add("2", 196, 704, 7, "CMMI7");
             return Groups{{x, two}};
         }},
        {"raised 2 in a text font after a math letter",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             g.add("x", 190, 700, 10, "CMMI10");
             g.add("2", 196, 704, 7, "Times");
             return Groups{};
         }},
        {"raised footnote number after a word",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             g.add("1", 184, 704, 7, "Times");
             return Groups{};
         }},
        {"raised math asterisk after a text letter",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             g.add("*", 184, 704, 7, "CMSY7");
             return Groups{};
         }},
        {"lone raised math glyph with no line glyph near",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             g.add("2", 400, 704, 7, "CMMI7");
             return Groups{};
         }},
        {"subscript and superscript on one letter make two groups sharing it",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             const auto x = g.add("x", 190, 700, 10, "CMMI10");
             const auto sup = g.add("2", 196, 704, 7, "CMMI7");
             const auto sub = g.add("i", 196, 697, 7, "CMMI7");
             return Groups{{x, sup}, {x, sub}};
         }},
        {"wide group takes the five tight letters nearest its first base",
         [](Glyphs& g) {
             Ids letters;
             for (float x = 144; x <= 186; x += 6) letters.push_back(g.add("e", x, 700, 10));
             const auto y = g.add("y", 193, 700, 10, "CMMI10");
             const auto a = g.add("2", 200, 704, 7, "CMMI7");
             const auto b = g.add("3", 206, 704, 7, "CMMI7");
             const auto c = g.add("4", 212, 704, 7, "CMMI7");
             Ids expected(letters.begin() + 3, letters.end());
             for (auto id : {y, a, b, c}) expected.push_back(id);
             return Groups{expected};
         }},
    });
}

TEST(GlyphRuns, RunsBracketsAndHats) {
    run_cases({
        {"two math glyphs 0.6 s apart form no run",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             g.add("a", 200, 700, 10, "CMMI10");
             g.add("b", 211, 700, 10, "CMMI10");
             return Groups{};
         }},
        {"three tight math glyphs form one run in reading order, also without clusters",
         [](Glyphs& g) {
             const auto c = g.add("c", 214, 700, 10, "CMMI10");
             const auto a = g.add("a", 200, 700, 10, "CMMI10");
             const auto b = g.add("b", 207, 700, 10, "CMMI10");
             return Groups{{a, b, c}};
         }},
        {"a bracket 0.3 s left of a group joins it, appended",
         [](Glyphs& g) {
             g.body(100, 178, 700);
             const auto x = g.add("x", 190, 700, 10, "CMMI10");
             const auto two = g.add("2", 196, 704, 7, "CMMI7");
             const auto open = g.add("(", 187, 700, 10);
             return Groups{{x, two, open}};
         }},
        {"a bracket more than 0.45 s away stays out",
         [](Glyphs& g) {
             g.body(100, 178, 700);
             const auto x = g.add("x", 190, 700, 10, "CMMI10");
             const auto two = g.add("2", 196, 704, 7, "CMMI7");
             g.add("(", 184.5f, 700, 10);
             return Groups{{x, two}};
         }},
        {"a hat over a text letter makes nothing",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             g.add("a", 190, 700, 10);
             g.add("\u02c6", 191, 703, 10, "CMSY10");
             return Groups{};
         }},
        {"a hat over a math letter makes a hat group",
         [](Glyphs& g) {
             g.body(100, 180, 700);
             const auto a = g.add("a", 190, 700, 10, "CMMI10");
             const auto hat = g.add("\u02c6", 191, 703, 10, "CMSY10");
             return Groups{{a, hat}};
         }},
        {"a hat over a grouped letter joins that group",
         [](Glyphs& g) {
             g.body(100, 178, 700);
             const auto x = g.add("x", 190, 700, 10, "CMMI10");
             const auto two = g.add("2", 196, 704, 7, "CMMI7");
             const auto hat = g.add("\u0302", 191, 705, 10, "CMSY10");
             return Groups{{x, two, hat}};
         }},
        {"groups come top to bottom, then left to right",
         [](Glyphs& g) {
             g.body(100, 300, 700);
             g.body(100, 300, 686);
             const auto low1 = g.add("a", 250, 686, 10, "CMMI10");
             const auto low2 = g.add("b", 256, 686, 10, "CMMI10");
             const auto right1 = g.add("c", 280, 700, 10, "CMMI10");
             const auto right2 = g.add("d", 286, 700, 10, "CMMI10");
             const auto left1 = g.add("p", 120, 700, 10, "CMMI10");
             const auto left2 = g.add("q", 126, 700, 10, "CMMI10");
             return Groups{{left1, left2}, {right1, right2}, {low1, low2}};
         }},
    });
}

// A segment that runs on to the next page: lines at one height on two pages
// are not one line, so nothing joins across the page change.
TEST(GlyphRuns, NothingJoinsAcrossPages) {
    run_cases({
        {"a raised glyph takes no baseline from the other page",
         [](Glyphs& g) {
             g.body(100, 180, 700, 0);
             g.add("x", 190, 700, 10, "CMMI10", 1);
             g.add("2", 196, 704, 7, "CMMI7", 1);
             return Groups{};
         }},
        {"math glyphs side by side on two pages form no run",
         [](Glyphs& g) {
             g.add("a", 200, 700, 10, "CMMI10", 0);
             g.add("b", 207, 700, 10, "CMMI10", 1);
             return Groups{};
         }},
        {"a stray small glyph, a bracket and a hat on the next page stay out of a group",
         [](Glyphs& g) {
             g.body(100, 178, 700, 0);
             const auto x = g.add("x", 190, 700, 10, "CMMI10", 0);
             const auto two = g.add("2", 196, 704, 7, "CMMI7", 0);
             g.add(",", 200, 700, 7, "Times", 1);
             g.add("(", 187, 700, 10, "Times", 1);
             g.add("\u0302", 191, 705, 10, "CMSY10", 1);
             return Groups{{x, two}};
         }},
        {"the same three on the group's page join it",
         [](Glyphs& g) {
             g.body(100, 178, 700, 0);
             const auto x = g.add("x", 190, 700, 10, "CMMI10", 0);
             const auto two = g.add("2", 196, 704, 7, "CMMI7", 0);
             const auto comma = g.add(",", 200, 700, 7, "Times", 0);
             const auto open = g.add("(", 187, 700, 10, "Times", 0);
             const auto hat = g.add("\u0302", 191, 705, 10, "CMSY10", 0);
             return Groups{{x, two, comma, open, hat}};
         }},
        {"the same glyphs on one page do",
         [](Glyphs& g) {
             const auto a = g.add("a", 200, 700, 10, "CMMI10", 1);
             const auto b = g.add("b", 207, 700, 10, "CMMI10", 1);
             return Groups{{a, b}};
         }},
    });
}

TEST(GlyphRuns, SameInputSameGroups) {
    Glyphs g;
    g.body(100, 300, 700);
    g.add("x", 190, 700, 10, "CMMI10");
    g.add("2", 196, 704, 7, "CMMI7");
    g.add("i", 196, 697, 7, "CMMI7");
    g.add("a", 250, 700, 10, "CMMI10");
    g.add("b", 256, 700, 10, "CMMI10");
    const Groups first = g.analyze();
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(g.analyze(), first);
    EXPECT_EQ(g.analyze(std::numeric_limits<float>::quiet_NaN()), g.analyze(1.0f));
    EXPECT_TRUE(analyze_segment_glyph_runs({}, 10).empty());
}

TEST(GlyphRuns, NoteMarkerLikeText) {
    const std::vector<std::pair<const char*, bool>> rows = {
        {"1", true}, {"12", true}, {"123", false}, {"*", true}, {"\u2020\u2021", true}, {"\u2212", true},
        {"\u207a", true}, {"a", false}, {"", false}, {" 2 ", true}, {"\u00a7", true}, {"1a", false},
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(is_note_marker_like_text(text), expected) << text;
}

}  // namespace
}  // namespace zvk::rewrite
