// Table-of-contents lines: the tests that tell page numbers and their leaders
// from the titles they follow.
#pragma once

#include <string_view>

namespace zvk {

// The trimmed, ASCII-lower-cased text has 1 to 8 bytes and is a whole Roman
// numeral m{0,4}(cm|cd|d?c{0,3})(xc|xl|l?x{0,3})(ix|iv|v?i{0,3}): front-matter
// page numbers and numbered figures ("Figure iv").
bool is_roman_numeral(std::string_view text);

}  // namespace zvk
