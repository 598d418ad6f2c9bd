// Asking the translator again for one text alone, with prompts that say the
// earlier replies copied the English: the paragraph sent alone, an
// independent second translator, the text sent sentence by sentence, and the
// chain a unit falls back to when its batch failed twice. None of them fails:
// each yields a text or nothing, and every request it sends adds 1 to the
// caller's counter just before it goes out, failed ones too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/options.h"
#include "segment/segmentation.h"
#include "translator/select.h"

namespace zvk {

// The whole text under the paragraph-alone prompt. An answer whose only item
// carries another id than 0 is taken as well: a model asked for one
// paragraph sometimes numbers it as it likes.
std::optional<std::string> retranslate_paragraph_alone(std::string_view source,
                                                       const TranslateOptions& options,
                                                       const TranslatorBackend& translator,
                                                       std::uint64_t& calls);

// The whole text under the independent-translator prompt.
std::optional<std::string> retranslate_independently(std::string_view source,
                                                     const TranslateOptions& options,
                                                     const TranslatorBackend& translator,
                                                     std::uint64_t& calls);

// Each sentence on its own under the batch prompt with the copied-English
// hint, joined with nothing between them. The first sentence that gives
// nothing ends the retry (later ones are not sent); a result that is the
// source again, both trimmed, is nothing.
std::optional<std::string> retranslate_by_sentences(std::string_view source,
                                                    const TranslateOptions& options,
                                                    const TranslatorBackend& translator,
                                                    std::uint64_t& calls);

// The pieces retranslate_by_sentences sends: a piece ends after a sentence
// end (is_sentence_end_at) and the white space right after it, so a closing
// quotation mark begins the next piece. Views into the text, covering it
// without gap; a text without a cut is its own only piece.
std::vector<std::string_view> split_into_sentences(std::string_view source);

// The answer of one unit whose batch failed twice.
struct FallbackAnswer {
    std::size_t unit_index = 0;
    std::string text;
    // Both retries gave nothing and `text` is the unit's source as it came.
    // Told by this flag, never by comparing texts: a real translation may
    // equal its source (a name, a formula).
    bool source_kept = false;
    bool operator==(const FallbackAnswer&) const = default;
};

// For every unit index of the batch, in order: the sentence-wise retry, else
// the independent retry, else the source unchanged (flagged).
std::vector<FallbackAnswer> fallback_translate_segment(std::span<const Segment> units,
                                                       std::span<const std::size_t> batch,
                                                       const TranslateOptions& options,
                                                       const TranslatorBackend& translator,
                                                       std::uint64_t& calls);

// restore_placeholders, or, when it fails, the answer unchanged if it is a
// CJK answer in which the model wrote every protected span out instead of its
// token, and no token is left in it that is not itself one of the spans (a
// formula token the source carried as its own text). Otherwise the failure's
// message.
std::expected<std::string, std::string> restore_answer_placeholders(
    std::string_view answer, const std::vector<std::string>& originals);

}  // namespace zvk
