#include "segment/text_predicates.h"

#include <unicode/uchar.h>

#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zvk {

namespace {


// The characters of a trimmed text, at most `limit` + 1 of them (enough to
// tell "more than limit").
std::vector<char32_t> first_scalars(std::string_view text, std::size_t limit) {
    std::vector<char32_t> out;
    for (Utf8Step step : Utf8Range(text)) {
        out.push_back(step.scalar);
        if (out.size() > limit) break;
    }
    return out;
}

bool is_numeric_symbol_char(char32_t c) {
    if (is_ascii_digit(c)) return true;
    switch (c) {
    case U'%': case U'(': case U')': case U'+': case U',': case U'-': case U'.':
    case U'/': case U':': case U';': case U'<': case U'=': case U'>': case U'[':
    case U']':
    case 0x00B0: case 0x00B1: case 0x00B7: case 0x00D7: case 0x2212: case 0x221E:
    case 0x2248: case 0x2260: case 0x2264: case 0x2265: case 0x2013: case 0x2014:
        return true;
    default:
        return false;
    }
}

bool is_note_mark_char(char32_t c) {
    if (is_ascii_digit(c)) return true;
    switch (c) {
    case U'#': case U'*': case U'+':
    case 0x00A7: case 0x00B6: case 0x2020: case 0x2021: case 0x2217: case 0x22C6:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool is_blank_text(std::string_view text) {
    if (text.empty()) return false;
    for (Utf8Step step : Utf8Range(text)) {
        if (!step.valid || !is_unicode_white_space(step.scalar)) return false;
    }
    return true;
}

bool is_numeric_symbol_text(std::string_view text) {
    auto chars = first_scalars(trim_white_space(text), 1);
    return chars.size() == 1 && is_numeric_symbol_char(chars[0]);
}

bool is_note_mark_text(std::string_view text) {
    auto chars = first_scalars(trim_white_space(text), 2);
    if (chars.empty() || chars.size() > 2) return false;
    for (char32_t c : chars) {
        if (!is_note_mark_char(c)) return false;
    }
    return true;
}

bool contains_year(std::string_view text) {
    std::vector<char32_t> chars;
    for (Utf8Step step : Utf8Range(text)) chars.push_back(step.scalar);
    const std::size_t n = chars.size();
    if (n < 4) return false;
    for (std::size_t i = 0; i + 4 <= n; ++i) {
        bool digits = is_ascii_digit(chars[i]) && is_ascii_digit(chars[i + 1]) &&
                      is_ascii_digit(chars[i + 2]) && is_ascii_digit(chars[i + 3]);
        if (!digits) continue;
        bool century = (chars[i] == U'1' && chars[i + 1] == U'9') || (chars[i] == U'2' && chars[i + 1] == U'0');
        if (!century) continue;
        if (i > 0 && is_ascii_digit(chars[i - 1])) continue;
        if (i + 4 < n && is_ascii_digit(chars[i + 4])) continue;
        return true;
    }
    return false;
}

std::size_t count_letters(std::string_view text) {
    std::size_t count = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && u_hasBinaryProperty(static_cast<UChar32>(step.scalar), UCHAR_ALPHABETIC)) ++count;
    }
    return count;
}

bool starts_with_ascii_letter(std::string_view text) {
    if (text.empty()) return false;
    char c = text.front();
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool starts_with_ascii_lowercase(std::string_view text) {
    return !text.empty() && text.front() >= 'a' && text.front() <= 'z';
}

}  // namespace zvk
