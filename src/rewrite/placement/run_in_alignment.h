// A run-in label (a prompt-section keyword before body text on one line) set
// in translation: where the keyword labels of the page line up, left or right,
// and where their bodies start; and the translated label cut off the
// translated body.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "content/records.h"
#include "rewrite/geometry/run_in_labels.h"
#include "rewrite/placement/page_context.h"

namespace zvk::rewrite {

struct RunInLabelAlignment {
    float label_x = 0.0f;  // common left edge, or common right edge when right-aligned
    float body_x = 0.0f;   // common start of the bodies
    bool right_aligned = false;
};

struct RunInLabelSplit {
    std::string label;  // the translated label with the one separator after it
    std::string body;   // the rest, leading white space removed
};

// The keyword labels of the page's line boxes whose bodies start within 3 of
// the segment's (the segment's own label when there is none): left-aligned
// when their starts spread less than their ends (by more than 0.5), else
// right-aligned; positions are upper medians.
RunInLabelAlignment align_run_in_label_on_page(std::span<const GlyphLineBox> page_boxes, const RunInLabel& label);
RunInLabelAlignment align_run_in_label_on_page(PageContext& context, std::uint32_t page, const RunInLabel& label);
RunInLabelAlignment align_run_in_label_on_page(std::span<const Glyph> glyphs, std::uint32_t page,
                                               const RunInLabel& label);

// A translation that starts with two to four CJK characters and a separator
// (a colon, a space before a digit, or after a two-character keyword such as
// 指令 a space or no-break space) cut into the label with its separator and
// the body; none when it does not start so or no body follows.
std::optional<RunInLabelSplit> split_translated_run_in_label(std::string_view text);

}  // namespace zvk::rewrite
