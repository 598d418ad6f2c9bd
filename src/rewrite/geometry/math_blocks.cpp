#include "rewrite/geometry/math_blocks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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

// The glyphs of the input that pass a filter, indexed by origin x and by
// origin y, so that a window looks at the glyphs inside its x-range or inside
// its y-range, whichever holds fewer, instead of at the whole input: a page
// of many lines has few glyphs in a window's rows, one long line few in its
// columns. A glyph with a NaN coordinate lies in no window and is left out;
// on numbers the float order agrees with the total order, so a scan meets
// exactly the glyphs that a walk over the whole input would accept.
class PointIndex {
public:
    template <typename Keep>
    PointIndex(std::span<const Glyph* const> glyphs, Keep keep) : glyphs_(glyphs) {
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const Glyph& g = *glyphs[i];
            if (!std::isnan(origin_x(g)) && !std::isnan(origin_y(g)) && keep(g)) by_x_.push_back(i);
        }
        by_y_ = by_x_;
        std::stable_sort(by_x_.begin(), by_x_.end(), [&](std::size_t a, std::size_t b) {
            return total_less(origin_x(*glyphs[a]), origin_x(*glyphs[b]));
        });
        std::stable_sort(by_y_.begin(), by_y_.end(), [&](std::size_t a, std::size_t b) {
            return total_less(origin_y(*glyphs[a]), origin_y(*glyphs[b]));
        });
    }

    // Calls visit(index) for the glyphs whose origin lies in x0..x1 by
    // y0..y1, edges included, until visit returns true.
    template <typename Visit>
    void visit_window(float x0, float x1, float y0, float y1, Visit visit) const {
        const auto [xb, xe] = range(by_x_, origin_x, x0, x1);
        const auto [yb, ye] = range(by_y_, origin_y, y0, y1);
        const bool rows = ye - yb < xe - xb;
        for (auto it = rows ? yb : xb, end = rows ? ye : xe; it != end; ++it) {
            const Glyph& g = *glyphs_[*it];
            if (x0 <= origin_x(g) && origin_x(g) <= x1 && y0 <= origin_y(g) && origin_y(g) <= y1 && visit(*it)) {
                return;
            }
        }
    }

private:
    using Iterator = std::vector<std::size_t>::const_iterator;

    std::pair<Iterator, Iterator> range(const std::vector<std::size_t>& sorted, float (*key)(const Glyph&), float lo,
                                        float hi) const {
        auto first =
            std::partition_point(sorted.begin(), sorted.end(), [&](std::size_t i) { return key(*glyphs_[i]) < lo; });
        auto last = std::partition_point(first, sorted.end(), [&](std::size_t i) { return key(*glyphs_[i]) <= hi; });
        return {first, last};
    }

    std::span<const Glyph* const> glyphs_;
    std::vector<std::size_t> by_x_;
    std::vector<std::size_t> by_y_;
};

// The whole-input lookups of the component tests, built on first use: a
// page's worth of glyphs is indexed once, not scanned once per component.
class WindowIndex {
public:
    WindowIndex(std::span<const Glyph* const> glyphs, float s) : glyphs_(glyphs), s_(s) {}

    // Some glyph larger than 0.84 × s with non-blank text stands within
    // 0.35 × s of the baseline with its origin x in [lo, hi].
    bool body_glyph_between(float baseline, float lo, float hi) {
        if (!body_) {
            body_.emplace(glyphs_, [&](const Glyph& g) { return g.font_size > 0.84f * s_ && !is_blank(g); });
        }
        // The rows are widened a little beyond what the float test of the
        // distance accepts; the test itself decides.
        const float reach = 0.35f * s_;
        const double slack = (std::fabs(static_cast<double>(baseline)) + reach) * 1e-5;
        const auto y0 = static_cast<float>(static_cast<double>(baseline) - reach - slack);
        const auto y1 = static_cast<float>(static_cast<double>(baseline) + reach + slack);
        bool found = false;
        body_->visit_window(lo, hi, y0, y1, [&](std::size_t i) {
            found = std::fabs(origin_y(*glyphs_[i]) - baseline) <= reach;
            return found;
        });
        return found;
    }

    // Math bracket glyphs whose origin lies in the window.
    template <typename Visit>
    void brackets_in(float x0, float x1, float y0, float y1, Visit visit) {
        if (!brackets_) {
            MathFontNameTest math_font;
            brackets_.emplace(glyphs_,
                              [&](const Glyph& g) { return math_font(g.font_name) && is_bracket_text(g.unicode); });
        }
        brackets_->visit_window(x0, x1, y0, y1, [&](std::size_t i) {
            visit(i);
            return false;
        });
    }

private:
    std::span<const Glyph* const> glyphs_;
    float s_;
    std::optional<PointIndex> body_;
    std::optional<PointIndex> brackets_;
};

struct NumberRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The clusters that are numbers: NaN sorts to the two ends of the descending
// list and lies at no distance from anything.
NumberRange number_range(const std::vector<float>& clusters) {
    NumberRange range{0, clusters.size()};
    while (range.begin < range.end && std::isnan(clusters[range.begin])) ++range.begin;
    while (range.end > range.begin && std::isnan(clusters[range.end - 1])) --range.end;
    return range;
}

struct NearestCluster {
    std::size_t index;
    float distance;
};

// The cluster nearest to y, the first in list order among equal distances,
// as a walk over every cluster finds it; found by bisection, since a page
// has a cluster per text line and a glyph per letter.
std::optional<NearestCluster> nearest_cluster(const std::vector<float>& clusters, NumberRange numbers, float y) {
    if (std::isnan(y) || numbers.begin == numbers.end) return std::nullopt;
    const auto first = clusters.begin() + static_cast<std::ptrdiff_t>(numbers.begin);
    const auto last = clusters.begin() + static_cast<std::ptrdiff_t>(numbers.end);
    const std::size_t at =
        static_cast<std::size_t>(std::partition_point(first, last, [&](float c) { return c > y; }) - clusters.begin());
    auto distance = [&](std::size_t i) { return std::fabs(y - clusters[i]); };
    // The nearest lies next to y's place in the list: just above it (at - 1)
    // or at it. A NaN distance (y and a cluster both infinite) is never
    // nearest.
    std::optional<NearestCluster> best;
    auto consider = [&](std::size_t i) {
        const float d = distance(i);
        if (!std::isnan(d) && (!best || d < best->distance)) best = NearestCluster{i, d};
    };
    if (at > numbers.begin) consider(at - 1);
    if (at < numbers.end) consider(at);
    if (!best) return std::nullopt;
    // Rounding can make farther clusters equally distant; the earliest wins.
    while (best->index > numbers.begin && distance(best->index - 1) == best->distance) --best->index;
    return best;
}

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
    const NumberRange numbers = number_range(clusters);
    std::vector<std::vector<std::size_t>> candidates(clusters.size());
    std::size_t candidate_count = 0;
    MathFontNameTest math_font;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = *glyphs[i];
        const std::optional<NearestCluster> nearest = nearest_cluster(clusters, numbers, origin_y(g));
        if (!nearest || !(nearest->distance <= 0.85f * s)) continue;
        const std::size_t nearest_index = nearest->index;
        const float nearest_distance = nearest->distance;
        bool candidate = g.font_size <= 0.82f * s;
        if (!candidate && nearest_distance > 0.3f * s) candidate = has_formula_skip_reason(g, math_font);
        if (candidate) {
            candidates[nearest_index].push_back(i);
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
