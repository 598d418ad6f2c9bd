#include "layout/justify.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/ascii.h"
#include "layout/breaks.h"
#include "layout/char_classes.h"

namespace zvk {

std::vector<float> cjk_justification_spacing(std::string_view text, const SubsetFont& font, bool justify,
                                             const DigitPairWidthMap& map, float size, float target_width) {
    const std::vector<char32_t> chars = to_code_points(text);
    const std::size_t n = chars.size();
    std::vector<float> spacing(n < 2 ? 0 : n - 1, 0.0f);
    if (!justify || !(size > 0) || n < 2) return spacing;
    const std::vector<std::size_t> gaps = cjk_gap_indices(chars);
    if (gaps.empty()) return spacing;
    // Addresses and citations keep their natural spacing.
    if (text.find('@') != std::string_view::npos || ascii_lower(text).find("et al") != std::string::npos) {
        return spacing;
    }
    std::vector<std::uint8_t> citations(n - 1, 0);
    mark_citation_parentheticals(chars, citations);
    if (std::any_of(citations.begin(), citations.end(), [](std::uint8_t m) { return m != 0; })) return spacing;
    const float slack = target_width - measure_line_width(chars, font, map, size);
    const auto g = static_cast<float>(gaps.size());
    // Written as a range test so that a NaN slack adds nothing.
    if (!(slack >= 0.4f && slack <= size * g * 0.05f + 0.4f)) return spacing;
    const float w = std::fmin(slack / g, 0.05f * size);
    if (!(w >= 0.05f)) return spacing;
    for (const std::size_t i : gaps) spacing[i] = w;
    return spacing;
}

}  // namespace zvk
