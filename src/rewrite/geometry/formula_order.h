// The two orders and the base-glyph search that glyph-run analysis is built
// from: formula glyphs in reading order, formula groups in reading order (the
// numbering the placeholders share), and the letter under a raised hat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// A trimmed glyph text that draws a hat over the glyph below it: U+02C6,
// U+0302 or the private-use hat U+F8F8 of the math fonts.
bool is_hat_text(std::string_view trimmed);

// Positions into `glyphs`, sorted stably by the referenced glyph's origin y
// descending, then origin x ascending, both in the total order of floats.
void sort_glyph_indices_by_position(std::vector<std::size_t>& indices, std::span<const Glyph* const> glyphs);

// Sorts the groups stably by group baseline descending, then group left
// ascending (total order). A group's left is the least origin x of its glyphs
// (NaN passed over, from the largest finite float); its baseline is the upper
// median of their origin y snapped to the nearest baseline cluster of all the
// glyphs within 0.85 × s, or the median itself (0 for a group with no glyph in
// `position`). Ids missing from `position` (glyph id -> index into `glyphs`)
// are passed over. Each group is keyed once.
void sort_formula_groups(std::vector<std::vector<std::uint32_t>>& groups, std::span<const Glyph* const> glyphs,
                         const std::unordered_map<std::uint32_t, std::size_t>& position, float s);

// Whether `g` may carry the raised glyph: another glyph on the same page (a
// segment running on to the next page never stacks glyphs of two pages), with
// non-blank text that is no hat, larger than 0.75 × s, whose baseline lies more
// than 0.05 × s and at most 0.65 × s below the raised glyph's, and whose
// origin x lies between 0.2 × s right of it and 0.9 × s left of it. NaN fails.
bool is_glyph_just_below(const Glyph& raised, const Glyph& g, float s);

// The glyph the raised glyph sits over: `start` (the first glyph that passed
// is_glyph_just_below), replaced by each later glyph of `following` that also
// passes and lies strictly nearer in x. Distances compare as the bit patterns
// of their absolute values, so an equal distance keeps the earlier glyph.
const Glyph& find_base_glyph_under(const Glyph& raised, float s, const Glyph& start,
                                   std::span<const Glyph* const> following);

}  // namespace zvk::rewrite
