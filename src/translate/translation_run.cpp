#include "translate/translation_run.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "base/workers.h"
#include "rewrite/geometry/glyph_classes.h"
#include "translate/answer_quality.h"
#include "translate/batches.h"
#include "translate/checkpoint.h"
#include "translate/placeholders.h"
#include "translate/planning.h"
#include "translate/retries.h"

namespace zvk {

namespace {

constexpr std::size_t kDiagnosticSourceChars = 80;

std::string first_chars(std::string_view text, std::size_t count) {
    std::size_t taken = 0;
    for (const Utf8Step step : Utf8Range(text)) {
        if (taken == count) return std::string(text.substr(0, step.offset));
        ++taken;
    }
    return std::string(text);
}

void add_unchanged_diagnostic(ExtractedDocument& document, const Segment& unit, std::string_view error) {
    document.diagnostics.push_back(
        {unit.page_index, "left a paragraph unchanged after the translation request failed: " +
                              first_chars(unit.source, kDiagnosticSourceChars) + " (" + std::string(error) + ")"});
}

// A refused key fails every request alike; a run that translated nothing
// because of it must say so instead of returning the English as a result.
std::optional<std::string> authentication_failure(std::string_view error) {
    for (const char* status : {"HTTP status 401", "HTTP status 403"}) {
        if (error.find(status) != std::string_view::npos) return std::string(error);
    }
    return std::nullopt;
}

constexpr std::string_view kTranslationPrefix = "translation failed: ";

// The answers of one batch request, split into the answers that count and
// the units whose requests all failed (their error text).
struct BatchOutcome {
    std::vector<std::pair<std::size_t, std::string>> pairs;
    std::vector<std::pair<std::size_t, std::string>> flagged;
};

BatchOutcome split_answers(std::vector<BatchAnswer>&& answers) {
    BatchOutcome out;
    for (BatchAnswer& answer : answers) {
        if (answer.source_kept) {
            out.flagged.emplace_back(answer.unit_index, std::move(answer.error));
        } else {
            out.pairs.emplace_back(answer.unit_index, std::move(answer.translated));
        }
    }
    return out;
}

}  // namespace

bool is_mostly_math_unit(const Segment& unit, std::span<const Glyph> glyphs,
                         const std::unordered_map<std::uint32_t, std::size_t>& glyph_index) {
    if (unit.glyph_ids.empty() || glyphs.empty()) return false;
    std::size_t letters = 0;
    std::size_t math = 0;
    for (const std::uint32_t id : unit.glyph_ids) {
        const auto found = glyph_index.find(id);
        if (found == glyph_index.end()) continue;
        const Glyph& glyph = glyphs[found->second];
        if (!rewrite::is_math_font_name(glyph.font_name) || rewrite::is_footnote_marker_text(glyph.unicode)) {
            for (const char c : glyph.unicode) letters += is_ascii_letter(static_cast<unsigned char>(c)) ? 1 : 0;
        } else {
            ++math;
        }
    }
    return math >= 3 && letters <= 7 && math > letters;
}

Result<TranslationOutcome> translate_planned_units(ExtractedDocument& document, std::span<const Segment> units,
                                                   const std::unordered_set<std::uint32_t>& reference_glyphs,
                                                   const TranslateOptions& options,
                                                   const TranslatorBackend& translator, unsigned jobs,
                                                   const RunWatch& watch) {
    jobs = std::clamp(jobs, 1u, 8u);
    // Set once the watcher says stop: workers take no more work.
    std::atomic<bool> interrupted{false};
    auto pool = [&](unsigned count, const std::function<Result<void>(unsigned)>& body) -> Result<void> {
        if (!watch.keep_going) return run_workers(count, body);
        return run_workers_watched(count, body, watch.keep_going, [&] {
            interrupted.store(true);
            if (watch.stop) watch.stop->store(true);
        });
    };
    auto stop_check = [&]() -> Result<void> {
        if (interrupted.load()) return fail(CoreError::message(std::string(kRunInterrupted)));
        return {};
    };
    std::unordered_map<std::uint32_t, std::size_t> glyph_index;
    glyph_index.reserve(document.glyphs.size());
    for (std::size_t i = 0; i < document.glyphs.size(); ++i) glyph_index.try_emplace(document.glyphs[i].id, i);

    std::vector<ProtectedText> protected_texts;
    protected_texts.reserve(units.size());
    for (const Segment& unit : units) protected_texts.push_back(protect_text(unit.source, options.glossary));

    AnswerList answers(units.size());
    std::vector<bool> is_reference(units.size(), false);
    for (std::size_t k = 0; k < units.size(); ++k) {
        is_reference[k] = std::any_of(units[k].glyph_ids.begin(), units[k].glyph_ids.end(),
                                      [&](std::uint32_t id) { return reference_glyphs.contains(id); });
        if (is_reference[k]) answers[k] = units[k].source;
    }

    for (std::size_t k = 0; k < units.size(); ++k) {
        if (answers[k]) continue;
        const Segment& unit = units[k];
        if (trim_white_space(unit.source).empty() || is_link_only_text(unit.source) ||
            is_mostly_math_unit(unit, document.glyphs, glyph_index)) {
            answers[k] = unit.source;
        }
    }

    std::uint64_t calls = 0;
    std::uint64_t cache_hits = 0;
    // Units whose answer came from a request or the cache, not their source.
    std::size_t translated_units = 0;
    TranslationCache cache;
    if (load_checkpoint_cache(cache, options.target_lang)) {
        for (std::size_t k = 0; k < units.size(); ++k) {
            if (answers[k]) continue;
            const auto found = cache.find(units[k].source);
            if (found == cache.end()) continue;
            if (accept_cached_translation(units[k].source, found->second)) {
                answers[k] = found->second;
                ++cache_hits;
                ++translated_units;
            } else {
                // A refused entry must not answer this text's duplicates
                // later, when the text's own batch fails.
                cache.erase(found);
            }
        }
    }

    std::vector<std::vector<std::size_t>> batches;
    std::vector<bool> batched(units.size(), false);
    {
        std::unordered_set<std::string_view> seen;
        std::vector<std::size_t> current;
        const std::size_t size = static_cast<std::size_t>(std::max<std::uint64_t>(options.batch_size, 1));
        for (std::size_t k = 0; k < units.size(); ++k) {
            if (answers[k] || !seen.insert(units[k].source).second) continue;
            current.push_back(k);
            batched[k] = true;
            if (current.size() == size) batches.push_back(std::exchange(current, {}));
        }
        if (!current.empty()) batches.push_back(std::move(current));
    }

    const BatchInputs inputs{units, protected_texts, options, translator};
    std::map<std::size_t, std::string> flagged;  // unit index to its last error
    std::optional<std::string> auth_error;
    auto note_error = [&](std::string_view error) {
        if (!auth_error) auth_error = authentication_failure(error);
    };
    auto apply = [&](BatchOutcome&& outcome) {
        for (auto& [index, error] : outcome.flagged) {
            note_error(error);
            flagged[index] = std::move(error);
        }
        for (const auto& pair : outcome.pairs) {
            if (pair.first < units.size()) flagged.erase(pair.first);
        }
        translated_units += outcome.pairs.size();
        apply_batch_results(units, answers, cache, outcome.pairs);
    };

    // First pass: every batch once, on up to `jobs` workers, each batch
    // taken by exactly one worker.
    std::vector<std::optional<BatchOutcome>> first_pass(batches.size());
    std::vector<std::size_t> failed_batches;
    if (!batches.empty()) {
        std::atomic<std::size_t> next{0};
        std::atomic<std::uint64_t> shared_calls{0};
        std::mutex failed_lock;
        const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(jobs, batches.size()));
        const Result<void> pooled = pool(workers, [&](unsigned) -> Result<void> {
            for (;;) {
                if (interrupted.load()) return {};
                const std::size_t i = next.fetch_add(1);
                if (i >= batches.size()) return {};
                std::uint64_t own_calls = 0;
                Result<std::vector<BatchAnswer>> answered =
                    translate_batch_with_retries(inputs, batches[i], own_calls);
                shared_calls.fetch_add(own_calls);
                if (answered) {
                    append_checkpoint(units, *answered, options.target_lang);
                    first_pass[i] = split_answers(std::move(*answered));
                } else {
                    const std::lock_guard lock(failed_lock);
                    failed_batches.push_back(i);
                }
            }
        });
        calls += shared_calls.load();
        if (auto stopped = stop_check(); !stopped) return fail(stopped.error());
        if (!pooled) return fail(pooled.error());
    }
    for (auto& outcome : first_pass) {
        if (outcome) apply(std::move(*outcome));
    }

    // The second try, one batch after another (on a thread of its own when
    // the run is watched, so that the caller can see Ctrl-C meanwhile).
    std::vector<std::optional<Result<std::vector<BatchAnswer>>>> second_try(failed_batches.size());
    if (!failed_batches.empty()) {
        const Result<void> pooled = pool(1, [&](unsigned) -> Result<void> {
            for (std::size_t f = 0; f < failed_batches.size() && !interrupted.load(); ++f) {
                second_try[f] = translate_batch_with_retries(inputs, batches[failed_batches[f]], calls);
                if (*second_try[f]) append_checkpoint(units, **second_try[f], options.target_lang);
            }
            return {};
        });
        if (auto stopped = stop_check(); !stopped) return fail(stopped.error());
        if (!pooled) return fail(pooled.error());
    }
    for (std::size_t f = 0; f < failed_batches.size(); ++f) {
        Result<std::vector<BatchAnswer>>& answered = *second_try[f];
        if (answered) {
            apply(split_answers(std::move(*answered)));
            continue;
        }
        const std::string error = answered.error().display();
        note_error(error);
        for (const std::size_t k : batches[failed_batches[f]]) {
            if (answers[k]) continue;
            answers[k] = units[k].source;
            add_unchanged_diagnostic(document, units[k], error);
        }
    }

    for (std::size_t k = 0; k < units.size(); ++k) {
        if (answers[k]) continue;
        const auto found = cache.find(units[k].source);
        if (found != cache.end()) {
            answers[k] = found->second;
            ++cache_hits;
            ++translated_units;
        } else {
            answers[k] = units[k].source;
        }
    }

    // Still-English answers, each paragraph sent alone.
    std::vector<std::size_t> candidates;
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (batched[k] && answers[k] && is_still_english(units[k].source, *answers[k])) candidates.push_back(k);
    }
    std::vector<std::pair<std::size_t, std::string>> retried;
    if (!candidates.empty()) {
        std::atomic<std::size_t> next{0};
        std::atomic<std::uint64_t> shared_calls{0};
        std::mutex retried_lock;
        // One candidate, or one job, is sent from a single worker.
        const unsigned workers =
            jobs < 2 ? 1u : static_cast<unsigned>(std::min<std::size_t>(jobs, candidates.size()));
        const Result<void> pooled = pool(workers, [&](unsigned) -> Result<void> {
            for (;;) {
                if (interrupted.load()) return {};
                const std::size_t c = next.fetch_add(1);
                if (c >= candidates.size()) return {};
                std::uint64_t own_calls = 0;
                auto text = retranslate_paragraph_alone(units[candidates[c]].source, options, translator, own_calls);
                shared_calls.fetch_add(own_calls);
                if (text) {
                    // This answer replaces the batch's for good: a later run
                    // must find it in the file rather than pay for it again.
                    BatchAnswer kept;
                    kept.unit_index = candidates[c];
                    kept.translated = *text;
                    append_checkpoint(units, std::span(&kept, 1), options.target_lang);
                    const std::lock_guard lock(retried_lock);
                    retried.emplace_back(candidates[c], std::move(*text));
                }
            }
        });
        calls += shared_calls.load();
        if (auto stopped = stop_check(); !stopped) return fail(stopped.error());
        if (!pooled) return fail(pooled.error());
    }
    for (const auto& [index, text] : retried) {
        const std::string& source = units[index].source;
        for (std::size_t k = 0; k < units.size(); ++k) {
            // Reference units keep their source whatever text they share.
            if (is_reference[k] || units[k].source != source) continue;
            answers[k] = text;
            flagged.erase(k);
        }
        cache.insert_or_assign(source, text);
        ++translated_units;
    }

    for (const auto& [index, error] : flagged) add_unchanged_diagnostic(document, units[index], error);

    if (translated_units == 0 && auth_error) {
        std::string_view cause = *auth_error;
        if (cause.starts_with(kTranslationPrefix)) cause.remove_prefix(kTranslationPrefix.size());
        return fail(CoreError::translation(std::string(cause)));
    }

    return assemble_translation_outcome(document.glyphs, units, reference_glyphs, answers, calls, cache_hits);
}

Result<TranslationOutcome> translate_document(ExtractedDocument& document, const TranslateOptions& options,
                                              const TranslatorBackend& translator, unsigned jobs,
                                              const RunWatch& watch) {
    Result<TranslationPlan> plan = plan_translation_units(document, options);
    if (!plan) return fail(plan.error());
    return translate_planned_units(document, plan->units, plan->reference_glyphs, options, translator, jobs,
                                   watch);
}

}  // namespace zvk
