#include "segment/glyph_lines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <utility>

#include "base/text.h"
#include "segment/glyph_order.h"
#include "segment/running_measures.h"

namespace zvk {

namespace {

// A carriage return moves left by more than this.
constexpr float kReturnDistance = 24.0f;

bool is_single_ascii_letter(const Glyph& g) {
    std::string_view t = trim_white_space(g.unicode);
    return t.size() == 1 && ((t[0] >= 'a' && t[0] <= 'z') || (t[0] >= 'A' && t[0] <= 'Z'));
}

// max(size, 1), a NaN size counting as 1.
float line_size_of(const Glyph& g) { return edge_max(g.font_size, 1.0f); }

bool in_size_band(float d, float t) {
    const float ratio = d / t;
    return ratio >= 0.65f && ratio <= 1.8f;
}

// The glyph line being walked, with the measures every glyph asks for kept as
// it grows.
class GlyphLine {
public:
    bool empty() const { return glyphs_.empty(); }
    std::size_t size() const { return glyphs_.size(); }
    const Glyph& front() const { return *glyphs_.front(); }
    const Glyph& back() const { return *glyphs_.back(); }
    const Glyph& glyph(std::size_t i) const { return *glyphs_[i]; }
    float left() const { return left_; }
    float right() const { return right_; }
    float font_size() const { return sizes_.value(); }

    void add(const Glyph* g) {
        if (glyphs_.empty()) {
            left_ = glyph_box_left(*g);
            right_ = glyph_box_right(*g);
            min_d_ = max_d_ = line_size_of(*g);
            nan_baseline_ = false;
            low_baseline_ = high_baseline_ = g->matrix[5];
        } else {
            left_ = edge_min(left_, glyph_box_left(*g));
            right_ = edge_max(right_, glyph_box_right(*g));
            min_d_ = std::min(min_d_, line_size_of(*g));
            max_d_ = std::max(max_d_, line_size_of(*g));
            low_baseline_ = std::min(low_baseline_, g->matrix[5]);
            high_baseline_ = std::max(high_baseline_, g->matrix[5]);
        }
        nan_baseline_ = nan_baseline_ || std::isnan(g->matrix[5]);
        glyphs_.push_back(g);
        sizes_d_.push_back(line_size_of(*g));
        baseline_keys_.push_back(total_order_key(g->matrix[5]));
        sizes_.add(g->font_size);
        baselines_.add(g->matrix[5]);
    }

    // The upper median of the baselines of the glyphs whose size lies within
    // [0.65, 1.8] × t, or of all glyphs when none does. The band test is
    // monotone in the size, so when the smallest and largest sizes pass (or
    // neither can) the kept median of all baselines answers; only a line that
    // mixes sizes in and out of the band is counted through.
    float band_baseline(float t) const {
        const bool low_in = in_size_band(min_d_, t);
        const bool high_in = in_size_band(max_d_, t);
        if (low_in && high_in) return baselines_.upper_median();
        // Total-order keys compare as plain integers; the key of a negative
        // float flips its low 31 bits, so flipping them back restores it.
        std::vector<std::int32_t>& kept = scratch_;
        kept.clear();
        for (std::size_t i = 0; i < sizes_d_.size(); ++i) {
            if (in_size_band(sizes_d_[i], t)) kept.push_back(baseline_keys_[i]);
        }
        if (kept.empty()) return baselines_.upper_median();
        auto mid = kept.begin() + static_cast<std::ptrdiff_t>(kept.size() / 2);
        std::nth_element(kept.begin(), mid, kept.end());
        return std::bit_cast<float>(*mid < 0 ? *mid ^ 0x7FFFFFFF : *mid);
    }

    // Whether `baseline` lies more than `tolerance` from the band baseline
    // for size t. That baseline is one of the line's, so when the baseline
    // is within the tolerance of both the lowest and the highest (the
    // difference only grows towards the ends of the range, float subtraction
    // keeping that order) the answer needs no median: a line on one baseline
    // never counts through its glyphs.
    bool strays(float baseline, float t, float tolerance) const {
        if (!nan_baseline_ && std::fabs(baseline - low_baseline_) <= tolerance &&
            std::fabs(baseline - high_baseline_) <= tolerance) {
            return false;
        }
        return std::fabs(baseline - band_baseline(t)) > tolerance;  // a NaN difference keeps the line
    }

    std::vector<const Glyph*> take() {
        std::vector<const Glyph*> out = std::move(glyphs_);
        glyphs_.clear();
        sizes_d_.clear();
        baseline_keys_.clear();
        sizes_.clear();
        baselines_.clear();
        return out;
    }

private:
    std::vector<const Glyph*> glyphs_;
    // max(size, 1) and the baseline's total-order key of each glyph, in
    // order, read together where
    // a mixed line counts through its glyphs.
    std::vector<float> sizes_d_;
    std::vector<std::int32_t> baseline_keys_;
    mutable std::vector<std::int32_t> scratch_;
    RunningFontSize sizes_;
    RunningOrder baselines_;
    float left_ = 0.0f;
    float right_ = 0.0f;
    float min_d_ = 1.0f;
    float max_d_ = 1.0f;
    // The range of the baselines; a NaN baseline leaves the range without
    // meaning and switches the shortcut off.
    float low_baseline_ = 0.0f;
    float high_baseline_ = 0.0f;
    bool nan_baseline_ = false;
};

// Whether h starts a new line by its horizontal position (steps on gaps,
// carriage returns and drop capitals).
bool breaks_horizontally(const GlyphLine& line, const Glyph& h) {
    const float w = line.font_size();
    const float left = glyph_box_left(h);
    const float v = left - line.right();
    // A lone letter needs a wider gap to start a new line.
    const bool lo = is_single_ascii_letter(h) ? v >= 1.25f * w : true;
    const bool gap_break = lo && h.font_size <= 0.8f * w && v > 0.35f * w;
    const bool carriage_return =
        glyph_box_left(line.back()) - left > kReturnDistance &&
        (left <= line.left() + 1.0f || (left <= line.left() + 8.0f && h.font_size > 0.85f * w));
    const bool moved = std::fabs(h.matrix[5] - line.back().matrix[5]) > 0.6f || gap_break;
    const bool usual = carriage_return ? moved : gap_break;
    if (line.size() <= 3) {
        // A drop capital: one to three big glyphs that the text beside them
        // runs past at a lower baseline.
        bool big = true;
        for (std::size_t i = 0; i < line.size(); ++i) big = big && line.glyph(i).font_size >= 1.8f * h.font_size;
        if (big) return usual || std::fabs(h.matrix[5] - line.front().matrix[5]) > 0.55f * h.font_size;
    }
    return usual;
}

}  // namespace

std::vector<GlyphRun> group_glyph_lines(std::span<const Glyph> glyphs) {
    std::vector<const Glyph*> order;
    order.reserve(glyphs.size());
    for (const Glyph& g : glyphs) order.push_back(&g);
    sort_reading_order(order);

    std::vector<GlyphRun> runs;
    GlyphLine line;
    auto end_line = [&]() {
        if (line.empty()) return;
        for (GlyphRun& run : split_line_runs(line.take())) runs.push_back(std::move(run));
    };
    for (const Glyph* h : order) {
        if (h->unmapped || h->unicode.empty()) {
            end_line();
            continue;
        }
        if (line.size() >= kMaxGlyphLineGlyphs) end_line();
        const float d = line_size_of(*h);
        if (!line.empty()) {
            const float size = line.font_size();
            float t = size;
            if (d > 1.8f * t || t > 1.8f * d) t = edge_min(t, d);
            t = t / 2.0f;
            if (h->page_index != line.back().page_index || line.strays(h->matrix[5], size, t)) end_line();
        }
        if (!line.empty() && breaks_horizontally(line, *h)) end_line();
        line.add(h);
    }
    end_line();
    return runs;
}

}  // namespace zvk
