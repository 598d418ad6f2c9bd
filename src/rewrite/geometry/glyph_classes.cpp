#include "rewrite/geometry/glyph_classes.h"

#include <array>
#include <cmath>
#include <limits>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "font/font_style.h"
#include "segment/block_predicates.h"
#include "segment/text_trims.h"

namespace zvk::rewrite {

namespace {

constexpr std::array<std::string_view, 10> kMathFontMarks = {
    "CMMI", "CMSY", "CMEX", "MSAM", "MSBM", "STIX", "CAMBRIAMATH", "LATINMODERNMATH", "SYMBOL", "MATH",
};

constexpr std::array<std::string_view, 8> kFootnoteMarkers = {
    "*", "#", "\u00A7", "\u00B6", "\u2217", "\u2020", "\u2021", "\u22C6",
};

constexpr std::array<std::string_view, 9> kPromptKeywords = {
    "TEXT", "TONE", "INPUT", "OUTPUT", "EXAMPLE", "PERSONA", "CONTEXT", "INSTRUCTION", "OUTPUTFORMAT",
};

constexpr bool is_quote_mark(char32_t c) {
    switch (c) {
        case U'"': case U'\'': case 0x00AB: case 0x00BB: case 0x2018: case 0x2019: case 0x201C:
        case 0x201D: case 0x201E: case 0x275B: case 0x275C: case 0x275D: case 0x275E: case 0x300C:
        case 0x300D:
            return true;
        default:
            return false;
    }
}

bool holds_ascii_letter(std::string_view text) {
    for (char c : text) {
        if (is_ascii_letter(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

bool is_plain_franklin_font(std::string_view font_name) {
    const std::string upper = ascii_upper(font_name);
    return upper.find("FRANKLIN") != std::string::npos && upper.find("DEMI") == std::string::npos &&
           upper.find("ITAL") == std::string::npos;
}

}  // namespace

bool is_quarter_turned(const Matrix& m) {
    const float a = std::fabs(m[0]), b = std::fabs(m[1]), c = std::fabs(m[2]), d = std::fabs(m[3]);
    return b > 1.0f && c > 1.0f && a <= 0.25f * b && d <= 0.25f * c;
}

bool MathFontNameTest::operator()(std::string_view name) {
    if (!known_ || name != name_) {
        name_ = name;
        known_ = true;
        math_ = is_math_font_name(name);
    }
    return math_;
}

namespace {

bool is_unmapped_glyph(const Glyph& glyph) { return glyph.unmapped || glyph.unicode.empty(); }

bool is_formula_glyph(const Glyph& glyph, bool math_font) {
    return math_font && !is_footnote_marker_text(glyph.unicode);
}

}  // namespace

bool has_formula_skip_reason(const Glyph& glyph, MathFontNameTest& math_font) {
    return !is_unmapped_glyph(glyph) && is_formula_glyph(glyph, math_font(glyph.font_name));
}

std::optional<std::string_view> glyph_skip_reason(const Glyph& glyph) {
    if (is_unmapped_glyph(glyph)) return kSkipUnmapped;
    if (is_formula_glyph(glyph, is_math_font_name(glyph.font_name))) return kSkipFormula;
    if (glyph.vertical || is_quarter_turned(glyph.matrix)) return kSkipVertical;
    if (glyph.clipped && !glyph.clip_uncertain) return kSkipClipped;
    if (glyph.source.kind == GlyphSourceKind::AnnotationAppearance) return kSkipAnnotation;
    if (glyph.source.kind == GlyphSourceKind::Type3CharProc) return kSkipType3;
    return std::nullopt;
}

bool is_math_font_name(std::string_view name) {
    if (name.empty()) return false;
    const std::string upper = ascii_upper(name);
    for (std::string_view mark : kMathFontMarks) {
        if (upper.find(mark) != std::string::npos) return true;
    }
    return false;
}

bool is_footnote_marker_text(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    for (std::string_view marker : kFootnoteMarkers) {
        if (trimmed == marker) return true;
    }
    return false;
}

bool is_quotes_only_text(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    if (trimmed.empty()) return false;
    for (Utf8Step step : Utf8Range(trimmed)) {
        if (!is_quote_mark(step.scalar)) return false;
    }
    return true;
}

bool is_plain_franklin_text(std::span<const Glyph* const> glyphs) {
    bool any_plain = false;
    for (const Glyph* g : glyphs) {
        if (trim_white_space(g->unicode).empty() || is_quotes_only_text(g->unicode)) continue;
        if (is_plain_franklin_font(g->font_name)) {
            any_plain = true;
        } else if (holds_ascii_letter(g->unicode)) {
            return false;  // a letter in a foreign face
        }
    }
    return any_plain;
}

bool all_glyphs_bold(std::span<const Glyph* const> glyphs) {
    for (const Glyph* g : glyphs) {
        if (!is_bold_style(classify_font_name(g->font_name))) return false;
    }
    return true;
}

std::vector<const Glyph*> collect_nonblank_text_items(std::span<const Glyph* const> glyphs) {
    std::vector<const Glyph*> items;
    for (const Glyph* g : glyphs) {
        if (!trim_white_space(g->unicode).empty()) items.push_back(g);
    }
    return items;
}

bool is_prompt_section_keyword(std::string_view text) {
    // No keyword is longer than 12 bytes: longer texts need no copy.
    if (text.size() > 12) return false;
    const std::string upper = ascii_upper(text);
    for (std::string_view keyword : kPromptKeywords) {
        if (upper == keyword) return true;
    }
    return false;
}

bool is_prompt_section_keyword_prefix(std::string_view upper_text) {
    for (std::string_view keyword : kPromptKeywords) {
        if (keyword.starts_with(upper_text)) return true;
    }
    return false;
}

std::string collect_ascii_letters(std::span<const Glyph* const> glyphs) {
    std::string letters;
    for (const Glyph* g : glyphs) letters += keep_ascii_letters(g->unicode);
    return letters;
}

bool is_single_numeral_char(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    if (trimmed.size() != 1) return false;
    switch (ascii_lower_char(trimmed[0])) {
        case 'c': case 'd': case 'i': case 'l': case 'm': case 'v': case 'x': return true;
        default: return is_ascii_digit(trimmed[0]);
    }
}

bool is_bullet_glyph(const Glyph& glyph) {
    const std::string_view t = trim_white_space(glyph.unicode);
    // Only one character can be a bullet: most glyphs end here, before the
    // font name is upper-cased.
    if (t.empty() || count_scalar_values(t) != 1) return false;
    if (starts_with_bullet(t)) return t != "-";
    if (t == "-") return false;
    const std::string upper = ascii_upper(glyph.font_name);
    return upper.find("DINGBAT") != std::string::npos || upper.find("WINGDING") != std::string::npos;
}

std::string join_text_pieces(std::string_view first, std::string_view second) {
    first = trim_trailing_white_space(first);
    second = trim_leading_white_space(second);
    if (first.empty()) return std::string(second);
    if (second.empty()) return std::string(first);
    char32_t last = 0;
    for (const Utf8Step step : Utf8Range(first)) last = step.valid ? step.scalar : 0;
    const Utf8Step head = utf8_decode_at(second, 0);
    std::string joined(first);
    if (!(is_cjk_ideograph(last) && head.valid && is_cjk_ideograph(head.scalar))) joined.push_back(' ');
    joined.append(second);
    return joined;
}

namespace {

bool is_heading_number_break(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

// "1 Intro", "12 Intro", "2.1 Intro": the number and the break after it,
// then a text that does not start with a digit.
bool reads_as_numbered_heading_text(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && i < 2 && is_ascii_digit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == 0) return false;
    if (i < t.size() && t[i] == '.') {
        std::size_t j = i + 1;
        while (j < t.size() && is_ascii_digit(static_cast<unsigned char>(t[j]))) ++j;
        if (j == i + 1) return false;
        i = j;
    }
    if (i >= t.size() || !is_heading_number_break(t[i])) return false;
    const std::string_view rest = trim_leading_white_space(t.substr(i));
    return !rest.empty() && !is_ascii_digit(static_cast<unsigned char>(rest[0]));
}

}  // namespace

bool is_numbered_section_heading(std::string_view text, std::span<const Glyph* const> glyphs) {
    const std::string_view t = trim_white_space(text);
    if (t.empty() || t.find("\u27E6") != std::string_view::npos || count_scalar_values(t) > 80) return false;
    if (t.ends_with('.') || t.ends_with("\u3002")) return false;
    if (!reads_as_numbered_heading_text(t)) return false;
    const std::vector<const Glyph*> items = collect_nonblank_text_items(glyphs);
    if (items.empty()) return false;
    float size = 1.0f;
    float top = -std::numeric_limits<float>::infinity();
    float bottom = std::numeric_limits<float>::infinity();
    for (const Glyph* g : items) {
        size = std::fmax(size, g->font_size);
        top = std::fmax(top, g->matrix[5]);
        bottom = std::fmin(bottom, g->matrix[5]);
    }
    if (top - bottom > 0.45f * size) return false;
    return all_glyphs_bold(items) || size >= 12.0f;
}

}  // namespace zvk::rewrite
