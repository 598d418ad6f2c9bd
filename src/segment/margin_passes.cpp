#include "segment/margin_passes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_id_bits.h"
#include "segment/glyph_order.h"
#include "segment/noise_text.h"
#include "segment/page_buckets.h"

namespace zvk {

namespace {

// How far from upright a glyph may be turned and still read along its line.
constexpr float kTurnedShare = 0.25f;

// Marks of one rule column lie closer than this to its first mark's x.
constexpr float kColumnReach = 4.0f;
// A column spans at least this many distinct half-unit baselines.
constexpr std::size_t kColumnBaselines = 4;
// Edge runs: tokens at most this many sizes apart, at most this many of
// them, and this many sizes clear of the text they frame.
constexpr float kEdgeRunGap = 0.45f;
constexpr std::size_t kEdgeRunTokens = 4;
constexpr float kEdgeRunClearance = 0.9f;

constexpr std::size_t kRuleLineChars = 24;

// Margin glyphs: left of this x, at least this size.
constexpr float kMarginEdge = 56.0f;
constexpr float kMarginSize = 14.0f;
constexpr float kMarginLineWidth = 22.0f;
constexpr float kMarginGlyphWidth = 24.0f;
constexpr std::size_t kMarginColumnGlyphs = 7;
constexpr float kMarginColumnReach = 4.0f;

bool is_rule_char(char32_t c) {
    if (c >= 0x2500 && c <= 0x257F) return true;
    switch (c) {
    case U'1': case U'=': case U'I': case U'|': case 0x00A6: case 0x00A7: case 0x2016:
        return true;
    default:
        return false;
    }
}

// What recognition and thin fonts make of a vertical rule.
bool is_rule_lookalike(char32_t c) {
    switch (c) {
    case U'F': case U'J': case U'S': case U'^': case U'f': case U'i': case U'j': case U'l': case U's':
        return true;
    default:
        return false;
    }
}

bool is_narrow_stroke(char32_t c) {
    switch (c) {
    case U'!': case U'1': case U'F': case U'I': case U'[': case U']': case U'^': case U'f': case U'i':
    case U'l': case U'|':
        return true;
    default:
        return false;
    }
}

// The characters of a text, counted up to 3 (enough to tell "more than
// two"), and whether the counted ones all pass `test`.
template <typename Test>
std::pair<std::size_t, bool> short_count(std::string_view text, Test test, bool skip_white) {
    std::size_t n = 0;
    bool all = true;
    for (Utf8Step step : Utf8Range(text)) {
        if (skip_white && step.valid && is_unicode_white_space(step.scalar)) continue;
        if (++n > 2) break;
        all = all && test(step.scalar);
    }
    return {n, all};
}

// 1 or 2 characters, all rule characters.
bool short_rule_chars(std::string_view trimmed) {
    auto [n, all] = short_count(trimmed, is_rule_char, false);
    return n >= 1 && n <= 2 && all;
}

struct Token {
    const Glyph* glyph;
    std::string_view trimmed;
    std::size_t chars;  // characters of `trimmed`, counted up to 3
    bool rule_like;
    bool table_rule;
};

Token make_token(const Glyph* g, std::string_view trimmed) {
    auto [n, all_rule] = short_count(trimmed, is_rule_char, false);
    Token t{g, trimmed, n, false, n >= 1 && n <= 2 && all_rule};
    if (t.table_rule) {
        t.rule_like = true;
    } else {
        auto [dark, all_lookalike] = short_count(trimmed, is_rule_lookalike, true);
        t.rule_like = dark >= 1 && dark <= 2 && all_lookalike;
    }
    return t;
}

// The tokens of a line in origin-x order: its glyphs with a non-empty
// trimmed text. Empty when the line cannot give a candidate: with two or
// more tokens it needs a rule-like token at one end (the first of the
// smallest and the last of the largest origin x, as the stable sort puts
// them), so most lines are passed over without sorting.
std::vector<Token> line_tokens(const TextLine& line) {
    std::size_t count = 0;
    const Glyph* first = nullptr;
    const Glyph* last = nullptr;
    for (const Glyph* g : line.glyphs) {
        if (trim_white_space(g->unicode).empty()) continue;
        ++count;
        const std::int32_t key = total_order_key(g->matrix[4]);
        if (first == nullptr || key < total_order_key(first->matrix[4])) first = g;
        if (last == nullptr || key >= total_order_key(last->matrix[4])) last = g;
    }
    if (count == 0) return {};
    if (count >= 2 && !make_token(first, trim_white_space(first->unicode)).rule_like &&
        !make_token(last, trim_white_space(last->unicode)).rule_like) {
        return {};
    }
    // Runs come in box-left order, which is mostly origin-x order already:
    // a sorted line needs no copy (the stable sort would leave it as it is).
    const bool sorted = std::is_sorted(line.glyphs.begin(), line.glyphs.end(), [](const Glyph* a, const Glyph* b) {
        return origin_x_less(*a, *b);
    });
    std::vector<const Glyph*> copy;
    if (!sorted) {
        copy = line.glyphs;
        sort_origin_x(copy);
    }
    const std::vector<const Glyph*>& glyphs = sorted ? line.glyphs : copy;
    std::vector<Token> tokens;
    tokens.reserve(count);
    for (const Glyph* g : glyphs) {
        std::string_view trimmed = trim_white_space(g->unicode);
        if (!trimmed.empty()) tokens.push_back(make_token(g, trimmed));
    }
    return tokens;
}

float box_gap(const Token& left, const Token& right) {
    return glyph_box_left(*right.glyph) - glyph_box_right(*left.glyph);
}

struct RuleCandidate {
    std::uint32_t id = 0;
    std::uint32_t page = 0;
    float x = 0.0f;
    float y = 0.0f;
    bool rule = false;
};

// The rule-like run at one end of a line's tokens, when clear text follows it
// inwards: its tokens become candidates at the x of its innermost token.
void edge_run_candidates(const std::vector<Token>& tokens, bool from_left, const TextLine& line, float fs,
                         std::vector<RuleCandidate>& out) {
    const std::size_t n = tokens.size();
    auto at = [&](std::size_t k) -> const Token& { return tokens[from_left ? k : n - 1 - k]; };
    // Gap between the k-th token from the edge and the next one inwards.
    auto gap_inwards = [&](std::size_t k) { return from_left ? box_gap(at(k), at(k + 1)) : box_gap(at(k + 1), at(k)); };
    if (!at(0).rule_like) return;
    std::size_t len = 1;
    while (len < n && len < kEdgeRunTokens && at(len).rule_like && gap_inwards(len - 1) <= kEdgeRunGap * fs) ++len;
    if (len >= n || !(gap_inwards(len - 1) >= kEdgeRunClearance * fs)) return;
    const float x = at(len - 1).glyph->matrix[4];
    bool rule = false;
    for (std::size_t k = 0; k < len; ++k) rule = rule || at(k).table_rule;
    for (std::size_t k = 0; k < len; ++k) out.push_back({at(k).glyph->id, line.page_index, x, line.y, rule});
}

void line_candidates(const TextLine& line, std::vector<RuleCandidate>& out) {
    const std::vector<Token> tokens = line_tokens(line);
    const float fs = edge_max(line.size, 1.0f);
    if (tokens.size() == 1) {
        const Token& t = tokens[0];
        if (t.chars >= 1 && t.chars <= 2) {
            out.push_back({t.glyph->id, line.page_index, t.glyph->matrix[4], line.y, is_table_rule_text(t.trimmed)});
        }
        return;
    }
    if (tokens.size() < 2) return;
    const bool all_rule_like = std::all_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.rule_like; });
    const bool any_table_rule = std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.table_rule; });
    if (tokens.size() <= 4 && all_rule_like && any_table_rule) {
        float x = tokens[0].glyph->matrix[4];
        for (const Token& t : tokens) x = edge_min(x, t.glyph->matrix[4]);
        for (const Token& t : tokens) out.push_back({t.glyph->id, line.page_index, x, line.y, true});
        return;
    }
    edge_run_candidates(tokens, true, line, fs, out);
    edge_run_candidates(tokens, false, line, fs, out);
}

// trunc(2y), saturating; NaN gives 0.
std::int32_t half_unit_key(float y) {
    const float v = 2.0f * y;
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// Visits, in order, the items of a list sorted ascending by value whose value
// lies in [lo, hi] (bounds in double, so that a caller can widen its float
// window by a unit and test exactly); stops when `visit` returns false.
template <typename Item, typename ValueOf, typename Visit>
void visit_range(const std::vector<Item>& sorted, ValueOf value_of, double lo, double hi, Visit visit) {
    if (std::isnan(lo) || std::isnan(hi)) return;
    auto first = std::lower_bound(sorted.begin(), sorted.end(), lo,
                                  [&](const Item& item, double v) { return static_cast<double>(value_of(item)) < v; });
    for (auto it = first; it != sorted.end() && static_cast<double>(value_of(*it)) <= hi; ++it) {
        if (!visit(*it)) return;
    }
}

// Visits the items within `reach` of x (|value − x| < reach in float).
template <typename Item, typename ValueOf, typename Visit>
void visit_within(const std::vector<Item>& sorted, ValueOf value_of, float x, float reach, Visit visit) {
    const double wide = static_cast<double>(reach) + 1.0;
    visit_range(sorted, value_of, static_cast<double>(x) - wide, static_cast<double>(x) + wide, [&](const Item& item) {
        return std::fabs(value_of(item) - x) < reach ? visit(item) : true;
    });
}

// Positions of candidates sorted by x, NaN x left out (it is within reach of
// nothing).
std::vector<std::size_t> sorted_by_x(const std::vector<RuleCandidate>& candidates, const std::vector<std::size_t>& which) {
    std::vector<std::size_t> out;
    for (std::size_t i : which) {
        if (!std::isnan(candidates[i].x)) out.push_back(i);
    }
    std::stable_sort(out.begin(), out.end(),
                     [&](std::size_t a, std::size_t b) { return candidates[a].x < candidates[b].x; });
    return out;
}

bool holds_word_character(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (is_word_character(step.scalar)) return true;
    }
    return false;
}

}  // namespace

bool is_rotated_glyph(const Glyph& glyph) {
    const float a = std::fabs(glyph.matrix[0]);
    const float b = std::fabs(glyph.matrix[1]);
    const float c = std::fabs(glyph.matrix[2]);
    const float d = std::fabs(glyph.matrix[3]);
    return b > 1.0f && c > 1.0f && a <= kTurnedShare * b && d <= kTurnedShare * c;
}

std::vector<TextLine> skip_rotated_glyphs(std::vector<std::vector<const Glyph*>> runs,
                                          std::vector<SkippedGlyph>& skipped) {
    std::vector<TextLine> lines;
    lines.reserve(runs.size());
    for (std::vector<const Glyph*>& run : runs) {
        std::vector<const Glyph*> kept;
        kept.reserve(run.size());
        for (const Glyph* g : run) {
            if (is_rotated_glyph(*g)) {
                skipped.push_back({g->id, "margin"});
            } else {
                kept.push_back(g);
            }
        }
        if (!kept.empty()) lines.push_back(build_text_line(std::move(kept)));
    }
    return lines;
}

std::vector<SkippedGlyph> skip_glyphs_by_id(std::vector<TextLine>& lines, const GlyphIdSet& ids,
                                            std::string_view reason) {
    std::vector<SkippedGlyph> out;
    if (ids.empty()) return out;
    std::size_t glyphs = 0;
    for (const TextLine& line : lines) glyphs += line.glyphs.size();
    const GlyphIdBits in_ids(ids, glyphs);
    std::vector<TextLine> rebuilt;
    rebuilt.reserve(lines.size());
    for (TextLine& line : lines) {
        const bool loses = std::any_of(line.glyphs.begin(), line.glyphs.end(),
                                       [&](const Glyph* g) { return in_ids.contains(g->id); });
        if (!loses) {
            // The passes that skip by id run before anything changes a
            // line's glyphs behind build_text_line's back, so building this
            // line anew would give it its fields again: only its flags
            // return to their first values.
            line.toc_trimmed = false;
            line.ends_row = true;
            rebuilt.push_back(std::move(line));
            continue;
        }
        std::vector<const Glyph*> kept;
        kept.reserve(line.glyphs.size());
        for (const Glyph* g : line.glyphs) {
            if (in_ids.contains(g->id)) {
                out.push_back({g->id, std::string(reason)});
            } else {
                kept.push_back(g);
            }
        }
        if (!kept.empty()) rebuilt.push_back(build_text_line(std::move(kept)));
    }
    lines = std::move(rebuilt);
    return out;
}

bool is_table_rule_text(std::string_view text) { return short_rule_chars(trim_white_space(text)); }

void skip_rule_columns(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    std::vector<RuleCandidate> candidates;
    for (const TextLine& line : lines) line_candidates(line, candidates);
    if (candidates.empty()) return;

    // Candidates by page, each page's list in candidate order.
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> flagged_on;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> plain_on;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        (candidates[i].rule ? flagged_on : plain_on)[candidates[i].page].push_back(i);
    }

    GlyphIdSet ids;
    std::vector<bool> used(candidates.size(), false);
    std::unordered_map<std::uint32_t, std::vector<float>> columns;  // accepted x by page
    for (auto& [page, flagged] : flagged_on) {
        const std::vector<std::size_t> by_x = sorted_by_x(candidates, flagged);
        std::vector<std::size_t> members;
        std::vector<std::int32_t> keys;
        for (std::size_t i : flagged) {
            if (used[i]) continue;
            members.assign(1, i);
            visit_within(by_x, [&](std::size_t j) { return candidates[j].x; }, candidates[i].x, kColumnReach,
                         [&](std::size_t j) {
                             if (j > i) members.push_back(j);
                             return true;
                         });
            keys.clear();
            for (std::size_t j : members) {
                const std::int32_t key = half_unit_key(candidates[j].y);
                if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
                if (keys.size() >= kColumnBaselines) break;
            }
            if (keys.size() < kColumnBaselines) continue;
            columns[page].push_back(candidates[i].x);
            for (std::size_t j : members) {
                used[j] = true;
                ids.insert(candidates[j].id);
            }
        }
    }
    // Short tokens standing in an accepted column (line numbers, stray
    // letters between the rules) go with it.
    for (auto& [page, plain] : plain_on) {
        auto it = columns.find(page);
        if (it == columns.end()) continue;
        std::vector<float>& xs = it->second;
        std::sort(xs.begin(), xs.end());
        for (std::size_t i : plain) {
            bool inside = false;
            visit_within(xs, [](float x) { return x; }, candidates[i].x, kColumnReach, [&](float) {
                inside = true;
                return false;
            });
            if (inside) ids.insert(candidates[i].id);
        }
    }
    std::vector<SkippedGlyph> out = skip_glyphs_by_id(lines, ids, "margin");
    skipped.insert(skipped.end(), out.begin(), out.end());
}

void skip_rule_character_lines(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    GlyphIdSet ids;
    for (const TextLine& line : lines) {
        std::size_t dark = 0;
        std::size_t hits = 0;
        for (Utf8Step step : Utf8Range(line.text)) {
            if (step.valid && is_unicode_white_space(step.scalar)) continue;
            ++dark;
            hits += is_narrow_stroke(step.scalar);
        }
        if (dark < kRuleLineChars || 5 * hits < 4 * dark) continue;
        for (const Glyph* g : line.glyphs) ids.insert(g->id);
    }
    std::vector<SkippedGlyph> out = skip_glyphs_by_id(lines, ids, "margin");
    skipped.insert(skipped.end(), out.begin(), out.end());
}

void skip_margin_lines(const std::vector<TextLine>& lines, GlyphIdSet& margin_ids,
                       std::vector<SkippedGlyph>& skipped) {
    for (const TextLine& line : lines) {
        if (!(line.x0 <= kMarginEdge) || line.glyphs.empty() || line.glyphs.size() > 2) continue;
        if (!(line.x1 - line.x0 <= kMarginLineWidth) || !(line.size >= kMarginSize)) continue;
        for (const Glyph* g : line.glyphs) {
            if (margin_ids.insert(g->id).second) skipped.push_back({g->id, "margin"});
        }
    }
}

void skip_margin_columns(const std::vector<TextLine>& lines, GlyphIdSet& margin_ids,
                         std::vector<SkippedGlyph>& skipped) {
    // Candidates by page, pages in the order they first appear.
    std::vector<std::pair<std::uint32_t, std::vector<const Glyph*>>> pages;
    std::unordered_map<std::uint32_t, std::size_t> slot;
    for (const TextLine& line : lines) {
        for (const Glyph* g : line.glyphs) {
            const float left = glyph_left_edge(*g);
            if (!(left <= kMarginEdge) || !(glyph_right_edge(*g) - left <= kMarginGlyphWidth) ||
                !(g->font_size >= kMarginSize)) {
                continue;
            }
            auto [it, inserted] = slot.try_emplace(line.page_index, pages.size());
            if (inserted) pages.push_back({line.page_index, {}});
            pages[it->second].second.push_back(g);
        }
    }
    if (pages.empty()) return;

    const std::vector<PageLines> buckets = bucket_lines_by_page(lines);
    std::unordered_map<std::uint32_t, const PageLines*> bucket_of;
    for (const PageLines& b : buckets) bucket_of.emplace(b.page, &b);

    // A glyph that could start a word, with its line's baseline.
    struct Neighbour {
        float x;
        float line_y;
        std::uint32_t id;
    };
    for (const auto& [page, candidates] : pages) {
        if (candidates.size() <= kMarginColumnGlyphs) continue;
        std::vector<float> xs;
        xs.reserve(candidates.size());
        for (const Glyph* g : candidates) xs.push_back(g->matrix[4]);
        std::stable_sort(xs.begin(), xs.end(), [](float a, float b) { return total_order_key(a) < total_order_key(b); });
        const float median = xs[xs.size() / 2];

        std::vector<Neighbour> neighbours;
        for (std::size_t i : bucket_of.at(page)->lines) {
            for (const Glyph* h : lines[i].glyphs) {
                if (!std::isnan(h->matrix[4]) && holds_word_character(h->unicode)) {
                    neighbours.push_back({h->matrix[4], lines[i].y, h->id});
                }
            }
        }
        std::stable_sort(neighbours.begin(), neighbours.end(),
                         [](const Neighbour& a, const Neighbour& b) { return a.x < b.x; });

        for (const Glyph* g : candidates) {
            const float x = g->matrix[4];
            if (!(std::fabs(x - median) <= kMarginColumnReach)) continue;
            if (!margin_ids.insert(g->id).second) continue;
            const float s = edge_max(g->font_size, 1.0f);
            const float baseline = g->matrix[5];
            // Neighbours from 0.3 to 1.25 s right of the glyph: a range wide
            // enough for the rounding of any float difference, then the exact
            // test.
            const float reach = 1.25f * s;
            bool begins_word = false;
            visit_range(neighbours, [](const Neighbour& n) { return n.x; }, static_cast<double>(x) - 1.0,
                        static_cast<double>(x) + 1.001 * static_cast<double>(reach) + 1.0, [&](const Neighbour& h) {
                             const float dx = h.x - x;
                             if (h.id != g->id && dx > 0.3f && dx <= reach &&
                                 std::fabs(h.line_y - baseline) <= 0.45f * s) {
                                 begins_word = true;
                                 return false;
                             }
                             return true;
                         });
            if (begins_word) {
                margin_ids.erase(g->id);
            } else {
                skipped.push_back({g->id, "margin"});
            }
        }
    }
}

}  // namespace zvk
