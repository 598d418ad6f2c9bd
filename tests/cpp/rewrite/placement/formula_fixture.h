// A segment with inline script formulas built in code, and a small output
// font: what the formula slot tests lay out and place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/records.h"
#include "font/subset_font.h"
#include "rewrite/geometry/glyph_runs.h"
#include "rewrite/geometry/math_blocks.h"
#include "segment/glyph_fixture.h"

namespace zvk::rewrite::test {

// Body text at 10 pt on baseline 700. Each formula is a raised "2" and "n"
// in a 7 pt math font (an exponent 2n) at x0 and x0 + 4, baseline 704; its
// letter "x" stands at x0 - 11, far enough left not to join the group, close
// enough to anchor it. Formulas 40 points apart stay apart. Ids follow the
// order glyphs were added.
class FormulaSegment {
public:
    // `with_letters`: put the "x" before each formula; without it only a
    // distant body glyph gives the line its baseline.
    explicit FormulaSegment(int formulas, bool with_letters = true, float first_x = 196) {
        for (int k = 0; k < formulas; ++k) {
            const float x0 = first_x + 40.0f * static_cast<float>(k);
            if (with_letters) add("x", x0 - 11, 700, 10, "Times-Roman");
            first_member_.push_back(add("2", x0, 704, 7, "CMMI7"));
            add("n", x0 + 4, 704, 7, "CMMI7");
        }
        // The line's baseline, and a second body line far below; nothing of
        // it is within six sizes of a formula across.
        add("e", first_x + 40.0f * static_cast<float>(formulas) + 120, 700, 10, "Times-Roman");
        for (float x = 100; x <= 160; x += 6) add("e", x, 650, 10, "Times-Roman");
    }

    std::uint32_t add(const std::string& text, float x, float y, float size, const std::string& font) {
        Glyph g = zvk::test::make_glyph({.text = text, .x0 = x, .x1 = x + 0.5f * size, .size = size, .baseline = y,
                                         .font = font},
                                        static_cast<std::uint32_t>(glyphs_.size()));
        glyphs_.push_back(std::move(g));
        refs_.clear();
        return glyphs_.back().id;
    }

    Glyph& glyph(std::uint32_t id) {
        refs_.clear();
        return glyphs_[id];
    }

    const std::vector<const Glyph*>& refs() {
        if (refs_.size() != glyphs_.size()) refs_ = zvk::test::refs(glyphs_);
        return refs_;
    }

    FormulaGroups groups() { return analyze_segment_glyph_runs(refs(), typical_glyph_size(refs())); }

    // The ids of formula k as the analysis should find it: its 2 and its n.
    std::vector<std::uint32_t> formula(int k) const {
        const std::uint32_t two = first_member_[static_cast<std::size_t>(k)];
        return {two, two + 1};
    }

private:
    std::vector<Glyph> glyphs_;
    std::vector<const Glyph*> refs_;
    std::vector<std::uint32_t> first_member_;
};

// Units per em 1000: ASCII characters 500 units wide, everything else 1000.
inline font::SubsetFont make_font(const std::u32string& characters) {
    font::SubsetFont font;
    font.units_per_em = 1000;
    std::uint16_t gid = 1;
    for (const char32_t c : characters) {
        font.glyphs[static_cast<std::uint32_t>(c)] = {gid++, static_cast<std::uint16_t>(c < 0x80 ? 500 : 1000)};
    }
    return font;
}

}  // namespace zvk::rewrite::test
