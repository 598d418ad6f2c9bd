#include "segment/record_order.h"

#include "base/stable_sort.h"
#include "segment/glyph_order.h"

namespace zvk {

namespace {

// -1, 0 or 1 by the total order; equal only for bit-equal floats.
int total_compare(float a, float b) {
    std::int32_t ka = total_order_key(a);
    std::int32_t kb = total_order_key(b);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

}  // namespace

bool line_reading_order_less(const TextLine& a, const TextLine& b) {
    if (a.page_index != b.page_index) return a.page_index < b.page_index;
    if (int y = total_compare(a.y, b.y); y != 0) return y > 0;  // higher first
    return total_compare(a.x0, b.x0) < 0;
}

bool line_column_order_less(const TextLine& a, const TextLine& b) {
    if (a.page_index != b.page_index) return a.page_index < b.page_index;
    if (int x = total_compare(a.x0, b.x0); x != 0) return x < 0;
    return total_compare(a.y, b.y) > 0;  // higher first
}

void sort_block_lines_reading_order(std::vector<TextLine>& lines) {
    stable_merge_sort(lines, line_reading_order_less);
}

void sort_line_indices_reading_order(std::vector<std::size_t>& indices, const std::vector<TextLine>& lines) {
    stable_merge_sort(indices, [&lines](std::size_t a, std::size_t b) {
        return line_reading_order_less(lines[a], lines[b]);
    });
}

void sort_paragraph_groups_reading_order(std::vector<ParagraphGroup>& groups) {
    stable_merge_sort(groups, [](const ParagraphGroup& a, const ParagraphGroup& b) {
        return line_reading_order_less(a.front(), b.front());
    });
}

void sort_paragraph_groups_column_order(std::vector<ParagraphGroup>& groups) {
    stable_merge_sort(groups, [](const ParagraphGroup& a, const ParagraphGroup& b) {
        return line_column_order_less(a.front(), b.front());
    });
}

void sort_area_candidates_nearest_first(std::vector<AreaCandidate>& candidates) {
    stable_merge_sort(candidates, [](const AreaCandidate& a, const AreaCandidate& b) {
        return total_compare(a.distance, b.distance) < 0;
    });
}

void sort_continuation_candidates_top_down(std::vector<ContinuationCandidate>& candidates) {
    stable_merge_sort(candidates, [](const ContinuationCandidate& a, const ContinuationCandidate& b) {
        return total_compare(a.y, b.y) > 0;
    });
}

void sort_line_glyphs_by_box_left(std::vector<const Glyph*>& glyphs) {
    stable_merge_sort(glyphs, [](const Glyph* a, const Glyph* b) {
        return total_compare(glyph_box_left(*a), glyph_box_left(*b)) < 0;
    });
}

void sort_glyph_positions_by_left_edge(std::vector<std::size_t>& positions, const std::vector<const Glyph*>& glyphs) {
    stable_merge_sort(positions, [&glyphs](std::size_t a, std::size_t b) {
        return left_edge_less(*glyphs[a], *glyphs[b]);
    });
}

}  // namespace zvk
