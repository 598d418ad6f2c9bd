#include "segment/line_groups.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <queue>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/glyph_id_bits.h"
#include "segment/glyph_order.h"
#include "segment/line_text.h"
#include "segment/paragraph_merge.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

// Left edges of one column lie within this distance of its median; a
// hyphenated line may stand further right, up to the wider reach.
constexpr float kColumnReach = 28.0f;
constexpr float kHyphenColumnReach = 64.0f;
// The title rule needs both sizes at 16 × 0.95 or more: groups whose last
// line is smaller never match it.
constexpr float kTitleListSize = 15.0f;



// The end-trimmed text ends with an ASCII letter and '-'.
bool ends_with_letter_hyphen(std::string_view text) { return hyphen_end(text).has_value(); }

bool continues_hyphenation(const TextLine& p, const TextLine& l) {
    if (p.page_index != l.page_index || !ends_with_letter_hyphen(p.text)) return false;
    std::string_view t = trim_leading_white_space(l.text);
    if (!(!t.empty() && is_ascii_letter(utf8_decode_at(t, 0).scalar)) && !starts_with_quoted_alnum(t)) {
        return false;
    }
    const float s = pair_size(p.size, l.size);
    const float dx = l.x0 - p.x0;
    if (!(dx >= -12.0f * s && dx <= 36.0f)) return false;
    return p.y > l.y && p.y - l.y < 1.6f * s;
}

bool sits_below(const TextLine& p, const TextLine& l) {
    if (p.page_index != l.page_index) return false;
    const float s = pair_size(p.size, l.size);
    const float dy = p.y - l.y;
    const float dx = l.x0 - p.x0;
    return dy >= 0.7f * s && dy <= 1.6f * s && dx >= -1.6f * s && dx <= 2.8f * s;
}

// The median x0 of one group's lines on one page (the element at index n/2 of
// the ascending total-order sort), kept by two heaps as lines arrive so a
// long column costs no resort per line.
class PageColumn {
public:
    void insert(float x) {
        const std::int32_t key = total_order_key(x);
        if (!upper_.empty() && key < upper_.top().first) {
            lower_.push({key, x});
        } else {
            upper_.push({key, x});
        }
        // upper_ holds the n − n/2 largest, so its smallest is the median.
        const std::size_t n = lower_.size() + upper_.size();
        while (upper_.size() > n - n / 2) {
            lower_.push(upper_.top());
            upper_.pop();
        }
        while (upper_.size() < n - n / 2) {
            upper_.push(lower_.top());
            lower_.pop();
        }
    }
    float median() const { return upper_.top().second; }

private:
    using Entry = std::pair<std::int32_t, float>;
    struct KeyGreater {
        bool operator()(const Entry& a, const Entry& b) const { return a.first > b.first; }
    };
    struct KeyLess {
        bool operator()(const Entry& a, const Entry& b) const { return a.first < b.first; }
    };
    std::priority_queue<Entry, std::vector<Entry>, KeyLess> lower_;
    std::priority_queue<Entry, std::vector<Entry>, KeyGreater> upper_;
};

// Every group on every page stays reachable from the page's own list, so a
// line is compared with the groups of its page only (and, for the title
// rule, with the groups that end in a large line).
class GroupIndex {
public:
    explicit GroupIndex(std::vector<LineGroup>& groups) : groups_(groups) {}

    std::size_t choose(const TextLine& line) {
        const std::vector<std::size_t>* on_page = page_groups(line.page_index);
        if (on_page != nullptr) {
            for (std::size_t g : *on_page) {
                if (continues_hyphenation(last(g), line)) return g;
            }
            for (std::size_t g : *on_page) {
                if (is_centred_pair(last(g), line)) return g;
            }
            if (auto g = column_of(*on_page, line)) return *g;
        }
        // Rule 4 takes the first group in group order that matches either
        // branch: the same-page branch reads the page's list, the title
        // branch the list of large last lines; the earlier group wins.
        std::size_t best = kNone;
        if (on_page != nullptr) {
            for (std::size_t g : *on_page) {
                if (sits_below(last(g), line)) {
                    best = g;
                    break;
                }
            }
        }
        for (std::size_t g : large_) {
            if (g >= best) break;
            if (is_right_aligned_pair(last(g), line)) {
                best = g;
                break;
            }
        }
        return best;
    }

    void append(std::size_t g, TextLine line) {
        const std::uint32_t page = line.page_index;
        const float x0 = line.x0;
        if (g == kNone) {
            g = groups_.size();
            groups_.emplace_back();
        }
        LineGroup& group = groups_[g];
        const bool was_large = !group.lines.empty() && is_large(group.lines.back());
        group.lines.push_back(std::move(line));
        const bool now_large = is_large(group.lines.back());
        if (was_large != now_large) {
            if (now_large) {
                large_.insert(std::upper_bound(large_.begin(), large_.end(), g), g);
            } else {
                large_.erase(std::lower_bound(large_.begin(), large_.end(), g));
            }
        }
        if (columns_.size() <= g) columns_.resize(g + 1);
        auto& columns = columns_[g];
        auto [it, inserted] = columns.try_emplace(page);
        it->second.insert(x0);
        if (inserted) {
            std::vector<std::size_t>& list = pages_[page];
            list.insert(std::upper_bound(list.begin(), list.end(), g), g);
        }
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

private:
    // A NaN size never refuses the title rule's size test, so it stays listed.
    static bool is_large(const TextLine& line) { return !(line.size < kTitleListSize); }

    const TextLine& last(std::size_t g) const { return groups_[g].lines.back(); }

    const std::vector<std::size_t>* page_groups(std::uint32_t page) const {
        auto it = pages_.find(page);
        return it == pages_.end() ? nullptr : &it->second;
    }

    std::optional<std::size_t> column_of(const std::vector<std::size_t>& on_page, const TextLine& line) const {
        const bool hyphen = hyphen_end(line.text).has_value();
        std::optional<std::size_t> best;
        float best_d = 0.0f;
        for (std::size_t g : on_page) {
            const float m = columns_[g].at(line.page_index).median();
            const float d = std::fabs(m - line.x0);
            const bool qualifies = d <= kColumnReach || (m <= line.x0 + 1.0f && d <= kHyphenColumnReach && hyphen);
            if (qualifies && (!best || d < best_d)) {
                best = g;
                best_d = d;
            }
        }
        return best;
    }

    std::vector<LineGroup>& groups_;
    // Groups with lines on each page, in group order.
    std::map<std::uint32_t, std::vector<std::size_t>> pages_;
    // Per group, its columns by page.
    std::vector<std::map<std::uint32_t, PageColumn>> columns_;
    // Groups whose last line is kTitleListSize or larger, in group order.
    std::vector<std::size_t> large_;
};

}  // namespace

void prune_skipped_glyphs(std::vector<TextLine>& lines, const std::vector<SkippedGlyph>& skipped) {
    if (skipped.empty()) return;
    std::unordered_set<std::uint32_t> ids;
    for (const SkippedGlyph& s : skipped) ids.insert(s.glyph_id);
    std::size_t glyphs = 0;
    for (const TextLine& line : lines) glyphs += line.glyphs.size();
    const GlyphIdBits in_ids(ids, glyphs);
    for (TextLine& line : lines) {
        const std::size_t before = line.glyphs.size();
        std::erase_if(line.glyphs, [&in_ids](const Glyph* g) { return in_ids.contains(g->id); });
        if (line.glyphs.empty() || line.glyphs.size() == before) continue;
        line.text = line_text_from_glyphs(line.glyphs);
        // The extents of white space alone would measure nothing visible:
        // such a line keeps its old extents (line_extent_stats itself measures
        // an all-blank run, which build_text_line needs).
        const bool visible = std::any_of(line.glyphs.begin(), line.glyphs.end(),
                                         [](const Glyph* g) { return !is_blank_text(g->unicode); });
        if (!visible) continue;
        if (auto ext = line_extent_stats(line.glyphs)) {
            line.y = ext->baseline;
            line.x0 = ext->left;
            line.x1 = ext->right;
            line.size = ext->size;
        }
    }
    std::erase_if(lines, [](const TextLine& line) { return line.glyphs.empty(); });
}

std::vector<LineGroup> group_lines(std::vector<TextLine> lines) {
    std::vector<LineGroup> groups;
    GroupIndex index(groups);
    for (TextLine& line : lines) {
        const std::size_t g = index.choose(line);
        index.append(g, std::move(line));
    }
    for (LineGroup& group : groups) group.caption_targets.assign(group.lines.size(), {});
    return groups;
}

}  // namespace zvk
