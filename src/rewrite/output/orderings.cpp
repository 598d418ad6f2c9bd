#include "rewrite/output/orderings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "segment/glyph_order.h"

namespace zvk::rewrite {

RecordPosition record_position(std::span<const std::uint32_t> glyph_ids, std::span<const Glyph* const> glyph_by_id) {
    bool found = false;
    RecordPosition position{0, std::numeric_limits<float>::lowest()};
    for (const std::uint32_t id : glyph_ids) {
        const Glyph* glyph = id < glyph_by_id.size() ? glyph_by_id[id] : nullptr;
        if (glyph == nullptr) continue;
        if (!found) position.page = glyph->page_index;
        found = true;
        const float y = glyph->matrix[5];
        if (!std::isnan(y) && y > position.top) position.top = y;
    }
    if (!found) return {0, 0.0f};
    return position;
}

void sort_run_indices_reading_order(std::vector<std::size_t>& indices, std::span<const TextRun> runs) {
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
        const TextRun& ra = runs[a];
        const TextRun& rb = runs[b];
        if (ra.page_index != rb.page_index) return ra.page_index < rb.page_index;
        const std::int32_t ya = total_order_key(ra.baseline);
        const std::int32_t yb = total_order_key(rb.baseline);
        if (ya != yb) return ya > yb;
        return total_order_key(ra.x) < total_order_key(rb.x);
    });
}

void sort_glyphs_by_baseline(std::vector<const Glyph*>& glyphs) {
    std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph* a, const Glyph* b) {
        return total_order_key(a->matrix[5]) > total_order_key(b->matrix[5]);
    });
}

}  // namespace zvk::rewrite
