// Replacement characters for a character the output font cannot draw: the
// fixed candidate list of typographic spaces, dashes, quotes, stars, arrows,
// dingbats and private-use bullets; accented Latin letters folded to ASCII;
// styled letters (super- and subscripts, mathematical alphanumerics) to plain
// ones; Greek letters to Latin. Pure tables; whether a candidate is usable is
// the output font's business.
#pragma once

#include <optional>
#include <vector>

namespace zvk::rewrite {

// The candidates in the order they are tried; empty for most characters.
std::vector<char32_t> substitute_chars_for_missing_glyph(char32_t c);

// U+00C0..U+017E to its ASCII base letter, where the letter has one.
std::optional<char32_t> fold_latin_letter_to_ascii(char32_t c);

// Superscript and subscript digits and letters, primes, letter-like symbols
// and the mathematical alphanumeric letters to the plain character (a
// mathematical Greek letter to the Greek letter of U+0391..U+03C9).
std::optional<char32_t> ascii_for_styled_letter(char32_t c);

// U+0391..U+03C9 to a lower-case Latin letter, where the letter has one.
std::optional<char32_t> greek_letter_to_latin(char32_t c);

}  // namespace zvk::rewrite
