// Font-size fitting: the size, lines and line pitch at which a translated
// text fits a box, shrinking from the scaled source size in 6 % steps down to
// a floor that depends on the kind of text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/measure.h"
#include "layout/size_ladder.h"

namespace zvk {

struct FittedText {
    std::vector<std::string> lines;
    float font_size = 0;
    float line_pitch = 0;
    float first_line_indent = 0;
};

// size a scaled by b gives the start size; c the box width; the indent is
// `absolute_indent` (v) with the flag, else `indent_ems` (d) times the size;
// a baseline span e <= 0.5 asks for a single-line slot.
std::optional<FittedText> fit_text_in_box(std::string_view text, const SubsetFont& font, const CjkSizeLadder& ladder,
                                          bool absolute_indent_flag, float size, float scale, float box_width,
                                          float indent_ems, float baseline_span, float absolute_indent,
                                          const DigitPairWidthMap& digit_pairs);

}  // namespace zvk
