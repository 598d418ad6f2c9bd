// Translation records in reading order: page by page, top down. The driver's
// judging of translations and the later passes walk records in this order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zvk::rewrite {

// Where a translation record sits on its pages, computed once per record
// before the sort.
struct RecordPosition {
    std::uint32_t page = 0;
    float top = 0;

    bool operator==(const RecordPosition&) const = default;
};

// The indices 0..n-1 of the records: page ascending, then top descending.
std::vector<std::size_t> sort_record_indices_reading_order(std::span<const RecordPosition> positions);

}  // namespace zvk::rewrite
