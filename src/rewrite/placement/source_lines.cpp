#include "rewrite/placement/source_lines.h"

#include <cmath>
#include <limits>

#include "segment/block_predicates.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

std::string line_text_by_x(std::span<const Glyph* const> glyphs) {
    std::vector<const Glyph*> sorted(glyphs.begin(), glyphs.end());
    sort_origin_x(sorted);
    std::string text;
    for (const Glyph* g : sorted) text += g->unicode;
    return text;
}

HangingIndent detect_bullet_hanging_indent(std::span<const RewriteLine> lines, float size) {
    if (lines.size() < 2 || size <= 0) return {};
    if (!starts_with_bullet(line_text_by_x(lines.front().glyphs))) return {};
    float left = std::numeric_limits<float>::max();
    for (const RewriteLine& line : lines.subspan(1)) left = edge_min(left, line.x0);
    const float d = left - lines.front().x0;
    return {0.45f * size <= d && d <= 2.8f * size, d};
}

std::vector<float> distribute_line_baselines(std::span<const RewriteLine> lines, std::size_t n) {
    const std::size_t m = lines.size();
    if (m == 0 || n == 0) return {};
    std::vector<float> out;
    if (n == 1 || m == 1) return {lines.front().baseline};
    if (n <= m) {
        for (std::size_t i = 0; i < n; ++i) out.push_back(lines[i].baseline);
        return out;
    }
    const auto span_of = [&](std::size_t i) { return std::fabs(lines[i].baseline - lines[i + 1].baseline); };
    std::vector<float> share(m - 1);
    std::vector<std::size_t> splits(m - 1, 0);
    for (std::size_t i = 0; i + 1 < m; ++i) share[i] = span_of(i);
    for (std::size_t extra = n - m; extra > 0; --extra) {
        std::size_t widest = 0;
        for (std::size_t i = 1; i < share.size(); ++i) {
            if (total_order_key(share[i]) >= total_order_key(share[widest])) widest = i;
        }
        ++splits[widest];
        share[widest] = span_of(widest) / static_cast<float>(splits[widest] + 1);
    }
    out.reserve(n);
    for (std::size_t i = 0; i + 1 < m; ++i) {
        const float b = lines[i].baseline;
        const float next = lines[i + 1].baseline;
        out.push_back(b);
        for (std::size_t t = 1; t <= splits[i]; ++t) {
            out.push_back(b + (next - b) * static_cast<float>(t) / static_cast<float>(splits[i] + 1));
        }
    }
    out.push_back(lines[m - 1].baseline);
    return out;
}

}  // namespace zvk::rewrite
