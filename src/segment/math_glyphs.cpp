#include "segment/math_glyphs.h"

#include <array>
#include <string>
#include <string_view>

#include "base/text.h"
#include "segment/glyph_order.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

constexpr std::array<std::string_view, 7> kMathFontWords = {"CMMI", "CMSY", "CMEX", "MSAM", "MSBM", "STIX", "MATH"};

// Marks that math fonts also set for footnotes and sections.
constexpr std::array<std::string_view, 8> kTextMarks = {
    "\u2217", "\u2020", "\u2021", "\u22C6", "\u00A7", "\u00B6", "#", "*",
};

std::string ascii_upper(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool holds_ascii_letter(std::string_view text) {
    for (char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    }
    return false;
}

constexpr std::size_t kMaxShortMathGlyphs = 6;
constexpr float kShortMathWidthInSizes = 6.0f;

// The text half of is_math_glyph, for a glyph set in a math font.
bool is_math_text_in_math_font(std::string_view unicode) {
    std::string_view trimmed = trim_white_space(unicode);
    for (std::string_view mark : kTextMarks) {
        if (trimmed == mark) return false;
    }
    return !is_numeric_symbol_text(unicode);
}

}  // namespace

bool is_math_font_name(std::string_view font_name) {
    const std::string upper = ascii_upper(font_name);
    for (std::string_view word : kMathFontWords) {
        if (upper.find(word) != std::string::npos) return true;
    }
    return false;
}

bool is_math_glyph(const Glyph& glyph) {
    return is_math_font_name(glyph.font_name) && is_math_text_in_math_font(glyph.unicode);
}

bool MathGlyphTest::operator()(const Glyph& glyph) {
    if (!known_ || glyph.font_name != font_) {
        font_ = glyph.font_name;
        math_font_ = is_math_font_name(font_);
        known_ = true;
    }
    return math_font_ && is_math_text_in_math_font(glyph.unicode);
}

bool is_vector_font_glyph(const Glyph& glyph) {
    return ascii_upper(glyph.font_name).find("VECT") != std::string::npos && !holds_ascii_letter(glyph.unicode);
}

bool is_short_math_line(const TextLine& line) {
    if (!(line.x1 - line.x0 <= kShortMathWidthInSizes * edge_max(line.size, 1.0f))) return false;
    if (line.glyphs.empty() || line.glyphs.size() > kMaxShortMathGlyphs) return false;
    bool any_math = false;
    for (const Glyph* g : line.glyphs) {
        if (is_math_glyph(*g) || is_vector_font_glyph(*g)) {
            any_math = true;
        } else if (holds_ascii_letter(g->unicode)) {
            return false;
        }
    }
    return any_math;
}

}  // namespace zvk
