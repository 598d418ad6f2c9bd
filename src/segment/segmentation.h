// Segmentation's entry: the glyphs of a document, in reading order, become
// glyph lines, runs, text lines and line groups, and finally translation
// segments, with every glyph left out of translation and why.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "content/records.h"
#include "segment/text_line.h"

namespace zvk {

struct Segment {
    std::vector<std::uint32_t> glyph_ids;  // in the order of the text
    std::string source;
    std::uint32_t id = 0;  // position in SegmentationResult::segments
    std::uint32_t page_index = 0;
};

// A glyph segmentation leaves out of translation. The reason ("margin",
// "ocr", "toc", "code", "figure", "table") becomes the glyph's keep reason.
struct SkippedGlyph {
    std::uint32_t glyph_id = 0;
    std::string reason;
};

struct SegmentationResult {
    std::vector<Segment> segments;
    // In the order the passes recorded them; a glyph two passes record
    // appears twice.
    std::vector<SkippedGlyph> skipped;
};

// Lines that paragraphs are assembled within, in line order; paragraphs never
// cross groups.
struct LineGroup {
    std::vector<TextLine> lines;
    // Per line, the lines of captions regrouped onto it (filled when captions
    // are regrouped; empty until then).
    std::vector<std::vector<TextLine>> caption_targets;
};

// What the stages before paragraph assembly leave: the skips recorded so far,
// the lines with every skipped glyph taken out, gathered in groups, and the
// typical line width of each page.
struct LineGrouping {
    std::vector<SkippedGlyph> skipped;
    std::vector<LineGroup> groups;
    std::map<std::uint32_t, float> typical_line_width;
};

// The whole segmentation of `glyphs` (the result refers to them by id).
// skip_figures and skip_tables let captions' areas and figure regions become
// "figure" and "table" skips; regions and pages serve figure regions and
// scanned pages. Never fails. Runs on the calling thread.
SegmentationResult segment_glyphs(std::span<const Glyph> glyphs, bool skip_figures, bool skip_tables,
                                  std::span<const Region> regions, std::span<const PageInfo> pages);

// The driver from glyph runs (in order) to segments. `unmapped` holds the
// glyphs that line grouping left out (collect_unmapped_glyphs): lines they
// cut apart are joined again.
SegmentationResult build_segments(std::vector<std::vector<const Glyph*>> runs, bool skip_figures,
                                  bool skip_tables, std::span<const Region> regions,
                                  std::span<const PageInfo> pages, std::span<const Glyph* const> unmapped = {});

// Stages A and B of build_segments: runs to text lines, the skip and rescue
// passes, pruning, typical widths and line groups. Tools and tests read the
// lines here, before paragraphs are assembled.
LineGrouping build_line_groups(std::vector<std::vector<const Glyph*>> runs, bool skip_figures, bool skip_tables,
                               std::span<const Region> regions, std::span<const PageInfo> pages,
                               std::span<const Glyph* const> unmapped = {});

}  // namespace zvk
