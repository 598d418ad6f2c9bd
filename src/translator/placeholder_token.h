// The placeholder token that carries a protected span through translation:
// "⟦" + decimal index + "⟧". Named once here for every folder that reads it
// (the Google clients and the translation run above them).
#pragma once

#include <cstddef>
#include <string_view>

namespace zvk {

// The marks around the number of a placeholder token.
inline constexpr std::string_view kOpenMark = "\u27e6";   // ⟦
inline constexpr std::string_view kCloseMark = "\u27e7";  // ⟧

// Length of the placeholder token ("⟦" one or more ASCII digits "⟧") that
// starts at `at`, or 0 when there is none. The digits are read first, then
// "⟧" is expected, so a text of many "⟦" costs one look at each character.
std::size_t placeholder_token_length(std::string_view text, std::size_t at);

}  // namespace zvk
