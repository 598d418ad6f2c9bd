// CJK justification: the slack of a nearly full line spread over its CJK gaps
// at no more than 0.05 em each.
#pragma once

#include <string_view>
#include <vector>

#include "layout/measure.h"

namespace zvk {

// n − 1 entries for n characters: extra space after each character.
std::vector<float> cjk_justification_spacing(std::string_view text, const SubsetFont& font, bool justify,
                                             const DigitPairWidthMap& digit_pairs, float size, float target_width);

}  // namespace zvk
