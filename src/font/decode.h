// Shown strings to character codes, and each code to its text, glyph id,
// advance and vertical metrics, against the current font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "font/font.h"

namespace zvk::font {

// Cuts the bytes of a shown string (Tj, ', ", or a TJ string) into codes by
// the font: one byte per code for simple fonts; for Type0 fonts by the
// code-space ranges of the ToUnicode CMap, else of the encoding CMap, else
// by the predefined CMap, else two bytes per code for Identity fonts, else
// one byte per code.
std::vector<CharCode> split_shown_string(const PdfFont& font, std::string_view bytes);

// Decodes one code. `code` is the big-endian value of `code_bytes` (1 to 4
// bytes), which are moved into the result. Never fails.
DecodedChar decode_char_code(const PdfFont& font, std::uint32_t code, std::string code_bytes);

}  // namespace zvk::font
