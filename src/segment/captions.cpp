#include "segment/captions.h"

#include <array>
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/toc_lines.h"

namespace zvk {

namespace {

constexpr std::array<std::string_view, 3> kFigureWords{"figure", "fig.", "fig"};
constexpr std::array<std::string_view, 3> kTableWords{"table", "tab.", "tab"};
// Roman numerals of figures stay short; a longer letter run is a word.
constexpr std::size_t kMaxRomanLetters = 8;



bool follows_caption_word(std::string_view text, std::string_view word) {
    if (!text.starts_with(word)) return false;
    if (word.size() == 3 && text.size() > 3 && is_ascii_letter(text[3])) return false;
    std::string_view rest = trim_leading_white_space(text.substr(word.size()));
    while (rest.starts_with('.')) rest.remove_prefix(1);
    rest = trim_leading_white_space(rest);
    std::size_t digits = 0;
    while (digits < rest.size() && is_ascii_digit(rest[digits])) ++digits;
    if (digits > 0) {
        rest.remove_prefix(digits);
    } else {
        std::size_t letters = 0;
        while (letters < rest.size() && is_ascii_letter(rest[letters])) ++letters;
        if (letters == 0 || letters > kMaxRomanLetters || !is_roman_numeral(rest.substr(0, letters))) return false;
        rest.remove_prefix(letters);
    }
    rest = trim_leading_white_space(rest);
    return !rest.empty() && (rest[0] == '.' || rest[0] == ':' || rest[0] == '|');
}

}  // namespace

std::string_view caption_kind_word(CaptionKind kind) { return kind == CaptionKind::Figure ? "figure" : "table"; }

bool starts_with_caption_word(std::string_view text, std::span<const std::string_view> words) {
    for (std::string_view word : words) {
        if (follows_caption_word(text, word)) return true;
    }
    return false;
}

std::optional<CaptionKind> caption_kind(std::string_view text) {
    const std::string lower = ascii_lower(trim_white_space(text));
    if (starts_with_caption_word(lower, kFigureWords)) return CaptionKind::Figure;
    if (starts_with_caption_word(lower, kTableWords)) return CaptionKind::Table;
    return std::nullopt;
}

}  // namespace zvk
