// Tells short capitalised name phrases ("John Smith", "O'Brien Smith") from
// ordinary English, so that an answer which repeats a name in Latin letters is
// not taken for copied English; and the table of common English words that
// the answer judging shares.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace zvk {

// The word limits of the callers: text layout and the still-English test ask
// for short phrases, the rewrite driver for phrases of a name line.
inline constexpr std::size_t kShortNamePhraseWords = 5;
inline constexpr std::size_t kNamePhraseWords = 24;

// The words of the trimmed text (views into `text`, each with its own
// punctuation) when it is a proper-name phrase of 2 to `word_limit` words;
// nothing otherwise. Organisation names, titles of common words, acronyms,
// long technical compounds and sentences are no names.
std::optional<std::vector<std::string_view>> match_proper_name_phrase(std::string_view text,
                                                                       std::size_t word_limit);

// match_proper_name_phrase with the limit of 24 words gives a result.
bool is_proper_name_phrase(std::string_view text);

// The whole word, lower-cased by the ASCII rule and otherwise untouched, is one
// of the 64 common English words: "the," with its comma is no match.
bool is_common_english_word(std::string_view word);

}  // namespace zvk
