#include "rewrite/geometry/math_blocks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"
#include "segment/text_line.h"

namespace zvk::rewrite {

namespace {

constexpr float kLargest = std::numeric_limits<float>::max();

bool is_blank(const Glyph& g) { return trim_white_space(g.unicode).empty(); }

// Empty once trimmed, or exactly one of ( ) [ ] { } |.
bool is_bracket_text(std::string_view unicode) {
    const std::string_view text = trim_white_space(unicode);
    return text.empty() || (text.size() == 1 && std::string_view("()[]{}|").find(text[0]) != std::string_view::npos);
}

float origin_x(const Glyph& g) { return g.matrix[4]; }
float origin_y(const Glyph& g) { return g.matrix[5]; }

bool total_less(float a, float b) { return total_order_key(a) < total_order_key(b); }

// Indices of the glyphs that pass `keep` and have a number for origin x,
// sorted by origin x: a window scan then looks at the glyphs inside its
// x-range only instead of at the whole input. A glyph with a NaN x can lie in
// no window, and on numbers the float order agrees with the total order, so
// the scan meets exactly the glyphs a walk over the whole input would.
template <typename Keep>
std::vector<std::size_t> x_sorted_indices(std::span<const Glyph* const> glyphs, Keep keep) {
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        if (!std::isnan(origin_x(*glyphs[i])) && keep(*glyphs[i])) indices.push_back(i);
    }
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
        return total_less(origin_x(*glyphs[a]), origin_x(*glyphs[b]));
    });
    return indices;
}

// Calls visit(index) for every index of `sorted` whose glyph has lo <= x <= hi.
template <typename Visit>
void for_each_in_x_range(std::span<const Glyph* const> glyphs, const std::vector<std::size_t>& sorted, float lo,
                         float hi, Visit visit) {
    auto first = std::partition_point(sorted.begin(), sorted.end(),
                                      [&](std::size_t i) { return origin_x(*glyphs[i]) < lo; });
    for (auto it = first; it != sorted.end() && origin_x(*glyphs[*it]) <= hi; ++it) {
        if (lo <= origin_x(*glyphs[*it]) && visit(*it)) return;
    }
}

// The whole-input lookups of the component tests, built on first use: a
// page's worth of glyphs is scanned once, not once per component.
class WindowIndex {
public:
    WindowIndex(std::span<const Glyph* const> glyphs, float s) : glyphs_(glyphs), s_(s) {}

    // Some glyph larger than 0.84 × s with non-blank text stands within
    // 0.35 × s of the baseline with its origin x in [lo, hi].
    bool body_glyph_between(float baseline, float lo, float hi) {
        if (!body_built_) {
            body_ = x_sorted_indices(glyphs_, [&](const Glyph& g) { return g.font_size > 0.84f * s_ && !is_blank(g); });
            body_built_ = true;
        }
        bool found = false;
        for_each_in_x_range(glyphs_, body_, lo, hi, [&](std::size_t i) {
            found = std::fabs(origin_y(*glyphs_[i]) - baseline) <= 0.35f * s_;
            return found;
        });
        return found;
    }

    // Math bracket glyphs whose origin lies in the window, in x order.
    template <typename Visit>
    void brackets_in(float x0, float x1, float y0, float y1, Visit visit) {
        if (!brackets_built_) {
            MathFontNameTest math_font;
            brackets_ = x_sorted_indices(
                glyphs_, [&](const Glyph& g) { return math_font(g.font_name) && is_bracket_text(g.unicode); });
            brackets_built_ = true;
        }
        for_each_in_x_range(glyphs_, brackets_, x0, x1, [&](std::size_t i) {
            const float y = origin_y(*glyphs_[i]);
            if (y0 <= y && y <= y1) visit(i);
            return false;
        });
    }

private:
    std::span<const Glyph* const> glyphs_;
    float s_;
    std::vector<std::size_t> body_;
    std::vector<std::size_t> brackets_;
    bool body_built_ = false;
    bool brackets_built_ = false;
};

// The component tests and the group of one component (members in x order),
// or nothing when it is rejected.
std::optional<std::vector<std::uint32_t>> build_group(std::span<const Glyph* const> glyphs,
                                                      const std::vector<std::size_t>& members, float baseline,
                                                      float s, WindowIndex& index,
                                                      const std::unordered_set<std::uint32_t>& claimed) {
    std::vector<std::size_t> above, below;
    for (std::size_t i : members) {
        const float y = origin_y(*glyphs[i]);
        if (y > baseline + 0.3f * s) above.push_back(i);
        if (y < baseline - 0.3f * s) below.push_back(i);
    }
    if (above.empty() || below.empty()) return std::nullopt;
    if (above.size() == 1 && below.size() == 1) {
        // A lone glyph over a lone glyph is a fraction only when they stand
        // one over the other with no body text between them.
        const float xa = origin_x(*glyphs[above[0]]);
        const float xb = origin_x(*glyphs[below[0]]);
        if (std::fabs(xa - xb) > 0.45f * s) return std::nullopt;
        const float lo = edge_min(xa, xb) - 0.25f * s;
        const float hi = edge_max(xa, xb) + 0.25f * s;
        if (index.body_glyph_between(baseline, lo, hi)) return std::nullopt;
    }
    auto extent = [&](const std::vector<std::size_t>& part) {
        float x0 = kLargest, x1 = -kLargest;
        for (std::size_t i : part) {
            const Glyph& g = *glyphs[i];
            x0 = edge_min(x0, edge_min(origin_x(g), g.bbox[0]));
            x1 = edge_max(x1, edge_max(origin_x(g), g.bbox[2]));
        }
        return XRange{x0, x1};
    };
    const XRange a = extent(above);
    const XRange b = extent(below);
    if (edge_min(a.x1, b.x1) - edge_max(a.x0, b.x0) < -0.15f * s) return std::nullopt;

    float kx0 = kLargest, kx1 = -kLargest, ky0 = kLargest, ky1 = -kLargest;
    for (std::size_t i : members) {
        kx0 = edge_min(kx0, origin_x(*glyphs[i]));
        kx1 = edge_max(kx1, origin_x(*glyphs[i]));
        ky0 = edge_min(ky0, origin_y(*glyphs[i]));
        ky1 = edge_max(ky1, origin_y(*glyphs[i]));
    }
    if (kx1 - kx0 > 3.0f * s) return std::nullopt;

    std::vector<std::uint32_t> group = glyph_ids_at_indices(members, glyphs);
    const std::size_t member_count = group.size();
    index.brackets_in(kx0 - 0.8f * s, kx1 + 0.8f * s, ky0 - 0.25f * s, ky1 + 0.75f * s, [&](std::size_t i) {
        const std::uint32_t id = glyphs[i]->id;
        if (claimed.contains(id)) return;
        if (std::find(group.begin(), group.begin() + static_cast<std::ptrdiff_t>(member_count), id) !=
            group.begin() + static_cast<std::ptrdiff_t>(member_count)) {
            return;
        }
        group.push_back(id);
    });
    std::sort(group.begin(), group.end());
    group.erase(std::unique(group.begin(), group.end()), group.end());
    return group;
}

// The groups ordered by their leading glyph: the first input glyph whose id
// the group holds; origin y descending, then origin x ascending.
void order_by_leading_glyph(MathBlockGroups& groups, std::span<const Glyph* const> glyphs) {
    std::unordered_map<std::uint32_t, std::size_t> first_index;
    for (const auto& group : groups) {
        for (std::uint32_t id : group) first_index.emplace(id, glyphs.size());
    }
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        auto it = first_index.find(glyphs[i]->id);
        if (it != first_index.end() && it->second == glyphs.size()) it->second = i;
    }
    struct Keyed {
        std::int32_t y;
        std::int32_t x;
        std::vector<std::uint32_t> group;
    };
    std::vector<Keyed> keyed;
    for (auto& group : groups) {
        std::size_t lead = glyphs.size();
        for (std::uint32_t id : group) lead = std::min(lead, first_index[id]);
        const Glyph& g = *glyphs[lead];
        keyed.push_back({total_order_key(origin_y(g)), total_order_key(origin_x(g)), std::move(group)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.y != b.y) return a.y > b.y;
        return a.x < b.x;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) groups[i] = std::move(keyed[i].group);
}

}  // namespace

std::vector<float> cluster_baselines(std::span<const Glyph* const> glyphs, float size) {
    MathFontNameTest math_font;
    std::vector<float> ys;
    for (const Glyph* g : glyphs) {
        if (g->font_size > 0.82f * size && !is_blank(*g) && !math_font(g->font_name)) ys.push_back(g->matrix[5]);
    }
    std::stable_sort(ys.begin(), ys.end(), [](float a, float b) { return total_less(b, a); });
    std::vector<float> clusters;
    for (float y : ys) {
        // A NaN distance fails the test and keeps the value.
        if (clusters.empty() || !(std::fabs(clusters.back() - y) <= 0.35f * size)) clusters.push_back(y);
    }
    return clusters;
}

float typical_glyph_size(std::span<const Glyph* const> glyphs) {
    MathFontNameTest math_font;
    std::vector<float> sizes;
    for (const Glyph* g : glyphs) {
        if (g->font_size >= 1.0f && !is_blank(*g) && !math_font(g->font_name)) sizes.push_back(g->font_size);
    }
    const float size = sizes.size() >= 8 ? upper_median(sizes) : representative_font_size(glyphs);
    return size >= 1.0f ? size : 1.0f;
}

bool is_math_bracket_glyph(const Glyph& glyph) {
    // The "formula" skip reason needs a math font, so the font test alone
    // decides the first half.
    return is_math_font_name(glyph.font_name) && is_bracket_text(glyph.unicode);
}

std::vector<std::uint32_t> glyph_ids_at_indices(std::span<const std::size_t> indices,
                                                std::span<const Glyph* const> glyphs) {
    std::vector<std::uint32_t> ids;
    ids.reserve(indices.size());
    for (std::size_t i : indices) ids.push_back(glyphs[i]->id);
    return ids;
}

MathBlockGroups find_math_blocks(std::span<const Glyph* const> glyphs, float size) {
    const float s = size >= 1.0f ? size : 1.0f;
    if (glyphs.empty()) return {};
    const std::vector<float> clusters = cluster_baselines(glyphs, s);
    if (clusters.empty()) return {};

    // Candidates, each with its nearest cluster within 0.85 × s (the higher
    // one on a tie).
    std::vector<std::vector<std::size_t>> candidates(clusters.size());
    std::size_t candidate_count = 0;
    MathFontNameTest math_font;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = *glyphs[i];
        const float y = origin_y(g);
        std::size_t nearest = clusters.size();
        float nearest_distance = 0.0f;
        for (std::size_t c = 0; c < clusters.size(); ++c) {
            const float d = std::fabs(y - clusters[c]);
            if (d <= 0.85f * s && (nearest == clusters.size() || d < nearest_distance)) {
                nearest = c;
                nearest_distance = d;
            }
        }
        if (nearest == clusters.size()) continue;
        bool candidate = g.font_size <= 0.82f * s;
        if (!candidate && nearest_distance > 0.3f * s) candidate = has_formula_skip_reason(g, math_font);
        if (candidate) {
            candidates[nearest].push_back(i);
            ++candidate_count;
        }
    }
    if (candidate_count < 3) return {};

    MathBlockGroups groups;
    std::unordered_set<std::uint32_t> claimed;
    WindowIndex index(glyphs, s);
    // Clusters top down, and within one the components left to right: the
    // order decides which group takes a bracket inside two windows, so it
    // must follow from the input alone.
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        std::vector<std::size_t>& members = candidates[c];
        std::stable_sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
            return total_less(origin_x(*glyphs[a]), origin_x(*glyphs[b]));
        });
        std::size_t start = 0;
        while (start < members.size()) {
            // In x order, a component is a run whose neighbours are at most
            // 2.2 × s apart (a NaN difference ends it).
            std::size_t end = start + 1;
            while (end < members.size() &&
                   origin_x(*glyphs[members[end]]) - origin_x(*glyphs[members[end - 1]]) <= 2.2f * s) {
                ++end;
            }
            const std::vector<std::size_t> component(members.begin() + static_cast<std::ptrdiff_t>(start),
                                                     members.begin() + static_cast<std::ptrdiff_t>(end));
            if (auto group = build_group(glyphs, component, clusters[c], s, index, claimed)) {
                claimed.insert(group->begin(), group->end());
                groups.push_back(std::move(*group));
            }
            start = end;
        }
    }
    order_by_leading_glyph(groups, glyphs);
    return groups;
}

}  // namespace zvk::rewrite
