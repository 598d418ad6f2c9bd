// The questions the fitting engine asks about a segment's source lines and
// their neighbourhood before it chooses sizes, limits and alignment: bold or
// plain Franklin type, a second size, a short run in a second colour, a
// section number or an environment label just left of the text, a centred
// block of comma-separated lines.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/placement/page_context.h"

namespace zvk::rewrite {

// Every glyph of every line is set in a bold face; false when no line holds
// a glyph.
bool all_glyphs_bold_in_lines(std::span<const RewriteLine> lines);

// is_plain_franklin_text over the glyphs of all lines, line by line.
bool lines_are_plain_franklin_text(std::span<const RewriteLine> lines);

// Six sizes or more that fall, in the given order, into exactly two groups
// (within 5 % of a group's first size), the second 18 % to 35 % larger than
// the first and holding less than half of the sizes: that second size (the
// group's middle, its upper median when the caller sorts the sizes).
std::optional<float> detect_two_size_groups(std::span<const float> sizes);

// Six glyphs or more that read, left to right, as a run of at least four
// glyphs in one colour followed by at least two in others, the later runs
// narrower than the first and starting where it ends: the first run's right
// edge.
std::optional<float> detect_two_colour_runs(std::span<const Glyph* const> glyphs);

// Glyphs of digits and full stops on the line's page and baseline, ending
// more than 0.15 × size left of the line, read left to right as a dotted
// number such as 2.1.
bool has_section_number_left_of_line(std::span<const Glyph* const> page_glyphs, const RewriteLine& line);
bool has_section_number_left_of_line(PageContext& context, const RewriteLine& line);
bool has_section_number_left_of_line(std::span<const Glyph> glyphs, const RewriteLine& line);

// Glyphs outside the segment on the page and baseline, between start − 1 and
// end − 0.3 × size, that read left to right as an environment label (Theorem,
// Proof, Note, ...): the width end − start when it exceeds 0.6 × size.
std::optional<float> detect_label_before_line(std::span<const Glyph* const> page_glyphs,
                                              std::span<const Glyph* const> segment_glyphs, std::uint32_t page,
                                              float baseline, float start, float end, float size);
std::optional<float> detect_label_before_line(const PageContext& context, std::span<const Glyph* const> segment_glyphs,
                                              std::uint32_t page, float baseline, float start, float end,
                                              float size);
std::optional<float> detect_label_before_line(std::span<const Glyph> glyphs,
                                              std::span<const Glyph* const> segment_glyphs, std::uint32_t page,
                                              float baseline, float start, float end, float size);

// The upper median of the lines' centres (x0 + x1) / 2; NaN for no lines.
float median_line_centre(std::span<const RewriteLine> lines);

// Three lines or more, all but at most one holding a comma, every centre
// within 3 × the largest glyph size of the median centre.
bool is_centred_comma_block(std::span<const RewriteLine> lines);

}  // namespace zvk::rewrite
