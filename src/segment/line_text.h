// The text of a run of glyphs: their texts in the given order, with one space
// where two neighbouring glyphs stand visibly apart. Every line and segment
// text of segmentation is built here, so every later text test sees this
// spacing.
#pragma once

#include <span>
#include <string>

#include "content/records.h"

namespace zvk {

std::string line_text_from_glyphs(std::span<const Glyph* const> glyphs);

}  // namespace zvk
