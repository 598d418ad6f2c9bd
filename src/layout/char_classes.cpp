#include "layout/char_classes.h"

#include <unicode/uchar.h>

#include "base/ascii.h"
#include "base/utf8.h"

namespace zvk {

bool is_alphabetic_from_aa(char32_t c) {
    return c >= 0xAA && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_word_char(char32_t c) {
    if (c < 0x80) return is_ascii_digit(c) || is_ascii_letter(c);
    return !is_cjk_char(c) && is_alphabetic_from_aa(c);
}

std::vector<char32_t> to_code_points(std::string_view text) {
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    for (const Utf8Step step : Utf8Range(text)) chars.push_back(step.scalar);
    return chars;
}

void to_code_points(std::string_view text, std::vector<char32_t>& chars, std::vector<std::size_t>& offsets) {
    chars.clear();
    offsets.clear();
    for (const Utf8Step step : Utf8Range(text)) {
        chars.push_back(step.scalar);
        offsets.push_back(step.offset);
    }
}

std::string from_code_points(std::span<const char32_t> chars) {
    std::string out;
    out.reserve(chars.size());
    for (const char32_t c : chars) append_utf8(out, c);
    return out;
}

}  // namespace zvk
