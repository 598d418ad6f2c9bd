#include "segment/line_text.h"

#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

// Gaps of 24 units or more are column or cell gaps, not word spaces: the line
// cutter keeps such glyphs together only when they belong together anyway.
constexpr float kMaxWordGap = 24.0f;
// A word space is wider than this share of the previous glyph's size.
constexpr float kWordGapShare = 0.18f;
// A note mark at most this share of the previous glyph's size is a raised
// marker that clings to its word.
constexpr float kNoteMarkShare = 0.85f;

// An empty text counts as white space here: it puts no space on either side.
bool only_white_space(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (!step.valid || !is_unicode_white_space(step.scalar)) return false;
    }
    return true;
}

bool is_cjk(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF);
}

bool holds_cjk(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_cjk(step.scalar)) return true;
    }
    return false;
}

}  // namespace

bool space_between(const Glyph& prev, const Glyph& next) {
    if (only_white_space(prev.unicode) || only_white_space(next.unicode)) return false;
    // Chinese and Japanese set no spaces between their characters.
    if (holds_cjk(prev.unicode) && holds_cjk(next.unicode)) return false;
    float gap = glyph_box_left(next) - glyph_box_right(prev);
    float threshold = kWordGapShare * edge_max(prev.font_size, 1.0f);
    if (!(gap < kMaxWordGap && gap > threshold)) return false;
    if (is_note_mark_text(next.unicode) && prev.font_size * kNoteMarkShare >= next.font_size) return false;
    return true;
}

std::string line_text_from_glyphs(std::span<const Glyph* const> glyphs) {
    std::string text;
    const Glyph* prev = nullptr;
    for (const Glyph* glyph : glyphs) {
        if (prev != nullptr && space_between(*prev, *glyph)) text.push_back(' ');
        text += glyph->unicode;
        prev = glyph;
    }
    return text;
}

}  // namespace zvk
