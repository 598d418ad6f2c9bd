// The last step of segmentation: each chained block of lines becomes one or
// more translation segments whose text is the lines joined into running text,
// with words broken at a line-final hyphen put back together. Run-in labels,
// headings and over-long blocks are cut off into segments of their own.
#pragma once

#include <cstddef>
#include <vector>

#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// Past this many characters (scalar values) a block is cut, but only after a
// line that ends a sentence: one long sentence stays whole.
inline constexpr std::size_t kSegmentCharLimit = 1600;

// `blocks`: the chained blocks in their final order, each its lines in order
// (a block may run on across columns and pages). `skipped` passes through
// unchanged. Segments are numbered 0..n-1 in order and carry the page of their
// block's first line. A block of blank text gives no segment, and its glyphs
// are not listed as skipped either. Linear in the total text length.
SegmentationResult assemble_segments(const std::vector<std::vector<TextLine>>& blocks,
                                     std::vector<SkippedGlyph> skipped);

}  // namespace zvk
