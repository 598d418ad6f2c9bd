// One batch of translation units from its first request to one finished
// answer per unit: the batch request, one repeat when a placeholder did not
// come back, halving on errors worth retrying, the second try and fallbacks
// of a single unit, and two repair passes over the answers of a successful
// request (copied English, quality problems). Plain functions; besides their
// result they change only the caller's request counter, which every request
// increments just before it is sent. Safe on several threads at once, each
// with its own batch and counter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_error.h"
#include "base/options.h"
#include "segment/segmentation.h"
#include "translate/answer_quality.h"
#include "translate/answers.h"
#include "translate/checkpoint.h"
#include "translate/placeholders.h"
#include "translator/select.h"

namespace zvk {

// What every request of a batch reads: the run's units, their protected texts
// (parallel to the units), the options and the translator. Shared read-only.
struct BatchInputs {
    std::span<const Segment> units;
    std::span<const ProtectedText> protected_texts;
    const TranslateOptions& options;
    const TranslatorBackend& translator;
};

// One finished answer per batch index, in batch order, or the first error
// that is not worth retrying. A unit whose two checked requests failed and
// whose fallbacks gave nothing comes back as its source with `source_kept`
// set and the second request's error text in `error`.
Result<std::vector<BatchAnswer>> translate_batch_with_retries(const BatchInputs& in,
                                                              std::span<const std::size_t> batch,
                                                              std::uint64_t& calls);

// The batch request, with a repeat under the placeholder hint when the
// answer lost a placeholder; a second loss is a retryable error.
Result<std::vector<BatchAnswer>> request_batch_checked(const BatchInputs& in,
                                                       std::span<const std::size_t> batch,
                                                       std::uint64_t& calls);

// One request: the item of each batch index (the first with its segment id),
// in batch order, or "model omitted segment {id}" for the first unit without one.
Result<std::vector<AnswerItem>> request_batch(const BatchInputs& in,
                                              std::span<const std::size_t> batch,
                                              std::uint64_t& calls, bool placeholder_hint,
                                              bool copied_english_hint);

// Each item's text (items parallel to the batch, as request_batch gives
// them) with the placeholders of its unit put back, or the first restoration
// failure's message; items that are not one per unit are a failure too.
std::expected<std::vector<BatchAnswer>, std::string> restore_batch_placeholders(
    std::span<const std::size_t> batch, std::span<const ProtectedText> protected_texts,
    std::span<const AnswerItem> items);

// The error's display text, ASCII lower-cased, names a time limit, a lost or
// unreadable answer, blank content, status 500, 502, 503 or 429, or a
// transient transport failure.
bool is_retryable_error(const CoreError& error);

// Answers still reading as their English source: asked again together under
// the copied-English hint, then sentence by sentence, then by an independent
// translator. Never fails; an answer is only replaced.
std::vector<BatchAnswer> repair_copied_items(const BatchInputs& in, std::vector<BatchAnswer> answers,
                                             std::uint64_t& calls);

// Answers with a quality problem: asked again alone under the stricter
// prompt; the tidied new answer replaces the old one unless the tidied old one
// has fewer problems. Never fails.
std::vector<BatchAnswer> repair_flagged_items(const BatchInputs& in, std::vector<BatchAnswer> answers,
                                              std::uint64_t& calls);

// The answer with its leading white space kept, words joined by single
// spaces, a word repeated right after itself dropped (unless it is all digits
// or the source doubles it too), and the gaps find_cjk_space_gaps reports
// removed.
std::string tidy_answer(std::string_view source, std::string_view answer);
// The same with the source's doubled words collected once by the caller.
std::string tidy_answer(const WordsRepeatedInARow& source_doubles, std::string_view answer);

}  // namespace zvk
