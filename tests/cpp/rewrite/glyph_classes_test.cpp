#include "rewrite/geometry/glyph_classes.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;
using test::make_glyph;

Glyph glyph_in(const std::string& font, const std::string& text) {
    return make_glyph({.text = text, .x0 = 100, .x1 = 106, .size = 10, .baseline = 500, .font = font});
}

Glyph with_matrix(Glyph g, float a, float b, float c, float d) {
    g.matrix = {a, b, c, d, g.matrix[4], g.matrix[5]};
    return g;
}

TEST(GlyphSkipReason, FirstMatchingRowWins) {
    struct Case {
        const char* name;
        std::function<Glyph()> glyph;
        std::optional<std::string_view> reason;
    };
    const std::vector<Case> cases = {
        {"ordinary text", [] { return glyph_in("Times-Roman", "a"); }, std::nullopt},
        {"one space is text", [] { return glyph_in("Times-Roman", " "); }, std::nullopt},
        {"empty text", [] { return glyph_in("Times-Roman", ""); }, kSkipUnmapped},
        {"unmapped before formula",
         [] {
             Glyph g = glyph_in("CMMI10", "x");
             g.unmapped = true;
             return g;
         },
         kSkipUnmapped},
        {"footnote star in a math font", [] { return glyph_in("CMSY10", "\u2217"); }, std::nullopt},
        {"footnote star turned",
         [] { return with_matrix(glyph_in("CMSY10", "\u2217"), 0, 12, -12, 0); }, kSkipVertical},
        {"sum turned and clipped is formula",
         [] {
             Glyph g = with_matrix(glyph_in("CMSY10", "\u2211"), 0, 12, -12, 0);
             g.clipped = true;
             return g;
         },
         kSkipFormula},
        {"quarter turn at size 1", [] { return with_matrix(glyph_in("Times", "a"), 0, 1, -1, 0); }, std::nullopt},
        {"2 <= 0.25 x 10", [] { return with_matrix(glyph_in("Times", "a"), 2, 10, -10, 2); }, kSkipVertical},
        {"3 > 0.25 x 10", [] { return with_matrix(glyph_in("Times", "a"), 3, 10, -10, 3); }, std::nullopt},
        {"NaN matrix never turned",
         [] { return with_matrix(glyph_in("Times", "a"), kNaN, 10, -10, kNaN); }, std::nullopt},
        {"vertical flag",
         [] {
             Glyph g = glyph_in("Times", "a");
             g.vertical = true;
             return g;
         },
         kSkipVertical},
        {"clip uncertain is no clip",
         [] {
             Glyph g = glyph_in("Times", "a");
             g.clipped = g.clip_uncertain = true;
             return g;
         },
         std::nullopt},
        {"clipped before annotation",
         [] {
             Glyph g = glyph_in("Times", "a");
             g.clipped = true;
             g.source.kind = GlyphSourceKind::AnnotationAppearance;
             return g;
         },
         kSkipClipped},
        {"annotation",
         [] {
             Glyph g = glyph_in("Times", "a");
             g.source.kind = GlyphSourceKind::AnnotationAppearance;
             return g;
         },
         kSkipAnnotation},
        {"type3",
         [] {
             Glyph g = glyph_in("Times", "a");
             g.source.kind = GlyphSourceKind::Type3CharProc;
             return g;
         },
         kSkipType3},
        {"form xobject is ordinary",
         [] {
             Glyph g = glyph_in("Times", "a");
             g.source.kind = GlyphSourceKind::FormXObject;
             return g;
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        const Glyph g = c.glyph();
        EXPECT_EQ(glyph_skip_reason(g), c.reason) << c.name;
        MathFontNameTest math_font;
        EXPECT_EQ(has_formula_skip_reason(g, math_font), c.reason == kSkipFormula) << c.name;
    }
}

TEST(GlyphClassifiers, MathFontNames) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"CMMI10", true},           {"ABCDEF+CMSY7", true}, {"Symbol", true},   {"latinmodern-math", true},
        {"CambriaMath", true},      {"MSBM10", true},       {"ArialMT", false}, {"", false},
        {"Times-Roman", false},     {"CMR10", false},
    };
    for (const auto& [name, math] : cases) EXPECT_EQ(is_math_font_name(name), math) << name;
}

TEST(GlyphClassifiers, FootnoteMarkersAndQuotes) {
    const std::vector<std::pair<std::string, bool>> markers = {
        {"*", true}, {" \u2020 ", true}, {"\u00A7", true}, {"\u22C6", true}, {"**", false},
        {"1", false}, {"", false}, {"\u2217\u2217", false},
    };
    for (const auto& [text, marker] : markers) EXPECT_EQ(is_footnote_marker_text(text), marker) << text;

    const std::vector<std::pair<std::string, bool>> quotes = {
        {"\u201C\u201D", true},        {"\u300C\u300D", true}, {" '\" ", true},  {"\u00AB \u00BB", false},
        {"", false},                   {"   ", false},         {"\u201A", false}, {"\u201F", false},
        {"\u275B\u275E", true},        {"\"a\"", false},
    };
    for (const auto& [text, only_quotes] : quotes) EXPECT_EQ(is_quotes_only_text(text), only_quotes) << text;
}

TEST(GlyphClassifiers, PlainFranklinText) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> glyphs;  // font, text
        bool franklin;
    };
    const std::vector<Case> cases = {
        {"book face with digits in Arial",
         {{"FranklinGothic-Book", "W"}, {"FranklinGothic-Book", "o"}, {"Arial", "1"}, {"Arial", "2"}}, true},
        {"a letter in Arial", {{"FranklinGothic-Book", "W"}, {"Arial", "x"}}, false},
        {"demi only", {{"FranklinGothic-Demi", "W"}, {"FranklinGothic-Demi", "o"}}, false},
        {"italic only", {{"FranklinGothic-BookItal", "W"}}, false},
        {"quotes and blanks in other faces do not count",
         {{"Times", "\u201C"}, {"Times", " "}, {"FranklinGothic-Book", "A"}}, true},
        {"no glyph", {}, false},
        {"no Franklin glyph at all", {{"Arial", "1"}}, false},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs;
        for (const auto& [font, text] : c.glyphs) glyphs.push_back(glyph_in(font, text));
        EXPECT_EQ(is_plain_franklin_text(test::refs(glyphs)), c.franklin) << c.name;
    }
}

TEST(GlyphClassifiers, BoldAndNonBlankItems) {
    std::vector<Glyph> none;
    EXPECT_TRUE(all_glyphs_bold(test::refs(none)));
    std::vector<Glyph> bold = {glyph_in("Arial-Bold", "a"), glyph_in("CMBX10", "b")};
    EXPECT_TRUE(all_glyphs_bold(test::refs(bold)));
    bold.push_back(glyph_in("Arial", "c"));
    EXPECT_FALSE(all_glyphs_bold(test::refs(bold)));

    std::vector<Glyph> items = {glyph_in("T", "a"), glyph_in("T", " "), glyph_in("T", ""), glyph_in("T", "\u00A0b")};
    items[3].id = 3;
    const auto kept = collect_nonblank_text_items(test::refs(items));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], &items[0]);
    EXPECT_EQ(kept[1], &items[3]);
}

TEST(GlyphClassifiers, PromptSectionKeywords) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Input", true},          {"INPUT", true},          {"outputformat", true}, {"Instruction", true},
        {" INPUT", false},        {"INPUTS", false},        {"OUTPUT FORMAT", false},
        {"OUTPUTFORMAT:", false}, {"", false},              {"Persona", true},
    };
    for (const auto& [text, keyword] : cases) EXPECT_EQ(is_prompt_section_keyword(text), keyword) << text;
    EXPECT_TRUE(is_prompt_section_keyword_prefix("OUTP"));
    EXPECT_TRUE(is_prompt_section_keyword_prefix("OUTPUTFORMAT"));
    EXPECT_FALSE(is_prompt_section_keyword_prefix("INPUTS"));
}

TEST(GlyphClassifiers, AsciiLettersOfGlyphs) {
    std::vector<Glyph> glyphs = {glyph_in("T", "\u00C9"), glyph_in("T", "x"), glyph_in("T", "1"), glyph_in("T", "Y")};
    EXPECT_EQ(collect_ascii_letters(test::refs(glyphs)), "xY");
}

TEST(GlyphClassifiers, SingleNumeralChar) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"7", true}, {" v ", true}, {"X", true}, {"L", true}, {"c", true}, {"M", true}, {"0", true},
        {"IV", false}, {"12", false}, {"a", false}, {"\u216B", false}, {"", false}, {" ", false},
        {"\u0131", false},  // dotless i: no case mapping beyond ASCII
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(is_single_numeral_char(text), expected) << text;
}

TEST(BulletGlyphs, LoneMarksAndDingbatLetters) {
    struct Case {
        const char* font;
        const char* text;
        bool bullet;
    };
    const std::vector<Case> cases = {
        {"Times-Roman", "\u2022", true},
        {"Times-Roman", "\u25AA", true},
        {"Symbol", "\uF0B7", true},  // private use: a symbol-font bullet
        {"Times-Roman", "\u2013", true},
        {"Times-Roman", " \u2022 ", true},
        {"Times-Roman", "-", false},
        {"ZapfDingbats", "-", false},  // a lone hyphen-minus never is
        {"ZapfDingbats", "a", true},
        {"Wingdings-Regular", "l", true},
        {"Wingdings-Regular", "ll", false},
        {"Times-Roman", "a", false},
        {"Times-Roman", "\u2022\u2022", false},
        {"Times-Roman", "", false},
        {"ZapfDingbats", " ", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_bullet_glyph(glyph_in(c.font, c.text)), c.bullet) << c.font << " " << c.text;
}

TEST(TextPieces, JoinedWithASpaceUnlessIdeographsMeet) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"方法", "与结果", "方法与结果"},
        {"方法 ", "  与结果", "方法与结果"},
        {"Methods", "and results", "Methods and results"},
        {"方法", "and", "方法 and"},
        {"Intro:", "结果", "Intro: 结果"},
        {"方法。", "结果", "方法。 结果"},  // a full stop is no ideograph
        {"", "结果", "结果"},
        {"方法", "   ", "方法"},
        {"", "", ""},
    };
    for (const auto& [first, second, joined] : cases) EXPECT_EQ(join_text_pieces(first, second), joined) << first;
}

TEST(NumberedSectionHeadings, TextAndGlyphs) {
    struct Case {
        std::string text;
        const char* font;
        float size;
        float second_baseline;  // of the second glyph; the first is at 500
        bool heading;
    };
    const std::vector<Case> cases = {
        {"2 Methods", "Times-Bold", 10, 500, true},
        {"2.1 Methods", "Times-Bold", 10, 500, true},
        {"12 Methods", "Times-Roman", 12, 500, true},  // not bold but large
        {"2 Methods", "Times-Roman", 11, 500, false},  // neither
        {"123 Methods", "Times-Bold", 10, 500, false},
        {"2. Methods", "Times-Bold", 10, 500, false},
        {"2.1.3 Methods", "Times-Bold", 10, 500, false},
        {"2 3 Methods", "Times-Bold", 10, 500, false},
        {"2Methods", "Times-Bold", 10, 500, false},
        {"2", "Times-Bold", 10, 500, false},
        {"2 Methods.", "Times-Bold", 10, 500, false},
        {"2 Methods\u3002", "Times-Bold", 10, 500, false},
        {"2 Methods \u27E60\u27E7", "Times-Bold", 10, 500, false},
        {"2 " + std::string(79, 'x'), "Times-Bold", 10, 500, false},
        {"2 " + std::string(78, 'x'), "Times-Bold", 10, 500, true},
        {"2 Methods", "Times-Bold", 10, 495.5f, true},   // 4.5 apart: one line at size 10
        {"2 Methods", "Times-Bold", 10, 495.4f, false},  // two lines
        {"  2\tMethods  ", "Times-Bold", 10, 500, true},
    };
    for (const Case& c : cases) {
        std::vector<Glyph> glyphs = {
            make_glyph({.text = "2", .x0 = 100, .x1 = 105, .size = c.size, .baseline = 500, .font = c.font}),
            make_glyph({.text = "Methods", .x0 = 110, .x1 = 140, .size = c.size, .baseline = c.second_baseline,
                        .font = c.font}),
            make_glyph({.text = " ", .x0 = 140, .x1 = 142, .size = 30, .baseline = 300, .font = "Times-Roman"}),
        };
        EXPECT_EQ(is_numbered_section_heading(c.text, test::refs(glyphs)), c.heading) << c.text;
    }
    EXPECT_FALSE(is_numbered_section_heading("2 Methods", {}));  // no glyph with text
}

}  // namespace
}  // namespace zvk::rewrite
