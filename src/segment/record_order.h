// The orders in which segmentation sorts its own records: lines, line indices,
// paragraph groups, the candidates of area growth and of paragraph
// continuation, and the glyphs and glyph positions of one line. Every sort is
// stable; float keys compare by the IEEE 754 total order (−0 before +0, a NaN
// by its sign bit at either end), page indices as unsigned 32-bit integers.
#pragma once

#include <cstddef>
#include <vector>

#include "content/records.h"
#include "segment/text_line.h"

namespace zvk {

// The lines of one paragraph, in paragraph order; never empty. Its first line
// is its head, and the orders on groups read only the head.
using ParagraphGroup = std::vector<TextLine>;

// A line that may join the area of a figure or table growing from its
// caption, with how far its baseline lies beyond the area's edge.
struct AreaCandidate {
    std::size_t line_index = 0;
    float distance = 0.0f;
};

// A paragraph group on the next page that may continue a paragraph, with the
// baseline of its head line.
struct ContinuationCandidate {
    std::size_t group_index = 0;
    float y = 0.0f;
};

// Line reading order: page ascending, y descending, x0 ascending.
bool line_reading_order_less(const TextLine& a, const TextLine& b);
// Column order: page ascending, x0 ascending, y descending.
bool line_column_order_less(const TextLine& a, const TextLine& b);

void sort_block_lines_reading_order(std::vector<TextLine>& lines);
// Indices into `lines`, by the lines they designate; `lines` is not reordered.
void sort_line_indices_reading_order(std::vector<std::size_t>& indices, const std::vector<TextLine>& lines);
void sort_paragraph_groups_reading_order(std::vector<ParagraphGroup>& groups);
void sort_paragraph_groups_column_order(std::vector<ParagraphGroup>& groups);
// Distance ascending.
void sort_area_candidates_nearest_first(std::vector<AreaCandidate>& candidates);
// Head-line y descending (highest first).
void sort_continuation_candidates_top_down(std::vector<ContinuationCandidate>& candidates);
// min(bbox x0, bbox x1) ascending; unlike the left-edge order, the origin x
// does not count.
void sort_line_glyphs_by_box_left(std::vector<const Glyph*>& glyphs);
// Positions into `glyphs`, by the left edge of the glyph they designate;
// `glyphs` is not reordered.
void sort_glyph_positions_by_left_edge(std::vector<std::size_t>& positions, const std::vector<const Glyph*>& glyphs);

}  // namespace zvk
