#include "rewrite/geometry/rewrite_lines.h"

#include <cmath>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"
#include "segment/running_measures.h"
#include "segment/text_line.h"

namespace zvk::rewrite {

namespace {

using GlyphLine = std::vector<const Glyph*>;

// Sizes below 1, and NaN, count as 1.
float size_at_least_one(float size) { return size >= 1.0f ? size : 1.0f; }

bool holds_ascii_letter(std::string_view text) {
    for (char c : text) {
        if (is_ascii_letter(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

bool is_note_marker_char(char32_t c) {
    return is_ascii_digit(c) || c == U'*' || c == U'+' || c == U'-' || c == 0x2020 || c == 0x2021 ||
           c == 0x207A || c == 0x2212;
}

// One or two characters, each passing `allowed`.
template <typename Allowed>
bool is_short_text_of(std::string_view trimmed, Allowed allowed) {
    std::size_t count = 0;
    for (Utf8Step step : Utf8Range(trimmed)) {
        if (++count > 2 || !allowed(step.scalar)) return false;
    }
    return count >= 1;
}

// Cuts the sorted glyphs into lines by their distance to the line's
// first (highest) glyph.
std::vector<GlyphLine> cut_lines(const std::vector<const Glyph*>& sorted) {
    std::vector<GlyphLine> lines;
    RunningFontSize line_size;
    for (const Glyph* g : sorted) {
        if (!lines.empty()) {
            const float s_line = line_size.value();
            const float s_g = size_at_least_one(g->font_size);
            float s = s_line;
            if (s_line * 1.8f < s_g || s_g * 1.8f < s_line) s = std::fmin(s_line, s_g);
            const float dy = std::fabs(lines.back().front()->matrix[5] - g->matrix[5]);
            if (dy <= 0.35f * s) {  // a NaN distance fails and opens a line
                lines.back().push_back(g);
                line_size.add(g->font_size);
                continue;
            }
        }
        lines.push_back({g});
        line_size.clear();
        line_size.add(g->font_size);
    }
    return lines;
}

// Moves every marker or formula group into the nearest line above or
// below it that it overlaps in x.
void fold_marker_groups(std::vector<GlyphLine>& lines) {
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!is_marker_or_math_glyph_group(lines[i])) {
            ++i;
            continue;
        }
        const float group_y = upper_median_baseline(lines[i]);
        const XRange group_x = glyph_x_range(lines[i]);
        std::size_t best = lines.size();
        float best_dy = 0.0f;
        for (std::size_t j = 0; j < lines.size(); ++j) {
            if (j == i || is_marker_or_math_glyph_group(lines[j])) continue;
            const float sj = size_at_least_one(representative_font_size(lines[j]));
            const float dy = std::fabs(group_y - upper_median_baseline(lines[j]));
            const XRange line_x = glyph_x_range(lines[j]);
            const bool candidate = 0.08f * sj <= dy && dy <= 0.55f * sj && group_x.x1 >= line_x.x0 - sj &&
                                   group_x.x0 <= line_x.x1 + sj;
            if (candidate && (best == lines.size() || dy < best_dy)) {
                best = j;
                best_dy = dy;
            }
        }
        if (best == lines.size()) {
            ++i;
            continue;
        }
        GlyphLine group = std::move(lines[i]);
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        if (best > i) --best;
        lines[best].insert(lines[best].end(), group.begin(), group.end());
    }
}

}  // namespace

bool is_note_marker_text(std::string_view text, float size) {
    if (is_footnote_marker_text(text)) return true;
    return size <= 8.0f && is_short_text_of(trim_white_space(text), [](char32_t c) { return is_ascii_digit(c); });
}

bool is_marker_or_math_glyph_group(std::span<const Glyph* const> glyphs) {
    if (glyphs.empty()) return false;
    bool any_math = false;
    bool letter_outside_math = false;
    for (const Glyph* g : glyphs) {
        if (is_math_font_name(g->font_name)) {
            any_math = true;
        } else if (holds_ascii_letter(g->unicode)) {
            letter_outside_math = true;
        }
    }
    if (any_math && !letter_outside_math) return glyphs.size() <= 12;
    if (glyphs.size() > 3) return false;
    for (const Glyph* g : glyphs) {
        if (!is_short_text_of(trim_white_space(g->unicode), is_note_marker_char)) return false;
    }
    return true;
}

void drop_note_marker_lines(std::vector<std::vector<const Glyph*>>& lines) {
    std::erase_if(lines, [](const GlyphLine& line) {
        for (const Glyph* g : line) {
            if (!is_note_marker_text(g->unicode, g->font_size)) return false;
        }
        return true;
    });
}

RewriteLine summarize_rewrite_line(std::span<const Glyph* const> glyphs) {
    const auto [begin, end] = nonblank_glyph_range(glyphs);
    RewriteLine line;
    line.glyphs.assign(glyphs.begin() + static_cast<std::ptrdiff_t>(begin),
                       glyphs.begin() + static_cast<std::ptrdiff_t>(end));
    const XRange range = glyph_x_range(line.glyphs);
    line.x0 = range.x0;
    line.x1 = range.x1;
    if (!line.glyphs.empty()) line.baseline = upper_median_baseline(line.glyphs);
    return line;
}

std::vector<RewriteLine> group_glyphs_into_rewrite_lines(std::span<const Glyph* const> glyphs) {
    std::vector<const Glyph*> sorted(glyphs.begin(), glyphs.end());
    order_glyphs_by_position(sorted);
    std::vector<GlyphLine> lines = cut_lines(sorted);
    fold_marker_groups(lines);
    drop_note_marker_lines(lines);
    std::vector<RewriteLine> result;
    result.reserve(lines.size());
    for (const GlyphLine& line : lines) result.push_back(summarize_rewrite_line(line));
    return result;
}

}  // namespace zvk::rewrite
