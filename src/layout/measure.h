// How wide a text is in the output CJK font: advances, the fixed widths of
// two-digit numbers before ideographic spaces, the line width with a hanging
// final mark, CJK gaps and the fullness of a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "font/subset_font.h"

namespace zvk {

using font::SubsetFont;

// Two-digit number (0..99) -> the width in points that the number and the
// ideographic spaces after it take together. Empty: the rule is off, and a
// final mark may hang instead.
using DigitPairWidthMap = std::unordered_map<std::uint64_t, float>;

// The advance of a character in font units, or -1 when the font lacks it
// (then it measures one em).
int advance_units(const SubsetFont& font, char32_t c);

// Advance units times the size, over units per em (product first): the
// arithmetic every width of the layout shares.
inline float advance_at_size(int units, float size, float units_per_em) {
    return units < 0 ? size : static_cast<float>(units) * size / units_per_em;
}

// Sum of the advances of the text's characters, in order; allocates nothing.
float text_width(std::string_view text, const SubsetFont& font, float size);

std::vector<float> char_widths(std::span<const char32_t> chars, const SubsetFont& font, float size);

// Two ASCII digits followed by one or more U+3000: characters [start, end).
struct DigitPairRun {
    std::size_t start = 0;
    std::size_t end = 0;
};

// The first digit-pair run that starts at or after `from`, if any; runs
// found one after another from the end of the last never overlap.
std::optional<DigitPairRun> next_digit_pair_run(std::span<const char32_t> chars, std::size_t from);

// Gives each two-digit number followed by U+3000s its width from the map.
void apply_digit_pair_widths(std::span<const char32_t> chars, std::vector<float>& widths,
                             const DigitPairWidthMap& map);

float measure_line_width(std::string_view text, const SubsetFont& font, const DigitPairWidthMap& map, float size);
float measure_line_width(std::span<const char32_t> chars, const SubsetFont& font, const DigitPairWidthMap& map,
                         float size);

std::size_t count_cjk_gaps(std::string_view text);
std::size_t count_cjk_gaps(std::span<const char32_t> chars);
std::vector<std::size_t> cjk_gap_indices(std::span<const char32_t> chars);

bool line_is_full(std::string_view text, const SubsetFont& font, float size, float target_width);

}  // namespace zvk
