// The first pass of segmentation: all glyphs in reading order, cut into glyph
// lines where the page changes, the baseline moves, a wide gap opens or the
// text returns to the left margin; each line then cut into runs.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "content/records.h"
#include "segment/line_runs.h"

namespace zvk {

// No real line comes near this many glyphs (a full landscape line of small
// type holds a few hundred, drawn twice for fake bold under a thousand). A
// glyph line that reaches it ends, and the next glyph starts a new one: the
// per-glyph measures of a line then cost a bounded amount even when a hostile
// page sets a million glyphs on one baseline.
inline constexpr std::size_t kMaxGlyphLineGlyphs = 4096;

// The runs of all glyph lines, in order. Unmapped glyphs and glyphs with an
// empty text end the current line and belong to no run.
std::vector<GlyphRun> group_glyph_lines(std::span<const Glyph> glyphs);

}  // namespace zvk
