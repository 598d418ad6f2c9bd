#include "translate/proper_names.h"

#include <array>

#include "base/ascii.h"
#include "base/text.h"

namespace zvk {

namespace {

// Words that make a capitalised phrase an organisation rather than a person's
// or a place's name; such texts go to the translator.
constexpr std::array<std::string_view, 24> kOrganisationWords = {
    "co",         "inc",        "ltd",         "llc",          "lab",       "corp",
    "labs",       "dept",       "press",       "group",        "office",    "bureau",
    "company",    "society",    "division",    "services",     "institute", "committee",
    "publishing", "university", "department",  "association", "publications", "headquarters",
};

// Titles made of these ("The Beatles", "Executive Summary") are English to be
// translated, not names. Grouped by length as they are listed.
constexpr std::array<std::string_view, 64> kCommonEnglishWords = {
    "a",
    "of", "to", "by", "on", "in", "an", "or", "as", "at",
    "the", "and", "for", "how", "got", "why", "who", "log", "aid", "day",
    "with", "from", "what", "when", "hunt", "your", "type",
    "where", "which", "first",
    "versus", "change", "global", "switch", "overly",
    "testing", "theorem", "summary", "chapter", "section", "complex", "aspects", "science", "biology",
    "finance",
    "software", "contents", "treasure", "business", "illusion", "appendix", "abstract", "overview",
    "specific", "computer",
    "practical", "executive", "interests", "challenge",
    "consultant", "references",
    "engineering",
    "introduction", "quantitative",
};

constexpr std::size_t kLongestCommonWord = 12;

// A word compared with a lower-case table entry, ignoring ASCII case only.
bool equals_ascii_lower(std::string_view word, std::string_view lower) {
    if (word.size() != lower.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (ascii_lower_char(word[i]) != lower[i]) return false;
    }
    return true;
}

bool is_organisation_word(std::string_view word) {
    for (std::string_view entry : kOrganisationWords) {
        if (equals_ascii_lower(word, entry)) return true;
    }
    return false;
}

bool is_ascii_capital(char c) { return c >= 'A' && c <= 'Z'; }
bool is_ascii_small(char c) { return c >= 'a' && c <= 'z'; }

std::size_t count_ascii_letters(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += is_ascii_letter(c) ? 1 : 0;
    return count;
}

std::string_view strip_commas_and_full_stops(std::string_view word) {
    while (!word.empty() && (word.front() == ',' || word.front() == '.')) word.remove_prefix(1);
    while (!word.empty() && (word.back() == ',' || word.back() == '.')) word.remove_suffix(1);
    return word;
}

// Shape of a name word: a capital, then letters, hyphens and apostrophes with
// at least one small letter; a lone capital is an initial. An all-capital
// word of two or more letters is an acronym and fails.
bool has_name_shape(std::string_view v) {
    if (v.empty() || !is_ascii_capital(v.front())) return false;
    if (v.size() == 1) return true;
    bool small = false;
    for (char c : v.substr(1)) {
        if (!is_ascii_letter(c) && c != '-' && c != '\'') return false;
        small = small || is_ascii_small(c);
    }
    return small;
}

// Six letters or more on both sides of the first hyphen: a compound such as
// "Object-Oriented" is a technical term, while "Jean-Baptiste" stays a name.
bool is_long_hyphenated_compound(std::string_view v) {
    constexpr std::size_t kCompoundSideLetters = 6;
    const std::size_t hyphen = v.find('-');
    if (hyphen == std::string_view::npos || hyphen + 1 == v.size()) return false;
    return count_ascii_letters(v.substr(0, hyphen)) >= kCompoundSideLetters &&
           count_ascii_letters(v.substr(hyphen + 1)) >= kCompoundSideLetters;
}

bool passes_name_word_checks(std::string_view word, std::size_t word_limit) {
    // Names rarely run this long; a short phrase (the layout and still-English
    // tests) tolerates even less.
    constexpr std::size_t kMaxNameLetters = 13;
    constexpr std::size_t kMaxShortNameLetters = 10;
    const std::string_view v = strip_commas_and_full_stops(word);
    if (!has_name_shape(v)) return false;
    if (is_organisation_word(v)) return false;
    if (is_common_english_word(word)) return false;
    if (is_long_hyphenated_compound(v)) return false;
    const std::size_t letters = count_ascii_letters(word);
    if (letters >= kMaxNameLetters) return false;
    if (word_limit <= kShortNamePhraseWords && letters >= kMaxShortNameLetters) return false;
    return true;
}

// A text that ends in a full stop after a word of three or more letters is a
// sentence; "Co." or an initial such as "J." before the stop is not.
bool ends_like_a_sentence(std::string_view trimmed) {
    constexpr std::size_t kSentenceWordLetters = 3;
    if (trimmed.empty() || trimmed.back() != '.') return false;
    std::string_view u = trimmed;
    while (!u.empty() && u.back() == '.') u.remove_suffix(1);
    const std::vector<std::string_view> words = split_white_space_words(u);
    if (words.empty()) return false;
    return count_ascii_letters(words.back()) >= kSentenceWordLetters;
}

}  // namespace

std::optional<std::vector<std::string_view>> match_proper_name_phrase(std::string_view text,
                                                                       std::size_t word_limit) {
    const std::string_view t = trim_white_space(text);
    if (ends_like_a_sentence(t)) return std::nullopt;
    std::vector<std::string_view> words = split_white_space_words(t);
    if (words.size() < 2 || words.size() > word_limit) return std::nullopt;
    for (std::string_view word : words) {
        if (!passes_name_word_checks(word, word_limit)) return std::nullopt;
    }
    return words;
}

bool is_proper_name_phrase(std::string_view text) {
    return match_proper_name_phrase(text, kNamePhraseWords).has_value();
}

bool is_common_english_word(std::string_view word) {
    if (word.empty() || word.size() > kLongestCommonWord) return false;
    for (std::string_view entry : kCommonEnglishWords) {
        if (equals_ascii_lower(word, entry)) return true;
    }
    return false;
}

}  // namespace zvk
