#include "base/text.h"

#include "base/utf8.h"

namespace zvk {

std::string_view trim_leading_white_space(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        Utf8Step step = utf8_decode_at(text, begin);
        if (!step.valid || !is_unicode_white_space(step.scalar)) break;
        begin += step.length;
    }
    return text.substr(begin);
}

std::string_view trim_trailing_white_space(std::string_view text) {
    // From the end inwards, so a long text costs only its white space: line
    // tests trim whole line texts once per candidate line.
    std::size_t end = text.size();
    while (end > 0) {
        // Every byte that is not a continuation byte starts a sequence of the
        // forward decoding (no sequence, valid or not, runs over one), so the
        // last sequence starts at the last such byte; it is white space only
        // when it decodes validly right up to `end`.
        std::size_t start = end - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        Utf8Step step = utf8_decode_at(text, start);
        if (!step.valid || start + step.length != end || !is_unicode_white_space(step.scalar)) break;
        end = start;
    }
    return text.substr(0, end);
}

std::string_view trim_white_space(std::string_view text) {
    std::string_view rest = trim_leading_white_space(text);
    // A blank text trims to the empty view at its start: callers that cut one
    // end by the other's offset rely on it.
    if (rest.empty()) return text.substr(0, 0);
    return trim_trailing_white_space(rest);
}

std::vector<char32_t> collect_non_whitespace_chars(std::string_view text) {
    std::vector<char32_t> out;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_unicode_white_space(step.scalar)) continue;
        out.push_back(step.scalar);
    }
    return out;
}

std::vector<std::string_view> split_white_space_words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    bool in_word = false;
    std::size_t offset = 0;
    while (offset < text.size()) {
        const Utf8Step step = utf8_decode_at(text, offset);
        if (step.valid && is_unicode_white_space(step.scalar)) {
            if (in_word) words.push_back(text.substr(start, offset - start));
            in_word = false;
        } else if (!in_word) {
            in_word = true;
            start = offset;
        }
        offset += step.length;
    }
    if (in_word) words.push_back(text.substr(start));
    return words;
}

}  // namespace zvk
