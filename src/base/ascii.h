// ASCII character tests over Unicode scalars (a char converts unchanged; a
// byte above 0x7F is never ASCII).
#pragma once

namespace zvk {

constexpr bool is_ascii_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

constexpr bool is_ascii_letter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }

}  // namespace zvk
