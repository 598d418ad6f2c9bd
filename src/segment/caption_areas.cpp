#include "segment/caption_areas.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/area_predicates.h"
#include "segment/block_predicates.h"
#include "segment/captions.h"
#include "segment/glyph_order.h"
#include "segment/paragraph_merge.h"
#include "segment/record_order.h"

namespace zvk {

namespace {

// A caption's continuation overlaps it by this share of the narrower width.
constexpr float kCaptionOverlap = 0.3f;
// A narrow, short line after a caption is a label of the figure, not more of
// the caption.
constexpr float kCaptionNarrow = 0.35f;
constexpr std::size_t kCaptionShortChars = 24;
// Candidates overlap the reference range by this share of the narrower one.
constexpr float kAreaOverlap = 0.3f;
// A line counts as beyond the frontier only this far past it.
constexpr float kMinStep = 0.4f;
// The largest gap a figure area bridges, and a table's in line sizes once it
// holds rows.
constexpr float kMaxGap = 140.0f;
constexpr float kTableRowGap = 4.05f;
// No area reaches further from its caption than this.
constexpr float kMaxReach = 420.0f;
// A row of the area: lines within half a line size of the nearest.
constexpr float kRowBand = 0.5f;
// A section number and its title sit on one baseline, close together.
constexpr float kTitleBaseline = 0.35f;
constexpr float kTitleGap = 3.0f;
constexpr float kTitleMinSize = 11.0f;

float width(const TextLine& line) { return line.x1 - line.x0; }

// Horizontal overlap of two ranges, at least 0.
float overlap(float a0, float a1, float b0, float b1) {
    return edge_max(0.0f, edge_min(a1, b1) - edge_max(a0, b0));
}

std::map<std::uint32_t, std::vector<std::size_t>> lines_by_page(const std::vector<TextLine>& lines) {
    std::map<std::uint32_t, std::vector<std::size_t>> pages;
    for (std::size_t i = 0; i < lines.size(); ++i) pages[lines[i].page_index].push_back(i);
    return pages;
}

// A section number with its short title beside it, in either role: `line` is
// the bare number and some line of the page to its right a short title, or
// `line` is a large short title and some line to its left the bare number.
bool is_section_number_or_title(const std::vector<TextLine>& lines, std::span<const std::size_t> page_lines,
                                std::size_t l) {
    const TextLine& line = lines[l];
    const std::string_view t = trim_white_space(line.text);
    if (is_bare_section_number(t)) {
        for (std::size_t m : page_lines) {
            if (m == l) continue;
            const TextLine& other = lines[m];
            const float h = edge_max(edge_max(line.size, other.size), 1.0f);
            if (other.size >= kTitleMinSize && std::fabs(line.y - other.y) <= kTitleBaseline * h &&
                line.x1 <= other.x0 + 2.0f && other.x0 - line.x1 <= kTitleGap * h && is_short_title(other.text)) {
                return true;
            }
        }
        return false;
    }
    if (!(line.size >= kTitleMinSize) || !is_short_title(t)) return false;
    for (std::size_t m : page_lines) {
        if (m == l) continue;
        const TextLine& other = lines[m];
        const float h = edge_max(edge_max(line.size, other.size), 1.0f);
        if (std::fabs(other.y - line.y) <= kTitleBaseline * h && line.x0 + 2.0f >= other.x1 &&
            line.x0 - other.x1 <= kTitleGap * h && is_bare_section_number(trim_white_space(other.text))) {
            return true;
        }
    }
    return false;
}

// Text that belongs to the page rather than to a figure or table.
bool ends_area(const std::vector<TextLine>& lines, std::span<const std::size_t> page_lines, std::size_t l,
               std::string_view body, const std::vector<char>& caption_line) {
    const TextLine& line = lines[l];
    if (caption_line[l] || line.toc_trimmed || caption_kind(line.text)) return true;
    if (is_body_text_line(line, body) || is_numbered_heading(line, body) || starts_with_block_label(line.text)) {
        return true;
    }
    if (is_section_number_or_title(lines, page_lines, l)) return true;
    if (is_publication_note(line.text)) return true;
    return is_heading_sized(line);
}

// The lines after `c` in reading order that continue its caption.
std::vector<std::size_t> caption_group(const std::vector<TextLine>& lines, const std::vector<std::size_t>& order,
                                       std::size_t pos) {
    const TextLine& cap = lines[order[pos]];
    std::vector<std::size_t> group{order[pos]};
    const float wc = width(cap);
    const float wc1 = wc <= 1.0f ? 1.0f : wc;
    for (std::size_t p = pos + 1; p < order.size(); ++p) {
        const TextLine& next = lines[order[p]];
        if (next.page_index != cap.page_index || caption_kind(next.text)) break;
        const float ov = overlap(next.x0, next.x1, cap.x0, cap.x1);
        const float m = edge_max(edge_min(width(next), wc), 1.0f);
        if (ov < kCaptionOverlap * m) continue;
        if (!should_merge_lines(lines[group.back()], next, 0.0f)) break;
        if (width(next) < kCaptionNarrow * wc1 && count_scalar_values(next.text) < kCaptionShortChars) break;
        group.push_back(order[p]);
        if (width(next) + 2.0f * next.size < wc1) break;
    }
    return group;
}

}  // namespace

std::vector<std::size_t> grow_caption_area(const std::vector<TextLine>& lines, std::span<const std::size_t> page_lines,
                                           std::span<const std::size_t> group, float start, int dir,
                                           std::string_view body, const std::vector<char>& caption_line,
                                           bool is_table) {
    std::vector<std::size_t> area;
    // Group and area members by their position among the page's lines.
    std::vector<char> member(page_lines.size(), 0);
    auto position = [&page_lines](std::size_t l) {
        return static_cast<std::size_t>(std::lower_bound(page_lines.begin(), page_lines.end(), l) - page_lines.begin());
    };
    float lo = lines[group.front()].x0;
    float hi = lines[group.front()].x1;
    for (std::size_t l : group) {
        const std::size_t p = position(l);
        if (p < member.size() && page_lines[p] == l) member[p] = 1;
    }
    // Extents of group and area together: a table's reference once it grows.
    float all_lo = lo;
    float all_hi = hi;
    for (std::size_t l : group) {
        all_lo = edge_min(all_lo, lines[l].x0);
        all_hi = edge_max(all_hi, lines[l].x1);
    }
    const float d = static_cast<float>(dir);
    float frontier = start;
    std::vector<AreaCandidate> candidates;
    while (true) {
        if (is_table && !area.empty()) {
            lo = all_lo;
            hi = all_hi;
        }
        const float ref_width = hi - lo;
        candidates.clear();
        for (std::size_t p = 0; p < page_lines.size(); ++p) {
            if (member[p]) continue;
            const TextLine& line = lines[page_lines[p]];
            const float dist = (line.y - frontier) * d;
            if (!(dist > kMinStep)) continue;
            const float need = kAreaOverlap * edge_max(edge_min(width(line), ref_width), 1.0f);
            if (!(overlap(line.x0, line.x1, lo, hi) >= need)) continue;
            candidates.push_back(AreaCandidate{page_lines[p], dist});
        }
        if (candidates.empty()) return area;
        sort_area_candidates_nearest_first(candidates);
        const float u = candidates.front().distance;
        const float nearest_size = edge_max(lines[candidates.front().line_index].size, 1.0f);
        const float limit = is_table && !area.empty() ? kTableRowGap * nearest_size : kMaxGap;
        if (u > limit) return area;
        if (std::fabs(frontier - start) > kMaxReach) return area;
        const float band = u + kRowBand * nearest_size;
        std::size_t batch = 0;
        while (batch < candidates.size() && candidates[batch].distance <= band) ++batch;
        for (std::size_t k = 0; k < batch; ++k) {
            if (ends_area(lines, page_lines, candidates[k].line_index, body, caption_line)) return area;
        }
        for (std::size_t k = 0; k < batch; ++k) {
            const std::size_t l = candidates[k].line_index;
            const TextLine& line = lines[l];
            area.push_back(l);
            member[position(l)] = 1;
            all_lo = edge_min(all_lo, line.x0);
            all_hi = edge_max(all_hi, line.x1);
            frontier = dir > 0 ? edge_max(frontier, line.y) : edge_min(frontier, line.y);
        }
    }
}

void caption_areas(const std::vector<TextLine>& lines, bool skip_figures, bool skip_tables,
                   std::vector<SkippedGlyph>& skipped) {
    if (!skip_figures && !skip_tables) return;
    std::vector<std::size_t> order(lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    sort_line_indices_reading_order(order, lines);
    const auto pages = lines_by_page(lines);
    std::map<std::uint32_t, std::string> body_fonts;
    std::vector<char> caption_line(lines.size(), 0);
    std::vector<char> taken(lines.size(), 0);
    std::vector<SkippedGlyph> records;
    for (std::size_t pos = 0; pos < order.size(); ++pos) {
        const std::size_t c = order[pos];
        const TextLine& cap = lines[c];
        if (caption_line[c] || cap.toc_trimmed) continue;
        const std::optional<CaptionKind> kind = caption_kind(cap.text);
        if (!kind || (*kind == CaptionKind::Figure && !skip_figures) || (*kind == CaptionKind::Table && !skip_tables)) {
            continue;
        }
        const std::vector<std::size_t> group = caption_group(lines, order, pos);
        for (std::size_t l : group) caption_line[l] = 1;
        const std::vector<std::size_t>& page_lines = pages.at(cap.page_index);
        auto body = body_fonts.find(cap.page_index);
        if (body == body_fonts.end()) {
            body = body_fonts.emplace(cap.page_index, page_body_font(lines, page_lines)).first;
        }
        float top = lines[group.front()].y;
        float bottom = top;
        for (std::size_t l : group) {
            top = edge_max(top, lines[l].y);
            bottom = edge_min(bottom, lines[l].y);
        }
        const bool is_table = *kind == CaptionKind::Table;
        std::vector<std::size_t> up =
            grow_caption_area(lines, page_lines, group, top, +1, body->second, caption_line, is_table);
        std::vector<std::size_t> down =
            grow_caption_area(lines, page_lines, group, bottom, -1, body->second, caption_line, is_table);
        const std::vector<std::size_t>& area = !up.empty() && up.size() >= down.size() ? up : down;
        const std::string reason(caption_kind_word(*kind));
        for (std::size_t l : area) {
            if (taken[l] || caption_line[l]) continue;
            taken[l] = 1;
            for (const Glyph* g : lines[l].glyphs) records.push_back(SkippedGlyph{g->id, reason});
        }
    }
    skipped.insert(skipped.end(), records.begin(), records.end());
}

void protect_toc_trimmed(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    std::unordered_set<std::uint32_t> ids;
    for (const TextLine& line : lines) {
        if (!line.toc_trimmed) continue;
        for (const Glyph* g : line.glyphs) ids.insert(g->id);
    }
    if (ids.empty()) return;
    std::erase_if(skipped, [&ids](const SkippedGlyph& s) {
        return (s.reason == "figure" || s.reason == "table") && ids.contains(s.glyph_id);
    });
}

}  // namespace zvk
