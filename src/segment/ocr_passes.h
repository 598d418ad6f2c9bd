// Passes that keep recognition noise out of translation as "ocr" skips: the
// whole text layer of a page that reads as no English at all, the text layer
// of a scanned page (a page-sized image under garbled lines), and garbled
// lines anywhere.
#pragma once

#include <span>
#include <vector>

#include "content/records.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// A page whose joined line texts hold no English function word among more
// than five words, while more than one of its words looks misrecognised,
// loses all its glyphs. Appends to `skipped`.
void skip_ocr_pages(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

// Garbled lines go. On a page of at most 24 lines with fewer than 4 clean
// English lines, which an image covers for at least 0.45 of its media box,
// every line goes with them: that text layer came from recognition. Without
// regions or pages only the garbled lines go. Appends to `skipped`.
void skip_garbled_lines(std::vector<TextLine>& lines, std::span<const Region> regions,
                        std::span<const PageInfo> pages, std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
