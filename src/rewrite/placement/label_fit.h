// Fitting one line of label text into the room before its body: the size
// steps down by 0.94 to a floor of 0.72 × the given size until the label ends
// 1.5 units before the body. A label may also end at a given x (right
// aligned), but never start left of the page's usual margin.
#pragma once

#include <string>
#include <string_view>

#include "font/subset_font.h"

namespace zvk::rewrite {

struct FittedLabel {
    std::string text;
    float size = 0;
    float x = 0;  // the label's left edge
};

// The text at x, shrunk from max(size, 1) until it ends 1.5 before `right`.
// The size may still be too large when the floor is reached.
FittedLabel shrink_line_to_width(std::string_view text, const font::SubsetFont& font, float x, float right,
                                 float size);

// The label trimmed of white space and of its final spaces and colons, from
// 0.85 × size down. Right-aligned, it ends at min(x, right - 2) and shrinks
// until it starts at 39.9 or further right; left-aligned at x >= 39.9 it
// shrinks until it ends before `right`; left of 39.9 it goes to the floor.
FittedLabel fit_label_before_run(std::string_view label, bool right_align, const font::SubsetFont& font, float x,
                                 float right, float size);

}  // namespace zvk::rewrite
