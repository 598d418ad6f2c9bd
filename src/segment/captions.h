// Figure and table captions: the test that a text begins with a caption label
// ("Fig. 3:", "Table IV |"). Line runs keep a label with its title, paragraph
// merging lets a caption run on, and the caption passes grow figure and table
// areas from it.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace zvk {

enum class CaptionKind { Figure, Table };

// "figure" or "table": the reason word of the skips a caption's area gets.
std::string_view caption_kind_word(CaptionKind kind);

// `text` is trimmed and ASCII-lower-cased. For each word in order: the text
// begins with it (a three-letter abbreviation not followed by a letter), then
// after white space and full stops a number (ASCII digits, or 1 to 8 letters
// that form a Roman numeral), then after white space '.', ':' or '|'.
bool starts_with_caption_word(std::string_view text, std::span<const std::string_view> words);

// Figure when the trimmed, ASCII-lower-cased text starts with a figure word
// ("figure", "fig.", "fig"), else table for a table word ("table", "tab.",
// "tab"), else none.
std::optional<CaptionKind> caption_kind(std::string_view text);

}  // namespace zvk
