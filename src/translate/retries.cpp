#include "translate/retries.h"

#include <unordered_set>

#include "base/text.h"
#include "base/utf8.h"
#include "translate/answer_quality.h"
#include "translate/answer_text.h"
#include "translate/answers.h"
#include "translate/comma_lists.h"
#include "translate/placeholders.h"
#include "translate/prompts.h"
#include "translator/placeholder_token.h"

namespace zvk {
namespace {

// Which answer item a single-text request takes.
enum class ItemChoice {
    IdZero,            // the first item with id 0, nothing else
    IdZeroOrOnlyItem,  // that, or the one item of an answer holding exactly one
};

// One text sent alone under id 0 with no context. Every failure is nothing;
// so is an answer that still reads as the text itself.
std::optional<std::string> request_single_text(std::string_view text,
                                               std::string_view system_prompt, ItemChoice choice,
                                               const TranslateOptions& options,
                                               const TranslatorBackend& translator,
                                               std::uint64_t& calls) {
    ProtectedText prot = protect_text(text, options.glossary);
    PromptSegment segment{0, prot.text, {}, {}};
    Result<std::string> message = build_user_message(std::span<const PromptSegment>(&segment, 1));
    if (!message) return std::nullopt;
    ++calls;
    Result<std::string> answer = translate_prompt(translator, system_prompt, *message);
    if (!answer) return std::nullopt;
    Result<std::vector<AnswerItem>> items = parse_translation_answer(*answer);
    if (!items) return std::nullopt;
    const AnswerItem* picked = nullptr;
    for (const AnswerItem& item : *items) {
        if (item.id == 0) {
            picked = &item;
            break;
        }
    }
    if (picked == nullptr && choice == ItemChoice::IdZeroOrOnlyItem && items->size() == 1)
        picked = &items->front();
    if (picked == nullptr) return std::nullopt;
    auto restored = restore_answer_placeholders(picked->text, prot.originals);
    if (!restored) return std::nullopt;
    if (is_still_english(text, *restored)) return std::nullopt;
    return std::move(*restored);
}

// A CJK answer for the tolerant restoration holds one of U+3000-U+303F,
// U+3040-U+30FF, U+3400-U+9FFF, U+F900-U+FAFF, U+FF00-U+FFEF: CJK punctuation,
// kana, ideographs with extension A, compatibility ideographs, half- and
// full-width forms. That is exactly the answer tests' is_cjk_character.
bool holds_cjk_for_restoration(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_cjk_character(step.scalar)) return true;
    }
    return false;
}

// Every token ("⟦" digits "⟧") left in the answer is itself one of the spans.
// A token that is not would reach the rewrite raw, which reads it as the
// formula placeholder of that number.
bool tokens_left_are_spans(std::string_view answer, const std::vector<std::string>& originals) {
    std::unordered_set<std::string_view> spans(originals.begin(), originals.end());
    std::size_t at = 0;
    while ((at = answer.find(kOpenMark, at)) != std::string_view::npos) {
        const std::size_t length = placeholder_token_length(answer, at);
        if (length == 0) {
            at += kOpenMark.size();
            continue;
        }
        if (!spans.contains(answer.substr(at, length))) return false;
        at += length;
    }
    return true;
}

}  // namespace

std::expected<std::string, std::string> restore_answer_placeholders(
    std::string_view answer, const std::vector<std::string>& originals) {
    auto restored = restore_placeholders(answer, originals);
    if (restored) return restored;
    if (!holds_cjk_for_restoration(answer)) return restored;
    for (const std::string& span : originals) {
        if (span.empty()) return restored;
        const bool occurs =
            find_accepted_occurrence(answer, span, [](std::size_t) { return true; });
        if (!occurs) return restored;
    }
    if (!tokens_left_are_spans(answer, originals)) return restored;
    return std::string(answer);
}

std::optional<std::string> retranslate_paragraph_alone(std::string_view source,
                                                       const TranslateOptions& options,
                                                       const TranslatorBackend& translator,
                                                       std::uint64_t& calls) {
    const std::string prompt =
        build_paragraph_alone_prompt(language_display_name(options.target_lang));
    return request_single_text(source, prompt, ItemChoice::IdZeroOrOnlyItem, options, translator,
                               calls);
}

std::optional<std::string> retranslate_independently(std::string_view source,
                                                     const TranslateOptions& options,
                                                     const TranslatorBackend& translator,
                                                     std::uint64_t& calls) {
    const std::string prompt =
        build_independent_translator_prompt(language_display_name(options.target_lang));
    return request_single_text(source, prompt, ItemChoice::IdZero, options, translator, calls);
}

std::vector<std::string_view> split_into_sentences(std::string_view source) {
    std::vector<char32_t> chars;
    std::vector<std::size_t> offsets;
    for (Utf8Step step : Utf8Range(source)) {
        chars.push_back(step.scalar);
        offsets.push_back(step.offset);
    }
    std::vector<std::string_view> pieces;
    std::size_t piece_start = 0;  // byte offset
    std::size_t i = 0;
    while (i < chars.size()) {
        if (!is_sentence_end_at(chars, i)) {
            ++i;
            continue;
        }
        // The white space after the end stays with this piece; a closing
        // quotation mark is none and begins the next one.
        std::size_t next = i + 1;
        while (next < chars.size() && is_unicode_white_space(chars[next])) ++next;
        const std::size_t cut = next < chars.size() ? offsets[next] : source.size();
        pieces.push_back(source.substr(piece_start, cut - piece_start));
        piece_start = cut;
        i = next;
    }
    if (piece_start < source.size() || pieces.empty())
        pieces.push_back(source.substr(piece_start));
    return pieces;
}

std::optional<std::string> retranslate_by_sentences(std::string_view source,
                                                    const TranslateOptions& options,
                                                    const TranslatorBackend& translator,
                                                    std::uint64_t& calls) {
    const std::string prompt = build_system_prompt(options.source_lang, options.target_lang,
                                                   /*placeholder_hint=*/false,
                                                   /*copied_english_hint=*/true);
    std::string joined;
    for (std::string_view piece : split_into_sentences(source)) {
        if (trim_white_space(piece).empty()) {
            joined += piece;
            continue;
        }
        auto translated =
            request_single_text(piece, prompt, ItemChoice::IdZero, options, translator, calls);
        if (!translated) return std::nullopt;
        joined += *translated;
    }
    if (trim_white_space(joined) == trim_white_space(source)) return std::nullopt;
    return joined;
}

std::vector<FallbackAnswer> fallback_translate_segment(std::span<const Segment> units,
                                                       std::span<const std::size_t> batch,
                                                       const TranslateOptions& options,
                                                       const TranslatorBackend& translator,
                                                       std::uint64_t& calls) {
    std::vector<FallbackAnswer> answers;
    answers.reserve(batch.size());
    for (std::size_t unit_index : batch) {
        const std::string& source = units[unit_index].source;
        std::optional<std::string> text = retranslate_by_sentences(source, options, translator, calls);
        if (!text) text = retranslate_independently(source, options, translator, calls);
        if (text) answers.push_back({unit_index, std::move(*text), false});
        else answers.push_back({unit_index, source, true});
    }
    return answers;
}

}  // namespace zvk
