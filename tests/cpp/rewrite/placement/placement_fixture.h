// Glyphs and lines for the page-context tests: one-character glyphs placed by
// origin, width and baseline, strings of them written left to right, and
// rewrite lines made from glyph ranges.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "segment/glyph_order.h"

namespace zvk::test {

// A glyph list whose glyphs get dense ids in the order they are added.
struct PageGlyphs {
    std::vector<Glyph> glyphs;

    Glyph& add(std::string text, float x, float baseline, float size = 10, float width = -1, std::uint32_t page = 0) {
        Glyph g;
        g.id = static_cast<std::uint32_t>(glyphs.size());
        g.page_index = page;
        g.unicode = std::move(text);
        g.font_name = "Times-Roman";
        g.font_size = size;
        const float w = width < 0 ? 0.5f * size : width;
        g.matrix = {size, 0, 0, size, x, baseline};
        g.bbox = {x, baseline - 0.2f * size, x + w, baseline + 0.7f * size};
        g.advance = {w, 0};
        glyphs.push_back(std::move(g));
        return glyphs.back();
    }

    // Each character one glyph, 0.5 × size wide, 0.55 × size apart; returns
    // the x after the last glyph's box.
    float write(std::string_view text, float x, float baseline, float size = 10, std::uint32_t page = 0) {
        for (Utf8Step step : Utf8Range(text)) {
            add(std::string(text.substr(step.offset, step.length)), x, baseline, size, -1, page);
            x += 0.55f * size;
        }
        return x - 0.05f * size;
    }
};

// A rewrite line of the glyphs [first, last] of a list, edges from their
// origins and boxes, baseline of the first glyph.
inline rewrite::RewriteLine line_of(const std::vector<Glyph>& glyphs, std::size_t first, std::size_t last) {
    rewrite::RewriteLine line;
    for (std::size_t i = first; i <= last; ++i) line.glyphs.push_back(&glyphs[i]);
    line.baseline = glyphs[first].matrix[5];
    line.x0 = glyph_left_edge(glyphs[first]);
    line.x1 = glyph_right_edge(glyphs[first]);
    for (const Glyph* g : line.glyphs) {
        line.x0 = edge_min(line.x0, glyph_left_edge(*g));
        line.x1 = edge_max(line.x1, glyph_right_edge(*g));
    }
    return line;
}

}  // namespace zvk::test
