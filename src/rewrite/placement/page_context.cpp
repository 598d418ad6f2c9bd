#include "rewrite/placement/page_context.h"

#include <cmath>

#include "base/stable_sort.h"
#include "segment/glyph_order.h"
#include "segment/text_line.h"

namespace zvk::rewrite {

namespace {

GlyphLineBox make_box(std::vector<const Glyph*> glyphs) {
    GlyphLineBox box;
    box.baseline = glyphs.front()->matrix[5];
    float x0 = glyphs.front()->matrix[4];
    for (const Glyph* g : glyphs) x0 = edge_min(x0, g->matrix[4]);
    float x1 = x0;
    for (const Glyph* g : glyphs) x1 = edge_max(edge_max(x1, g->matrix[4]), g->bbox[2]);
    box.x0 = x0;
    box.x1 = x1;
    const float size = representative_font_size(glyphs);
    box.size = size >= 1.0f ? size : 1.0f;
    box.glyphs = std::move(glyphs);
    return box;
}

// One text line cut into pieces at gaps wider than T.
void cut_line(std::span<const Glyph* const> line, std::vector<GlyphLineBox>& out) {
    const float line_size = representative_font_size(line);
    const float t = edge_max(1.5f * edge_max(line_size, 1.0f), 12.0f);
    std::vector<const Glyph*> piece{line.front()};
    for (std::size_t i = 1; i < line.size(); ++i) {
        const Glyph& g = *line[i];
        const Glyph& last = *piece.back();
        const float gap = edge_min(g.matrix[4], g.bbox[0]) - edge_max(last.matrix[4], last.bbox[2]);
        if (gap > t) {
            out.push_back(make_box(std::move(piece)));
            piece.clear();
        }
        piece.push_back(&g);
    }
    out.push_back(make_box(std::move(piece)));
}

}  // namespace

std::vector<GlyphLineBox> build_page_line_boxes(std::span<const Glyph* const> page_glyphs) {
    std::vector<const Glyph*> kept;
    kept.reserve(page_glyphs.size());
    for (const Glyph* g : page_glyphs) {
        if (!g->invisible && !g->unicode.empty()) kept.push_back(g);
    }
    order_glyphs_by_position(kept);
    std::vector<GlyphLineBox> boxes;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= kept.size(); ++i) {
        // A NaN difference opens a new line: it is never within 0.8.
        if (i < kept.size() && std::fabs(kept[i]->matrix[5] - kept[start]->matrix[5]) <= 0.8f) continue;
        if (start < i) cut_line(std::span<const Glyph* const>(kept).subspan(start, i - start), boxes);
        start = i;
    }
    return boxes;
}

std::vector<const Glyph*> collect_page_glyphs(std::span<const Glyph> glyphs, std::uint32_t page) {
    std::vector<const Glyph*> out;
    for (const Glyph& g : glyphs) {
        if (g.page_index == page) out.push_back(&g);
    }
    return out;
}

std::vector<GlyphLineBox> collect_page_text_runs(std::span<const Glyph> glyphs, std::uint32_t page) {
    return build_page_line_boxes(collect_page_glyphs(glyphs, page));
}

void sort_line_boxes_by_baseline(std::vector<const GlyphLineBox*>& boxes) {
    stable_merge_sort(boxes, [](const GlyphLineBox* a, const GlyphLineBox* b) {
        return total_order_key(a->baseline) > total_order_key(b->baseline);
    });
}

PageContext::PageContext(const ExtractedDocument& document) : document_(&document) {
    for (const Glyph& g : document.glyphs) bucket(g.page_index).glyphs.push_back(&g);
    for (const Region& r : document.regions) bucket(r.page_index).regions.push_back(&r);
    for (const PageInfo& p : document.pages) {
        Bucket& b = bucket(p.index);
        if (b.info == nullptr) b.info = &p;
    }
}

PageContext::Bucket& PageContext::bucket(std::uint32_t page) {
    auto [it, inserted] = slots_.try_emplace(page, buckets_.size());
    if (inserted) buckets_.emplace_back();
    return buckets_[it->second];
}

const PageContext::Bucket* PageContext::find(std::uint32_t page) const {
    auto it = slots_.find(page);
    return it == slots_.end() ? nullptr : &buckets_[it->second];
}

std::span<const Glyph* const> PageContext::page_glyphs(std::uint32_t page) const {
    const Bucket* b = find(page);
    if (b == nullptr) return {};
    return b->glyphs;
}

std::span<const Region* const> PageContext::page_regions(std::uint32_t page) const {
    const Bucket* b = find(page);
    if (b == nullptr) return {};
    return b->regions;
}

const PageInfo* PageContext::page_info(std::uint32_t page) const {
    const Bucket* b = find(page);
    return b == nullptr ? nullptr : b->info;
}

const std::vector<GlyphLineBox>& PageContext::line_boxes(std::uint32_t page) {
    auto it = slots_.find(page);
    if (it == slots_.end()) return no_boxes_;
    Bucket& b = buckets_[it->second];
    if (!b.boxes_built) {
        b.boxes = build_page_line_boxes(b.glyphs);
        b.boxes_built = true;
    }
    return b.boxes;
}

}  // namespace zvk::rewrite
