#include "segment/block_predicates.h"

#include <cmath>

#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"
#include "segment/text_predicates.h"

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


std::string_view trim_end(std::string_view text) {
    std::string_view trimmed = trim_white_space(text);
    // trim_white_space also cuts the start; keep it.
    return text.substr(0, static_cast<std::size_t>(trimmed.data() - text.data()) + trimmed.size());
}

char32_t last_char(std::string_view text) {
    // Step back over continuation bytes to the start of the last sequence.
    std::size_t start = text.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    return utf8_decode_at(text, start).scalar;
}

}  // namespace

float pair_size(float a, float b) { return edge_max(edge_max(a, b), 1.0f); }

bool ends_sentence(std::string_view text) {
    std::string_view t = trim_end(text);
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

}  // namespace zvk
