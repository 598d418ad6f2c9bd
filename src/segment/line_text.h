// The text of a run of glyphs: their texts in the given order, with one space
// where two neighbouring glyphs stand visibly apart. Every line and segment
// text of segmentation is built here, so every later text test sees this
// spacing.
#pragma once

#include <span>
#include <string>

#include "content/records.h"

namespace zvk {

// Whether the line text puts one space between these two neighbours. Passes
// that grow a text glyph by glyph use it to keep the text equal to
// line_text_from_glyphs of the glyphs so far.
bool space_between(const Glyph& prev, const Glyph& next);

std::string line_text_from_glyphs(std::span<const Glyph* const> glyphs);

}  // namespace zvk
