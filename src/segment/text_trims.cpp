#include "segment/text_trims.h"

#include <cstddef>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zvk {

namespace {

bool is_word_punctuation(char32_t c) {
    switch (c) {
    case U'(': case U')': case U',': case U'.': case U':': case U';': case 0x201C: case 0x201D:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string_view trim_to_ascii_letters(std::string_view text) {
    // ASCII bytes never occur inside a multi-byte UTF-8 sequence, so the first
    // and last letter bytes bound the result, whatever lies between or around.
    auto letter = [](char c) { return is_ascii_letter(static_cast<unsigned char>(c)); };
    std::size_t begin = 0;
    while (begin < text.size() && !letter(text[begin])) ++begin;
    if (begin == text.size()) return text.substr(text.size());
    std::size_t end = text.size();
    while (!letter(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string_view trim_word_punctuation(std::string_view text) {
    return trim_scalars(text, is_word_punctuation, false);
}

std::string_view trim_leading_digits_and_space(std::string_view text) {
    return trim_scalars(text, [](char32_t c) { return (c >= U'0' && c <= U'9') || is_unicode_white_space(c); }, true);
}

bool is_bullet_mark(char32_t c) {
    switch (c) {
    case 0x2022: case 0x2023: case 0x00B7: case 0x2219: case 0x25A0: case 0x25AA:
    case 0x25AB: case 0x25B8: case 0x25BA: case 0x25C6: case 0x25C7: case 0x25C9:
    case 0x25CB: case 0x25CE: case 0x25CF: case 0x25E6: case 0x2605: case 0x2606:
        return true;
    default:
        return false;
    }
}

std::string_view trim_leading_bullets(std::string_view text) {
    return trim_scalars(text, is_bullet_mark, true);
}

std::string keep_ascii_letters(std::string_view text) {
    // ASCII bytes never occur inside a multi-byte UTF-8 sequence, so a byte
    // filter keeps exactly the ASCII letter characters.
    std::string out;
    for (char c : text) {
        if (is_ascii_letter(static_cast<unsigned char>(c))) out.push_back(c);
    }
    return out;
}

}  // namespace zvk
