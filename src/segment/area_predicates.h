// Tests that tell the text of a figure or table from the text around it: body
// lines in the page's body font, numbered headings, titles, block labels, and
// the body font of a page itself.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "segment/text_line.h"

namespace zvk {

// The font of the page's running text: over the lines of the page with more
// than 23 letters and at least 160 units wide, the font name with the most
// text bytes. Lines below a table caption (within 320 units and roughly under
// it) are left out unless that leaves nothing. Equal totals go to the font
// seen first in line order. Empty when no line qualifies. `page_lines` are the
// indices of the page's lines in line order.
std::string page_body_font(const std::vector<TextLine>& lines, std::span<const std::size_t> page_lines);

// Letters (ASCII or Unicode Alphabetic) of a line at least 2 with size 28, or
// more than 3 with size 16: a heading, never the inside of a figure.
bool is_heading_sized(const TextLine& line);

// More than 23 letters, at least 160 wide, in the body font's family (any
// family when the page has no body font).
bool is_body_text_line(const TextLine& line, std::string_view body);

// A short line (48 characters, 260 units) that starts with a section number
// followed by a word of more than 3 letters, set like a heading of this
// document: in the body family, with a sub-number, or bold in title words.
bool is_numbered_heading(const TextLine& line, std::string_view body);

// One to six words, no ',' ':' or ';', each word with letters capitalised.
bool is_title_words(std::string_view text);

// One to eight words, no ',' ':' or ';', no sentence end, more than 3
// letters.
bool is_short_title(std::string_view text);

// After trimming, from its first ASCII letter (which must be upper case), the
// text begins with definition, note, theorem, lemma, proof, example, remark,
// tip or warning as a whole word not followed by ','.
bool starts_with_block_label(std::string_view text);

}  // namespace zvk
