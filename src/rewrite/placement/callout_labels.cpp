#include "rewrite/placement/callout_labels.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"
#include "segment/text_trims.h"

namespace zvk::rewrite {

namespace {

constexpr std::array<std::string_view, 4> kLabelWords = {"definition", "note", "warning", "tip"};
// Tested in this order.
constexpr std::array<std::string_view, 4> kChineseLabels = {"\u5B9A\u4E49", "\u6CE8\u610F", "\u8B66\u544A",
                                                            "\u63D0\u793A"};
constexpr std::string_view kPlease = "\u8BF7";

float gx(const Glyph& g) { return g.matrix[4]; }

// A word that is still the start of a label word: the whole word counts, so
// "note" itself goes on, while "notes" and "tipp" do not.
bool starts_a_label_word(std::string_view lowered) {
    return std::any_of(kLabelWords.begin(), kLabelWords.end(),
                       [&](std::string_view w) { return lowered.size() <= w.size() && w.starts_with(lowered); });
}

bool holds_visible_char(std::string_view text) {
    for (const Utf8Step step : Utf8Range(text)) {
        if (!is_unicode_white_space(step.scalar)) return true;
    }
    return false;
}

bool holds_ascii_letter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return is_ascii_letter(static_cast<unsigned char>(c)); });
}

std::optional<std::string_view> chinese_label_at_start(std::string_view s) {
    for (const std::string_view label : kChineseLabels) {
        if (s.starts_with(label)) return label;
    }
    return std::nullopt;
}

bool is_label_separator(char32_t c) {
    return c == 0x20 || c == 0xA0 || c == U',' || c == U':' || c == 0xFE55 || c == 0xFF0C || c == 0xFF1A;
}

}  // namespace

std::optional<CalloutLabel> detect_callout_label(std::span<const RewriteLine> lines) {
    if (lines.empty() || lines.front().glyphs.empty()) return std::nullopt;
    std::vector<const Glyph*> line = lines.front().glyphs;
    sort_origin_x(line);
    const std::size_t n = line.size();

    std::vector<float> sizes;
    sizes.reserve(n);
    for (const Glyph* g : line) sizes.push_back(g->font_size);
    std::sort(sizes.begin(), sizes.end(), [](float a, float b) { return total_order_key(a) < total_order_key(b); });
    const float typical = edge_max(sizes[3 * n / 4], 1.0f);

    std::string word;
    std::size_t end = n;
    for (std::size_t l = 0; l < n; ++l) {
        const Glyph& g = *line[l];
        const std::string letters = keep_ascii_letters(g.unicode);
        if (letters.empty()) {
            if (!word.empty()) {
                end = l;
                break;
            }
            continue;
        }
        if (!word.empty()) {
            const Glyph& p = *line[l - 1];
            const float gap = gx(g) - glyph_right_edge(p);
            if (gap > 0.35f * typical || (g.font_size >= 0.9f * typical && p.font_size <= 0.92f * typical)) {
                end = l;
                break;
            }
        }
        word += letters;
        if (!starts_a_label_word(ascii_lower(word))) return std::nullopt;
    }
    const std::string lowered = ascii_lower(word);
    if (std::find(kLabelWords.begin(), kLabelWords.end(), lowered) == kLabelWords.end()) return std::nullopt;
    if (end == n) return std::nullopt;

    const Glyph* body = nullptr;
    for (std::size_t l = end; l < n && !body; ++l) {
        if (holds_visible_char(line[l]->unicode)) body = line[l];
    }
    if (!body) return std::nullopt;

    CalloutLabel label;
    label.body_x = gx(*body);
    label.label_x = label.body_x;
    for (const Glyph* g : line) label.label_x = edge_min(label.label_x, gx(*g));
    // NaN fails: a body whose place is unknown is no callout body.
    if (!(label.body_x >= label.label_x + 4.0f)) return std::nullopt;

    label.label_color = make_black_color();
    for (std::size_t l = 0; l < end; ++l) {
        if (holds_ascii_letter(line[l]->unicode)) {
            label.label_color = line[l]->fill_color;
            break;
        }
    }
    label.body_color = body->fill_color;
    float largest = 1.0f;
    for (std::size_t l = 0; l < end; ++l) largest = edge_max(largest, line[l]->font_size);
    label.label_size = largest;
    return label;
}

std::optional<std::pair<std::string, std::string>> split_callout_label(std::string_view text) {
    const std::string_view t = trim_leading_white_space(text);
    std::string_view s = t;
    if (t.starts_with(kPlease)) {
        const std::string_view rest = trim_leading_white_space(t.substr(kPlease.size()));
        // Byte length: the label alone is six bytes of UTF-8.
        if (rest.size() >= 6 && chinese_label_at_start(rest)) s = rest;
    }
    const auto label = chinese_label_at_start(s);
    if (!label) return std::nullopt;
    const std::string_view after = s.substr(label->size());
    std::size_t body_start = after.size();
    for (const Utf8Step step : Utf8Range(after)) {
        if (step.valid && is_label_separator(step.scalar)) continue;
        body_start = step.offset;
        break;
    }
    if (body_start == after.size()) return std::nullopt;
    return std::pair{std::string(*label) + "\uFF1A", std::string(after.substr(body_start))};
}

}  // namespace zvk::rewrite
