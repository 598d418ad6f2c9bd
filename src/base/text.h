// Small text helpers shared by the module: the Unicode White_Space class (the
// fixed 25-code-point table), trimming by it, and the characters it leaves.
#pragma once

#include <string_view>
#include <vector>

namespace zvk {

// True for the 25 code points of Unicode's White_Space property.
bool is_unicode_white_space(char32_t c);

// The text without White_Space at both ends. Invalid UTF-8 sequences are not
// white space, so they stop the trimming.
std::string_view trim_white_space(std::string_view text);

// The text without White_Space at its start.
std::string_view trim_leading_white_space(std::string_view text);

// The text without White_Space at its end.
std::string_view trim_trailing_white_space(std::string_view text);

// The characters of the text that are not White_Space, in order (an invalid
// UTF-8 sequence gives U+FFFD, which is not white space).
std::vector<char32_t> collect_non_whitespace_chars(std::string_view text);

}  // namespace zvk
