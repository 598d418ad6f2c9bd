#include "rewrite/geometry/rewrite_lines.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::GlyphSpec;

// Glyphs built in code, with ids by position; texts are one glyph each.
class Page {
public:
    // A word of glyphs 6 apart starting at x, on baseline y.
    void word(const std::string& letters, float x, float y, float size = 10, const std::string& font = "Times") {
        for (char c : letters) {
            add({.text = std::string(1, c), .x0 = x, .x1 = x + 0.5f * size, .size = size, .baseline = y, .font = font});
            x += 0.6f * size;
        }
    }
    void add(const GlyphSpec& spec) { specs_.push_back(spec); }

    std::vector<RewriteLine> lines() {
        glyphs_ = test::make_glyphs(specs_);
        return group_glyphs_into_rewrite_lines(test::refs(glyphs_));
    }

private:
    std::vector<GlyphSpec> specs_;
    std::vector<Glyph> glyphs_;
};

std::string text_of(const RewriteLine& line) {
    std::string text;
    for (const Glyph* g : line.glyphs) text += g->unicode;
    return text;
}

std::vector<std::string> texts(const std::vector<RewriteLine>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) out.push_back(text_of(line));
    return out;
}

using Texts = std::vector<std::string>;

TEST(RewriteLines, EmptyAndSingleGlyph) {
    Page empty;
    EXPECT_TRUE(empty.lines().empty());

    Page one;
    one.add({.text = "a", .x0 = 100, .x1 = 104, .size = 10, .baseline = 700});
    const auto lines = one.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].baseline, 700.0f);
    EXPECT_EQ(lines[0].x0, 100.0f);
    EXPECT_EQ(lines[0].x1, 104.0f);
}

TEST(RewriteLines, SizesFarApartMeasureByTheSmallerSize) {
    struct Case {
        float gap;
        Texts expected;
    };
    for (const Case& c : {Case{4.0f, {"a", "B"}}, Case{3.0f, {"aB"}}}) {
        Page page;
        page.add({.text = "a", .x0 = 0, .x1 = 5, .size = 10, .baseline = 700});
        page.add({.text = "B", .x0 = 10, .x1 = 25, .size = 30, .baseline = 700 - c.gap});
        EXPECT_EQ(texts(page.lines()), c.expected) << c.gap;
    }
}

TEST(RewriteLines, MarkersFoldIntoTheirLineOrDrop) {
    struct Case {
        const char* name;
        std::function<void(Page&)> build;
        Texts expected;
    };
    const std::vector<Case> cases = {
        {"superscript folded at the end of its line",
         [](Page& p) {
             p.word("text", 100, 700);
             p.add({.text = "2", .x0 = 124, .x1 = 127, .size = 6, .baseline = 704});
         },
         {"text2"}},
        {"footnote digits alone are dropped",
         [](Page& p) {
             p.word("text", 100, 700);
             p.add({.text = "1", .x0 = 100, .x1 = 103, .size = 6, .baseline = 600});
             p.add({.text = "2", .x0 = 104, .x1 = 107, .size = 6, .baseline = 600});
         },
         {"text"}},
        {"a lone body-size digit stays",
         [](Page& p) {
             p.word("text", 100, 700);
             p.add({.text = "1", .x0 = 100, .x1 = 105, .size = 10, .baseline = 600});
         },
         {"text", "1"}},
        {"a lone asterisk is dropped whatever its size",
         [](Page& p) {
             p.word("text", 100, 700);
             p.add({.text = "*", .x0 = 100, .x1 = 105, .size = 12, .baseline = 600});
         },
         {"text"}},
        {"a marker too far off the line stays alone",
         [](Page& p) {
             p.word("text", 100, 700);
             p.add({.text = "3", .x0 = 200, .x1 = 203, .size = 10, .baseline = 704});
         },
         {"3", "text"}},
        {"12 math glyphs fold into the line below",
         [](Page& p) {
             p.word("text", 100, 700);
             p.word("abcdefghijkl", 100, 705, 6, "CMMI7");
         },
         {"textabcdefghijkl"}},
        {"13 math glyphs stay a line of their own",
         [](Page& p) {
             p.word("text", 100, 700);
             p.word("abcdefghijklm", 100, 705, 6, "CMMI7");
         },
         {"abcdefghijklm", "text"}},
        {"equally distant lines: the upper one wins",
         [](Page& p) {
             p.word("upper", 100, 708);
             p.word("lower", 100, 700);
             p.add({.text = "*", .x0 = 110, .x1 = 113, .size = 6, .baseline = 704});
         },
         {"upper*", "lower"}},
    };
    for (const Case& c : cases) {
        Page page;
        c.build(page);
        EXPECT_EQ(texts(page.lines()), c.expected) << c.name;
    }
}

TEST(RewriteLines, BlankEndsAreTrimmedFromTheExtent) {
    struct Case {
        const char* name;
        Texts glyph_texts;
        std::string kept;
        float x0, x1;
    };
    // Glyph i stands at x = 10 i, 5 wide.
    const std::vector<Case> cases = {
        {"spaces around a word", {" ", "a", "b", " "}, "ab", 10, 25},
        {"spaces only keep all", {" ", " "}, "  ", 0, 15},
        {"an empty text blocks the trim", {"", " ", "a", "\u00A0"}, " a", 0, 25},
    };
    for (const Case& c : cases) {
        Page page;
        float x = 0;
        for (const auto& t : c.glyph_texts) {
            page.add({.text = t, .x0 = x, .x1 = x + 5, .size = 10, .baseline = 700});
            x += 10;
        }
        const auto lines = page.lines();
        ASSERT_EQ(lines.size(), 1u) << c.name;
        std::string kept;
        for (const Glyph* g : lines[0].glyphs) kept += g->unicode.empty() ? "" : g->unicode;
        EXPECT_EQ(kept, c.kept) << c.name;
        EXPECT_EQ(lines[0].x0, c.x0) << c.name;
        EXPECT_EQ(lines[0].x1, c.x1) << c.name;
    }
}

TEST(RewriteLines, BaselineIsTheUpperMedian) {
    struct Case {
        std::vector<float> ys;
        float baseline;
    };
    for (const Case& c : {Case{{10, 10, 12, 12}, 12}, Case{{10, 11, 13}, 11}}) {
        Page page;
        float x = 0;
        for (float y : c.ys) {
            page.add({.text = "a", .x0 = x, .x1 = x + 5, .size = 10, .baseline = y});
            x += 10;
        }
        const auto lines = page.lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].baseline, c.baseline);
    }
}

TEST(RewriteLines, MarkerTextsAndGroups) {
    EXPECT_TRUE(is_note_marker_text("12", 8));
    EXPECT_FALSE(is_note_marker_text("12", 8.5f));
    EXPECT_FALSE(is_note_marker_text("1", test::kNaN));
    EXPECT_FALSE(is_note_marker_text("123", 6));
    EXPECT_TRUE(is_note_marker_text(" \u2021 ", 20));

    auto group = [](std::vector<std::pair<std::string, std::string>> specs) {
        std::vector<Glyph> glyphs;
        for (const auto& [font, text] : specs) glyphs.push_back(test::make_glyph({.text = text, .font = font}));
        return is_marker_or_math_glyph_group(test::refs(glyphs));
    };
    EXPECT_FALSE(group({}));
    EXPECT_TRUE(group({{"T", "1"}, {"T", "\u2212"}, {"T", "+*"}}));
    EXPECT_FALSE(group({{"T", "1"}, {"T", "2"}, {"T", "3"}, {"T", "4"}}));  // four markers
    EXPECT_FALSE(group({{"T", "a"}}));
    EXPECT_TRUE(group({{"CMMI10", "x"}, {"T", "="}, {"T", "2"}}));
    EXPECT_FALSE(group({{"CMMI10", "x"}, {"T", "and"}}));  // a word outside the math font
}

TEST(RewriteLines, NoteMarkerLinesDropInPlace) {
    std::vector<Glyph> glyphs = {test::make_glyph({.text = "*"}), test::make_glyph({.text = "a"}),
                                 test::make_glyph({.text = "3", .size = 6}), test::make_glyph({.text = "b"})};
    std::vector<std::vector<const Glyph*>> lines = {{&glyphs[0]}, {&glyphs[1]}, {&glyphs[2], &glyphs[0]}, {&glyphs[3]}};
    drop_note_marker_lines(lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0], &glyphs[1]);
    EXPECT_EQ(lines[1][0], &glyphs[3]);
}

}  // namespace
}  // namespace zvk::rewrite
