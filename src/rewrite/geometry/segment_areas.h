// The area a segment covers on its page, and whether two such areas touch
// closely enough to belong together: translation planning gathers the
// segments around a display formula with it, directly or through each other.
#pragma once

#include <cstdint>
#include <optional>

#include "rewrite/geometry/run_in_labels.h"

namespace zvk::rewrite {

struct SegmentArea {
    std::optional<ColumnSplit> column_split;  // set when a gutter splits the segment
    std::uint32_t page_index = 0;
    float y_max = 0.0f;         // highest baseline
    float y_min = 0.0f;         // lowest baseline
    float x_min = 0.0f;         // smallest left edge (origin x or box x0)
    float x_max = 0.0f;         // largest right edge (origin x or box x1)
    float size = 1.0f;          // representative size, at least 1
    float first_line_x = 0.0f;  // smallest left edge on the top line
    bool touches_formula = false;
};

// Same page, and some box of one lies close to some box of the other: with a
// narrow formula (under 4 sizes wide) in play, within 0.75 s vertically and
// 1.15 s horizontally; otherwise within 1.45 s vertically and overlapping by
// more than 2 s. Two plain paragraphs with a clear gap between them do not
// collide when the lower one starts with a first-line indent.
bool segment_areas_collide(const SegmentArea& a, const SegmentArea& b);

}  // namespace zvk::rewrite
