// Contents entries whose title wrapped onto a short second line under the
// first: when segmentation made two records of one entry, the two accepted
// translations are joined so that the entry is placed as one text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/placement/translation_acceptance.h"
#include "translate/outcome.h"

namespace zvk::rewrite {

struct WrappedTocEntry {
    std::string joined_text;  // lead and continuation final texts, trimmed and joined
    std::vector<std::uint32_t> continuation_glyph_ids;
    std::size_t continuation_record = 0;
    float lead_top = 0.0f;
    float continuation_top = 0.0f;
    std::uint32_t page = 0;

    bool operator==(const WrappedTocEntry&) const = default;
};

// By the lead's record index, ascending.
using WrappedTocEntries = std::map<std::size_t, WrappedTocEntry>;

// A record that lies on one line, from its glyphs with non-blank text.
struct SingleLineSummary {
    std::string text;  // the record's source
    std::size_t record_index = 0;
    std::uint32_t page = 0;
    float top = 0.0f;    // largest baseline
    float left = 0.0f;   // smallest of origin x, box x0 and x1
    float right = 0.0f;  // largest of the same
    float size = 1.0f;   // largest font size, at least 1

    bool operator==(const SingleLineSummary&) const = default;
};

// None when no glyph has non-blank text or the baselines spread over more
// than 0.45 × the size.
std::optional<SingleLineSummary> summarize_single_line_segment(const AcceptedTranslation& accepted,
                                                               std::span<const TranslationRecord> records,
                                                               std::span<const Glyph> glyphs,
                                                               const GlyphIdIndex& glyph_index);

// The pairs of lead line and continuation among the accepted translations;
// a lead takes at most one continuation, the nearest one above it wins.
WrappedTocEntries find_wrapped_toc_entries(std::span<const AcceptedTranslation> accepted,
                                           std::span<const TranslationRecord> records,
                                           std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index);

}  // namespace zvk::rewrite
