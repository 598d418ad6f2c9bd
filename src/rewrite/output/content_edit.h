// Removing the source drawing of replaced glyphs: the show operations that
// drew them are overwritten with spaces inside their decoded content streams
// (lengths kept, so every recorded byte range stays valid), and the glyphs
// whose drawing really went are handed to the run writer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/options.h"
#include "content/records.h"
#include "pdf/document.h"
#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/placement/operator_map.h"
#include "rewrite/placement/text_run.h"
#include "rewrite/placement/translation_acceptance.h"  // kKeepSharedOperator

namespace zvk::rewrite {

inline constexpr std::string_view kKeepNoStream = "no-stream";
inline constexpr std::string_view kOperatorRangeOutside = "operator range is outside the content stream";

// Blanks the show operations of the glyphs of `replaced_glyph_ids` that have
// no keep reason. Nothing happens in overlay mode or for an empty set.
//
// An operation is blanked only when every glyph it shows that carries
// visible text (all its drawings: a form on several pages is one
// operation) is replaced without a keep reason; otherwise its replaced
// glyphs keep their drawing as "shared-operator". A blanked Tj or TJ that a
// kept show follows in its text line gets, in its place, a TJ of one number
// that moves the text position as the blanked text did; where that cannot be
// written in the operation's bytes the operation stays ("shared-operator").
// For ' and " only the string goes: their line move and spacing stay. A Tj
// or TJ whose operand ends the page's previous content stream (some writers
// split content there) has that operand blanked there too.
//
// A run of `page_runs` is removed unless every glyph it replaces (replaced
// without a keep reason when this starts) ends blanked, so translated text is
// never drawn over source text that is still there; the other glyphs of a
// removed run keep their drawing too ("shared-operator"). These rules feed
// each other and are settled together.
//
// Every stream is read and checked (found, a stream, decodable, its ranges
// those of show operations) before any is written: when one fails, no stream
// changes, every run that replaces glyphs is removed and the failure's
// message becomes the keep reason of every replaced glyph. A glyph without a
// stream reference keeps its drawing as "no-stream".
void blank_replaced_operations(pdf::Document& doc, std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index,
                               const OperatorGlyphs& operator_map, const std::unordered_set<std::uint32_t>& replaced_glyph_ids,
                               GlyphReasons& keep_reasons, std::vector<TextRun>& page_runs, OutputMode output_mode);

// The replaced glyphs without a keep reason: those whose drawing went.
std::unordered_set<std::uint32_t> collect_blanked_glyph_ids(const std::unordered_set<std::uint32_t>& replaced_glyph_ids, const GlyphReasons& keep_reasons);

}  // namespace zvk::rewrite
