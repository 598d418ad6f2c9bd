// Annotation appearances: the normal appearance of every annotation of a page
// painted as a form, placed on the annotation's Rect.
#pragma once

#include <optional>

#include "content/interpreter.h"

namespace zvk {

// The matrix that draws an appearance with `matrix` and `bbox` into `rect`:
// the box as the matrix transforms it is fitted to the rectangle axis by axis
// (an extent below 0.000001 keeps scale 1), so the appearance lands where
// viewers draw it. Without a rect the matrix stays.
Matrix fit_appearance_matrix(const Matrix& matrix, const Box& bbox, const std::optional<Box>& rect);

// Paints the normal appearances listed in the page dictionary's Annots.
void paint_annotations(ContentInterpreter& interp, const pdf::Object& page_dictionary);

}  // namespace zvk
