// Display formulas (fractions, sums with limits, stacked expressions) among a
// set of glyphs: small or math-font glyphs standing above and below a text
// baseline, close together, become one group of glyph ids, with the math-font
// brackets beside them. Translation planning puts a placeholder in place of
// each group; placement and the rewrite driver consult them too.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// One list of glyph ids per formula, each sorted ascending without
// duplicates; the groups ordered by their leading glyph (the first input
// glyph the group holds): origin y descending, then origin x ascending.
using MathBlockGroups = std::vector<std::vector<std::uint32_t>>;

// `size` is the body size of the set (typical_glyph_size, or the caller's
// own clamped size). The result depends on the input alone: clusters are
// visited top down and components left to right, which decides the group
// that takes a bracket lying in two groups' windows.
MathBlockGroups find_math_blocks(std::span<const Glyph* const> glyphs, float size);

// The distinct text baselines, top first, consecutive ones more than
// 0.35 × size apart: origin y of the non-blank, non-math-font glyphs larger
// than 0.82 × size.
std::vector<float> cluster_baselines(std::span<const Glyph* const> glyphs, float size);

// The body size, at least 1: the upper median size of the non-blank,
// non-math-font glyphs of size >= 1 when there are 8 or more, else
// representative_font_size of all glyphs.
float typical_glyph_size(std::span<const Glyph* const> glyphs);

// A math-font (or "formula") glyph whose trimmed text is empty or one of
// ( ) [ ] { } |.
bool is_math_bracket_glyph(const Glyph& glyph);

// The ids of the glyphs at those indices, in index order; every index must
// lie inside the list.
std::vector<std::uint32_t> glyph_ids_at_indices(std::span<const std::size_t> indices,
                                                std::span<const Glyph* const> glyphs);

}  // namespace zvk::rewrite
