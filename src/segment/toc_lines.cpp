#include "segment/toc_lines.h"

#include <array>
#include <string>

#include "base/ascii.h"
#include "base/text.h"

namespace zvk {

namespace {

// Longer than any numeral worth reading as a page or figure number.
constexpr std::size_t kMaxRomanBytes = 8;

// The spellings of one decimal digit in one place (hundreds, tens, ones):
// nine-form, four-form, or an optional five-form and up to three ones.
std::array<std::string, 10> place_forms(char one, char five, char ten) {
    std::array<std::string, 10> forms;
    std::size_t n = 0;
    forms[n++] = std::string{one, ten};
    forms[n++] = std::string{one, five};
    for (int with_five = 0; with_five < 2; ++with_five) {
        for (int ones = 0; ones <= 3; ++ones) {
            std::string form = with_five ? std::string(1, five) : std::string();
            form.append(static_cast<std::size_t>(ones), one);
            forms[n++] = form;
        }
    }
    return forms;
}

bool matches_places(std::string_view rest, std::size_t place) {
    static const std::array<std::array<std::string, 10>, 3> kPlaces{
        place_forms('c', 'd', 'm'), place_forms('x', 'l', 'c'), place_forms('i', 'v', 'x')};
    if (place == 3) return rest.empty();
    for (const std::string& form : kPlaces[place]) {
        if (rest.starts_with(form) && matches_places(rest.substr(form.size()), place + 1)) return true;
    }
    return false;
}

}  // namespace

bool is_roman_numeral(std::string_view text) {
    std::string_view trimmed = trim_white_space(text);
    if (trimmed.empty() || trimmed.size() > kMaxRomanBytes) return false;
    const std::string lower = ascii_lower(trimmed);
    std::string_view rest = lower;
    for (int thousands = 0; thousands <= 4; ++thousands) {
        if (matches_places(rest, 0)) return true;
        if (!rest.starts_with('m')) return false;
        rest.remove_prefix(1);
    }
    return false;
}

}  // namespace zvk
