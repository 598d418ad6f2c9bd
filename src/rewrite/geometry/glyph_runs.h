// The formulas inside one segment's glyphs: display formulas, raised or
// lowered scripts with the letters they belong to, runs of math-font glyphs
// and hats over math letters, each with the stray small glyphs and brackets
// beside it. Group k becomes placeholder k in the segment's text at translate
// time, and placement finds group k again by running the same analysis, so
// the result depends on the glyph list (its order included) and size alone.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// Glyph ids per formula, top to bottom then left to right.
using FormulaGroups = std::vector<std::vector<std::uint32_t>>;

// `size` is typical_glyph_size of the same glyphs (a NaN or small size counts
// as 1). Nothing joins glyphs of two pages: a segment that runs on to the
// next page keeps its formulas apart.
FormulaGroups analyze_segment_glyph_runs(std::span<const Glyph* const> glyphs, float size);

// At most two characters, each a digit or one of * + - † ‡ − ⁺; or a
// footnote-marker text. Trimmed first.
bool is_note_marker_like_text(std::string_view text);

}  // namespace zvk::rewrite
