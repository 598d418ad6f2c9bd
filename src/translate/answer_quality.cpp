#include "translate/answer_quality.h"

#include <algorithm>
#include <array>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/text_trims.h"
#include "translate/answer_text.h"
#include "translate/comma_lists.h"
#include "translate/proper_names.h"

namespace zvk {

namespace {

// Both texts this long in ASCII letters are two English texts.
constexpr std::size_t kLongEnglishLetters = 40;
// A source this long answered with dots only was not translated.
constexpr std::size_t kDotsOnlySourceLetters = 8;
// Identical texts count as copied English from this many words and letters.
constexpr std::size_t kMinTranslatableWords = 2;
constexpr std::size_t kMinTranslatableLetters = 8;
// Acronyms that may stay as they are ("NASA ESA JAXA").
constexpr std::size_t kMaxAcronymLetters = 5;
// English runs of these lengths with a common word are a phrase left in the
// answer; shorter ones are names or terms, longer ones quotes or code.
constexpr std::size_t kMinEnglishRun = 3;
constexpr std::size_t kMaxEnglishRun = 4;
// The half-kept phrase is looked for in short sources only (titles, labels).
constexpr std::size_t kMaxHalfKeptSourceWords = 6;
// Runs of ideographs this short followed by white space and another ideograph
// are a word split by the translator.
constexpr std::size_t kMaxGapRunIdeographs = 2;
constexpr std::size_t kLongestAbbreviation = 6;

bool is_ascii_capital(char32_t c) { return c >= U'A' && c <= U'Z'; }
bool is_ascii_small(char32_t c) { return c >= U'a' && c <= U'z'; }

bool is_white(const Utf8Step& step) { return step.valid && is_unicode_white_space(step.scalar); }
bool is_ideograph(const Utf8Step& step) { return step.valid && is_cjk_ideograph(step.scalar); }

bool holds_cjk_character(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_cjk_character(step.scalar)) return true;
    }
    return false;
}

std::size_t count_ascii_letters(std::string_view text) {
    return static_cast<std::size_t>(std::ranges::count_if(text, [](char c) { return is_ascii_letter(c); }));
}

std::size_t count_words(std::string_view text) {
    std::size_t words = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        const bool white = is_white(step);
        if (!white && !in_word) ++words;
        in_word = !white;
    }
    return words;
}

// Only spaces, full stops, middle dots and ellipses.
bool is_dots_only(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (!step.valid) return false;
        if (step.scalar != U' ' && step.scalar != U'.' && step.scalar != 0x00B7 && step.scalar != 0x2026) return false;
    }
    return true;
}

bool is_link_word(std::string_view word) {
    return word.starts_with("http://") || word.starts_with("https://") || word.starts_with("www.") ||
           word.find('@') != std::string_view::npos;
}

// Letters 1 to 5, all capitals.
bool is_short_acronym(std::string_view word) {
    const std::string letters = keep_ascii_letters(word);
    return !letters.empty() && letters.size() <= kMaxAcronymLetters &&
           std::ranges::all_of(letters, [](char c) { return is_ascii_capital(c); });
}

// Closing quotation marks that may stand between a sentence end and the next
// sentence: " ' » ’ ” 」 』.
bool is_closing_quote(char32_t c) {
    switch (c) {
    case U'"': case U'\'': case 0x00BB: case 0x2019: case 0x201D: case 0x300D: case 0x300F:
        return true;
    default:
        return false;
    }
}

// The word the mark at `position` ends: the ASCII letters directly before it.
// Only its abbreviation matters, so a run longer than any abbreviation is cut
// at one letter more (keeping the backward scan short on a long word).
bool follows_abbreviation(std::span<const char32_t> chars, std::size_t position) {
    std::string word;
    std::size_t at = position;
    while (at > 0 && is_ascii_letter(chars[at - 1]) && word.size() <= kLongestAbbreviation) {
        --at;
        word.insert(word.begin(), static_cast<char>(chars[at]));
    }
    return is_abbreviation(word);
}

// Sentence ends of a source: marks followed by a capital, every ! and ?, and
// a final full stop after no abbreviation.
std::size_t count_sentence_ends(std::string_view text) {
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    std::size_t last_non_white = 0;
    bool any_non_white = false;
    for (Utf8Step step : Utf8Range(text)) {
        if (!is_white(step)) {
            last_non_white = chars.size();
            any_non_white = true;
        }
        chars.push_back(step.scalar);
    }
    std::size_t ends = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (is_sentence_end_at(chars, i) || chars[i] == U'?' || chars[i] == U'!') {
            ++ends;
        } else if (chars[i] == U'.' && any_non_white && i == last_non_white && !follows_abbreviation(chars, i)) {
            ++ends;
        }
    }
    return ends;
}

std::size_t count_cjk_sentence_ends(std::string_view text) {
    std::size_t ends = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && (step.scalar == 0x3002 || step.scalar == 0xFF1F || step.scalar == 0xFF01)) ++ends;
    }
    return ends;
}

// contains_word_ignoring_case on a text already lower-cased, so that the
// answer is lower-cased once for all the source's words.
bool contains_lowered_word(std::string_view lowered_text, std::string_view word) {
    const std::string lowered_word = ascii_lower(word);
    const std::string_view u = trim_white_space(lowered_word);
    if (u.empty()) return false;
    return find_accepted_occurrence(lowered_text, u, [&](std::size_t at) {
        const std::size_t end = at + u.size();
        return (at == 0 || !is_ascii_letter(lowered_text[at - 1])) &&
               (end == lowered_text.size() || !is_ascii_letter(lowered_text[end]));
    });
}

bool is_english_word_edge(char32_t c) {
    switch (c) {
    case U'"': case U'\'': case U'(': case U')': case U',': case U'-': case U'.': case U':': case U';':
    case 0x2014: case 0x201C: case 0x201D:
        return true;
    default:
        return false;
    }
}

// Labels that a number or a name follows after a space: 第 3 章, 图 2.
constexpr std::array<std::string_view, 7> kGapLabels = {"章", "节", "图", "表", "第", "部分", "附录"};

// Indicator 1: a pair of equal adjacent words, not digits only, that the
// source does not have twice in a row.
bool has_doubled_word(std::string_view source, std::span<const std::string_view> answer_words) {
    std::optional<WordsRepeatedInARow> source_doubles;
    for (std::size_t i = 1; i < answer_words.size(); ++i) {
        const std::string_view word = answer_words[i];
        if (word != answer_words[i - 1] || is_all_ascii_digits(word)) continue;
        if (!source_doubles) source_doubles.emplace(source);
        if (!source_doubles->contains(word)) return true;
    }
    return false;
}

// Indicator 3: more CJK sentence ends in the answer than sentence ends in the source.
bool has_more_sentence_ends(std::string_view source, std::string_view answer) {
    const std::size_t answer_ends = count_cjk_sentence_ends(answer);
    return answer_ends > 0 && answer_ends > count_sentence_ends(source);
}

// Indicator 4: a run of 3 or 4 English words with a common one, judged when
// the answer has two ideographs in a row or none at all.
bool has_english_words_left(std::string_view answer, std::span<const std::string_view> answer_words) {
    bool any_ideograph = false;
    bool ideograph_pair = false;
    bool previous_ideograph = false;
    for (Utf8Step step : Utf8Range(answer)) {
        const bool ideograph = is_ideograph(step);
        ideograph_pair = ideograph_pair || (ideograph && previous_ideograph);
        any_ideograph = any_ideograph || ideograph;
        previous_ideograph = ideograph;
        if (ideograph_pair) break;
    }
    if (any_ideograph && !ideograph_pair) return false;
    std::size_t run = 0;
    bool run_has_common = false;
    auto judged = [&] { return run >= kMinEnglishRun && run <= kMaxEnglishRun && run_has_common; };
    for (std::string_view word : answer_words) {
        if (std::optional<std::string> english = english_word_of(word)) {
            ++run;
            run_has_common = run_has_common || is_common_english_word(*english);
            continue;
        }
        if (judged()) return true;
        run = 0;
        run_has_common = false;
    }
    return judged();
}

// Indicator 5: a short source answered with exactly one of its English words
// kept among CJK text, while another of its English words is missing.
bool has_half_kept_phrase(std::string_view source, std::string_view answer,
                          std::span<const std::string_view> answer_words) {
    if (count_words(source) > kMaxHalfKeptSourceWords) return false;
    std::optional<std::string> kept;
    for (std::string_view word : answer_words) {
        std::optional<std::string> english = english_word_of(word);
        if (!english) continue;
        if (kept) return false;  // two or more English words
        kept = std::move(english);
    }
    if (!kept) return false;
    bool any_ideograph = false;
    for (Utf8Step step : Utf8Range(answer)) {
        if (is_ideograph(step)) {
            any_ideograph = true;
            break;
        }
    }
    if (!any_ideograph || !contains_word_ignoring_case(source, *kept)) return false;
    const std::string lowered_answer = ascii_lower(answer);
    for (std::string_view word : split_white_space_words(source)) {
        const std::optional<std::string> english = english_word_of(word);
        if (!english || *english == *kept) continue;
        if (!contains_lowered_word(lowered_answer, *english)) return true;
    }
    return false;
}

// The gaps of the text in order; with `first_only`, at most the first, as the
// problem count needs no more (an answer of spaced ideographs has millions).
std::vector<CjkSpaceGap> collect_cjk_space_gaps(std::string_view text, bool first_only) {
    std::vector<CjkSpaceGap> gaps;
    std::size_t offset = 0;
    while (offset < text.size()) {
        Utf8Step step = utf8_decode_at(text, offset);
        if (!is_ideograph(step)) {
            offset += step.length;
            continue;
        }
        const std::size_t run_start = offset;
        std::size_t run_length = 0;
        while (offset < text.size()) {
            step = utf8_decode_at(text, offset);
            if (!is_ideograph(step)) break;
            ++run_length;
            offset += step.length;
        }
        if (offset == text.size()) break;
        const std::size_t run_end = offset;
        while (offset < text.size()) {
            step = utf8_decode_at(text, offset);
            if (!is_white(step)) break;
            offset += step.length;
        }
        if (offset == text.size()) break;
        // No white space after the run: the character there is no ideograph,
        // and the next round steps over it.
        if (offset == run_end) continue;
        const std::string_view run = text.substr(run_start, run_end - run_start);
        if (is_ideograph(step) && run_length <= kMaxGapRunIdeographs &&
            std::ranges::find(kGapLabels, run) == kGapLabels.end()) {
            gaps.push_back({run_end, offset});
            if (first_only) break;
        }
        // Go on at the character after the white space, which may start the next run.
    }
    return gaps;
}

}  // namespace

bool is_still_english(std::string_view source, std::string_view answer) {
    const std::string_view s = trim_white_space(source);
    const std::string_view a = trim_white_space(answer);
    if (holds_cjk_character(s) || holds_cjk_character(a)) return false;
    // A name may stay in Latin letters.
    if (match_proper_name_phrase(s, kShortNamePhraseWords)) return false;
    if (is_link_only_text(s)) return false;
    const std::string s2 = strip_leading_bullet_copy(s);
    const std::string a2 = strip_leading_bullet_copy(a);
    const std::size_t source_letters = count_ascii_letters(s2);
    const std::size_t answer_letters = count_ascii_letters(a2);
    if (source_letters >= kLongEnglishLetters && answer_letters >= kLongEnglishLetters) return true;
    if (source_letters >= kDotsOnlySourceLetters && !a.empty() && is_dots_only(a)) return true;
    if (s2 == a2) return has_translatable_words(s2);
    return false;
}

unsigned has_quality_problem(std::string_view source, std::string_view answer) {
    const std::vector<std::string_view> answer_words = split_white_space_words(answer);
    unsigned count = 0;
    count += has_doubled_word(source, answer_words) ? 1 : 0;
    count += collect_cjk_space_gaps(answer, true).empty() ? 0 : 1;
    count += has_more_sentence_ends(source, answer) ? 1 : 0;
    count += has_english_words_left(answer, answer_words) ? 1 : 0;
    count += has_half_kept_phrase(source, answer, answer_words) ? 1 : 0;
    count += list_items_lost(source, answer) ? 1 : 0;
    return count;
}

std::string strip_leading_bullet_copy(std::string_view text) {
    std::string_view t = trim_white_space(text);
    if (starts_with_bullet(t)) {
        t = trim_white_space(t.substr(utf8_decode_at(t, 0).length));
    }
    return std::string(t);
}

bool is_link_only_text(std::string_view text) {
    const std::string stripped = strip_leading_bullet_copy(text);
    const std::vector<std::string_view> words = split_white_space_words(stripped);
    return !words.empty() && std::ranges::all_of(words, is_link_word);
}

std::vector<std::string_view> translatable_words(std::string_view text) {
    std::vector<std::string_view> words = split_white_space_words(text);
    std::erase_if(words, [](std::string_view word) {
        return word.find("://") != std::string_view::npos || word.find('@') != std::string_view::npos ||
               word.starts_with("www.") || count_ascii_letters(word) == 0;
    });
    return words;
}

bool has_translatable_words(std::string_view text) {
    const std::vector<std::string_view> words = translatable_words(text);
    if (words.size() < kMinTranslatableWords) return false;
    std::size_t letters = 0;
    for (std::string_view word : words) letters += count_ascii_letters(word);
    if (letters < kMinTranslatableLetters) return false;
    return !std::ranges::all_of(words, is_short_acronym);
}

bool repeats_word_in_a_row(std::string_view text, std::string_view word) {
    const std::vector<std::string_view> words = split_white_space_words(text);
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == word && words[i - 1] == word) return true;
    }
    return false;
}

WordsRepeatedInARow::WordsRepeatedInARow(std::string_view text) {
    const std::vector<std::string_view> words = split_white_space_words(text);
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == words[i - 1]) words_.emplace_back(words[i]);
    }
    std::ranges::sort(words_);
    const auto [first, last] = std::ranges::unique(words_);
    words_.erase(first, last);
}

bool WordsRepeatedInARow::contains(std::string_view word) const {
    return std::ranges::binary_search(words_, word, std::less<>{});
}

std::vector<CjkSpaceGap> find_cjk_space_gaps(std::string_view text) { return collect_cjk_space_gaps(text, false); }

bool is_sentence_end_at(std::span<const char32_t> chars, std::size_t position) {
    if (position >= chars.size()) return false;
    const char32_t mark = chars[position];
    if (mark != U'.' && mark != U'!' && mark != U'?') return false;
    std::size_t next = position + 1;
    while (next < chars.size() && (is_unicode_white_space(chars[next]) || is_closing_quote(chars[next]))) ++next;
    // A mark at the very end of the text is no place to cut.
    if (next == chars.size() || !is_ascii_capital(chars[next])) return false;
    return !follows_abbreviation(chars, position);
}

bool is_abbreviation(std::string_view word) {
    static constexpr std::array<std::string_view, 22> kAbbreviations = {
        "al", "eg", "ie", "eq", "dr", "mr", "ms", "vs", "cf", "pp", "no",
        "st", "jr", "sr", "etc", "fig", "mrs", "vol", "inc", "ltd", "prof", "approx",
    };
    if (word.empty()) return false;
    if (count_scalar_values(word) == 1) return true;
    if (word.size() > kLongestAbbreviation) return false;
    return std::ranges::find(kAbbreviations, ascii_lower(word)) != kAbbreviations.end();
}

std::optional<std::string> english_word_of(std::string_view word) {
    const std::string_view t = trim_scalars(word, is_english_word_edge);
    if (t.empty()) return std::nullopt;
    if (is_common_english_word(t)) return ascii_lower(t);
    const bool plain = std::ranges::all_of(t, [](char c) { return is_ascii_letter(c) || c == '-' || c == '\''; });
    if (!plain) return std::nullopt;
    // A hyphenated word with a capital is a code or a name (COVID-19, X-Ray).
    if (t.find('-') != std::string_view::npos && std::ranges::any_of(t, [](char c) { return is_ascii_capital(c); })) {
        return std::nullopt;
    }
    const std::string letters = keep_ascii_letters(t);
    if (letters.size() < 3 || !std::ranges::any_of(letters, [](char c) { return is_ascii_small(c); }) ||
        has_camel_case_step(letters)) {
        return std::nullopt;
    }
    return ascii_lower(letters);
}

std::vector<std::string> english_words_of(std::string_view text) {
    std::vector<std::string> words;
    for (std::string_view word : split_white_space_words(text)) {
        if (std::optional<std::string> english = english_word_of(word)) words.push_back(std::move(*english));
    }
    return words;
}

bool has_camel_case_step(std::string_view text) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (is_ascii_small(text[i - 1]) && is_ascii_capital(text[i])) return true;
    }
    return false;
}

bool contains_word_ignoring_case(std::string_view text, std::string_view word) {
    return contains_lowered_word(ascii_lower(text), word);
}

}  // namespace zvk
