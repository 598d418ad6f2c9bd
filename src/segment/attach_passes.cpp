#include "segment/attach_passes.h"

#include <algorithm>
#include <cmath>

#include "segment/glyph_order.h"
#include "segment/line_text.h"
#include "segment/math_glyphs.h"
#include "segment/page_buckets.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

constexpr std::size_t kMaxMarkerGlyphs = 16;
constexpr std::size_t kMathTargetLetters = 16;

std::size_t ascii_letters(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return n;
}

// Each mark of m lies near a glyph of p: by p's glyph's right edge, or
// within one size of its span.
bool marks_near_glyphs(const TextLine& m, const TextLine& p, float e) {
    for (const Glyph* g : m.glyphs) {
        const float gx = g->matrix[4];
        bool near = false;
        for (const Glyph* q : p.glyphs) {
            const float right = glyph_box_right(*q);
            if (std::fabs(gx - right) <= 1.6f * e || (q->matrix[4] - e <= gx && gx <= right + e)) {
                near = true;
                break;
            }
        }
        if (!near) return false;
    }
    return true;
}

// The baseline distance of m to p when m is a note marker of p.
std::optional<float> marker_distance(const TextLine& m, const TextLine& p) {
    const float e = edge_max(p.size, 1.0f);
    const float dy = m.y - p.y;
    if (!(0.12f * e <= dy && dy <= 0.9f * e)) return std::nullopt;
    if (!(m.size <= 0.85f * e) || !(m.x0 >= p.x0 - e) || !(m.x1 <= p.x1 + e) || !(p.x1 - p.x0 >= e)) {
        return std::nullopt;
    }
    if (!marks_near_glyphs(m, p, e)) return std::nullopt;
    return dy;
}

std::optional<float> math_distance(const TextLine& m, const TextLine& p) {
    const float e = edge_max(p.size, 1.0f);
    const float d = std::fabs(m.y - p.y);
    if (!(0.08f * e <= d && d <= 0.7f * e)) return std::nullopt;
    if (!(m.x0 >= p.x0 - e) || !(m.x1 <= p.x1 + e)) return std::nullopt;
    return d;
}

// The nearest eligible line of `candidates` (ascending indices), the earlier
// on a tie.
template <typename Distance>
std::optional<std::size_t> nearest(std::size_t index, const std::vector<TextLine>& lines,
                                   const std::vector<std::size_t>& candidates, const std::vector<bool>& eligible,
                                   Distance distance) {
    const TextLine& m = lines[index];
    std::optional<std::size_t> best;
    float best_d = 0.0f;
    for (std::size_t j : candidates) {
        if (j == index || !eligible[j] || lines[j].page_index != m.page_index) continue;
        std::optional<float> d = distance(m, lines[j]);
        if (d && (!best || *d < best_d)) {
            best = j;
            best_d = *d;
        }
    }
    return best;
}

// Takes the glyphs of `from` into `into` and rebuilds its text and extents
// (keeping its font name, page and flags).
void take_glyphs(TextLine& into, const TextLine& from) {
    into.glyphs.insert(into.glyphs.end(), from.glyphs.begin(), from.glyphs.end());
    sort_origin_x(into.glyphs);
    into.text = line_text_from_glyphs(into.glyphs);
    if (auto ext = line_extent_stats(into.glyphs)) {
        into.x0 = ext->left;
        into.x1 = ext->right;
        into.y = ext->baseline;
        into.size = ext->size;
    }
}

void attach(std::vector<TextLine>& lines, const std::vector<std::optional<std::size_t>>& targets) {
    std::vector<bool> moved(lines.size(), false);
    bool any = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!targets[i]) continue;
        take_glyphs(lines[*targets[i]], lines[i]);
        moved[i] = true;
        any = true;
    }
    if (!any) return;
    std::size_t k = 0;
    std::erase_if(lines, [&](const TextLine&) { return moved[k++]; });
}

// Which lines a pass moves, and which may take them: any other line, or only
// those with enough letters to be running text.
struct Roles {
    std::vector<bool> source;
    std::vector<bool> eligible;
    bool any_source = false;
};

Roles roles_of(const std::vector<TextLine>& lines, bool (*is_source)(const TextLine&), bool needs_letters) {
    Roles roles;
    roles.source.resize(lines.size());
    roles.eligible.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        roles.source[i] = is_source(lines[i]);
        roles.any_source = roles.any_source || roles.source[i];
        roles.eligible[i] = !roles.source[i] && (!needs_letters || ascii_letters(lines[i].text) >= kMathTargetLetters);
    }
    return roles;
}

template <typename Distance>
void attach_pass(std::vector<TextLine>& lines, bool (*is_source)(const TextLine&), bool needs_letters,
                 Distance distance) {
    const Roles roles = roles_of(lines, is_source, needs_letters);
    if (!roles.any_source) return;
    std::vector<std::optional<std::size_t>> targets(lines.size());
    for (const PageLines& page : bucket_lines_by_page(lines)) {
        for (std::size_t i : page.lines) {
            if (roles.source[i]) targets[i] = nearest(i, lines, page.lines, roles.eligible, distance);
        }
    }
    attach(lines, targets);
}

std::vector<std::size_t> all_indices(std::size_t n) {
    std::vector<std::size_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = i;
    return out;
}

}  // namespace

bool is_note_marker_line(const TextLine& line) {
    if (line.glyphs.empty() || line.glyphs.size() > kMaxMarkerGlyphs) return false;
    for (const Glyph* g : line.glyphs) {
        if (!is_note_mark_text(g->unicode)) return false;
    }
    return true;
}

std::optional<std::size_t> note_marker_target(std::size_t index, const std::vector<TextLine>& lines) {
    if (index >= lines.size() || !is_note_marker_line(lines[index])) return std::nullopt;
    return nearest(index, lines, all_indices(lines.size()), roles_of(lines, is_note_marker_line, false).eligible,
                   marker_distance);
}

std::optional<std::size_t> short_math_target(std::size_t index, const std::vector<TextLine>& lines) {
    if (index >= lines.size() || !is_short_math_line(lines[index])) return std::nullopt;
    return nearest(index, lines, all_indices(lines.size()), roles_of(lines, is_short_math_line, true).eligible,
                   math_distance);
}

void attach_note_markers(std::vector<TextLine>& lines) {
    attach_pass(lines, is_note_marker_line, false, marker_distance);
}

void attach_short_math_lines(std::vector<TextLine>& lines) {
    attach_pass(lines, is_short_math_line, true, math_distance);
}

std::vector<const Glyph*> collect_unmapped_glyphs(std::span<const Glyph> glyphs) {
    std::vector<const Glyph*> out;
    for (const Glyph& g : glyphs) {
        if (!(g.unmapped || g.unicode.empty())) continue;
        if (!std::isfinite(g.matrix[5]) || !std::isfinite(glyph_box_left(g)) || !std::isfinite(glyph_box_right(g))) {
            continue;
        }
        out.push_back(&g);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Glyph* a, const Glyph* b) { return a->page_index < b->page_index; });
    return out;
}

namespace {

// The unmapped glyphs of one page, ordered by baseline, for the band lookups.
struct PageUnmapped {
    std::vector<const Glyph*> by_baseline;
};

// Whether the gap from `left` to `right` is bridged by the unmapped glyphs of
// `page` that stand on or a little above the left line's baseline.
bool gap_is_bridged(const TextLine& left, const TextLine& right, const PageUnmapped& page, float e) {
    const float a = left.x1;
    const float b = right.x0;
    if (!(b >= a - 0.5f)) return false;
    const float low = left.y - 0.3f * e;
    const float high = left.y + 0.7f * e;
    auto first = std::lower_bound(page.by_baseline.begin(), page.by_baseline.end(), low,
                                  [](const Glyph* g, float y) { return g->matrix[5] < y; });
    std::vector<std::pair<float, float>> boxes;
    for (auto it = first; it != page.by_baseline.end() && (*it)->matrix[5] <= high; ++it) {
        const float l = glyph_box_left(**it);
        const float r = glyph_box_right(**it);
        if (r > a - 0.5f && l < b + 0.5f) boxes.emplace_back(l, r);
    }
    if (boxes.empty()) return false;
    std::sort(boxes.begin(), boxes.end());
    const float open_limit = 0.8f * e;
    float reach = a;
    for (const auto& [l, r] : boxes) {
        if (l > reach && !(l - reach <= open_limit)) return false;
        reach = std::max(reach, r);
    }
    return b <= reach || b - reach <= open_limit;
}

}  // namespace

void rejoin_across_unmapped(std::vector<TextLine>& lines, std::span<const Glyph* const> unmapped) {
    if (unmapped.empty() || lines.size() < 2) return;
    std::unordered_map<std::uint32_t, PageUnmapped> pages;
    for (const Glyph* g : unmapped) {
        if (std::isfinite(g->matrix[5])) pages[g->page_index].by_baseline.push_back(g);
    }
    for (auto& [page, u] : pages) {
        std::stable_sort(u.by_baseline.begin(), u.by_baseline.end(),
                         [](const Glyph* a, const Glyph* b) { return a->matrix[5] < b->matrix[5]; });
    }

    std::vector<bool> moved(lines.size(), false);
    bool any = false;
    for (const PageLines& page : bucket_lines_by_page(lines)) {
        auto found = pages.find(page.page);
        if (found == pages.end()) continue;
        // Baseline bands: lines in baseline order (finite ones), a band
        // holding the lines within 0.1 sizes of its first line.
        std::vector<std::size_t> order;
        for (std::size_t i : page.lines) {
            if (std::isfinite(lines[i].y) && std::isfinite(lines[i].x0) && std::isfinite(lines[i].x1)) {
                order.push_back(i);
            }
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return total_order_key(lines[a].y) < total_order_key(lines[b].y);
        });
        for (std::size_t start = 0; start < order.size();) {
            const float band_y = lines[order[start]].y;
            const float band_e = edge_max(lines[order[start]].size, 1.0f);
            std::size_t end = start + 1;
            while (end < order.size() && lines[order[end]].y - band_y <= 0.1f * band_e) ++end;
            if (end - start >= 2) {
                std::vector<std::size_t> band(order.begin() + static_cast<std::ptrdiff_t>(start),
                                              order.begin() + static_cast<std::ptrdiff_t>(end));
                std::stable_sort(band.begin(), band.end(), [&](std::size_t a, std::size_t b) {
                    return total_order_key(lines[a].x0) < total_order_key(lines[b].x0);
                });
                std::size_t into = band[0];
                for (std::size_t k = 1; k < band.size(); ++k) {
                    const std::size_t next = band[k];
                    const float e = edge_max(lines[into].size, 1.0f);
                    const bool same_size = lines[next].size >= 0.85f * e && lines[next].size <= 1.15f * e;
                    const bool contents = lines[into].toc_trimmed || lines[next].toc_trimmed;
                    if (same_size && !contents && gap_is_bridged(lines[into], lines[next], found->second, e)) {
                        take_glyphs(lines[into], lines[next]);
                        moved[next] = true;
                        any = true;
                    } else {
                        into = next;
                    }
                }
            }
            start = end;
        }
    }
    if (!any) return;
    std::size_t k = 0;
    std::erase_if(lines, [&](const TextLine&) { return moved[k++]; });
}

}  // namespace zvk
