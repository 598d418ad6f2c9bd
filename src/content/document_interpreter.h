// Extraction of a whole document: pages in order with their inherited boxes,
// rotation and resources, each page's content streams and annotation
// appearances interpreted within the limits and the page budget, glyph ids
// numbered.
#pragma once

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

}  // namespace zvk
