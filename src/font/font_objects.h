// Small readers the font loaders share: numbers as the font dictionaries
// give them, saturating conversions, and font streams with their size bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pdf/document.h"
#include "pdf/object.h"

namespace zvk::font {

// An integer converted to f32 or a real kept; none for any other kind.
std::optional<float> number_value(const pdf::Object& resolved);

// A number converted to u32 by truncation with saturation: negative values
// and NaN give 0, values beyond the u32 range 4294967295. Other kinds give 0.
std::uint32_t number_to_u32(const pdf::Object& resolved);

// The dictionary's entry, resolved (null when absent).
pdf::Object resolved_entry(const pdf::Document& doc, const pdf::Object& dictionary,
                           const std::string& key);

// The stream's decoded bytes within the font-stream bound; none when no
// stream is reached or it cannot be decoded within the bound.
std::optional<std::string> load_font_stream(const pdf::Document& doc, const pdf::Object& object);

}  // namespace zvk::font
