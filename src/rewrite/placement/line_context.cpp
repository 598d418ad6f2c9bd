#include "rewrite/placement/line_context.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/text.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"
#include "segment/line_runs.h"
#include "segment/text_line.h"

namespace zvk::rewrite {

namespace {

constexpr float kFloatMax = std::numeric_limits<float>::max();

float line_size_at_least_one(const RewriteLine& line) {
    return edge_max(representative_font_size(line.glyphs), 1.0f);
}

bool holds_nonblank_glyph(const GlyphLineBox& box) {
    for (const Glyph* g : box.glyphs) {
        if (!trim_white_space(g->unicode).empty()) return true;
    }
    return false;
}

std::optional<float> side_figure_left_edge(std::span<const Region* const> regions, const PageInfo* info,
                                           float baseline, float size) {
    // The figure must stand in the right part of the page, measured from the
    // page's own left edge: a media box that does not start at x = 0 (such as
    // one centred on the origin) moves its right part with it.
    float limit = 330.0f;
    if (info != nullptr) {
        const float left = edge_min(info->media_box[0], info->media_box[2]);
        const float right = edge_max(info->media_box[0], info->media_box[2]);
        limit = left + 0.55f * (right - left);
    }
    std::optional<float> least;
    for (const Region* r : regions) {
        if (r->kind != "path") continue;
        const float x0 = edge_min(r->bbox[0], r->bbox[2]);
        const float x1 = edge_max(r->bbox[0], r->bbox[2]);
        const float y0 = edge_min(r->bbox[1], r->bbox[3]);
        const float y1 = edge_max(r->bbox[1], r->bbox[3]);
        const float w = x1 - x0;
        const float h = y1 - y0;
        if (x0 >= limit && w >= 40.0f && w <= 140.0f && h >= 100.0f && h >= 1.2f * w &&
            y1 >= baseline - 2.2f * size && y0 <= baseline + size) {
            least = least ? edge_min(*least, x0) : x0;
        }
    }
    return least;
}

}  // namespace

std::optional<float> right_aligned_block_edge(std::span<const GlyphLineBox> page_boxes, const RewriteLine& line) {
    if (line.glyphs.empty()) return std::nullopt;
    const float s = representative_font_size(line.glyphs);
    std::vector<float> lefts;
    for (const GlyphLineBox& box : page_boxes) {
        if (std::fabs(box.x1 - line.x1) <= 2.5f && box.x1 - box.x0 >= 0.8f * box.size && holds_nonblank_glyph(box)) {
            lefts.push_back(box.x0);
        }
    }
    if (lefts.size() < 3) return std::nullopt;
    float lo = lefts.front();
    float hi = lefts.front();
    for (float x : lefts) {
        lo = edge_min(lo, x);
        hi = edge_max(hi, x);
    }
    if (hi - lo <= 4.0f * edge_max(s, 1.0f)) return std::nullopt;
    std::size_t at_left = 0;
    for (float x : lefts) {
        if (std::fabs(x - lo) <= 3.0f) ++at_left;
    }
    if (2 * at_left <= lefts.size()) return line.x1;
    return std::nullopt;
}

std::optional<float> paragraph_extends_right_of_line(std::span<const GlyphLineBox> page_boxes,
                                                     const RewriteLine& line) {
    if (line.glyphs.empty()) return std::nullopt;
    const float s = line_size_at_least_one(line);
    std::vector<const GlyphLineBox*> boxes;
    for (const GlyphLineBox& box : page_boxes) {
        if (std::fabs(box.x0 - line.x0) <= 1.5f && std::fabs(box.size - s) <= 0.2f * s &&
            box.x1 - box.x0 <= 16.0f * s) {
            boxes.push_back(&box);
        }
    }
    if (boxes.size() < 2) return std::nullopt;
    sort_line_boxes_by_baseline(boxes);
    std::size_t anchor = boxes.size();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (std::fabs(boxes[i]->baseline - line.baseline) <= 0.8f) {
            anchor = i;
            break;
        }
    }
    if (anchor == boxes.size()) return std::nullopt;
    const auto links = [&](std::size_t upper) {
        const float step = boxes[upper]->baseline - boxes[upper + 1]->baseline;
        return step > 0.0f && step <= 1.8f * s;
    };
    std::size_t first = anchor;
    while (first > 0 && links(first - 1)) --first;
    std::size_t last = anchor;
    while (last + 1 < boxes.size() && links(last)) ++last;
    if (last - first + 1 < 3) return std::nullopt;
    float x = line.x1;
    for (std::size_t i = first; i <= last; ++i) x = edge_max(x, boxes[i]->x1);
    if (x > line.x1 + 0.4f * s) return x;
    return std::nullopt;
}

bool line_starts_at_column_left_edge(std::span<const GlyphLineBox> page_boxes, const RewriteLine& line) {
    if (line.glyphs.empty()) return false;
    const float s = line_size_at_least_one(line);
    float least = kFloatMax;
    for (const GlyphLineBox& box : page_boxes) {
        if (box.x1 - box.x0 >= 12.0f * s && std::fabs(box.x1 - line.x1) > s) least = edge_min(least, box.x0);
    }
    return std::fabs(line.x0 - least) <= 3.0f;
}

std::optional<float> right_aligned_block_edge(PageContext& context, const RewriteLine& line) {
    if (line.glyphs.empty()) return std::nullopt;
    return right_aligned_block_edge(context.line_boxes(line.glyphs.front()->page_index), line);
}

std::optional<float> right_aligned_block_edge(std::span<const Glyph> glyphs, const RewriteLine& line) {
    if (line.glyphs.empty()) return std::nullopt;
    return right_aligned_block_edge(collect_page_text_runs(glyphs, line.glyphs.front()->page_index), line);
}

std::optional<float> paragraph_extends_right_of_line(PageContext& context, const RewriteLine& line) {
    if (line.glyphs.empty()) return std::nullopt;
    return paragraph_extends_right_of_line(context.line_boxes(line.glyphs.front()->page_index), line);
}

std::optional<float> paragraph_extends_right_of_line(std::span<const Glyph> glyphs, const RewriteLine& line) {
    if (line.glyphs.empty()) return std::nullopt;
    return paragraph_extends_right_of_line(collect_page_text_runs(glyphs, line.glyphs.front()->page_index), line);
}

bool line_starts_at_column_left_edge(PageContext& context, const RewriteLine& line) {
    if (line.glyphs.empty()) return false;
    return line_starts_at_column_left_edge(context.line_boxes(line.glyphs.front()->page_index), line);
}

bool line_starts_at_column_left_edge(std::span<const Glyph> glyphs, const RewriteLine& line) {
    if (line.glyphs.empty()) return false;
    return line_starts_at_column_left_edge(collect_page_text_runs(glyphs, line.glyphs.front()->page_index), line);
}

bool find_column_gap(std::span<const Glyph* const> line_glyphs, std::span<const Glyph* const> around, float size) {
    if (line_glyphs.size() < 4) return false;
    const float s = size;
    std::vector<const Glyph*> sorted(line_glyphs.begin(), line_glyphs.end());
    sort_origin_x(sorted);
    std::vector<float> gaps;
    gaps.reserve(sorted.size() - 1);
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        gaps.push_back(glyph_box_left(*sorted[i + 1]) - glyph_box_right(*sorted[i]));
    }
    std::vector<float> ordered = gaps;
    float m = upper_median(ordered);
    if (m < 0.0f) m = 0.0f;
    const float wide = edge_max(2.0f * s, 24.0f);
    const float t = edge_min(edge_max(1.25f * s, 3.5f * m), wide);
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        const float gap = gaps[i];
        if (!(gap > t)) continue;
        const std::span<const Glyph* const> left_part(sorted.data(), i + 1);
        if (gap <= wide && ends_with_separate_short_number(left_part)) continue;
        if (short_line_caption_kind(left_part, gap, s)) continue;
        const Glyph& left = *sorted[i];
        const Glyph& right = *sorted[i + 1];
        const float inner_left = glyph_box_right(left) + 0.5f;
        const float inner_right = glyph_box_left(right) - 0.5f;
        bool bridged = false;
        for (const Glyph* g : around) {
            const float centre = (g->bbox[0] + g->bbox[2]) / 2.0f;
            const float dy = std::fabs(g->matrix[5] - left.matrix[5]);
            if (centre > inner_left && centre < inner_right && dy > 0.35f && dy < 1.25f * s) {
                bridged = true;
                break;
            }
        }
        if (!bridged) return true;
    }
    return false;
}

std::optional<float> find_side_figure_left_edge(const ExtractedDocument& document, std::uint32_t page,
                                                float baseline, float size) {
    std::vector<const Region*> regions;
    for (const Region& r : document.regions) {
        if (r.page_index == page) regions.push_back(&r);
    }
    const PageInfo* info = nullptr;
    for (const PageInfo& p : document.pages) {
        if (p.index == page) {
            info = &p;
            break;
        }
    }
    return side_figure_left_edge(regions, info, baseline, size);
}

std::optional<float> find_side_figure_left_edge(const PageContext& context, std::uint32_t page, float baseline,
                                                float size) {
    return side_figure_left_edge(context.page_regions(page), context.page_info(page), baseline, size);
}

std::vector<std::uint32_t> collect_distinct_page_indices(std::span<const Glyph* const> glyphs) {
    std::vector<std::uint32_t> pages;
    pages.reserve(glyphs.size());
    for (const Glyph* g : glyphs) pages.push_back(g->page_index);
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    return pages;
}

}  // namespace zvk::rewrite
