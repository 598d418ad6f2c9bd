#include "font/range_index.h"

#include <algorithm>
#include <numeric>

namespace zvk::font {

RangeIndex::RangeIndex(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ranges) {
    std::vector<std::uint64_t> bounds;
    bounds.reserve(ranges.size() * 2);
    for (const auto& [lo, hi] : ranges) {
        if (lo > hi) continue;
        bounds.push_back(lo);
        bounds.push_back(std::uint64_t{hi} + 1);
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    if (bounds.empty()) return;

    // Ranges claim intervals in list order; an interval is claimed once, and
    // `next` (a path-compressed "next unclaimed interval" forest) lets every
    // later range skip claimed stretches, so the whole build stays near
    // O(n log n) however the ranges overlap.
    const std::size_t count = bounds.size();  // the last interval holds no range
    std::vector<std::uint32_t> owners(count, kNone);
    std::vector<std::size_t> next(count + 1);
    std::iota(next.begin(), next.end(), std::size_t{0});
    auto find = [&](std::size_t k) {
        std::size_t root = k;
        while (next[root] != root) root = next[root];
        while (next[k] != root) {
            std::size_t up = next[k];
            next[k] = root;
            k = up;
        }
        return root;
    };
    auto position = [&](std::uint64_t value) {
        return static_cast<std::size_t>(std::lower_bound(bounds.begin(), bounds.end(), value) -
                                        bounds.begin());
    };
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const auto& [lo, hi] = ranges[i];
        if (lo > hi) continue;
        std::size_t first = position(lo);
        std::size_t stop = position(std::uint64_t{hi} + 1);
        for (std::size_t k = find(first); k < stop; k = find(k)) {
            owners[k] = static_cast<std::uint32_t>(i);
            next[k] = k + 1;
        }
    }

    // Neighbouring intervals with the same owner merge into one.
    for (std::size_t k = 0; k < count; ++k) {
        if (!owners_.empty() && owners_.back() == owners[k]) continue;
        starts_.push_back(bounds[k]);
        owners_.push_back(owners[k]);
    }
}

std::optional<std::size_t> RangeIndex::first_holding(std::uint32_t key) const {
    auto it = std::upper_bound(starts_.begin(), starts_.end(), std::uint64_t{key});
    if (it == starts_.begin()) return std::nullopt;
    std::uint32_t owner = owners_[static_cast<std::size_t>(it - starts_.begin()) - 1];
    if (owner == kNone) return std::nullopt;
    return owner;
}

}  // namespace zvk::font
