// GlyphShift: source glyphs that placement carries to a new place, drawn
// again by the rewrite driver moved by (dx, dy): the formula groups set into
// their slots and the inline chunks kept beside a placed line.
#pragma once

#include <cstdint>
#include <vector>

namespace zvk::rewrite {

struct GlyphShift {
    std::vector<std::uint32_t> glyph_ids;
    std::uint32_t page_index = 0;  // the page of the run the glyphs now sit in
    float dx = 0.0f;               // added to each glyph's x
    float dy = 0.0f;               // the run's baseline minus the glyphs' own
    float baseline = 0.0f;         // the run's baseline

    bool operator==(const GlyphShift&) const = default;
};

}  // namespace zvk::rewrite
