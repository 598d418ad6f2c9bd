#include "rewrite/placement/record_order.h"

#include <algorithm>
#include <numeric>

#include "segment/glyph_order.h"

namespace zvk::rewrite {

std::vector<std::size_t> sort_record_indices_reading_order(std::span<const RecordPosition> positions) {
    std::vector<std::size_t> indices(positions.size());
    std::iota(indices.begin(), indices.end(), std::size_t{0});
    // Total-order keys make this a strict weak order, so std::stable_sort is safe.
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
        const RecordPosition& pa = positions[a];
        const RecordPosition& pb = positions[b];
        if (pa.page != pb.page) return pa.page < pb.page;
        return total_order_key(pa.top) > total_order_key(pb.top);
    });
    return indices;
}

}  // namespace zvk::rewrite
