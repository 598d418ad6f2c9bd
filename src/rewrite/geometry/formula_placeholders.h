// Inline formulas in a segment's text: before translation the text is
// rebuilt from the glyphs with every formula group of analyze_segment_glyph_
// runs written as the placeholder "⟦k⟧", unless the segment simply reads as
// English prose with a few math-font glyphs. The translator copies the tokens;
// placement finds group k again from the same glyphs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/geometry/glyph_runs.h"
#include "segment/segmentation.h"

namespace zvk::rewrite {

// The segment with its text rebuilt around placeholders, or as it came (a
// text that already holds a token, a "[A..." reference label, fewer than 4
// glyphs, prose, no formula, few letters outside the formulas).
Segment insert_formula_placeholders(Segment segment, std::span<const Glyph> glyphs, const GlyphIdIndex& index);

// The glyphs of the ids, in id order; ids the index lacks are skipped.
std::vector<const Glyph*> glyph_refs_for_ids(std::span<const std::uint32_t> ids, std::span<const Glyph> glyphs,
                                             const GlyphIdIndex& index);

// The text of the glyphs in reading order with each group as its token, at
// the place of the group's left edge; spaces come from the geometry alone.
// The glyph list is read in parts: a part ends where the page changes or the
// list jumps back up by more than two sizes (a paragraph continued at the
// head of the next column or page), and parts keep their order; each part is
// ordered by lines top down and by x within a line.
std::string build_segment_text_with_placeholders(std::span<const Glyph* const> glyphs, const FormulaGroups& groups,
                                                 float size);

// Appends one space to `text` when the current piece starts a new line or
// stands clear of the previous one (more than 0.18 and under 4 sizes away),
// unless one of the texts is blank or both hold ideographs.
void needs_space_between(std::string& text, bool has_previous, std::string_view previous_text, float previous_right,
                         float previous_baseline, float left, float baseline, std::string_view current_text,
                         float size, float tolerance);

// Many ordinary letters beside the math-font glyphs, or a subscript-like
// glyph in a text that holds a short English function word: prose with an
// italic variable or a symbol, not a formula.
bool formula_run_reads_as_text(std::span<const Glyph* const> glyphs);

// "a", "an", "as", "at", "by", "in", "is", "of", "on", "or", "to", "and",
// "for", "the", "from", "this", "with": sets `found` on a match; empties the
// buffer either way.
void is_prose_function_word(std::string& word, bool& found);

// The baselines of the glyphs at least 0.85 × the largest size, in order.
std::vector<float> collect_body_baselines(std::span<const Glyph* const> glyphs, float largest);

}  // namespace zvk::rewrite
