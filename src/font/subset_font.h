// SubsetFont: a CJK output font cut down to the characters in use, as the
// TrueType and the CFF subsetters both give it; the rewrite embeds its bytes
// and text layout measures with its advances.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace zvk::font {

struct SubsetGlyph {
    std::uint16_t glyph_id = 0;  // the glyph (or CID) in font_bytes
    std::uint16_t advance = 0;   // in font units

    bool operator==(const SubsetGlyph&) const = default;
};

struct SubsetFont {
    std::string font_bytes;                          // the complete font file to embed
    std::map<std::uint32_t, SubsetGlyph> glyphs;     // every code point the subset covers
    std::uint16_t units_per_em = 1;                  // at least 1
};

}  // namespace zvk::font
