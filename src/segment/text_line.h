// A line of glyphs as segmentation works on it, how one is built from a glyph
// run, and the measures of a run that all segmentation passes share: its
// representative font size and its extents.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "content/records.h"

namespace zvk {

struct TextLine {
    // The glyphs of the run the line was built from, in the run's order; never
    // empty. They belong to the extracted document, which outlives the line.
    std::vector<const Glyph*> glyphs;
    std::string text;       // line_text_from_glyphs of `glyphs`
    std::string font_name;  // the first glyph's font name after its last '+'
    std::uint32_t page_index = 0;
    float y = 0.0f;   // baseline: upper median of the glyphs' baselines
    float x0 = 0.0f;  // left edge, leading and trailing blank glyphs left out
    float x1 = 0.0f;  // right edge, likewise
    float size = 12.0f;
    // Rebuilt after its table-of-contents glyphs were taken out.
    bool toc_trimmed = false;
    // Cleared when another line of the page sits on the same baseline to its
    // right.
    bool ends_row = true;
};

struct LineExtents {
    float left = 0.0f;
    float right = 0.0f;
    float baseline = 0.0f;
    float size = 0.0f;
};

// The font size that stands for a set of glyphs, never below 1. Sizes below 1
// and NaN are left out (none left: 1). With m the upper median of the sizes:
// among four or more sizes whose largest exceeds 1.8 × m, the upper median of
// the sizes above 1.8 × m when there are four or more of them, else m;
// otherwise the largest size. A few big glyphs (initials, symbols) leave a
// line at its body size; a line of mostly big glyphs takes the big size.
// Layout, placement and the rewrite rely on this exact rule.
float representative_font_size(std::span<const Glyph* const> glyphs);
// The same rule over sizes already filtered (at least 1, no NaN) and sorted
// ascending, for callers that keep them so as a line grows.
float representative_of_sorted_sizes(std::span<const float> sizes);

// The glyphs without the leading and trailing blank ones, as [begin, end)
// positions; all of them when every glyph is blank.
std::pair<std::size_t, std::size_t> nonblank_glyph_range(std::span<const Glyph* const> glyphs);

// Left and right from the outer edges (origin x and box) of the glyphs
// without the leading and trailing blank ones (all of them when every glyph is
// blank); baseline (upper median, total order) and size from all glyphs.
// None only for an empty list.
std::optional<LineExtents> line_extent_stats(std::span<const Glyph* const> glyphs);

// A line from a non-empty glyph run.
TextLine build_text_line(std::vector<const Glyph*> run);

}  // namespace zvk
