// A glyph line cut into runs that are translated apart: a second row of
// smaller or larger glyphs interleaved with the body (subscripts, a formula
// row, stacked labels), and table cells or columns on one baseline.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "content/records.h"
#include "segment/captions.h"

namespace zvk {

using GlyphRun = std::vector<const Glyph*>;

// The line's glyphs in box-left order: the main row, then a second row when
// one is interleaved with it; every run cut at column gaps.
std::vector<GlyphRun> split_line_runs(GlyphRun line);

// The run (in box-left order) cut where a gap is wide for its text: each
// returned run non-empty, every glyph once, in input order.
std::vector<GlyphRun> split_line_at_column_gaps(GlyphRun run);

// The glyphs end, blank ones aside, in a separate number of 1 to 3 digits
// that does not take every glyph (a contents entry and its page number).
bool ends_with_separate_short_number(std::span<const Glyph* const> glyphs);

// The caption kind of the glyphs' text when they are narrower than 12 × size
// and the gap after them is at most max(2 × size, 24): a caption label that
// its title follows at a distance.
std::optional<CaptionKind> short_line_caption_kind(std::span<const Glyph* const> glyphs, float gap, float size);

}  // namespace zvk
