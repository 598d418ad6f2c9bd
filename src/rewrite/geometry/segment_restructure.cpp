#include "rewrite/geometry/segment_restructure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_set>

#include "rewrite/geometry/formula_placeholders.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/geometry/glyph_runs.h"
#include "rewrite/geometry/math_blocks.h"
#include "segment/glyph_order.h"
#include "segment/text_line.h"
#include "translator/placeholder_token.h"

namespace zvk::rewrite {

namespace {

constexpr float kLargest = std::numeric_limits<float>::max();

float gx(const Glyph& g) { return g.matrix[4]; }
float gy(const Glyph& g) { return g.matrix[5]; }

struct Box {
    float x0 = kLargest;
    float x1 = -kLargest;
    float y0 = kLargest;
    float y1 = -kLargest;
};

// Extent of the glyphs' origins.
Box origin_box(std::span<const Glyph* const> glyphs) {
    Box b;
    for (const Glyph* g : glyphs) {
        b.x0 = edge_min(b.x0, gx(*g));
        b.x1 = edge_max(b.x1, gx(*g));
        b.y0 = edge_min(b.y0, gy(*g));
        b.y1 = edge_max(b.y1, gy(*g));
    }
    return b;
}

float size_of(std::span<const Glyph* const> glyphs) { return std::max(representative_font_size(glyphs), 1.0f); }

// The state of one call: the glyph list bucketed by page, the display
// formulas of every page, each segment's glyphs, page and area, and which
// glyphs belong to a segment at all.
class Restructure {
public:
    Restructure(std::vector<Segment>& segments, std::span<const Glyph> glyphs)
        : segments_(segments), glyphs_(glyphs), index_(glyphs) {}

    std::vector<Segment> run() {
        for (std::size_t i = 0; i < glyphs_.size(); ++i) page_positions_[glyphs_[i].page_index].push_back(i);
        in_formula_.assign(glyphs_.size(), false);
        for (const auto& [page, positions] : page_positions_) {
            std::vector<const Glyph*> refs;
            for (std::size_t i : positions) refs.push_back(&glyphs_[i]);
            for (const auto& group : find_math_blocks(refs, typical_glyph_size(refs))) {
                for (std::uint32_t id : group) {
                    if (const auto pos = index_.position(id)) in_formula_[*pos] = true;
                }
            }
        }
        owned_.assign(glyphs_.size(), false);
        refs_.resize(segments_.size());
        areas_.resize(segments_.size());
        bool any_marked = false;
        for (std::size_t k = 0; k < segments_.size(); ++k) {
            refs_[k] = glyph_refs_for_ids(segments_[k].glyph_ids, glyphs_, index_);
            for (const Glyph* g : refs_[k]) owned_[position(*g)] = true;
            if (refs_[k].empty()) continue;
            segments_by_first_page_[refs_[k].front()->page_index].push_back(k);
            const std::vector<const Glyph*> page = glyphs_on_first_page(refs_[k]);
            areas_[k] = segment_area(page);
            if (!areas_[k]) continue;
            areas_[k]->touches_formula =
                std::any_of(page.begin(), page.end(), [&](const Glyph* g) { return in_formula_[position(*g)]; });
            areas_by_page_[areas_[k]->page_index].push_back(k);
            any_marked = any_marked || areas_[k]->touches_formula;
        }
        if (!any_marked) return std::move(segments_);

        mark_reachable();
        std::vector<std::vector<std::size_t>> clusters = build_clusters();
        removed_.assign(segments_.size(), false);
        taken_glyph_.assign(glyphs_.size(), false);
        taken_fragment_.assign(segments_.size(), false);
        for (const auto& cluster : clusters) merge(cluster);

        std::vector<Segment> out;
        out.reserve(segments_.size());
        for (std::size_t k = 0; k < segments_.size(); ++k) {
            if (removed_[k]) continue;
            const auto it = replacements_.find(k);
            out.push_back(insert_formula_placeholders(it != replacements_.end() ? std::move(it->second)
                                                                                 : std::move(segments_[k]),
                                                      glyphs_, index_));
        }
        return out;
    }

private:
    std::size_t position(const Glyph& g) const { return static_cast<std::size_t>(&g - glyphs_.data()); }

    // Every segment reachable from one touching a formula through colliding
    // areas. Only areas on the same page can collide.
    void mark_reachable() {
        marked_.assign(segments_.size(), false);
        std::vector<std::size_t> stack;
        for (std::size_t k = 0; k < segments_.size(); ++k) {
            if (areas_[k] && areas_[k]->touches_formula) {
                marked_[k] = true;
                stack.push_back(k);
            }
        }
        while (!stack.empty()) {
            const std::size_t j = stack.back();
            stack.pop_back();
            for (std::size_t k : areas_by_page_[areas_[j]->page_index]) {
                if (!marked_[k] && segment_areas_collide(*areas_[j], *areas_[k])) {
                    marked_[k] = true;
                    stack.push_back(k);
                }
            }
        }
    }

    // Connected pieces of the collision graph of each page's marked
    // segments, pages ascending; within a page by lowest member, so that the
    // clusters claim loose glyphs and fragments in a fixed order.
    std::vector<std::vector<std::size_t>> build_clusters() {
        std::map<std::uint32_t, std::vector<std::size_t>> by_page;
        for (std::size_t k = 0; k < segments_.size(); ++k) {
            if (marked_[k]) by_page[segments_[k].page_index].push_back(k);
        }
        std::vector<std::vector<std::size_t>> clusters;
        for (auto& [page, list] : by_page) {
            std::vector<std::vector<std::size_t>> page_clusters;
            while (!list.empty()) {
                std::vector<std::size_t> cluster{list.back()};
                list.pop_back();
                for (bool grew = true; grew;) {
                    grew = false;
                    std::vector<std::size_t> rest;
                    for (std::size_t c : list) {
                        const bool joins = areas_[c] && std::any_of(cluster.begin(), cluster.end(), [&](std::size_t m) {
                                               return areas_[m] && segment_areas_collide(*areas_[m], *areas_[c]);
                                           });
                        if (joins) {
                            cluster.push_back(c);
                            grew = true;
                        } else {
                            rest.push_back(c);
                        }
                    }
                    list = std::move(rest);
                }
                page_clusters.push_back(std::move(cluster));
            }
            std::sort(page_clusters.begin(), page_clusters.end(), [](const auto& a, const auto& b) {
                return *std::min_element(a.begin(), a.end()) < *std::min_element(b.begin(), b.end());
            });
            for (auto& c : page_clusters) clusters.push_back(std::move(c));
        }
        return clusters;
    }

    std::vector<const Glyph*> resolve(const std::vector<std::uint32_t>& ids) const {
        return glyph_refs_for_ids(ids, glyphs_, index_);
    }

    void merge(const std::vector<std::size_t>& cluster) {
        std::vector<std::uint32_t> g_ids;
        for (std::size_t m : cluster) g_ids.insert(g_ids.end(), segments_[m].glyph_ids.begin(), segments_[m].glyph_ids.end());
        if (g_ids.empty()) return;
        std::unordered_set<std::uint32_t> in_g(g_ids.begin(), g_ids.end());

        // Loose glyphs: in no segment, not taken by an earlier cluster, origin
        // in the capture box around the cluster's glyphs on its page.
        std::vector<std::size_t> loose;
        {
            const std::vector<const Glyph*> page = glyphs_on_first_page(resolve(g_ids));
            if (!page.empty()) {
                const float s = size_of(page);
                const Box b = origin_box(page);
                const float x0 = b.x0 - s, x1 = b.x1 + s, y0 = b.y0 - 0.45f * s, y1 = b.y1 + 0.2f * s;
                for (std::size_t i : page_positions_[page.front()->page_index]) {
                    const Glyph& g = glyphs_[i];
                    if (owned_[i] || taken_glyph_[i] || in_g.contains(g.id)) continue;
                    if (x0 <= gx(g) && gx(g) <= x1 && y0 <= gy(g) && gy(g) <= y1) {
                        loose.push_back(i);
                        g_ids.push_back(g.id);
                        in_g.insert(g.id);
                    }
                }
            }
        }

        // Fragments: 1 to 3 small or math-font glyphs of a segment that no
        // cluster holds, inside the fragment box, not taken by an earlier
        // cluster.
        std::vector<std::size_t> fragments;
        {
            const std::vector<const Glyph*> page = glyphs_on_first_page(resolve(g_ids));
            if (!page.empty()) {
                const float s2 = size_of(page);
                const Box b = origin_box(page);
                const float x0 = b.x0 - s2, x1 = b.x1 + s2;
                const std::uint32_t p2 = page.front()->page_index;
                MathFontNameTest math_font;
                for (std::size_t k : segments_by_first_page_[p2]) {
                    if (marked_[k] || taken_fragment_[k]) continue;
                    const auto& ids = segments_[k].glyph_ids;
                    if (ids.empty() || ids.size() > 3 || refs_[k].size() != ids.size()) continue;
                    const bool fits = std::all_of(refs_[k].begin(), refs_[k].end(), [&](const Glyph* g) {
                        const bool small = g->font_size <= 0.82f * s2 || math_font(g->font_name);
                        return g->page_index == p2 && x0 <= gx(*g) && gx(*g) <= x1 && b.y0 <= gy(*g) &&
                               gy(*g) <= b.y1 && g->font_size <= 0.85f * s2 && small;
                    });
                    if (!fits) continue;
                    for (std::uint32_t id : ids) {
                        if (in_g.insert(id).second) g_ids.push_back(id);
                    }
                    fragments.push_back(k);
                }
            }
        }

        std::sort(g_ids.begin(), g_ids.end());
        g_ids.erase(std::unique(g_ids.begin(), g_ids.end()), g_ids.end());
        const std::vector<const Glyph*> refs = resolve(g_ids);
        const float s3 = typical_glyph_size(refs);
        const FormulaGroups groups = analyze_segment_glyph_runs(refs, s3);
        if (groups.empty()) return;
        std::string text = build_segment_text_with_placeholders(refs, groups, s3);
        if (text.find(kOpenMark) == std::string::npos) return;

        // The cluster changes the list: what it took is its own from here on.
        for (std::size_t i : loose) taken_glyph_[i] = true;
        for (std::size_t k : fragments) {
            taken_fragment_[k] = true;
            removed_[k] = true;
        }
        const std::size_t keeper = *std::min_element(cluster.begin(), cluster.end());
        for (std::size_t m : cluster) {
            if (m != keeper) removed_[m] = true;
        }
        replacements_[keeper] = Segment{.glyph_ids = std::move(g_ids),
                                        .source = std::move(text),
                                        .id = segments_[keeper].id,
                                        .page_index = segments_[keeper].page_index};
    }

    std::vector<Segment>& segments_;
    std::span<const Glyph> glyphs_;
    GlyphIdIndex index_;
    std::map<std::uint32_t, std::vector<std::size_t>> page_positions_;
    std::map<std::uint32_t, std::vector<std::size_t>> areas_by_page_;
    std::map<std::uint32_t, std::vector<std::size_t>> segments_by_first_page_;
    std::vector<bool> in_formula_;
    std::vector<bool> owned_;
    std::vector<std::vector<const Glyph*>> refs_;
    std::vector<std::optional<SegmentArea>> areas_;
    std::vector<bool> marked_;
    std::vector<bool> removed_;
    std::vector<bool> taken_glyph_;
    std::vector<bool> taken_fragment_;
    std::map<std::size_t, Segment> replacements_;
};

}  // namespace

std::vector<const Glyph*> glyphs_on_first_page(std::span<const Glyph* const> glyphs) {
    std::vector<const Glyph*> out;
    if (glyphs.empty()) return out;
    const std::uint32_t page = glyphs.front()->page_index;
    for (const Glyph* g : glyphs) {
        if (g->page_index == page) out.push_back(g);
    }
    return out;
}

std::optional<SegmentArea> segment_area(std::span<const Glyph* const> page_glyphs) {
    if (page_glyphs.empty()) return std::nullopt;
    SegmentArea a;
    a.page_index = page_glyphs.front()->page_index;
    a.y_max = -kLargest;
    a.y_min = kLargest;
    a.x_min = kLargest;
    a.x_max = -kLargest;
    for (const Glyph* g : page_glyphs) {
        a.y_max = edge_max(a.y_max, gy(*g));
        a.y_min = edge_min(a.y_min, gy(*g));
        a.x_min = edge_min(a.x_min, edge_min(gx(*g), g->bbox[0]));
        a.x_max = edge_max(a.x_max, edge_max(g->bbox[2], gx(*g)));
    }
    // No finite baseline at all leaves the running maximum at its start.
    if (!std::isfinite(a.y_max) || a.y_max == -kLargest) return std::nullopt;
    a.size = size_of(page_glyphs);
    a.first_line_x = kLargest;
    for (const Glyph* g : page_glyphs) {
        if (std::fabs(gy(*g) - a.y_max) <= 0.35f * a.size) a.first_line_x = edge_min(a.first_line_x, edge_min(gx(*g), g->bbox[0]));
    }
    if (!std::isfinite(a.first_line_x) || a.first_line_x == kLargest) a.first_line_x = a.x_min;
    a.column_split = find_column_gutter(page_glyphs, a.size);
    return a;
}

std::vector<Segment> restructure_segments_for_translation(std::vector<Segment> segments,
                                                          std::span<const Glyph> glyphs) {
    if (segments.empty()) return segments;
    return Restructure(segments, glyphs).run();
}

}  // namespace zvk::rewrite
