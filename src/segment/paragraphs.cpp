#include "segment/paragraphs.h"

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
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].size(); ++k) lines.add(groups[g][k].page_index, {g, k});
    }
    // Decided from the lines as they are, then cleared: the test reads no
    // flag, so the order of clearing would not matter either.
    std::vector<LineRef> cleared;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].size(); ++k) {
            const TextLine& a = groups[g][k];
            const float s = own_size(a.size);
            for (const LineRef& r : lines.on(a.page_index)) {
                if (r.group == g && r.line == k) continue;
                const TextLine& b = groups[r.group][r.line];
                if (b.page_index == a.page_index && std::fabs(b.y - a.y) <= 0.35f * s && b.x0 > a.x1 + 0.3f * s) {
                    cleared.push_back({g, k});
                    break;
                }
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
