// Formula slots in placed runs: the moves of the formula glyphs and the runs
// cut around the slots.
#include "rewrite/placement/formula_slots.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "rewrite/geometry/formula_order.h"
#include "rewrite/geometry/glyph_runs.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/measures.h"
#include "rewrite/placement/formula_slot_order.h"
#include "rewrite/placement/glyph_filters.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

using Ids = std::vector<std::uint32_t>;

float origin_x(const Glyph& g) { return g.matrix[4]; }
float origin_y(const Glyph& g) { return g.matrix[5]; }

// The full-size glyphs a script may carry beside its small ones; none of
// them holds a letter.
bool is_script_punctuation(std::string_view t) {
    if (t == "\u2217" || t == "\u2032") return true;
    return t.size() == 1 && std::string_view("'()*,.[]{}").find(t[0]) != std::string_view::npos;
}

using GroupSet = std::unordered_set<std::uint32_t>;

// One run's text as scalars (for the slot scan) and as UTF-8 pieces (for
// slicing).
struct RunChars {
    std::vector<char32_t> scalars;
    std::vector<std::string> pieces;
};

RunChars split_run_text(std::string_view text) {
    RunChars c;
    for (const Utf8Step step : Utf8Range(text)) {
        c.scalars.push_back(step.scalar);
        c.pieces.emplace_back(text.substr(step.offset, step.length));
    }
    return c;
}

// The baseline of the full-size text around a formula: the upper median of
// the baselines of the glyphs outside the group that are larger than 0.82 ×
// size, within six sizes of the formula across and 0.45 × size of its middle
// baseline cy; cy itself when no glyph qualifies.
float reference_baseline(std::span<const Glyph* const> glyphs, const GroupSet& group, float size, float minx,
                         float maxx, float cy) {
    const BaselineWindow window{.size = size, .unit = size, .x0 = minx, .x1 = maxx, .y = cy, .tolerance = size};
    std::vector<float> baselines = collect_nearby_baselines(glyphs, group, window);
    return baselines.empty() ? cy : upper_median(baselines);
}

// The redraw of a formula that the translation names a second time: the
// formula's own text, set in the output font at the slot, or nothing when the
// font lacks one of its characters.
std::optional<TextRun> redraw_formula(std::span<const Glyph* const> glyphs, const GroupSet& group, const TextRun& u,
                                      float x, const SubsetFont& font) {
    std::vector<const Glyph*> with_text = collect_formula_glyphs_with_text(glyphs, group);
    order_glyphs_by_position(with_text);
    std::string text;
    for (const Glyph* g : with_text) text += g->unicode;
    std::vector<std::uint16_t> ids = collect_text_glyph_ids(text, font);
    const std::size_t count = count_scalar_values(text);
    if (ids.size() != count) return std::nullopt;
    TextRun run;
    run.fill_color = u.fill_color;
    run.output_glyph_ids = std::move(ids);
    run.font_resource = u.font_resource;
    run.text = std::move(text);
    run.advances = collect_char_advances(run.text, font, u.font_size);
    run.gap_adjustments.assign(count > 0 ? count - 1 : 0, 0.0f);
    run.marker_flags.assign(count, 0);
    run.page_index = u.page_index;
    run.x = x;
    run.baseline = u.baseline;
    run.font_size = u.font_size;
    run.skew = u.skew;
    run.marker_size_factor = u.marker_size_factor;
    run.marker_rise_factor = u.marker_rise_factor;
    return run;
}

class SlotPlacer {
public:
    SlotPlacer(std::span<const Glyph* const> glyphs, std::span<const TextRun> runs, const SubsetFont& font)
        : glyphs_(glyphs), runs_(runs), font_(font) {}

    std::optional<PlacedFormulas> run() {
        size_ = typical_glyph_size(glyphs_);
        const FormulaGroups groups = analyze_segment_glyph_runs(glyphs_, size_);
        if (groups.empty()) return std::nullopt;
        for (const auto& ids : groups) groups_.emplace_back(ids.begin(), ids.end());
        if (!find_slots()) return std::nullopt;
        PlacedFormulas placed;
        for (const FormulaSlot& slot : slots_) {
            if (slot.repeat) continue;
            auto move = move_for(slot, groups[slot.formula_index]);
            if (!move) return std::nullopt;
            placed.moves.push_back(std::move(*move));
        }
        placed.runs = rebuild();
        return placed;
    }

private:
    bool find_slots() {
        std::vector<bool> seen(groups_.size(), false);
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            chars_.push_back(split_run_text(runs_[r].text));
            const std::vector<char32_t>& c = chars_.back().scalars;
            for (auto pair = next_digit_pair_run(c, 0); pair; pair = next_digit_pair_run(c, pair->end)) {
                const std::size_t k = (c[pair->start] - U'0') * 10 + (c[pair->start + 1] - U'0');
                if (k >= groups_.size()) return false;
                slots_.push_back({.run_index = r, .start = pair->start, .end = pair->end, .formula_index = k,
                                  .repeat = seen[k]});
                seen[k] = true;
            }
        }
        return std::all_of(seen.begin(), seen.end(), [](bool s) { return s; });
    }

    float slot_x(const FormulaSlot& slot) const {
        return text_run_char_x(runs_[slot.run_index], chars_[slot.run_index].scalars.size(), slot.start);
    }

    std::optional<GlyphShift> move_for(const FormulaSlot& slot, const Ids& ids) {
        const GroupSet& group = groups_[slot.formula_index];
        const TextRun& u = runs_[slot.run_index];
        std::vector<const Glyph*> members;
        for (const Glyph* g : glyphs_) {
            if (group.contains(g->id)) members.push_back(g);
        }
        if (members.empty()) return std::nullopt;
        float minx = std::numeric_limits<float>::max();
        float maxx = -std::numeric_limits<float>::max();
        float top = std::numeric_limits<float>::quiet_NaN();
        float bottom = top;
        for (const Glyph* g : members) {
            minx = edge_min(minx, edge_min(origin_x(*g), g->bbox[0]));
            maxx = edge_max(maxx, edge_max(origin_x(*g), g->bbox[2]));
            top = edge_max(top, origin_y(*g));
            bottom = edge_min(bottom, origin_y(*g));
        }
        const float cy = (top + bottom) / 2;
        const float reference = reference_baseline(glyphs_, group, size_, minx, maxx, cy);
        if (!std::isfinite(minx)) return std::nullopt;
        float dx = slot_x(slot) - minx;
        if (const auto anchored = anchored_x(slot, members, group, minx, maxx)) dx = *anchored;
        const float dy = u.baseline - reference;
        // A NaN or infinite baseline near the formula, or a run placed at no
        // finite x, would draw the formula nowhere: the segment keeps its
        // source text instead.
        if (!std::isfinite(dx) || !std::isfinite(dy)) return std::nullopt;
        return GlyphShift{ids, u.page_index, dx, dy, u.baseline};
    }

    // A script formula right after a letter (one white-space character may
    // stand between them) keeps its offset from the source glyph of that
    // letter: the dx that puts the letter's source glyph on the letter.
    std::optional<float> anchored_x(const FormulaSlot& slot, std::span<const Glyph* const> members, const GroupSet& group,
                                    float minx, float maxx) const {
        if (slot.start == 0 || !is_script_formula(members, size_)) return std::nullopt;
        const std::vector<char32_t>& c = chars_[slot.run_index].scalars;
        std::size_t at = slot.start - 1;
        if (is_unicode_white_space(c[at]) && at > 0) --at;
        if (!is_ascii_letter(c[at])) return std::nullopt;
        const char letter = static_cast<char>(c[at]);
        for (const Glyph* g : glyphs_) {
            if (group.contains(g->id)) continue;
            const std::string_view t = trim_white_space(g->unicode);
            if (t.size() != 1 || t[0] != letter || !(g->font_size > 0.75f * size_)) continue;
            const float x = origin_x(*g);
            if (!(minx - 1.15f * size_ <= x && x <= maxx + 0.35f * size_)) continue;
            return text_run_char_x(runs_[slot.run_index], c.size(), at) - x;
        }
        return std::nullopt;
    }

    std::vector<TextRun> rebuild() const {
        std::vector<std::vector<FormulaSlot>> by_run(runs_.size());
        for (const FormulaSlot& slot : slots_) by_run[slot.run_index].push_back(slot);
        std::vector<TextRun> out;
        const auto emit = [&](TextRun run) {
            if (!run.text.empty()) out.push_back(std::move(run));
        };
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            const TextRun& u = runs_[r];
            const RunChars& c = chars_[r];
            const std::size_t count = c.pieces.size();
            sort_formula_slots(by_run[r]);
            std::size_t cursor = 0;
            for (const FormulaSlot& slot : by_run[r]) {
                if (cursor < slot.start) {
                    emit(slice_text_run(u, c.pieces, cursor, slot.start, text_run_char_x(u, count, cursor)));
                }
                if (slot.repeat) {
                    if (auto text = redraw_formula(glyphs_, groups_[slot.formula_index], u, slot_x(slot), font_)) {
                        emit(std::move(*text));
                    }
                }
                cursor = slot.end;
            }
            if (cursor < count) emit(slice_text_run(u, c.pieces, cursor, count, text_run_char_x(u, count, cursor)));
        }
        return out;
    }

    std::span<const Glyph* const> glyphs_;
    std::span<const TextRun> runs_;
    const SubsetFont& font_;
    float size_ = 1.0f;
    std::vector<GroupSet> groups_;
    std::vector<RunChars> chars_;
    std::vector<FormulaSlot> slots_;
};

}  // namespace

bool is_script_formula(std::span<const Glyph* const> glyphs, float size) {
    bool any_small = false;
    for (const Glyph* g : glyphs) {
        const std::string_view t = trim_white_space(g->unicode);
        if (t.empty()) continue;
        if (g->font_size <= 0.84f * size || is_hat_text(t)) {
            any_small = true;
            continue;
        }
        if (!is_script_punctuation(t)) return false;
    }
    return any_small;
}

std::optional<PlacedFormulas> place_formula_slots(std::span<const Glyph* const> segment_glyphs,
                                                  std::span<const TextRun> runs, const SubsetFont& font) {
    return SlotPlacer(segment_glyphs, runs, font).run();
}

}  // namespace zvk::rewrite
