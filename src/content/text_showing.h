// Text showing: the strings of Tj, TJ, ' and " and the numbers of TJ arrays.
// Splitting strings into character codes, decoding them through the current
// font and emitting one Glyph per code come with the font subsystem; until
// then showing moves only the state that does not depend on the font.
#pragma once

#include <string>
#include <vector>

#include "content/interpreter.h"

namespace zvk {

void show_text(ContentInterpreter& interp, const std::string& bytes, const OperationPlace& place,
               const ContentSource& source);
void show_text_array(ContentInterpreter& interp, const std::vector<Operand>& elements,
                     const OperationPlace& place, const ContentSource& source);

// The page-space displacement of the text origin between `tm_before` and the
// current Tm (both mapped through the ctm).
std::array<float, 2> text_origin_displacement(const ContentInterpreter& interp,
                                              const Matrix& tm_before);

}  // namespace zvk
