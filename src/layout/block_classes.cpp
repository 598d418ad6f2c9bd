#include "layout/block_classes.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "base/ascii.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/utf8.h"
#include "layout/char_classes.h"
#include "segment/block_predicates.h"
#include "segment/paragraph_merge.h"

namespace zvk {
namespace {

bool is_terminal(char32_t c) {
    return c == U'.' || c == U'!' || c == U'?' || c == 0x3002 || c == 0xFF01 || c == 0xFF1F;
}

bool is_letter(char32_t c) { return is_ascii_letter(c) || is_alphabetic_from_aa(c); }

// How many numbers the leading section number has (1 or 2), or 0 without one.
int leading_section_numbers(const std::vector<char32_t>& t) {
    std::size_t i = 0;
    int numbers = 0;
    while (true) {
        std::size_t digits = 0;
        while (i < t.size() && is_ascii_digit(t[i])) ++digits, ++i;
        if (digits == 0 || digits > 2) return 0;
        ++numbers;
        if (i < t.size() && t[i] == U'.' && i + 1 < t.size() && is_ascii_digit(t[i + 1])) {
            if (numbers == 2) return 0;  // a third component
            ++i;
            continue;
        }
        break;
    }
    if (i == t.size() || t[i] == U' ' || t[i] >= 0x80) return numbers;
    return 0;
}

std::size_t short_letter_digit_runs(const std::vector<char32_t>& t) {
    std::size_t runs = 0;
    std::size_t i = 0;
    while (i < t.size()) {
        if (!is_ascii_digit(t[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < t.size() && is_ascii_digit(t[j])) ++j;
        const bool touches = (i > 0 && is_letter(t[i - 1])) || (j < t.size() && is_letter(t[j]));
        if (j - i <= 2 && touches) ++runs;
        i = j;
    }
    return runs;
}

std::uint8_t general_class(std::uint64_t lines, bool bold, std::size_t count, bool terminal, float size) {
    if (lines == 1) {
        if (bold && !terminal && count < 80) return 1;
        if (size >= 12.5f && count < 120) return terminal ? 0 : 3;
        if (size >= 11.2f && count < 24 && !terminal) return 2;
        return 0;
    }
    return lines <= 3 && size >= 12.5f && count < 120 && !terminal ? 3 : 0;
}

}  // namespace

bool stock_code_item_at(const std::u32string_view c, std::size_t i) {
    if (i + 2 >= c.size() || c[i] != 0x80A1 || c[i + 1] != 0x7968) return false;
    std::size_t j = i + 2;
    while (j < c.size() && is_ascii_digit(c[j])) ++j;
    return j > i + 2 && j < c.size() && c[j] == 0xFF1A;
}

bool ends_with_sentence_terminator(std::string_view text) {
    char32_t last = 0;
    for (const Utf8Step step : Utf8Range(text)) last = step.scalar;
    return !text.empty() && is_terminal(last);
}

bool is_caption_text(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    const std::string lower = ascii_lower(t);
    for (const std::string_view prefix : {"figure", "fig.", "fig ", "table", "tab.", "tab "}) {
        if (lower.starts_with(prefix)) return true;
    }
    const std::vector<char32_t> c = to_code_points(t);
    if (c.empty() || (c[0] != 0x56FE && c[0] != 0x8868)) return false;
    for (std::size_t i = 1; i < c.size(); ++i) {
        if (is_unicode_white_space(c[i])) continue;
        return is_ascii_digit(c[i]) || c[i] == U':' || c[i] == 0xFF1A;
    }
    return false;
}

std::uint8_t classify_heading_block(std::uint64_t lines, bool bold, std::string_view text, float size) {
    const std::string_view t = trim_white_space(text);
    const std::vector<char32_t> c = to_code_points(t);
    if (c.empty() || is_caption_text(t)) return 0;
    const char32_t last = c.back();
    if (last == 0x7684 || last == 0xFF0C || last == U',') return 0;
    if (lines > 1 && strip_list_number_prefix(t)) return 0;
    const std::size_t count = c.size();
    if (lines <= 3 && size >= 14.0f && count < 160) return 3;
    const bool terminal = is_terminal(last);
    const int numbers = leading_section_numbers(c);
    if (numbers == 1 && short_letter_digit_runs(c) < 2 && lines < 3 && count < 80 && !terminal) {
        const bool two_digits_space = c.size() >= 3 && is_ascii_digit(c[0]) && is_ascii_digit(c[1]) && c[2] == U' ';
        if (!(two_digits_space && size < 12.0f && !bold)) return 2;
    } else if (numbers == 2 && lines < 3 && count < 100 && !terminal) {
        return 1;
    }
    return general_class(lines, bold, count, terminal, size);
}

float class_size_scale(std::uint8_t block_class, const CjkSizeLadder& ladder, float size) {
    const float x = std::fmax(size, 1.0f);
    float p = 0;
    switch (block_class) {
    case 1:
        p = std::fmax(10.0f * ladder.k1, ladder.k1 * x);
        break;
    case 2:
        p = x >= 12.0f ? ladder.k2 * x : std::fmax((ladder.k1 + 0.14f) * 10.0f, ladder.k2 * x);
        break;
    case 3:
        p = ladder.k3 * x;
        break;
    default:
        p = ladder.k0 * x;
        break;
    }
    return std::fmin(std::fmax(p / x, ladder.k0), 1.35f);
}

float block_expansion_factor(std::uint64_t lines, bool bold, std::string_view text, float size) {
    if (is_caption_text(text) || starts_with_bullet(text)) return 0;
    const std::uint8_t block_class = classify_heading_block(lines, bold, text, size);
    if (block_class >= 1 && block_class <= 3) return 0;
    if (lines > 1) return 2.0f;
    if (bold || size >= 12.5f) return 0;
    if (text.find('@') != std::string_view::npos) return 0;
    const std::string_view t = trim_white_space(text);
    std::size_t letters = 0;
    for (const Utf8Step step : Utf8Range(t)) letters += is_letter(step.scalar) ? 1 : 0;
    return letters > 23 && ends_with_sentence_terminator(t) ? 2.0f : 0.0f;
}

bool has_joinable_next_line(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size() || index + 1 >= lines.size()) return false;
    const std::vector<char32_t> next = to_code_points(lines[index + 1]);
    return !stock_code_item_at(std::u32string_view(next.data(), next.size()), 0);
}

std::pair<std::string, std::vector<std::uint8_t>> space_cjk_latin_boundaries(
    std::string_view text, const std::vector<std::uint8_t>& flags) {
    std::string out;
    std::vector<std::uint8_t> out_flags;
    out.reserve(text.size() + 8);
    char32_t previous = 0;
    std::size_t index = 0;
    for (const Utf8Step step : Utf8Range(text)) {
        const char32_t c = step.scalar;
        if (index > 0 && ((is_cjk_char(previous) && is_ascii_letter(c)) ||
                          (is_ascii_letter(previous) && is_cjk_char(c)))) {
            out.push_back(' ');
            out_flags.push_back(0);
        }
        out.append(text.substr(step.offset, step.length));
        out_flags.push_back(index < flags.size() ? flags[index] : 0);
        previous = c;
        ++index;
    }
    return {std::move(out), std::move(out_flags)};
}

float positive_f32_from_env(const char* variable, float setting, float default_value) {
    if (std::isfinite(setting) && setting > 0) return setting;
    const std::optional<std::string> raw = read_environment(variable);
    if (!raw) return default_value;
    const std::string_view value = trim_white_space(*raw);
    float parsed = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (error != std::errc{} || end != value.data() + value.size()) return default_value;
    if (!std::isfinite(parsed) || !(parsed > 0)) return default_value;
    return parsed;
}

}  // namespace zvk
