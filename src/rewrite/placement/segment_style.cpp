#include "rewrite/placement/segment_style.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/text.h"
#include "font/font_style.h"
#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/measures.h"
#include "rewrite/structure/glyph_predicates.h"
#include "segment/block_predicates.h"
#include "segment/glyph_order.h"
#include "segment/text_line.h"

namespace zvk::rewrite {

namespace {

struct ColourRun {
    const Color* color = nullptr;
    std::size_t count = 0;
    float left = 0.0f;
    float right = 0.0f;
};

bool same_colour(const Color& a, const Color& b) {
    if (a.space != b.space || a.components.size() != b.components.size()) return false;
    for (std::size_t i = 0; i < a.components.size(); ++i) {
        if (!(std::fabs(a.components[i] - b.components[i]) <= 0.08f)) return false;
    }
    return true;
}

bool is_digits_and_stops(std::string_view text) {
    for (char c : text) {
        if (c != '.' && !(c >= '0' && c <= '9')) return false;
    }
    return true;
}

bool contains_id(const std::vector<std::uint32_t>& sorted_ids, std::uint32_t id) {
    return std::binary_search(sorted_ids.begin(), sorted_ids.end(), id);
}

}  // namespace

bool all_glyphs_bold_in_lines(std::span<const RewriteLine> lines) {
    bool any = false;
    for (const RewriteLine& line : lines) {
        for (const Glyph* g : line.glyphs) {
            if (!is_bold_style(classify_font_name(g->font_name))) return false;
            any = true;
        }
    }
    return any;
}

bool lines_are_plain_franklin_text(std::span<const RewriteLine> lines) {
    std::vector<const Glyph*> glyphs;
    for (const RewriteLine& line : lines) glyphs.insert(glyphs.end(), line.glyphs.begin(), line.glyphs.end());
    return is_plain_franklin_text(glyphs);
}

std::optional<float> detect_two_size_groups(std::span<const float> sizes) {
    if (sizes.size() < 6) return std::nullopt;
    std::vector<std::vector<float>> groups;
    for (float size : sizes) {
        if (!groups.empty()) {
            const float f = groups.back().front();
            if (std::fabs(size - f) <= 0.05f * f) {
                groups.back().push_back(size);
                continue;
            }
        }
        if (groups.size() == 2) return std::nullopt;  // a third group
        groups.push_back({size});
    }
    if (groups.size() != 2) return std::nullopt;
    const std::size_t p = groups[0].size();
    const std::size_t q = groups[1].size();
    const float a = groups[0][p / 2];
    const float b = groups[1][q / 2];
    const float ratio = b / a;
    if (a >= 1.0f && ratio >= 1.18f && ratio <= 1.35f && 2 * q < sizes.size()) return b;
    return std::nullopt;
}

std::optional<float> detect_two_colour_runs(std::span<const Glyph* const> glyphs) {
    std::vector<const Glyph*> sorted(glyphs.begin(), glyphs.end());
    sort_origin_x(sorted);
    if (sorted.size() < 6) return std::nullopt;
    std::vector<ColourRun> runs;
    for (const Glyph* g : sorted) {
        const float left = edge_min(g->matrix[4], g->bbox[0]);
        const float right = edge_max(g->bbox[2], g->matrix[4] + edge_max(g->advance[0], 0.0f));
        if (!runs.empty()) {
            ColourRun& r = runs.back();
            if (same_colour(g->fill_color, *r.color) && left - r.right < edge_max(g->font_size, 1.0f)) {
                ++r.count;
                r.right = edge_max(r.right, right);
                continue;
            }
        }
        runs.push_back({&g->fill_color, 1, left, right});
    }
    if (runs.size() < 2) return std::nullopt;
    const ColourRun& a = runs.front();
    const ColourRun& b = runs[1];
    const ColourRun& z = runs.back();
    std::size_t later = 0;
    for (std::size_t i = 1; i < runs.size(); ++i) later += runs[i].count;
    if (later >= 2 && a.count >= 4 && edge_max(z.right - b.left, 0.0f) < a.right - a.left &&
        a.right - 1.0f <= b.left + 0.5f) {
        return a.right;
    }
    return std::nullopt;
}

bool has_section_number_left_of_line(std::span<const Glyph* const> page_glyphs, const RewriteLine& line) {
    if (line.glyphs.empty()) return false;
    const std::uint32_t page = line.glyphs.front()->page_index;
    const float s = edge_max(representative_font_size(line.glyphs), 1.0f);
    std::vector<const Glyph*> candidates;
    for (const Glyph* g : page_glyphs) {
        const std::string_view t = trim_white_space(g->unicode);
        if (t.empty() || !is_digits_and_stops(t) || g->page_index != page) continue;
        if (std::fabs(g->matrix[5] - line.baseline) <= 0.45f * s && glyph_right_edge(*g) < line.x0 - 0.15f * s) {
            candidates.push_back(g);
        }
    }
    if (candidates.empty()) return false;
    sort_left_edge(candidates);
    return is_dotted_number_text(trim_white_space(concat_glyph_texts(candidates)));
}

bool has_section_number_left_of_line(PageContext& context, const RewriteLine& line) {
    if (line.glyphs.empty()) return false;
    return has_section_number_left_of_line(context.page_glyphs(line.glyphs.front()->page_index), line);
}

bool has_section_number_left_of_line(std::span<const Glyph> glyphs, const RewriteLine& line) {
    if (line.glyphs.empty()) return false;
    return has_section_number_left_of_line(collect_page_glyphs(glyphs, line.glyphs.front()->page_index), line);
}

std::optional<float> detect_label_before_line(std::span<const Glyph* const> page_glyphs,
                                              std::span<const Glyph* const> segment_glyphs, std::uint32_t page,
                                              float baseline, float start, float end, float size) {
    std::vector<std::uint32_t> ids;
    ids.reserve(segment_glyphs.size());
    for (const Glyph* g : segment_glyphs) ids.push_back(g->id);
    std::sort(ids.begin(), ids.end());
    std::vector<const Glyph*> candidates;
    for (const Glyph* g : page_glyphs) {
        if (g->page_index != page || contains_id(ids, g->id) || trim_white_space(g->unicode).empty()) continue;
        const float x = g->matrix[4];
        if (std::fabs(g->matrix[5] - baseline) <= 0.45f * size && x >= start - 1.0f && x < end - 0.3f * size) {
            candidates.push_back(g);
        }
    }
    if (candidates.empty()) return std::nullopt;
    sort_origin_x(candidates);
    std::string text;
    for (const Glyph* g : candidates) text += g->unicode;
    if (!is_environment_label(trim_white_space(text))) return std::nullopt;
    const float width = end - start;
    if (width > 0.6f * size) return width;
    return std::nullopt;
}

std::optional<float> detect_label_before_line(const PageContext& context, std::span<const Glyph* const> segment_glyphs,
                                              std::uint32_t page, float baseline, float start, float end,
                                              float size) {
    return detect_label_before_line(context.page_glyphs(page), segment_glyphs, page, baseline, start, end, size);
}

std::optional<float> detect_label_before_line(std::span<const Glyph> glyphs,
                                              std::span<const Glyph* const> segment_glyphs, std::uint32_t page,
                                              float baseline, float start, float end, float size) {
    return detect_label_before_line(collect_page_glyphs(glyphs, page), segment_glyphs, page, baseline, start, end,
                                    size);
}

float median_line_centre(std::span<const RewriteLine> lines) {
    if (lines.empty()) return std::numeric_limits<float>::quiet_NaN();
    std::vector<float> centres;
    centres.reserve(lines.size());
    for (const RewriteLine& line : lines) centres.push_back((line.x0 + line.x1) * 0.5f);
    return upper_median(centres);
}

bool is_centred_comma_block(std::span<const RewriteLine> lines) {
    if (lines.size() < 3) return false;
    const float c = median_line_centre(lines);
    if (!std::isfinite(c)) return false;
    float biggest = 1.0f;
    for (const RewriteLine& line : lines) {
        for (const Glyph* g : line.glyphs) biggest = edge_max(biggest, g->font_size);
    }
    // Whether a line's text read left to right holds a comma does not depend
    // on the order its glyphs are read in: a comma is one byte of one glyph.
    std::size_t with_comma = 0;
    for (const RewriteLine& line : lines) {
        for (const Glyph* g : line.glyphs) {
            if (g->unicode.find(',') != std::string::npos) {
                ++with_comma;
                break;
            }
        }
    }
    if (with_comma + 1 < lines.size()) return false;
    for (const RewriteLine& line : lines) {
        if (!(std::fabs((line.x0 + line.x1) * 0.5f - c) <= 3.0f * biggest)) return false;
    }
    return true;
}

}  // namespace zvk::rewrite
