#include "base/utf8.h"

namespace zvk {

Utf8Step utf8_decode_at(std::string_view text, std::size_t offset) {
    const std::size_t n = text.size();
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(offset);
    if (c < 0x80) return {c, offset, 1, true};
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t value = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        value = c & 0x0F;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        value = c & 0x07;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return {kReplacementChar, offset, 1, false};
    }
    std::size_t k = 1;
    for (; k < len && offset + k < n; ++k) {
        unsigned char b = byte(offset + k);
        unsigned char l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
        if (b < l || b > h) break;
        value = (value << 6) | (b & 0x3F);
    }
    if (k == len) return {value, offset, len, true};
    return {kReplacementChar, offset, k, false};
}

Utf16Step utf16be_decode_at(std::string_view bytes, std::size_t offset) {
    auto unit_at = [&](std::size_t i) {
        return static_cast<char32_t>((static_cast<unsigned char>(bytes[i]) << 8) |
                                     static_cast<unsigned char>(bytes[i + 1]));
    };
    const char32_t unit = unit_at(offset);
    if (unit < 0xD800 || unit > 0xDFFF) return {unit, 2, true};
    if (unit <= 0xDBFF && offset + 4 <= bytes.size()) {
        const char32_t low = unit_at(offset + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) return {0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), 4, true};
    }
    return {kReplacementChar, 2, false};
}

void append_utf8(std::string& out, char32_t c) {
    if (!is_scalar_value(c)) c = kReplacementChar;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::size_t count_scalar_values(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += utf8_decode_at(text, offset).length) ++n;
    return n;
}

std::string utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        Utf8Step step = utf8_decode_at(bytes, i);
        if (step.valid) {
            out.append(bytes.data() + i, step.length);
        } else {
            append_utf8(out, kReplacementChar);
        }
        i += step.length;
    }
    return out;
}

bool is_valid_utf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        Utf8Step step = utf8_decode_at(bytes, i);
        if (!step.valid) return false;
        i += step.length;
    }
    return true;
}

}  // namespace zvk
