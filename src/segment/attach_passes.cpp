#include "segment/attach_passes.h"

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

void attach(std::vector<TextLine>& lines, const std::vector<std::optional<std::size_t>>& targets) {
    std::vector<bool> moved(lines.size(), false);
    bool any = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!targets[i]) continue;
        TextLine& t = lines[*targets[i]];
        t.glyphs.insert(t.glyphs.end(), lines[i].glyphs.begin(), lines[i].glyphs.end());
        sort_origin_x(t.glyphs);
        t.text = line_text_from_glyphs(t.glyphs);
        if (auto ext = line_extent_stats(t.glyphs)) {
            t.x0 = ext->left;
            t.x1 = ext->right;
            t.y = ext->baseline;
            t.size = ext->size;
        }
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

}  // namespace zvk
