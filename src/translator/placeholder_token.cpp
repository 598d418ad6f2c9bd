#include "translator/placeholder_token.h"

#include "base/ascii.h"

namespace zvk {

std::size_t placeholder_token_length(std::string_view text, std::size_t at) {
    if (at > text.size() || text.substr(at, kOpenMark.size()) != kOpenMark) return 0;
    std::size_t i = at + kOpenMark.size();
    const std::size_t digits = i;
    while (i < text.size() && is_ascii_digit(text[i])) ++i;
    if (i == digits || text.substr(i, kCloseMark.size()) != kCloseMark) return 0;
    return i + kCloseMark.size() - at;
}

}  // namespace zvk
