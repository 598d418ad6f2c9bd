#include "translate/batches.h"

#include <array>
#include <optional>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "translate/prompts.h"
#include "translate/retries.h"
#include "translate/section_labels.h"
#include "translator/llm_client.h"

namespace zvk {
namespace {

// Every answer of a finished batch goes through the same clean-up: CJK
// hyphens removed, then the text normalised.
std::vector<BatchAnswer> finish_answers(std::vector<BatchAnswer> answers) {
    std::vector<std::pair<std::size_t, std::string>> texts;
    texts.reserve(answers.size());
    for (BatchAnswer& answer : answers) texts.emplace_back(answer.unit_index, std::move(answer.translated));
    texts = clean_answer_texts(std::move(texts));
    for (std::size_t i = 0; i < answers.size(); ++i) answers[i].translated = std::move(texts[i].second);
    return answers;
}

// The unit alone under the stricter prompt, its placeholders restored, or
// nothing on any failure or a still-English answer.
std::optional<std::string> request_stricter(const BatchInputs& in, const Segment& unit,
                                            std::uint64_t& calls) {
    ProtectedText prot = protect_text(unit.source, in.options.glossary);
    PromptSegment segment{unit.id, prot.text, {}, {}};
    Result<std::string> message = build_user_message(std::span<const PromptSegment>(&segment, 1));
    if (!message) return std::nullopt;
    const std::string prompt = build_stricter_prompt(language_display_name(in.options.target_lang));
    ++calls;
    Result<std::string> answer = translate_prompt(in.translator, prompt, *message);
    if (!answer) return std::nullopt;
    Result<std::vector<AnswerItem>> items = parse_translation_answer(*answer);
    if (!items) return std::nullopt;
    for (const AnswerItem& item : *items) {
        if (item.id != unit.id) continue;
        auto restored = restore_answer_placeholders(item.text, prot.originals);
        if (!restored || is_still_english(unit.source, *restored)) return std::nullopt;
        return std::move(*restored);
    }
    return std::nullopt;
}

}  // namespace

Result<std::vector<AnswerItem>> request_batch(const BatchInputs& in,
                                              std::span<const std::size_t> batch,
                                              std::uint64_t& calls, bool placeholder_hint,
                                              bool copied_english_hint) {
    std::vector<PromptSegment> segments;
    segments.reserve(batch.size());
    for (std::size_t unit_index : batch)
        segments.push_back(build_prompt_segment(in.units, in.protected_texts, unit_index,
                                                in.options.context_window));
    Result<std::string> message = build_user_message(segments);
    if (!message) return fail(std::move(message.error()));
    const std::string prompt = build_system_prompt(in.options.source_lang, in.options.target_lang,
                                                   placeholder_hint, copied_english_hint);
    ++calls;
    Result<std::string> answer = translate_prompt(in.translator, prompt, *message);
    if (!answer) return fail(std::move(answer.error()));
    Result<std::vector<AnswerItem>> items = parse_translation_answer(*answer);
    if (!items) return fail(std::move(items.error()));
    std::vector<AnswerItem> picked;
    picked.reserve(batch.size());
    for (std::size_t unit_index : batch) {
        const std::uint32_t id = in.units[unit_index].id;
        const AnswerItem* found = nullptr;
        for (const AnswerItem& item : *items) {
            if (item.id == id) {
                found = &item;
                break;
            }
        }
        if (found == nullptr)
            return fail(CoreError::translation("model omitted segment " + std::to_string(id)));
        picked.push_back(*found);
    }
    return picked;
}

std::expected<std::vector<BatchAnswer>, std::string> restore_batch_placeholders(
    std::span<const std::size_t> batch, std::span<const ProtectedText> protected_texts,
    std::span<const AnswerItem> items) {
    if (items.size() != batch.size())
        return std::unexpected("answer holds " + std::to_string(items.size()) + " items for " +
                               std::to_string(batch.size()) + " units");
    std::vector<BatchAnswer> answers;
    answers.reserve(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        auto restored = restore_placeholders(items[i].text, protected_texts[batch[i]].originals);
        if (!restored) return std::unexpected(std::move(restored.error()));
        answers.push_back({batch[i], std::move(*restored), false, {}});
    }
    return answers;
}

Result<std::vector<BatchAnswer>> request_batch_checked(const BatchInputs& in,
                                                       std::span<const std::size_t> batch,
                                                       std::uint64_t& calls) {
    auto first = request_batch(in, batch, calls, false, false);
    if (!first) return fail(std::move(first.error()));
    auto restored = restore_batch_placeholders(batch, in.protected_texts, *first);
    if (restored) return std::move(*restored);
    // Any restoration failure, a restoration past its size bound included,
    // is a lost placeholder: one repeat of the whole batch with the hint.
    auto second = request_batch(in, batch, calls, true, false);
    if (!second) return fail(std::move(second.error()));
    restored = restore_batch_placeholders(batch, in.protected_texts, *second);
    if (restored) return std::move(*restored);
    return fail(CoreError::translation("placeholder was not preserved after retry: " +
                                       restored.error()));
}

bool is_retryable_error(const CoreError& error) {
    static constexpr std::array<std::string_view, 13> kPhrases = {
        "timeout",
        "omitted segment",
        "invalid translation json",
        "did not contain a json",
        "no translations array",
        "missing id",
        "missing text",
        "placeholder was not preserved",
        "empty message.content",
        "http status 500",
        "http status 502",
        "http status 503",
        "http status 429",
    };
    const std::string lowered = ascii_lower(error.display());
    for (std::string_view phrase : kPhrases) {
        if (lowered.find(phrase) != std::string::npos) return true;
    }
    return is_transient_transport_error(lowered);
}

Result<std::vector<BatchAnswer>> translate_batch_with_retries(const BatchInputs& in,
                                                              std::span<const std::size_t> batch,
                                                              std::uint64_t& calls) {
    auto checked = request_batch_checked(in, batch, calls);
    if (!checked) {
        if (!is_retryable_error(checked.error())) return fail(std::move(checked.error()));
        if (batch.size() >= 2) {
            const std::size_t half = batch.size() / 2;
            auto first = translate_batch_with_retries(in, batch.first(half), calls);
            if (!first) return first;
            auto second = translate_batch_with_retries(in, batch.subspan(half), calls);
            if (!second) return second;
            first->insert(first->end(), std::make_move_iterator(second->begin()),
                          std::make_move_iterator(second->end()));
            return first;
        }
        checked = request_batch_checked(in, batch, calls);
        if (!checked) {
            // The fallbacks cannot fail. A unit left with its source carries
            // the flag and why the request failed, so that the run reports it
            // and the checkpoint never stores the English as a translation.
            const std::string why = checked.error().display();
            std::vector<BatchAnswer> answers;
            for (FallbackAnswer& fallback : fallback_translate_segment(
                     in.units, batch, in.options, in.translator, calls)) {
                answers.push_back({fallback.unit_index, std::move(fallback.text),
                                   fallback.source_kept,
                                   fallback.source_kept ? why : std::string()});
            }
            return finish_answers(std::move(answers));
        }
    }
    std::vector<BatchAnswer> answers = repair_copied_items(in, std::move(*checked), calls);
    answers = repair_flagged_items(in, std::move(answers), calls);
    return finish_answers(std::move(answers));
}

std::vector<BatchAnswer> repair_copied_items(const BatchInputs& in, std::vector<BatchAnswer> answers,
                                             std::uint64_t& calls) {
    auto still_english = [&](const BatchAnswer& answer) {
        return is_still_english(in.units[answer.unit_index].source, answer.translated);
    };
    std::vector<std::size_t> copied;
    for (const BatchAnswer& answer : answers) {
        if (still_english(answer)) copied.push_back(answer.unit_index);
    }
    if (copied.empty()) return answers;
    auto items = request_batch(in, copied, calls, false, true);
    if (items) {
        auto restored = restore_batch_placeholders(copied, in.protected_texts, *items);
        if (restored) {
            for (BatchAnswer& fresh : *restored) {
                for (BatchAnswer& answer : answers) {
                    if (answer.unit_index == fresh.unit_index) answer.translated = fresh.translated;
                }
            }
        }
    }
    for (BatchAnswer& answer : answers) {
        if (!still_english(answer)) continue;
        auto text = retranslate_by_sentences(in.units[answer.unit_index].source, in.options,
                                             in.translator, calls);
        if (text) answer.translated = std::move(*text);
    }
    for (BatchAnswer& answer : answers) {
        if (!still_english(answer)) continue;
        auto text = retranslate_independently(in.units[answer.unit_index].source, in.options,
                                              in.translator, calls);
        if (text) answer.translated = std::move(*text);
    }
    return answers;
}

std::vector<BatchAnswer> repair_flagged_items(const BatchInputs& in, std::vector<BatchAnswer> answers,
                                              std::uint64_t& calls) {
    for (BatchAnswer& answer : answers) {
        const Segment& unit = in.units[answer.unit_index];
        if (has_quality_problem(unit.source, answer.translated) == 0) continue;
        const std::string old = answer.translated;
        std::optional<std::string> fresh = request_stricter(in, unit, calls);
        const std::string& candidate = fresh ? *fresh : old;
        const WordsRepeatedInARow source_doubles(unit.source);
        std::string a = tidy_answer(source_doubles, candidate);
        std::string b = tidy_answer(source_doubles, old);
        answer.translated = has_quality_problem(unit.source, b) < has_quality_problem(unit.source, a)
                                ? std::move(b)
                                : std::move(a);
    }
    return answers;
}

std::string tidy_answer(const WordsRepeatedInARow& source_doubles, std::string_view answer) {
    const std::string_view rest = trim_leading_white_space(answer);
    std::string joined(answer.substr(0, answer.size() - rest.size()));
    const std::size_t prefix = joined.size();
    std::string_view last_kept;
    bool any_kept = false;
    for (std::string_view word : split_white_space_words(rest)) {
        if (any_kept && word == last_kept && !is_all_ascii_digits(word) &&
            !source_doubles.contains(word))
            continue;
        if (joined.size() > prefix) joined += ' ';
        joined += word;
        last_kept = word;
        any_kept = true;
    }
    std::string out;
    out.reserve(joined.size());
    std::size_t from = 0;
    for (const CjkSpaceGap& gap : find_cjk_space_gaps(joined)) {
        out.append(joined, from, gap.start - from);
        from = gap.end;
    }
    out.append(joined, from);
    return out;
}

std::string tidy_answer(std::string_view source, std::string_view answer) {
    return tidy_answer(WordsRepeatedInARow(source), answer);
}

}  // namespace zvk
