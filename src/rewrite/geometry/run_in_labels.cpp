#include "rewrite/geometry/run_in_labels.h"

#include <algorithm>
#include <limits>
#include <string>

#include "base/ascii.h"
#include "rewrite/geometry/glyph_classes.h"
#include "segment/glyph_order.h"
#include "segment/text_trims.h"

namespace zvk::rewrite {

namespace {

constexpr std::size_t kKeywordScanGlyphs = 22;
constexpr std::size_t kGapScanGlyphs = 24;

bool has_ascii_letter(const Glyph& g) {
    for (char c : g.unicode) {
        if (is_ascii_letter(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

bool has_upper_ascii_letter(const Glyph& g) {
    for (char c : g.unicode) {
        if (c >= 'A' && c <= 'Z') return true;
    }
    return false;
}

// The gap from the previous glyph's right edge to this glyph's origin.
float gap_before(const std::vector<const Glyph*>& g, std::size_t k) {
    return g[k]->matrix[4] - glyph_right_edge(*g[k - 1]);
}

// First try: a keyword at the line's start, confirmed by a gap or by the
// change from small capitals to a full-size body letter; the label's length.
std::optional<std::size_t> keyword_label_length(const std::vector<const Glyph*>& g, float t) {
    const std::size_t n = g.size();
    std::string letters;
    std::optional<std::size_t> keyword_end;
    for (std::size_t i = 0; i < std::min(n, kKeywordScanGlyphs); ++i) {
        if (!has_ascii_letter(*g[i])) continue;
        std::string next = letters + keep_ascii_letters(g[i]->unicode);
        if (!is_prompt_section_keyword_prefix(ascii_upper(next))) break;
        letters = std::move(next);
        // The scan goes on after a match, so the longest keyword wins.
        if (is_prompt_section_keyword(letters)) keyword_end = i + 1;
    }
    if (!keyword_end) return std::nullopt;
    std::size_t k = *keyword_end;
    while (k < n && !has_ascii_letter(*g[k])) ++k;
    if (k < 3 || k >= n) return std::nullopt;
    const bool gap = gap_before(g, k) > 0.15f * t;
    const bool small_caps_end = g[k]->font_size >= 0.9f * t && g[k - 1]->font_size <= 0.85f * t;
    if (gap || small_caps_end) return k;
    return std::nullopt;
}

// Second try: the first gap over 0.45 × T among the first 24 glyphs.
std::optional<std::size_t> gap_label_length(const std::vector<const Glyph*>& g, float t) {
    const std::size_t m = std::min(g.size(), kGapScanGlyphs);
    for (std::size_t k = 1; k < m; ++k) {
        if (gap_before(g, k) > 0.45f * t) return k;
    }
    return std::nullopt;
}

// Last try: a run of small glyphs followed by a full-size one, accepted only
// when the small run spells a keyword; decides "no label" otherwise.
std::optional<std::size_t> small_caps_label_length(const std::vector<const Glyph*>& g, float t) {
    const std::size_t m = std::min(g.size(), kGapScanGlyphs);
    bool previous_small = false;
    for (std::size_t k = 1; k < m; ++k) {
        const bool small = g[k]->font_size <= 0.85f * t;
        if (!previous_small || small) {
            previous_small = small;
            continue;
        }
        if (g[k]->font_size < 0.9f * t) {
            previous_small = true;  // between 0.85 and 0.9 × T the small run goes on
            continue;
        }
        std::span<const Glyph* const> label(g.data(), k);
        if (is_prompt_section_keyword(collect_ascii_letters(label))) return k;
        return std::nullopt;
    }
    return std::nullopt;
}

// Whether a label of k glyphs holds: its size and letters, its kind (small
// capitals or keyword) and the place of the body after it.
std::optional<RunInLabel> accept_label(const std::vector<const Glyph*>& g, std::size_t k, float t) {
    if (k < 3 || k > 17) return std::nullopt;
    std::span<const Glyph* const> label(g.data(), k);
    std::size_t letter_glyphs = 0, upper_glyphs = 0;
    bool any_small = false;
    for (const Glyph* glyph : label) {
        letter_glyphs += has_ascii_letter(*glyph) ? 1 : 0;
        upper_glyphs += has_upper_ascii_letter(*glyph) ? 1 : 0;
        any_small = any_small || glyph->font_size <= 0.85f * t;
    }
    if (letter_glyphs < 3 || letter_glyphs > 16) return std::nullopt;
    const bool is_keyword = is_prompt_section_keyword(collect_ascii_letters(label));
    const bool small_caps = 2 * upper_glyphs >= letter_glyphs && any_small;
    if (!small_caps && !(has_upper_ascii_letter(*g[k]) && is_keyword)) return std::nullopt;

    RunInLabel result;
    result.label_x0 = g[0]->matrix[4];
    result.body_x = g[k]->matrix[4];
    result.label_x1 = glyph_right_edge(*g[0]);
    for (const Glyph* glyph : label) {
        result.label_x1 = edge_max(result.label_x1, glyph_right_edge(*glyph));
        result.glyph_ids.push_back(glyph->id);
    }
    if (result.label_x0 + 0.8f * t > result.body_x) return std::nullopt;  // body too near the label's start
    if (result.label_x1 > result.body_x + 1.0f) return std::nullopt;      // the label overlaps the body
    if (g[k]->font_size < 0.9f * t) return std::nullopt;
    result.is_keyword = is_keyword;
    return result;
}

ColumnBox column_box(std::span<const Glyph* const> side) {
    constexpr float kLargest = std::numeric_limits<float>::max();
    ColumnBox box{kLargest, -kLargest, -kLargest, kLargest};
    for (const Glyph* g : side) {
        box.x0 = edge_min(box.x0, edge_min(g->matrix[4], g->bbox[0]));
        box.x1 = edge_max(box.x1, edge_max(g->matrix[4], g->bbox[2]));
        box.y_max = edge_max(box.y_max, g->matrix[5]);
        box.y_min = edge_min(box.y_min, g->matrix[5]);
    }
    return box;
}

}  // namespace

std::optional<RunInLabel> detect_run_in_label(std::span<const RewriteLine> lines) {
    if (lines.empty() || lines.front().glyphs.size() < 6) return std::nullopt;
    std::vector<const Glyph*> g = lines.front().glyphs;
    sort_origin_x(g);
    const std::size_t n = g.size();

    // T, the line's body size: the size three quarters up the sorted sizes,
    // at least 1, so that a small-capital label does not pull it down.
    std::vector<float> sizes;
    sizes.reserve(n);
    for (const Glyph* glyph : g) sizes.push_back(glyph->font_size);
    std::sort(sizes.begin(), sizes.end(), [](float a, float b) { return total_order_key(a) < total_order_key(b); });
    float t = sizes[3 * n / 4];
    if (!(t >= 1.0f)) t = 1.0f;

    if (auto k = keyword_label_length(g, t)) return accept_label(g, *k, t);
    std::optional<std::size_t> k = gap_label_length(g, t);
    if (!k) k = small_caps_label_length(g, t);
    if (!k) return std::nullopt;
    return accept_label(g, *k, t);
}

std::optional<ColumnSplit> find_column_gutter(std::span<const Glyph* const> glyphs, float size) {
    if (glyphs.size() < 8) return std::nullopt;
    std::vector<const Glyph*> g(glyphs.begin(), glyphs.end());
    sort_origin_x(g);
    const float s = size >= 1.0f ? size : 1.0f;

    float widest = 0.0f;
    std::size_t at = 0;
    for (std::size_t i = 1; i < g.size(); ++i) {
        const float gap = edge_min(g[i]->matrix[4], g[i]->bbox[0]) - edge_max(g[i - 1]->matrix[4], g[i - 1]->bbox[2]);
        if (gap > widest) {  // the first of equal gaps wins; NaN never does
            widest = gap;
            at = i;
        }
    }
    if (at == 0 || widest < 1.15f * s) return std::nullopt;
    const std::span<const Glyph* const> all(g);
    ColumnSplit split{column_box(all.first(at)), column_box(all.subspan(at))};
    if (split.right.x0 - split.left.x1 < 1.15f * s) return std::nullopt;  // a left glyph reaches into the gutter
    if (split.left.x1 - split.left.x0 < 8.0f * s) return std::nullopt;
    if (split.right.x1 - split.right.x0 < 8.0f * s) return std::nullopt;
    return split;
}

}  // namespace zvk::rewrite
