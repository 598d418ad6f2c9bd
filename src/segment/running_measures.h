// The measures of a glyph list that grows one glyph at a time, kept up to date
// on each addition instead of recomputed from all glyphs: the line cutters ask
// for them at every glyph, and recomputing would make a line's cost grow with
// the square of its length.
#pragma once

#include <cstddef>
#include <vector>

namespace zvk {

// representative_font_size of the glyphs added so far, with the same result.
class RunningFontSize {
public:
    void add(float font_size);
    float value() const;
    void clear() { sizes_.clear(); }

private:
    std::vector<float> sizes_;  // the sizes of at least 1, ascending
};

// Floats kept in ascending total order, for order statistics as they arrive.
class RunningOrder {
public:
    void add(float value);
    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    // The element at index size() / 2.
    float upper_median() const { return values_[values_.size() / 2]; }
    float front() const { return values_.front(); }
    float back() const { return values_.back(); }
    void clear() { values_.clear(); }

private:
    std::vector<float> values_;
};

}  // namespace zvk
