#include "segment/glyph_order.h"

#include <bit>
#include <cmath>

#include "base/stable_sort.h"

namespace zvk {

std::int32_t total_order_key(float value) {
    auto bits = std::bit_cast<std::int32_t>(value);
    return bits < 0 ? bits ^ 0x7FFFFFFF : bits;
}

int partial_compare(float a, float b) {
    if (a < b) return -1;
    if (a > b) return 1;
    return 0;
}

float glyph_left_edge(const Glyph& g) {
    return edge_min(edge_min(g.matrix[4], g.bbox[0]), g.bbox[2]);
}

float glyph_right_edge(const Glyph& g) {
    return edge_max(edge_max(g.matrix[4], g.bbox[0]), g.bbox[2]);
}

float glyph_box_left(const Glyph& g) { return edge_min(g.bbox[0], g.bbox[2]); }

float glyph_box_right(const Glyph& g) { return edge_max(g.bbox[0], g.bbox[2]); }

bool reading_order_less(const Glyph& a, const Glyph& b) {
    if (a.page_index != b.page_index) return a.page_index < b.page_index;
    int y = partial_compare(a.matrix[5], b.matrix[5]);
    if (y != 0) return y > 0;  // higher baseline first
    return partial_compare(a.matrix[4], b.matrix[4]) < 0;
}

bool origin_x_less(const Glyph& a, const Glyph& b) {
    return total_order_key(a.matrix[4]) < total_order_key(b.matrix[4]);
}

bool left_edge_less(const Glyph& a, const Glyph& b) {
    return total_order_key(glyph_left_edge(a)) < total_order_key(glyph_left_edge(b));
}

void sort_reading_order(std::vector<const Glyph*>& glyphs) {
    stable_merge_sort(glyphs, [](const Glyph* a, const Glyph* b) { return reading_order_less(*a, *b); });
}

void sort_origin_x(std::vector<const Glyph*>& glyphs) {
    stable_merge_sort(glyphs, [](const Glyph* a, const Glyph* b) { return origin_x_less(*a, *b); });
}

void sort_left_edge(std::vector<const Glyph*>& glyphs) {
    stable_merge_sort(glyphs, [](const Glyph* a, const Glyph* b) { return left_edge_less(*a, *b); });
}

void extend_with_glyph_ids(std::vector<std::uint32_t>& ids, std::span<const Glyph* const> glyphs) {
    // No exact reserve: callers append line after line to one list, and an
    // exact reserve per call would reallocate (and copy) the list every time.
    for (const Glyph* g : glyphs) ids.push_back(g->id);
}

}  // namespace zvk
