// Loading a PDF file with its load options, extracting it with its limits, and
// writing the edited document to the output path.
#pragma once

#include <string>

#include "api/options.h"
#include "base/core_error.h"
#include "content/document_interpreter.h"
#include "content/records.h"
#include "pdf/document.h"

namespace zvk {

pdf::LoadSettings build_pdf_load_settings(const LoadOptions& options);
// Reads the whole file and parses it. An unreadable file fails with "IO error"
// (anything but a regular file with the reason in parentheses); a PDF the
// reader refuses fails with the reader's text.
Result<pdf::Document> load_pdf_document(const std::string& path, const LoadOptions& options);
// Fails only when memory runs out; everything else the document does wrong is
// a diagnostic.
Result<ExtractedDocument> extract_document(const pdf::Document& document, const ExtractLimits& limits);
// The same, each page's glyphs handed to `take_page` as soon as the page is
// read (the result holds everything else).
Result<ExtractedDocument> extract_document(const pdf::Document& document, const ExtractLimits& limits,
                                           const PageGlyphsSink& take_page);
Result<ExtractedDocument> extract_document_default_limits(const pdf::Document& document);
Result<void> save_pdf_document(pdf::Document& document, const std::string& output);

}  // namespace zvk
