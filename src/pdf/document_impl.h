// Internal to src/pdf/: what a Document holds.
#pragma once

#include <qpdf/QPDF.hh>

#include "pdf/document.h"

namespace zvk::pdf {

struct Document::Impl {
    // The library reads from this buffer for the document's whole life.
    std::string bytes;
    QPDF qpdf;
    std::uint64_t max_decompressed_size = 0;
    bool memory_ran_out = false;
    // The lowest file version the edits need ("1.6"); empty for none.
    std::string minimum_version;
};

// Loads `impl.bytes` into `impl.qpdf` with the settings, the library's
// warnings silenced. Throws what the library throws.
void open_document(Document::Impl& impl, const LoadSettings& settings);

// A document from a file whose trailer was lost with its end, given back
// with a rebuilt one appended to the same bytes. None when what remains
// cannot be read as the document it was.
std::unique_ptr<Document::Impl> reopen_without_trailer(std::string&& bytes,
                                                       const LoadSettings& settings);

}  // namespace zvk::pdf
