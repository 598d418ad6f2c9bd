#include "segment/noise_text.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/text_trims.h"

namespace zvk {

namespace {

bool is_segment_punctuation(char32_t c) {
    switch (c) {
    case U'.': case U',': case U';': case U':': case U'!': case U'?': case U'"': case U'\'': case U'`':
    case 0x2019: case 0x201C: case 0x201D: case 0x2018: case 0x2014: case 0x2013:
    case U'-': case U'(': case U')': case U'[': case U']': case U'{': case U'}': case U'<': case U'>':
    case U'/': case U'\\': case U'+': case U'*': case U'=': case U'&': case U'@': case U'#': case U'%':
    case U'^': case U'_': case U'|': case U'~':
    case 0x2026: case 0x00B7: case 0x2022:
    case 0x3001: case 0x3002: case 0x300A: case 0x300B: case 0x300C: case 0x300D: case 0x300E: case 0x300F:
    case 0x3010: case 0x3011:
    case 0xFF08: case 0xFF09: case 0xFF0C: case 0xFF1A: case 0xFF1B: case 0xFF01: case 0xFF1F:
        return true;
    default:
        return false;
    }
}

bool is_numeric_character(char32_t c) {
    switch (u_charType(static_cast<UChar32>(c))) {
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
        return true;
    default:
        return false;
    }
}

bool is_ascii_upper(char32_t c) { return c >= U'A' && c <= U'Z'; }
bool is_ascii_lower(char32_t c) { return c >= U'a' && c <= U'z'; }

char32_t ascii_lower(char32_t c) { return is_ascii_upper(c) ? c - U'A' + U'a' : c; }

// Vowels for consonant runs; 'y' is a consonant there.
bool is_vowel(char32_t c) {
    c = ascii_lower(c);
    return c == U'a' || c == U'e' || c == U'i' || c == U'o' || c == U'u';
}

// Greek letters, micro sign, super- and subscripts, mathematical operators:
// the unusual characters of scientific text.
bool is_science_character(char32_t c) {
    return c == 0x00B5 || (c >= 0x0370 && c <= 0x03FF) || (c >= 0x2070 && c <= 0x209F) ||
           (c >= 0x2200 && c <= 0x22FF);
}

std::vector<char32_t> scalars_of(std::string_view text) {
    std::vector<char32_t> out;
    for (Utf8Step step : Utf8Range(text)) out.push_back(step.scalar);
    return out;
}

// The pieces of the text between runs of White_Space, none empty.
std::vector<std::string_view> split_white_space(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        const bool white = step.valid && is_unicode_white_space(step.scalar);
        if (white && in_word) {
            words.push_back(text.substr(start, step.offset - start));
            in_word = false;
        } else if (!white && !in_word) {
            start = step.offset;
            in_word = true;
        }
    }
    if (in_word) words.push_back(text.substr(start));
    return words;
}

std::string lower_ascii_letters(std::string_view text) {
    std::string letters = keep_ascii_letters(text);
    for (char& c : letters) c = static_cast<char>(ascii_lower(static_cast<unsigned char>(c)));
    return letters;
}

// An ASCII digit right before or after an ASCII letter.
bool digit_touches_letter(const std::vector<char32_t>& chars) {
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) {
        const char32_t a = chars[i];
        const char32_t b = chars[i + 1];
        if ((is_ascii_digit(a) && is_ascii_letter(b)) || (is_ascii_letter(a) && is_ascii_digit(b))) return true;
    }
    return false;
}

// The longest run of ASCII consonants; any other character ends a run.
std::size_t longest_consonant_run(const std::vector<char32_t>& chars) {
    std::size_t best = 0;
    std::size_t run = 0;
    for (char32_t c : chars) {
        if (is_ascii_letter(c) && !is_vowel(c)) {
            best = std::max(best, ++run);
        } else {
            run = 0;
        }
    }
    return best;
}

// A capital followed by three or more lower-case letters, a vowel among them:
// the shape of a capitalised word that recognition read well.
bool has_capitalised_syllable(const std::vector<char32_t>& chars) {
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (!is_ascii_upper(chars[i])) continue;
        std::size_t j = i + 1;
        bool vowel = false;
        while (j < chars.size() && is_ascii_lower(chars[j])) {
            vowel = vowel || is_vowel(chars[j]);
            ++j;
        }
        if (j - i - 1 >= 3 && vowel) return true;
    }
    return false;
}

constexpr std::array<std::string_view, 25> kFunctionWords = {
    "a",   "is",   "of",   "in",    "on",   "to",   "an",    "the",   "and",   "are",   "was",   "for",   "may",
    "can", "not",  "were", "this",  "that", "with", "from",  "also",  "using", "their", "these", "those",
};

constexpr std::array<std::string_view, 73> kCommonWords = {
    "the",   "and",    "are",   "is",   "was",   "were",    "this",   "that",   "with",   "for",  "from",
    "using", "may",    "can",   "not",  "also",  "their",   "these",  "those",  "of",     "in",   "on",
    "to",    "a",      "an",    "or",   "as",    "at",      "by",     "be",     "it",     "its",  "we",
    "our",   "you",    "your",  "which", "when", "where",   "what",   "who",    "how",    "but",  "if",
    "then",  "than",   "into",  "over", "under", "about",   "between", "after", "before", "each", "other",
    "such",  "only",   "more",  "most", "some",  "any",     "all",    "no",     "yes",    "has",  "have",
    "had",   "been",   "being", "will", "would", "should",  "could",
};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& words, std::string_view word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// Leading bullet marks off; none when nothing is left or the word is an IP
// version, which no noise test may take.
std::optional<std::string_view> noise_candidate(std::string_view word) {
    std::string_view rest = trim_leading_bullets(word);
    if (rest.empty() || is_ip_version_token(rest)) return std::nullopt;
    return rest;
}

bool is_noisy_word(std::string_view word) {
    auto rest = noise_candidate(word);
    if (!rest) return false;
    const std::vector<char32_t> chars = scalars_of(*rest);
    if (std::any_of(chars.begin(), chars.end(), is_stray_symbol)) return true;
    if (digit_touches_letter(chars)) return !has_regular_case(*rest);
    if (has_capitalised_syllable(chars)) return false;
    return is_ocr_like_text(*rest);
}

bool is_real_word(std::string_view word) {
    if (is_ocr_like_text(word)) return false;
    const std::string letters = lower_ascii_letters(word);
    if (letters.size() < 2) return false;
    if (listed(kCommonWords, letters)) return true;
    bool vowel = false;
    std::size_t run = 0;
    for (char c : letters) {
        if (c == 'y' || is_vowel(static_cast<unsigned char>(c))) vowel = true;
        run = is_vowel(static_cast<unsigned char>(c)) ? 0 : run + 1;
        if (run >= 5) return false;
    }
    return vowel;
}

}  // namespace

bool is_word_character(char32_t c) {
    if (is_ascii_letter(c) || is_ascii_digit(c)) return true;
    if (c > 0x00A9 && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC)) return true;
    return c > 0x00B1 && is_numeric_character(c);
}

bool is_stray_symbol(char32_t c) { return !is_word_character(c) && !is_segment_punctuation(c); }

bool has_regular_case(std::string_view text) {
    const std::string letters = keep_ascii_letters(text);
    auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (std::all_of(letters.begin(), letters.end(), lower)) return true;
    if (std::all_of(letters.begin(), letters.end(), upper)) return true;
    return upper(letters.front()) && std::all_of(letters.begin() + 1, letters.end(), lower);
}

bool is_ip_version_token(std::string_view word) {
    if (std::none_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    const std::string letters = lower_ascii_letters(word);
    return letters == "ipv" || letters == "ipvonly";
}

bool is_ocr_like_text(std::string_view word) {
    auto rest = noise_candidate(word);
    if (!rest) return false;
    if (collect_non_whitespace_chars(*rest).size() < 3) return false;
    const std::vector<char32_t> chars = scalars_of(*rest);
    if (std::any_of(chars.begin(), chars.end(), is_stray_symbol)) return true;
    if (digit_touches_letter(chars)) return true;
    return longest_consonant_run(chars) >= 4 && !has_regular_case(*rest);
}

bool has_english_function_word(std::string_view text) {
    const std::vector<std::string_view> words = split_white_space(text);
    if (words.size() <= 5) return false;
    return std::any_of(words.begin(), words.end(),
                       [](std::string_view w) { return listed(kFunctionWords, lower_ascii_letters(w)); });
}

bool is_garbled_text(std::string_view text) {
    // Addresses are full of odd letter groups and symbols, and are left as
    // they are anyway.
    if (text.find("://") != std::string_view::npos || text.find('@') != std::string_view::npos ||
        text.find("www.") != std::string_view::npos) {
        return false;
    }
    const std::vector<char32_t> chars = scalars_of(text);
    // Formulas and units: scientific characters and no other stray symbol.
    // White space is stray too, so this spares only texts without it.
    if (std::any_of(chars.begin(), chars.end(), is_science_character) &&
        std::none_of(chars.begin(), chars.end(),
                     [](char32_t c) { return is_stray_symbol(c) && !is_science_character(c); })) {
        return false;
    }

    std::vector<std::string_view> words;
    for (std::string_view piece : split_white_space(text)) {
        if (std::any_of(piece.begin(), piece.end(), [](char c) {
                return is_ascii_letter(static_cast<unsigned char>(c)) || is_ascii_digit(static_cast<unsigned char>(c));
            })) {
            words.push_back(piece);
        }
    }

    std::size_t non_white = 0;
    std::size_t stray = 0;
    for (char32_t c : collect_non_whitespace_chars(text)) {
        ++non_white;
        if (is_stray_symbol(c) && !is_bullet_mark(c)) ++stray;
    }
    if (non_white > 5 && 8 * stray >= non_white && !words.empty()) return true;

    std::size_t noisy = 0;
    std::size_t real = 0;
    for (std::string_view word : words) {
        if (is_noisy_word(word)) ++noisy;
        if (is_real_word(word)) ++real;
    }
    if (words.size() == 1) return noisy == 1 && scalars_of(words[0]).size() >= 4;
    // real / words < 0.5, in integers.
    return words.size() > 1 && noisy > 0 && 2 * real < words.size();
}

}  // namespace zvk
