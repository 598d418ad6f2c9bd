// The typical line width of each page: what paragraph merging takes as a full
// line when it judges whether a short line ends a paragraph.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace zvk {

// For each page, its widths sorted ascending (total order) and the one at
// index min(n − 1, ⌊3n / 4⌋): the widest for up to four lines, else the upper
// quartile. The caller collects the widths x1 − x0 above 1.0 of the page's
// lines; a page with an empty list gets no entry.
std::map<std::uint32_t, float> typical_line_width_by_page(std::map<std::uint32_t, std::vector<float>> widths);

}  // namespace zvk
