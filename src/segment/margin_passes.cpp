#include "segment/margin_passes.h"

#include <cmath>
#include <utility>

namespace zvk {

namespace {

// How far from upright a glyph may be turned and still read along its line.
constexpr float kTurnedShare = 0.25f;

}  // namespace

bool is_rotated_glyph(const Glyph& glyph) {
    const float a = std::fabs(glyph.matrix[0]);
    const float b = std::fabs(glyph.matrix[1]);
    const float c = std::fabs(glyph.matrix[2]);
    const float d = std::fabs(glyph.matrix[3]);
    return b > 1.0f && c > 1.0f && a <= kTurnedShare * b && d <= kTurnedShare * c;
}

std::vector<TextLine> skip_rotated_glyphs(std::vector<std::vector<const Glyph*>> runs,
                                          std::vector<SkippedGlyph>& skipped) {
    std::vector<TextLine> lines;
    lines.reserve(runs.size());
    for (std::vector<const Glyph*>& run : runs) {
        std::vector<const Glyph*> kept;
        kept.reserve(run.size());
        for (const Glyph* g : run) {
            if (is_rotated_glyph(*g)) {
                skipped.push_back({g->id, "margin"});
            } else {
                kept.push_back(g);
            }
        }
        if (!kept.empty()) lines.push_back(build_text_line(std::move(kept)));
    }
    return lines;
}

}  // namespace zvk
