#include "segment/line_runs.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "segment/glyph_order.h"
#include "segment/line_text.h"
#include "segment/record_order.h"
#include "segment/running_measures.h"
#include "segment/text_line.h"

namespace zvk {

namespace {

// A second row needs this many glyphs in each row to be told apart at all.
constexpr std::size_t kMinRowGlyphs = 8;
// Glyphs of one cluster of a second row overlap body glyphs this often.
constexpr std::size_t kMinInterleaved = 4;
// The whole-run rules for wide table rows read the gap statistics of the run
// and only trust them with this many glyphs.
constexpr std::size_t kMinWideRowGlyphs = 40;
// A contents entry is narrow where its page number ends it.
constexpr float kMaxShortNumberEntryWidth = 140.0f;


bool is_single_ascii_letter(const Glyph& g) {
    std::string_view t = trim_white_space(g.unicode);
    return t.size() == 1 && is_ascii_letter(t[0]);
}

bool is_bracket_text(const Glyph& g) {
    std::string_view t = trim_white_space(g.unicode);
    if (t.empty()) return false;
    for (char c : t) {
        if (c != '(' && c != ')' && c != '[' && c != ']' && c != '{' && c != '}') return false;
    }
    return true;
}

bool total_less(float a, float b) { return total_order_key(a) < total_order_key(b); }

// The token test of ends_with_separate_short_number over glyphs that end in a
// non-blank glyph (glyphs[end - 1]).
bool short_number_ends(std::span<const Glyph* const> glyphs, std::size_t end) {
    if (end == 0) return false;
    std::size_t bytes = 0;
    std::size_t first = end;
    for (std::size_t j = end; j-- > 0;) {
        std::string_view t = trim_white_space(glyphs[j]->unicode);
        if (t.empty()) break;
        if (first < end) {
            const Glyph& next = *glyphs[j + 1];
            const float gap = glyph_box_left(next) - glyph_box_right(*glyphs[j]);
            if (gap > 0.18f * edge_max(edge_max(glyphs[j]->font_size, next.font_size), 1.0f)) break;
        }
        bytes += t.size();
        // Longer tokens or other characters can only stay no number.
        if (bytes > 3) return false;
        for (char c : t) {
            if (c < '0' || c > '9') return false;
        }
        first = j;
    }
    return bytes >= 1 && first > 0;
}

float glyphs_width(std::span<const Glyph* const> glyphs) {
    float left = glyph_box_left(*glyphs.front());
    float right = glyph_box_right(*glyphs.front());
    for (const Glyph* g : glyphs.subspan(1)) {
        left = edge_min(left, glyph_box_left(*g));
        right = edge_max(right, glyph_box_right(*g));
    }
    return right - left;
}

// The gap statistics and suffix extents of one run, computed once so that
// each glyph's decision costs no pass over the run.
struct RunMeasures {
    std::vector<float> gaps;        // gaps[i]: before glyph i (gaps[0] unused)
    std::vector<float> rest_width;  // width of glyph i and all after it
    std::vector<bool> bracket_tail;  // glyph i and all after it are brackets
    float s = 1.0f;
    float t0 = 24.0f;
    float t = 24.0f;
    float g1 = 0.0f;
    float g2 = 0.0f;
    float width = 0.0f;
    float ms = 0.0f;
};

RunMeasures measure_run(const GlyphRun& run) {
    const std::size_t n = run.size();
    RunMeasures m;
    m.s = representative_font_size(run);
    m.t0 = edge_max(2.0f * m.s, 24.0f);
    m.t = m.t0;
    m.gaps.assign(n, 0.0f);
    for (std::size_t i = 1; i < n; ++i) m.gaps[i] = glyph_box_left(*run[i]) - glyph_box_right(*run[i - 1]);
    std::vector<float> sorted(m.gaps.begin() + 1, m.gaps.end());
    // Floats with equal total-order keys have the same bits, so any sort by
    // that key gives the same list; no stable one is needed.
    std::sort(sorted.begin(), sorted.end(), total_less);
    if (n >= 4) {
        const float median = sorted[sorted.size() / 2];
        m.t = edge_min(m.t0, edge_max(1.25f * m.s, 3.5f * edge_max(median, 0.0f)));
    }
    m.g1 = sorted.back();
    m.g2 = sorted.size() >= 2 ? sorted[sorted.size() - 2] : 0.0f;
    m.rest_width.assign(n, 0.0f);
    m.bracket_tail.assign(n + 1, true);
    float left = glyph_box_left(*run[n - 1]);
    float right = glyph_box_right(*run[n - 1]);
    for (std::size_t i = n; i-- > 0;) {
        left = edge_min(left, glyph_box_left(*run[i]));
        right = edge_max(right, glyph_box_right(*run[i]));
        m.rest_width[i] = right - left;
        m.bracket_tail[i] = m.bracket_tail[i + 1] && is_bracket_text(*run[i]);
    }
    m.width = m.rest_width[0];
    if (n >= kMinWideRowGlyphs) {
        std::vector<float> small_gaps;
        for (float g : sorted) {
            if (g < m.s) small_gaps.push_back(g);
        }
        m.ms = small_gaps.empty() ? 0.0f : small_gaps[small_gaps.size() / 2];
    }
    return m;
}

// The run being grown: a slice [start, end) of the run with its running
// extents, size, text and last non-blank glyph.
class CurrentRun {
public:
    explicit CurrentRun(const GlyphRun& run) : run_(run) {}

    void restart(std::size_t start) {
        start_ = start;
        end_ = start;
        sizes_.clear();
        text_.clear();
        nonblank_end_ = start;
        caption_checked_end_ = static_cast<std::size_t>(-1);
    }

    void append() {
        const Glyph& g = *run_[end_];
        if (end_ == start_) {
            left_ = glyph_box_left(g);
            right_ = glyph_box_right(g);
        } else {
            left_ = edge_min(left_, glyph_box_left(g));
            right_ = edge_max(right_, glyph_box_right(g));
            if (space_between(*run_[end_ - 1], g)) text_.push_back(' ');
        }
        text_ += g.unicode;
        sizes_.add(g.font_size);
        if (!trim_white_space(g.unicode).empty()) nonblank_end_ = end_ + 1;
        ++end_;
    }

    std::size_t start() const { return start_; }
    std::size_t count() const { return end_ - start_; }
    float width() const { return right_ - left_; }
    float size() const { return sizes_.value(); }
    std::span<const Glyph* const> glyphs() const {
        return std::span<const Glyph* const>(run_).subspan(start_, end_ - start_);
    }

    bool ends_with_short_number() const {
        return short_number_ends(std::span<const Glyph* const>(run_).subspan(start_), nonblank_end_ - start_);
    }

    // short_line_caption_kind of the slice, remembered until it grows.
    bool is_caption(float gap, float size) {
        if (count() == 0 || gap > edge_max(2.0f * size, 24.0f)) return false;
        if (!(width() < 12.0f * size)) return false;
        if (caption_checked_end_ != end_) {
            caption_ = caption_kind(text_).has_value();
            caption_checked_end_ = end_;
        }
        return caption_;
    }

private:
    const GlyphRun& run_;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    float left_ = 0.0f;
    float right_ = 0.0f;
    RunningFontSize sizes_;
    std::string text_;
    std::size_t nonblank_end_ = 0;
    std::size_t caption_checked_end_ = static_cast<std::size_t>(-1);
    bool caption_ = false;
};

// A small glyph after a gap starts a new run when the small glyphs that
// follow it stand clear of the next normal glyph.
bool starts_small_run(const GlyphRun& run, std::size_t i, float gap, float sc, bool lo) {
    const float limit = 0.8f * sc;
    if (!(gap > 0.5f * sc && run[i]->font_size <= limit) || !lo) return false;
    float r = glyph_right_edge(*run[i]);
    std::size_t j = i + 1;
    while (j < run.size() && run[j]->font_size <= limit) {
        r = edge_max(r, glyph_right_edge(*run[j]));
        ++j;
    }
    return j == run.size() || glyph_left_edge(*run[j]) - r > limit;
}

}  // namespace

bool ends_with_separate_short_number(std::span<const Glyph* const> glyphs) {
    std::size_t end = glyphs.size();
    while (end > 0 && trim_white_space(glyphs[end - 1]->unicode).empty()) --end;
    return short_number_ends(glyphs, end);
}

std::optional<CaptionKind> short_line_caption_kind(std::span<const Glyph* const> glyphs, float gap, float size) {
    if (glyphs.empty() || gap > edge_max(2.0f * size, 24.0f)) return std::nullopt;
    if (!(glyphs_width(glyphs) < 12.0f * size)) return std::nullopt;
    return caption_kind(line_text_from_glyphs(glyphs));
}

std::vector<GlyphRun> split_line_at_column_gaps(GlyphRun run) {
    const std::size_t n = run.size();
    if (n < 2) return {std::move(run)};
    const RunMeasures m = measure_run(run);
    const float s = m.s;
    std::vector<GlyphRun> out;
    CurrentRun cur(run);
    cur.restart(0);
    cur.append();
    for (std::size_t i = 1; i < n; ++i) {
        const float g = m.gaps[i];
        const float cur_w = cur.width();
        const bool tn = g <= m.t0 && cur.count() >= 2 && cur_w <= kMaxShortNumberEntryWidth && cur.ends_with_short_number();
        const float sc = cur.size();
        const bool lo = is_single_ascii_letter(*run[i]) ? g >= 1.25f * sc : true;
        const bool small = starts_small_run(run, i, g, sc, lo);
        const float rest_w = m.rest_width[i];
        const bool keep = g <= m.t || (g <= m.t0 && rest_w < 8.0f * s && cur_w >= 12.0f * s);
        bool cut = !keep && !cur.is_caption(g, s);
        if (n >= kMinWideRowGlyphs) {
            // Wide table rows: the widest gap of a long row is a column gap
            // when it stands out from the others.
            if (g >= s && g + 0.05f >= m.g1 && cur_w >= 12.0f * s && m.width >= 38.0f * s && rest_w >= 12.0f * s &&
                (m.g2 <= 0.05f || g >= 1.45f * m.g2)) {
                cut = true;
            }
            if (rest_w >= 4.0f * s && g >= 1.15f * s && cur_w >= 4.0f * s && m.width >= 38.0f * s &&
                !cur.is_caption(g, s) && (m.ms <= 0.05f || g >= 3.0f * m.ms)) {
                cut = true;
            }
            const bool d2 = g >= 2.0f * m.g2 || m.g2 <= 0.05f;
            const bool e = cur_w >= 18.0f * s && g >= 2.0f * s && g + 0.05f >= m.g1 && rest_w >= 4.0f * s;
            const bool f = g + 0.05f >= m.g1 && m.width >= 24.0f * s && cur_w >= 16.0f * s && rest_w >= 3.0f * s &&
                           g >= 1.25f * s;
            if (d2 && (e || f)) cut = true;
        }
        if (cur_w >= 8.0f * s && g >= 1.15f * s && m.bracket_tail[i]) cut = true;
        if (small) cut = true;
        if (cut && !tn) {
            auto slice = cur.glyphs();
            out.emplace_back(slice.begin(), slice.end());
            cur.restart(i);
        }
        cur.append();
    }
    auto slice = cur.glyphs();
    out.emplace_back(slice.begin(), slice.end());
    return out;
}

std::vector<GlyphRun> split_line_runs(GlyphRun line) {
    sort_line_glyphs_by_box_left(line);
    auto one_run = [&line]() { return split_line_at_column_gaps(std::move(line)); };
    if (line.size() < kMinRowGlyphs) return one_run();
    std::vector<float> sizes;
    for (const Glyph* g : line) {
        if (g->font_size >= 1.0f) sizes.push_back(g->font_size);
    }
    if (sizes.empty()) return one_run();
    std::sort(sizes.begin(), sizes.end());
    const float d = edge_max(sizes[sizes.size() / 2], 1.0f);

    std::vector<std::size_t> body;
    std::vector<std::size_t> off;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const float ratio = line[i]->font_size / d;
        if (ratio >= 0.85f && ratio <= 1.15f) body.push_back(i);
        if (ratio >= 1.2f || ratio <= 0.72f) off.push_back(i);
    }
    if (body.size() < kMinRowGlyphs) return one_run();
    sort_glyph_positions_by_left_edge(off, line);

    // The edges and baselines of the body glyphs, read once: each off-size
    // glyph is compared with all of them.
    std::vector<float> body_left(body.size());
    std::vector<float> body_right(body.size());
    std::vector<float> body_base(body.size());
    float low_base = 0.0f;
    float high_base = 0.0f;
    bool any_base = false;
    for (std::size_t k = 0; k < body.size(); ++k) {
        const Glyph& b = *line[body[k]];
        body_left[k] = glyph_left_edge(b);
        body_right[k] = glyph_right_edge(b);
        body_base[k] = b.matrix[5];
        // A NaN baseline differs from none, so it can never make a glyph
        // count and stays out of the range.
        if (std::isnan(b.matrix[5])) continue;
        low_base = any_base ? std::min(low_base, b.matrix[5]) : b.matrix[5];
        high_base = any_base ? std::max(high_base, b.matrix[5]) : b.matrix[5];
        any_base = true;
    }
    const float apart = 0.1f * d;
    // Whether some body glyph overlaps `a` by more than 0.4 units on another
    // baseline. When every body baseline lies within 0.1 × D of a's (a row of
    // one baseline), none can: the difference is largest at the ends of the
    // range, and float subtraction keeps that order.
    auto interleaves = [&](const Glyph& a) {
        const float base = a.matrix[5];
        if (!any_base || (std::fabs(base - low_base) <= apart && std::fabs(base - high_base) <= apart)) return false;
        const float left = glyph_left_edge(a);
        const float right = glyph_right_edge(a);
        for (std::size_t k = 0; k < body.size(); ++k) {
            const float overlap = edge_min(right, body_right[k]) - edge_max(left, body_left[k]);
            if (overlap > 0.4f && std::fabs(base - body_base[k]) > apart) return true;
        }
        return false;
    };

    std::vector<bool> marked(line.size(), false);
    std::size_t cluster_start = 0;
    for (std::size_t k = 0; k <= off.size(); ++k) {
        const bool boundary = k == off.size() ||
                              (k > 0 && glyph_left_edge(*line[off[k]]) - glyph_right_edge(*line[off[k - 1]]) > 1.25f * d);
        if (!boundary) continue;
        if (k > cluster_start) {
            std::size_t interleaved = 0;
            for (std::size_t c = cluster_start; c < k; ++c) {
                if (interleaves(*line[off[c]])) ++interleaved;
            }
            if (interleaved >= kMinInterleaved) {
                for (std::size_t c = cluster_start; c < k; ++c) marked[off[c]] = true;
            }
        }
        cluster_start = k;
    }

    GlyphRun main_row;
    GlyphRun second_row;
    for (std::size_t i = 0; i < line.size(); ++i) (marked[i] ? second_row : main_row).push_back(line[i]);
    if (main_row.size() < kMinRowGlyphs || second_row.empty()) return one_run();
    std::vector<GlyphRun> runs = split_line_at_column_gaps(std::move(main_row));
    for (GlyphRun& run : split_line_at_column_gaps(std::move(second_row))) runs.push_back(std::move(run));
    return runs;
}

}  // namespace zvk
