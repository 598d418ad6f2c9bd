#include "layout/measure.h"

#include <cmath>

#include "base/ascii.h"
#include "base/utf8.h"
#include "layout/char_classes.h"

namespace zvk {

int advance_units(const SubsetFont& font, char32_t c) {
    const auto it = font.glyphs.find(static_cast<std::uint32_t>(c));
    if (it == font.glyphs.end()) return -1;
    return static_cast<int>(it->second.advance);
}

float text_width(std::string_view text, const SubsetFont& font, float size) {
    const auto units_per_em = static_cast<float>(font.units_per_em);
    float width = 0;
    for (const Utf8Step step : Utf8Range(text)) {
        width += advance_at_size(advance_units(font, step.scalar), size, units_per_em);
    }
    return width;
}

std::vector<float> char_widths(std::span<const char32_t> chars, const SubsetFont& font, float size) {
    const auto units_per_em = static_cast<float>(font.units_per_em);
    std::vector<float> widths;
    widths.reserve(chars.size());
    for (const char32_t c : chars) widths.push_back(advance_at_size(advance_units(font, c), size, units_per_em));
    return widths;
}

std::optional<DigitPairRun> next_digit_pair_run(std::span<const char32_t> c, std::size_t from) {
    const std::size_t n = c.size();
    for (std::size_t i = from; i + 2 < n; ++i) {
        if (!(is_ascii_digit(c[i]) && is_ascii_digit(c[i + 1]) && c[i + 2] == 0x3000)) continue;
        std::size_t j = i + 3;
        while (j < n && c[j] == 0x3000) ++j;
        return DigitPairRun{i, j};
    }
    return std::nullopt;
}

void apply_digit_pair_widths(std::span<const char32_t> c, std::vector<float>& w, const DigitPairWidthMap& map) {
    const std::size_t n = c.size();
    if (n < 3 || w.size() != n || map.empty()) return;
    for (auto run = next_digit_pair_run(c, 0); run; run = next_digit_pair_run(c, run->end)) {
        const std::size_t i = run->start;
        const std::uint64_t key = (c[i] - U'0') * 10u + (c[i + 1] - U'0');
        if (const auto it = map.find(key); it != map.end()) {
            w[i] = std::fmax(it->second, 0.4f);
            for (std::size_t k = i + 1; k < run->end; ++k) w[k] = 0;
        }
    }
}

float measure_line_width(std::span<const char32_t> chars, const SubsetFont& font, const DigitPairWidthMap& map,
                         float size) {
    if (!map.empty()) {
        std::vector<float> widths = char_widths(chars, font, size);
        apply_digit_pair_widths(chars, widths, map);
        float sum = 0;
        for (const float w : widths) sum += w;
        return sum;
    }
    std::size_t count = chars.size();
    if (count >= 2 && is_hanging_mark(chars.back())) --count;
    const auto units_per_em = static_cast<float>(font.units_per_em);
    float sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += advance_at_size(advance_units(font, chars[i]), size, units_per_em);
    return sum;
}

float measure_line_width(std::string_view text, const SubsetFont& font, const DigitPairWidthMap& map, float size) {
    const std::vector<char32_t> chars = to_code_points(text);
    return measure_line_width(chars, font, map, size);
}

std::size_t count_cjk_gaps(std::span<const char32_t> chars) {
    std::size_t gaps = 0;
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) gaps += is_cjk_char(chars[i]) && is_cjk_char(chars[i + 1]);
    return gaps;
}

std::size_t count_cjk_gaps(std::string_view text) {
    std::size_t gaps = 0;
    bool previous_cjk = false;
    for (const Utf8Step step : Utf8Range(text)) {
        const bool cjk = is_cjk_char(step.scalar);
        gaps += previous_cjk && cjk;
        previous_cjk = cjk;
    }
    return gaps;
}

std::vector<std::size_t> cjk_gap_indices(std::span<const char32_t> chars) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) {
        if (is_cjk_char(chars[i]) && is_cjk_char(chars[i + 1])) out.push_back(i);
    }
    return out;
}

bool line_is_full(std::string_view text, const SubsetFont& font, float size, float target_width) {
    const float slack = target_width - measure_line_width(text, font, DigitPairWidthMap{}, size);
    if (slack <= 0.4f) return true;
    const std::size_t gaps = count_cjk_gaps(text);
    if (gaps == 0) return false;
    return slack <= size * static_cast<float>(gaps) * 0.05f + 0.4f;
}

}  // namespace zvk
