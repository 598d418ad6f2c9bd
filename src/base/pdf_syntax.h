// Byte classes of PDF's token syntax, shared by every reader of PDF text:
// the content lexer, the CMap tokenizer and the scan of a damaged file.
#pragma once

#include "base/ascii.h"

namespace zvk {

// NUL, TAB, LF, FF, CR and space.
constexpr bool is_pdf_white_space(unsigned char c) {
    return c == 0x00 || c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

constexpr bool is_pdf_delimiter(unsigned char c) {
    switch (c) {
    case '%': case '(': case ')': case '/': case '<': case '>': case '[': case ']': case '{': case '}':
        return true;
    default:
        return false;
    }
}

// The value of a hexadecimal digit of either case, or -1.
constexpr int hex_digit_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace zvk
