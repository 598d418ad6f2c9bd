// Figures found from what a page paints: paths and images that lie within 8
// units of each other form clusters, and the clusters that hold an image, or
// several regions one of which is more than a rule, are figure areas. Lines
// inside an area, labels just above one and off-font lines within a large
// union of areas become "figure" skips.
//
// A plot can paint hundreds of thousands of markers, so the clusters come
// from a spatial subdivision rather than from every pair of regions: the
// cost grows with the regions and the ground their boxes cover, never with
// the square of their number.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "content/records.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// A box with x0 <= x1 and y0 <= y1 (a NaN corner is passed over per axis).
struct FigureBox {
    float x0 = 0.0f;
    float y0 = 0.0f;
    float x1 = 0.0f;
    float y1 = 0.0f;
};

// For each box, the index of the first box of its cluster: boxes that come
// within 8 units of each other on both axes (a gap of at most 8 horizontally
// and vertically) share a cluster, and so do boxes linked through others. An
// unknown (NaN) extent on an axis separates nothing on that axis.
std::vector<std::size_t> cluster_boxes(std::span<const FigureBox> boxes);

// The figure areas of one page's regions (in region order) on a page of
// width W and height H (0 when unknown), in the order of their first region.
std::vector<FigureBox> figure_areas(std::span<const Region* const> regions, float page_width, float page_height);

// Runs only with skip_figures and at least one region; pages in ascending
// order; records appended to `skipped` when the pass ends.
void region_figures(const std::vector<TextLine>& lines, bool skip_figures, std::span<const Region> regions,
                    std::span<const PageInfo> pages, std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
