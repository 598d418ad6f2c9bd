#include "rewrite/geometry/formula_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;
using Ids = std::vector<std::uint32_t>;

Glyph at(float x, float y, std::uint32_t id, const std::string& text = "a", float size = 10,
         std::uint32_t page = 0, const std::string& font = "Times") {
    return test::make_glyph({.text = text, .x0 = x, .x1 = x + 5, .size = size, .baseline = y, .font = font}, id,
                            page);
}

TEST(SortGlyphIndicesByPosition, TopDownThenLeftToRightStableWithTotalOrder) {
    struct Case {
        const char* name;
        std::vector<Glyph> glyphs;
        std::vector<std::size_t> expected;
    };
    const std::vector<Case> cases = {
        {"baseline descending, then x ascending",
         {at(50, 700, 0), at(10, 686, 1), at(10, 700, 2)},
         {2, 0, 1}},
        {"equal keys keep their input order", {at(10, 700, 0), at(10, 700, 1), at(10, 700, 2)}, {0, 1, 2}},
        {"-0 sorts before +0 and they are no tie", {at(0.0f, 700, 0), at(-0.0f, 700, 1)}, {1, 0}},
        // A NaN baseline is the greatest key: it comes first in a descending
        // order, and a NaN x last among its line.
        {"NaN keys have a place", {at(10, 700, 0), at(10, kNaN, 1), at(kNaN, 700, 2), at(5, 700, 3)},
         {1, 3, 0, 2}},
    };
    for (const Case& c : cases) {
        const std::vector<const Glyph*> glyphs = test::refs(c.glyphs);
        std::vector<std::size_t> indices(glyphs.size());
        for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = i;
        sort_glyph_indices_by_position(indices, glyphs);
        EXPECT_EQ(indices, c.expected) << c.name;
    }
}

// Two body lines at 700 and 686 (s = 10) give the baseline clusters the
// groups snap to. Formula glyphs are set in a math font, so they make no
// clusters of their own.
class FormulaGroupsFixture {
public:
    FormulaGroupsFixture() {
        for (float x = 100; x <= 300; x += 6) body(x, 700);
        for (float x = 100; x <= 300; x += 6) body(x, 686);
    }
    void body(float x, float y) {
        glyphs_.push_back(at(x, y, static_cast<std::uint32_t>(glyphs_.size()), "e", 10, 0, "Times"));
    }
    std::uint32_t add(const std::string& text, float x, float y, float size = 10) {
        glyphs_.push_back(at(x, y, static_cast<std::uint32_t>(glyphs_.size()), text, size, 0, "CMMI10"));
        return glyphs_.back().id;
    }
    std::vector<Ids> sorted(std::vector<Ids> groups) {
        const std::vector<const Glyph*> glyphs = test::refs(glyphs_);
        std::unordered_map<std::uint32_t, std::size_t> position;
        for (std::size_t i = 0; i < glyphs.size(); ++i) position.emplace(glyphs[i]->id, i);
        sort_formula_groups(groups, glyphs, position, 10.0f);
        return groups;
    }

private:
    std::vector<Glyph> glyphs_;
};

TEST(SortFormulaGroups, ReadingOrderOfSnappedBaselinesAndLeftEdges) {
    FormulaGroupsFixture f;
    // A raised script on the lower line snaps to 686, so it sorts with that
    // line, left of the group that sits on it.
    const Ids low_right = {f.add("a", 250, 686), f.add("b", 256, 686)};
    const Ids low_script = {f.add("x", 120, 686), f.add("2", 126, 690, 7)};
    const Ids top_right = {f.add("c", 280, 700), f.add("d", 286, 700)};
    const Ids top_left = {f.add("p", 120, 700), f.add("q", 126, 700)};
    // Median 694.5 lies 8.5 = 0.85 × s from 686 and 5.5 from 700: nearer 700.
    const Ids between = {f.add("m", 200, 694.5f), f.add("n", 206, 694.5f)};
    const Ids unknown = {900001, 900002};
    EXPECT_EQ(f.sorted({low_right, top_right, unknown, low_script, between, top_left}),
              (std::vector<Ids>{top_left, between, top_right, low_script, low_right, unknown}));
}

TEST(SortFormulaGroups, EdgeCasesOfTheKey) {
    struct Case {
        const char* name;
        std::function<std::vector<Ids>(FormulaGroupsFixture&)> groups;  // in the expected order
        std::function<std::vector<Ids>(const std::vector<Ids>&)> input;
    };
    const auto reversed = [](const std::vector<Ids>& g) { return std::vector<Ids>(g.rbegin(), g.rend()); };
    const auto same = [](const std::vector<Ids>& g) { return g; };
    const std::vector<Case> cases = {
        {"a median exactly 0.85 × s from a cluster takes that cluster",
         [](FormulaGroupsFixture& f) {
             // 677.5 is 8.5 below 686: it snaps to 686 and then sorts by x.
             const Ids a = {f.add("a", 150, 677.5f)};
             const Ids b = {f.add("b", 160, 686)};
             return std::vector<Ids>{a, b};
         },
         reversed},
        {"a median beyond 0.85 × s keeps its own height",
         [](FormulaGroupsFixture& f) {
             const Ids b = {f.add("b", 160, 686)};
             const Ids a = {f.add("a", 150, 677.4f)};
             return std::vector<Ids>{b, a};
         },
         reversed},
        {"the upper median of an even count",
         [](FormulaGroupsFixture& f) {
             // Baselines 600 and 686: the upper middle value 686 snaps to the
             // line, so the group sorts before a group at 650.
             const Ids two = {f.add("a", 150, 600), f.add("b", 156, 686)};
             const Ids mid = {f.add("c", 100, 650)};
             return std::vector<Ids>{two, mid};
         },
         reversed},
        {"-0 left before +0 left on one line",
         [](FormulaGroupsFixture& f) {
             const Ids neg = {f.add("a", -0.0f, 600)};
             const Ids pos = {f.add("b", 0.0f, 600)};
             return std::vector<Ids>{neg, pos};
         },
         reversed},
        {"equal keys keep their order",
         [](FormulaGroupsFixture& f) {
             const Ids a = {f.add("a", 150, 600)};
             const Ids b = {f.add("b", 150, 600)};
             return std::vector<Ids>{a, b};
         },
         same},
        {"a NaN left sorts after every finite left of its line",
         [](FormulaGroupsFixture& f) {
             const Ids finite = {f.add("a", 250, 700)};
             const Ids nan = {f.add("b", kNaN, 700)};
             return std::vector<Ids>{finite, nan};
         },
         reversed},
        // A NaN distance to every cluster snaps nowhere: the group keeps its
        // NaN baseline, the greatest key, and comes first.
        {"a NaN baseline sorts before the top line",
         [](FormulaGroupsFixture& f) {
             const Ids nan = {f.add("a", 250, kNaN)};
             const Ids top = {f.add("b", 100, 700)};
             return std::vector<Ids>{nan, top};
         },
         reversed},
        {"a NaN x among others is passed over in the group left",
         [](FormulaGroupsFixture& f) {
             const Ids mixed = {f.add("a", kNaN, 600), f.add("b", 100, 600)};
             const Ids later = {f.add("c", 120, 600)};
             return std::vector<Ids>{mixed, later};
         },
         reversed},
    };
    for (const Case& c : cases) {
        FormulaGroupsFixture f;
        const std::vector<Ids> expected = c.groups(f);
        EXPECT_EQ(f.sorted(c.input(expected)), expected) << c.name;
    }
}

TEST(SortFormulaGroups, UnknownGroupSnapsFromZero) {
    // Lines at 8 and -8 (s = 10): a group with no known glyph has the median
    // 0.0, equally near both, and takes the upper one, with the largest finite
    // left. A group on 8 whose glyph stands at +infinity has that same left
    // (the minimum starts there), so the two tie and keep their order; had the
    // unknown group kept 0.0, or taken -8, it would sort after them.
    std::vector<Glyph> glyphs;
    for (std::uint32_t i = 0; i < 4; ++i) glyphs.push_back(at(10.0f * i, 8, i));
    for (std::uint32_t i = 4; i < 8; ++i) glyphs.push_back(at(10.0f * i, -8, i));
    glyphs.push_back(at(test::kInf, 8, 10));
    glyphs.push_back(at(0, -8, 11));
    const std::vector<const Glyph*> refs = test::refs(glyphs);
    std::unordered_map<std::uint32_t, std::size_t> position;
    for (std::size_t i = 0; i < refs.size(); ++i) position.emplace(refs[i]->id, i);
    std::vector<Ids> groups = {{11}, {777}, {10}};
    sort_formula_groups(groups, refs, position, 10.0f);
    EXPECT_EQ(groups, (std::vector<Ids>{{777}, {10}, {11}}));
}

TEST(BaseGlyphUnderRaisedGlyph, CandidateTests) {
    const float s = 10;
    // The raised glyph at (0.5, 0.65 × s), so that every distance is exact.
    const Glyph raised = at(0.5f, 0.65f * s, 100, "\u02c6");
    struct Case {
        const char* name;
        Glyph candidate;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"exactly 0.65 × s below qualifies", at(0.5f, 0.0f, 1), true},
        {"more than 0.65 × s below does not", at(0.5f, -0.01f, 1), false},
        {"exactly 0.05 × s below does not", at(0.5f, 0.65f * s - 0.05f * s, 1), false},
        {"x 0.2 × s right of the raised glyph qualifies", at(0.5f + 0.2f * s, 3, 1), true},
        {"x 0.9 × s left of it qualifies", at(0.5f - 0.9f * s, 3, 1), true},
        {"x beyond 0.9 × s left does not", at(0.5f - 0.91f * s, 3, 1), false},
        {"size exactly 0.75 × s is too small", at(0.5f, 3, 1, "a", 0.75f * s), false},
        {"blank text", at(0.5f, 3, 1, " "), false},
        {"a hat is no base", at(0.5f, 3, 1, "\u0302"), false},
        {"U+F8F8 is no base", at(0.5f, 3, 1, "\uf8f8"), false},
        {"the raised glyph itself", at(0.5f, 3, 100), false},
        {"another page", at(0.5f, 3, 1, "a", 10, 1), false},
        {"NaN baseline", at(0.5f, kNaN, 1), false},
        {"NaN x", at(kNaN, 3, 1), false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_glyph_just_below(raised, c.candidate, s), c.expected) << c.name;
}

TEST(BaseGlyphUnderRaisedGlyph, NearestLaterGlyphWins) {
    const float s = 10;
    const Glyph raised = at(100, 705, 100, "\u02c6");
    const Glyph start = at(98, 700, 1);
    struct Case {
        const char* name;
        std::vector<Glyph> following;
        std::uint32_t expected;
    };
    const std::vector<Case> cases = {
        {"no following glyph keeps the start", {}, 1},
        {"a nearer later glyph replaces it", {at(99.5f, 700, 2), at(99, 700, 3)}, 2},
        {"an equally near later glyph does not", {at(102, 700, 2)}, 1},
        {"a nearer glyph that fails the tests does not", {at(100, 690, 2), at(100, 700, 3, " ")}, 1},
    };
    for (const Case& c : cases) {
        const std::vector<const Glyph*> following = test::refs(c.following);
        EXPECT_EQ(find_base_glyph_under(raised, s, start, following).id, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace zvk::rewrite
