// Replacement characters for a character the output font cannot draw: the
// fixed candidate list of typographic spaces, dashes, quotes, stars, arrows,
// dingbats and private-use bullets; accented Latin letters folded to ASCII;
// styled letters (super- and subscripts, mathematical alphanumerics) to plain
// ones; Greek letters to Latin. Pure tables; whether a candidate is usable is
// the output font's business, and substitute_missing_glyphs asks it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "font/subset_font.h"

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

// The text with each character the font lacks replaced by the first near
// character it holds: a ligature's letters, a listed candidate, the folded
// Latin letter, the plain form of a styled letter (or, for a styled Greek
// letter the font lacks, its Latin letter). A character with no held
// replacement stays as it was, so the caller's coverage test still sees it;
// an empty font leaves the text unchanged.
std::string substitute_missing_glyphs(std::string_view text, const font::SubsetFont& font);

}  // namespace zvk::rewrite
