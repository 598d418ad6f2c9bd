// A page's visible text as line boxes (pieces of one text line split at wide
// gaps), and the per-page index that placement reads its surroundings from:
// the glyphs, regions and page record of each page, and each page's boxes,
// built once and then reused for every segment of the rewrite.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

struct GlyphLineBox {
    std::vector<const Glyph*> glyphs;  // position order: origin y descending, then origin x
    float baseline = 0.0f;             // origin y of the first glyph
    float x0 = 0.0f;                   // least origin x
    float x1 = 0.0f;                   // greatest of x0, origin x and box x1
    float size = 1.0f;                 // representative font size, at least 1
};

// The boxes of one page, top line first and left to right on a line, built
// from the whole glyph list on every call: the visible glyphs with a
// non-empty text (white space included) ordered by position, joined into a
// line while the origin y stays within 0.8 of the line's first glyph, and
// cut where the gap to the previous glyph exceeds max(1.5 × line size, 12).
std::vector<GlyphLineBox> collect_page_text_runs(std::span<const Glyph> glyphs, std::uint32_t page);

// The same boxes from one page's glyphs, already in document order.
std::vector<GlyphLineBox> build_page_line_boxes(std::span<const Glyph* const> page_glyphs);

// Baseline descending in the total order, stable.
void sort_line_boxes_by_baseline(std::vector<const GlyphLineBox*>& boxes);

// The glyphs of one page in document order (the per-call filter that the
// context's buckets stand in for).
std::vector<const Glyph*> collect_page_glyphs(std::span<const Glyph> glyphs, std::uint32_t page);

// Per-page buckets of a document's glyphs and path/image regions, and the
// line boxes of each page on first demand. The questions placement asks about
// a segment's surroundings would otherwise walk every glyph of the document
// and re-sort the page for each line of each segment. Holds pointers into the
// document: its glyph and region lists must not grow or move while the
// context lives (their fields read here never change during a rewrite). Not
// for use on several threads at once: the boxes are built lazily.
class PageContext {
public:
    explicit PageContext(const ExtractedDocument& document);

    const ExtractedDocument& document() const { return *document_; }
    // Document order; empty for a page without glyphs.
    std::span<const Glyph* const> page_glyphs(std::uint32_t page) const;
    std::span<const Region* const> page_regions(std::uint32_t page) const;
    // The first page record with that index, or null.
    const PageInfo* page_info(std::uint32_t page) const;
    // collect_page_text_runs of the page, built on the first call.
    const std::vector<GlyphLineBox>& line_boxes(std::uint32_t page);

private:
    struct Bucket {
        std::vector<const Glyph*> glyphs;
        std::vector<const Region*> regions;
        const PageInfo* info = nullptr;
        std::vector<GlyphLineBox> boxes;
        bool boxes_built = false;
    };

    const Bucket* find(std::uint32_t page) const;
    Bucket& bucket(std::uint32_t page);

    const ExtractedDocument* document_;
    std::vector<Bucket> buckets_;
    std::unordered_map<std::uint32_t, std::size_t> slots_;
    std::vector<GlyphLineBox> no_boxes_;
};

}  // namespace zvk::rewrite
