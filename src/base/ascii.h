// ASCII character tests over Unicode scalars (a char converts unchanged; a
// byte above 0x7F is never ASCII).
#pragma once

#include <string>
#include <string_view>

namespace zvk {

constexpr bool is_ascii_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

constexpr bool is_ascii_letter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }

constexpr char ascii_lower_char(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ascii_upper_char(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Not empty, and ASCII digits only.
constexpr bool is_all_ascii_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!is_ascii_digit(c)) return false;
    }
    return true;
}

// A copy with A-Z (or a-z) turned; every other byte, non-ASCII included, kept.
inline std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_lower_char(c);
    return out;
}
inline std::string ascii_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_upper_char(c);
    return out;
}

}  // namespace zvk
