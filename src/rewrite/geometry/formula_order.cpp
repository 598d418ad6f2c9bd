#include "rewrite/geometry/formula_order.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>

#include "base/text.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

float gx(const Glyph& g) { return g.matrix[4]; }
float gy(const Glyph& g) { return g.matrix[5]; }
bool total_less(float a, float b) { return total_order_key(a) < total_order_key(b); }

}  // namespace

bool is_hat_text(std::string_view t) { return t == "\u02c6" || t == "\u0302" || t == "\uf8f8"; }

void sort_glyph_indices_by_position(std::vector<std::size_t>& indices, std::span<const Glyph* const> glyphs) {
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
        const Glyph& ga = *glyphs[a];
        const Glyph& gb = *glyphs[b];
        if (total_order_key(gy(ga)) != total_order_key(gy(gb))) return total_less(gy(gb), gy(ga));
        return total_less(gx(ga), gx(gb));
    });
}

void sort_formula_groups(std::vector<std::vector<std::uint32_t>>& groups, std::span<const Glyph* const> glyphs,
                         const std::unordered_map<std::uint32_t, std::size_t>& position, float s) {
    const std::vector<float> clusters = cluster_baselines(glyphs, s);
    struct Keyed {
        float baseline;
        float left;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(groups.size());
    std::vector<float> ys;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        float left = std::numeric_limits<float>::max();
        ys.clear();
        for (std::uint32_t id : groups[k]) {
            const auto it = position.find(id);
            if (it == position.end()) continue;
            const Glyph& g = *glyphs[it->second];
            left = edge_min(left, gx(g));
            ys.push_back(gy(g));
        }
        const float median = ys.empty() ? 0.0f : upper_median(ys);
        keyed.push_back({nearest_cluster(clusters, median, s).value_or(median), left, k});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (total_order_key(a.baseline) != total_order_key(b.baseline)) return total_less(b.baseline, a.baseline);
        return total_less(a.left, b.left);
    });
    std::vector<std::vector<std::uint32_t>> sorted;
    sorted.reserve(groups.size());
    for (const Keyed& k : keyed) sorted.push_back(std::move(groups[k.index]));
    groups = std::move(sorted);
}

bool is_glyph_just_below(const Glyph& raised, const Glyph& g, float s) {
    if (g.id == raised.id || g.page_index != raised.page_index) return false;
    const std::string_view text = trim_white_space(g.unicode);
    if (text.empty() || is_hat_text(text)) return false;
    if (!(g.font_size > 0.75f * s)) return false;
    if (!(gy(raised) > gy(g) + 0.05f * s && gy(raised) - gy(g) <= 0.65f * s)) return false;
    const float dx = gx(raised) - gx(g);
    return -0.2f * s <= dx && dx <= 0.9f * s;
}

const Glyph& find_base_glyph_under(const Glyph& raised, float s, const Glyph& start,
                                   std::span<const Glyph* const> following) {
    // The bits of a non-negative float order like its value, with NaN above
    // infinity: a NaN distance never wins.
    const auto distance_bits = [&](const Glyph& g) { return std::bit_cast<std::uint32_t>(std::fabs(gx(raised) - gx(g))); };
    const Glyph* best = &start;
    for (const Glyph* g : following) {
        if (is_glyph_just_below(raised, *g, s) && distance_bits(*g) < distance_bits(*best)) best = g;
    }
    return *best;
}

}  // namespace zvk::rewrite
