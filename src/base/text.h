// Small text helpers shared by the module: the Unicode White_Space class (the
// fixed 25-code-point table), trimming by it, and the characters it leaves.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/utf8.h"

namespace zvk {

// True for the 25 code points of Unicode's White_Space property. Inline, as
// text tests call it for every character of every line.
constexpr bool is_unicode_white_space(char32_t c) {
    if (c < 0x80) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    switch (c) {
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x2000: case 0x2001: case 0x2002: case 0x2003: case 0x2004: case 0x2005:
    case 0x2006: case 0x2007: case 0x2008: case 0x2009: case 0x200A:
    case 0x2028: case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return false;
    }
}

// A CJK ideograph: the unified ideographs with extension A and the
// compatibility ideographs (U+3400-U+9FFF, U+F900-U+FAFF).
constexpr bool is_cjk_ideograph(char32_t c) { return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF); }

// The text without White_Space at both ends. Invalid UTF-8 sequences are not
// white space, so they stop the trimming.
std::string_view trim_white_space(std::string_view text);

// The text without White_Space at its start.
std::string_view trim_leading_white_space(std::string_view text);

// The text without White_Space at its end.
std::string_view trim_trailing_white_space(std::string_view text);

// The pieces of the text between White_Space, none empty, in order. Invalid
// UTF-8 is no white space.
std::vector<std::string_view> split_white_space_words(std::string_view text);

// The characters of the text that are not White_Space, in order (an invalid
// UTF-8 sequence gives U+FFFD, which is not white space).
std::vector<char32_t> collect_non_whitespace_chars(std::string_view text);

// The text without the characters that `removed` accepts at its start and,
// unless `start_only`, at its end; a view into it. An invalid UTF-8 sequence
// is never removed.
template <typename Removed>
std::string_view trim_scalars(std::string_view text, Removed removed, bool start_only = false) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && removed(step.scalar)) continue;
        if (begin == text.size()) {
            begin = step.offset;
            if (start_only) return text.substr(begin);
        }
        end = step.offset + step.length;
    }
    if (begin >= end) return text.substr(text.size());
    return text.substr(begin, end - begin);
}

}  // namespace zvk
