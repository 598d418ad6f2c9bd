#include "segment/toc_trim.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"
#include "segment/toc_lines.h"

namespace zvk {

namespace {

// Gaps between the glyphs of one item, in line sizes; wider gaps separate a
// title, its leaders and its number.
constexpr float kItemGap = 0.45f;
// A number this far after its title stands apart even without leaders.
constexpr float kNumberGap = 0.8f;
// Another entry on the same line starts this far after a number.
constexpr float kNextEntryMin = 1.15f;
constexpr float kNextEntryMax = 2.2f;
// Leader items closer than this were cut apart by a wide leader gap.
constexpr float kLeaderJoinGap = 14.0f;
// Leader characters a trailing number needs before it to count as one.
constexpr std::size_t kMinLeaderChars = 4;
// The trailing token is a page number: at most this many characters.
constexpr std::size_t kMaxTokenChars = 6;

bool is_leader_char(char32_t c) {
    switch (c) {
    case U'.': case 0x00B7: case 0x2022: case 0x2024: case 0x2026: case 0x2027: case 0x22C5:
        return true;
    default:
        return false;
    }
}

bool all_roman_letters(std::string_view text) {
    if (text.empty()) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        switch (c) {
        case 'c': case 'd': case 'i': case 'l': case 'm': case 'v': case 'x':
        case 'C': case 'D': case 'I': case 'L': case 'M': case 'V': case 'X':
            return true;
        default:
            return false;
        }
    });
}

// The number of leader characters when the text is made only of them (none:
// the text is something else).
std::size_t leader_only_count(std::string_view text) {
    std::size_t n = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (!step.valid || !is_leader_char(step.scalar)) return 0;
        ++n;
    }
    return n;
}

std::vector<TocItem> line_items(const std::vector<const Glyph*>& glyphs, float s) {
    std::vector<TocItem> items;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = *glyphs[i];
        const float left = glyph_left_edge(g);
        const float right = glyph_right_edge(g);
        if (i == 0 || left - glyph_right_edge(*glyphs[i - 1]) > kItemGap * s) {
            items.push_back(TocItem{{}, {}, left, right});
        }
        TocItem& item = items.back();
        item.ids.push_back(g.id);
        item.text += g.unicode;
        item.a = edge_min(item.a, left);
        item.b = edge_max(item.b, right);
    }
    return items;
}

// The ids of an entry's leaders and number found item by item.
void trim_entry_items(const std::vector<TocItem>& items, float s, std::vector<std::uint32_t>& out) {
    auto take = [&out](const TocItem& item) { out.insert(out.end(), item.ids.begin(), item.ids.end()); };
    for (std::size_t k = 1; k < items.size(); ++k) {
        if (!is_page_number_like(items[k].text)) continue;
        const float gap = items[k].a - items[k - 1].b;
        const bool lead = has_dot_leaders(items[k - 1].text);
        bool next = false;
        if (k + 1 < items.size()) {
            const float after = items[k + 1].a - items[k].b;
            const std::string_view t = trim_white_space(items[k + 1].text);
            const bool starts_entry = !t.empty() && ((t[0] >= 'A' && t[0] <= 'Z') ||
                                                     (is_ascii_digit(t[0]) && t.find('.') != std::string_view::npos));
            next = after >= kNextEntryMin * s && after <= kNextEntryMax * s && starts_entry;
        }
        if (k + 1 == items.size() && gap > kItemGap * s) {
            if (lead) take(items[k - 1]);
            take(items[k]);
        } else if (lead) {
            take(items[k - 1]);
            take(items[k]);
        } else if (gap >= kNumberGap * s || next) {
            take(items[k]);
        }
    }
}

// A page number at the line's end after leader glyphs, whatever the item gaps
// were: the leaders and the number.
void trim_trailing_number(const std::vector<const Glyph*>& glyphs, std::vector<std::uint32_t>& out) {
    std::size_t end = glyphs.size();
    while (end > 0 && trim_white_space(glyphs[end - 1]->unicode).empty()) --end;
    if (end == 0) return;
    std::string token;
    std::size_t start = end;
    while (start > 0) {
        const std::string_view piece = trim_white_space(glyphs[start - 1]->unicode);
        if (piece.empty()) break;
        std::string candidate = std::string(piece) + token;
        const std::string_view t = trim_white_space(candidate);
        const bool digits = is_all_ascii_digits(t) && t.size() < 4;
        if (count_scalar_values(t) > kMaxTokenChars || !(digits || all_roman_letters(t))) break;
        token = std::move(candidate);
        --start;
    }
    if (!is_page_number_like(token)) return;
    std::size_t leaders = 0;
    std::size_t walk = start;
    while (walk > 0) {
        const std::string_view t = trim_white_space(glyphs[walk - 1]->unicode);
        if (t.empty()) {
            --walk;
            continue;
        }
        const std::size_t n = leader_only_count(t);
        if (n == 0) break;
        leaders += n;
        --walk;
    }
    if (leaders < kMinLeaderChars) return;
    for (std::size_t i = walk; i < end; ++i) {
        if (!trim_white_space(glyphs[i]->unicode).empty()) out.push_back(glyphs[i]->id);
    }
}

}  // namespace

bool has_dot_leaders(std::string_view text) {
    std::size_t leaders = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_leader_char(step.scalar)) {
            ++leaders;
        } else if (!step.valid || !is_unicode_white_space(step.scalar)) {
            return false;
        }
    }
    return leaders > 3;
}

std::vector<TocItem> join_leader_items(std::vector<TocItem> items) {
    std::vector<TocItem> out;
    for (TocItem& item : items) {
        if (!out.empty() && has_dot_leaders(out.back().text) && has_dot_leaders(item.text) &&
            item.a - out.back().b < kLeaderJoinGap) {
            TocItem& prev = out.back();
            prev.text += item.text;
            prev.ids.insert(prev.ids.end(), item.ids.begin(), item.ids.end());
            prev.b = item.b;
            continue;
        }
        out.push_back(std::move(item));
    }
    return out;
}

bool is_page_number_like(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    if (!t.empty() && t.size() <= 3 && is_all_ascii_digits(t)) return true;
    return count_scalar_values(t) >= 2 && is_roman_numeral(t);
}

void trim_table_of_contents(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    std::vector<TextLine> out;
    out.reserve(lines.size());
    for (TextLine& line : lines) {
        std::vector<const Glyph*> glyphs = line.glyphs;
        sort_left_edge(glyphs);
        const float s = line.size;
        std::vector<std::uint32_t> found;
        trim_entry_items(join_leader_items(line_items(glyphs, s)), s, found);
        trim_trailing_number(glyphs, found);
        if (found.empty()) {
            out.push_back(std::move(line));
            continue;
        }
        // Without repeats, in the order found.
        std::unordered_set<std::uint32_t> trimmed;
        for (std::uint32_t id : found) {
            if (trimmed.insert(id).second) skipped.push_back(SkippedGlyph{id, "toc"});
        }
        std::erase_if(glyphs, [&trimmed](const Glyph* g) { return trimmed.contains(g->id); });
        if (glyphs.empty()) continue;
        TextLine rebuilt = build_text_line(std::move(glyphs));
        rebuilt.toc_trimmed = true;
        out.push_back(std::move(rebuilt));
    }
    lines = std::move(out);
}

}  // namespace zvk
