// Dispositions printed as their state word and payload when a comparison
// fails, instead of their bytes.
#pragma once

#include <ostream>

#include "content/records.h"

namespace zvk {

inline void PrintTo(const GlyphDisposition& disposition, std::ostream* os) {
    *os << disposition_state_word(disposition.state) << "(\"" << disposition.payload << "\")";
}

}  // namespace zvk
