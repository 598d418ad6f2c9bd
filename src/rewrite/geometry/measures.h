// Order statistics and extents over f32 values that the geometric passes of
// the rewrite share: one upper median, the x-range of a glyph list, and the
// baseline cluster a y snaps to.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// The value at index n / 2 of the values sorted ascending by the total order
// (for an even n the larger middle value). The vector is sorted in place; it
// must not be empty.
float upper_median(std::vector<float>& values);

// The upper median of the glyphs' origin y (baselines); the list must not be
// empty.
float upper_median_baseline(std::span<const Glyph* const> glyphs);

struct XRange {
    float x0 = 0.0f;
    float x1 = 0.0f;
};

// [min, max] of origin x, box x0 and box x1 over the glyphs, NaN operands
// passed over; the minimum starts from the largest finite f32 and the maximum
// from that minimum, so an empty or all-NaN list gives both ends at that
// largest value.
XRange glyph_x_range(std::span<const Glyph* const> glyphs);

// The cluster nearest to y within 0.85 × size; the earlier one on a tie.
std::optional<float> nearest_cluster(const std::vector<float>& clusters, float y, float size);

}  // namespace zvk::rewrite
