#include "segment/glyph_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "base/stable_sort.h"

namespace zvk {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

Glyph at(std::uint32_t id, std::uint32_t page, float x, float y) {
    Glyph g;
    g.id = id;
    g.page_index = page;
    g.matrix = {1, 0, 0, 1, x, y};
    g.bbox = {x, y, x + 1, y + 1};
    return g;
}

std::vector<std::uint32_t> ids_after(std::vector<Glyph>& glyphs,
                                     void (*sort)(std::vector<const Glyph*>&)) {
    std::vector<const Glyph*> refs;
    for (const auto& g : glyphs) refs.push_back(&g);
    sort(refs);
    std::vector<std::uint32_t> ids;
    for (const Glyph* g : refs) ids.push_back(g->id);
    return ids;
}

TEST(GlyphOrder, ReadingOrder) {
    std::vector<Glyph> glyphs = {
        at(0, 1, 0, 900),    // later page, however high
        at(1, 0, 20, 690),
        at(2, 0, 10, 690),   // same baseline: x ascending
        at(3, 0, 500, 700),  // higher baseline first, whatever x
        at(4, 0, 10, 690),   // tie with 2: input order kept
        at(5, 0, 5, -0.0f),
        at(6, 0, 3, 0.0f),   // -0 and +0 tie, then x decides
    };
    EXPECT_EQ(ids_after(glyphs, sort_reading_order),
              (std::vector<std::uint32_t>{3, 2, 4, 1, 6, 5, 0}));
}

TEST(GlyphOrder, OriginXUsesTheTotalOrder) {
    std::vector<Glyph> glyphs = {
        at(0, 0, kNaN, 0),         // positive NaN: after +inf
        at(1, 0, 0.0f, 0),
        at(2, 0, -0.0f, 0),        // -0 before +0
        at(3, 0, kInf, 0),
        at(4, 0, -kNaN, 0),        // negative NaN: before -inf
        at(5, 0, -kInf, 0),
        at(6, 0, 0.0f, 0),         // equal to 1: input order kept
    };
    glyphs[4].matrix[4] = std::copysign(kNaN, -1.0f);
    EXPECT_EQ(ids_after(glyphs, sort_origin_x), (std::vector<std::uint32_t>{4, 5, 2, 1, 6, 3, 0}));
}

// Position order: y descending, x ascending, both in the total order, no page
// key. Close baselines never tie; -0 and +0 are different baselines.
TEST(GlyphOrder, PositionOrderIgnoresPagesAndTiesOnlyOnIdenticalKeys) {
    std::vector<Glyph> glyphs = {
        at(0, 0, 0, 700.0f),
        at(1, 0, 50, 700.01f),  // higher by a hair: first, though further right
        at(2, 5, 3, 700.0f),    // another page, same baseline: x decides
        at(3, 0, 1, 0.0f),
        at(4, 0, 0, -0.0f),     // below +0 whatever x
        at(5, 0, 3, 700.0f),    // ties with 2 on both keys: input order kept
        at(6, 0, 9, kNaN),      // positive NaN baseline: first when descending
        at(7, 0, 9, -kInf),
    };
    glyphs[7].matrix[5] = std::copysign(kNaN, -1.0f);  // negative NaN: last
    EXPECT_EQ(ids_after(glyphs, order_glyphs_by_position),
              (std::vector<std::uint32_t>{6, 1, 0, 2, 5, 3, 4, 7}));
}

TEST(GlyphOrder, PositionOrderIsTheStableSortOfItsKeys) {
    std::mt19937 random(47);
    std::vector<Glyph> glyphs;
    const float values[] = {-1.0f, -0.0f, 0.0f, 1.0f, 2.5f, kInf, -kInf, kNaN};
    for (std::uint32_t i = 0; i < 500; ++i) {
        glyphs.push_back(at(i, 0, values[random() % 8], values[random() % 8]));
    }
    std::vector<const Glyph*> expected;
    for (const auto& g : glyphs) expected.push_back(&g);
    std::stable_sort(expected.begin(), expected.end(), [](const Glyph* a, const Glyph* b) {
        const auto ya = total_order_key(a->matrix[5]), yb = total_order_key(b->matrix[5]);
        if (ya != yb) return ya > yb;
        return total_order_key(a->matrix[4]) < total_order_key(b->matrix[4]);
    });
    std::vector<std::uint32_t> expected_ids;
    for (const Glyph* g : expected) expected_ids.push_back(g->id);
    EXPECT_EQ(ids_after(glyphs, order_glyphs_by_position), expected_ids);
}

TEST(GlyphOrder, LeftEdge) {
    struct Case {
        const char* name;
        float x, x0, x1;
        float expected;
    };
    const Case cases[] = {
        {"box left of origin", 50, 48, 55, 48},
        {"NaN box x0 passed over", 50, kNaN, 55, 50},
        {"inverted box uses x1", 50, 60, 45, 45},
        {"only NaN when all three are", kNaN, kNaN, kNaN, kNaN},
    };
    for (const auto& c : cases) {
        Glyph g;
        g.matrix[4] = c.x;
        g.bbox = {c.x0, 0, c.x1, 0};
        float edge = glyph_left_edge(g);
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(std::isnan(edge)) << c.name;
        } else {
            EXPECT_EQ(edge, c.expected) << c.name;
        }
    }
    // +0 origin with a -0 box edge: the edge is -0 and sorts first.
    std::vector<Glyph> glyphs = {at(0, 0, 0.0f, 0), at(1, 0, 0.0f, 0)};
    glyphs[0].bbox = {0.0f, 0, 5, 0};
    glyphs[1].bbox = {-0.0f, 0, 5, 0};
    EXPECT_TRUE(std::signbit(glyph_left_edge(glyphs[1])));
    EXPECT_EQ(ids_after(glyphs, sort_left_edge), (std::vector<std::uint32_t>{1, 0}));
}

// NaN keys make the reading order inconsistent; the sort must still finish
// and keep every reference exactly once.
TEST(GlyphOrder, ReadingOrderSurvivesNaNKeys) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(0, 100);
    std::vector<Glyph> glyphs;
    for (std::uint32_t i = 0; i < 2000; ++i) {
        float y = (i % 7 == 0) ? kNaN : pos(rng);
        float x = (i % 11 == 0) ? kNaN : pos(rng);
        glyphs.push_back(at(i, i % 3, x, y));
    }
    auto ids = ids_after(glyphs, sort_reading_order);
    std::sort(ids.begin(), ids.end());
    for (std::uint32_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], i);
}

// The reading order of a whole document: without NaN keys, the one stable
// order (as std::stable_sort gives it), pages in order or not; with NaN keys,
// the result of stable_merge_sort, which the glyph lines are built from.
TEST(GlyphOrder, ReadingOrderOfADocumentIsTheStableOne) {
    struct Case {
        const char* name;
        bool pages_in_order;
        bool with_nan;
    };
    const Case cases[] = {
        {"pages in order", true, false},
        {"pages out of order", false, false},
        {"NaN keys", true, true},
    };
    for (const Case& c : cases) {
        std::mt19937 rng(11);
        // Few distinct positions, so that many glyphs tie.
        std::uniform_int_distribution<int> pos(0, 12);
        std::vector<Glyph> glyphs;
        for (std::uint32_t i = 0; i < 3000; ++i) {
            const std::uint32_t page = c.pages_in_order ? i / 700 : (i * 7) % 5;
            float y = static_cast<float>(pos(rng));
            float x = static_cast<float>(pos(rng));
            if (c.with_nan && i % 13 == 0) y = kNaN;
            if (c.with_nan && i % 17 == 0) x = kNaN;
            if (i % 5 == 0) y = -0.0f;  // ties with +0
            glyphs.push_back(at(i, page, x, y));
        }
        std::vector<const Glyph*> expected;
        for (const Glyph& g : glyphs) expected.push_back(&g);
        auto less = [](const Glyph* a, const Glyph* b) { return reading_order_less(*a, *b); };
        if (c.with_nan) {
            stable_merge_sort(expected, less);
        } else {
            std::stable_sort(expected.begin(), expected.end(), less);
        }
        std::vector<std::uint32_t> expected_ids;
        for (const Glyph* g : expected) expected_ids.push_back(g->id);
        EXPECT_EQ(ids_after(glyphs, sort_reading_order), expected_ids) << c.name;
    }
}

TEST(StableMergeSort, IsStableAcrossRuns) {
    std::vector<std::pair<int, int>> items;
    for (int i = 0; i < 1000; ++i) items.emplace_back(i % 5, i);
    stable_merge_sort(items, [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < items.size(); ++i) {
        ASSERT_TRUE(items[i - 1].first < items[i].first ||
                    (items[i - 1].first == items[i].first && items[i - 1].second < items[i].second));
    }
}

TEST(ExtendWithGlyphIds, AppendsInReferenceOrderAfterWhatIsThere) {
    std::vector<Glyph> glyphs = {at(7, 0, 0, 0), at(2, 0, 0, 0), at(9, 1, 0, 0)};
    std::vector<std::uint32_t> ids = {40};
    extend_with_glyph_ids(ids, std::vector<const Glyph*>{&glyphs[2], &glyphs[0], &glyphs[1], &glyphs[0]});
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{40, 9, 7, 2, 7}));
    extend_with_glyph_ids(ids, std::vector<const Glyph*>{});
    EXPECT_EQ(ids.size(), 5u);
}

}  // namespace
}  // namespace zvk
