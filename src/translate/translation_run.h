// The translation stage of a document: which units need a request at all,
// answers from the checkpoint and from units of the same text, batches on a
// pool of workers, a second try for failed batches, still-English paragraphs
// sent alone, and the assembled outcome.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/core_error.h"
#include "base/options.h"
#include "content/records.h"
#include "segment/segmentation.h"
#include "translate/outcome.h"
#include "translator/select.h"

namespace zvk {

// A unit whose glyphs are mostly mathematics: at least three glyphs in math
// fonts (footnote markers in them count as letters), at most seven ASCII
// letters in other fonts, and more of the former. Glyph ids that
// `glyph_index` does not hold are skipped.
bool is_mostly_math_unit(const Segment& unit, std::span<const Glyph> glyphs,
                         const std::unordered_map<std::uint32_t, std::size_t>& glyph_index);

// How the calling thread watches a run. While workers translate, it asks
// `keep_going` about every 50 ms; once that says no, no more work is handed
// out, `stop` is raised (the translator's requests and pauses end at once),
// the workers are joined and the run fails with "interrupted". Batches that
// finished before keep their checkpoint lines. Without `keep_going` the run
// is not watched and the calling thread works as one of the workers.
struct RunWatch {
    std::function<bool()> keep_going;
    std::shared_ptr<std::atomic<bool>> stop;
};

inline constexpr std::string_view kRunInterrupted = "interrupted";

// Translates units already planned from `document` (their reference glyphs
// marked), on up to `jobs` (1 to 8) workers, and assembles the outcome. A
// failed batch never ends the run: its units keep their source and the
// document gets a diagnostic per unit. The run fails when assembly does,
// when a worker stops on an unexpected fault, and when no unit got a
// translation because the service refused the key (its 401 or 403 error).
Result<TranslationOutcome> translate_planned_units(ExtractedDocument& document, std::span<const Segment> units,
                                                   const std::unordered_set<std::uint32_t>& reference_glyphs,
                                                   const TranslateOptions& options,
                                                   const TranslatorBackend& translator, unsigned jobs,
                                                   const RunWatch& watch = {});

// The translation stage of `translate` and `save`: plans the units
// (plan_translation_units) and translates them (translate_planned_units).
// `jobs` is the resolved worker count, which the caller reads from the
// options.
Result<TranslationOutcome> translate_document(ExtractedDocument& document, const TranslateOptions& options,
                                              const TranslatorBackend& translator, unsigned jobs,
                                              const RunWatch& watch = {});

}  // namespace zvk
