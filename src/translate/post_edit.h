// The last edit of a translated segment before it is typeset: faults that
// machine translation into Chinese makes again and again (collapsed headings,
// prompt tags left in English, glosses, stock phrases, callout words, section
// labels, a dangling English word).
#pragma once

#include <string>
#include <string_view>

namespace zvk {

// The translation of `source` with the post-edits applied; never fails.
std::string post_edit_translation(std::string_view source, std::string_view translation);

// The text begins with the word, ASCII case ignored, and no ASCII letter
// follows it (Notes does not begin with the word note).
bool starts_with_word(std::string_view text, std::string_view word);

}  // namespace zvk
