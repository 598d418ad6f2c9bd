#include "rewrite/placement/list_labels.h"

#include <cmath>
#include <limits>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

bool is_blank(const Glyph& g) { return trim_white_space(g.unicode).empty(); }

bool is_list_bullet(char32_t c) {
    switch (c) {
        case 0x2022: case 0x2023: case 0x2027: case 0x00B7: case 0x2219: case 0x25A0: case 0x25AA:
        case 0x25CF: case 0x25E6:
            return true;
        default:
            return c >= 0xE000 && c <= 0xF8FF;
    }
}

// The one character of a text, or none for an empty text or a longer one.
std::optional<char32_t> single_char(std::string_view text) {
    std::optional<char32_t> only;
    for (Utf8Step step : Utf8Range(text)) {
        if (only) return std::nullopt;
        only = step.valid ? step.scalar : char32_t{0xFFFD};
    }
    return only;
}

bool is_label_text(std::string_view trimmed) {
    for (char c : trimmed) {
        if (!is_ascii_digit(c) && c != ')' && c != '.') return false;
    }
    return true;
}

std::vector<const Glyph*> first_line_by_x(std::span<const RewriteLine> lines) {
    std::vector<const Glyph*> sorted = lines.front().glyphs;
    sort_origin_x(sorted);
    return sorted;
}

// The least x0 of the lines after the first, NaN passed over; the largest
// finite float when none is a number.
float continuation_x(std::span<const RewriteLine> lines) {
    float c = std::numeric_limits<float>::max();
    for (std::size_t i = 1; i < lines.size(); ++i) c = edge_min(c, lines[i].x0);
    return c;
}

}  // namespace

std::optional<ListItemLabel> detect_numbered_list_label(std::span<const RewriteLine> lines) {
    if (lines.size() < 2) return std::nullopt;
    ListItemLabel result;
    const Glyph* first_label = nullptr;
    const Glyph* body = nullptr;
    for (const Glyph* g : first_line_by_x(lines)) {
        if (is_blank(*g)) continue;
        const std::string_view trimmed = trim_white_space(g->unicode);
        if (!is_label_text(trimmed)) {
            body = g;
            break;
        }
        if (first_label == nullptr) first_label = g;
        result.label += trimmed;
    }
    if (body == nullptr || first_label == nullptr) return std::nullopt;
    std::size_t digits = 0;
    for (std::size_t i = 0; i < result.label.size(); ++i) {
        if (is_ascii_digit(result.label[i])) ++digits;
        // A full stop before a digit makes a section number (2.1), no label.
        if (result.label[i] == '.' && i + 1 < result.label.size() && is_ascii_digit(result.label[i + 1])) {
            return std::nullopt;
        }
    }
    if (digits < 1 || digits > 2) return std::nullopt;
    result.label_x = first_label->matrix[4];
    result.size = edge_max(first_label->font_size, 1.0f);
    result.label_color = first_label->fill_color;
    const float c = continuation_x(lines);
    const float s = result.size;
    if (!(std::fabs(c - body->matrix[4]) <= edge_max(0.55f * s, 4.0f))) return std::nullopt;
    const float indent = c - result.label_x;
    if (!(indent >= 0.35f * s && indent <= 3.0f * s)) return std::nullopt;
    result.body_color = make_black_color();
    bool found = false;
    for (std::size_t i = 1; i < lines.size() && !found; ++i) {
        for (const Glyph* g : lines[i].glyphs) {
            bool letter = false;
            for (char ch : g->unicode) letter = letter || is_ascii_letter(ch);
            if (letter) {
                result.body_color = g->fill_color;
                found = true;
                break;
            }
        }
    }
    result.body_x = c;
    return result;
}

std::optional<ListItemLabel> detect_bullet_list_label(std::span<const RewriteLine> lines) {
    if (lines.empty()) return std::nullopt;
    ListItemLabel result;
    const Glyph* bullet = nullptr;
    const Glyph* body = nullptr;
    for (const Glyph* g : first_line_by_x(lines)) {
        if (is_blank(*g)) continue;
        if (bullet == nullptr) {
            bullet = g;
            continue;
        }
        body = g;
        break;
    }
    if (bullet == nullptr) return std::nullopt;
    const std::optional<char32_t> mark = single_char(trim_white_space(bullet->unicode));
    if (!mark || !is_list_bullet(*mark)) return std::nullopt;
    result.label_x = bullet->matrix[4];
    result.size = edge_max(bullet->font_size, 1.0f);
    result.label_color = bullet->fill_color;
    float body_x = 0.0f;
    if (body != nullptr) {
        body_x = body->matrix[4];
        result.body_color = body->fill_color;
    } else {
        if (lines.size() < 2) return std::nullopt;
        const Glyph* second = nullptr;
        for (const Glyph* g : lines[1].glyphs) {
            if (!is_blank(*g)) {
                second = g;
                break;
            }
        }
        if (second == nullptr) return std::nullopt;
        body_x = lines[1].x0;
        result.body_color = second->fill_color;
    }
    if (lines.size() >= 2) {
        const float c = continuation_x(lines);
        if (std::isfinite(c) && c > result.label_x && std::fabs(c - body_x) > 0.8f) body_x = c;
    }
    const float s = result.size;
    const float indent = body_x - result.label_x;
    if (!(indent >= 0.35f * s && indent <= 3.5f * s)) return std::nullopt;
    if (*mark >= 0xE000 && *mark <= 0xF8FF) {
        result.label = "\u25A0";
    } else {
        result.label = std::string(trim_white_space(bullet->unicode));
    }
    result.body_x = body_x;
    return result;
}

std::string_view strip_leading_bullet(std::string_view text) {
    const std::string_view t = trim_leading_white_space(text);
    if (t.empty()) return t;
    const Utf8Step first = utf8_decode_at(t, 0);
    const std::string_view rest = t.substr(first.length);
    if (first.valid && is_list_bullet(first.scalar)) return trim_leading_white_space(rest);
    if (first.valid && (first.scalar == U'-' || first.scalar == 0x2013) && !rest.empty()) {
        const Utf8Step next = utf8_decode_at(rest, 0);
        if (next.valid && is_unicode_white_space(next.scalar)) return trim_leading_white_space(rest);
    }
    return t;
}

}  // namespace zvk::rewrite
