// Formulas in placed text. Before layout each valid placeholder "⟦n⟧" of a
// translation becomes a slot (n as two digits and U+3000) as wide as formula
// group n; after layout the slots are found in the placed runs, the source
// glyphs of each group are moved into their first slot, the slot characters
// are cut out of the runs, and a formula the translation names again is
// redrawn there as text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"
#include "layout/measure.h"
#include "rewrite/placement/glyph_shift.h"
#include "rewrite/placement/text_run.h"

namespace zvk::rewrite {

// Every glyph with text is small (at most 0.84 × size) or a hat, or else a
// letterless bit of punctuation (' ( ) * , . [ ] { } ∗ ′), and at least one
// is small or a hat: a script hanging on the letter before it.
bool is_script_formula(std::span<const Glyph* const> glyphs, float size);

struct ReservedSlots {
    std::string text;
    DigitPairWidthMap widths;  // placeholder number -> the width its slot takes
};

// Each valid placeholder (an optional "+" and decimal digits naming a group
// below 100 that the segment has) becomes its number as two digits and one
// U+3000, and its group's width is recorded; the rest stays as written. A
// U+3000 of the translation itself that would follow two digits (or extend a
// slot) becomes a space, so the only slots in the result are those made
// here and the text keeps measuring as text. Without formula groups the text
// comes back unchanged.
ReservedSlots reserve_formula_slots(std::string_view text, std::span<const Glyph* const> segment_glyphs);

struct PlacedFormulas {
    std::vector<TextRun> runs;       // the runs with the slots cut out
    std::vector<GlyphShift> moves;   // one per formula group, in slot order
};

// Finds the slots in the runs, moves each formula group into its first slot
// and redraws a repeated one as text. None when the segment has no formula,
// a slot names a group it lacks, a group has no slot or no glyphs, or a move
// would not land at a finite place.
std::optional<PlacedFormulas> place_formula_slots(std::span<const Glyph* const> segment_glyphs,
                                                  std::span<const TextRun> runs, const SubsetFont& font);

}  // namespace zvk::rewrite
