// The built-in encoding of a bare CFF font program (a simple font's
// FontFile3 of subtype Type1C): the glyph name each code selects, read from
// the first font's Top DICT Encoding and charset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvk::font {

// One (code, glyph name) pair per code the program encodes, in code order;
// a code given twice (a supplement over a range, say) keeps the later name.
// Empty for a CID-keyed program (it has no encoding), for a program larger
// than the font-stream bound and for one whose structure cannot be followed
// within its bytes. Entries that are well formed but name nothing (a glyph
// past the glyph count, a string id past the strings) are dropped one by one.
std::vector<std::pair<std::uint8_t, std::string>> read_cff_encoding_entries(std::string_view program);

}  // namespace zvk::font
