#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "rewrite/placement/formula_fixture.h"
#include "rewrite/placement/formula_slots.h"

namespace zvk::rewrite {
namespace {

using test::FormulaSegment;

std::set<std::uint64_t> keys_of(const DigitPairWidthMap& map) {
    std::set<std::uint64_t> keys;
    for (const auto& [k, w] : map) keys.insert(k);
    return keys;
}

TEST(FormulaSlotReservation, PlaceholdersBecomeSlots) {
    struct Case {
        int formulas;
        std::string text;
        std::string expected;
        std::set<std::uint64_t> keys;
    };
    const std::string o = "\u27e6";  // ⟦
    const std::string c = "\u27e7";  // ⟧
    const std::string sp = "\u3000";
    const std::vector<Case> cases = {
        {4, "甲" + o + "3" + c + "乙", "甲03" + sp + "乙", {3}},
        {3, "甲" + o + "3" + c + "乙", "甲" + o + "3" + c + "乙", {}},
        {0, o + "0" + c, o + "0" + c, {}},
        {8, o + "+7" + c, "07" + sp, {7}},
        {8, o + "007" + c, "07" + sp, {7}},
        {8, o + " 7" + c, o + " 7" + c, {}},
        {8, o + "-7" + c, o + "-7" + c, {}},
        {8, o + c, o + c, {}},
        {8, o + "+" + c, o + "+" + c, {}},
        {8, o + "7a" + c, o + "7a" + c, {}},
        {8, o + "100" + c, o + "100" + c, {}},
        {8, o + "99999999999999999999999" + c, o + "99999999999999999999999" + c, {}},
        {1, "甲" + o + "0", "甲" + o + "0", {}},
        {1, o + o + "0" + c, o + "00" + sp, {0}},
        {2, o + "0" + c + o + "1" + c, "00" + sp + "01" + sp, {0, 1}},
        {2, o + "1" + c + "和" + o + "1" + c, "01" + sp + "和01" + sp, {1}},
        {1, "a1" + o + "0" + c, "a100" + sp, {0}},
        // The translation's own ideographic spaces stay text where they would
        // read as (part of) a slot, and only there.
        {1, "表 12" + sp + "与 " + o + "0" + c, "表 12 与 00" + sp, {0}},
        {1, o + "0" + c + sp + "后", "00" + sp + " 后", {0}},
        {1, "12" + sp + sp + "后", "12 " + sp + "后", {}},
        {1, "中" + sp + "文1" + sp, "中" + sp + "文1" + sp, {}},
    };
    for (const Case& t : cases) {
        FormulaSegment seg(t.formulas);
        const ReservedSlots r = reserve_formula_slots(t.text, seg.refs());
        EXPECT_EQ(r.text, t.expected) << t.text;
        EXPECT_EQ(keys_of(r.widths), t.keys) << t.text;
    }
}

TEST(FormulaSlotReservation, SlotWidth) {
    // The formula's glyphs: 2 at 196 (box to 199.5) and n at 200 (box to
    // 203.5); its letter x at 185, box to 190.
    struct Case {
        const char* name;
        bool with_letters;
        std::string text;
        float n_advance;
        float width;
    };
    const std::string slot = "\u27e60\u27e7";
    const std::vector<Case> cases = {
        {"after an ideograph: the whole formula", true, "中" + slot, 0, 7.5f},
        {"after x: from the right edge of x", true, "x" + slot, 0, 203.5f - 190},
        {"after x and a space", true, "x " + slot, 0, 203.5f - 190},
        {"after a letter no candidate holds", true, "y" + slot, 0, 7.5f},
        {"letters compare by case", true, "X" + slot, 0, 7.5f},
        {"no letter glyph near the formula", false, "x" + slot, 0, 7.5f},
        {"an advance shorter than the box bounds the reach", true, "中" + slot, 2, 6.0f},
        {"after x, the formula's reach bounded by its advance", true, "x" + slot, 2, 202 - 190.0f},
    };
    for (const Case& c : cases) {
        FormulaSegment seg(1, c.with_letters);
        const std::uint32_t n = seg.formula(0)[1];
        seg.glyph(n).advance = {c.n_advance, 0};
        const ReservedSlots r = reserve_formula_slots(c.text, seg.refs());
        ASSERT_EQ(r.widths.count(0), 1u) << c.name;
        EXPECT_FLOAT_EQ(r.widths.at(0), c.width) << c.name;
    }
}

TEST(FormulaSlotReservation, LaterEqualPlaceholderReplacesWidth) {
    // Group 0 is measured anew each time; both slots take the same width, and
    // the second measurement (after x) is the one kept.
    FormulaSegment seg(1);
    const ReservedSlots r = reserve_formula_slots("中\u27e60\u27e7 x\u27e60\u27e7", seg.refs());
    EXPECT_EQ(r.text, "中00\u3000 x00\u3000");
    EXPECT_FLOAT_EQ(r.widths.at(0), 203.5f - 190);
}

}  // namespace
}  // namespace zvk::rewrite
