// Glyphs and text lines for the skip and attach passes: a store that owns
// glyphs with dense ids, words placed glyph by glyph (one glyph per
// character, UTF-8 aware), and lines built from them.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "segment/glyph_fixture.h"
#include "segment/text_line.h"

namespace zvk::test {

class GlyphStore {
public:
    // One glyph of `text` with its box from x0 to x1 on baseline y.
    const Glyph* glyph(const std::string& text, float x0, float x1, float y, float size = 10, std::uint32_t page = 0,
                       const std::string& font = "Times-Roman") {
        glyphs_.push_back(make_glyph({text, x0, x1, size, y, font}, static_cast<std::uint32_t>(glyphs_.size()), page));
        return &glyphs_.back();
    }

    // The characters of `text` from x0 on, each 0.5 × size wide; a space is
    // a gap of 0.3 × size.
    std::vector<const Glyph*> word(const std::string& text, float x0, float y, float size = 10, std::uint32_t page = 0,
                                   const std::string& font = "Times-Roman") {
        std::vector<const Glyph*> out;
        float x = x0;
        for (Utf8Step step : Utf8Range(text)) {
            if (step.scalar == U' ') {
                x += 0.3f * size;
                continue;
            }
            out.push_back(glyph(std::string(text.substr(step.offset, step.length)), x, x + 0.5f * size, y, size, page,
                                font));
            x += 0.5f * size;
        }
        return out;
    }

    TextLine line(const std::string& text, float x0, float y, float size = 10, std::uint32_t page = 0,
                  const std::string& font = "Times-Roman") {
        return build_text_line(word(text, x0, y, size, page, font));
    }

    // The glyphs as a document's glyph list (ids are positions).
    std::vector<Glyph> document() const { return {glyphs_.begin(), glyphs_.end()}; }

private:
    std::deque<Glyph> glyphs_;
};

inline std::vector<const Glyph*> join(std::vector<const Glyph*> a, const std::vector<const Glyph*>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::vector<std::string> line_texts(const std::vector<TextLine>& lines) {
    std::vector<std::string> out;
    for (const TextLine& line : lines) out.push_back(line.text);
    return out;
}

}  // namespace zvk::test
