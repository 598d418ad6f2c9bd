#include "segment/running_measures.h"

#include <algorithm>

#include "segment/glyph_order.h"
#include "segment/text_line.h"

namespace zvk {

// Insertion into a sorted vector moves at most the line's glyphs, which the
// glyph-line ceiling bounds; lookups are then constant or logarithmic.
void RunningFontSize::add(float font_size) {
    if (!(font_size >= 1.0f)) return;  // NaN and small sizes do not count
    sizes_.insert(std::upper_bound(sizes_.begin(), sizes_.end(), font_size), font_size);
}

float RunningFontSize::value() const { return representative_of_sorted_sizes(sizes_); }

void RunningOrder::add(float value) {
    auto at = std::upper_bound(values_.begin(), values_.end(), value, [](float a, float b) {
        return total_order_key(a) < total_order_key(b);
    });
    values_.insert(at, value);
}

}  // namespace zvk
