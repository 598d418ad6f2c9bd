// The fixed orders of the rewrite stage's own lists: translation records in
// reading order, candidate runs in reading order, and monospace glyphs by
// baseline. Glyphs by origin x and by position use the shared orders of
// segment/glyph_order.h. Every sort is stable and compares float keys by
// the IEEE total order, so a NaN has a fixed place and -0 sorts before +0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "content/records.h"
#include "rewrite/placement/record_order.h"
#include "rewrite/placement/text_run.h"

namespace zvk::rewrite {


// page: that of the first of the record's glyph ids that names a glyph;
// top: the largest origin y of the named glyphs, NaN skipped, starting from
// the lowest finite float. No glyph named: page 0, top 0. `glyph_by_id` is
// indexed by glyph id, null (or past its end) where no glyph has that id.
RecordPosition record_position(std::span<const std::uint32_t> glyph_ids, std::span<const Glyph* const> glyph_by_id);


// Indices into `runs`: page ascending, baseline descending, x ascending.
void sort_run_indices_reading_order(std::vector<std::size_t>& indices, std::span<const TextRun> runs);

// Origin y descending and nothing else: glyphs on one baseline keep their order.
void sort_glyphs_by_baseline(std::vector<const Glyph*>& glyphs);

}  // namespace zvk::rewrite
