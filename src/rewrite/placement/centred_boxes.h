// How much room a short centred line (a title, a heading, a caption line) or
// a centred display-heading block may take for a longer translation, and the
// next line of other text below a baseline.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/placement/page_context.h"

namespace zvk::rewrite {

struct CentredLineBox {
    float left = 0.0f;
    float right = 0.0f;
    float depth = 0.0f;  // free space below the line's baseline
};

struct LineBelow {
    float baseline = 0.0f;
    float font_size = 0.0f;  // the largest size on that baseline
};

struct InsetBox {
    float left = 0.0f;
    float right = 0.0f;
};

// For a line centred (within 3 sizes) in an area at least 200 wide, with more
// than 2 sizes free on each side and at most 22 sizes long: the area inset by
// clamp(0.11 × width, 54, 78), widened to the neighbouring lines of the same
// size within 2.6 sizes above or below (but no closer than 36 to the area's
// edges), with the depth free below the line.
std::optional<CentredLineBox> find_centred_line_box(std::span<const Glyph* const> page_glyphs,
                                                    const RewriteLine& line,
                                                    std::span<const Glyph* const> segment_glyphs, float size,
                                                    float area_left, float area_right);
std::optional<CentredLineBox> find_centred_line_box(const PageContext& context, const RewriteLine& line,
                                                    std::span<const Glyph* const> segment_glyphs, float size,
                                                    float area_left, float area_right);
std::optional<CentredLineBox> find_centred_line_box(std::span<const Glyph> glyphs, const RewriteLine& line,
                                                    std::span<const Glyph* const> segment_glyphs, float size,
                                                    float area_left, float area_right);

// The area inset by clamp(0.11 × width, 54, 78) for a display heading (style
// class 3) centred within 28 and at least 36 from both edges, when the block
// and four sizes fit in it.
std::optional<InsetBox> centred_block_inset_box(int block_class, float size, float area_left, float area_right,
                                                float block_left, float block_right);

// The highest baseline of non-blank text at least 0.35 × size below y on the
// page (excluded glyphs aside), with the largest size of any glyph within
// 0.45 × size of it.
std::optional<LineBelow> find_line_below(std::span<const Glyph* const> page_glyphs, std::uint32_t page,
                                         std::span<const Glyph* const> excluded, float y, float size);
std::optional<LineBelow> find_line_below(const PageContext& context, std::uint32_t page,
                                         std::span<const Glyph* const> excluded, float y, float size);
std::optional<LineBelow> find_line_below(std::span<const Glyph> glyphs, std::uint32_t page,
                                         std::span<const Glyph* const> excluded, float y, float size);

}  // namespace zvk::rewrite
