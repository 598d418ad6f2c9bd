// Two questions about a row of glyphs that the rewriter asks before it
// replaces text: does the line start with a run-in label (a word in small
// capitals, or a prompt-section keyword such as INPUT, set off by a gap or by
// the change to full-size letters), and does a wide empty strip split a glyph
// set into a left and a right column.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"

namespace zvk::rewrite {

struct RunInLabel {
    std::vector<std::uint32_t> glyph_ids;  // the label's glyphs, origin x ascending
    float label_x0 = 0.0f;                 // origin x of the first label glyph
    float label_x1 = 0.0f;                 // largest right edge over the label
    float body_x = 0.0f;                   // origin x of the first body glyph
    bool is_keyword = false;               // the label's letters spell a keyword
};

struct ColumnBox {
    float x0 = 0.0f;     // smallest of origin x and box x0
    float x1 = 0.0f;     // largest of origin x and box x1
    float y_max = 0.0f;  // highest baseline
    float y_min = 0.0f;  // lowest baseline
};

struct ColumnSplit {
    ColumnBox left;
    ColumnBox right;
};

// The label at the start of the first line (the others are not read), or
// none; a label needs more than 5 glyphs on its line.
std::optional<RunInLabel> detect_run_in_label(std::span<const RewriteLine> lines);

// The widest gap of at least 1.15 × max(size, 1) between neighbours in x,
// when both sides are at least eight sizes wide and no left glyph reaches
// into it; none for fewer than 8 glyphs.
std::optional<ColumnSplit> find_column_gutter(std::span<const Glyph* const> glyphs, float size);

}  // namespace zvk::rewrite
