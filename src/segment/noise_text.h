// Tests that tell recognition noise from running text: the text layer that a
// scanner's character recognition lays under a page image ("Tlie qnick brown",
// "l1ne", "#@%&") and lines of stray symbols. "Numeric" here means the Unicode
// general categories Nd, Nl and No; "alphabetic" the Alphabetic property.
#pragma once

#include <string_view>

#include "base/text.h"
#include "base/utf8.h"

namespace zvk {

// A character words are made of: an ASCII letter or digit, an alphabetic
// character from U+00AA on, or a numeric one above U+00B1 (so the Latin-1
// signs ª º ² ³ ¹ ¼ count, while © ® ° ± do not).
bool is_word_character(char32_t c);

// Neither a word character nor one of the 57 punctuation marks running text
// uses (ASCII and curly quotes, dashes, brackets, CJK punctuation, …). White
// space and control characters count as stray.
bool is_stray_symbol(char32_t c);

// The ASCII letters of the text are all lower case, all upper case, or one
// capital followed only by lower case. A text without letters has it.
bool has_regular_case(std::string_view text);

// "IPv4", "IPv6only": a digit, and ASCII letters that are "ipv" or "ipvonly"
// in any case. Such tokens look like recognition noise but are not.
bool is_ip_version_token(std::string_view word);

// One word (no white space inside) that looks misrecognised: after leading
// bullet marks, three or more characters with a stray symbol, a digit next to
// an ASCII letter, or a run of four ASCII consonants in irregular case.
bool is_ocr_like_text(std::string_view word);

// More than five words (split on white space), one of which, by its ASCII
// letters in lower case, is a common English function word ("the", "of", …).
bool has_english_function_word(std::string_view text);
// One word (no white space inside) whose ASCII letters, in lower case, are
// such a function word.
bool is_english_function_word(std::string_view word);

// Calls f with each piece of the text between runs of White_Space, in order.
template <typename F>
void for_each_word(std::string_view text, F f);

// A line of noise: many stray symbols, a lone noisy word, or noisy words
// among too few real ones. Web and mail addresses, and texts whose only
// unusual characters are Greek letters, super- and subscripts and
// mathematical operators, never are.
bool is_garbled_text(std::string_view text);

template <typename F>
void for_each_word(std::string_view text, F f) {
    std::size_t start = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        const bool white = step.valid && is_unicode_white_space(step.scalar);
        if (white && in_word) {
            f(text.substr(start, step.offset - start));
            in_word = false;
        } else if (!white && !in_word) {
            start = step.offset;
            in_word = true;
        }
    }
    if (in_word) f(text.substr(start));
}

}  // namespace zvk
