// Glyphs of formulas: glyphs set in math fonts, glyphs of vector (plotter)
// fonts, and short lines made of such glyphs, which segmentation attaches to
// the text line they belong to instead of translating them alone.
#pragma once

#include <string_view>

#include "content/records.h"
#include "segment/text_line.h"

namespace zvk {

// Set in a math font (CMMI, CMSY, CMEX, MSAM, MSBM, STIX or MATH in the ASCII
// upper-cased font name), unless its trimmed text is a footnote-like mark
// (∗ † ‡ ⋆ § ¶ # *) or a numeric symbol, which read as ordinary text.
bool is_math_glyph(const Glyph& glyph);

// is_math_glyph's test of the font name alone.
bool is_math_font_name(std::string_view font_name);

// is_math_glyph over the glyphs of a line, whose fonts mostly repeat: the
// font name is tested again only when it changes. Holds a view of the last
// font name, so use one while the glyphs it was asked about live.
class MathGlyphTest {
public:
    bool operator()(const Glyph& glyph);

private:
    std::string_view font_;
    bool known_ = false;
    bool math_font_ = false;
};

// A glyph of a vector font (VECT in the upper-cased font name) with no ASCII
// letter in its text.
bool is_vector_font_glyph(const Glyph& glyph);

// At most 6 × max(size, 1) wide, 1 to 6 glyphs, at least one math or
// vector-font glyph, and no ASCII letter in the text of any other glyph.
bool is_short_math_line(const TextLine& line);

}  // namespace zvk
