// English glosses that translators put in parentheses after a Chinese term
// (大型语言模型（Large Language Model, LLM）): each parenthesised group of a
// translation is kept, reduced to the one acronym it holds, or removed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// The CJK ideographs of the post-edits (glosses, section labels, the final
// post-edit): U+4E00 to U+9FFF only, narrower than answer judging's
// is_cjk_ideograph, which takes extension A and the compatibility block too.
constexpr bool is_post_edit_ideograph(char32_t c) { return c >= 0x4E00 && c <= 0x9FFF; }

// The text with its English glosses edited; formulas, numbers, citations,
// web addresses, identifiers and Chinese stay. Linear in the text's length,
// whatever the nesting of its parentheses.
std::string edit_parenthesised_glosses(std::string_view text);

// The pieces of the text between White_Space and , / ; 、 ， ；, none empty,
// in order.
std::vector<std::string_view> split_gloss_words(std::string_view text);

// 2 to 8 ASCII letters, the first a capital, at most one small letter, and
// nothing but ASCII letters, digits and '&' (LLM, LLMs, IoT, R&D, 3GPP).
bool is_acronym_like(std::string_view word);

// What happens to one group.
struct GlossDecision {
    enum class Kind { Keep, Reduce, Remove };
    Kind kind = Kind::Keep;
    std::string_view acronym;  // the word a reduced group keeps, a slice of `trimmed_inner`
};

// The decision for a group whose inner text, trimmed, is `trimmed_inner`,
// read word by word. The walk of edit_parenthesised_glosses reaches the same
// decisions from counts gathered in one sweep, without re-reading inner texts.
GlossDecision decide_gloss_group(std::string_view trimmed_inner);

}  // namespace zvk
