// Passes that keep the furniture of a page out of translation; here, glyphs
// turned sideways (margin notices, rotated axis labels), which leave their
// runs as "margin" skips while the runs become text lines.
#pragma once

#include <vector>

#include "content/records.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// Turned by about 90 degrees: |b| > 1, |c| > 1, |a| ≤ 0.25 |b| and
// |d| ≤ 0.25 |c|.
bool is_rotated_glyph(const Glyph& glyph);

// Each run loses its rotated glyphs to `skipped` (reason "margin", in run and
// glyph order); the rest of the run, when any, becomes a text line.
std::vector<TextLine> skip_rotated_glyphs(std::vector<std::vector<const Glyph*>> runs,
                                          std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
