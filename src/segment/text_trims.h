// Trims that cut a fixed character set from one or both ends of a text. Each
// returns a view into its argument; nothing is copied. Beside them, the one
// filter that keeps a text's ASCII letters (segmentation, translation and
// layout compare texts by their letters alone).
#pragma once

#include <string>
#include <string_view>

namespace zvk {

// From the first ASCII letter through the last one; empty when there is none.
std::string_view trim_to_ascii_letters(std::string_view text);
// Both ends: ( ) , . : ; and the curly double quotes U+201C U+201D.
std::string_view trim_word_punctuation(std::string_view text);
// Start only: White_Space and ASCII digits, in any mix.
std::string_view trim_leading_digits_and_space(std::string_view text);
// Start only: the eighteen bullet marks (• ‣ · ∙ ■ ▪ ▫ ▸ ► ◆ ◇ ◉ ○ ◎ ● ◦ ★ ☆);
// White_Space after them stays.
std::string_view trim_leading_bullets(std::string_view text);
// One of those eighteen bullet marks.
bool is_bullet_mark(char32_t c);

// The ASCII letters A-Z and a-z of the text, in order, as a new text; every
// other character (digits, punctuation, accented letters) is dropped.
std::string keep_ascii_letters(std::string_view text);

}  // namespace zvk
