// Small tests on texts that segmentation's passes share: blank texts, note
// marks, lone numeric symbols, years, letter counts and first characters.
// Characters are Unicode scalar values, never bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace zvk {

// Non-empty and made only of White_Space. An empty text is not blank (the
// line-text spacing rule, which counts an empty text as white space, differs
// on purpose).
bool is_blank_text(std::string_view text);

// After trimming White_Space: exactly one character, an ASCII digit or one of
// % ( ) + , - . / : ; < = > [ ] ° ± · × − ∞ ≈ ≠ ≤ ≥ – —.
bool is_numeric_symbol_text(std::string_view text);

// After trimming White_Space: one or two characters, each an ASCII digit or
// one of # * + § ¶ † ‡ ∗ ⋆ (footnote and affiliation marks).
bool is_note_mark_text(std::string_view text);

// A run of exactly four ASCII digits starting with 19 or 20, bounded on both
// sides by the text's ends or by characters that are not ASCII digits.
bool contains_year(std::string_view text);

// Characters with the Unicode Alphabetic property.
std::size_t count_letters(std::string_view text);

bool starts_with_ascii_letter(std::string_view text);
bool starts_with_ascii_lowercase(std::string_view text);

}  // namespace zvk
