#include "segment/paragraphs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/ascii.h"
#include "base/stable_sort.h"
#include "base/text.h"
#include "segment/block_predicates.h"
#include "segment/captions.h"
#include "segment/glyph_order.h"
#include "segment/paragraph_merge.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

struct LineRef {
    std::size_t group = 0;
    std::size_t line = 0;
};

// One line's size as a scale, at least 1 (a NaN size counts as 1).
float own_size(float size) { return edge_max(size, 1.0f); }

bool holds_ascii_letter(std::string_view text) {
    for (char c : text) {
        if (is_ascii_letter(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

// Lines of every group, bucketed by page in group and line order; with the
// whole-document scan, every line in one list whatever its page.
class LinesByPage {
public:
    LinesByPage(PageScan scan) : scan_(scan) {}
    void add(std::uint32_t page, LineRef ref) {
        (scan_ == PageScan::buckets ? by_page_[page] : all_).push_back(ref);
    }
    std::span<const LineRef> on(std::uint32_t page) const {
        if (scan_ == PageScan::whole_document) return all_;
        auto it = by_page_.find(page);
        return it == by_page_.end() ? std::span<const LineRef>{} : std::span<const LineRef>(it->second);
    }

private:
    PageScan scan_;
    std::map<std::uint32_t, std::vector<LineRef>> by_page_;
    std::vector<LineRef> all_;
};

// The median centre of a paragraph's lines: centres in total order, element
// n / 2.
float median_centre(std::span<const TextLine> lines) {
    std::vector<float> centres;
    centres.reserve(lines.size());
    for (const TextLine& line : lines) centres.push_back((line.x0 + line.x1) / 2.0f);
    stable_merge_sort(centres, [](float a, float b) { return total_order_key(a) < total_order_key(b); });
    return centres[centres.size() / 2];
}

// The exception for a centred comma block (author and affiliation lists):
// the next line goes on with it when it sits one line below, at the same
// size, on the block's centre, and the last line closed no sentence.
bool continues_centred_block(std::span<const TextLine> paragraph, const TextLine& line) {
    if (paragraph.size() < 2 || !is_centered_comma_block(paragraph)) return false;
    const TextLine& last = paragraph.back();
    if (line.page_index != last.page_index) return false;
    const float m = pair_size(last.size, line.size);
    if (!(std::fabs(last.size - line.size) <= 0.2f * m)) return false;
    const float gap = last.y - line.y;
    if (!(gap >= 0.7f * m && gap <= 1.5f * m)) return false;
    std::string_view end = trim_trailing_white_space(last.text);
    if (!end.empty() && (end.back() == '.' || end.back() == '!' || end.back() == '?')) return false;
    const float centre = (line.x0 + line.x1) / 2.0f;
    if (!(std::fabs(centre - median_centre(paragraph)) <= 2.5f * m)) return false;
    return holds_ascii_letter(line.text);
}

// Some other line b of `page_lines` sits on a's baseline (within 0.35 of
// a's size) and starts more than 0.3 of a's size right of a's end.
template <typename LineAt>
bool has_row_neighbour(const TextLine& a, LineRef self, std::span<const LineRef> page_lines, LineAt&& line_at) {
    const float s = own_size(a.size);
    for (const LineRef& r : page_lines) {
        if (r.group == self.group && r.line == self.line) continue;
        const TextLine& b = line_at(r);
        if (b.page_index == a.page_index && std::fabs(b.y - a.y) <= 0.35f * s && b.x0 > a.x1 + 0.3f * s) return true;
    }
    return false;
}

// has_row_neighbour for every line of one page without comparing every pair
// (a page of one baseline may hold tens of thousands of lines): the lines
// with a finite baseline sorted by it, so that the baselines within reach of
// a line form one run, and the largest left edge of any run read from a
// sparse table. A line whose baseline or reach is not finite is compared
// with every line, as the plain test does.
class RowNeighbours {
public:
    template <typename LineAt>
    RowNeighbours(std::span<const LineRef> page_lines, LineAt&& line_at) {
        for (std::size_t i = 0; i < page_lines.size(); ++i) {
            const TextLine& line = line_at(page_lines[i]);
            lines_.push_back(&line);
            if (std::isfinite(line.y)) order_.push_back(i);
        }
        std::stable_sort(order_.begin(), order_.end(),
                         [this](std::size_t a, std::size_t b) { return lines_[a]->y < lines_[b]->y; });
        position_.assign(page_lines.size(), 0);
        for (std::size_t p = 0; p < order_.size(); ++p) position_[order_[p]] = p;
        // A NaN left edge is never to anyone's right: it counts as -inf.
        std::vector<float> level;
        for (std::size_t i : order_) {
            const float x0 = lines_[i]->x0;
            level.push_back(std::isnan(x0) ? -std::numeric_limits<float>::infinity() : x0);
        }
        table_.push_back(std::move(level));
        for (std::size_t width = 2; width <= order_.size(); width *= 2) {
            const std::vector<float>& below = table_.back();
            std::vector<float> next(order_.size() - width + 1);
            for (std::size_t p = 0; p < next.size(); ++p) next[p] = std::max(below[p], below[p + width / 2]);
            table_.push_back(std::move(next));
        }
    }

    // For the i-th line of the page.
    bool has_neighbour(std::size_t i) const {
        const TextLine& a = *lines_[i];
        const float s = own_size(a.size);
        const float reach = 0.35f * s;
        const float right = a.x1 + 0.3f * s;
        if (!std::isfinite(a.y) || !std::isfinite(reach)) {
            for (std::size_t j = 0; j < lines_.size(); ++j) {
                const TextLine& b = *lines_[j];
                if (j != i && std::fabs(b.y - a.y) <= reach && b.x0 > right) return true;
            }
            return false;
        }
        if (std::isnan(right)) return false;
        // Among finite baselines b.y - a.y grows with b.y, so the baselines
        // within reach are one run of the sorted order; an infinite or NaN
        // baseline is never within a finite reach.
        auto first = std::partition_point(order_.begin(), order_.end(),
                                          [&](std::size_t j) { return lines_[j]->y - a.y < -reach; });
        auto last = std::partition_point(first, order_.end(),
                                         [&](std::size_t j) { return !(lines_[j]->y - a.y > reach); });
        const std::size_t lo = static_cast<std::size_t>(first - order_.begin());
        const std::size_t hi = static_cast<std::size_t>(last - order_.begin());
        const std::size_t self = position_[i];
        return max_x0(lo, self) > right || max_x0(self + 1, hi) > right;
    }

private:
    // The largest left edge over sorted positions [lo, hi); -inf when empty.
    float max_x0(std::size_t lo, std::size_t hi) const {
        if (lo >= hi) return -std::numeric_limits<float>::infinity();
        std::size_t level = 0;
        while ((std::size_t{2} << level) <= hi - lo) ++level;
        return std::max(table_[level][lo], table_[level][hi - (std::size_t{1} << level)]);
    }

    std::vector<const TextLine*> lines_;
    std::vector<std::size_t> order_;
    std::vector<std::size_t> position_;
    std::vector<std::vector<float>> table_;
};

}  // namespace

void regroup_caption_continuations(std::vector<std::vector<TextLine>>& groups, PageScan scan) {
    std::vector<std::vector<char>> is_caption(groups.size());
    LinesByPage captions(scan);
    bool any_caption = false;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        is_caption[g].resize(groups[g].size());
        for (std::size_t k = 0; k < groups[g].size(); ++k) {
            if (!caption_kind(groups[g][k].text)) continue;
            is_caption[g][k] = 1;
            captions.add(groups[g][k].page_index, {g, k});
            any_caption = true;
        }
    }
    if (!any_caption) return;

    // Targets first, from the groups as they came: a line's move never
    // changes which caption another line goes on with.
    std::vector<std::vector<std::size_t>> target(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        target[g].assign(groups[g].size(), g);
        for (std::size_t k = 0; k < groups[g].size(); ++k) {
            if (is_caption[g][k]) continue;
            const TextLine& line = groups[g][k];
            for (const LineRef& c : captions.on(line.page_index)) {
                if (c.group == g) continue;
                if (continues_paragraph(groups[c.group][c.line], line)) {
                    target[g][k] = c.group;
                    break;
                }
            }
        }
    }
    std::vector<std::vector<TextLine>> rebuilt(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].size(); ++k) rebuilt[target[g][k]].push_back(std::move(groups[g][k]));
    }
    groups = std::move(rebuilt);
}

void mark_row_neighbours(std::vector<std::vector<TextLine>>& groups, PageScan scan) {
    LinesByPage lines(scan);
    std::vector<std::uint32_t> pages;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].size(); ++k) {
            lines.add(groups[g][k].page_index, {g, k});
            pages.push_back(groups[g][k].page_index);
        }
    }
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    auto line_at = [&groups](const LineRef& r) -> const TextLine& { return groups[r.group][r.line]; };

    // Decided from the lines as they are, then cleared: the test reads no
    // flag.
    std::vector<LineRef> cleared;
    if (scan == PageScan::whole_document) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            for (std::size_t k = 0; k < groups[g].size(); ++k) {
                if (has_row_neighbour(groups[g][k], {g, k}, lines.on(groups[g][k].page_index), line_at)) {
                    cleared.push_back({g, k});
                }
            }
        }
    } else {
        for (std::uint32_t page : pages) {
            std::span<const LineRef> on_page = lines.on(page);
            RowNeighbours rows(on_page, line_at);
            for (std::size_t i = 0; i < on_page.size(); ++i) {
                if (rows.has_neighbour(i)) cleared.push_back(on_page[i]);
            }
        }
    }
    for (const LineRef& r : cleared) groups[r.group][r.line].ends_row = false;
}

std::vector<ParagraphGroup> assemble_paragraphs(const std::vector<std::vector<TextLine>>& groups,
                                                const std::map<std::uint32_t, float>& typical_line_width) {
    std::vector<ParagraphGroup> paragraphs;
    for (const std::vector<TextLine>& group : groups) {
        ParagraphGroup open;
        for (const TextLine& line : group) {
            auto width = typical_line_width.find(line.page_index);
            const float x = width == typical_line_width.end() ? 0.0f : width->second;
            if (open.empty() || should_merge_lines(open.back(), line, x) || continues_centred_block(open, line)) {
                open.push_back(line);
                continue;
            }
            paragraphs.push_back(std::move(open));
            open = {line};
        }
        if (!open.empty()) paragraphs.push_back(std::move(open));
    }
    return paragraphs;
}

bool is_body_like(std::span<const TextLine> lines) {
    float min_x0 = std::numeric_limits<float>::quiet_NaN();
    float max_x1 = 0.0f;
    for (const TextLine& line : lines) {
        min_x0 = edge_min(min_x0, line.x0);
        max_x1 = edge_max(max_x1, line.x1);
    }
    return max_x1 - min_x0 > 30.0f || (min_x0 > 64.0f && min_x0 < 500.0f);
}

bool is_counted_target(std::span<const TextLine> lines) {
    if (lines.size() > 1) return true;
    std::size_t letters = 0;
    for (const TextLine& line : lines) letters += count_letters(line.text);
    return letters > 15;
}

std::map<std::uint32_t, float> body_bottom(const std::vector<ParagraphGroup>& paragraphs) {
    std::map<std::uint32_t, float> bottom;
    for (const ParagraphGroup& p : paragraphs) {
        if (p.empty() || is_non_body_line(p.front()) || !is_body_like(p) || !is_substantial_block(p)) continue;
        for (const TextLine& line : p) {
            if (std::isnan(line.y)) continue;
            auto [it, inserted] = bottom.emplace(line.page_index, line.y);
            if (!inserted) it->second = edge_min(it->second, line.y);
        }
    }
    return bottom;
}

std::vector<ChainedBlock> build_chained_blocks(std::vector<LineGroup> groups,
                                               const std::map<std::uint32_t, float>& typical_line_width,
                                               PageScan scan) {
    std::vector<std::vector<TextLine>> lines;
    lines.reserve(groups.size());
    for (LineGroup& group : groups) lines.push_back(std::move(group.lines));
    groups.clear();

    regroup_caption_continuations(lines, scan);
    std::erase_if(lines, [](const std::vector<TextLine>& group) { return group.empty(); });
    for (std::vector<TextLine>& group : lines) sort_block_lines_reading_order(group);
    mark_row_neighbours(lines, scan);

    std::vector<ParagraphGroup> paragraphs = assemble_paragraphs(lines, typical_line_width);
    lines.clear();
    sort_paragraph_groups_column_order(paragraphs);
    std::vector<ChainedBlock> blocks = chain_paragraphs(paragraphs, body_bottom(paragraphs), scan);
    sort_paragraph_groups_reading_order(blocks);
    return blocks;
}

}  // namespace zvk
