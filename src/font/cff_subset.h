// Subsetting CFF-based OpenType fonts (the Noto CJK families) through
// fontTools in a child python3: the child writes the subset font and a JSON
// list of its code points, glyph ids and advances, read back here.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "font/subset_font.h"

namespace zvk::font {

// A NotoSansCJK subset of 2,500 code points takes about 4 s on an idle
// machine and 20 s on a busy one; a child still running after this long is
// stuck (or swapping) and is killed.
inline constexpr std::chrono::milliseconds kCffSubsetTimeLimit = std::chrono::minutes(5);

// None on any failure: no python3, no fontTools, a font or face fontTools
// cannot open, a non-zero exit, the time limit, unreadable or malformed
// output. The child runs in a private directory (0700) under TMPDIR (else
// /tmp), which is removed whatever happens.
std::optional<SubsetFont> subset_cff_font_external(const std::string& font_path, std::uint32_t face,
                                                   std::span<const std::uint32_t> code_points,
                                                   std::chrono::milliseconds time_limit = kCffSubsetTimeLimit);

// The code points 1 to 0xFFFF, in order.
std::vector<std::uint32_t> filter_subset_code_points(std::span<const std::uint32_t> code_points);

// Upper-case hexadecimal, no prefix, no leading zeros (0x20 gives "20").
std::vector<std::string> format_code_points_hex(std::span<const std::uint32_t> code_points);

// The child's answer as a SubsetFont around `font_bytes`: "upem" a
// non-negative integer, "glyphs" an array of objects with non-negative
// integers "cp", "cid", "adv"; anything else, or no glyph, gives none.
std::optional<SubsetFont> read_cff_subset_answer(std::string font_bytes, std::string_view json_text);

// The program the child runs with `python3 -c`.
extern const std::string_view kCffSubsetProgram;

}  // namespace zvk::font
