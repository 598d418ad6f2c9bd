// The first step of a translation run: the units to translate from the
// extraction, and the final "kept_original" dispositions of the glyphs that
// stay as they are (reference sections, and what segmentation left out).
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "base/core_error.h"
#include "base/options.h"
#include "content/records.h"
#include "segment/segmentation.h"

namespace zvk {

struct TranslationPlan {
    std::vector<Segment> units;  // in the order the formula pass returns them
    // Glyph ids inside reference sections; empty when they are translated.
    std::unordered_set<std::uint32_t> reference_glyphs;
};

// Segments the document, restructures the segments around display formulas,
// and marks reference glyphs "references" (with skip_references) and the
// glyphs segmentation skipped with its reason, except glyphs already final
// and glyphs that a unit carries inside a formula placeholder. Fails with
// "batch_size must be at least 1" before touching anything, or with the first
// disposition error.
Result<TranslationPlan> plan_translation_units(ExtractedDocument& document, const TranslateOptions& options);

}  // namespace zvk
