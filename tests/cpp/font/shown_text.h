// Test helper: the strings a page shows and the font resources they are
// shown with, read by a small content-stream scanner (Tf, Tj, ', ", TJ, and
// Do of forms one level deep), then decoded through the font subsystem. It
// stands in for content interpretation so font decoding can be checked on
// real files against an independent extractor's text.
#pragma once

#include <string>
#include <vector>

#include "pdf/document.h"

namespace zvk::font::test {

// The decoded text of every page, page after page, codes without text
// skipped; whitespace is kept as decoded.
std::string decoded_document_text(const pdf::Document& doc);

// The same text without any whitespace, for comparing letters in order.
std::string without_whitespace(const std::string& text);

// Whether the shared corpus is where the build says it is.
bool corpus_available();
pdf::Document load_corpus_pdf(const std::string& relative_path);

}  // namespace zvk::font::test
