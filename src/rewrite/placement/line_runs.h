// One TextRun per laid-out line of a translated block. The plain builder sets
// every line unchanged at one left x; the justified builder indents the first
// line, scales raised note markers, gives formula slots their reserved widths
// and spreads the slack of CJK lines over their character gaps.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "content/records.h"
#include "layout/measure.h"
#include "rewrite/placement/note_markers.h"
#include "rewrite/placement/text_run.h"

namespace zvk::rewrite {

// What every line of one block shares. The views borrow the caller's values;
// each run gets its own copies.
struct LineBlock {
    std::uint32_t page_index = 0;
    float x = 0;  // the block's left x
    float font_size = 0;
    float skew = 0;
    const Color& fill_color;
    const SubsetFont& font;
    std::string_view font_resource;
    std::span<const std::uint32_t> source_glyph_ids;  // every run carries all of them
};

// Line i on baseline i, as long as both lists last; lines beyond the
// baselines are not set.
void build_line_runs(const LineBlock& block, std::span<const std::string> lines, std::span<const float> baselines,
                     std::vector<TextRun>& out);

struct JustifiedLines {
    std::span<const std::string> lines;  // as wrapped
    std::span<const float> baselines;    // one per line
    float first_width = 0;               // the width the first line was wrapped to
    float width = 0;                     // and every later line
    float first_indent = 0;              // added to x on the first line only
    const DigitPairWidthMap& digit_pairs;
    std::span<const std::vector<std::uint8_t>> marker_flags;  // per line, one flag per character
    std::optional<NoteMarkerScale> marker_factors;
    // Justify only lines that are nearly full: set for plain Franklin text and
    // prompt-section run-in labels.
    bool justification_switch = false;
    bool has_callout_split = false;  // the segment's callout label was split off: the same check
};

// One run per line as long as there are baselines. A line is justified
// unless it is the last or the next line opens a stock-code item (股票,
// digits, U+FF1A), and, when the width check is on, unless it is short of its
// width by more than its CJK gaps can take.
void build_justified_line_runs(const LineBlock& block, const JustifiedLines& lines, std::vector<TextRun>& out);

}  // namespace zvk::rewrite
