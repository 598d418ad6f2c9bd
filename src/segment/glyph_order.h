// The orders over glyph references that recur throughout the system:
// reading order, origin-x order, left-edge order and the page-blind position
// order of the rewriter. Each sorts references
// stably and never the glyphs themselves.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "content/records.h"

namespace zvk {

// IEEE 754 totalOrder as a signed integer key: -NaN < -inf < ... < -0 < +0 <
// ... < +inf < +NaN.
std::int32_t total_order_key(float value);
// -1, 0 or 1; a NaN on either side counts as equal, and so do -0 and +0.
int partial_compare(float a, float b);

// The minimum and maximum of glyph edges: a NaN operand is passed over, and of
// two equal values (-0 and +0 included) the second wins, so the sign of a zero
// edge, which the total order sees, is fixed by the operand order. Inline:
// the line cutters call them in their innermost loops.
inline float edge_min(float a, float b) {
    if (std::isnan(b)) return a;
    if (std::isnan(a)) return b;
    return a < b ? a : b;
}
inline float edge_max(float a, float b) {
    if (std::isnan(b)) return a;
    if (std::isnan(a)) return b;
    return a > b ? a : b;
}

// min(min(matrix e, bbox x0), bbox x1), where a NaN operand is passed over.
float glyph_left_edge(const Glyph& glyph);
// max(max(matrix e, bbox x0), bbox x1), the mirror of the left edge.
float glyph_right_edge(const Glyph& glyph);
// min(bbox x0, bbox x1) and max(bbox x0, bbox x1): the box alone, without the
// origin.
float glyph_box_left(const Glyph& glyph);
float glyph_box_right(const Glyph& glyph);

bool reading_order_less(const Glyph& a, const Glyph& b);
bool origin_x_less(const Glyph& a, const Glyph& b);
bool left_edge_less(const Glyph& a, const Glyph& b);

void sort_reading_order(std::vector<const Glyph*>& glyphs);
void sort_origin_x(std::vector<const Glyph*>& glyphs);
void sort_left_edge(std::vector<const Glyph*>& glyphs);
// Origin y descending, then origin x ascending, both in the total order, and
// no page key: the rewriter's passes work on one page's glyphs (or group
// glyphs of several pages as if they lay on one), top down and left to right.
// Unlike the reading order, baselines that are merely close never tie, and
// -0 and +0 are different keys.
void order_glyphs_by_position(std::vector<const Glyph*>& glyphs);

// Appends the id of every referenced glyph, in the given order: how segments
// and placed lines record which glyphs their text came from.
void extend_with_glyph_ids(std::vector<std::uint32_t>& ids, std::span<const Glyph* const> glyphs);

}  // namespace zvk
