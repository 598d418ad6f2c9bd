#include "rewrite/geometry/segment_areas.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace zvk::rewrite {
namespace {

// An area at size 10 spanning x0..x1 and baselines y_min..y_max, its first
// line starting at x0 + indent.
SegmentArea area(float x0, float x1, float y_max, float y_min, float indent = 0, bool formula = false,
                 std::uint32_t page = 0) {
    return {.column_split = std::nullopt,
            .page_index = page,
            .y_max = y_max,
            .y_min = y_min,
            .x_min = x0,
            .x_max = x1,
            .size = 10,
            .first_line_x = x0 + indent,
            .touches_formula = formula};
}

// Two columns 100..200 and 220..320 over baselines 700..600.
SegmentArea two_columns() {
    SegmentArea a = area(100, 320, 700, 600);
    a.column_split = ColumnSplit{.left = {.x0 = 100, .x1 = 200, .y_max = 700, .y_min = 600},
                                 .right = {.x0 = 220, .x1 = 320, .y_max = 700, .y_min = 600}};
    return a;
}

TEST(SegmentAreas, Collisions) {
    const SegmentArea upper = area(100, 300, 700, 650);
    SegmentArea nan_size = upper;
    nan_size.size = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        const char* name;
        SegmentArea a;
        SegmentArea b;
        bool expected;
    };
    const std::vector<Row> rows = {
        {"other page", upper, area(100, 300, 700, 650, 0, false, 1), false},
        {"paragraph below with a 1 s indent", upper, area(100, 300, 636, 600, 10), false},
        {"the same, lower one given first", area(100, 300, 636, 600, 10), upper, false},
        {"paragraph below without indent", upper, area(100, 300, 636, 600, 0), true},
        {"paragraph below indented 3 s", upper, area(100, 300, 636, 600, 30), true},
        {"indented, but the upper one holds a formula", area(100, 300, 700, 650, 0, true),
         area(100, 300, 636, 600, 10), true},
        {"indented, the lower one holds a formula", upper, area(100, 300, 636, 600, 10, true), true},
        {"indented with a gap of 0.3 s", upper, area(100, 300, 647, 600, 10), true},
        {"gap 1.4 s", upper, area(100, 300, 636, 600), true},
        {"gap 1.5 s", upper, area(100, 300, 635, 600), false},
        {"overlap of 1.9 s", upper, area(281, 400, 636, 600), false},
        {"overlap of 2.1 s", upper, area(279, 400, 636, 600), true},
        {"side by side text", area(100, 200, 700, 650), area(210, 300, 700, 650), false},
        {"narrow formula beside text", area(100, 200, 700, 650), area(210, 240, 700, 650, 0, true), true},
        {"narrow formula 1.2 s beside text", area(100, 200, 700, 650), area(212, 240, 700, 650, 0, true), false},
        {"narrow formula 0.8 s below", area(100, 200, 700, 650), area(150, 180, 642, 642, 0, true), false},
        {"narrow formula 0.7 s below", area(100, 200, 700, 650), area(150, 180, 643, 643, 0, true), true},
        {"wide formula beside text", area(100, 200, 700, 650), area(210, 260, 700, 650, 0, true), false},
        {"below the left column", two_columns(), area(150, 190, 590, 560), true},
        {"below the gutter", two_columns(), area(195, 225, 590, 560), false},
        {"below the gutter of an unsplit area", area(100, 320, 700, 600), area(195, 225, 590, 560), true},
        {"a NaN size is passed over", nan_size, area(100, 300, 636, 600), true},
        {"on either side", area(100, 300, 636, 600), nan_size, true},
    };
    for (const Row& row : rows) EXPECT_EQ(segment_areas_collide(row.a, row.b), row.expected) << row.name;
}

}  // namespace
}  // namespace zvk::rewrite
