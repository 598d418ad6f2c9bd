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
};

}  // namespace zvk::pdf
