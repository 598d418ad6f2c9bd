// Text lines for segmentation tests: words of 5-unit glyphs with word gaps,
// kept alive by a pool that owns the glyphs.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"
#include "segment/text_line.h"

namespace zvk::test {

class LinePool {
public:
    // A line of `text` starting at x0 on baseline y: each character a glyph
    // 0.5 × size wide, a space a gap of 0.3 × size (which the line text turns
    // into a space).
    TextLine line(const std::string& text, float x0, float y, float size = 10, std::uint32_t page = 0,
                  const std::string& font = "Times-Roman") {
        std::vector<const Glyph*> run;
        float x = x0;
        for (char c : text) {
            if (c == ' ') {
                x += 0.3f * size;
                continue;
            }
            glyphs_.push_back(make_glyph({std::string(1, c), x, x + 0.5f * size, size, y, font}, next_id_++, page));
            run.push_back(&glyphs_.back());
            x += 0.5f * size;
        }
        return build_text_line(std::move(run));
    }

private:
    std::deque<Glyph> glyphs_;
    std::uint32_t next_id_ = 0;
};

}  // namespace zvk::test
