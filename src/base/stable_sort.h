// A stable merge sort that stays safe under comparisons that are not a strict
// weak order (a float key where NaN "equals" everything): it only ever asks
// whether the right element is less than the left one, so it always finishes
// and keeps every element exactly once. std::stable_sort promises neither for
// such comparators.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace zvk {

template <typename T, typename Less>
void stable_merge_sort(std::vector<T>& items, Less less) {
    const std::size_t n = items.size();
    if (n < 2) return;
    // Short runs by insertion (stable: an element moves left only past
    // elements it is strictly less than), then bottom-up merges.
    constexpr std::size_t kRun = 16;
    for (std::size_t start = 0; start < n; start += kRun) {
        std::size_t end = start + kRun < n ? start + kRun : n;
        for (std::size_t i = start + 1; i < end; ++i) {
            T value = std::move(items[i]);
            std::size_t j = i;
            while (j > start && less(value, items[j - 1])) {
                items[j] = std::move(items[j - 1]);
                --j;
            }
            items[j] = std::move(value);
        }
    }
    std::vector<T> buffer(n);
    for (std::size_t width = kRun; width < n; width *= 2) {
        for (std::size_t left = 0; left < n; left += 2 * width) {
            std::size_t mid = left + width < n ? left + width : n;
            std::size_t right = left + 2 * width < n ? left + 2 * width : n;
            std::size_t i = left, j = mid, k = left;
            while (i < mid && j < right) {
                if (less(items[j], items[i])) {
                    buffer[k++] = std::move(items[j++]);
                } else {
                    buffer[k++] = std::move(items[i++]);
                }
            }
            while (i < mid) buffer[k++] = std::move(items[i++]);
            while (j < right) buffer[k++] = std::move(items[j++]);
        }
        items.swap(buffer);
    }
}

}  // namespace zvk
