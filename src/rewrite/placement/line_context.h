// Questions about one source line and the text and drawings around it on its
// page: does it belong to a right-aligned block, does its paragraph reach
// further right, does it start at its column's left edge, does it hold a
// column gap, and does a tall narrow drawing stand to the right of the text.
// The page forms read a PageContext; the forms over the whole glyph list
// build the page's boxes on every call and give the same answers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/placement/page_context.h"

namespace zvk::rewrite {

// The line's x1 when at least three boxes of its page (the line's own
// included) end within 2.5 of it, are at least 0.8 size wide and hold text,
// their left edges spread over more than 4 × s, and at most half of them
// start within 3 of the leftmost; else none.
std::optional<float> right_aligned_block_edge(std::span<const GlyphLineBox> page_boxes, const RewriteLine& line);
std::optional<float> right_aligned_block_edge(PageContext& context, const RewriteLine& line);
std::optional<float> right_aligned_block_edge(std::span<const Glyph> glyphs, const RewriteLine& line);

// The right edge of the run of at least three stacked boxes (same left edge
// within 1.5, same size within 20 %, at most 16 × s wide, baselines stepping
// down by at most 1.8 × s) around the line, when it lies more than 0.4 × s
// right of the line's x1.
std::optional<float> paragraph_extends_right_of_line(std::span<const GlyphLineBox> page_boxes,
                                                     const RewriteLine& line);
std::optional<float> paragraph_extends_right_of_line(PageContext& context, const RewriteLine& line);
std::optional<float> paragraph_extends_right_of_line(std::span<const Glyph> glyphs, const RewriteLine& line);

// The line starts within 3 of the least left edge of the page's wide boxes
// (at least 12 × s) that do not end where the line ends.
bool line_starts_at_column_left_edge(std::span<const GlyphLineBox> page_boxes, const RewriteLine& line);
bool line_starts_at_column_left_edge(PageContext& context, const RewriteLine& line);
bool line_starts_at_column_left_edge(std::span<const Glyph> glyphs, const RewriteLine& line);

// The line (four glyphs or more) holds a gap between neighbours in x wider
// than min(max(1.25 × s, 3.5 × median gap), max(2 × s, 24)) that is not a
// short page number's gap, a caption label's gap, or a gap with one of the
// segment's glyphs standing in it on a nearby baseline.
bool find_column_gap(std::span<const Glyph* const> line_glyphs, std::span<const Glyph* const> around, float size);

// The least left x of the page's path regions right of 0.55 of the media box
// (from its left edge; 330 without a page record), 40 to 140 wide, at least
// 100 and 1.2 × their width tall, reaching from 2.2 × s below the baseline to
// s above it; none when no region qualifies.
std::optional<float> find_side_figure_left_edge(const ExtractedDocument& document, std::uint32_t page,
                                                float baseline, float size);
std::optional<float> find_side_figure_left_edge(const PageContext& context, std::uint32_t page, float baseline,
                                                float size);

// The distinct page indices of the glyphs, ascending.
std::vector<std::uint32_t> collect_distinct_page_indices(std::span<const Glyph* const> glyphs);

}  // namespace zvk::rewrite
