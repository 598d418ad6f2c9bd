// Text lines for segmentation tests: words of 5-unit glyphs with word gaps,
// kept alive by a pool that owns the glyphs.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "base/utf8.h"
#include "segment/glyph_fixture.h"
#include "segment/text_line.h"

namespace zvk::test {

class LinePool {
public:
    // A line of `text` starting at x0 on baseline y: each Unicode scalar
    // value a glyph 0.5 × size wide, a space a gap of 0.3 × size (which the
    // line text turns into a space).
    TextLine line(const std::string& text, float x0, float y, float size = 10, std::uint32_t page = 0,
                  const std::string& font = "Times-Roman") {
        std::vector<const Glyph*> run;
        lay(run, text, x0, y, size, page, font);
        return build_text_line(std::move(run));
    }

    // A piece of a line set in one font.
    struct Piece {
        std::string text;
        std::string font = "Times-Roman";
    };

    // A line laid out as `line` does, from pieces in their own fonts (bold,
    // italic or math lead-ins); CJK text works too.
    TextLine styled_line(const std::vector<Piece>& pieces, float x0, float y, float size = 10,
                         std::uint32_t page = 0) {
        std::vector<const Glyph*> run;
        float x = x0;
        for (const Piece& piece : pieces) x = lay(run, piece.text, x, y, size, page, piece.font);
        return build_text_line(std::move(run));
    }

    // A line of pieces, each a text starting at its own x, for lines whose
    // gaps matter.
    TextLine pieces(const std::vector<std::pair<std::string, float>>& parts, float y, float size = 10,
                    std::uint32_t page = 0, const std::string& font = "Times-Roman") {
        std::vector<const Glyph*> run;
        for (const auto& [text, x0] : parts) lay(run, text, x0, y, size, page, font);
        return build_text_line(std::move(run));
    }

    // A glyph owned by the pool, with the next id.
    const Glyph& glyph(const GlyphSpec& spec, std::uint32_t page = 0) {
        glyphs_.push_back(make_glyph(spec, next_id_++, page));
        return glyphs_.back();
    }

private:
    // Appends the glyphs of `text` from x on; returns the x after it.
    float lay(std::vector<const Glyph*>& run, const std::string& text, float x, float y, float size,
              std::uint32_t page, const std::string& font) {
        for (Utf8Step step : Utf8Range(text)) {
            if (step.scalar == U' ') {
                x += 0.3f * size;
                continue;
            }
            glyphs_.push_back(
                make_glyph({text.substr(step.offset, step.length), x, x + 0.5f * size, size, y, font}, next_id_++, page));
            run.push_back(&glyphs_.back());
            x += 0.5f * size;
        }
        return x;
    }

    std::deque<Glyph> glyphs_;
    std::uint32_t next_id_ = 0;
};

}  // namespace zvk::test
