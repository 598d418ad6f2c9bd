// The six base encodings of simple fonts: their names, their code-to-text
// tables and, for the standard-14 widths, their glyph names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zvk::font {

enum class BaseEncoding : std::uint8_t {
    StandardEncoding = 0,
    WinAnsiEncoding = 1,
    MacRomanEncoding = 2,
    MacExpertEncoding = 3,
    PDFDocEncoding = 4,
    SymbolEncoding = 5,
};

// Code to Unicode text of a simple font; none where a code has no text.
using SimpleEncoding = std::array<std::optional<std::string>, 256>;

// Exact match against the six encoding names.
std::optional<BaseEncoding> parse_base_encoding_name(std::string_view name);

// The encoding's text for every code.
SimpleEncoding base_encoding_table(BaseEncoding encoding);

// The encoding's code point for a code (0 for none).
char32_t base_encoding_code_point(BaseEncoding encoding, std::uint8_t code);

// The encoding's glyph name for a code; empty for none.
std::string_view base_encoding_glyph_name(BaseEncoding encoding, std::uint8_t code);

}  // namespace zvk::font
