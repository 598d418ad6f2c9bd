#include "segment/segmentation.h"

#include <utility>

#include "segment/attach_passes.h"
#include "segment/caption_areas.h"
#include "segment/code_lines.h"
#include "segment/glyph_lines.h"
#include "segment/line_groups.h"
#include "segment/line_width.h"
#include "segment/margin_passes.h"
#include "segment/ocr_passes.h"
#include "segment/paragraph_merge.h"
#include "segment/paragraphs.h"
#include "segment/segment_text.h"
#include "segment/region_figures.h"
#include "segment/toc_trim.h"

namespace zvk {

namespace {

std::map<std::uint32_t, float> typical_line_width(const std::vector<TextLine>& lines) {
    std::map<std::uint32_t, std::vector<float>> widths;
    for (const TextLine& line : lines) {
        const float width = line.x1 - line.x0;
        if (width > 1.0f) widths[line.page_index].push_back(width);
    }
    return typical_line_width_by_page(std::move(widths));
}

}  // namespace

LineGrouping build_line_groups(std::vector<std::vector<const Glyph*>> runs, bool skip_figures, bool skip_tables,
                               std::span<const Region> regions, std::span<const PageInfo> pages,
                               std::span<const Glyph* const> unmapped) {
    LineGrouping out;
    // Stage A.
    std::vector<TextLine> lines = skip_rotated_glyphs(std::move(runs), out.skipped);
    skip_rule_columns(lines, out.skipped);
    skip_rule_character_lines(lines, out.skipped);
    skip_ocr_pages(lines, out.skipped);
    skip_garbled_lines(lines, regions, pages, out.skipped);
    attach_note_markers(lines);
    attach_short_math_lines(lines);
    trim_table_of_contents(lines, out.skipped);
    // Last, so that the passes above judge the pieces as they were cut: a
    // joined gap that held a sign would look like a contents entry's gap.
    rejoin_across_unmapped(lines, unmapped);

    // Stage B.
    caption_areas(lines, skip_figures, skip_tables, out.skipped);
    region_figures(lines, skip_figures, regions, pages, out.skipped);
    protect_toc_trimmed(lines, out.skipped);
    GlyphIdSet margin_ids;
    skip_margin_lines(lines, margin_ids, out.skipped);
    skip_margin_columns(lines, margin_ids, out.skipped);
    hyphen_rescue(lines, out.skipped);
    figure_rescue(lines, out.skipped);
    code_lines(lines, out.skipped);
    prune_skipped_glyphs(lines, out.skipped);
    out.typical_line_width = typical_line_width(lines);
    out.groups = group_lines(std::move(lines));
    return out;
}

SegmentationResult build_segments(std::vector<std::vector<const Glyph*>> runs, bool skip_figures, bool skip_tables,
                                  std::span<const Region> regions, std::span<const PageInfo> pages,
                                  std::span<const Glyph* const> unmapped) {
    LineGrouping grouping = build_line_groups(std::move(runs), skip_figures, skip_tables, regions, pages, unmapped);
    // Stage C: paragraphs from the groups, chained across column and page
    // breaks, then their segments.
    std::vector<ChainedBlock> blocks = build_chained_blocks(std::move(grouping.groups), grouping.typical_line_width);
    return assemble_segments(blocks, std::move(grouping.skipped));
}

SegmentationResult segment_glyphs(std::span<const Glyph> glyphs, bool skip_figures, bool skip_tables,
                                  std::span<const Region> regions, std::span<const PageInfo> pages) {
    const std::vector<const Glyph*> unmapped = collect_unmapped_glyphs(glyphs);
    return build_segments(group_glyph_lines(glyphs), skip_figures, skip_tables, regions, pages, unmapped);
}

}  // namespace zvk
