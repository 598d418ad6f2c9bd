#include "rewrite/geometry/measures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "segment/glyph_order.h"

namespace zvk::rewrite {

float upper_median(std::vector<float>& values) {
    std::sort(values.begin(), values.end(),
              [](float a, float b) { return total_order_key(a) < total_order_key(b); });
    return values[values.size() / 2];
}

float upper_median_baseline(std::span<const Glyph* const> glyphs) {
    std::vector<float> ys;
    ys.reserve(glyphs.size());
    for (const Glyph* g : glyphs) ys.push_back(g->matrix[5]);
    return upper_median(ys);
}

XRange glyph_x_range(std::span<const Glyph* const> glyphs) {
    float lo = std::numeric_limits<float>::max();
    for (const Glyph* g : glyphs) lo = edge_min(lo, glyph_left_edge(*g));
    float hi = lo;
    for (const Glyph* g : glyphs) hi = edge_max(hi, glyph_right_edge(*g));
    return {lo, hi};
}

std::optional<float> nearest_cluster(const std::vector<float>& clusters, float y, float size) {
    std::optional<float> best;
    float best_d = 0.0f;
    for (float c : clusters) {
        const float d = std::fabs(y - c);
        if (d <= 0.85f * size && (!best || d < best_d)) {
            best = c;
            best_d = d;
        }
    }
    return best;
}

}  // namespace zvk::rewrite
