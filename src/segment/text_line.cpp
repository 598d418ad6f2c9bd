#include "segment/text_line.h"

#include <algorithm>
#include <utility>

#include "segment/font_names.h"
#include "segment/glyph_order.h"
#include "segment/line_text.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

// Sizes far above the median: initials, large symbols.
constexpr float kOutsizeFactor = 1.8f;
// How many outsize glyphs it takes for them to set the line's size.
constexpr std::size_t kOutsizeQuorum = 4;

}  // namespace

float representative_font_size(std::span<const Glyph* const> glyphs) {
    std::vector<float> sizes;
    sizes.reserve(glyphs.size());
    for (const Glyph* g : glyphs) {
        if (g->font_size >= 1.0f) sizes.push_back(g->font_size);  // NaN fails the test
    }
    std::sort(sizes.begin(), sizes.end());
    return representative_of_sorted_sizes(sizes);
}

float representative_of_sorted_sizes(std::span<const float> sizes) {
    if (sizes.empty()) return 1.0f;
    const std::size_t n = sizes.size();
    const float m = sizes[n / 2];
    const float top = sizes.back();
    const float limit = kOutsizeFactor * m;
    if (n >= kOutsizeQuorum && top > limit) {
        auto first_big = std::upper_bound(sizes.begin(), sizes.end(), limit);
        const auto k = static_cast<std::size_t>(sizes.end() - first_big);
        return k >= kOutsizeQuorum ? first_big[k / 2] : m;
    }
    return top;
}

std::pair<std::size_t, std::size_t> nonblank_glyph_range(std::span<const Glyph* const> glyphs) {
    std::size_t begin = 0;
    std::size_t end = glyphs.size();
    while (begin < end && is_blank_text(glyphs[begin]->unicode)) ++begin;
    while (end > begin && is_blank_text(glyphs[end - 1]->unicode)) --end;
    if (begin == end) return {0, glyphs.size()};
    return {begin, end};
}

std::optional<LineExtents> line_extent_stats(std::span<const Glyph* const> glyphs) {
    if (glyphs.empty()) return std::nullopt;
    const auto [begin, end] = nonblank_glyph_range(glyphs);
    LineExtents ext;
    ext.left = glyph_left_edge(*glyphs[begin]);
    ext.right = glyph_right_edge(*glyphs[begin]);
    for (std::size_t i = begin + 1; i < end; ++i) {
        ext.left = edge_min(ext.left, glyph_left_edge(*glyphs[i]));
        ext.right = edge_max(ext.right, glyph_right_edge(*glyphs[i]));
    }
    std::vector<float> baselines;
    baselines.reserve(glyphs.size());
    for (const Glyph* g : glyphs) baselines.push_back(g->matrix[5]);
    std::sort(baselines.begin(), baselines.end(),
              [](float a, float b) { return total_order_key(a) < total_order_key(b); });
    ext.baseline = baselines[baselines.size() / 2];
    ext.size = representative_font_size(glyphs);
    return ext;
}

TextLine build_text_line(std::vector<const Glyph*> run) {
    TextLine line;
    line.text = line_text_from_glyphs(run);
    if (!run.empty()) {
        line.font_name = std::string(font_name_after_subset_prefix(run.front()->font_name));
        line.page_index = run.front()->page_index;
    }
    if (auto ext = line_extent_stats(run)) {
        line.y = ext->baseline;
        line.x0 = ext->left;
        line.x1 = ext->right;
        line.size = ext->size;
    }
    line.glyphs = std::move(run);
    return line;
}

}  // namespace zvk
