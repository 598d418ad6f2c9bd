// The in-process subsetter of TrueType (glyf) CJK fonts: keeps glyph 0, the
// glyphs of the requested code points and their composite components,
// renumbers them densely, and writes a minimal TrueType file around them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "font/subset_font.h"

namespace zvk::font {

// (code point, glyph id)
using CodeGlyphPair = std::pair<std::uint32_t, std::uint32_t>;

// A format 4 subtable holds one segment per code point, and its 16-bit length
// field stops at this many (plus the final 0xFFFF segment). Subsets beyond it
// also get a format 12 subtable holding every code point.
inline constexpr std::size_t kMaxFormat4CodePoints = 8188;

// Old glyph id to new glyph id, dense over the old ids (at most 65536).
class GlyphRenumbering {
public:
    void set(std::uint32_t old_id, std::uint32_t new_id);
    std::optional<std::uint32_t> find(std::uint32_t old_id) const;

private:
    std::vector<std::uint32_t> new_of_old_;  // kAbsent where not kept
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
};

// None when no face of the font or collection maps any requested code point.
std::optional<SubsetFont> subset_truetype_font(std::string_view font_bytes,
                                               std::span<const std::uint32_t> code_points);

// glyph_count + 1 offsets into glyf; none when `loca` is too short for them.
std::optional<std::vector<std::uint32_t>> read_loca_offsets(std::string_view loca, std::uint32_t glyph_count,
                                                            bool long_format);

// Rewrites the component glyph ids of a composite glyph in place (0 for an id
// the renumbering lacks); other glyphs are left alone.
void remap_composite_glyph_ids(std::string& glyph, const GlyphRenumbering& renumbering);

// Drops a glyph's hinting instructions in place. The subset carries no fpgm,
// prep or cvt, so instructions kept would call functions that do not exist.
// A glyph whose instruction length runs past its end is left as it is.
void strip_glyph_instructions(std::string& glyph);

// Appends one long horizontal metric. The left side bearing must be the
// glyph's xMin: rasterisers place the outline at xMin - lsb from the origin.
void push_hmtx_metric(std::string& hmtx, std::uint16_t advance, std::int16_t left_side_bearing);

// The glyph's xMin, 0 for an empty glyph (no contours, or no header).
std::int16_t glyph_x_min(std::string_view glyph);

std::vector<CodeGlyphPair> remap_code_glyph_pairs(const std::vector<CodeGlyphPair>& pairs,
                                                  const GlyphRenumbering& renumbering);

// The subset file; `glyphs` in new-id order, `hmtx` one metric per glyph.
std::string write_truetype_subset(std::uint16_t units_per_em, const std::vector<std::string>& glyphs,
                                  std::string_view hmtx, const std::vector<CodeGlyphPair>& pairs,
                                  std::int16_t ascender, std::int16_t descender);

// One segment per BMP code point (the first pair of a code point wins), at
// most kMaxFormat4CodePoints of them, lowest code points first.
std::string build_cmap_format4(const std::vector<CodeGlyphPair>& pairs);
// One group per BMP code point, the same entries as format 4 without its cap.
std::string build_cmap_format12(const std::vector<CodeGlyphPair>& pairs);

}  // namespace zvk::font
