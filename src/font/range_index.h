// Answers "which is the first range, in list order, that holds this key?"
// in logarithmic time: CMap ranges, CID width ranges and vertical-metric
// ranges are read that way once per shown code.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace zvk::font {

class RangeIndex {
public:
    RangeIndex() = default;
    // `ranges` are (lo, hi) pairs in list order, both ends included; a range
    // whose lo exceeds its hi holds nothing.
    explicit RangeIndex(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ranges);

    // The list position of the first range holding `key`, or none.
    std::optional<std::size_t> first_holding(std::uint32_t key) const;

private:
    // Sorted interval starts; interval k runs from starts_[k] up to, not
    // including, starts_[k + 1] (the last one to the end of the key space) and
    // is owned by owners_[k], the first range covering it (kNone for none).
    static constexpr std::uint32_t kNone = UINT32_MAX;
    std::vector<std::uint64_t> starts_;
    std::vector<std::uint32_t> owners_;
};

}  // namespace zvk::font
