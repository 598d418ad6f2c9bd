#include "rewrite/geometry/formula_placeholders.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using Ids = std::vector<std::uint32_t>;

// A document's glyphs at body size 10, ids by position. Text is set letter
// by letter, 5 wide, with a 3-point space between words.
class Doc {
public:
    std::uint32_t add(const std::string& text, float x, float y, float size = 10, const std::string& font = "Times",
                      std::uint32_t page = 0, float width = -1) {
        const float w = width < 0 ? 0.5f * size : width;
        glyphs_.push_back(test::make_glyph({.text = text, .x0 = x, .x1 = x + w, .size = size, .baseline = y, .font = font},
                                           static_cast<std::uint32_t>(glyphs_.size()), page));
        return glyphs_.back().id;
    }
    // Words from x on baseline y; returns the ids and leaves x after the
    // last word plus a space.
    Ids words(const std::string& text, float& x, float y, std::uint32_t page = 0) {
        Ids ids;
        for (char c : text) {
            if (c == ' ') {
                x += 3;
                continue;
            }
            ids.push_back(add(std::string(1, c), x, y, 10, "Times", page));
            x += 5;
        }
        x += 3;
        return ids;
    }
    // x with a raised 2, both in math fonts.
    Ids x_squared(float& x, float y, std::uint32_t page = 0) {
        Ids ids{add("x", x, y, 10, "CMMI10", page), add("2", x + 6, y + 4, 7, "CMMI7", page)};
        x += 13;
        return ids;
    }
    std::vector<const Glyph*> refs(const Ids& ids) const {
        std::vector<const Glyph*> out;
        for (auto id : ids) out.push_back(&glyphs_[id]);
        return out;
    }
    const std::vector<Glyph>& glyphs() const { return glyphs_; }

private:
    std::vector<Glyph> glyphs_;
};

Ids join(std::initializer_list<Ids> parts) {
    Ids out;
    for (const Ids& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(FormulaPlaceholders, WhenASegmentIsRebuilt) {
    struct Case {
        const char* name;
        std::uint32_t page;
        std::string source;  // the segment's text as segmentation left it
        std::function<Ids(Doc&)> build;
        std::string expected;  // "" for unchanged
    };
    const std::vector<Case> cases = {
        {"formula in a short sentence", 0, "orig",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("value of", x, 700);
             const Ids f = d.x_squared(x, 700);
             return join({a, f, d.words("is big", x, 700)});
         },
         "value of \u27e60\u27e7 is big"},
        {"11 letters outside the formula", 0, "orig",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("value of", x, 700);
             const Ids f = d.x_squared(x, 700);
             return join({a, f, d.words("is bi", x, 700)});
         },
         ""},
        {"no formula", 0, "orig",
         [](Doc& d) {
             float x = 100;
             return d.words("value of x is big", x, 700);
         },
         ""},
        {"a token already", 0, "a \u27e60\u27e7",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("value of", x, 700);
             const Ids f = d.x_squared(x, 700);
             return join({a, f, d.words("is big", x, 700)});
         },
         ""},
        {"a reference label", 0, "  [Abc",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("value of", x, 700);
             const Ids f = d.x_squared(x, 700);
             return join({a, f, d.words("is big", x, 700)});
         },
         ""},
        {"three glyphs", 0, "orig",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("v", x, 700);
             return join({a, d.x_squared(x, 700)});
         },
         ""},
        {"prose with three formula glyphs on page index 3", 3, "orig",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("the value of", x, 700);
             const Ids f = d.x_squared(x, 700);
             const Ids b = d.words("and", x, 700);
             const Ids y{d.add("y", x, 700, 10, "CMMI10")};
             x += 8;
             return join({a, f, b, y, d.words("grows fast", x, 700)});
         },
         ""},
        {"the same on page index 4", 4, "orig",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("the value of", x, 700);
             const Ids f = d.x_squared(x, 700);
             const Ids b = d.words("and", x, 700);
             const Ids y{d.add("y", x, 700, 10, "CMMI10")};
             x += 8;
             return join({a, f, b, y, d.words("grows fast", x, 700)});
         },
         "the value of \u27e60\u27e7 and y grows fast"},
    };
    for (const Case& c : cases) {
        Doc d;
        const Ids ids = c.build(d);
        const GlyphIdIndex index(d.glyphs());
        Segment segment{.glyph_ids = ids, .source = c.source, .id = 7, .page_index = c.page};
        const Segment out = insert_formula_placeholders(segment, d.glyphs(), index);
        EXPECT_EQ(out.source, c.expected.empty() ? c.source : c.expected) << c.name;
        EXPECT_EQ(out.glyph_ids, ids) << c.name;
        EXPECT_EQ(out.id, 7u) << c.name;
        EXPECT_EQ(out.page_index, c.page) << c.name;
    }
}

TEST(FormulaPlaceholders, TextFromPieces) {
    struct Case {
        const char* name;
        std::function<std::pair<Ids, FormulaGroups>(Doc&)> build;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"tokens follow the order of the groups, not of the line",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("if", x, 700);
             const Ids f = d.x_squared(x, 700);
             const Ids b = d.words("then", x, 700);
             const Ids g = d.x_squared(x, 700);
             return std::pair{join({a, f, b, g}), FormulaGroups{g, f}};
         },
         "if \u27e61\u27e7 then \u27e60\u27e7"},
        {"a group spread over the text is one token at its left edge",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("ab", x, 700);
             const Ids left{d.add("x", x, 700, 10, "CMMI10")};
             x += 8;
             const Ids b = d.words("cd", x, 700);
             const Ids right{d.add("y", x, 700, 10, "CMMI10")};
             return std::pair{join({a, left, b, right}), FormulaGroups{{left[0], right[0]}}};
         },
         // the token ends where the group does, beyond "cd": no space
         "ab \u27e60\u27e7cd"},
        {"a math bracket outside the groups and blank glyphs add nothing",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("ab", x, 700);
             const Ids br{d.add("(", x, 700, 10, "CMSY10"), d.add(" ", x + 5, 700)};
             x += 10;
             return std::pair{join({a, br, d.words("cd", x, 700)}), FormulaGroups{}};
         },
         "ab cd"},
        {"a group of math brackets alone gets no token",
         [](Doc& d) {
             float x = 100;
             const Ids a = d.words("ab", x, 700);
             const Ids br{d.add("(", x, 700, 10, "CMEX10"), d.add(")", x + 6, 700, 10, "CMEX10")};
             x += 14;
             return std::pair{join({a, br, d.words("cd", x, 700)}), FormulaGroups{br}};
         },
         "ab cd"},
        {"lines top down, each left to right",
         [](Doc& d) {
             float x = 100;
             const Ids low = d.words("two", x, 686);
             x = 100;
             const Ids high = d.words("one", x, 700);
             return std::pair{join({low, high}), FormulaGroups{}};
         },
         "one two"},
    };
    for (const Case& c : cases) {
        Doc d;
        const auto [ids, groups] = c.build(d);
        EXPECT_EQ(build_segment_text_with_placeholders(d.refs(ids), groups, 10), c.expected) << c.name;
    }
}

// A paragraph from the foot of column 1 to the head of column 2 and on to
// the next page: its parts keep their order, and lines at one height on two
// pages stay apart.
TEST(FormulaPlaceholders, ParagraphAcrossColumnsAndPagesKeepsItsOrder) {
    Doc d;
    float x = 100;
    const Ids foot = d.words("at the foot", x, 100);
    const Ids f = d.x_squared(x, 100);
    x = 320;
    const Ids head = d.words("head of two", x, 700);
    x = 100;
    const Ids next = d.words("next page", x, 700, 1);
    const Ids ids = join({foot, f, head, next});
    EXPECT_EQ(build_segment_text_with_placeholders(d.refs(ids), FormulaGroups{f}, 10),
              "at the foot \u27e60\u27e7 head of two next page");
}

TEST(FormulaPlaceholders, Spaces) {
    struct Row {
        const char* name;
        bool has_previous;
        std::string previous;
        float previous_right;
        float previous_baseline;
        float left;
        float baseline;
        std::string current;
        bool space;
    };
    const std::vector<Row> rows = {
        {"first piece", false, "a", 0, 700, 10, 700, "b", false},
        {"blank previous", true, " ", 0, 700, 10, 700, "b", false},
        {"blank current", true, "a", 0, 700, 10, 700, "\u3000", false},
        {"ideographs side by side", true, "\u4e2d", 0, 700, 5, 700, "\u6587", false},
        {"ideographs on two lines", true, "\u4e2d", 0, 700, 0, 690, "\u6587", true},
        {"Latin glyph on the next line, touching", true, "a", 100, 700, 0, 690, "b", true},
        {"gap of exactly 0.18 size", true, "a", 0, 700, 0.18f * 10, 700, "b", false},
        {"gap slightly larger", true, "a", 0, 700, 1.9f, 700, "b", true},
        {"gap of 4 sizes", true, "a", 100, 700, 140, 700, "b", false},
        {"gap under 4 sizes", true, "a", 100, 700, 139, 700, "b", true},
        {"NaN baseline and small gap", true, "a", 100, std::numeric_limits<float>::quiet_NaN(), 101, 700, "b", false},
    };
    for (const Row& r : rows) {
        std::string text = "x";
        needs_space_between(text, r.has_previous, r.previous, r.previous_right, r.previous_baseline, r.left,
                            r.baseline, r.current, 10, 6.5f);
        EXPECT_EQ(text, r.space ? "x " : "x") << r.name;
    }
}

TEST(FormulaPlaceholders, ReadsAsText) {
    struct Case {
        const char* name;
        std::function<Ids(Doc&)> build;
        bool expected;
    };
    // n one-letter words (letters not joined), then the formula glyphs.
    const auto letters_and_formula = [](Doc& d, int letters, int formula) {
        Ids ids;
        float x = 100;
        for (int i = 0; i < letters; ++i, x += 8) ids.push_back(d.add("q", x, 700));
        for (int i = 0; i < formula; ++i, x += 8) ids.push_back(d.add("a", x, 700, 10, "CMMI10"));
        return ids;
    };
    // A lowered math glyph beside the first word and then `rest` letters.
    const auto lowered = [](Doc& d, const std::string& first, int rest) {
        float x = 100;
        Ids ids = d.words(first, x, 700);
        ids.push_back(d.add("i", x, 697, 7, "CMMI7"));
        ids.push_back(d.add("x", x + 8, 700, 10, "CMMI10"));
        x += 20;
        ids = join({ids, d.words(std::string(static_cast<std::size_t>(rest), 'q'), x, 700)});
        return ids;
    };
    const std::vector<Case> cases = {
        {"empty", [](Doc&) { return Ids{}; }, false},
        {"16 letters beside 2 formula glyphs", [&](Doc& d) { return letters_and_formula(d, 16, 2); }, true},
        {"15 letters", [&](Doc& d) { return letters_and_formula(d, 15, 2); }, false},
        {"as many formula glyphs as others", [&](Doc& d) { return letters_and_formula(d, 16, 16); }, false},
        {"a subscript and the word 'the': 12 letters", [&](Doc& d) { return lowered(d, "the", 9); }, true},
        {"the same with 11 letters", [&](Doc& d) { return lowered(d, "the", 8); }, false},
        {"12 letters without a function word", [&](Doc& d) { return lowered(d, "qqq", 9); }, false},
        {"8 formula glyphs on one line, 20 letters", [&](Doc& d) { return letters_and_formula(d, 20, 8); }, false},
        {"the same spread over two lines",
         [&](Doc& d) {
             Ids ids = letters_and_formula(d, 20, 8);
             ids.push_back(d.add("q", 100, 688));
             return ids;
         },
         true},
        {"8 formula glyphs beside 40 letters", [&](Doc& d) { return letters_and_formula(d, 40, 8); }, true},
    };
    for (const Case& c : cases) {
        Doc d;
        const Ids ids = c.build(d);
        EXPECT_EQ(formula_run_reads_as_text(d.refs(ids)), c.expected) << c.name;
    }
}

TEST(FormulaPlaceholders, FunctionWordsAndIndex) {
    for (const auto& [word, expected] : std::vector<std::pair<std::string, bool>>{
             {"a", true}, {"with", true}, {"this", true}, {"the", true}, {"that", false}, {"", false}, {"thes", false}}) {
        std::string buffer = word;
        bool found = false;
        is_prose_function_word(buffer, found);
        EXPECT_EQ(found, expected) << word;
        EXPECT_TRUE(buffer.empty());
    }
    Doc d;
    d.add("a", 0, 0);
    d.add("b", 5, 0);
    const GlyphIdIndex index(d.glyphs());
    const Ids ids{1, 9, 0};
    const auto refs = glyph_refs_for_ids(ids, d.glyphs(), index);
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0]->unicode, "b");
    EXPECT_EQ(refs[1]->unicode, "a");
}

}  // namespace
}  // namespace zvk::rewrite
