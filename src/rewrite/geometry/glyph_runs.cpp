#include "rewrite/geometry/glyph_runs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/formula_order.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

using Ids = std::vector<std::uint32_t>;
using IdSet = std::unordered_set<std::uint32_t>;

float gx(const Glyph& g) { return g.matrix[4]; }
float gy(const Glyph& g) { return g.matrix[5]; }
float left_edge(const Glyph& g) { return edge_min(gx(g), g.bbox[0]); }
float right_edge(const Glyph& g) { return edge_max(gx(g), g.bbox[2]); }
std::string_view text_of(const Glyph& g) { return trim_white_space(g.unicode); }
bool is_blank(const Glyph& g) { return text_of(g).empty(); }
bool total_less(float a, float b) { return total_order_key(a) < total_order_key(b); }

bool is_bracket_text(std::string_view t) { return t == "(" || t == ")" || t == "[" || t == "]"; }
bool has_ascii_letter(std::string_view t) {
    return std::any_of(t.begin(), t.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

void claim_all(IdSet& claimed, const FormulaGroups& groups) {
    claimed.clear();
    for (const Ids& group : groups) claimed.insert(group.begin(), group.end());
}

// Union-find over candidate positions with path compression.
std::size_t find_root(std::vector<std::size_t>& parent, std::size_t i) {
    std::size_t root = i;
    while (parent[root] != root) root = parent[root];
    while (parent[i] != root) {
        const std::size_t next = parent[i];
        parent[i] = root;
        i = next;
    }
    return root;
}

// What steps 7, 8 and 10 read of a group: its glyphs found through the id
// map, their leftmost origin, rightmost edge and mean baseline.
struct GroupExtent {
    std::vector<const Glyph*> glyphs;
    float left = std::numeric_limits<float>::max();
    float right = -std::numeric_limits<float>::max();
    float mean_baseline = 0.0f;
};

class Analysis {
public:
    Analysis(std::span<const Glyph* const> glyphs, float s) : glyphs_(glyphs), s_(s) {
        for (std::size_t i = 0; i < glyphs.size(); ++i) position_.emplace(glyphs[i]->id, i);
        for (const Glyph* g : glyphs) pages_[g->page_index].push_back(g);
        for (auto& [page, list] : pages_) clusters_[page] = cluster_baselines(list, s);
    }

    FormulaGroups run() {
        result_ = find_math_blocks(glyphs_, s_);
        claim_all(claimed_, result_);
        script_groups();
        formula_runs();
        stray_small_glyphs();
        brackets();
        hats();
        order();
        return std::move(result_);
    }

private:
    const std::vector<float>& clusters_of(const Glyph& g) { return clusters_[g.page_index]; }

    bool in_math_font(const Glyph& g) { return math_font_(g.font_name); }

    // Steps 1 to 5. Clusters are those of the glyph's own page, so a script on
    // one page never takes its baseline from a line on another.
    void script_groups() {
        std::vector<const Glyph*> candidates;
        for (const Glyph* g : glyphs_) {
            if (claimed_.contains(g->id) || is_blank(*g) || !(g->font_size <= 0.84f * s_)) continue;
            const auto c = nearest_cluster(clusters_of(*g), gy(*g), s_);
            if (!c) continue;
            const float d = std::fabs(gy(*g) - *c);
            if (0.08f * s_ <= d && d <= 0.65f * s_) candidates.push_back(g);
        }
        std::vector<std::size_t> parent(candidates.size());
        std::iota(parent.begin(), parent.end(), std::size_t{0});
        for (std::size_t a = 0; a < candidates.size(); ++a) {
            for (std::size_t b = a + 1; b < candidates.size(); ++b) {
                const Glyph& ga = *candidates[a];
                const Glyph& gb = *candidates[b];
                if (ga.page_index != gb.page_index) continue;
                if (!(std::fabs(gx(ga) - gx(gb)) <= 1.15f * s_ && std::fabs(gy(ga) - gy(gb)) <= 0.4f * s_)) continue;
                const std::size_t ra = find_root(parent, a);
                const std::size_t rb = find_root(parent, b);
                if (ra != rb) parent[rb] = ra;
            }
        }
        // Groups in the order of their first member, the same on every call.
        std::vector<std::vector<const Glyph*>> groups;
        std::unordered_map<std::size_t, std::size_t> group_of_root;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            const std::size_t root = find_root(parent, i);
            auto [it, fresh] = group_of_root.emplace(root, groups.size());
            if (fresh) groups.emplace_back();
            groups[it->second].push_back(candidates[i]);
        }
        FormulaGroups made;
        for (const auto& members : groups) {
            if (auto ids = script_group(members)) made.push_back(std::move(*ids));
        }
        for (auto& group : made) result_.push_back(std::move(group));
    }

    std::optional<Ids> script_group(const std::vector<const Glyph*>& members) {
        const Glyph& first = *members.front();
        bool member_math = false;
        float left = std::numeric_limits<float>::max();
        float right = -std::numeric_limits<float>::max();
        IdSet member_ids;
        std::vector<float> ys;
        for (const Glyph* m : members) {
            member_math = member_math || in_math_font(*m);
            left = edge_min(left, left_edge(*m));
            right = edge_max(right, right_edge(*m));
            member_ids.insert(m->id);
            ys.push_back(gy(*m));
        }
        const float width = right - left;
        const auto c = nearest_cluster(clusters_of(first), upper_median(ys), s_);
        if (!c) return std::nullopt;

        std::vector<const Glyph*> line;
        for (const Glyph* g : glyphs_) {
            if (g->page_index != first.page_index || claimed_.contains(g->id) || member_ids.contains(g->id)) continue;
            if (g->font_size > 0.84f * s_ && std::fabs(gy(*g) - *c) <= 0.35f * s_) line.push_back(g);
        }
        const auto by_x = [](const Glyph* a, const Glyph* b) { return total_less(gx(*a), gx(*b)); };
        std::stable_sort(line.begin(), line.end(), by_x);

        std::vector<const Glyph*> bases;
        const auto add_base = [&](const Glyph* g) {
            if (g && std::find(bases.begin(), bases.end(), g) == bases.end()) bases.push_back(g);
        };
        // The rightmost line glyph whose origin lies in [lo, hi], the later on
        // equal x.
        const auto rightmost_in = [&](float lo, float hi) -> const Glyph* {
            const Glyph* best = nullptr;
            for (const Glyph* g : line) {
                if (lo <= gx(*g) && gx(*g) <= hi && (!best || gx(*g) >= gx(*best))) best = g;
            }
            return best;
        };
        for (const Glyph* m : members) add_base(rightmost_in(gx(*m) - 0.95f * s_, gx(*m) + 0.2f * s_));
        if (width > 1.3f * s_) {
            for (const Glyph* g : line) {
                if (left - 0.95f * s_ <= gx(*g) && gx(*g) <= right + 0.08f * s_) add_base(g);
            }
            std::stable_sort(bases.begin(), bases.end(), by_x);
            for (int step = 0; step < 5 && !bases.empty(); ++step) {
                const Glyph& f = *bases.front();
                const Glyph* g = nullptr;
                for (auto it = line.rbegin(); it != line.rend(); ++it) {
                    if (gx(**it) < gx(f) - 0.5f && gx(f) - right_edge(**it) <= 0.28f * s_) {
                        g = *it;
                        break;
                    }
                }
                if (!g || std::find(bases.begin(), bases.end(), g) != bases.end()) break;
                bases.insert(bases.begin(), g);
            }
        } else {
            add_base(rightmost_in(left - 0.85f * s_, left + 0.25f * s_));
            std::stable_sort(bases.begin(), bases.end(), by_x);
        }

        const bool all_note_like = std::all_of(members.begin(), members.end(),
                                               [](const Glyph* m) { return is_note_marker_like_text(text_of(*m)); });
        if (all_note_like && !member_math) return std::nullopt;
        const bool base_math = std::any_of(bases.begin(), bases.end(), [&](const Glyph* b) { return in_math_font(*b); });
        if (!member_math && !base_math) return std::nullopt;
        const bool all_footnote = std::all_of(members.begin(), members.end(),
                                              [](const Glyph* m) { return is_footnote_marker_text(m->unicode); });
        if (all_footnote) {
            const bool letterless_base =
                std::any_of(bases.begin(), bases.end(), [](const Glyph* b) { return !has_ascii_letter(b->unicode); });
            if (!base_math && !letterless_base) return std::nullopt;
        }
        Ids ids;
        for (const Glyph* m : members) ids.push_back(m->id);
        for (const Glyph* b : bases) ids.push_back(b->id);
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        if (ids.size() < 2) return std::nullopt;
        return ids;
    }

    // Step 6: runs of formula glyphs in reading order, one page at a time.
    void formula_runs() {
        claim_all(claimed_, result_);
        std::vector<std::size_t> formula;
        for (std::size_t i = 0; i < glyphs_.size(); ++i) {
            const Glyph* g = glyphs_[i];
            if (!claimed_.contains(g->id) && !is_blank(*g) && has_formula_skip_reason(*g, math_font_)) {
                formula.push_back(i);
            }
        }
        sort_glyph_indices_by_position(formula, glyphs_);
        std::vector<const Glyph*> run;
        const auto close = [&] {
            if (run.size() >= 2) {
                Ids ids;
                for (const Glyph* g : run) ids.push_back(g->id);
                result_.push_back(std::move(ids));
            }
            run.clear();
        };
        for (std::size_t i : formula) {
            const Glyph* g = glyphs_[i];
            if (!run.empty()) {
                const Glyph& p = *run.back();
                const float gap = gx(*g) - right_edge(p);
                const bool joins = p.page_index == g->page_index && -0.2f * s_ <= gap && gap <= 0.55f * s_ &&
                                   std::fabs(gy(p) - gy(*g)) <= 0.35f * s_;
                if (!joins) close();
            }
            run.push_back(g);
        }
        close();
    }

    GroupExtent extent(const Ids& group) {
        GroupExtent e;
        float fsum = 0.0f;
        for (std::uint32_t id : group) {
            const auto it = position_.find(id);
            if (it == position_.end()) continue;
            const Glyph* g = glyphs_[it->second];
            e.glyphs.push_back(g);
            e.left = edge_min(e.left, gx(*g));
            e.right = edge_max(e.right, right_edge(*g));
            fsum += gy(*g);
        }
        if (!e.glyphs.empty()) e.mean_baseline = fsum / static_cast<float>(e.glyphs.size());
        return e;
    }

    // The horizontal distance of x from the group: 0 inside it.
    static float distance(const GroupExtent& e, float x) {
        if (x < e.left) return e.left - x;
        if (x > e.right) return x - e.right;
        return 0.0f;
    }

    // A group reaches a glyph only on the page its glyphs stand on.
    static bool same_page(const GroupExtent& e, const Glyph& g) {
        return e.glyphs.front()->page_index == g.page_index;
    }

    // Step 7.
    void stray_small_glyphs() {
        claim_all(claimed_, result_);
        if (result_.empty()) return;
        for (const Glyph* g : glyphs_) {
            if (claimed_.contains(g->id) || is_blank(*g) || !(g->font_size <= 0.84f * s_)) continue;
            std::optional<std::size_t> winner;
            float best = 0.0f;
            GroupExtent winner_extent;
            for (std::size_t k = 0; k < result_.size(); ++k) {
                GroupExtent e = extent(result_[k]);
                if (e.glyphs.empty() || !same_page(e, *g)) continue;
                if (!(e.left - 0.2f * s_ <= gx(*g) && gx(*g) <= e.right + 0.45f * s_)) continue;
                if (!(std::fabs(gy(*g) - e.mean_baseline) <= 0.7f * s_)) continue;
                const float d = distance(e, gx(*g));
                if (!winner || d < best) {
                    winner = k;
                    best = d;
                    winner_extent = std::move(e);
                }
            }
            if (!winner) continue;
            const bool group_math = std::any_of(winner_extent.glyphs.begin(), winner_extent.glyphs.end(),
                                                [&](const Glyph* m) { return in_math_font(*m); });
            if (is_note_marker_like_text(text_of(*g)) && !in_math_font(*g) && !group_math) continue;
            result_[*winner].push_back(g->id);
            claimed_.insert(g->id);
        }
    }

    // Step 8.
    void brackets() {
        claim_all(claimed_, result_);
        if (result_.empty()) return;
        for (const Glyph* g : glyphs_) {
            if (claimed_.contains(g->id) || !is_bracket_text(text_of(*g))) continue;
            std::optional<std::size_t> winner;
            float best = 0.0f;
            for (std::size_t k = 0; k < result_.size(); ++k) {
                const GroupExtent e = extent(result_[k]);
                if (e.glyphs.empty() || !same_page(e, *g)) continue;
                if (!(std::fabs(gy(*g) - e.mean_baseline) <= 0.4f * s_)) continue;
                const float d = distance(e, gx(*g));
                if (!(d <= 0.45f * s_)) continue;
                if (!winner || d < best) {
                    winner = k;
                    best = d;
                }
            }
            if (!winner) continue;
            result_[*winner].push_back(g->id);
            claimed_.insert(g->id);
        }
    }

    // Step 9.
    void hats() {
        claim_all(claimed_, result_);
        FormulaGroups hat_groups;
        for (const Glyph* h : glyphs_) {
            if (claimed_.contains(h->id) || !is_hat_text(text_of(*h))) continue;
            const Glyph* base = nullptr;
            for (std::size_t i = 0; i < glyphs_.size(); ++i) {
                if (is_glyph_just_below(*h, *glyphs_[i], s_)) {
                    base = &find_base_glyph_under(*h, s_, *glyphs_[i], glyphs_.subspan(i + 1));
                    break;
                }
            }
            if (!base) continue;
            const auto holds = [&](const Ids& group) {
                return std::find(group.begin(), group.end(), base->id) != group.end();
            };
            if (auto it = std::find_if(result_.begin(), result_.end(), holds); it != result_.end()) {
                it->push_back(h->id);
            } else if (auto jt = std::find_if(hat_groups.begin(), hat_groups.end(), holds); jt != hat_groups.end()) {
                jt->push_back(h->id);
            } else if (in_math_font(*base)) {
                hat_groups.push_back({base->id, h->id});
                claimed_.insert(base->id);
            } else {
                continue;
            }
            claimed_.insert(h->id);
        }
        for (auto& group : hat_groups) result_.push_back(std::move(group));
    }

    // Step 10: snapped median baseline down the page, then left to right.
    void order() { sort_formula_groups(result_, glyphs_, position_, s_); }

    std::span<const Glyph* const> glyphs_;
    float s_;
    std::unordered_map<std::uint32_t, std::size_t> position_;
    std::map<std::uint32_t, std::vector<const Glyph*>> pages_;
    std::unordered_map<std::uint32_t, std::vector<float>> clusters_;
    MathFontNameTest math_font_;
    FormulaGroups result_;
    IdSet claimed_;
};

}  // namespace

bool is_note_marker_like_text(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    if (is_footnote_marker_text(t)) return true;
    if (t.empty()) return false;
    std::size_t count = 0;
    for (const auto step : Utf8Range(t)) {
        const char32_t c = step.scalar;
        const bool ok = (c >= U'0' && c <= U'9') || c == U'*' || c == U'+' || c == U'-' || c == 0x2020 ||
                        c == 0x2021 || c == 0x2212 || c == 0x207A;
        if (!ok || ++count > 2) return false;
    }
    return true;
}

FormulaGroups analyze_segment_glyph_runs(std::span<const Glyph* const> glyphs, float size) {
    if (glyphs.empty()) return {};
    const float s = std::isnan(size) ? 1.0f : std::max(size, 1.0f);
    return Analysis(glyphs, s).run();
}

}  // namespace zvk::rewrite
