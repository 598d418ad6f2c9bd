#include "rewrite/placement/wrapped_toc_entries.h"

#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/geometry/glyph_classes.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

bool holds_list_mark(std::string_view text) {
    return text.find("\u2022") != std::string_view::npos || text.find("\u25A0") != std::string_view::npos ||
           text.find("\u25AA") != std::string_view::npos;
}

// round(left × 0.25), half away from zero, saturated to i32; NaN gives 0.
std::int32_t column_of(float left) {
    const float v = left * 0.25f;
    if (std::isnan(v)) return 0;
    const float r = std::round(v);
    if (r >= 2147483647.0f) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::uint64_t column_key(std::uint32_t page, std::int32_t column) {
    return (std::uint64_t{page} << 32) | static_cast<std::uint32_t>(column);
}

// What the entry tests need of one page: the baselines of its contents page
// numbers and of its bullets, gathered once for the whole document.
struct PageMarks {
    std::vector<float> page_number_baselines;
    std::vector<float> bullet_baselines;
};

bool any_within(std::span<const float> baselines, float y, float tolerance) {
    for (const float b : baselines) {
        if (std::fabs(b - y) <= tolerance) return true;
    }
    return false;
}

// The first word is a number of one to three ASCII digits.
bool starts_with_short_number(std::string_view text) {
    const std::vector<std::string_view> words = split_white_space_words(text);
    if (words.empty()) return false;
    const std::string_view w = words.front();
    return !w.empty() && w.size() <= 3 && is_all_ascii_digits(w);
}

struct LeadContext {
    const std::unordered_map<std::uint32_t, PageMarks>& marks;
    const std::unordered_set<std::size_t>& used;
};

bool is_wrapped_entry_lead(const SingleLineSummary& s, const SingleLineSummary& l, const LeadContext& ctx,
                           bool aligned) {
    const float f = std::fmax(std::isnan(s.size) ? l.size : std::fmax(l.size, s.size), 1.0f);
    if (l.page != s.page || l.record_index == s.record_index || ctx.used.contains(l.record_index)) return false;
    if (count_scalar_values(trim_white_space(l.text)) <= 11) return false;
    if (starts_with_short_number(l.text) || holds_list_mark(l.text)) return false;
    if (const auto it = ctx.marks.find(l.page); it != ctx.marks.end()) {
        // The lead carries no page number of its own.
        if (any_within(it->second.page_number_baselines, l.top, 0.55f * std::fmax(l.size, 1.0f))) return false;
    }
    const float rise = l.top - s.top;
    if (!(rise >= 0.65f * f && rise <= 1.85f * f)) return false;
    const float indent = s.left - l.left;
    const bool hanging = indent >= 0.3f * f && indent <= 1.85f * f && s.left < l.right - 0.4f * f && !aligned;
    const bool numbered =
        starts_with_section_number(l.text) && s.left > l.left + 0.3f * f && s.left < l.right - 0.2f * f;
    return hanging || numbered;
}

}  // namespace

std::optional<SingleLineSummary> summarize_single_line_segment(const AcceptedTranslation& accepted,
                                                               std::span<const TranslationRecord> records,
                                                               std::span<const Glyph> glyphs,
                                                               const GlyphIdIndex& glyph_index) {
    const TranslationRecord& record = records[accepted.record_index];
    SingleLineSummary s;
    s.text = record.source;
    s.record_index = accepted.record_index;
    bool any = false;
    float top = -std::numeric_limits<float>::infinity();
    float bottom = std::numeric_limits<float>::infinity();
    float left = std::numeric_limits<float>::infinity();
    float right = -std::numeric_limits<float>::infinity();
    for (const std::uint32_t id : record.glyph_ids) {
        const std::optional<std::size_t> pos = glyph_index.position(id);
        if (!pos || *pos >= glyphs.size()) continue;
        const Glyph& g = glyphs[*pos];
        if (trim_white_space(g.unicode).empty()) continue;
        if (!any) s.page = g.page_index;
        any = true;
        top = std::fmax(top, g.matrix[5]);
        bottom = std::fmin(bottom, g.matrix[5]);
        left = std::fmin(left, std::fmin(g.matrix[4], std::fmin(g.bbox[0], g.bbox[2])));
        right = std::fmax(right, std::fmax(g.matrix[4], std::fmax(g.bbox[0], g.bbox[2])));
        s.size = std::fmax(s.size, g.font_size);
    }
    if (!any) return std::nullopt;
    if (top - bottom > 0.45f * s.size) return std::nullopt;
    s.top = top;
    s.left = left;
    s.right = right;
    return s;
}

WrappedTocEntries find_wrapped_toc_entries(std::span<const AcceptedTranslation> accepted,
                                           std::span<const TranslationRecord> records,
                                           std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index) {
    std::vector<SingleLineSummary> summaries;
    std::unordered_map<std::uint64_t, std::size_t> column_counts;
    std::unordered_map<std::size_t, std::string_view> final_texts;
    // Summaries by page, in order: a lead lies on its continuation's page.
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> by_page;
    for (const AcceptedTranslation& a : accepted) {
        final_texts.emplace(a.record_index, a.final_text);
        if (std::optional<SingleLineSummary> s = summarize_single_line_segment(a, records, glyphs, glyph_index)) {
            ++column_counts[column_key(s->page, column_of(s->left))];
            by_page[s->page].push_back(summaries.size());
            summaries.push_back(std::move(*s));
        }
    }
    WrappedTocEntries entries;
    if (summaries.empty()) return entries;

    std::unordered_map<std::uint32_t, PageMarks> marks;
    for (const Glyph& g : glyphs) {
        if (!by_page.contains(g.page_index)) continue;
        if (is_toc_page_number_glyph(g)) marks[g.page_index].page_number_baselines.push_back(g.matrix[5]);
        if (is_bullet_glyph(g)) marks[g.page_index].bullet_baselines.push_back(g.matrix[5]);
    }

    std::unordered_set<std::size_t> used;
    const LeadContext ctx{marks, used};
    for (const SingleLineSummary& s : summaries) {
        const std::string_view text = trim_leading_white_space(s.text);
        if (text.empty() || text[0] < 'a' || text[0] > 'z') continue;
        if (split_white_space_words(s.text).size() >= 5 || holds_list_mark(s.text)) continue;
        const auto page_marks = marks.find(s.page);
        if (page_marks == marks.end()) continue;
        if (!any_within(page_marks->second.page_number_baselines, s.top, 0.55f * std::fmax(s.size, 1.0f))) continue;
        if (any_within(page_marks->second.bullet_baselines, s.top, 4.0f)) continue;

        const bool aligned = column_counts[column_key(s.page, column_of(s.left))] >= 4;
        const SingleLineSummary* lead = nullptr;
        for (const std::size_t k : by_page[s.page]) {
            const SingleLineSummary& l = summaries[k];
            if (!is_wrapped_entry_lead(s, l, ctx, aligned)) continue;
            if (lead == nullptr || total_order_key(l.top - s.top) < total_order_key(lead->top - s.top)) lead = &l;
        }
        if (lead == nullptr) continue;
        std::string joined = join_text_pieces(trim_white_space(final_texts.at(lead->record_index)),
                                              trim_white_space(final_texts.at(s.record_index)));
        if (trim_white_space(joined).empty()) continue;
        used.insert(lead->record_index);
        entries[lead->record_index] = WrappedTocEntry{std::move(joined), records[s.record_index].glyph_ids,
                                                      s.record_index, lead->top, s.top, lead->page};
    }
    return entries;
}

}  // namespace zvk::rewrite
