#include "translate/reference_sections.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "content/glyph_selection.h"
#include "segment/glyph_order.h"
#include "segment/segmentation.h"
#include "translate/reference_lines.h"

namespace zvk {
namespace {

// Lines within this distance of a column's first line belong to the column.
constexpr float kColumnReach = 36.0f;
// A heading this far right of the page's left edge starts halfway across the
// page: it splits the page into bands.
constexpr float kSplitIndent = 36.0f;
// Lines this far left of a section's heading, on its page, are the other
// column's; the confirmation also skips those this far right.
constexpr float kAnchorReach = 96.0f;
// Running headers sit within this distance of their page's top line.
constexpr float kTopBand = 30.0f;
// Baseline tolerance, in font sizes, for glyphs on a heading's or an entry's
// line that segmentation left elsewhere.
constexpr float kBaselineReach = 0.55f;
constexpr float kSideReach = 8.0f;
// Short lines and the confirmation: a text this short is never an entry by
// the general test, only by its number or key.
constexpr std::size_t kShortLine = 8;
// Words an entry-like line needs to count towards a run of entries without
// a heading: a surname and a year alone ("Finkbeiner, 1992") is how tables
// and citation lists cite, and a run of them opened a "section" at a table
// of glia-calcium-waves.pdf that ran through seven pages of body text.
constexpr std::size_t kRunEntryWords = 3;

// One segment placed at the origin of its first glyph.
struct SegmentLine {
    std::string_view text;
    std::size_t segment = 0;
    std::uint32_t page = 0;
    float x = 0.0f;
    float y = 0.0f;
};

bool total_less(float a, float b) { return total_order_key(a) < total_order_key(b); }

// The positions of every glyph record by id, so a segment's glyphs are found
// without walking the document.
class GlyphIndex {
public:
    explicit GlyphIndex(std::span<const Glyph> glyphs) {
        by_id_.reserve(glyphs.size());
        for (std::size_t i = 0; i < glyphs.size(); ++i) by_id_.emplace_back(glyphs[i].id, i);
        std::sort(by_id_.begin(), by_id_.end());
    }

    // The positions of the records with `id`, ascending.
    std::span<const std::pair<std::uint32_t, std::size_t>> positions(std::uint32_t id) const {
        auto first = std::lower_bound(by_id_.begin(), by_id_.end(), std::pair<std::uint32_t, std::size_t>{id, 0});
        auto last = first;
        while (last != by_id_.end() && last->first == id) ++last;
        return {first, last};
    }

private:
    std::vector<std::pair<std::uint32_t, std::size_t>> by_id_;
};

// A set of glyph ids: one bit per id when the ids are about as many as the
// glyphs (extraction numbers them from 0), a hash set otherwise. Remembers
// its members for the final ascending list.
class IdSet {
public:
    IdSet(std::span<const Glyph> glyphs) {
        std::uint32_t largest = 0;
        for (const Glyph& g : glyphs) largest = std::max(largest, g.id);
        if (!glyphs.empty() && largest / 4 <= glyphs.size() + 1024) bits_.assign(std::size_t{largest} + 1, false);
    }

    bool contains(std::uint32_t id) const {
        if (id < bits_.size()) return bits_[id];
        return sparse_.contains(id);
    }

    void insert(std::uint32_t id) {
        if (id < bits_.size()) {
            if (bits_[id]) return;
            bits_[id] = true;
        } else if (!sparse_.insert(id).second) {
            return;
        }
        members_.push_back(id);
    }

    std::span<const std::uint32_t> members() const { return members_; }

    std::vector<std::uint32_t> ascending() && {
        std::sort(members_.begin(), members_.end());
        return std::move(members_);
    }

private:
    std::vector<bool> bits_;
    std::unordered_set<std::uint32_t> sparse_;
    std::vector<std::uint32_t> members_;
};

// The glyphs of each page sorted by baseline, so that "every glyph of the
// page within this distance of a baseline" costs a binary search and the
// band, not the document. Glyphs with a NaN baseline are left out: no
// distance test holds for them.
class BaselineIndex {
public:
    explicit BaselineIndex(std::span<const Glyph> glyphs) : glyphs_(glyphs) {
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            if (std::isnan(glyphs[i].matrix[5])) continue;
            pages_[glyphs[i].page_index].push_back(i);
        }
        for (auto& [page, positions] : pages_) {
            // Ascending position breaks ties: the sort is stable.
            std::sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
                const auto ka = total_order_key(glyphs[a].matrix[5]);
                const auto kb = total_order_key(glyphs[b].matrix[5]);
                return ka != kb ? ka < kb : a < b;
            });
        }
    }

    // The positions of the glyphs of `page` that may have |f − y0| ≤ reach,
    // in baseline order; callers apply the test itself. For finite y0 and
    // reach the float difference never falls as f grows, so the glyphs that
    // pass form one stretch of the sorted list; otherwise the whole page.
    std::span<const std::size_t> band(std::uint32_t page, float y0, float reach) const {
        auto it = pages_.find(page);
        if (it == pages_.end()) return {};
        const auto& positions = it->second;
        if (!std::isfinite(y0) || !std::isfinite(reach)) return positions;
        auto below = [&](std::size_t i) { return glyphs_[i].matrix[5] - y0 < -reach; };
        auto within = [&](std::size_t i) { return glyphs_[i].matrix[5] - y0 <= reach; };
        auto first = std::partition_point(positions.begin(), positions.end(), below);
        auto last = std::partition_point(first, positions.end(), within);
        return {first, last};
    }

private:
    std::span<const Glyph> glyphs_;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> pages_;
};

bool is_leader_char(char32_t c) {
    return c == U'.' || c == 0x00B7 || c == 0x2022 || c == 0x2024 || c == 0x2026 || c == 0x2027 || c == 0x22C5;
}

// 1 to 4 ASCII digits and ')' or '.': a numbered entry's start.
bool starts_with_entry_number(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && is_ascii_digit(t[i])) ++i;
    return i >= 1 && i <= 4 && i < t.size() && (t[i] == ')' || t[i] == '.');
}

// A short line the confirmation accepts by its pattern alone: '12.', '[3]'.
bool is_short_entry(std::string_view t) {
    return is_bracketed_number_entry(t) || starts_with_entry_number(t) || is_bracketed_key_entry(t);
}

// A page number after dot leaders: 1 to 3 digits, or a Roman numeral of 2
// characters or more.
bool is_page_label(std::string_view u) {
    const std::size_t chars = count_scalar_values(u);
    if (u.empty() || chars > 6) return false;
    if (is_all_ascii_digits(u)) return u.size() <= 3;
    if (chars < 2) return false;
    return std::all_of(u.begin(), u.end(), [](char c) {
        switch (ascii_lower_char(c)) {
        case 'c': case 'd': case 'i': case 'l': case 'm': case 'v': case 'x': return true;
        default: return false;
        }
    });
}

class Detector {
public:
    explicit Detector(std::span<const Glyph> glyphs)
        : glyphs_(glyphs), index_(glyphs), baselines_(glyphs) {}

    std::vector<std::uint32_t> run() {
        segments_ = segment_glyphs(glyphs_, true, true, {}, {}).segments;
        build_lines();
        build_reading_order();
        mark_running_headers();
        mark_confirmation_candidates();
        scan();
        return to_glyph_ids();
    }

private:
    // The last record in document order with the id, if any.
    std::optional<std::size_t> last_glyph_with_id(std::uint32_t id) const {
        auto positions = index_.positions(id);
        if (positions.empty()) return std::nullopt;
        return positions.back().second;
    }

    void build_lines() {
        for (std::size_t s = 0; s < segments_.size(); ++s) {
            const Segment& segment = segments_[s];
            if (segment.glyph_ids.empty()) continue;
            auto first = last_glyph_with_id(segment.glyph_ids.front());
            if (!first) continue;
            const Glyph& g = glyphs_[*first];
            lines_.push_back({segment.source, s, segment.page_index, g.matrix[4], g.matrix[5]});
        }
    }

    bool heading_like(const SegmentLine& line) const {
        return is_reference_heading(line.text) || is_back_matter_heading(line.text) ||
               is_numbered_section_title(line.text);
    }

    void build_reading_order() {
        std::map<std::uint32_t, std::vector<std::size_t>> pages;
        for (std::size_t i = 0; i < lines_.size(); ++i) pages[lines_[i].page].push_back(i);
        std::vector<bool> placed(lines_.size(), false);
        for (const auto& [page, page_lines] : pages) {
            std::vector<std::size_t> headings;
            float left = std::numeric_limits<float>::max();
            bool any_body = false;
            for (std::size_t i : page_lines) {
                if (heading_like(lines_[i])) {
                    headings.push_back(i);
                } else {
                    any_body = true;
                    left = edge_min(left, lines_[i].x);
                }
            }
            std::vector<std::size_t> split;
            if (any_body) {
                for (std::size_t i : headings) {
                    if (lines_[i].x - left > kSplitIndent) split.push_back(i);
                }
            }
            std::stable_sort(split.begin(), split.end(), [&](std::size_t a, std::size_t b) {
                const auto ya = total_order_key(lines_[a].y), yb = total_order_key(lines_[b].y);
                if (ya != yb) return ya > yb;
                return total_less(lines_[a].x, lines_[b].x);
            });
            // The page's lines from the top down, so that each band is found by
            // a binary search instead of a walk over the page per heading.
            // A line with a NaN baseline lies in no band.
            std::vector<std::size_t> by_height;
            for (std::size_t i : page_lines) {
                if (!std::isnan(lines_[i].y)) by_height.push_back(i);
            }
            std::sort(by_height.begin(), by_height.end(), [&](std::size_t a, std::size_t b) {
                const auto ya = total_order_key(lines_[a].y), yb = total_order_key(lines_[b].y);
                return ya != yb ? ya > yb : a < b;
            });
            float upper = std::numeric_limits<float>::infinity();
            for (std::size_t h : split) {
                group_columns(by_height, placed, lines_[h].y, upper);
                if (!placed[h]) {
                    placed[h] = true;
                    order_.push_back(h);
                }
                upper = lines_[h].y;
            }
            group_columns(by_height, placed, -std::numeric_limits<float>::infinity(), upper);
        }
    }

    // Appends the unplaced lines of the band lower < y ≤ upper, column by
    // column, each column top-down. `by_height`: the page's lines, highest
    // baseline first.
    void group_columns(const std::vector<std::size_t>& by_height, std::vector<bool>& placed, float lower,
                       float upper) {
        if (std::isnan(lower) || std::isnan(upper)) return;  // no baseline lies in such a band
        auto first = std::partition_point(by_height.begin(), by_height.end(),
                                          [&](std::size_t i) { return lines_[i].y > upper; });
        auto last = std::partition_point(first, by_height.end(), [&](std::size_t i) { return lines_[i].y > lower; });
        std::vector<std::size_t> band;
        for (auto it = first; it != last; ++it) {
            if (!placed[*it]) band.push_back(*it);
        }
        if (band.empty()) return;
        // The page's order before the order by x, so that equal x keep it.
        std::sort(band.begin(), band.end());
        std::stable_sort(band.begin(), band.end(),
                         [&](std::size_t a, std::size_t b) { return total_less(lines_[a].x, lines_[b].x); });
        // Each line joins the first column (in order of creation) whose first
        // line lies within kColumnReach of it, else opens one. The lines come
        // by ascending x, so the columns with a finite first x were opened in
        // ascending order of it and x − first only falls along them: the
        // first one in reach is found by a binary search, not a walk over
        // every column of a page of many. A line or first line without a
        // finite x is in reach of nothing (the difference is NaN or infinite).
        std::vector<std::vector<std::size_t>> columns;
        std::vector<std::pair<float, std::size_t>> finite_firsts;  // (first x, column)
        for (std::size_t i : band) {
            const float x = lines_[i].x;
            if (std::isfinite(x)) {
                auto it = std::partition_point(finite_firsts.begin(), finite_firsts.end(),
                                               [&](const auto& f) { return !(std::fabs(f.first - x) <= kColumnReach); });
                if (it != finite_firsts.end()) {
                    columns[it->second].push_back(i);
                    continue;
                }
                finite_firsts.emplace_back(x, columns.size());
            }
            columns.push_back({i});
        }
        std::stable_sort(columns.begin(), columns.end(), [&](const auto& a, const auto& b) {
            return total_less(lines_[a.front()].x, lines_[b.front()].x);
        });
        for (auto& column : columns) {
            std::stable_sort(column.begin(), column.end(), [&](std::size_t a, std::size_t b) {
                return total_order_key(lines_[a].y) > total_order_key(lines_[b].y);
            });
            for (std::size_t i : column) {
                if (placed[i]) continue;
                placed[i] = true;
                order_.push_back(i);
            }
        }
    }

    // A line within kTopBand of its page's top line whose text, collapsed and
    // lower-cased, also stands near the top of another page. Each key maps to
    // the first two pages where it does, so the test costs one lookup.
    void mark_running_headers() {
        std::unordered_map<std::uint32_t, float> tops;
        for (const SegmentLine& line : lines_) {
            auto [it, inserted] = tops.try_emplace(line.page, std::numeric_limits<float>::quiet_NaN());
            it->second = edge_max(it->second, line.y);
        }
        struct Pages {
            std::uint32_t first = 0;
            std::optional<std::uint32_t> second;
        };
        std::unordered_map<std::string, Pages> near_top;
        std::vector<std::optional<std::string>> keys(lines_.size());
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const float depth = tops[lines_[i].page] - lines_[i].y;
            if (depth > kTopBand) continue;  // NaN depth may still be a header itself
            keys[i] = unicode_lowercase(collapse_whitespace(lines_[i].text));
            if (!(depth <= kTopBand)) continue;
            auto [it, inserted] = near_top.try_emplace(*keys[i], Pages{lines_[i].page, std::nullopt});
            if (!inserted && it->second.first != lines_[i].page && !it->second.second) {
                it->second.second = lines_[i].page;
            }
        }
        running_header_.assign(lines_.size(), false);
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (!keys[i] || count_scalar_values(*keys[i]) < 4) continue;
            auto it = near_top.find(*keys[i]);
            if (it == near_top.end()) continue;
            running_header_[i] = it->second.first != lines_[i].page || it->second.second.has_value();
        }
    }

    // Per reading-order position, the next position whose line the
    // confirmation can stop at: no running header and no short line without
    // an entry's number or key. Look-aheads jump over the rest.
    void mark_confirmation_candidates() {
        const std::size_t n = order_.size();
        next_candidate_.assign(n + 1, n);
        entry_like_.assign(lines_.size(), false);
        run_entry_.assign(lines_.size(), false);
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            entry_like_[i] = looks_like_bibliography_entry(lines_[i].text);
            run_entry_[i] = entry_like_[i] && split_white_space_words(lines_[i].text).size() >= kRunEntryWords;
        }
        for (std::size_t p = n; p-- > 0;) {
            const std::size_t line = order_[p];
            const std::string_view t = trim_white_space(lines_[line].text);
            const bool passed_over =
                running_header_[line] || (count_scalar_values(t) < kShortLine && !is_short_entry(t));
            next_candidate_[p] = passed_over ? next_candidate_[p + 1] : p;
        }
    }

    // Is the heading line a table-of-contents entry: dot leaders and a page
    // number on its baseline, right of it?
    bool is_contents_line(const SegmentLine& line) const {
        const Segment& segment = segments_[line.segment];
        std::unordered_set<std::uint32_t> own(segment.glyph_ids.begin(), segment.glyph_ids.end());
        std::vector<std::size_t> heading;
        for (std::uint32_t id : own) {
            for (const auto& [gid, position] : index_.positions(id)) heading.push_back(position);
        }
        if (heading.empty()) return false;
        std::sort(heading.begin(), heading.end());
        const Glyph& first = glyphs_[heading.front()];
        const float y0 = first.matrix[5];
        const std::uint32_t page = first.page_index;
        float size = 1.0f, right = 0.0f;
        for (std::size_t i : heading) {
            const Glyph& g = glyphs_[i];
            size = edge_max(size, g.font_size);
            right = edge_max(right, edge_max(edge_max(g.bbox[0], g.bbox[2]), g.matrix[4]));
        }
        const float reach = kBaselineReach * size;
        std::vector<std::size_t> band;
        for (std::size_t i : baselines_.band(page, y0, reach)) {
            const Glyph& g = glyphs_[i];
            if (!(std::fabs(g.matrix[5] - y0) <= reach) || own.contains(g.id) || !(g.matrix[4] >= right - 1.0f)) {
                continue;
            }
            band.push_back(i);
        }
        // Document order first, so that equal x keep it.
        std::sort(band.begin(), band.end());
        std::vector<const Glyph*> trailing;
        trailing.reserve(band.size());
        for (std::size_t i : band) trailing.push_back(&glyphs_[i]);
        sort_origin_x(trailing);
        std::size_t leaders = 0;
        std::string text;
        for (const Glyph* g : trailing) {
            const std::string_view t = trim_white_space(g->unicode);
            if (t.empty()) continue;
            bool all_leaders = true;
            for (Utf8Step step : Utf8Range(t)) all_leaders = all_leaders && is_leader_char(step.scalar);
            if (all_leaders) {
                leaders += count_scalar_values(t);
            } else {
                text += t;
            }
        }
        return leaders >= 4 && is_page_label(trim_white_space(text));
    }

    // The look-ahead: do the lines after the heading at position p read like
    // a bibliography?
    bool confirm(std::size_t p) const {
        const SegmentLine& h = lines_[order_[p]];
        std::size_t name_lines = 0, other_lines = 0;
        for (std::size_t q = next_candidate_[p + 1]; q < order_.size(); q = next_candidate_[q + 1]) {
            const std::size_t line = order_[q];
            const SegmentLine& m = lines_[line];
            if (m.page == h.page && std::fabs(m.x - h.x) > kAnchorReach) continue;
            const std::string_view t = trim_white_space(m.text);
            if (count_scalar_values(t) < kShortLine) return true;  // only short entries stop here
            if (entry_like_[line] || matches_author_year_entry(t)) return true;
            if (auto year = find_year(t)) {
                std::string_view u = trim_white_space(t.substr(0, *year));
                while (!u.empty() && (u.back() == ',' || u.back() == '.' || u.back() == ':' || u.back() == ';')) {
                    u.remove_suffix(1);
                }
                if (looks_like_author_list(u)) return true;
            }
            if (looks_like_author_list(t)) {
                if (find_year(t)) return true;
                if (++name_lines == 8) return false;
                continue;
            }
            if (ends_reference_section(t)) return false;
            ++other_lines;
            if (reads_like_prose(t) || other_lines == 4) return false;
        }
        return false;
    }

    void scan() {
        in_reference_.assign(segments_.size(), false);
        bool inside = false;
        float anchor_x = 0.0f;
        std::uint32_t anchor_page = 0;
        bool pending = false;
        bool opened_by_run = false;
        std::size_t run_start = 0, gaps = 0;
        for (std::size_t p = 0; p < order_.size(); ++p) {
            const std::size_t line = order_[p];
            const SegmentLine& l = lines_[line];
            if (running_header_[line]) continue;
            if (inside) {
                if (l.page == anchor_page && l.x < anchor_x - kAnchorReach) {
                    // The other column is passed over, but not a reference
                    // heading in it: a list that a run of entries opened at
                    // the top of the right column may have its heading at
                    // the foot of the left one, read after that run, with
                    // the first entries below it. The heading joins and the
                    // section goes on from it.
                    if (!is_reference_heading(l.text)) continue;
                    // The lines of the run's column above its first entry
                    // come after the heading in the list too ("Boitano",
                    // "Busch" above the run that "Charles" opened): they
                    // missed the run only for lines without a year.
                    if (opened_by_run) {
                        const SegmentLine& first = lines_[order_[run_start]];
                        for (std::size_t q = 0; q < run_start; ++q) {
                            const std::size_t line_q = order_[q];
                            const SegmentLine& m = lines_[line_q];
                            if (m.page != first.page || running_header_[line_q]) continue;
                            if (std::fabs(m.x - first.x) <= kAnchorReach && m.y > first.y) {
                                in_reference_[m.segment] = true;
                            }
                        }
                        opened_by_run = false;
                    }
                    anchor_x = l.x;
                    in_reference_[l.segment] = true;
                    continue;
                }
                if (ends_reference_section(l.text)) {
                    inside = false;
                    pending = false;
                    gaps = 0;
                    continue;
                }
                in_reference_[l.segment] = true;
                continue;
            }
            if (is_reference_heading(l.text) && !is_contents_line(l)) {
                if (confirm(p)) {
                    in_reference_[l.segment] = true;
                    anchor_x = l.x;
                    anchor_page = l.page;
                    pending = false;
                    opened_by_run = false;
                    gaps = 0;
                    inside = true;
                }
                continue;
            }
            if (run_entry_[line]) {
                if (!pending) {
                    pending = true;
                    run_start = p;
                    gaps = 0;
                    continue;
                }
                anchor_x = lines_[order_[run_start]].x;
                anchor_page = lines_[order_[run_start]].page;
                for (std::size_t q = run_start; q <= p; ++q) {
                    if (!running_header_[order_[q]]) in_reference_[lines_[order_[q]].segment] = true;
                }
                pending = false;
                opened_by_run = true;
                gaps = 0;
                inside = true;
                continue;
            }
            if (pending) {
                ++gaps;
                if (gaps > 2 || ends_reference_section(l.text)) {
                    pending = false;
                    gaps = 0;
                }
            }
        }
    }

    std::vector<std::uint32_t> to_glyph_ids() const {
        IdSet result(glyphs_);
        std::unordered_set<std::uint32_t> ids;
        for (std::size_t s = 0; s < segments_.size(); ++s) {
            if (!in_reference_[s]) continue;
            for (std::uint32_t id : segments_[s].glyph_ids) {
                result.insert(id);
                ids.insert(id);
            }
        }
        if (ids.empty()) return {};
        // Margin glyphs and page numbers on a reference line's baseline,
        // within reach of one of its glyphs, stay with it.
        const std::vector<const Glyph*> reference = select_glyphs_in_id_set(glyphs_, ids);
        for (const Glyph* s : reference) {
            const float reach = kBaselineReach * edge_max(s->font_size, 1.0f);
            const float from = edge_min(s->bbox[0], s->bbox[2]) - kSideReach;
            const float to = edge_max(s->bbox[0], s->bbox[2]) + kSideReach;
            for (std::size_t i : baselines_.band(s->page_index, s->matrix[5], reach)) {
                const Glyph& g = glyphs_[i];
                if (std::fabs(s->matrix[5] - g.matrix[5]) <= reach && from <= g.matrix[4] && g.matrix[4] <= to) {
                    result.insert(g.id);
                }
            }
        }
        // A text operation is drawn whole or not at all by the rewrite: every
        // glyph it shows goes with those already kept, wherever it lies.
        using OperationKey = std::tuple<pdf::ObjectId, std::uint64_t, std::uint64_t>;
        std::vector<OperationKey> operations;
        for (const Glyph& g : glyphs_) {
            if (g.source.object_id && result.contains(g.id)) {
                operations.emplace_back(*g.source.object_id, g.source.byte_start, g.source.byte_end);
            }
        }
        std::sort(operations.begin(), operations.end());
        operations.erase(std::unique(operations.begin(), operations.end()), operations.end());
        if (!operations.empty()) {
            for (const Glyph& g : glyphs_) {
                if (!g.source.object_id) continue;
                const OperationKey key{*g.source.object_id, g.source.byte_start, g.source.byte_end};
                if (std::binary_search(operations.begin(), operations.end(), key)) result.insert(g.id);
            }
        }
        for (const Segment& segment : segments_) {
            const bool touched = std::any_of(segment.glyph_ids.begin(), segment.glyph_ids.end(),
                                             [&](std::uint32_t id) { return result.contains(id); });
            if (!touched) continue;
            for (std::uint32_t id : segment.glyph_ids) result.insert(id);
        }
        return std::move(result).ascending();
    }

    std::span<const Glyph> glyphs_;
    GlyphIndex index_;
    BaselineIndex baselines_;
    std::vector<Segment> segments_;
    std::vector<SegmentLine> lines_;
    std::vector<std::size_t> order_;
    std::vector<bool> running_header_;
    std::vector<bool> entry_like_;
    std::vector<bool> run_entry_;  // entry-like and long enough to start or carry a run
    std::vector<std::size_t> next_candidate_;
    std::vector<bool> in_reference_;
};

}  // namespace

std::vector<std::uint32_t> find_reference_sections(std::span<const Glyph> glyphs) {
    if (glyphs.empty()) return {};
    return Detector(glyphs).run();
}

}  // namespace zvk
