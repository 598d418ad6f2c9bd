// Extraction of a whole document: pages in order with their inherited boxes
// and rotation, each page's content interpreted, glyph ids numbered.
#pragma once

#include "api/options.h"
#include "content/records.h"
#include "pdf/document.h"

namespace zvk {

ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits);

}  // namespace zvk
