#include "layout/fit.h"

#include <algorithm>
#include <cmath>

#include "base/ascii.h"
#include "base/text.h"
#include "layout/char_classes.h"
#include "layout/wrap.h"

namespace zvk {
namespace {

std::size_t count_non_white_space(std::span<const char32_t> chars) {
    return static_cast<std::size_t>(
        std::count_if(chars.begin(), chars.end(), [](char32_t c) { return !is_unicode_white_space(c); }));
}

// A last line with a single CJK character takes over the last character of
// the line before.
void balance_last_line(std::vector<std::u32string>& lines) {
    if (lines.size() < 2) return;
    std::u32string& last = lines.back();
    std::u32string& before = lines[lines.size() - 2];
    const auto cjk = std::count_if(last.begin(), last.end(), [](char32_t c) { return is_cjk_char(c); });
    if (cjk != 1 || before.size() < 3 || !is_cjk_char(before.back())) return;
    last.insert(last.begin(), before.back());
    before.pop_back();
}

float measure(const std::u32string& line, const SubsetFont& font, const DigitPairWidthMap& map, float size) {
    return measure_line_width(std::span<const char32_t>(line.data(), line.size()), font, map, size);
}

// In large text, one or two CJK characters left behind after a Latin word or
// a space go to the next line when both lines then fit.
void move_stranded_cjk(std::vector<std::u32string>& lines, const SubsetFont& font, const DigitPairWidthMap& map,
                       float size, float first_width, float width) {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::u32string& line = lines[i];
        std::size_t k = 0;
        while (k < line.size() && k < 3 && is_cjk_char(line[line.size() - 1 - k])) ++k;
        if (k == 0 || k > 2 || k == line.size()) continue;
        const char32_t before = line[line.size() - 1 - k];
        if (!(is_unicode_white_space(before) || is_ascii_letter(before) || is_ascii_digit(before))) continue;
        if (lines[i + 1].empty() || !is_cjk_char(lines[i + 1].front())) continue;
        std::u32string shortened = line.substr(0, line.size() - k);
        while (!shortened.empty() && is_unicode_white_space(shortened.back())) shortened.pop_back();
        if (shortened.empty()) continue;
        const std::u32string extended = line.substr(line.size() - k) + lines[i + 1];
        const float limit = i == 0 ? first_width : width;
        if (measure(shortened, font, map, size) <= limit + 1.0f && measure(extended, font, map, size) <= width + 1.0f) {
            lines[i] = std::move(shortened);
            lines[i + 1] = extended;
        }
    }
}

std::vector<std::string> to_texts(const std::vector<std::u32string>& lines) {
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const auto& line : lines) out.push_back(from_code_points(line));
    return out;
}

}  // namespace

std::optional<FittedText> fit_text_in_box(std::string_view text, const SubsetFont& font, const CjkSizeLadder& ladder,
                                          bool absolute_indent_flag, float a, float b, float c, float d, float e,
                                          float v, const DigitPairWidthMap& map) {
    const float s0 = std::fmax(a * b, 1.0f);
    // An overflowing text matrix gives an infinite source size: no size
    // search can start from it.
    if (!std::isfinite(s0)) return std::nullopt;
    const LayoutText prepared = prepare_layout_text(text, font);
    const std::size_t n_visible = count_non_white_space(prepared.chars);
    const bool single_line = e <= 0.5f;
    const bool large = a >= 16.0f;
    const bool short_large = n_visible < 25 && large;
    const bool unbreakable = prepared.chars.size() >= 2 &&
                             std::all_of(prepared.mask.begin(), prepared.mask.end(), [](std::uint8_t m) { return m != 0; });
    bool heading = false;
    float m = 0.62f;
    if (unbreakable) {
        m = 0.5f;
    } else if (large && single_line && n_visible <= 40) {
        heading = true;
        m = n_visible <= 4 ? 0.5f : 0.8f;
    } else if (single_line && n_visible >= 5) {
        m = c <= 16.0f * a ? 0.8f : 0.62f;
    }
    float floor = std::fmin(m * a, s0);

    std::optional<FittedText> reserve;
    float s = s0;
    while (true) {
        const float indent = absolute_indent_flag ? v : d * s;
        const float first_width = std::fmax(c - indent, 0.5f * s);
        const auto accept = [&](std::vector<std::u32string>& lines, float pitch) {
            return FittedText{to_texts(lines), s, pitch, indent};
        };
        const std::optional<std::vector<std::string>> wrapped =
            wrap_layout_text(prepared, font, map, s, first_width, c);
        if (!wrapped) {
            if (s <= floor + 0.01f) return std::nullopt;
        } else {
            std::vector<std::u32string> lines;
            lines.reserve(wrapped->size());
            for (const std::string& line : *wrapped) {
                const std::vector<char32_t> cps = to_code_points(line);
                lines.emplace_back(cps.begin(), cps.end());
            }
            balance_last_line(lines);
            if (large && lines.size() >= 2) move_stranded_cjk(lines, font, map, s, first_width, c);
            const std::size_t i = lines.size();
            bool fits = measure(lines[0], font, map, s) <= first_width + 1.0f;
            for (std::size_t k = 1; k < i && fits; ++k) fits = measure(lines[k], font, map, s) <= c + 1.0f;
            const bool short_tail = count_non_white_space(lines.back()) < 3 && short_large && i >= 2;
            if (heading && fits && i == 2 && !reserve && !short_tail) {
                reserve = FittedText{to_texts(lines), s, 1.05f * s, indent};
            }
            const float span_pitch = i >= 2 ? e / static_cast<float>(i - 1) : 0.0f;
            if (fits) {
                if (single_line && i == 1) return accept(lines, ladder.leading * s);
                if (!single_line && !short_tail) {
                    if (i == 1) return accept(lines, ladder.leading * s);
                    if (span_pitch + 0.8f >= ladder.min_leading * s) {
                        return accept(lines, std::fmin(ladder.leading * s, span_pitch));
                    }
                }
            }
            if (!(s > floor + 0.01f)) {
                if (reserve) return reserve;
                if (heading && fits && i <= 3) return accept(lines, i == 1 ? ladder.leading * s : 1.05f * s);
                if (!fits) return std::nullopt;
                if (!single_line) {
                    if (i >= 2 && !short_tail && span_pitch >= 1.05f * s) return accept(lines, span_pitch);
                    if (i == 1) return accept(lines, ladder.leading * s);
                    return std::nullopt;
                }
                const std::size_t tail = count_non_white_space(lines.back());
                if (i == 2 && c <= 16.0f * a && s + 0.01f >= 0.8f * a && tail >= 4) return accept(lines, s);
                if (i == 2 && tail <= 3 && floor > 0.62f * a + 0.01f) {
                    floor = 0.62f * a;
                } else {
                    if (i == 1) return accept(lines, ladder.leading * s);
                    return std::nullopt;
                }
            }
        }
        const float next = std::fmax(0.94f * s, floor);
        if (!(std::fabs(next - s) >= 0.01f)) return std::nullopt;
        s = next;
    }
}

}  // namespace zvk
