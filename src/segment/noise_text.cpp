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

// Vowels for consonant runs; 'y' is a consonant there.
bool is_vowel(char32_t c) {
    if (is_ascii_upper(c)) c = c - U'A' + U'a';
    return c == U'a' || c == U'e' || c == U'i' || c == U'o' || c == U'u';
}

// Greek letters, micro sign, super- and subscripts, mathematical operators:
// the unusual characters of scientific text.
bool is_science_character(char32_t c) {
    return c == 0x00B5 || (c >= 0x0370 && c <= 0x03FF) || (c >= 0x2070 && c <= 0x209F) ||
           (c >= 0x2200 && c <= 0x22FF);
}

// What the word tests ask of one word, gathered in one pass over it: line
// texts are tested word by word on every page, so no test decodes a word
// twice.
struct WordFacts {
    std::size_t chars = 0;
    std::size_t non_white = 0;
    bool stray = false;            // holds a stray symbol
    bool digit = false;            // holds an ASCII digit
    bool digit_by_letter = false;  // an ASCII digit next to an ASCII letter
    std::size_t consonant_run = 0;  // longest, any other character ends one
    bool capitalised_syllable = false;  // capital, 3+ lower case with a vowel
    std::string letters;           // the ASCII letters, in order
};

WordFacts word_facts(std::string_view word) {
    WordFacts f;
    char32_t prev = 0;
    std::size_t run = 0;
    // The lower-case letters after the latest capital, and whether a vowel
    // is among them; none while no capital leads.
    bool after_capital = false;
    std::size_t lower_run = 0;
    bool lower_vowel = false;
    auto close_capital = [&] {
        if (after_capital && lower_run >= 3 && lower_vowel) f.capitalised_syllable = true;
        after_capital = false;
    };
    for (Utf8Step step : Utf8Range(word)) {
        const char32_t c = step.scalar;
        ++f.chars;
        if (!(step.valid && is_unicode_white_space(c))) ++f.non_white;
        const bool letter = is_ascii_letter(c);
        const bool digit = is_ascii_digit(c);
        if (!f.stray && !letter && !digit && is_stray_symbol(c)) f.stray = true;
        f.digit = f.digit || digit;
        if (f.chars > 1 && ((digit && is_ascii_letter(prev)) || (letter && is_ascii_digit(prev)))) {
            f.digit_by_letter = true;
        }
        if (letter) {
            f.letters.push_back(static_cast<char>(c));
            run = is_vowel(c) ? 0 : run + 1;
            f.consonant_run = std::max(f.consonant_run, run);
        } else {
            run = 0;
        }
        if (is_ascii_lower(c) && after_capital) {
            ++lower_run;
            lower_vowel = lower_vowel || is_vowel(c);
        } else {
            close_capital();
            if (is_ascii_upper(c)) {
                after_capital = true;
                lower_run = 0;
                lower_vowel = false;
            }
        }
        prev = c;
    }
    close_capital();
    return f;
}

bool letters_have_regular_case(std::string_view letters) {
    auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (std::all_of(letters.begin(), letters.end(), lower)) return true;
    if (std::all_of(letters.begin(), letters.end(), upper)) return true;
    return upper(letters.front()) && std::all_of(letters.begin() + 1, letters.end(), lower);
}

bool is_ip_version(const WordFacts& f) {
    if (!f.digit) return false;
    const std::string lower = ascii_lower(f.letters);
    return lower == "ipv" || lower == "ipvonly";
}

// is_ocr_like_text of a word whose leading bullet marks are already off.
bool ocr_like(const WordFacts& f) {
    if (f.chars == 0 || is_ip_version(f) || f.non_white < 3) return false;
    if (f.stray || f.digit_by_letter) return true;
    return f.consonant_run >= 4 && !letters_have_regular_case(f.letters);
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

// A word that reads as misrecognised (leading bullets already off).
bool is_noisy(const WordFacts& f) {
    if (f.chars == 0 || is_ip_version(f)) return false;
    if (f.stray) return true;
    if (f.digit_by_letter) return !letters_have_regular_case(f.letters);
    if (f.capitalised_syllable) return false;
    return ocr_like(f);
}

// A word a reader would take for a word: a common one, or letters with a
// vowel and no five consonants in a row.
bool is_real(const WordFacts& f) {
    if (ocr_like(f)) return false;
    const std::string letters = ascii_lower(f.letters);
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

bool has_regular_case(std::string_view text) { return letters_have_regular_case(keep_ascii_letters(text)); }

bool is_ip_version_token(std::string_view word) { return is_ip_version(word_facts(word)); }

bool is_ocr_like_text(std::string_view word) { return ocr_like(word_facts(trim_leading_bullets(word))); }

bool is_english_function_word(std::string_view word) {
    // The longest function word has five letters: longer words are passed
    // over without copying their letters.
    std::string letters;
    for (char c : word) {
        if (!is_ascii_letter(static_cast<unsigned char>(c))) continue;
        if (letters.size() == 5) return false;
        letters.push_back(ascii_lower_char(c));
    }
    return listed(kFunctionWords, letters);
}

bool has_english_function_word(std::string_view text) {
    std::size_t words = 0;
    bool function_word = false;
    for_each_word(text, [&](std::string_view word) {
        ++words;
        function_word = function_word || is_english_function_word(word);
    });
    return words > 5 && function_word;
}

bool is_garbled_text(std::string_view text) {
    // Addresses are full of odd letter groups and symbols, and are left as
    // they are anyway.
    if (text.find("://") != std::string_view::npos || text.find('@') != std::string_view::npos ||
        text.find("www.") != std::string_view::npos) {
        return false;
    }
    // Formulas and units: scientific characters and no other stray symbol.
    // White space is stray too, so this spares only texts without it.
    bool science = false;
    bool other_stray = false;
    std::size_t non_white = 0;
    std::size_t stray = 0;
    for (Utf8Step step : Utf8Range(text)) {
        const char32_t c = step.scalar;
        const bool is_science = is_science_character(c);
        const bool is_stray = is_stray_symbol(c);
        science = science || is_science;
        other_stray = other_stray || (is_stray && !is_science);
        if (step.valid && is_unicode_white_space(c)) continue;
        ++non_white;
        if (is_stray && !is_bullet_mark(c)) ++stray;
    }
    if (science && !other_stray) return false;

    std::vector<std::string_view> words;
    for_each_word(text, [&](std::string_view piece) {
        if (std::any_of(piece.begin(), piece.end(), [](char c) {
                return is_ascii_letter(static_cast<unsigned char>(c)) || is_ascii_digit(static_cast<unsigned char>(c));
            })) {
            words.push_back(piece);
        }
    });
    if (non_white > 5 && 8 * stray >= non_white && !words.empty()) return true;

    std::size_t noisy = 0;
    std::size_t real = 0;
    for (std::string_view word : words) {
        // Bullets are not part of a word; no word is left empty by them (it
        // holds a letter or digit).
        const WordFacts f = word_facts(trim_leading_bullets(word));
        noisy += is_noisy(f);
        real += is_real(f);
    }
    if (words.size() == 1) {
        std::size_t chars = 0;
        for ([[maybe_unused]] Utf8Step step : Utf8Range(words[0])) ++chars;
        return noisy == 1 && chars >= 4;
    }
    // real / words < 0.5, in integers.
    return words.size() > 1 && noisy > 0 && 2 * real < words.size();
}

}  // namespace zvk
