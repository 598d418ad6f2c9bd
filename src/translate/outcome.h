// The two ends of a translation run's bookkeeping: merging the answers that
// batch requests return into the run's answer list and cache, and assembling
// the records and glyph dispositions once every unit has an answer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/core_error.h"
#include "content/records.h"
#include "segment/segmentation.h"
#include "translate/checkpoint.h"

namespace zvk {

// One translation unit's result, in unit order.
struct TranslationRecord {
    std::uint32_t id = 0;
    std::uint32_t page_index = 0;
    std::vector<std::uint32_t> glyph_ids;
    std::string source;
    std::string translated;  // may equal the source

    bool operator==(const TranslationRecord&) const = default;
};

struct TranslationOutcome {
    std::vector<TranslationRecord> translations;  // one per unit, every unit
    std::uint64_t calls = 0;
    std::uint64_t cache_hits = 0;
};

// One optional answer per unit, indexed by unit position.
using AnswerList = std::vector<std::optional<std::string>>;

// The answer a unit keeps when a new one arrives: an answer that reads as
// translated is never replaced by one that still reads as English.
std::string merge_slot_translation(std::string_view source, const std::optional<std::string>& previous,
                                   std::string new_text);

// Writes (unit index, text) pairs, in order, into the answers and the cache
// (which then maps the unit's source to the kept text, replacing any entry).
// Pairs whose index is past the units are dropped.
void apply_batch_results(std::span<const Segment> units, AnswerList& answers, TranslationCache& cache,
                         std::span<const std::pair<std::size_t, std::string>> pairs);

// The longest string of at least two CJK ideographs that occurs inside an
// ideograph run of every one of `answers`, when exactly one string has that
// length; nothing for a tie, for no common piece or for fewer than two
// answers. Time grows with the product of the answers' lengths, never with a
// cube of one of them.
std::optional<std::string> unique_longest_shared_ideographs(std::span<const std::string_view> answers);

// Checks that every unit has an answer, lends a one-word unit that came back
// unchanged the translation the other answers agree on, moves the glyphs of
// every unit outside the reference sections to "translated_pending_rewrite"
// with its answer, and builds the records. Fails with "segment {} was not
// translated" for a unit without an answer, or with a disposition error.
Result<TranslationOutcome> assemble_translation_outcome(std::span<Glyph> glyphs, std::span<const Segment> units,
                                                        const std::unordered_set<std::uint32_t>& reference_glyphs,
                                                        const AnswerList& answers, std::uint64_t calls,
                                                        std::uint64_t cache_hits);

}  // namespace zvk
