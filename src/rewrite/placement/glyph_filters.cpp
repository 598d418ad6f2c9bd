#include "rewrite/placement/glyph_filters.h"

#include <cmath>

#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

bool text_holds(std::string_view text, char32_t c) {
    for (const Utf8Step step : Utf8Range(text)) {
        if (step.valid && step.scalar == c) return true;
    }
    return false;
}

}  // namespace

std::vector<const Glyph*> collect_formula_glyphs_with_text(std::span<const Glyph* const> glyphs,
                                                           const std::unordered_set<std::uint32_t>& ids) {
    std::vector<const Glyph*> out;
    if (ids.empty()) return out;
    for (const Glyph* g : glyphs) {
        if (ids.contains(g->id) && !trim_white_space(g->unicode).empty()) out.push_back(g);
    }
    return out;
}

const Glyph* find_anchor_glyph(std::span<const Glyph* const> glyphs, std::optional<char32_t> anchor) {
    if (anchor) {
        const Glyph* best = nullptr;
        for (const Glyph* g : glyphs) {
            if (!text_holds(g->unicode, *anchor)) continue;
            if (!best || total_order_key(g->matrix[4]) >= total_order_key(best->matrix[4])) best = g;
        }
        if (best) return best;
    }
    if (glyphs.empty()) return nullptr;
    std::vector<const Glyph*> by_x(glyphs.begin(), glyphs.end());
    sort_origin_x(by_x);
    return by_x.back();
}

std::vector<float> collect_nearby_baselines(std::span<const Glyph* const> glyphs,
                                            const std::unordered_set<std::uint32_t>& excluded,
                                            const BaselineWindow& w) {
    std::vector<float> out;
    for (const Glyph* g : glyphs) {
        if (!excluded.empty() && excluded.contains(g->id)) continue;
        const float x = g->matrix[4];
        const float y = g->matrix[5];
        if (!(g->font_size > 0.82f * w.size)) continue;
        if (!(x + 6.0f * w.unit >= w.x0 && x <= w.x1 + 6.0f * w.unit)) continue;
        if (!(std::fabs(y - w.y) <= 0.45f * w.tolerance)) continue;
        out.push_back(y);
    }
    return out;
}

}  // namespace zvk::rewrite
