#include "rewrite/placement/formula_slots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "rewrite/placement/formula_fixture.h"

namespace zvk::rewrite {
namespace {

using test::FormulaSegment;
using Ids = std::vector<std::uint32_t>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

const font::SubsetFont& full_font() {
    static const font::SubsetFont font = test::make_font(U"0123456789\u3000 xyn2表与和前后甲乙中");
    return font;
}

// A run at x 50 on baseline 500, size 10: ASCII characters 5 points wide,
// the others 10.
TextRun run_of(const std::string& text, const font::SubsetFont& font = full_font()) {
    return build_text_run(0, make_black_color(), text, font, 50, 500, 10, 0, "ZVKF", {});
}

std::vector<std::string> texts_of(const std::vector<TextRun>& runs) {
    std::vector<std::string> out;
    for (const TextRun& r : runs) out.push_back(r.text);
    return out;
}

TEST(FormulaSlots, FixtureFindsOneGroupPerFormula) {
    FormulaSegment seg(3);
    EXPECT_EQ(seg.groups(), (FormulaGroups{seg.formula(0), seg.formula(1), seg.formula(2)}));
    FormulaSegment bare(1, false);
    EXPECT_EQ(bare.groups(), (FormulaGroups{bare.formula(0)}));
}

TEST(FormulaSlots, FailuresKeepTheSegment) {
    struct Case {
        const char* name;
        int formulas;
        std::vector<std::string> runs;
    };
    const std::vector<Case> cases = {
        {"no formula group at all", 0, {"甲00\u3000乙"}},
        {"a slot names a group the segment lacks", 1, {"00\u3000甲01\u3000"}},
        {"a group without a slot", 2, {"甲00\u3000乙"}},
        {"digits before an ordinary space are no slot", 1, {"甲00 乙"}},
    };
    for (const Case& c : cases) {
        FormulaSegment seg(c.formulas);
        std::vector<TextRun> runs;
        for (const std::string& t : c.runs) runs.push_back(run_of(t));
        EXPECT_FALSE(place_formula_slots(seg.refs(), runs, full_font())) << c.name;
    }
}

TEST(FormulaSlots, SlotIsCutOutAndItsGroupMovedThere) {
    FormulaSegment seg(8);
    const std::vector<TextRun> runs = {run_of("00\u300001\u300002\u300003\u300004\u300005\u300006\u3000"),
                                       run_of("前07\u3000\u3000\u3000后")};
    const auto placed = place_formula_slots(seg.refs(), runs, full_font());
    ASSERT_TRUE(placed);
    ASSERT_EQ(placed->moves.size(), 8u);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(placed->moves[k].glyph_ids, seg.formula(k)) << k;
    // Group 7's leftmost edge is at 196 + 7 × 40; its slot starts after 前.
    const GlyphShift& seven = placed->moves[7];
    EXPECT_FLOAT_EQ(seven.dx, 60.0f - 476.0f);
    EXPECT_FLOAT_EQ(seven.dy, 500.0f - 700.0f);
    EXPECT_FLOAT_EQ(seven.baseline, 500.0f);
    // The run of slots alone leaves nothing; the other is cut around its slot
    // (three ideographic spaces included) and each piece keeps its place.
    ASSERT_EQ(texts_of(placed->runs), (std::vector<std::string>{"前", "后"}));
    EXPECT_FLOAT_EQ(placed->runs[0].x, 50.0f);
    EXPECT_FLOAT_EQ(placed->runs[1].x, 50.0f + 10 + 5 + 5 + 30);
    EXPECT_EQ(placed->runs[1].output_glyph_ids.size(), 1u);
}

TEST(FormulaSlots, RepeatedSlotIsRedrawnAsText) {
    struct Case {
        const char* name;
        std::u32string font_chars;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"font holds the formula's text", U"0123456789\u3000和2n", {"和", "2n"}},
        {"font lacks n: nothing drawn at the second slot", U"0123456789\u3000和2", {"和"}},
    };
    for (const Case& c : cases) {
        FormulaSegment seg(1);
        const font::SubsetFont font = test::make_font(c.font_chars);
        const std::vector<TextRun> runs = {run_of("00\u3000和00\u3000", font)};
        const auto placed = place_formula_slots(seg.refs(), runs, font);
        ASSERT_TRUE(placed) << c.name;
        ASSERT_EQ(placed->moves.size(), 1u) << c.name;
        EXPECT_FLOAT_EQ(placed->moves[0].dx, 50.0f - 196.0f) << c.name;
        ASSERT_EQ(texts_of(placed->runs), c.texts) << c.name;
        if (c.texts.size() < 2) continue;
        const TextRun& redraw = placed->runs[1];
        EXPECT_FLOAT_EQ(redraw.x, 50.0f + 20 + 10) << c.name;  // the second slot
        EXPECT_FLOAT_EQ(redraw.baseline, 500.0f);
        EXPECT_EQ(redraw.output_glyph_ids.size(), 2u);
        EXPECT_TRUE(redraw.source_glyph_ids.empty());
        EXPECT_EQ(redraw.advances, (std::vector<float>{5, 5}));
        EXPECT_EQ(redraw.gap_adjustments, (std::vector<float>{0}));
        EXPECT_EQ(redraw.marker_flags, (std::vector<std::uint8_t>{0, 0}));
    }
}

TEST(FormulaSlots, WhereTheFormulaGoes) {
    // The formula spans 196..203.5 on baseline 704; its letter x stands at 185
    // on 700. Slot x is 50 plus the advances before the slot.
    struct Case {
        const char* name;
        bool with_letters;
        std::string text;
        float dx;
        float dy;
    };
    const std::vector<Case> cases = {
        {"after x and one space: anchored on the source x", true, "x 00\u3000", 50 - 185.0f, -200},
        {"directly after x: anchored", true, "x00\u3000", 50 - 185.0f, -200},
        {"after x and two spaces: at the slot", true, "x  00\u3000", 65 - 196.0f, -200},
        {"after a letter no source glyph holds: at the slot", true, "y 00\u3000", 60 - 196.0f, -200},
        {"after an ideograph: at the slot", true, "中00\u3000", 60 - 196.0f, -200},
        {"no full-size neighbour: its own middle baseline", false, "中00\u3000", 60 - 196.0f, 500 - 704.0f},
    };
    for (const Case& c : cases) {
        FormulaSegment seg(1, c.with_letters);
        const auto placed = place_formula_slots(seg.refs(), std::vector{run_of(c.text)}, full_font());
        ASSERT_TRUE(placed) << c.name;
        ASSERT_EQ(placed->moves.size(), 1u) << c.name;
        EXPECT_FLOAT_EQ(placed->moves[0].dx, c.dx) << c.name;
        EXPECT_FLOAT_EQ(placed->moves[0].dy, c.dy) << c.name;
    }
}

TEST(FormulaSlots, NonFiniteMoveFails) {
    struct Case {
        const char* name;
        float run_x;
        float run_baseline;
    };
    const std::vector<Case> cases = {
        {"NaN baseline", 50, kNaN},
        {"infinite baseline", 50, kInf},
        {"infinite x", kInf, 500},
        {"NaN x", kNaN, 500},
    };
    for (const Case& c : cases) {
        FormulaSegment seg(1);
        TextRun run = run_of("中00\u3000");
        run.x = c.run_x;
        run.baseline = c.run_baseline;
        EXPECT_FALSE(place_formula_slots(seg.refs(), std::vector{run}, full_font())) << c.name;
    }
}

TEST(FormulaSlots, RunWithoutMatchingAdvancesKeepsItsX) {
    FormulaSegment seg(1);
    TextRun run = run_of("甲00\u3000乙");
    run.advances.pop_back();
    run.output_glyph_ids.pop_back();
    const auto placed = place_formula_slots(seg.refs(), std::vector{run}, full_font());
    ASSERT_TRUE(placed);
    EXPECT_FLOAT_EQ(placed->moves[0].dx, 50.0f - 196.0f);
    ASSERT_EQ(texts_of(placed->runs), (std::vector<std::string>{"甲", "乙"}));
    for (const TextRun& r : placed->runs) {
        EXPECT_FLOAT_EQ(r.x, 50.0f);
        EXPECT_TRUE(r.output_glyph_ids.empty());
    }
}

TEST(FormulaSlots, TranslationDigitsBeforeIdeographicSpaceStayText) {
    // "表 12", U+3000, "与 ⟦0⟧": the translation's own 12 and U+3000 are no
    // slot; only the placeholder becomes one.
    FormulaSegment seg(1);
    const ReservedSlots reserved = reserve_formula_slots("表 12\u3000与 \u27e60\u27e7", seg.refs());
    EXPECT_EQ(reserved.text, "表 12 与 00\u3000");
    EXPECT_EQ(reserved.widths.size(), 1u);
    const auto placed = place_formula_slots(seg.refs(), std::vector{run_of(reserved.text)}, full_font());
    ASSERT_TRUE(placed);
    ASSERT_EQ(placed->moves.size(), 1u);
    EXPECT_EQ(placed->moves[0].glyph_ids, seg.formula(0));
    EXPECT_EQ(texts_of(placed->runs), (std::vector<std::string>{"表 12 与 "}));
    // Left as it was, the 12 would read as a slot of a group the segment lacks.
    EXPECT_FALSE(place_formula_slots(seg.refs(), std::vector{run_of("表 12\u3000与 00\u3000")}, full_font()));
}

TEST(FormulaSlots, ScriptFormulaTest) {
    struct Case {
        const char* name;
        std::vector<zvk::test::GlyphSpec> glyphs;
        bool script;
    };
    const auto g = [](const char* text, float size) {
        return zvk::test::GlyphSpec{.text = text, .x0 = 0, .x1 = 1, .size = size, .baseline = 0};
    };
    const std::vector<Case> cases = {
        {"small glyphs", {g("2", 7), g("n", 7)}, true},
        {"exactly 0.84 of the size is small", {g("2", 8.4f)}, true},
        {"a hat alone is enough", {g("\u02c6", 10)}, true},
        {"full-size punctuation beside a small glyph", {g("(", 10), g("2", 7), g("\u2032", 10), g("\u2217", 10)},
         true},
        {"full-size letter", {g("2", 7), g("x", 10)}, false},
        {"full-size Greek letter", {g("2", 7), g("\u03b1", 10)}, false},
        {"full-size digit", {g("2", 7), g("3", 10)}, false},
        {"punctuation alone", {g("(", 10), g(")", 10)}, false},
        {"blank glyphs are passed over", {g(" ", 10), g("2", 7)}, true},
        {"no glyphs", {}, false},
    };
    for (const Case& c : cases) {
        const std::vector<Glyph> glyphs = zvk::test::make_glyphs(c.glyphs);
        EXPECT_EQ(is_script_formula(zvk::test::refs(glyphs), 10), c.script) << c.name;
    }
}

}  // namespace
}  // namespace zvk::rewrite
