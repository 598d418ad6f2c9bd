// Judges a translator's answer before it is accepted: whether it still reads
// as its English source (copied, only dots, a long English passage) and how
// many defects a translated answer shows. Also the small text predicates the
// two tests are built from, which the retries, the merging and the tidying of
// answers call directly. Every function is pure and safe on any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace zvk {

// CJK ideographs of answer judging are is_cjk_ideograph (base/text.h); every
// one is also a CJK character (is_cjk_character, comma_lists.h).

// The answer still reads as the English source: copied (with real words in
// it), only dots for a source of 8 or more letters, or both texts holding 40
// or more ASCII letters. Any CJK character on either side, a proper-name
// source and a source of links only make it false. The test knows no script
// but CJK: a long French answer counts as still English.
bool is_still_english(std::string_view source, std::string_view answer);

// The number (0 to 6) of defects of the answer: a word doubled that the
// source does not double, a gap between CJK ideographs, more CJK sentence
// ends than the source has sentence ends, a run of 3 or 4 English words with
// a common one, a half-kept English phrase, lost comma-list items. Nothing
// is trimmed first.
unsigned has_quality_problem(std::string_view source, std::string_view answer);

// The trimmed text without a leading bullet mark (starts_with_bullet), trimmed again.
std::string strip_leading_bullet_copy(std::string_view text);

// Every word (after a leading bullet) begins with http://, https:// or www.,
// or holds an @; a text without words is no link text.
bool is_link_only_text(std::string_view text);

// The words that are no URL or e-mail address and hold an ASCII letter;
// views into the text, in order.
std::vector<std::string_view> translatable_words(std::string_view text);

// At least two translatable words, 8 ASCII letters among them, and a word that
// is no acronym of 1 to 5 capitals.
bool has_translatable_words(std::string_view text);

// Two adjacent words of the text are both equal to `word`, byte for byte.
bool repeats_word_in_a_row(std::string_view text, std::string_view word);

// The words that stand twice in a row in a text, collected in one pass: asking
// for many words then costs one scan of the text instead of one per word. The
// answer test asks it for every doubled word of an answer, and the tidying of
// answers shares it. Holds copies; the text need not outlive it.
class WordsRepeatedInARow {
public:
    explicit WordsRepeatedInARow(std::string_view text);
    // The same answer as repeats_word_in_a_row(text, word).
    bool contains(std::string_view word) const;

private:
    std::vector<std::string> words_;  // sorted, unique
};

// White space between a run of one or two CJK ideographs and the ideograph
// after it: byte offsets of the first white-space character and of that
// ideograph.
struct CjkSpaceGap {
    std::size_t start = 0;
    std::size_t end = 0;
    friend bool operator==(const CjkSpaceGap&, const CjkSpaceGap&) = default;
};

// The gaps of the text in order. Runs of three or more ideographs and the
// labels 章 节 图 表 第 部分 附录 (followed by a number or a name) are left alone.
std::vector<CjkSpaceGap> find_cjk_space_gaps(std::string_view text);

// The character at `position` (a . ! or ?) ends a sentence: after white space
// and closing quotes an ASCII capital follows, and the letters before it are
// no abbreviation. The end of the text is no sentence end here. Takes the
// decoded characters, so that a caller that tries every position decodes the
// text once.
bool is_sentence_end_at(std::span<const char32_t> chars, std::size_t position);

// A full stop after this word ends no sentence: a single character, or one of
// al eg ie eq dr mr ms vs cf pp no st jr sr etc fig mrs vol inc ltd prof
// approx in any ASCII case. The empty word is none.
bool is_abbreviation(std::string_view word);

// The lower-case English word that a token stands for, its punctuation
// dropped ("Don't," gives "dont"), or nothing for codes, numbers, camel case
// and words of fewer than 3 letters that are not common words.
std::optional<std::string> english_word_of(std::string_view word);

// english_word_of of each word of the text that gives one, in order.
std::vector<std::string> english_words_of(std::string_view text);

// An ASCII small letter directly followed by an ASCII capital (iPhone, JavaScript).
bool has_camel_case_step(std::string_view text);

// The word, lower-cased and trimmed, occurs in the lower-cased text with no
// ASCII letter directly before or after it.
bool contains_word_ignoring_case(std::string_view text, std::string_view word);

}  // namespace zvk
