#include "rewrite/placement/glyph_filters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;
using Ids = std::vector<std::uint32_t>;

Glyph at(const std::string& text, float x, float y, std::uint32_t id, float size = 10) {
    return test::make_glyph({.text = text, .x0 = x, .x1 = x + 5, .size = size, .baseline = y}, id);
}

Ids ids_of(const std::vector<const Glyph*>& glyphs) {
    Ids out;
    for (const Glyph* g : glyphs) out.push_back(g->id);
    return out;
}

TEST(FormulaGlyphsWithText, ListOrderNonBlankInSet) {
    const std::vector<Glyph> glyphs = {at("x", 10, 700, 5), at(" ", 15, 700, 6), at("2", 20, 704, 7),
                                       at("y", 30, 700, 8), at("\u3000", 35, 700, 9)};
    const std::vector<const Glyph*> refs = test::refs(glyphs);
    struct Case {
        const char* name;
        std::unordered_set<std::uint32_t> set;
        Ids expected;
    };
    const std::vector<Case> cases = {
        {"glyphs in list order, not set order", {7, 5}, {5, 7}},
        {"blank texts are left out, U+3000 too", {5, 6, 7, 9}, {5, 7}},
        {"ids without a glyph find nothing", {42}, {}},
        {"an empty set yields nothing", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ids_of(collect_formula_glyphs_with_text(refs, c.set)), c.expected) << c.name;
}

TEST(AnchorGlyph, RightmostHolderOrRightmostGlyph) {
    struct Case {
        const char* name;
        std::vector<Glyph> glyphs;
        std::optional<char32_t> anchor;
        std::optional<std::uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {"the rightmost glyph holding the letter", {at("x", 10, 700, 0), at("x", 30, 700, 1), at("x", 20, 700, 2)},
         U'x', 1},
        {"of two holders at one x the later", {at("x", 30, 700, 0), at("ax", 30, 700, 1), at("y", 50, 700, 2)},
         U'x', 1},
        {"a holder left of other glyphs still wins", {at("x", 10, 700, 0), at("y", 90, 700, 1)}, U'x', 0},
        {"+0 is right of -0", {at("x", 0.0f, 700, 0), at("x", -0.0f, 700, 1)}, U'x', 0},
        {"no holder: the rightmost glyph", {at("a", 50, 700, 0), at("b", 10, 700, 1)}, U'x', 0},
        {"no letter: the rightmost glyph, the later on equal x",
         {at("a", 50, 700, 0), at("b", 50, 700, 1), at("c", 10, 700, 2)}, std::nullopt, 1},
        {"a character beyond ASCII", {at("\u4E2D", 10, 700, 0), at("a", 50, 700, 1)}, U'\u4E2D', 0},
        {"no glyphs", {}, U'x', std::nullopt},
    };
    for (const Case& c : cases) {
        const std::vector<const Glyph*> refs = test::refs(c.glyphs);
        const Glyph* found = find_anchor_glyph(refs, c.anchor);
        ASSERT_EQ(found != nullptr, c.expected.has_value()) << c.name;
        if (found) {
            EXPECT_EQ(found->id, *c.expected) << c.name;
        }
    }
}

TEST(NearbyBaselines, WindowTests) {
    // Window: S = U = T = 10, span [100, 120], reference height 700, so x runs
    // from 40 to 180 and baselines from 695.5 to 704.5.
    const BaselineWindow window{.size = 10, .unit = 10, .x0 = 100, .x1 = 120, .y = 700, .tolerance = 10};
    struct Case {
        const char* name;
        Glyph glyph;
        bool collected;
    };
    const std::vector<Case> cases = {
        {"inside", at("a", 110, 701, 1), true},
        {"size exactly 0.82 × S is not collected", at("a", 110, 700, 1, 0.82f * 10), false},
        {"size just above 0.82 × S", at("a", 110, 700, 1, 8.21f), true},
        {"x at the left end of the widened span", at("a", 40, 700, 1), true},
        {"x left of it", at("a", 39.9f, 700, 1), false},
        {"x at the right end", at("a", 180, 700, 1), true},
        {"x right of it", at("a", 180.1f, 700, 1), false},
        {"baseline 0.45 × T below", at("a", 110, 695.5f, 1), true},
        {"baseline further below", at("a", 110, 695.4f, 1), false},
        {"a NaN baseline", at("a", 110, kNaN, 1), false},
        {"a NaN x", at("a", kNaN, 700, 1), false},
        {"an excluded glyph", at("a", 110, 700, 9), false},
    };
    const std::unordered_set<std::uint32_t> excluded = {9};
    for (const Case& c : cases) {
        const std::vector<const Glyph*> refs = {&c.glyph};
        const std::vector<float> got = collect_nearby_baselines(refs, excluded, window);
        EXPECT_EQ(got, c.collected ? std::vector<float>{c.glyph.matrix[5]} : std::vector<float>{}) << c.name;
    }
    // In list order; an empty excluded set excludes nothing.
    const std::vector<Glyph> glyphs = {at("a", 110, 702, 9), at("b", 110, 699, 3), at("c", 110, 650, 4)};
    EXPECT_EQ(collect_nearby_baselines(test::refs(glyphs), {}, window), (std::vector<float>{702, 699}));
}

}  // namespace
}  // namespace zvk::rewrite
