// The checkpoint cache: a file of JSON lines, named by ZVK_TRANSLATE_CHECKPOINT,
// that lets a repeated run reuse the answers of earlier runs, and the
// in-memory cache of one run that it fills.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "segment/segmentation.h"

namespace zvk {

// Source text (exact bytes) to translation; one per run, touched only by the
// calling thread.
using TranslationCache = std::unordered_map<std::string, std::string>;

// One unit's answer from a batch request.
struct BatchAnswer {
    std::size_t unit_index = 0;  // position in the run's unit list
    std::string translated;
    // Set when every request for the unit failed and `translated` is only its
    // source kept as it was; `error` then holds the last failure's display
    // text. Such an answer is reported by the run and never stored: a later
    // run would otherwise take the English for a translation.
    bool source_kept = false;
    std::string error;
};

// One line of the file, as read.
struct CheckpointEntry {
    std::string source;
    std::string translated;
};

// The compact line (no "\n") stored for one answer: "source", "target_lang"
// and "translated", keys in byte order.
std::string checkpoint_line(std::string_view source, std::string_view target_lang,
                            std::string_view translated);

// The usable entries of a checkpoint text for a run into `target_lang`, in
// file order. A line is used when it is valid UTF-8 and one JSON object with
// string members "source" and "translated" and, if it has one, a string
// "target_lang" equal to the run's (older lines have none and match). Other
// lines, a torn last line among them, are skipped one by one.
std::vector<CheckpointEntry> read_checkpoint_entries(std::string_view text,
                                                     std::string_view target_lang);

// Fills the run's cache from the file named by ZVK_TRANSLATE_CHECKPOINT: each
// usable entry (read_checkpoint_entries) with its translation normalised, a
// later line replacing an earlier one with the same source. True when the
// file was read, even without a usable line; false when the variable is
// unset or empty or the file can't be read. Never fails.
bool load_checkpoint_cache(TranslationCache& cache, std::string_view target_lang);

// A cached translation may stand as the unit's answer: it keeps the
// source's comma-list items, and either holds 8 or more CJK characters or is
// neither still English nor faulty by the answer tests.
bool accept_cached_translation(std::string_view source, std::string_view cached);

// Appends one line per answer to the file named by ZVK_TRANSLATE_CHECKPOINT
// (read at the time of the call; unset or empty: nothing), as one write under
// a process-wide lock, so that the blocks of concurrent batches never mix.
// Answers with `source_kept` are left out. Every failure is swallowed: the
// run goes on without the lines.
void append_checkpoint(std::span<const Segment> units, std::span<const BatchAnswer> answers,
                       std::string_view target_lang);

}  // namespace zvk
