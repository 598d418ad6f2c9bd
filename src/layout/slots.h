// Flowing one text over a sequence of line slots of different widths (a
// paragraph around a figure), and over single-line areas side by side.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layout/measure.h"

namespace zvk {

struct LineSlot {
    std::uint64_t line_count = 1;  // the most lines the slot takes; 0 counts as 1
    float width = 0;               // points
};

struct LineArea {
    float left = 0;
    float right = 0;
};

// One line list per slot, or none when the whole text does not fit.
std::optional<std::vector<std::vector<std::string>>> flow_text_into_slots(
    std::string_view text, const std::vector<LineSlot>& slots, const SubsetFont& font, float size, float indent,
    bool relayout, const DigitPairWidthMap& digit_pairs);

// One line per area (empty for an area that got nothing), or none.
std::optional<std::vector<std::string>> distribute_text_over_areas(std::string_view text,
                                                                   const std::vector<LineArea>& areas,
                                                                   const SubsetFont& font, float size, float indent,
                                                                   const DigitPairWidthMap& digit_pairs);

// How many characters of `remaining` the lines cover, white space between
// them included; 0 when the lines do not follow the text.
std::size_t consumed_char_count(std::span<const char32_t> remaining, const std::vector<std::string>& lines);

}  // namespace zvk
