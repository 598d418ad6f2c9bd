// Passes that keep the furniture of a page out of translation as "margin"
// skips: glyphs turned sideways (margin notices, rotated axis labels), columns
// of table rules and line numbers, lines drawn with stroke characters, and big
// glyphs stacked at the left page edge (drop letters of a margin, thumb
// indexes). Also the one way glyphs leave the text lines by id.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "content/records.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

using GlyphIdSet = std::unordered_set<std::uint32_t>;

// Turned by about 90 degrees: |b| > 1, |c| > 1, |a| ≤ 0.25 |b| and
// |d| ≤ 0.25 |c|.
bool is_rotated_glyph(const Glyph& glyph);

// Each run loses its rotated glyphs to `skipped` (reason "margin", in run and
// glyph order); the rest of the run, when any, becomes a text line.
std::vector<TextLine> skip_rotated_glyphs(std::vector<std::vector<const Glyph*>> runs,
                                          std::vector<SkippedGlyph>& skipped);

// The glyphs of `ids` leave the lines as skips with `reason`, in line and
// glyph order. With any id given, every line that loses glyphs is built anew
// from the glyphs it keeps, and a line left without glyphs goes; the other
// lines get their flags back to their first values and keep the rest, which
// is what building them anew gives as long as each line's fields are
// build_text_line's of its glyphs (true until the attach passes move
// glyphs). With no id, nothing changes.
std::vector<SkippedGlyph> skip_glyphs_by_id(std::vector<TextLine>& lines, const GlyphIdSet& ids,
                                            std::string_view reason);

// The trimmed text is one or two characters of table rules: 1 = I | ¦ § ‖
// and the box-drawing block U+2500-U+257F.
bool is_table_rule_text(std::string_view text);

// Rule-like marks (bars, box-drawing characters and the letters recognition
// reads them as) that stand at one x on four or more baselines of a page form
// a column: they and the short tokens at that x go. Appends to `skipped`.
void skip_rule_columns(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

// Lines of 24 or more non-white characters, four fifths of them narrow strokes
// (! 1 F I [ ] ^ f i l |): rules drawn with characters. Appends to `skipped`.
void skip_rule_character_lines(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

// Lines of one or two glyphs of 14 or more at the left page edge (x0 ≤ 56),
// at most 22 wide. Their glyphs are recorded once per id in `margin_ids` and
// `skipped`; they stay in the lines until pruning.
void skip_margin_lines(const std::vector<TextLine>& lines, GlyphIdSet& margin_ids,
                       std::vector<SkippedGlyph>& skipped);

// Glyphs of 14 or more, at most 24 wide, at the left page edge, that stack at
// the median x of more than seven such glyphs on their page, unless a word
// character follows right beside them on their baseline (then they begin a
// word). Recorded as for skip_margin_lines, sharing its id set.
void skip_margin_columns(const std::vector<TextLine>& lines, GlyphIdSet& margin_ids,
                         std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
