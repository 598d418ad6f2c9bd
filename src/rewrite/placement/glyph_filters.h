// The glyph searches of placement: the glyphs of one formula that carry text,
// the glyph that carries a given letter (where a script formula is anchored),
// and the baselines of the full-size text around a formula (where it sits).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_set>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// The glyphs of `glyphs` whose id is in `ids` and whose text is not blank, in
// list order; an empty set yields nothing.
std::vector<const Glyph*> collect_formula_glyphs_with_text(std::span<const Glyph* const> glyphs,
                                                           const std::unordered_set<std::uint32_t>& ids);

// With `anchor` given, the rightmost glyph whose text holds it (the later one
// on equal origin x, total order). Without it, or when no glyph holds it, the
// rightmost glyph by origin x, the later one on equal x. Null for no glyphs.
const Glyph* find_anchor_glyph(std::span<const Glyph* const> glyphs, std::optional<char32_t> anchor);

// Where to look for the text line a formula belongs to.
struct BaselineWindow {
    float size = 0;       // S: only glyphs larger than 0.82 × S count
    float unit = 0;       // U: the span is widened by 6 × U on both sides
    float x0 = 0;         // the span [x0, x1] of origin x
    float x1 = 0;
    float y = 0;          // the reference height
    float tolerance = 0;  // T: baselines within 0.45 × T of y count
};

// The origin y of every glyph, in list order, that is not excluded (an empty
// set excludes nothing) and lies in the window. A NaN fails every test.
std::vector<float> collect_nearby_baselines(std::span<const Glyph* const> glyphs,
                                            const std::unordered_set<std::uint32_t>& excluded,
                                            const BaselineWindow& window);

}  // namespace zvk::rewrite
