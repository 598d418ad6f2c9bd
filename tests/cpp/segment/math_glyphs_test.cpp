// Glyph and text predicates of formulas and notes: math glyphs, vector-font
// glyphs, numeric symbols, note marks and short math lines.
#include "segment/math_glyphs.h"

#include <gtest/gtest.h>

#include "glyph_fixture.h"
#include "segment/text_predicates.h"

namespace zvk {
namespace {

using test::GlyphSpec;
using test::kNaN;

struct GlyphCase {
    const char* font;
    const char* text;
    bool expected;
};

TEST(MathGlyph, Table) {
    const GlyphCase cases[] = {
        {"CMMI10", "x", true},
        {"ABCDEF+cmsy10", "\u2192", true},  // the font name is upper-cased
        {"CMEX10", "\u2211", true},
        {"MSBM10", "R", true},
        {"STIXGeneral", "\u03b1", true},
        {"OICLJA+MathematicalPi-One", "\u03b1", true},
        {"CMSY10", "*", false},             // a footnote mark
        {"CMSY10", " \u2020 ", false},      // trimmed first
        {"CMSY10", "\u2217", false},
        {"CMSY10", "\u22c6", false},
        {"CMSY10", "\u00a7", false},
        {"CMSY10", "\u00b6", false},
        {"CMSY10", "#", false},
        {"CMSY10", "\u2212", false},        // a numeric symbol
        {"CMMI10", "5", false},
        {"CMSY10", "\u221e", false},
        {"CMSY10", "**", true},             // not exactly one mark
        {"CMR10", "x", false},
        {"Times-Roman", "\u2211", false},
        {"Euler-Math", "x", true},          // the word at the end of the name
        {"CMM10", "x", false},              // a word cut short is none
    };
    for (const GlyphCase& c : cases) {
        Glyph g = test::make_glyph({c.text, 0, 1, 10, 0, c.font});
        EXPECT_EQ(is_math_glyph(g), c.expected) << c.font << " " << c.text;
    }
}

TEST(VectorFontGlyph, Table) {
    const GlyphCase cases[] = {
        {"VectorFont", "\u2192", true},
        {"ABC+vect-sym", "12", true},
        {"VectorFont", "a1", false},
        {"Times", "\u2192", false},
    };
    for (const GlyphCase& c : cases) {
        Glyph g = test::make_glyph({c.text, 0, 1, 10, 0, c.font});
        EXPECT_EQ(is_vector_font_glyph(g), c.expected) << c.font << " " << c.text;
    }
}

struct TextCase {
    const char* text;
    bool expected;
};

TEST(NumericSymbolText, Table) {
    const TextCase cases[] = {
        {"5", true},        {" ( ", true},      {"\u2212", true}, {"\u00b0", true}, {"\u00b1", true},
        {"\u00b7", true},   {"\u00d7", true},   {"\u2013", true}, {"\u2014", true}, {"\u2248", true},
        {"\u2260", true},   {"\u2264", true},   {"\u2265", true}, {"%", true},      {"]", true},
        {"55", false},      {"a", false},       {"", false},      {" ", false},     {"*", false},
        {"!", false},       {"\u0662", false},  // Arabic-Indic two
        {"\u2212\u2212", false},
    };
    for (const TextCase& c : cases) EXPECT_EQ(is_numeric_symbol_text(c.text), c.expected) << c.text;
}

TEST(NoteMarkText, Table) {
    const TextCase cases[] = {
        {"1", true},          {"12", true},        {"*", true},      {"**", true},     {"\u2020\u2021", true},
        {" \u2020 ", true},   {"\u2217", true},    {"\u22c6", true}, {"\u00a7", true}, {"\u00b6", true},
        {"#", true},          {"+", true},         {"1*", true},
        {"123", false},       {"a", false},        {"", false},      {"  ", false},    {"1a", false},
        {"*)", false},        {"1 2", false},  // the inner space is a character
        {"\u0661", false},
    };
    for (const TextCase& c : cases) EXPECT_EQ(is_note_mark_text(c.text), c.expected) << c.text;
}

TEST(ShortMathLine, Table) {
    struct Case {
        const char* name;
        std::vector<GlyphSpec> glyphs;  // text, box x0, x1, size, baseline, font
        bool expected;
    };
    const GlyphSpec sum{"\u2211", 0, 8, 10, 0, "CMEX10"};
    const Case cases[] = {
        {"one math glyph", {sum}, true},
        {"exactly 6 sizes wide", {{"\u2211", 0, 60, 10, 0, "CMEX10"}}, true},
        {"wider than 6 sizes", {{"\u2211", 0, 60.5f, 10, 0, "CMEX10"}}, false},
        {"size below 1 counts as 1", {{"\u2211", 0, 6, 0.5f, 0, "CMEX10"}}, true},
        {"size below 1, 7 wide", {{"\u2211", 0, 7, 0.5f, 0, "CMEX10"}}, false},
        {"NaN width", {{"\u2211", kNaN, kNaN, 10, 0, "CMEX10"}}, false},
        {"math letters are fine", {{"x", 0, 5, 10, 0, "CMMI10"}, {"y", 5, 10, 10, 0, "CMMI10"}}, true},
        {"a digit beside it", {sum, {"2", 8, 12, 10, 0, "CMR10"}}, true},
        {"a text letter beside it", {sum, {"n", 8, 12, 10, 0, "CMR10"}}, false},
        {"no math glyph", {{"*", 0, 5, 10, 0, "CMSY10"}, {"2", 5, 9, 10, 0, "CMR10"}}, false},
        {"vector-font glyph", {{"\u2192", 0, 5, 10, 0, "VectorFont"}}, true},
        {"six glyphs", {sum, sum, sum, sum, sum, sum}, true},
        {"seven glyphs", {sum, sum, sum, sum, sum, sum, sum}, false},
    };
    for (const Case& c : cases) {
        auto glyphs = test::make_glyphs(c.glyphs);
        TextLine line = build_text_line(test::refs(glyphs));
        EXPECT_EQ(is_short_math_line(line), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace zvk
