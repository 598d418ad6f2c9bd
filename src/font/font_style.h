// A guess at a font's look (serif, bold, italic) from its name alone, by
// substring tests: segmentation tells headings and emphasis apart with it, and
// the output stages pick a CJK face and weight close to the source's.
#pragma once

#include <cstdint>
#include <string_view>

namespace zvk {

// Packed flags: serif in bit 0, bold in bit 8, italic in bit 16; every other
// bit is 0. Callers that store or compare styles rely on this exact layout.
using FontNameStyle = std::uint32_t;

inline constexpr FontNameStyle kFontStyleSerif = 1u;
inline constexpr FontNameStyle kFontStyleBold = 1u << 8;
inline constexpr FontNameStyle kFontStyleItalic = 1u << 16;

// The style of a font name (base font name, subset prefix or not), matched
// case-insensitively on ASCII letters only. The empty name gives 0.
FontNameStyle classify_font_name(std::string_view name);

constexpr bool is_bold_style(FontNameStyle style) { return (style & kFontStyleBold) != 0; }
constexpr bool is_italic_style(FontNameStyle style) { return (style & kFontStyleItalic) != 0; }

}  // namespace zvk
