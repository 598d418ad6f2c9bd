// The closing decision of the rewrite: every glyph still open ends final,
// from the words and sets the earlier stages left: "non_text" for invisible
// glyphs, "kept_original" with the recorded keep reason, "rewritten" with the
// translation for glyphs whose drawing was really replaced, and a reason for
// everything left over.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/core_error.h"
#include "content/records.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/placement/operator_map.h"
#include "translate/outcome.h"

namespace zvk::rewrite {

// What is left over is "untranslated" in a translation into Chinese (or
// another CJK target) and "kept" otherwise; a written record's glyph whose
// source drawing stays is "kept" too.
inline constexpr std::string_view kKeptUntranslated = "untranslated";
inline constexpr std::string_view kKeptAsIs = "kept";

struct DispositionInputs {
    const GlyphIdIndex& glyph_index;
    const GlyphReasons& non_text_reasons;
    const GlyphReasons& keep_reasons;
    std::span<const TranslationRecord> records;
    const GlyphIdSet& blanked_glyph_ids;
    bool cjk_target = false;
    // Over the interlinear layout nothing is blanked: the English stays drawn
    // under every translation, so a written record rewrites all its glyphs.
    bool overlay = false;
};

// The ids of the glyphs still "pending" or "translated_pending_rewrite", in
// list order.
std::vector<std::uint32_t> collect_unresolved_glyph_ids(std::span<const Glyph> glyphs);

// "kept_original" with a copy of `reason`, through set_glyph_disposition.
Result<void> keep_glyph_with_reason(std::span<Glyph> glyphs, std::uint32_t id, std::string_view reason);

// Four passes, each over open glyphs only (final ones are never touched):
//  1. every entry of non_text_reasons: "non_text" with its word;
//  2. every entry of keep_reasons: "kept_original" with its word;
//  3. every record, in order, that has a blanked glyph not "kept_original":
//     its open glyphs become "rewritten" with the record's translated text,
//     except (outside overlay) those not blanked, whose source is still
//     drawn: they are "kept", never claimed as rewritten;
//  4. every glyph still open: "untranslated" with a CJK target, else "kept".
// Ends at the first refused change (an id the document lacks) with its error;
// dispositions set before it stay.
Result<void> settle_final_dispositions(std::span<Glyph> glyphs, const DispositionInputs& inputs);

}  // namespace zvk::rewrite
