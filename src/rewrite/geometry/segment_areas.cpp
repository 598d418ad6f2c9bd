#include "rewrite/geometry/segment_areas.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zvk::rewrite {

namespace {

// The boxes an area offers: its two column boxes, or one box of its extent.
std::vector<ColumnBox> boxes_of(const SegmentArea& area) {
    if (area.column_split) return {area.column_split->left, area.column_split->right};
    return {ColumnBox{.x0 = area.x_min, .x1 = area.x_max, .y_max = area.y_max, .y_min = area.y_min}};
}

float vertical_gap(float p_low, float p_high, float q_low, float q_high) {
    if (p_low > q_high) return p_low - q_high;
    if (q_low > p_high) return q_low - p_high;
    return 0.0f;
}

}  // namespace

bool segment_areas_collide(const SegmentArea& a, const SegmentArea& b) {
    if (a.page_index != b.page_index) return false;
    float s = a.size;
    if (std::isnan(s) || (!std::isnan(b.size) && b.size > s)) s = b.size;
    if (std::isnan(s) || s < 1.0f) s = 1.0f;
    const bool narrow = (a.touches_formula && a.x_max - a.x_min < 4.0f * s) ||
                        (b.touches_formula && b.x_max - b.x_min < 4.0f * s);
    const float record_gap = vertical_gap(a.y_min, a.y_max, b.y_min, b.y_max);

    bool touches = false;
    for (const ColumnBox& p : boxes_of(a)) {
        for (const ColumnBox& q : boxes_of(b)) {
            const float v_gap = vertical_gap(p.y_min, p.y_max, q.y_min, q.y_max);
            const float overlap = std::min(p.x1, q.x1) - std::max(p.x0, q.x0);
            float h_gap = 0.0f;
            if (q.x0 > p.x1) {
                h_gap = q.x0 - p.x1;
            } else if (p.x0 > q.x1) {
                h_gap = p.x0 - q.x1;
            }
            touches = narrow ? (v_gap <= 0.75f * s && h_gap <= 1.15f * s) : (v_gap <= 1.45f * s && overlap > 2.0f * s);
            if (touches) break;
        }
        if (touches) break;
    }
    if (!touches) return false;

    // A plain paragraph below another whose first line is indented starts a
    // new paragraph, unless the two sit with no clear gap between them.
    const bool a_upper = !(b.y_max > a.y_max);
    const SegmentArea& upper = a_upper ? a : b;
    const SegmentArea& lower = a_upper ? b : a;
    const float indent = lower.first_line_x - upper.x_min;
    const bool separate =
        record_gap > 0.35f * s && !a.touches_formula && !b.touches_formula && indent > 0.55f * s && indent < 3.0f * s;
    return !separate;
}

}  // namespace zvk::rewrite
