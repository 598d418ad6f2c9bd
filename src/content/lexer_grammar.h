// Character classes and small readers of the content grammar, shared by the
// operand parser and the inline-image reader (internal to the lexer).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/pdf_syntax.h"

namespace zvk {

// TAB, LF, FF, CR, space or a delimiter end a run of regular bytes; NUL does not.
bool ends_keyword(unsigned char c);
std::size_t find_keyword_end(std::string_view data, std::size_t pos);
// A comment runs to the next LF or CR; one that reaches the end ends the data.
void skip_white_space_and_comments(std::string_view data, std::size_t& pos);
// A digit or '.', or a sign followed by one of them.
bool starts_number(std::string_view data, std::size_t pos);
// The nearest f32 of a numeric text that holds at least one digit;
// `integral_nonzero` tells an overflow from an underflow when the text lies
// outside the f32 range.
float convert_number_text(std::string_view text, bool integral_nonzero);
// The name whose slash is at `pos`, `#xx` escapes decoded, as lossy UTF-8.
std::string parse_name_text(std::string_view data, std::size_t& pos);

}  // namespace zvk
