// Tables of contents: the dot leaders and page numbers of contents entries
// stay as they are while their titles are translated. The pass takes them out
// of their lines as "toc" skips and rebuilds each line it trims, flagged so
// that the area and continuation passes leave the titles alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// A group of neighbouring glyphs of one line: their ids, their texts joined
// without separator, the smallest outer left `a` and the largest outer right
// `b`.
struct TocItem {
    std::vector<std::uint32_t> ids;
    std::string text;
    float a = 0.0f;
    float b = 0.0f;
};

// More than 3 leader characters ('.', U+00B7, U+2022, U+2024, U+2026,
// U+2027, U+22C5) and nothing but leader characters and White_Space.
bool has_dot_leaders(std::string_view text);

// A leader item joins the leader item before it when it starts less than 14
// units after that one ends: a leader run that the item gaps broke in two is
// one leader again.
std::vector<TocItem> join_leader_items(std::vector<TocItem> items);

// The trimmed text is 1 to 3 ASCII digits, or a Roman numeral of at least two
// characters ("iv", not "v": a lone letter is more often a word).
bool is_page_number_like(std::string_view text);

// Line by line, records the leaders and page numbers of contents entries as
// "toc" skips (appended to `skipped` as each line is done) and rebuilds the
// line from its remaining glyphs in left-edge order with toc_trimmed set; a
// line with nothing left goes.
void trim_table_of_contents(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
