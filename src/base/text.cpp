#include "base/text.h"

#include "base/utf8.h"

namespace zvk {

bool is_unicode_white_space(char32_t c) {
    switch (c) {
    case 0x0009: case 0x000A: case 0x000B: case 0x000C: case 0x000D:
    case 0x0020:
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x2000: case 0x2001: case 0x2002: case 0x2003: case 0x2004: case 0x2005:
    case 0x2006: case 0x2007: case 0x2008: case 0x2009: case 0x200A:
    case 0x2028: case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return false;
    }
}

std::string_view trim_white_space(std::string_view text) {
    // One forward pass: the kept range runs from the first scalar that is not
    // white space to the end of the last one.
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_unicode_white_space(step.scalar)) continue;
        if (begin == text.size()) begin = step.offset;
        end = step.offset + step.length;
    }
    if (begin >= end) return text.substr(0, 0);
    return text.substr(begin, end - begin);
}

}  // namespace zvk
