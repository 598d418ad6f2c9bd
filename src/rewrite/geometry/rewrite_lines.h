// The rewriter's own text lines: glyphs grouped by baseline alone (no page
// key), with small raised or lowered note markers and short formula pieces
// folded into the line they belong to and lines of bare note markers dropped.
// Placement, the paragraph refit and the run-in label test work on these.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

struct RewriteLine {
    // Borrowed from the caller's glyph list, never empty: the grouping order
    // (top down, left to right, folded groups appended), blank ends trimmed.
    std::vector<const Glyph*> glyphs;
    float baseline = 0.0f;  // upper median of the glyphs' origin y
    float x0 = 0.0f;        // smallest of origin x, box x0 and box x1
    float x1 = 0.0f;        // largest of the same
};

// The whole pass; lines from the top down. The input is not modified.
std::vector<RewriteLine> group_glyphs_into_rewrite_lines(std::span<const Glyph* const> glyphs);

// One grouped line as a record: blank glyphs (non-empty White_Space-only
// texts) trimmed from both ends unless that would leave none; an empty text
// stops the trim on its side.
RewriteLine summarize_rewrite_line(std::span<const Glyph* const> glyphs);

// Removes the lines all of whose glyphs are note markers; the rest keep their
// order.
void drop_note_marker_lines(std::vector<std::vector<const Glyph*>>& lines);

// A footnote marker, or at a size of at most 8 a number of one or two digits.
bool is_note_marker_text(std::string_view text, float size);

// A grouped line that belongs to a neighbouring one: a formula piece (a math
// font, no ASCII letter outside math fonts, at most 12 glyphs) or 1 to 3 note
// markers (digits, * + - † ‡ ⁺ −, one or two per glyph).
bool is_marker_or_math_glyph_group(std::span<const Glyph* const> glyphs);

}  // namespace zvk::rewrite
