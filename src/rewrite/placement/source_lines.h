// What placement reads of a segment's source lines (top line first): a line's
// text left to right, the hanging indent of a bulleted paragraph, and a
// baseline for each output line spread over the source baselines.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"

namespace zvk::rewrite {

// The glyphs' texts joined in origin-x order (stable, total order), nothing
// between them.
std::string line_text_by_x(std::span<const Glyph* const> glyphs);

struct HangingIndent {
    bool hanging = false;
    float indent = 0;  // how far the later lines start right of the first; meant only when hanging
};

// A bulleted first line whose later lines all start between 0.45 and 2.8 ×
// size right of it.
HangingIndent detect_bullet_hanging_indent(std::span<const RewriteLine> lines, float size);

// n baselines from the lines' baselines: the first n when there are enough;
// otherwise the extra ones go, one at a time, into the widest gap between
// neighbouring lines (the later gap on a tie), spread evenly within it. A
// single line cannot be spread: it gives its one baseline only, so a caller
// that asked for more gets fewer than n and must not place the extra lines.
std::vector<float> distribute_line_baselines(std::span<const RewriteLine> lines, std::size_t n);

}  // namespace zvk::rewrite
