#include "font/range_index.h"

#include <gtest/gtest.h>

#include <random>

namespace zvk::font {
namespace {

std::optional<std::size_t> first_by_scan(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ranges,
                                         std::uint32_t key) {
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (ranges[i].first <= key && key <= ranges[i].second) return i;
    }
    return std::nullopt;
}

TEST(RangeIndex, AgreesWithAScanInListOrder) {
    struct Case {
        const char* label;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    } cases[] = {
        {"empty", {}},
        {"later_range_inside_earlier", {{10, 20}, {12, 14}}},
        {"earlier_range_inside_later", {{12, 14}, {10, 20}}},
        {"inverted_never_matches", {{20, 10}, {15, 15}}},
        {"touching_ends", {{0, 9}, {10, 19}, {9, 10}}},
        {"top_of_key_space", {{0xFFFFFFF0u, 0xFFFFFFFFu}, {0, 0xFFFFFFFFu}}},
        {"single_key_ranges", {{5, 5}, {5, 5}, {6, 6}}},
    };
    for (const auto& c : cases) {
        RangeIndex index(c.ranges);
        std::vector<std::uint32_t> keys{0, 1, 0xFFFFFFFEu, 0xFFFFFFFFu};
        for (const auto& [lo, hi] : c.ranges) {
            for (std::uint32_t k : {lo, hi}) {
                keys.push_back(k);
                keys.push_back(k - 1);
                keys.push_back(k + 1);
            }
        }
        for (std::uint32_t key : keys) {
            EXPECT_EQ(index.first_holding(key), first_by_scan(c.ranges, key)) << c.label << " key " << key;
        }
    }
}

TEST(RangeIndex, AgreesWithAScanOnRandomOverlaps) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
        std::uniform_int_distribution<std::uint32_t> bound(0, 200);
        for (int i = 0; i < 30; ++i) ranges.emplace_back(bound(random), bound(random));
        RangeIndex index(ranges);
        for (std::uint32_t key = 0; key <= 202; ++key) {
            ASSERT_EQ(index.first_holding(key), first_by_scan(ranges, key)) << "round " << round << " key " << key;
        }
    }
}

}  // namespace
}  // namespace zvk::font
