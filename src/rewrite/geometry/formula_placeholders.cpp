#include "rewrite/geometry/formula_placeholders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"
#include "translator/placeholder_token.h"

namespace zvk::rewrite {

namespace {

constexpr float kLargest = std::numeric_limits<float>::max();

float gx(const Glyph& g) { return g.matrix[4]; }
float gy(const Glyph& g) { return g.matrix[5]; }
bool total_less(float a, float b) { return total_order_key(a) < total_order_key(b); }
bool is_blank_text(std::string_view t) { return trim_white_space(t).empty(); }
bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::size_t count_ascii_letters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), is_ascii_letter));
}

bool holds_cjk_ideograph(std::string_view text) {
    for (const auto step : Utf8Range(text)) {
        if (is_cjk_ideograph(step.scalar)) return true;
    }
    return false;
}

// The runs of White_Space become single spaces, none at either end.
std::string collapse_white_space(std::string_view text) {
    std::string out;
    bool pending = false;
    std::size_t start = 0;
    for (const auto step : Utf8Range(text)) {
        const std::size_t length = step.length;
        if (is_unicode_white_space(step.scalar)) {
            pending = !out.empty();
        } else {
            if (pending) out.push_back(' ');
            pending = false;
            out.append(text.substr(start, length));
        }
        start += length;
    }
    return out;
}

std::size_t formula_count(std::span<const Glyph* const> glyphs, MathFontNameTest& math_font) {
    std::size_t n = 0;
    for (const Glyph* g : glyphs) n += has_formula_skip_reason(*g, math_font) ? 1 : 0;
    return n;
}

struct Extent {
    float left = kLargest;
    float right = kLargest;
    float baseline = 0.0f;
};

struct Piece {
    const Glyph* glyph = nullptr;  // null for a group
    std::size_t group = 0;
    float x = 0.0f;
    float baseline = 0.0f;
};

// Pieces of one part in reading order: lines top down, x within a line.
void order_part(std::vector<Piece>& pieces, float size) {
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b) { return total_less(b.baseline, a.baseline); });
    std::size_t line_start = 0;
    for (std::size_t i = 1; i <= pieces.size(); ++i) {
        const bool ends = i == pieces.size() ||
                          !(std::fabs(pieces[i].baseline - pieces[line_start].baseline) <= 0.65f * size);
        if (!ends) continue;
        std::stable_sort(pieces.begin() + static_cast<std::ptrdiff_t>(line_start),
                         pieces.begin() + static_cast<std::ptrdiff_t>(i),
                         [](const Piece& a, const Piece& b) { return total_less(a.x, b.x); });
        line_start = i;
    }
}

}  // namespace

std::vector<const Glyph*> glyph_refs_for_ids(std::span<const std::uint32_t> ids, std::span<const Glyph> glyphs,
                                             const GlyphIdIndex& index) {
    std::vector<const Glyph*> refs;
    refs.reserve(ids.size());
    for (std::uint32_t id : ids) {
        const auto pos = index.position(id);
        if (pos && *pos < glyphs.size()) refs.push_back(&glyphs[*pos]);
    }
    return refs;
}

std::vector<float> collect_body_baselines(std::span<const Glyph* const> glyphs, float largest) {
    std::vector<float> out;
    for (const Glyph* g : glyphs) {
        if (g->font_size >= 0.85f * largest) out.push_back(gy(*g));
    }
    return out;
}

void is_prose_function_word(std::string& word, bool& found) {
    static constexpr std::array<std::string_view, 17> kWords = {
        "a", "an", "as", "at", "by", "in", "is", "of", "on", "or", "to", "and", "for", "the", "from", "this", "with",
    };
    if (std::find(kWords.begin(), kWords.end(), word) != kWords.end()) found = true;
    word.clear();
}

void needs_space_between(std::string& text, bool has_previous, std::string_view previous_text, float previous_right,
                         float previous_baseline, float left, float baseline, std::string_view current_text,
                         float size, float tolerance) {
    if (!has_previous || is_blank_text(previous_text) || is_blank_text(current_text)) return;
    if (std::fabs(previous_baseline - baseline) > tolerance) {
        text.push_back(' ');
        return;
    }
    if (holds_cjk_ideograph(previous_text) && holds_cjk_ideograph(current_text)) return;
    const float gap = left - previous_right;
    if (0.18f * size < gap && gap < 4.0f * size) text.push_back(' ');
}

std::string build_segment_text_with_placeholders(std::span<const Glyph* const> glyphs, const FormulaGroups& groups,
                                                 float size) {
    std::unordered_map<std::uint32_t, std::size_t> group_of;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        for (std::uint32_t id : groups[k]) group_of[id] = k;
    }
    std::unordered_map<std::uint32_t, const Glyph*> first_with_id;
    std::map<std::uint32_t, std::vector<const Glyph*>> by_page;
    for (const Glyph* g : glyphs) {
        first_with_id.emplace(g->id, g);
        by_page[g->page_index].push_back(g);
    }
    // Baseline clusters of each page: a group snaps only to a line of its own
    // page (one page gives exactly the clusters of the whole list).
    std::unordered_map<std::uint32_t, std::vector<float>> clusters;
    for (const auto& [page, list] : by_page) clusters[page] = cluster_baselines(list, size);

    std::vector<Extent> extents(groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k) {
        std::vector<const Glyph*> members;
        for (std::uint32_t id : groups[k]) {
            const auto it = first_with_id.find(id);
            if (it != first_with_id.end() && !is_math_bracket_glyph(*it->second)) members.push_back(it->second);
        }
        if (members.empty()) {
            for (std::uint32_t id : groups[k]) {
                const auto it = first_with_id.find(id);
                if (it != first_with_id.end()) members.push_back(it->second);
            }
        }
        Extent& e = extents[k];
        if (members.empty()) continue;
        e.baseline = upper_median_baseline(members);
        if (const auto c = nearest_cluster(clusters[members.front()->page_index], e.baseline, size)) e.baseline = *c;
        e.right = -kLargest;
        for (const Glyph* m : members) {
            e.left = edge_min(e.left, gx(*m));
            e.right = edge_max(e.right, edge_max(gx(*m), m->bbox[2]));
        }
    }

    // Pieces, part by part.
    std::vector<std::vector<Piece>> parts(1);
    std::unordered_set<std::size_t> emitted;
    const Glyph* previous = nullptr;
    for (const Glyph* g : glyphs) {
        if (previous && (previous->page_index != g->page_index || gy(*g) - gy(*previous) > 2.0f * size)) {
            parts.emplace_back();
        }
        previous = g;
        if (is_math_bracket_glyph(*g)) continue;
        if (const auto it = group_of.find(g->id); it != group_of.end()) {
            if (emitted.insert(it->second).second) {
                parts.back().push_back({nullptr, it->second, extents[it->second].left, extents[it->second].baseline});
            }
            continue;
        }
        if (is_blank_text(g->unicode)) continue;
        parts.back().push_back({g, 0, gx(*g), gy(*g)});
    }

    std::string text;
    bool has_previous = false;
    std::string previous_text;
    float previous_right = 0.0f;
    float previous_baseline = 0.0f;
    const float tolerance = 0.65f * size;
    for (auto& part : parts) {
        order_part(part, size);
        // A new column or page is a new line, whatever its height: the space
        // a line change brings.
        if (has_previous && !part.empty() && &part != &parts.front() && !is_blank_text(previous_text)) {
            text.push_back(' ');
        }
        for (const Piece& piece : part) {
            if (piece.glyph) {
                const Glyph& g = *piece.glyph;
                needs_space_between(text, has_previous, previous_text, previous_right, previous_baseline,
                                    edge_min(gx(g), g.bbox[0]), gy(g), g.unicode, size, tolerance);
                text += g.unicode;
                previous_text = g.unicode;
                previous_right = edge_max(gx(g), g.bbox[2]);
                previous_baseline = gy(g);
            } else {
                const Extent& e = extents[piece.group];
                std::string token(kOpenMark);
                token += std::to_string(piece.group);
                token += kCloseMark;
                needs_space_between(text, has_previous, previous_text, previous_right, previous_baseline, e.left,
                                    e.baseline, token, size, tolerance);
                text += token;
                previous_text = std::move(token);
                previous_right = e.right;
                previous_baseline = e.baseline;
            }
            has_previous = true;
        }
    }
    return collapse_white_space(text);
}

bool formula_run_reads_as_text(std::span<const Glyph* const> glyphs) {
    MathFontNameTest math_font;
    std::size_t f = 0;
    std::size_t others = 0;
    std::size_t letters = 0;
    float largest = 0.0f;
    for (const Glyph* g : glyphs) {
        if (has_formula_skip_reason(*g, math_font)) {
            ++f;
        } else {
            ++others;
            letters += count_ascii_letters(g->unicode);
        }
        largest = edge_max(largest, g->font_size);
    }

    bool found = false;
    if (!(largest < 1.0f)) {
        const std::vector<float> body = collect_body_baselines(glyphs, largest);
        if (!body.empty()) {
            std::vector<float> sorted = body;
            const float base = upper_median(sorted);
            const bool lowered = std::any_of(glyphs.begin(), glyphs.end(), [&](const Glyph* g) {
                const float drop = base - gy(*g);
                return 0.08f * largest <= drop && drop <= 0.45f * largest && g->font_size <= 0.8f * largest;
            });
            if (lowered) {
                std::vector<const Glyph*> by_x(glyphs.begin(), glyphs.end());
                std::stable_sort(by_x.begin(), by_x.end(),
                                 [](const Glyph* a, const Glyph* b) { return total_less(gx(*a), gx(*b)); });
                std::string word;
                const Glyph* p = nullptr;
                for (const Glyph* g : by_x) {
                    if (p) {
                        const float gap = std::min(g->bbox[0], g->bbox[2]) - std::max(p->bbox[0], p->bbox[2]);
                        if (gap > 0.18f * std::max(p->font_size, 1.0f)) is_prose_function_word(word, found);
                    }
                    p = g;
                    if (has_formula_skip_reason(*g, math_font)) {
                        is_prose_function_word(word, found);
                        continue;
                    }
                    for (const auto step : Utf8Range(g->unicode)) {
                        const char32_t c = step.scalar;
                        if (c < 0x80 && is_ascii_letter(static_cast<char>(c))) {
                            word.push_back(static_cast<char>(c | 0x20));
                        } else {
                            is_prose_function_word(word, found);
                        }
                    }
                }
                is_prose_function_word(word, found);
            }
        }
    }

    const std::size_t threshold = found ? 12 : 16;
    const bool many = f >= 8 && !found;
    if (others <= f || letters < threshold) return false;
    if (!many || letters >= 40 || glyphs.empty()) return true;
    float top = -kLargest;
    float bottom = kLargest;
    for (const Glyph* g : glyphs) {
        top = edge_max(top, gy(*g));
        bottom = edge_min(bottom, gy(*g));
    }
    return top - bottom > 0.7f * std::max(1.0f, largest);
}

Segment insert_formula_placeholders(Segment segment, std::span<const Glyph> glyphs, const GlyphIdIndex& index) {
    if (segment.source.find(kOpenMark) != std::string::npos) return segment;
    const std::string_view lead = trim_white_space(segment.source);
    if (lead.size() >= 2 && lead[0] == '[' && lead[1] >= 'A' && lead[1] <= 'Z') return segment;
    const std::vector<const Glyph*> refs = glyph_refs_for_ids(segment.glyph_ids, glyphs, index);
    if (refs.size() < 4) return segment;
    const float s = typical_glyph_size(refs);
    const FormulaGroups groups = analyze_segment_glyph_runs(refs, s);
    MathFontNameTest math_font;
    const std::size_t f = formula_count(refs, math_font);
    if (formula_run_reads_as_text(refs) && (f < 3 || segment.page_index < 4)) return segment;
    if (groups.empty()) return segment;
    std::unordered_set<std::uint32_t> grouped;
    for (const auto& group : groups) grouped.insert(group.begin(), group.end());
    std::size_t letters = 0;
    for (const Glyph* g : refs) {
        if (!grouped.contains(g->id)) letters += count_ascii_letters(g->unicode);
    }
    if (letters <= 11) return segment;
    std::string text = build_segment_text_with_placeholders(refs, groups, s);
    if (count_ascii_letters(text) >= 8 && text.find(kOpenMark) != std::string::npos) segment.source = std::move(text);
    return segment;
}

}  // namespace zvk::rewrite
