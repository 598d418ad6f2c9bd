// The text folds of placement: the visible characters of laid-out lines and
// of built runs (a layout is accepted only when wrapping lost or added no
// visible character), the opening quotes trimmed before a translation is
// searched for formula placeholders, the test that a font lacks a character,
// and the characters picked out by position.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "font/subset_font.h"
#include "rewrite/placement/text_run.h"

namespace zvk::rewrite {

// Appends the character unless it is Unicode White_Space.
void append_nonblank_char(std::string& out, char32_t c);

// Every visible character of the laid-out lines, slot by slot and line by
// line, with nothing between lines.
std::string collect_nonblank_text(const std::vector<std::vector<std::string>>& slot_lines);

// Every visible character of the runs' texts, in list order.
std::string collect_nonblank_text_chained(std::span<const TextRun> runs);

// The text after its longest prefix of white space and quotation marks
// (straight, angle, curly, low double, heavy ornaments U+275B..U+275E and the
// CJK corner brackets). U+201A and U+201B are not among them.
std::string_view trim_leading_quotes(std::string_view text);

// True at the first character of `first`, then of `second`, that the font's
// map lacks; with an empty map, true for any character at all.
bool font_lacks_any_char(std::string_view first, std::string_view second, const font::SubsetFont& font);

// The characters at the given positions, in the order of the positions
// (repeats repeat). A position outside `chars` picks nothing.
std::string chars_at_positions(std::span<const char32_t> chars, std::span<const std::size_t> positions);

}  // namespace zvk::rewrite
