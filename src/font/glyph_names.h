// Glyph names to Unicode text: the Adobe Glyph List, the uniXXXX and uXXXX
// conventions, and the glyph names of TeX math-extension fonts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zvk::font {

// The text of a glyph name: the glyph list first, then uniXXXX (groups of
// four hex digits) and uXXXX (four or more hex digits, one code point).
// Suffixes such as ".sc" are not removed.
std::optional<std::string> glyph_name_to_unicode(std::string_view name);

// The text of a glyph name of a TeX math-extension font (parenleftbig and
// the like), which the glyph list does not know.
std::optional<std::string> tex_extension_glyph_unicode(std::string_view name);

// The one-character text of a Unicode scalar value; none for 0, surrogates
// and values above U+10FFFF.
std::optional<std::string> code_point_to_string(std::uint32_t code_point);

// Builds a name-to-text map from text in the glyph list's format. The
// process-wide list is built from the committed copy on first use.
std::unordered_map<std::string, std::string> parse_glyph_list(std::string_view text);

}  // namespace zvk::font
