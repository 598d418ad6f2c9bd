#include "translate/outcome.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translate/answer_quality.h"
#include "translate/dispositions.h"

namespace zvk {

namespace {

// Sources of more words than this are too far from a one-word unit to say
// what the word means in them.
constexpr std::size_t kMaxBorrowSourceWords = 14;

// Marks the end of an ideograph run inside a flattened answer; never equal
// to an ideograph, so no match runs across it.
constexpr char32_t kRunEnd = 0;

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower_char(a[i]) != ascii_lower_char(b[i])) return false;
    }
    return true;
}

// Roman numerals (xii, MCM) read as words but are no words to translate.
bool is_roman_letters_only(std::string_view word) {
    return std::all_of(word.begin(), word.end(), [](char c) {
        const char lower = ascii_lower_char(c);
        return lower == 'c' || lower == 'd' || lower == 'i' || lower == 'l' || lower == 'm' || lower == 'v' ||
               lower == 'x';
    });
}

// The ideograph runs of a text, each followed by kRunEnd.
std::u32string ideograph_runs(std::string_view text) {
    std::u32string runs;
    bool in_run = false;
    for (const Utf8Step step : Utf8Range(text)) {
        if (is_cjk_ideograph(step.scalar)) {
            runs.push_back(step.scalar);
            in_run = true;
        } else if (in_run) {
            runs.push_back(kRunEnd);
            in_run = false;
        }
    }
    if (in_run) runs.push_back(kRunEnd);
    return runs;
}

bool has_two_ideographs_in_a_row(std::string_view text) {
    bool previous = false;
    for (const Utf8Step step : Utf8Range(text)) {
        const bool ideograph = is_cjk_ideograph(step.scalar);
        if (ideograph && previous) return true;
        previous = ideograph;
    }
    return false;
}

std::string to_utf8(std::u32string_view scalars) {
    std::string out;
    for (const char32_t c : scalars) append_utf8(out, c);
    return out;
}

}  // namespace

std::string merge_slot_translation(std::string_view source, const std::optional<std::string>& previous,
                                   std::string new_text) {
    if (!previous) return new_text;
    if (!is_still_english(source, *previous) && is_still_english(source, new_text)) return *previous;
    return new_text;
}

void apply_batch_results(std::span<const Segment> units, AnswerList& answers, TranslationCache& cache,
                         std::span<const std::pair<std::size_t, std::string>> pairs) {
    for (const auto& [index, text] : pairs) {
        if (index >= units.size() || index >= answers.size()) continue;
        const std::string& source = units[index].source;
        std::string merged = merge_slot_translation(source, answers[index], text);
        cache.insert_or_assign(source, merged);
        answers[index] = std::move(merged);
    }
}

std::optional<std::string> unique_longest_shared_ideographs(std::span<const std::string_view> answers) {
    if (answers.size() < 2) return std::nullopt;
    // Every common piece is a piece of the first answer's runs: for each of
    // its start positions, the longest match starting there in every other
    // answer (a common-suffix table walked backwards, one row at a time),
    // and the smallest of those over the other answers.
    const std::u32string first = ideograph_runs(answers[0]);
    const std::size_t n = first.size();
    if (n == 0) return std::nullopt;
    std::vector<std::size_t> common(n, SIZE_MAX);
    std::vector<std::size_t> row;
    std::vector<std::size_t> next_row;
    for (std::size_t k = 1; k < answers.size(); ++k) {
        const std::u32string other = ideograph_runs(answers[k]);
        const std::size_t m = other.size();
        row.assign(m + 1, 0);
        next_row.assign(m + 1, 0);
        for (std::size_t i = n; i-- > 0;) {
            std::size_t best = 0;
            for (std::size_t j = m; j-- > 0;) {
                const bool same = first[i] != kRunEnd && first[i] == other[j];
                row[j] = same ? next_row[j + 1] + 1 : 0;
                best = std::max(best, row[j]);
            }
            row[m] = 0;
            common[i] = std::min(common[i], best);
            std::swap(row, next_row);
        }
    }
    const std::size_t longest = *std::max_element(common.begin(), common.end());
    if (longest < 2) return std::nullopt;
    std::optional<std::u32string_view> found;
    const std::u32string_view whole(first);
    for (std::size_t i = 0; i < n; ++i) {
        if (common[i] != longest) continue;
        const std::u32string_view piece = whole.substr(i, longest);
        if (!found) {
            found = piece;
        } else if (*found != piece) {
            return std::nullopt;  // two different pieces of the greatest length
        }
    }
    return to_utf8(*found);
}

Result<TranslationOutcome> assemble_translation_outcome(std::span<Glyph> glyphs, std::span<const Segment> units,
                                                        const std::unordered_set<std::uint32_t>& reference_glyphs,
                                                        const AnswerList& answers, std::uint64_t calls,
                                                        std::uint64_t cache_hits) {
    std::vector<std::string> working;
    working.reserve(units.size());
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (k >= answers.size() || !answers[k]) {
            return fail(CoreError::translation("segment " + std::to_string(units[k].id) + " was not translated"));
        }
        working.push_back(*answers[k]);
    }
    // Borrowing reads the answers as they were before any unit borrowed, so
    // the order of the units never changes what a unit borrows.
    const std::vector<std::string> snapshot = working;

    for (std::size_t k = 0; k < units.size(); ++k) {
        const std::string_view source = trim_white_space(units[k].source);
        const std::string_view answer = trim_white_space(snapshot[k]);
        const std::vector<std::string_view> words = split_white_space_words(source);
        if (words.size() != 1) continue;
        const std::string_view word = words.front();
        if (!english_word_of(word)) continue;
        if (is_roman_letters_only(word)) continue;
        if (!equals_ignoring_ascii_case(answer, source)) continue;

        std::vector<std::string_view> candidates;
        for (std::size_t j = 0; j < units.size(); ++j) {
            const std::string_view other_source = units[j].source;
            if (equals_ignoring_ascii_case(trim_white_space(other_source), word)) continue;
            if (split_white_space_words(other_source).size() > kMaxBorrowSourceWords) continue;
            if (!contains_word_ignoring_case(other_source, word)) continue;
            if (contains_word_ignoring_case(snapshot[j], word)) continue;
            if (!has_two_ideographs_in_a_row(snapshot[j])) continue;  // it offers no piece
            candidates.push_back(snapshot[j]);
        }
        if (candidates.size() < 2) continue;
        const std::optional<std::string> borrowed = unique_longest_shared_ideographs(candidates);
        if (!borrowed) continue;
        const std::string& full = snapshot[k];
        const std::size_t lead = full.size() - trim_leading_white_space(full).size();
        const std::size_t trail = full.size() - trim_trailing_white_space(full).size();
        working[k] = full.substr(0, lead) + *borrowed + full.substr(full.size() - trail);
    }

    std::unordered_map<std::uint32_t, std::size_t> glyph_index;
    glyph_index.reserve(glyphs.size());
    for (std::size_t i = 0; i < glyphs.size(); ++i) glyph_index.try_emplace(glyphs[i].id, i);

    TranslationOutcome outcome;
    outcome.translations.reserve(units.size());
    for (std::size_t k = 0; k < units.size(); ++k) {
        const Segment& unit = units[k];
        const bool touches_references = std::any_of(unit.glyph_ids.begin(), unit.glyph_ids.end(),
                                                    [&](std::uint32_t id) { return reference_glyphs.contains(id); });
        if (!touches_references) {
            for (const std::uint32_t id : unit.glyph_ids) {
                const auto found = glyph_index.find(id);
                if (found != glyph_index.end() && glyphs[found->second].disposition.is_final()) continue;
                // An id no glyph has is planning's fault; the disposition
                // call reports it instead of dropping the unit's text.
                Result<void> set =
                    set_glyph_disposition(glyphs, id, GlyphDisposition::translated_pending_rewrite(working[k]));
                if (!set) return fail(set.error());
            }
        }
        outcome.translations.push_back({unit.id, unit.page_index, unit.glyph_ids, unit.source, working[k]});
    }
    outcome.calls = calls;
    outcome.cache_hits = cache_hits;
    return outcome;
}

}  // namespace zvk
