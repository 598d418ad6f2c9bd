#include "segment/glyph_order.h"

#include <algorithm>
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
    // The document's glyphs are sorted at once: the keys are copied next to
    // each other first, so that the comparisons (those of reading_order_less)
    // do not chase a pointer into a large glyph record each time.
    struct Keyed {
        std::uint32_t page;
        float y;
        float x;
        const Glyph* glyph;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(glyphs.size());
    bool any_nan = false;
    bool pages_in_order = true;
    for (const Glyph* g : glyphs) {
        any_nan = any_nan || std::isnan(g->matrix[5]) || std::isnan(g->matrix[4]);
        pages_in_order = pages_in_order && (keyed.empty() || keyed.back().page <= g->page_index);
        keyed.push_back({g->page_index, g->matrix[5], g->matrix[4], g});
    }
    auto less = [](const Keyed& a, const Keyed& b) {
        if (a.page != b.page) return a.page < b.page;
        int y = partial_compare(a.y, b.y);
        if (y != 0) return y > 0;  // higher baseline first
        return partial_compare(a.x, b.x) < 0;
    };
    if (any_nan) {
        // The order is not a strict weak one, and the result is that of this
        // one merge sort.
        stable_merge_sort(keyed, less);
    } else if (pages_in_order) {
        // A strict weak order has one stable result, whatever the sort: the
        // pages (extraction gives them in order) are sorted one at a time,
        // each small enough to stay in cache.
        for (auto first = keyed.begin(); first != keyed.end();) {
            auto last = std::find_if(first, keyed.end(), [&](const Keyed& k) { return k.page != first->page; });
            std::stable_sort(first, last, less);
            first = last;
        }
    } else {
        std::stable_sort(keyed.begin(), keyed.end(), less);
    }
    for (std::size_t i = 0; i < keyed.size(); ++i) glyphs[i] = keyed[i].glyph;
}

namespace {

// A stable sort by total_order_key(position(glyph)), each key computed once
// (the passes sort every line's glyphs, most of them already in order).
// Integer keys are a strict weak order, so the result is that of any stable
// sort, and a line already in order is left as it is.
template <typename Position>
void sort_by_total_order(std::vector<const Glyph*>& glyphs, Position position) {
    if (glyphs.size() < 2) return;
    struct Keyed {
        std::int32_t key;
        const Glyph* glyph;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(glyphs.size());
    bool in_order = true;
    for (const Glyph* g : glyphs) {
        const std::int32_t key = total_order_key(position(*g));
        in_order = in_order && (keyed.empty() || keyed.back().key <= key);
        keyed.push_back({key, g});
    }
    if (in_order) return;
    stable_merge_sort(keyed, [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    for (std::size_t i = 0; i < keyed.size(); ++i) glyphs[i] = keyed[i].glyph;
}

}  // namespace

void sort_origin_x(std::vector<const Glyph*>& glyphs) {
    sort_by_total_order(glyphs, [](const Glyph& g) { return g.matrix[4]; });
}

void sort_left_edge(std::vector<const Glyph*>& glyphs) {
    sort_by_total_order(glyphs, glyph_left_edge);
}

void order_glyphs_by_position(std::vector<const Glyph*>& glyphs) {
    if (glyphs.size() < 2) return;
    // One 64-bit key: the inverted y key (higher first) above the x key, each
    // turned unsigned with its order kept, so integer comparison gives the
    // order and the sort needs no float compare.
    struct Keyed {
        std::uint64_t key;
        const Glyph* glyph;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(glyphs.size());
    bool in_order = true;
    for (const Glyph* g : glyphs) {
        const auto y = static_cast<std::uint32_t>(total_order_key(g->matrix[5])) ^ 0x80000000u;
        const auto x = static_cast<std::uint32_t>(total_order_key(g->matrix[4])) ^ 0x80000000u;
        const std::uint64_t key = (static_cast<std::uint64_t>(~y) << 32) | x;
        in_order = in_order && (keyed.empty() || keyed.back().key <= key);
        keyed.push_back({key, g});
    }
    if (in_order) return;
    stable_merge_sort(keyed, [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    for (std::size_t i = 0; i < keyed.size(); ++i) glyphs[i] = keyed[i].glyph;
}

void extend_with_glyph_ids(std::vector<std::uint32_t>& ids, std::span<const Glyph* const> glyphs) {
    // No exact reserve: callers append line after line to one list, and an
    // exact reserve per call would reallocate (and copy) the list every time.
    for (const Glyph* g : glyphs) ids.push_back(g->id);
}

}  // namespace zvk
