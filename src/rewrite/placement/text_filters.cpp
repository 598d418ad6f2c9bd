#include "rewrite/placement/text_filters.h"

#include "base/text.h"
#include "base/utf8.h"

namespace zvk::rewrite {

namespace {

void append_nonblank_text(std::string& out, std::string_view text) {
    for (const Utf8Step step : Utf8Range(text)) append_nonblank_char(out, step.scalar);
}

bool is_leading_quote(char32_t c) {
    switch (c) {
    case 0x0022: case 0x0027: case 0x00AB: case 0x00BB:
    case 0x2018: case 0x2019: case 0x201C: case 0x201D: case 0x201E:
    case 0x275B: case 0x275C: case 0x275D: case 0x275E:
    case 0x300C: case 0x300D:
        return true;
    default:
        return is_unicode_white_space(c);
    }
}

}  // namespace

void append_nonblank_char(std::string& out, char32_t c) {
    if (!is_unicode_white_space(c)) append_utf8(out, c);
}

std::string collect_nonblank_text(const std::vector<std::vector<std::string>>& slot_lines) {
    std::string out;
    for (const auto& lines : slot_lines) {
        for (const std::string& line : lines) append_nonblank_text(out, line);
    }
    return out;
}

std::string collect_nonblank_text_chained(std::span<const TextRun> runs) {
    std::string out;
    for (const TextRun& run : runs) append_nonblank_text(out, run.text);
    return out;
}

std::string_view trim_leading_quotes(std::string_view text) {
    return trim_scalars(text, is_leading_quote, /*start_only=*/true);
}

bool font_lacks_any_char(std::string_view first, std::string_view second, const font::SubsetFont& font) {
    for (const std::string_view text : {first, second}) {
        for (const Utf8Step step : Utf8Range(text)) {
            if (!font.glyphs.contains(step.scalar)) return true;
        }
    }
    return false;
}

std::string chars_at_positions(std::span<const char32_t> chars, std::span<const std::size_t> positions) {
    std::string out;
    for (const std::size_t p : positions) {
        if (p < chars.size()) append_utf8(out, chars[p]);
    }
    return out;
}

}  // namespace zvk::rewrite
