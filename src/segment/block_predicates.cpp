#include "segment/block_predicates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/captions.h"
#include "segment/glyph_order.h"
#include "segment/paragraph_merge.h"
#include "segment/text_predicates.h"
#include "segment/text_trims.h"
#include "segment/toc_lines.h"

namespace zvk {

namespace {

bool is_bullet_char(char32_t c) {
    switch (c) {
    case 0x2022: case 0x2023: case 0x2027: case 0x2013: case 0x2014: case 0x00B7: case 0x2219:
    case 0x25A0: case 0x25AA: case 0x25C9: case 0x25CB: case 0x25CE: case 0x25CF: case 0x25E6:
    case 0x25EF:
        return true;
    default:
        return c >= 0xE000 && c <= 0xF8FF;
    }
}


char32_t last_char(std::string_view text) {
    // Step back over continuation bytes to the start of the last sequence.
    std::size_t start = text.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    return utf8_decode_at(text, start).scalar;
}

constexpr std::array<std::string_view, 12> kEnvironmentLabels = {
    "note", "proof", "lemma", "claim", "remark", "theorem",
    "example", "corollary", "definition", "assumption", "proposition", "observation",
};

// The number of ASCII digits at `pos`, at most `limit`.
std::size_t digits_at(std::string_view text, std::size_t pos, std::size_t limit) {
    std::size_t n = 0;
    while (pos + n < text.size() && n < limit && is_ascii_digit(text[pos + n])) ++n;
    return n;
}

// The glyphs' own test lines are the line's glyphs; a formula line on either
// side of a break never continues.
bool is_formula_line(const TextLine& line) { return math_line(line.glyphs); }

}  // namespace

float pair_size(float a, float b) { return edge_max(edge_max(a, b), 1.0f); }

bool ends_sentence(std::string_view text) {
    std::string_view t = trim_trailing_white_space(text);
    if (t.size() <= 1) return false;
    switch (last_char(t)) {
    case U'.': case U'!': case U'?': case 0x3002: case 0xFF01: case 0xFF1F:
        return true;
    default:
        return false;
    }
}

bool starts_with_bullet(std::string_view text) {
    std::string_view t = trim_leading_white_space(text);
    if (t.empty()) return false;
    Utf8Step first = utf8_decode_at(t, 0);
    if (first.valid && is_bullet_char(first.scalar)) return true;
    if (first.scalar != U'-') return false;
    if (t.size() == 1) return true;
    Utf8Step second = utf8_decode_at(t, 1);
    return second.valid && is_unicode_white_space(second.scalar);
}

bool continues_paragraph(const TextLine& prev, const TextLine& next) {
    if (prev.page_index != next.page_index) return false;
    const float s = pair_size(prev.size, next.size);
    const float gap = prev.y - next.y;
    if (!(gap >= 0.6f * s && gap <= 1.8f * s)) return false;
    if (!(std::fabs(prev.size - next.size) <= 0.35f * s)) return false;
    if (!(prev.x0 - s <= next.x0 + 0.4f * s)) return false;
    if (ends_sentence(prev.text)) return false;
    if (!starts_with_ascii_lowercase(trim_leading_white_space(next.text))) return false;
    return count_letters(next.text) >= 6;
}

bool is_environment_label(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size()) {
        Utf8Step step = utf8_decode_at(text, end);
        if (step.valid && is_unicode_white_space(step.scalar)) break;
        end += step.length;
    }
    const std::string word = ascii_lower(trim_to_ascii_letters(text.substr(0, end)));
    for (std::string_view label : kEnvironmentLabels) {
        if (word == label) return true;
    }
    return false;
}

std::uint8_t line_end_kind(std::string_view text) {
    std::string_view t = trim_trailing_white_space(text);
    if (t.empty()) return kLineEndNone;
    if (t.ends_with("->")) return 2;
    switch (last_char(t)) {
    case 0x2192: case 0x2794:
        return 2;
    case U'.': case U'?':
        return 0;
    case U':':
        return 1;
    default:
        return kLineEndNone;
    }
}

bool starts_upper_case(std::string_view text) {
    for (char c : text) {
        if (is_ascii_letter(c)) return c >= 'A' && c <= 'Z';
    }
    return false;
}

bool is_page_number_token(std::string_view text) {
    std::string_view t = trim_white_space(text);
    if (t.empty() || count_scalar_values(t) > 6) return false;
    return is_all_ascii_digits(t) || is_roman_numeral(t);
}

bool starts_with_licensed_to(std::string_view text) {
    std::string_view t = trim_white_space(text);
    return t.size() >= 11 && ascii_lower(t.substr(0, 11)) == "licensed to";
}

bool is_publication_note(std::string_view text) {
    const std::string t = ascii_lower(trim_white_space(text));
    if (t == "published" || t == "preprint") return true;
    if (t.starts_with("under review") || t.starts_with("proceedings of")) return true;
    std::string_view rest = trim_leading_digits_and_space(t);
    return rest == "chapter" || rest.starts_with("chapter ");
}

bool is_bare_section_number(std::string_view text) {
    std::string_view t = trim_white_space(text);
    while (!t.empty() && t.back() == '.') t.remove_suffix(1);
    std::size_t pos = 0;
    int groups = 0;
    while (true) {
        const std::size_t n = digits_at(t, pos, 3);
        if (n == 0 || n > 2) return false;
        pos += n;
        ++groups;
        if (pos == t.size()) break;
        if (t[pos] != '.') return false;
        ++pos;
    }
    return groups >= 2 && groups <= 4;
}

std::optional<SectionNumberSplit> split_section_number(std::string_view text) {
    std::size_t pos = digits_at(text, 0, 2);
    if (pos == 0) return std::nullopt;
    int further = 0;
    while (further < 3 && pos + 1 < text.size() && text[pos] == '.') {
        const std::size_t n = digits_at(text, pos + 1, 2);
        if (n == 0) break;
        pos += 1 + n;
        ++further;
    }
    if (pos < text.size() && text[pos] == '.') ++pos;
    if (pos >= text.size() || text[pos] != ' ') return std::nullopt;
    return SectionNumberSplit{further > 0, trim_white_space(text.substr(pos + 1))};
}

bool is_non_body_line(const TextLine& line) {
    std::string_view t = trim_white_space(line.text);
    if (t.empty()) return true;
    if (is_publication_note(t)) return true;
    if (caption_kind(t).has_value()) return true;
    if (starts_with_licensed_to(t)) return true;
    if (line.x1 - line.x0 <= 48.0f && is_page_number_token(t)) return true;
    for (std::size_t i = 0; i < t.size();) {
        Utf8Step step = utf8_decode_at(t, i);
        if (!is_ascii_digit(step.scalar) && !(step.valid && is_unicode_white_space(step.scalar))) return false;
        i += step.length;
    }
    return true;
}

bool is_substantial_block(std::span<const TextLine> lines) {
    if (lines.size() > 1) return true;
    std::size_t letters = 0;
    for (const TextLine& line : lines) letters += count_letters(line.text);
    return letters >= 40;
}

bool is_centered_comma_block(std::span<const TextLine> lines) {
    if (lines.size() <= 1) return false;
    std::size_t commas = 0;
    for (const TextLine& line : lines) {
        for (char c : line.text) commas += c == ',' ? 1 : 0;
    }
    if (commas <= 3) return false;
    float s = 1.0f;
    for (const TextLine& line : lines) s = edge_max(s, line.size);
    // Spreads over a range of lines; NaN coordinates are passed over.
    struct Spread {
        float lo = 0.0f, hi = 0.0f;
        bool any = false;
        void add(float v) {
            if (std::isnan(v)) return;
            if (!any) { lo = hi = v; any = true; return; }
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        float width() const { return any ? hi - lo : 0.0f; }
    };
    Spread x0, x1, centre, x0_after_first;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        x0.add(lines[i].x0);
        x1.add(lines[i].x1);
        centre.add((lines[i].x0 + lines[i].x1) / 2.0f);
        if (i > 0) x0_after_first.add(lines[i].x0);
    }
    if (lines.size() >= 3 && x0_after_first.width() <= 0.45f * s) return false;
    if (x0.width() <= 2.5f * s && x1.width() <= 0.6f * s) return false;
    return x0.width() > 1.2f * s && centre.width() <= 3.0f * s;
}

bool continues_across_break(const TextLine& last, const TextLine& first) {
    if (is_formula_line(last) || is_formula_line(first)) return false;
    const float m = edge_max(last.size, first.size);
    if (std::fabs(last.size - first.size) > 0.35f * edge_max(m, 1.0f)) return false;
    if (ends_sentence(last.text)) return false;
    std::string_view t = trim_leading_white_space(first.text);
    if (t.empty()) return false;
    const char c = t.front();
    if (hyphen_end(last.text).has_value()) return is_ascii_letter(c) || is_ascii_digit(c);
    return c >= 'a' && c <= 'z';
}

}  // namespace zvk
