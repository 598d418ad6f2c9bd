// The last preparation before paragraphs: skipped glyphs leave the lines, and
// the lines gather in groups (columns, continued hyphenations, centred
// author blocks, titles) that paragraphs are assembled within.
#pragma once

#include <vector>

#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// Takes every skipped glyph out of the lines: a line left empty goes, the
// others get their text and, while a glyph that is not white space remains,
// their extents anew. Font name, page and flags stay.
void prune_skipped_glyphs(std::vector<TextLine>& lines, const std::vector<SkippedGlyph>& skipped);

// Puts each line, in line order, at the end of the first group whose last line
// it continues after a hyphen, forms a centred pair with, shares the column of
// (nearest median left edge on its page), sits just below, or is a large
// right-aligned title with; otherwise it opens a group.
std::vector<LineGroup> group_lines(std::vector<TextLine> lines);

}  // namespace zvk
