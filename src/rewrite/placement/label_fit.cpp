#include "rewrite/placement/label_fit.h"

#include <cmath>

#include "base/text.h"
#include "base/utf8.h"
#include "layout/measure.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

// The size search shared by both fits: from `start`, down by 0.94 to the
// floor (NaN ignored), until `fits` says yes, the floor is reached, or a step
// changes the size by less than 0.01.
template <typename Fits>
float shrink(float start, float floor, Fits fits) {
    float s = start;
    while (true) {
        if (floor + 0.01f >= s || fits(s)) return s;
        const float next = edge_max(0.94f * s, floor);
        if (std::fabs(next - s) < 0.01f) return s;
        s = next;
    }
}

bool is_label_end_mark(char32_t c) { return c == 0x20 || c == 0xA0 || c == U':' || c == 0xFE55 || c == 0xFF1A; }

}  // namespace

FittedLabel shrink_line_to_width(std::string_view text, const font::SubsetFont& font, float x, float right,
                                 float size) {
    const float floor = 0.72f * size;
    const float s = shrink(edge_max(size, 1.0f), floor,
                           [&](float at) { return right - 1.5f >= x + text_width(text, font, at); });
    return {std::string(text), s, x};
}

FittedLabel fit_label_before_run(std::string_view label, bool right_align, const font::SubsetFont& font, float x,
                                 float right, float size) {
    std::string_view clean = trim_white_space(label);
    // Then every final space and colon: the text up to its last other character.
    std::size_t keep = 0;
    for (const Utf8Step step : Utf8Range(clean)) {
        if (!(step.valid && is_label_end_mark(step.scalar))) keep = step.offset + step.length;
    }
    clean = clean.substr(0, keep);
    const float h0 = edge_max(0.85f * size, 1.0f);
    const float floor = 0.72f * size;
    FittedLabel out{std::string(clean), h0, x};
    if (right_align) {
        const float end = edge_min(x, right - 2.0f);
        out.size = shrink(h0, floor, [&](float at) {
            const float w = text_width(clean, font, at);
            const float start = end - w;
            return start >= 39.9f && start + w <= right - 1.5f;
        });
        out.x = end - text_width(clean, font, out.size);
    } else if (x >= 39.9f) {
        out.size = shrink(h0, floor, [&](float at) { return right - 1.5f >= x + text_width(clean, font, at); });
    } else {
        out.size = shrink(h0, floor, [](float) { return false; });
    }
    return out;
}

}  // namespace zvk::rewrite
