// Segments around display formulas, repaired once before translation:
// segmentation splits the sentence around a fraction or a stacked expression
// into pieces and leaves the formula's small glyphs in tiny segments or in
// none. Each formula is gathered with the segments that touch it, the loose
// glyphs and the tiny fragments beside it into one segment whose text holds
// the formula as a placeholder; then every segment gets placeholders for its
// inline formulas. No text is lost, doubled or reordered on the way.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/segment_areas.h"
#include "segment/segmentation.h"

namespace zvk::rewrite {

// The segments to translate. A merged segment keeps the id and page of its
// lowest-indexed member and lists its glyph ids ascending; the ids of the
// segments it absorbed are gone. Without any display formula that a segment
// touches, the list comes back exactly as it came.
std::vector<Segment> restructure_segments_for_translation(std::vector<Segment> segments,
                                                          std::span<const Glyph> glyphs);

// The glyphs that stand on the page of the first one, in their order: a
// paragraph continued on the next page is measured on its first page only.
std::vector<const Glyph*> glyphs_on_first_page(std::span<const Glyph* const> glyphs);

// The area of glyphs of one page (touches_formula left false); none for no
// glyphs or a non-finite top.
std::optional<SegmentArea> segment_area(std::span<const Glyph* const> page_glyphs);

}  // namespace zvk::rewrite
