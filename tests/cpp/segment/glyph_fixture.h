// Glyphs for segmentation tests: a text at a horizontal box, with its origin
// at the box's left, a baseline and a size.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "content/records.h"

namespace zvk::test {

inline constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
inline constexpr float kInf = std::numeric_limits<float>::infinity();

struct GlyphSpec {
    std::string text;
    float x0 = 0;
    float x1 = 0;
    float size = 10;
    float baseline = 0;
    std::string font = "Times-Roman";
};

inline Glyph make_glyph(const GlyphSpec& spec, std::uint32_t id = 0, std::uint32_t page = 0) {
    Glyph g;
    g.id = id;
    g.page_index = page;
    g.unicode = spec.text;
    g.font_name = spec.font;
    g.font_size = spec.size;
    g.matrix = {spec.size, 0, 0, spec.size, spec.x0, spec.baseline};
    g.bbox = {spec.x0, spec.baseline, spec.x1, spec.baseline + spec.size};
    return g;
}

inline std::vector<Glyph> make_glyphs(const std::vector<GlyphSpec>& specs, std::uint32_t page = 0) {
    std::vector<Glyph> glyphs;
    for (std::size_t i = 0; i < specs.size(); ++i) glyphs.push_back(make_glyph(specs[i], static_cast<std::uint32_t>(i), page));
    return glyphs;
}

inline std::vector<const Glyph*> refs(const std::vector<Glyph>& glyphs) {
    std::vector<const Glyph*> out;
    for (const Glyph& g : glyphs) out.push_back(&g);
    return out;
}

// A glyph that only carries a font size.
inline Glyph sized(float size) {
    Glyph g;
    g.font_size = size;
    return g;
}

// The texts of glyph runs, one string per run.
inline std::vector<std::string> run_texts(const std::vector<std::vector<const Glyph*>>& runs) {
    std::vector<std::string> out;
    for (const auto& run : runs) {
        std::string text;
        for (const Glyph* g : run) text += g->unicode;
        out.push_back(text);
    }
    return out;
}

}  // namespace zvk::test
