// Extraction of a whole document: pages in order with their inherited boxes,
// rotation and resources, each page's content streams and annotation
// appearances interpreted within the limits and the page budget, glyph ids
// numbered.
#pragma once

#include <functional>
#include <vector>

#include "base/options.h"
#include "content/interpreter.h"
#include "content/records.h"
#include "pdf/document.h"

namespace zvk {

// The document's budget is kDocumentBudget bounded by the input's size.
ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits);
// The same with other budgets (tests use small ones).
ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits,
                                     const PageBudgetLimits& budget,
                                     const PageBudgetLimits& document_budget = kDocumentBudget);

// Receives the glyphs of each page, ids set, as soon as the page is read, so
// that a caller can work on them while the next pages are (the JSON of
// extract); called for every page read, in order, even without glyphs.
// Returns false to stop: no further page is read or listed (the caller
// drops the extraction, as when Ctrl-C ends the call).
using PageGlyphsSink = std::function<bool(std::vector<Glyph>&& page_glyphs)>;
// The same extraction (the budget bounded by the input), its glyphs handed to
// `take_page` instead of kept: the result holds everything else.
ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits,
                                     const PageGlyphsSink& take_page);

}  // namespace zvk
