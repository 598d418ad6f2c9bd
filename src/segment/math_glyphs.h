// Glyphs of formulas: glyphs set in math fonts, glyphs of vector (plotter)
// fonts, and short lines made of such glyphs, which segmentation attaches to
// the text line they belong to instead of translating them alone.
#pragma once

#include "content/records.h"
#include "segment/text_line.h"

namespace zvk {

// Set in a math font (CMMI, CMSY, CMEX, MSAM, MSBM, STIX or MATH in the ASCII
// upper-cased font name), unless its trimmed text is a footnote-like mark
// (∗ † ‡ ⋆ § ¶ # *) or a numeric symbol, which read as ordinary text.
bool is_math_glyph(const Glyph& glyph);

// A glyph of a vector font (VECT in the upper-cased font name) with no ASCII
// letter in its text.
bool is_vector_font_glyph(const Glyph& glyph);

// At most 6 × max(size, 1) wide, 1 to 6 glyphs, at least one math or
// vector-font glyph, and no ASCII letter in the text of any other glyph.
bool is_short_math_line(const TextLine& line);

}  // namespace zvk
