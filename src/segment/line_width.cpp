#include "segment/line_width.h"

#include <algorithm>

#include "segment/glyph_order.h"

namespace zvk {

std::map<std::uint32_t, float> typical_line_width_by_page(std::map<std::uint32_t, std::vector<float>> widths) {
    std::map<std::uint32_t, float> typical;
    for (auto& [page, list] : widths) {
        if (list.empty()) continue;
        std::sort(list.begin(), list.end(), [](float a, float b) { return total_order_key(a) < total_order_key(b); });
        const std::size_t n = list.size();
        typical.emplace(page, list[std::min(n - 1, 3 * n / 4)]);
    }
    return typical;
}

}  // namespace zvk
