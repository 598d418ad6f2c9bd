// Figure and table areas found from their captions: a caption collects its
// continuation lines, and the area it labels grows from it upwards and
// downwards, row by row of nearest lines, until text that belongs to the page
// rather than to the figure or table stops it. The caption stays translated;
// the area's glyphs become "figure" or "table" skips.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// The area grown from a caption group (line indices, its first line first)
// on the page whose lines are `page_lines` (indices in line order), from the
// baseline `start` in direction `dir` (+1 up, -1 down). `caption_line` flags
// the lines of every caption group so far (by line index). A table's area
// widens as it grows; a figure's stays within the caption's first line.
std::vector<std::size_t> grow_caption_area(const std::vector<TextLine>& lines, std::span<const std::size_t> page_lines,
                                           std::span<const std::size_t> group, float start, int dir,
                                           std::string_view body, const std::vector<char>& caption_line,
                                           bool is_table);

// Runs only when skip_figures or skip_tables: every caption of an enabled
// kind (in line reading order) gets its larger area, whose lines not yet
// taken become skips of the caption's kind; the records are appended to
// `skipped` when the pass ends.
void caption_areas(const std::vector<TextLine>& lines, bool skip_figures, bool skip_tables,
                   std::vector<SkippedGlyph>& skipped);

// A contents line that survived trimming is a title: its glyphs lose every
// "figure" and "table" record; other reasons stay.
void protect_toc_trimmed(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
