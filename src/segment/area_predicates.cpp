#include "segment/area_predicates.h"

#include <array>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/captions.h"
#include "segment/font_names.h"
#include "segment/glyph_order.h"
#include "segment/paragraph_merge.h"
#include "segment/text_predicates.h"
#include "segment/text_trims.h"

namespace zvk {

namespace {

// A line of running text: enough letters, wide enough.
constexpr std::size_t kBodyMinLetters = 24;
constexpr float kBodyMinWidth = 160.0f;
// How far below a table caption its cells may reach, and how far beside it.
constexpr float kTableReach = 320.0f;
constexpr float kTableReachRight = 240.0f;
constexpr float kTableReachLeft = 16.0f;
constexpr std::size_t kHeadingMaxChars = 48;
constexpr float kHeadingMaxWidth = 260.0f;

constexpr std::array<std::string_view, 9> kBlockLabels{"definition", "note",   "theorem", "lemma",  "proof",
                                                       "example",    "remark", "tip",     "warning"};

bool has_list_punctuation(std::string_view text) {
    return text.find_first_of(",:;") != std::string_view::npos;
}

bool is_long_text_line(const TextLine& line) {
    return count_letters(line.text) >= kBodyMinLetters && line.x1 - line.x0 >= kBodyMinWidth;
}

// Totals of text bytes per font, in the order fonts were first seen.
struct FontTotals {
    std::vector<std::pair<std::string_view, std::size_t>> totals;
    void add(std::string_view font, std::size_t bytes) {
        for (auto& [name, total] : totals) {
            if (name == font) {
                total += bytes;
                return;
            }
        }
        totals.emplace_back(font, bytes);
    }
    std::string best() const {
        const std::pair<std::string_view, std::size_t>* top = nullptr;
        for (const auto& entry : totals) {
            if (top == nullptr || entry.second > top->second) top = &entry;
        }
        return top == nullptr ? std::string() : std::string(top->first);
    }
};

}  // namespace

std::string page_body_font(const std::vector<TextLine>& lines, std::span<const std::size_t> page_lines) {
    std::vector<std::size_t> table_captions;
    for (std::size_t i : page_lines) {
        if (caption_kind(lines[i].text) == CaptionKind::Table) table_captions.push_back(i);
    }
    FontTotals all;
    FontTotals outside_tables;
    for (std::size_t i : page_lines) {
        const TextLine& line = lines[i];
        if (!is_long_text_line(line)) continue;
        all.add(line.font_name, line.text.size());
        bool below_table = false;
        for (std::size_t t : table_captions) {
            const TextLine& cap = lines[t];
            if (cap.y - 1.0f > line.y && cap.y - line.y <= kTableReach && line.x0 < cap.x1 + kTableReachRight &&
                line.x1 > cap.x0 - kTableReachLeft) {
                below_table = true;
                break;
            }
        }
        if (!below_table) outside_tables.add(line.font_name, line.text.size());
    }
    return outside_tables.totals.empty() ? all.best() : outside_tables.best();
}

bool is_heading_sized(const TextLine& line) {
    std::size_t letters = 0;
    for (char c : line.text) letters += is_ascii_letter(c) ? 1 : 0;
    return (letters >= 2 && line.size >= 28.0f) || (line.size >= 16.0f && letters > 3);
}

bool is_body_text_line(const TextLine& line, std::string_view body) {
    return is_long_text_line(line) && (body.empty() || same_font_family(line.font_name, body));
}

bool is_numbered_heading(const TextLine& line, std::string_view body) {
    const std::string_view t = trim_white_space(line.text);
    if (count_scalar_values(t) > kHeadingMaxChars || !(line.x1 - line.x0 <= kHeadingMaxWidth)) return false;
    const std::optional<SectionNumberSplit> split = split_section_number(t);
    if (!split || count_letters(split->rest) <= 3) return false;
    if (body.empty() || split->has_sub_number) return true;
    if (line.font_name == body || same_font_family(line.font_name, body)) return true;
    return is_cmbx_font_name(line.font_name) && is_title_words(split->rest);
}

bool is_title_words(std::string_view text) {
    if (has_list_punctuation(text)) return false;
    const std::vector<std::string_view> words = split_white_space_words(text);
    if (words.empty() || words.size() > 6) return false;
    for (std::string_view word : words) {
        const std::string_view letters = trim_to_ascii_letters(word);
        if (!letters.empty() && !(letters[0] >= 'A' && letters[0] <= 'Z')) return false;
    }
    return true;
}

bool is_short_title(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    if (has_list_punctuation(t)) return false;
    const std::size_t words = split_white_space_words(t).size();
    if (words == 0 || words > 8) return false;
    if (t.ends_with('.') || t.ends_with('!') || t.ends_with('?') || t.ends_with("\u3002")) return false;
    return count_letters(t) > 3;
}

bool starts_with_block_label(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    std::size_t first = 0;
    while (first < t.size() && !is_ascii_letter(t[first])) ++first;
    if (first == t.size() || !(t[first] >= 'A' && t[first] <= 'Z')) return false;
    const std::string lower = ascii_lower(t.substr(first));
    for (std::string_view label : kBlockLabels) {
        if (!std::string_view(lower).starts_with(label)) continue;
        if (lower.size() == label.size()) return true;
        const char next = lower[label.size()];
        if (!is_ascii_letter(next) && next != ',') return true;
    }
    return false;
}

}  // namespace zvk
