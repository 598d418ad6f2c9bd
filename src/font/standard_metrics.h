// Glyph widths of the standard 14 fonts, for simple fonts that name one of
// them (or a name viewers treat as one) and give no Widths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zvk::font {

struct StandardGlyphMetric {
    const char* name;
    std::int16_t code;  // in the font's built-in encoding; -1 when not encoded
    std::uint16_t width;
};

struct StandardFontMetrics {
    std::string_view name;  // e.g. "Helvetica-Bold"
    const StandardGlyphMetric* glyphs;  // sorted by name
    std::size_t count;
};

// The standard font a BaseFont stands for, after a subset prefix: the 14
// names themselves, and the names viewers treat as them (Arial, ArialMT,
// TimesNewRoman, TimesNewRomanPSMT, CourierNew ... with ",Bold", "-Bold",
// "-BoldMT", "-Italic", "-Oblique" style suffixes and their like).
const StandardFontMetrics* standard_font_metrics(std::string_view base_font);

std::optional<float> standard_glyph_width(const StandardFontMetrics& font, std::string_view glyph_name);

// The glyph name at a code of the font's built-in encoding; empty for none.
std::string_view standard_builtin_glyph_name(const StandardFontMetrics& font, std::uint8_t code);

}  // namespace zvk::font
