// The W, DW2 and W2 arrays of a CIDFont: horizontal widths and vertical
// metrics keyed by CID. Malformed stretches are skipped; nothing fails.
#pragma once

#include <optional>

#include "font/font.h"
#include "pdf/document.h"

namespace zvk::font {

// `w_object` is the W entry as stored; `default_width` is DW as read.
GlyphWidths parse_cid_widths(const pdf::Document& doc, const pdf::Object& w_object, float default_width);

// Each argument is the entry as stored, or none when absent.
VerticalMetrics parse_cid_vertical_metrics(const pdf::Document& doc, const std::optional<pdf::Object>& dw2_object,
                                           const std::optional<pdf::Object>& w2_object);

}  // namespace zvk::font
