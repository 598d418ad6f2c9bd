// Character classes of text layout: CJK characters, hanging and bracket
// marks, word characters; and the one conversion between a UTF-8 text and the
// code points the line breaker indexes.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// Kana, CJK extension A, unified and compatibility ideographs, Hangul
// syllables: the characters between which a line may break freely and whose
// gaps take the justification spacing.
constexpr bool is_cjk_char(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xAC00 && c <= 0xD7AF);
}

// A final mark that may hang past the line end (the fullwidth closing
// parenthesis does not).
constexpr bool is_hanging_mark(char32_t c) {
    switch (c) {
    case U'!': case U',': case U'.': case U':': case U';': case U'?':
    case 0xFF01: case 0xFF0C: case 0xFF1A: case 0xFF1B: case 0xFF1F:
    case 0x3001: case 0x3002:
        return true;
    default:
        return false;
    }
}

// No line may end after one of these.
constexpr bool is_opening_mark(char32_t c) {
    switch (c) {
    case U'(': case U'<': case U'[': case U'{':
    case 0x3008: case 0x300A: case 0x300C: case 0x300E: case 0x3010: case 0x3014:
    case 0x3016: case 0x3018: case 0x301A: case 0xFF08: case 0xFF3B: case 0xFF5B: case 0xFF62:
        return true;
    default:
        return false;
    }
}

// No line may start with one of these.
constexpr bool is_closing_mark(char32_t c) {
    switch (c) {
    case U'!': case U')': case U',': case U'.': case U':': case U';': case U'?': case U']': case U'}':
    case 0x3001: case 0x3002: case 0x300B: case 0x300D: case 0x300F: case 0x3011:
    case 0xFF01: case 0xFF09: case 0xFF0C: case 0xFF1A: case 0xFF1B: case 0xFF1F:
        return true;
    default:
        return false;
    }
}

// Unicode Alphabetic from U+00AA up (ICU).
bool is_alphabetic_from_aa(char32_t c);

// An ASCII digit or letter, or an alphabetic character that is not CJK:
// the characters a line never splits between.
bool is_word_char(char32_t c);

// The code points of a text (invalid sequences as U+FFFD).
std::vector<char32_t> to_code_points(std::string_view text);
// The code points of a text with the byte offset of each.
void to_code_points(std::string_view text, std::vector<char32_t>& chars, std::vector<std::size_t>& offsets);
// The UTF-8 text of code points.
std::string from_code_points(std::span<const char32_t> chars);

}  // namespace zvk
