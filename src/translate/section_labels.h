// Capitalised prompt-section labels (INSTRUCTION:, PERSONA:, OUTPUT FORMAT:)
// given one Chinese form in translated lines, and the text clean-ups used
// around them and on every batch answer.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvk {

struct SectionLabel {
    std::string_view key;    // ASCII, lower case
    std::string_view label;  // the Chinese label
    std::span<const std::string_view> aliases;  // Chinese renderings, in the order tried
};

// The first label whose key the text begins with by starts_with_caps_label,
// or nullptr.
const SectionLabel* match_section_label(std::string_view text);

// The text begins with the key in capitals (ASCII case ignored, no small
// letter among those bytes) and no small letter follows: INSTRUCTIONS and
// TEXTBOOK match instruction and text; Instruction: does not.
bool starts_with_caps_label(std::string_view text, std::string_view key);

// The translation as "label：text" when the source begins with a capitalised
// section label; otherwise unchanged.
std::string rewrite_section_label_line(std::string_view source, std::string_view translation);

// The label rewrite, and for a source that is no section label, long English
// runs dropped from the translation.
std::string post_edit_section_label(std::string_view source, std::string_view translation);

// English passages of more than five words removed from a text that holds at
// least two CJK characters (and still does after the removal).
std::string drop_long_english_runs(std::string_view text);

// Stray and empty quotation marks removed, runs of spaces made one, trimmed.
std::string tidy_quotes_and_spaces(std::string_view text);

// Hyphens between CJK characters (or after one at the end) removed; web
// addresses untouched.
std::string remove_cjk_hyphens(std::string_view text);

// The clean-up of every answer of a batch, each a pair (unit index, text):
// CJK hyphens removed, then the text normalised. Same order, same indices.
std::vector<std::pair<std::size_t, std::string>> clean_answer_texts(
    std::vector<std::pair<std::size_t, std::string>> answers);

}  // namespace zvk
