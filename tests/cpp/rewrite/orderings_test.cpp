#include "rewrite/output/orderings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {
namespace {

using test::kInf;
using test::kNaN;

const float kNegNaN = -std::numeric_limits<float>::quiet_NaN();

Glyph at(std::uint32_t id, std::uint32_t page, float x, float y) {
    Glyph g = test::make_glyph({.text = "a", .x0 = x, .x1 = x + 5, .size = 10, .baseline = y}, id, page);
    return g;
}

std::vector<std::uint32_t> ids_of(const std::vector<const Glyph*>& glyphs) {
    std::vector<std::uint32_t> ids;
    for (const Glyph* g : glyphs) ids.push_back(g->id);
    return ids;
}

TEST(RecordPosition, FirstNamedPageAndHighestFiniteTop) {
    const std::vector<Glyph> glyphs = {at(0, 2, 0, 100), at(1, 5, 0, 300), at(2, 1, 0, kNaN), at(3, 1, 0, -0.0f)};
    std::vector<const Glyph*> by_id = {&glyphs[0], &glyphs[1], &glyphs[2], &glyphs[3], nullptr};
    const float lowest = std::numeric_limits<float>::lowest();
    struct Case {
        const char* name;
        std::vector<std::uint32_t> ids;
        RecordPosition expected;
    };
    const std::vector<Case> cases = {
        {"page of the first named glyph, top the highest", {1, 0}, {5, 300}},
        {"absent ids are passed over for the page", {4, 99, 0, 1}, {2, 300}},
        {"NaN tops are skipped", {2, 0}, {1, 100}},
        {"only NaN: the lowest finite float", {2}, {1, lowest}},
        {"no glyph named: page 0, top 0", {4, 99}, {0, 0.0f}},
        {"no ids at all", {}, {0, 0.0f}},
    };
    for (const Case& c : cases) EXPECT_EQ(record_position(c.ids, by_id), c.expected) << c.name;
}

TEST(SortRecordIndices, PageUpThenTopDown) {
    struct Case {
        const char* name;
        std::vector<RecordPosition> positions;
        std::vector<std::size_t> expected;
    };
    const std::vector<Case> cases = {
        {"page first, then top descending", {{1, 500}, {0, 100}, {0, 700}, {1, 600}}, {2, 1, 3, 0}},
        {"equal keys keep input order", {{0, 50}, {0, 50}, {0, 50}}, {0, 1, 2}},
        // A record none of whose glyphs exists sits at page 0, top 0.
        {"missing record below positive tops", {{0, 0.0f}, {0, 10}, {0, -5}}, {1, 0, 2}},
        {"+0 before -0 descending", {{0, -0.0f}, {0, 0.0f}}, {1, 0}},
        {"NaN at the ends", {{0, 1}, {0, kNegNaN}, {0, kNaN}, {0, -kInf}}, {2, 0, 3, 1}},
    };
    for (const Case& c : cases) EXPECT_EQ(sort_record_indices_reading_order(c.positions), c.expected) << c.name;
}

TEST(SortRunIndices, PageBaselineThenX) {
    struct RunSpec {
        std::uint32_t page;
        float baseline;
        float x;
    };
    struct Case {
        const char* name;
        std::vector<RunSpec> runs;
        std::vector<std::size_t> expected;
    };
    const std::vector<Case> cases = {
        {"page, baseline down, x up", {{1, 700, 10}, {0, 500, 50}, {0, 500, 20}, {0, 600, 90}}, {3, 2, 1, 0}},
        {"ties keep input order", {{0, 500, 20}, {0, 500, 20}}, {0, 1}},
        {"baseline +0 before -0", {{0, -0.0f, 0}, {0, 0.0f, 50}}, {1, 0}},
        {"x -0 before +0", {{0, 1, 0.0f}, {0, 1, -0.0f}}, {1, 0}},
        {"NaN x last", {{0, 1, kNaN}, {0, 1, 1e30f}}, {1, 0}},
        {"NaN baseline first", {{0, 1, 0}, {0, kNaN, 0}}, {1, 0}},
    };
    for (const Case& c : cases) {
        std::vector<TextRun> runs;
        for (const RunSpec& s : c.runs) {
            TextRun run;
            run.page_index = s.page;
            run.baseline = s.baseline;
            run.x = s.x;
            runs.push_back(run);
        }
        std::vector<std::size_t> indices;
        for (std::size_t i = 0; i < runs.size(); ++i) indices.push_back(i);
        sort_run_indices_reading_order(indices, runs);
        EXPECT_EQ(indices, c.expected) << c.name;
    }
}

TEST(SortRunIndices, SortsOnlyTheGivenSubset) {
    std::vector<TextRun> runs(4);
    for (std::size_t i = 0; i < runs.size(); ++i) runs[i].baseline = static_cast<float>(i);
    std::vector<std::size_t> indices = {0, 3, 1};
    sort_run_indices_reading_order(indices, runs);
    EXPECT_EQ(indices, (std::vector<std::size_t>{3, 1, 0}));
}

TEST(SortGlyphsByBaseline, YDescendingOnly) {
    struct Case {
        const char* name;
        std::vector<Glyph> glyphs;
        std::vector<std::uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {"descending y", {at(0, 0, 0, 100), at(1, 0, 0, 300), at(2, 0, 0, 200)}, {1, 2, 0}},
        // x plays no part: equal baselines keep their input order.
        {"equal y keeps input order", {at(0, 0, 90, 100), at(1, 0, 10, 100)}, {0, 1}},
        {"0.0 before -0.0", {at(0, 0, 0, -0.0f), at(1, 0, 0, 0.0f)}, {1, 0}},
        {"positive NaN first, negative NaN last", {at(0, 0, 0, kNegNaN), at(1, 0, 0, 5), at(2, 0, 0, kNaN)}, {2, 1, 0}},
    };
    for (const Case& c : cases) {
        std::vector<const Glyph*> refs = test::refs(c.glyphs);
        sort_glyphs_by_baseline(refs);
        EXPECT_EQ(ids_of(refs), c.expected) << c.name;
    }
}

// The two orders the rewrite stage borrows from the shared glyph orders:
// pinned here for the cases the rewrite stage depends on.
TEST(SharedGlyphOrders, OriginXAndPositionUnderSignedZeroAndNaN) {
    {
        std::vector<Glyph> glyphs = {at(0, 0, kNaN, 0), at(1, 0, 0.0f, 0), at(2, 0, -0.0f, 0), at(3, 0, -1, 0)};
        std::vector<const Glyph*> refs = test::refs(glyphs);
        sort_origin_x(refs);
        EXPECT_EQ(ids_of(refs), (std::vector<std::uint32_t>{3, 2, 1, 0}));
    }
    {
        std::vector<Glyph> glyphs = {at(0, 0, 5, 100), at(1, 0, 1, kNaN), at(2, 0, 2, 100), at(3, 0, 0, 100.5f)};
        std::vector<const Glyph*> refs = test::refs(glyphs);
        order_glyphs_by_position(refs);
        EXPECT_EQ(ids_of(refs), (std::vector<std::uint32_t>{1, 3, 2, 0}));
    }
}

}  // namespace
}  // namespace zvk::rewrite
