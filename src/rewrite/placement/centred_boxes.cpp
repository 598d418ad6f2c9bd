#include "rewrite/placement/centred_boxes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "base/text.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

constexpr float kFloatMax = std::numeric_limits<float>::max();

std::vector<std::uint32_t> sorted_ids(std::span<const Glyph* const> glyphs) {
    std::vector<std::uint32_t> ids;
    ids.reserve(glyphs.size());
    for (const Glyph* g : glyphs) ids.push_back(g->id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool is_blank(const Glyph& g) { return trim_white_space(g.unicode).empty(); }

float area_inset(float width) { return std::clamp(0.11f * width, 54.0f, 78.0f); }

}  // namespace

std::optional<CentredLineBox> find_centred_line_box(std::span<const Glyph* const> page_glyphs,
                                                    const RewriteLine& line,
                                                    std::span<const Glyph* const> segment_glyphs, float size,
                                                    float area_left, float area_right) {
    const float f = size;
    const float c = line.x0;
    const float d = line.x1;
    const float w = edge_max(d - c, 0.0f);
    const float a = area_right - area_left;
    if (line.glyphs.empty() || w > 22.0f * f || a < 200.0f) return std::nullopt;
    if (!(std::fabs((c + d) / 2.0f - (area_left + area_right) / 2.0f) <= 3.0f * f)) return std::nullopt;
    if (area_right - d <= 2.0f * f || c - area_left <= 2.0f * f) return std::nullopt;
    const float m = area_inset(a);
    float left = area_left + m;
    float right = area_right - m;
    const std::uint32_t page = line.glyphs.front()->page_index;
    const std::vector<std::uint32_t> excluded = sorted_ids(segment_glyphs);
    float least = kFloatMax;
    float greatest = -kFloatMax;
    bool any = false;
    for (const Glyph* g : page_glyphs) {
        if (g->page_index != page || std::binary_search(excluded.begin(), excluded.end(), g->id) || is_blank(*g)) {
            continue;
        }
        const float dy = std::fabs(g->matrix[5] - line.baseline);
        if (!(dy >= 0.35f * f && dy <= 2.6f * f && std::fabs(g->font_size - f) <= 0.25f * f)) continue;
        any = true;
        least = edge_min(least, edge_min(g->matrix[4], g->bbox[0]));
        greatest = edge_max(greatest, edge_max(g->matrix[4], g->bbox[2]));
    }
    if (any && greatest - least > f + w) {
        left = edge_max(edge_min(left, least), area_left + 36.0f);
        right = edge_min(edge_max(greatest, d), area_right - 36.0f);
    }
    if (2.0f * f + w > right - left) return std::nullopt;
    float depth = 2.2f * f;
    if (auto below = find_line_below(page_glyphs, page, segment_glyphs, line.baseline, f)) {
        depth = edge_max(line.baseline - below->baseline - (0.85f * below->font_size + 2.0f), 0.0f);
    }
    return CentredLineBox{left, right, depth};
}

std::optional<CentredLineBox> find_centred_line_box(const PageContext& context, const RewriteLine& line,
                                                    std::span<const Glyph* const> segment_glyphs, float size,
                                                    float area_left, float area_right) {
    if (line.glyphs.empty()) return std::nullopt;
    return find_centred_line_box(context.page_glyphs(line.glyphs.front()->page_index), line, segment_glyphs, size,
                                 area_left, area_right);
}

std::optional<CentredLineBox> find_centred_line_box(std::span<const Glyph> glyphs, const RewriteLine& line,
                                                    std::span<const Glyph* const> segment_glyphs, float size,
                                                    float area_left, float area_right) {
    if (line.glyphs.empty()) return std::nullopt;
    return find_centred_line_box(collect_page_glyphs(glyphs, line.glyphs.front()->page_index), line,
                                 segment_glyphs, size, area_left, area_right);
}

std::optional<InsetBox> centred_block_inset_box(int block_class, float size, float area_left, float area_right,
                                                float block_left, float block_right) {
    const float a = area_right - area_left;
    if (block_class != 3 || !(a >= 200.0f)) return std::nullopt;
    if (!(std::fabs((block_left + block_right) / 2.0f - (area_left + area_right) / 2.0f) <= 28.0f)) {
        return std::nullopt;
    }
    if (!(block_left - area_left >= 36.0f) || !(area_right - block_right >= 36.0f)) return std::nullopt;
    const float m = area_inset(a);
    const InsetBox box{area_left + m, area_right - m};
    if (4.0f * size + (block_right - block_left) > box.right - box.left) return std::nullopt;
    return box;
}

std::optional<LineBelow> find_line_below(std::span<const Glyph* const> page_glyphs, std::uint32_t page,
                                         std::span<const Glyph* const> excluded, float y, float size) {
    const std::vector<std::uint32_t> ids = sorted_ids(excluded);
    std::vector<const Glyph*> candidates;
    for (const Glyph* g : page_glyphs) {
        if (g->page_index == page && !std::binary_search(ids.begin(), ids.end(), g->id)) candidates.push_back(g);
    }
    const float limit = y - 0.35f * size;
    std::optional<float> b;
    for (const Glyph* g : candidates) {
        if (!is_blank(*g) && g->matrix[5] <= limit) b = b ? edge_max(*b, g->matrix[5]) : g->matrix[5];
    }
    if (!b) return std::nullopt;
    float s = 0.0f;
    for (const Glyph* g : candidates) {
        if (std::fabs(g->matrix[5] - *b) <= 0.45f * size) s = edge_max(s, g->font_size);
    }
    if (s > 0.0f) return LineBelow{*b, s};
    return std::nullopt;
}

std::optional<LineBelow> find_line_below(const PageContext& context, std::uint32_t page,
                                         std::span<const Glyph* const> excluded, float y, float size) {
    return find_line_below(context.page_glyphs(page), page, excluded, y, size);
}

std::optional<LineBelow> find_line_below(std::span<const Glyph> glyphs, std::uint32_t page,
                                         std::span<const Glyph* const> excluded, float y, float size) {
    return find_line_below(collect_page_glyphs(glyphs, page), page, excluded, y, size);
}

}  // namespace zvk::rewrite
