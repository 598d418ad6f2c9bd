// Text showing: the strings of Tj, TJ, ' and " become one Glyph per character
// code, decoded through the current font, placed by the text and graphics
// state, with Type3 glyph procedures run in place; the numbers of TJ arrays
// move the text position.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "content/interpreter.h"
#include "font/font.h"

namespace zvk {

void show_text(ContentInterpreter& interp, const std::string& bytes, const OperationPlace& place,
               const ContentSource& source);
void show_text_array(ContentInterpreter& interp, const std::vector<Operand>& elements,
                     const OperationPlace& place, const ContentSource& source);

// Builds one Glyph for a decoded code from the state in force and appends it.
void emit_glyph(ContentInterpreter& interp, const font::DecodedChar& decoded,
                const std::string& font_resource, const std::string& font_name,
                const std::optional<ObjectId>& font_object, const OperationPlace& place,
                const ContentSource& source);

// Moves Tm past one code; gives the page-space displacement of the text origin.
std::array<float, 2> advance_text_position(ContentInterpreter& interp,
                                           const font::DecodedChar& decoded);

// The page-space displacement of the text origin between `tm_before` and the
// current Tm (both mapped through the ctm).
std::array<float, 2> text_origin_displacement(const ContentInterpreter& interp,
                                              const Matrix& tm_before);

}  // namespace zvk
