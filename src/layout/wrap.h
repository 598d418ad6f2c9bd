// Greedy line wrapping of mixed CJK and Latin text in the output font:
// hanging final marks, the break rules, camel-case breaks in loose lines,
// enumeration commas, stock-code items, digit-pair runs, and a repair pass
// that keeps short words together and avoids lone characters at line starts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layout/measure.h"

namespace zvk {

inline constexpr std::size_t kMaxWrappedLines = 96;

// What the wrapper needs of one text, computed once however often the text is
// wrapped: its characters, its no-break mask and each character's advance in
// font units (-1: not in the font).
struct LayoutText {
    std::vector<char32_t> chars;
    std::vector<std::uint8_t> mask;
    std::vector<int> units;
    float units_per_em = 1;
};

LayoutText prepare_layout_text(std::string_view text, const SubsetFont& font);

// Line 0 against the first-line width, the rest against the line width; none
// for a blank text or one that needs more than 96 lines.
std::optional<std::vector<std::string>> wrap_text_lines(std::string_view text, const SubsetFont& font,
                                                        const DigitPairWidthMap& digit_pairs, float size,
                                                        float first_line_width, float line_width);
std::optional<std::vector<std::string>> wrap_layout_text(const LayoutText& text, const SubsetFont& font,
                                                         const DigitPairWidthMap& digit_pairs, float size,
                                                         float first_line_width, float line_width);

std::optional<std::vector<std::string>> wrap_text_plain(std::string_view text, const SubsetFont& font, float size,
                                                        float first_line_width, float line_width);

// Repairs the boundary between the last line and the characters that follow
// it (only the last line changes); true when it changed. The caller
// reconciles the following text: a line that grew by d characters took them
// (after the following text's leading white space); a line that lost its last
// k characters hands them back.
bool relayout_remainder(std::vector<std::string>& lines, std::span<const char32_t> following, const SubsetFont& font,
                        const DigitPairWidthMap& digit_pairs, float width, float size);

}  // namespace zvk
