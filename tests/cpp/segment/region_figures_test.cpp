// Figure areas from painted regions: which regions count, how they cluster
// (checked against the plain pairwise rule), and which lines the areas take.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "segment/line_fixture.h"
#include "segment/region_figures.h"

namespace zvk {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The rule as stated: unite every pair within 8 on both axes (a NaN gap
// separates nothing), each cluster named by its first box.
std::vector<std::size_t> pairwise_clusters(const std::vector<FigureBox>& boxes) {
    std::vector<std::size_t> parent(boxes.size());
    for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = i;
    auto find = [&parent](std::size_t x) {
        while (parent[x] != x) x = parent[x];
        return x;
    };
    auto apart = [](float gap) { return gap > 8.0f; };
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const FigureBox& a = boxes[i];
            const FigureBox& b = boxes[j];
            if (apart(b.x0 - a.x1) || apart(a.x0 - b.x1) || apart(b.y0 - a.y1) || apart(a.y0 - b.y1)) continue;
            std::size_t ra = find(i);
            std::size_t rb = find(j);
            if (ra != rb) parent[std::max(ra, rb)] = std::min(ra, rb);
        }
    }
    std::vector<std::size_t> out(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) out[i] = find(i);
    return out;
}

TEST(RegionFigures, ClustersMatchThePairwiseRule) {
    struct Shape {
        const char* what;
        std::size_t count;
        float extent;    // boxes lie within [0, extent)
        float max_side;  // sides up to this
        bool with_nan;
    } shapes[] = {
        {"scattered markers", 400, 400, 6, false},
        {"dense markers", 400, 60, 6, false},
        {"mixed sizes", 300, 500, 200, false},
        {"long rules", 300, 600, 600, false},
        {"unknown extents", 200, 300, 20, true},
    };
    for (const Shape& shape : shapes) {
        for (unsigned seed = 1; seed <= 5; ++seed) {
            std::mt19937 rng(seed);
            // Quarter units: exact in float, so "8 apart" is exactly 8.
            auto quarter = [&rng](float limit) {
                return static_cast<float>(std::uniform_int_distribution<int>(0, static_cast<int>(limit * 4))(rng)) / 4;
            };
            std::vector<FigureBox> boxes;
            for (std::size_t i = 0; i < shape.count; ++i) {
                const float x = quarter(shape.extent);
                const float y = quarter(shape.extent);
                FigureBox b{x, y, x + quarter(shape.max_side), y + quarter(i % 3 == 0 ? shape.max_side : 6)};
                if (shape.with_nan && i % 7 == 0) b.x0 = b.x1 = kNaN;
                if (shape.with_nan && i % 11 == 0) b.y0 = b.y1 = kNaN;
                boxes.push_back(b);
            }
            EXPECT_EQ(cluster_boxes(boxes), pairwise_clusters(boxes)) << shape.what << " seed " << seed;
        }
    }
}

TEST(RegionFigures, ClusterEdgeCases) {
    struct Case {
        const char* what;
        std::vector<FigureBox> boxes;
        std::vector<std::size_t> clusters;
    } cases[] = {
        {"exactly 8 apart", {{0, 0, 10, 10}, {18, 0, 28, 10}}, {0, 0}},
        {"just over 8 apart", {{0, 0, 10, 10}, {18.25f, 0, 28, 10}}, {0, 1}},
        {"diagonal within 8", {{0, 0, 10, 10}, {17, 17, 27, 27}}, {0, 0}},
        {"close horizontally, far vertically", {{0, 0, 10, 10}, {12, 30, 22, 40}}, {0, 1}},
        {"nested", {{0, 0, 500, 500}, {200, 200, 210, 210}}, {0, 0}},
        {"linked through a third", {{0, 0, 10, 10}, {40, 0, 50, 10}, {15, 0, 35, 10}}, {0, 0, 0}},
        {"unknown x spans the row", {{0, 0, 10, 10}, {kNaN, 5, kNaN, 30}, {900, 0, 910, 10}}, {0, 0, 0}},
        {"one box", {{1, 1, 2, 2}}, {0}},
        {"none", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(cluster_boxes(c.boxes), c.clusters) << c.what;
}

Region region(float x0, float y0, float x1, float y1, const char* kind = "path") {
    Region r;
    r.bbox = {x0, y0, x1, y1};
    r.kind = kind;
    return r;
}

std::vector<const Region*> pointers(const std::vector<Region>& regions) {
    std::vector<const Region*> out;
    for (const Region& r : regions) out.push_back(&r);
    return out;
}

TEST(RegionFigures, WhichRegionsMakeAreas) {
    struct Case {
        const char* what;
        std::vector<Region> regions;
        float page_w, page_h;
        std::size_t areas;
    } cases[] = {
        {"an image alone", {region(100, 100, 200, 200, "image")}, 612, 792, 1},
        {"one path alone", {region(100, 100, 200, 200)}, 612, 792, 0},
        {"two paths, one big", {region(100, 100, 200, 200), region(205, 100, 206, 150)}, 612, 792, 1},
        {"a vertical rule 2 x 100 joins", {region(100, 100, 110, 110), region(115, 100, 117, 200)}, 612, 792, 1},
        {"a 100 x 1 rule joins", {region(100, 100, 110, 110), region(100, 115, 200, 116)}, 612, 792, 1},
        {"a 3 x 3 dot does not count", {region(100, 100, 110, 110), region(112, 100, 115, 103)}, 612, 792, 0},
        {"a short thin tick does not count", {region(100, 100, 110, 110), region(112, 100, 113, 110)}, 612, 792, 0},
        {"thin rules only, no big one", {region(100, 100, 200, 101), region(100, 105, 200, 106)}, 612, 792, 0},
        {"page-filling background image", {region(0, 0, 600, 700, "image")}, 612, 792, 0},
        {"background of an unknown page", {region(0, 0, 600, 700, "image")}, 0, 0, 1},
        {"flipped corners", {region(200, 200, 100, 100, "image")}, 612, 792, 1},
        {"two clusters", {region(0, 0, 50, 50, "image"), region(300, 300, 350, 350, "image")}, 612, 792, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(figure_areas(pointers(c.regions), c.page_w, c.page_h).size(), c.areas) << c.what;
    }
}

// A plot of 100,000 markers, and a chain of 100,000 boxes each 6 units from
// the next (one cluster whose union-find chain would overflow a recursive
// find): both finish, and the chain is one area.
TEST(RegionFigures, HundredThousandRegions) {
    std::vector<Region> markers;
    for (int i = 0; i < 100000; ++i) {
        const float x = 50.0f + static_cast<float>((i * 7919) % 500);
        const float y = 100.0f + static_cast<float>((i * 104729LL) % 600);
        markers.push_back(region(x, y, x + 6, y + 6));
    }
    EXPECT_FALSE(figure_areas(pointers(markers), 612, 792).empty());
    std::vector<Region> chain;
    for (int i = 0; i < 100000; ++i) {
        const float x = static_cast<float>(i) * 12.0f;
        chain.push_back(region(x, 0, x + 6, 6));
    }
    std::vector<FigureBox> areas = figure_areas(pointers(chain), 0, 0);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].x1, 99999.0f * 12.0f + 6.0f);

    test::LinePool pool;
    std::vector<TextLine> lines{pool.line("axis", 300, 400)};
    for (Region& r : markers) r.page_index = 0;
    std::vector<SkippedGlyph> skipped;
    region_figures(lines, true, markers, {}, skipped);
    EXPECT_EQ(skipped.size(), 4u);
}

std::vector<std::string> figure_texts(const std::vector<TextLine>& lines, const std::vector<SkippedGlyph>& skipped) {
    std::vector<std::string> out;
    for (const TextLine& line : lines) {
        std::size_t n = 0;
        for (const Glyph* g : line.glyphs) {
            for (const SkippedGlyph& s : skipped) n += s.glyph_id == g->id && s.reason == "figure" ? 1 : 0;
        }
        if (n > 0) {
            EXPECT_EQ(n, line.glyphs.size()) << line.text;
            out.push_back(line.text);
        }
    }
    return out;
}

TEST(RegionFigures, LinesInsideAndAboveAnArea) {
    // An image from x 100 to 300, y 300 to 500.
    const std::vector<Region> regions{region(100, 300, 300, 500, "image")};
    test::LinePool pool;
    std::vector<TextLine> lines{
        pool.line("Panel title", 120, 510),        // label above (10 units over the top)
        pool.line("far above", 120, 540),          // more than 2.4 sizes above
        pool.line("legend", 150, 400),             // inside
        pool.line("Figure 2: A plot", 150, 380),   // a caption stays
        pool.line("17", 150, 360),                 // a page number stays
        pool.line("Note", 150, 340),               // a block label stays
        pool.line("half", 296, 320),               // two glyph centres of four inside: not more than half
        pool.line("Beside the image", 400, 400),   // outside
    };
    std::vector<SkippedGlyph> skipped;
    region_figures(lines, true, regions, {}, skipped);
    EXPECT_EQ(figure_texts(lines, skipped), (std::vector<std::string>{"Panel title", "legend"}));

    std::vector<SkippedGlyph> off;
    region_figures(lines, false, regions, {}, off);
    EXPECT_TRUE(off.empty());
}

// Rule 2: with four areas whose union is at least 160 x 100, a line in
// another font than the page's body font inside the union is figure text;
// with three areas it never is.
TEST(RegionFigures, OffFontLinesInALargeUnionNeedFourAreas) {
    for (std::size_t areas : {3u, 4u}) {
        std::vector<Region> regions;
        for (std::size_t i = 0; i + 1 < areas; ++i) {
            const float x = 60.0f + 100.0f * static_cast<float>(i);
            regions.push_back(region(x, 400, x + 20, 420, "image"));
        }
        regions.push_back(region(60, 530, 80, 550, "image"));  // the union: at least 220 x 150
        test::LinePool pool;
        std::vector<TextLine> lines{
            pool.line("The body text of this page runs on in its own face", 60, 700),
            pool.line("The body text of this page runs on in its own face", 60, 686),
            pool.line("sans label", 100, 470, 10, 0, "Helvetica"),
            pool.line("serif words", 100, 450),
        };
        std::vector<SkippedGlyph> skipped;
        region_figures(lines, true, regions, {}, skipped);
        const std::vector<std::string> expected =
            areas == 4 ? std::vector<std::string>{"sans label"} : std::vector<std::string>{};
        EXPECT_EQ(figure_texts(lines, skipped), expected) << areas << " areas";
    }
}

}  // namespace
}  // namespace zvk
