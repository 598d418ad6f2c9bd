#include "segment/paragraph_merge.h"

#include <unicode/uchar.h>

#include <array>
#include <cmath>
#include <map>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/captions.h"
#include "segment/font_names.h"
#include "segment/glyph_id_bits.h"
#include "segment/glyph_order.h"
#include "segment/math_glyphs.h"
#include "segment/text_predicates.h"
#include "segment/text_trims.h"

namespace zvk {

namespace {

// Baselines of one paragraph lie 0.7 to 1.5 pair sizes apart.
constexpr float kMinLineGap = 0.7f;
constexpr float kMaxLineGap = 1.5f;
// Lines further apart than this at the left are different blocks.
constexpr float kMaxLeftShift = 36.0f;

bool is_ascii_alnum(char32_t c) { return is_ascii_letter(c) || is_ascii_digit(c); }

bool is_white(const Utf8Step& step) { return step.valid && is_unicode_white_space(step.scalar); }

std::string_view trim_start(std::string_view text) {
    std::size_t offset = 0;
    while (offset < text.size()) {
        Utf8Step step = utf8_decode_at(text, offset);
        if (!is_white(step)) break;
        offset += step.length;
    }
    return text.substr(offset);
}


char32_t first_char(std::string_view text) { return utf8_decode_at(text, 0).scalar; }

std::string_view first_word(std::string_view text) {
    std::string_view t = trim_start(text);
    std::size_t offset = 0;
    while (offset < t.size()) {
        Utf8Step step = utf8_decode_at(t, offset);
        if (is_white(step)) break;
        offset += step.length;
    }
    return t.substr(0, offset);
}

// One to four groups of one or two ASCII digits joined by single '.'.
bool is_dotted_number(std::string_view text) {
    std::size_t groups = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++digits;
            ++i;
        }
        if (digits < 1 || digits > 2) return false;
        if (++groups > 4) return false;
        if (i == text.size()) return true;
        if (text[i] != '.') return false;
        ++i;
    }
}

std::string_view without_trailing_dots(std::string_view word) {
    while (word.ends_with('.')) word.remove_suffix(1);
    return word;
}

// The bullet marks of list entries (fewer than starts_with_bullet knows).
bool is_entry_bullet(char32_t c) {
    switch (c) {
    case 0x00B7: case 0x2022: case 0x25A0: case 0x25AA: case 0x25CF: case 0x25E6:
        return true;
    default:
        return false;
    }
}

bool is_letter_at_or_above_aa(char32_t c) {
    return c >= 0xAA && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}


// The distinct family keys of a line's glyph fonts.
std::vector<std::string> glyph_family_keys(const TextLine& line) {
    std::vector<std::string_view> names;
    for (const Glyph* g : line.glyphs) {
        if (!names.empty() && names.back() == g->font_name) continue;
        bool seen = false;
        for (std::string_view name : names) seen = seen || name == g->font_name;
        if (!seen) names.push_back(g->font_name);
    }
    std::vector<std::string> keys;
    for (std::string_view name : names) keys.push_back(font_family_key(name));
    return keys;
}

float size_difference(const TextLine& a, const TextLine& b) { return std::fabs(a.size - b.size); }

bool merge_path_b(const TextLine& prev, const TextLine& next, std::string_view t, bool hyphen, float x) {
    const float s = pair_size(prev.size, next.size);
    const float gap = prev.y - next.y;
    const float size_diff = size_difference(prev, next);
    if (kMinLineGap * s > gap || gap > kMaxLineGap * s) return false;
    if (is_centred_pair(prev, next)) return true;
    if (hyphen) return !(size_diff > 0.45f * s);  // after a hyphen the left edge does not matter
    if (strip_list_number_prefix(t)) return false;
    if (size_diff > 0.2f * s) return false;
    if (continues_list_item(prev, next)) return true;
    if (!shares_font(prev, next)) return false;
    if (is_right_aligned_pair(prev, next)) return true;

    const float dx = std::fabs(prev.x0 - next.x0);
    if (dx > kMaxLeftShift) return false;
    if (starts_with_bullet(t)) return false;
    if (continues_bullet_item(prev, next)) return true;
    if (next.x0 > prev.x0 + 0.55f * s) return false;  // an indented line opens a paragraph
    if (is_short_item_line(prev, next, x)) return false;
    if (starts_separate_entry(prev.text, t)) return false;
    const float wp = prev.x1 - prev.x0;
    const float wn = next.x1 - next.x0;
    if (next.x1 > prev.x1 + 2.2f * s && !continues_wide_line(prev, next, wp)) return false;
    if (0.5f * wp > wn && count_scalar_values(t) < 32) {
        std::string_view end_trimmed = trim_trailing_white_space(t);
        if (!starts_with_ascii_lowercase(t) && !(!end_trimmed.empty() && end_trimmed.back() == '.')) return false;
    }
    const float ov = edge_max(0.0f, edge_min(prev.x1, next.x1) - edge_max(prev.x0, next.x0));
    const float m = edge_max(edge_min(wp, wn), 1.0f);
    if (ov >= 0.35f * m) return true;
    return dx <= 8.0f;
}

bool merge_path_a(const TextLine& prev, const TextLine& next, std::string_view t) {
    if (prev.toc_trimmed || !prev.ends_row) return false;
    if (!starts_with_ascii_lowercase(t)) return false;
    if (std::fabs(prev.x0 - next.x0) > 8.0f) return false;
    const float s = pair_size(prev.size, next.size);
    const float gap = prev.y - next.y;
    return gap >= kMinLineGap * s && gap <= kMaxLineGap * s && size_difference(prev, next) <= 0.2f * s;
}

}  // namespace

bool should_merge_lines(const TextLine& prev, const TextLine& next, float typical_width) {
    if (prev.page_index != next.page_index) return false;
    if (caption_kind(prev.text) && continues_paragraph(prev, next)) return true;
    // Both ways on (merge_path_a and merge_path_b) end unless the baselines
    // lie 0.7 to 1.5 sizes apart, so a pair outside that gap is refused
    // before the text tests: the rescues ask this for every two lines of a
    // page. (A NaN gap passes here, as it passes merge_path_b's own test.)
    const float s = pair_size(prev.size, next.size);
    const float gap = prev.y - next.y;
    if (kMinLineGap * s > gap || gap > kMaxLineGap * s) return false;
    const std::string_view t = trim_start(next.text);
    const bool hyphen = hyphen_end(prev.text).has_value();
    const bool toc = prev.toc_trimmed || next.toc_trimmed;
    if (hyphen && !t.empty() && is_ascii_alnum(first_char(t))) {
        return toc ? merge_path_a(prev, next, t) : merge_path_b(prev, next, t, true, typical_width);
    }
    if (toc) return merge_path_a(prev, next, t);
    if (hyphen && starts_with_quoted_alnum(t)) return merge_path_b(prev, next, t, true, typical_width);
    // Path C: numbered titles and formulas stop a paragraph.
    if (!continues_list_item(prev, next) && (has_number_before_title(prev.text) || has_number_before_title(t))) {
        return false;
    }
    const bool sentence = continues_sentence(prev.text, t);
    if (math_line(prev.glyphs)) return false;
    if (!sentence && math_line(next.glyphs)) return false;
    return merge_path_b(prev, next, t, false, typical_width);
}

std::optional<std::string_view> hyphen_end(std::string_view text) {
    std::string_view t = trim_trailing_white_space(text);
    if (t.size() < 2 || t.back() != '-') return std::nullopt;
    std::string_view before = t.substr(0, t.size() - 1);
    std::size_t start = before.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(before[start]) & 0xC0) == 0x80) --start;
    if (!is_ascii_letter(utf8_decode_at(before, start).scalar)) return std::nullopt;
    return t;
}

std::optional<std::string_view> strip_list_number_prefix(std::string_view text) {
    std::string_view t = trim_start(text);
    if (t.empty()) return std::nullopt;
    std::size_t digits = 0;
    while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9') ++digits;
    if (digits == t.size() || digits < 1 || digits > 2) return std::nullopt;
    std::size_t end = digits;
    if (t[digits] == ')' || t[digits] == '.') {
        if (digits + 1 >= t.size()) return std::nullopt;
        if (t[digits + 1] >= '0' && t[digits + 1] <= '9') return std::nullopt;  // 1.2 is a section
        end = digits + 1;
    }
    if (end >= t.size() || t[end] != ' ') return std::nullopt;
    std::string_view rest = trim_start(t.substr(end));
    if (rest.empty()) return std::nullopt;
    char32_t c = first_char(rest);
    if (!is_ascii_letter(c) && !is_letter_at_or_above_aa(c)) return std::nullopt;
    return rest;
}

bool math_line(std::span<const Glyph* const> glyphs) {
    std::size_t math = 0;
    std::size_t letters = 0;
    MathGlyphTest is_math;
    for (const Glyph* g : glyphs) {
        if (is_math(*g)) {
            ++math;
            continue;
        }
        for (char c : g->unicode) letters += is_ascii_letter(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    return math > 0 && (math >= letters || letters < 16);
}

bool starts_with_quoted_alnum(std::string_view text) {
    std::string_view t = trim_start(text);
    if (t.empty()) return false;
    Utf8Step quote = utf8_decode_at(t, 0);
    switch (quote.scalar) {
    case U'"': case 0x2018: case 0x2019: case 0x201C: case 0x201D:
        break;
    default:
        return false;
    }
    std::string_view rest = trim_start(t.substr(quote.length));
    return !rest.empty() && is_ascii_alnum(first_char(rest));
}

bool continues_sentence(std::string_view prev_text, std::string_view next_text) {
    static constexpr std::array<std::string_view, 16> kJoiningWords{
        "to", "of", "in", "an", "or", "by", "as", "on", "at", "the", "and", "for", "with", "from", "into", "than"};
    if (ends_sentence(prev_text)) return false;
    std::string_view n = trim_start(next_text);
    if (!starts_with_ascii_lowercase(n)) return false;
    if (count_letters(next_text) > 7) return true;
    std::string_view word = trim_to_ascii_letters(first_word(n));
    for (std::string_view w : kJoiningWords) {
        if (word == w) return true;
    }
    return false;
}

bool continues_list_item(const TextLine& prev, const TextLine& next) {
    if (!strip_list_number_prefix(prev.text) || strip_list_number_prefix(next.text) ||
        starts_with_bullet(next.text)) {
        return false;
    }
    std::vector<const Glyph*> glyphs = prev.glyphs;
    sort_origin_x(glyphs);
    bool marker = false;
    const Glyph* text_glyph = nullptr;
    for (const Glyph* g : glyphs) {
        std::string_view t = trim_white_space(g->unicode);
        if (t.empty()) continue;
        bool is_marker = true;
        for (char c : t) is_marker = is_marker && ((c >= '0' && c <= '9') || c == ')' || c == '.');
        if (!is_marker) {
            text_glyph = g;
            break;
        }
        marker = true;
    }
    if (!marker || text_glyph == nullptr) return false;
    const float s = pair_size(prev.size, next.size);
    return std::fabs(next.x0 - text_glyph->matrix[4]) <= edge_max(0.55f * s, 4.0f);
}

bool continues_bullet_item(const TextLine& prev, const TextLine& next) {
    if (!starts_with_bullet(prev.text) || starts_with_bullet(next.text)) return false;
    const float s = pair_size(prev.size, next.size);
    const float d = next.x0 - prev.x0;
    return d >= 0.45f * s && d <= 2.8f * s;
}

bool is_right_aligned_pair(const TextLine& prev, const TextLine& next) {
    const float c = edge_max(prev.size, next.size);
    if (c < 16.0f) return false;
    if (size_difference(prev, next) > 0.05f * c) return false;
    if (!shares_font(prev, next)) return false;
    if (std::fabs(prev.x1 - next.x1) > 2.0f) return false;
    return std::fabs(prev.x0 - next.x0) > 8.0f;
}

bool is_centred_pair(const TextLine& prev, const TextLine& next) {
    if (prev.page_index != next.page_index) return false;
    const float s = pair_size(prev.size, next.size);
    if (!(size_difference(prev, next) <= 0.2f * s)) return false;
    const float centre_prev = (prev.x0 + prev.x1) / 2.0f;
    const float centre_next = (next.x0 + next.x1) / 2.0f;
    if (!(std::fabs(centre_prev - centre_next) <= 3.0f * s)) return false;
    if (!(std::fabs(prev.x0 - next.x0) > 1.2f * s)) return false;
    std::string_view p = trim_white_space(prev.text);
    if (!p.empty() && (p.back() == '.' || p.back() == '!' || p.back() == '?')) return false;
    std::size_t commas = 0;
    for (char c : p) commas += c == ',' ? 1 : 0;
    if (commas < 2 || split_white_space_words(p).size() < 3) return false;
    return contains_ascii_letter(trim_white_space(next.text));
}

bool shares_font(const TextLine& prev, const TextLine& next) {
    if (same_font_family(prev.font_name, next.font_name)) return true;
    std::vector<std::string> prev_keys = glyph_family_keys(prev);
    std::vector<std::string> next_keys = glyph_family_keys(next);
    for (const std::string& a : prev_keys) {
        for (const std::string& b : next_keys) {
            if (a == b) return true;
        }
    }
    return false;
}

bool same_font_family(std::string_view a, std::string_view b) { return font_family_key(a) == font_family_key(b); }

bool is_short_item_line(const TextLine& prev, const TextLine& next, float typical_width) {
    const float s = pair_size(prev.size, next.size);
    if (typical_width < 18.0f * s) return false;
    if (prev.x1 - prev.x0 >= 0.5f * typical_width || next.x1 - next.x0 >= 0.5f * typical_width) return false;
    std::string_view t = trim_start(next.text);
    if (t.empty()) return false;
    char c = t[0];
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return t.find('@') != std::string_view::npos || t.starts_with("http://") || t.starts_with("https://");
}

bool starts_separate_entry(std::string_view prev_text, std::string_view next_text) {
    if (is_bare_marker(prev_text) && (is_bare_marker(next_text) || starts_like_entry(next_text))) return true;
    if (starts_with_dotted_number(prev_text) && starts_with_dotted_number(next_text)) return true;
    const std::string lower = ascii_lower(trim_white_space(prev_text));
    const std::string_view l = lower;
    if ((l.starts_with("figure") && l.size() > 5) || l.starts_with("fig.") || l.starts_with("fig ") ||
        (l.starts_with("table") && l.size() > 4) || l.starts_with("tab.") || l.starts_with("tab ")) {
        return false;
    }
    std::vector<std::string_view> words = split_white_space_words(trim_trailing_white_space(prev_text));
    if (words.size() >= 2 && words.back().size() <= 3 && is_all_ascii_digits(words.back())) {
        return starts_like_entry(next_text);
    }
    return false;
}

bool continues_wide_line(const TextLine& prev, const TextLine& next, float prev_width) {
    if (ends_sentence(prev.text)) return false;
    const float s = pair_size(prev.size, next.size);
    if (prev_width < 26.0f * s) return false;
    std::string_view t = trim_start(next.text);
    if (starts_with_ascii_lowercase(t)) return true;
    std::vector<std::string_view> words = split_white_space_words(prev.text);
    if (words.empty()) return false;
    if (!is_capitalised_word(words.back()) || !is_capitalised_word(first_word(t))) return false;
    for (char c : prev.text) {
        if (c >= 'a' && c <= 'z') return true;
    }
    return false;
}

bool has_number_before_title(std::string_view text) {
    std::vector<std::string_view> words = split_white_space_words(text);
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i].size() > 3 || !is_all_ascii_digits(words[i])) continue;
        std::string_view title = words[i + 1];
        if (count_scalar_values(title) >= 3 && title[0] >= 'A' && title[0] <= 'Z') return true;
    }
    return false;
}

bool is_capitalised_word(std::string_view word) {
    std::string_view w = trim_word_punctuation(word);
    if (w.empty() || w[0] < 'A' || w[0] > 'Z') return false;
    bool lower = false;
    for (Utf8Step step : Utf8Range(w.substr(1))) {
        char32_t c = step.scalar;
        if (c >= U'a' && c <= U'z') {
            lower = true;
        } else if (!is_ascii_letter(c) && c != U'\'' && c != U'-' && c != 0x2019) {
            return false;
        }
    }
    return lower;
}

bool is_bare_marker(std::string_view text) {
    std::string rest;
    bool bullet = false;
    for (Utf8Step step : Utf8Range(text)) {
        if (is_white(step)) continue;
        if (step.valid && is_entry_bullet(step.scalar)) {
            bullet = true;
            continue;
        }
        rest.append(text.substr(step.offset, step.length));
    }
    if (rest.empty()) return bullet;
    return is_dotted_number(rest);
}

bool starts_with_dotted_number(std::string_view text) {
    std::string_view word = without_trailing_dots(first_word(text));
    return !word.empty() && word.find('.') != std::string_view::npos && is_dotted_number(word);
}

bool starts_like_entry(std::string_view text) {
    std::string_view t = trim_start(text);
    if (t.empty()) return false;
    if (is_entry_bullet(first_char(t))) return true;
    std::string_view word = first_word(t);
    std::string_view bare = without_trailing_dots(word);
    if (bare.find('.') != std::string_view::npos) {
        if (is_dotted_number(bare)) return true;
    } else if (is_dotted_number(word)) {
        return true;
    }
    return t[0] >= 'A' && t[0] <= 'Z';
}

bool contains_ascii_letter(std::string_view text) {
    for (char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    }
    return false;
}

namespace {

// Per line, how many of its glyphs a set of ids holds.
std::vector<std::size_t> count_in(const std::vector<TextLine>& lines, const std::unordered_set<std::uint32_t>& ids) {
    std::size_t glyphs = 0;
    for (const TextLine& line : lines) glyphs += line.glyphs.size();
    const GlyphIdBits in_ids(ids, glyphs);
    std::vector<std::size_t> counts(lines.size(), 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        for (const Glyph* g : lines[i].glyphs) counts[i] += in_ids.contains(g->id) ? 1 : 0;
    }
    return counts;
}

// Line indices by page, in line order: merging never crosses pages.
std::map<std::uint32_t, std::vector<std::size_t>> lines_by_page(const std::vector<TextLine>& lines) {
    std::map<std::uint32_t, std::vector<std::size_t>> pages;
    for (std::size_t i = 0; i < lines.size(); ++i) pages[lines[i].page_index].push_back(i);
    return pages;
}

void unskip_glyphs(std::vector<SkippedGlyph>& skipped, const std::unordered_set<std::uint32_t>& ids) {
    if (ids.empty()) return;
    std::erase_if(skipped, [&ids](const SkippedGlyph& s) { return ids.contains(s.glyph_id); });
}

}  // namespace

void hyphen_rescue(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    if (skipped.empty()) return;
    std::unordered_set<std::uint32_t> s_ids;
    for (const SkippedGlyph& s : skipped) s_ids.insert(s.glyph_id);
    const std::vector<std::size_t> in_s = count_in(lines, s_ids);
    const auto pages = lines_by_page(lines);
    std::unordered_set<std::uint32_t> rescued;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const TextLine& line = lines[l];
        if (line.glyphs.empty() || !hyphen_end(line.text)) continue;
        if (2 * in_s[l] > line.glyphs.size()) continue;
        for (std::size_t m : pages.at(line.page_index)) {
            const TextLine& cont = lines[m];
            if (cont.glyphs.empty() || std::fabs(line.x0 - cont.x0) > kMaxLeftShift) continue;
            if (2 * in_s[m] <= cont.glyphs.size()) continue;
            if (!should_merge_lines(line, cont, 0.0f)) continue;
            for (const Glyph* g : cont.glyphs) rescued.insert(g->id);
        }
    }
    unskip_glyphs(skipped, rescued);
}

void figure_rescue(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    if (skipped.empty()) return;
    std::unordered_set<std::uint32_t> s_ids;
    std::unordered_set<std::uint32_t> figure_ids;
    for (const SkippedGlyph& s : skipped) {
        s_ids.insert(s.glyph_id);
        if (s.reason == "figure") figure_ids.insert(s.glyph_id);
    }
    const std::vector<std::size_t> in_s = count_in(lines, s_ids);
    const auto pages = lines_by_page(lines);
    std::unordered_set<std::uint32_t> rescued;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const TextLine& line = lines[l];
        if (line.glyphs.empty() || 2 * in_s[l] <= line.glyphs.size()) continue;
        bool figure = false;
        for (const Glyph* g : line.glyphs) figure = figure || figure_ids.contains(g->id);
        if (!figure) continue;
        for (std::size_t p : pages.at(line.page_index)) {
            const TextLine& above = lines[p];
            if (above.glyphs.empty() || 2 * in_s[p] > above.glyphs.size()) continue;
            if (!should_merge_lines(above, line, 0.0f)) continue;
            for (const Glyph* g : line.glyphs) rescued.insert(g->id);
            break;
        }
    }
    unskip_glyphs(skipped, rescued);
}

}  // namespace zvk
