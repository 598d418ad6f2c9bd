// Formula placeholders of a translation turned into slots as wide as their
// formulas, before the text is laid out.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>

#include "base/ascii.h"
#include "base/text.h"
#include "layout/char_classes.h"
#include "rewrite/geometry/glyph_runs.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/measures.h"
#include "rewrite/placement/formula_slots.h"
#include "rewrite/placement/glyph_filters.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

constexpr char32_t kOpen = 0x27E6;
constexpr char32_t kClose = 0x27E7;
constexpr char32_t kIdeographicSpace = 0x3000;

float origin_x(const Glyph& g) { return g.matrix[4]; }

// How far right a glyph reaches: its box and origin, but no further than its
// advance when it has one (a box padded past the pen would widen the gap).
float reach(const Glyph& g) {
    float r = edge_max(edge_max(g.bbox[0], g.bbox[2]), origin_x(g));
    if (g.advance[0] > 0) r = edge_min(r, origin_x(g) + g.advance[0]);
    return r;
}

bool holds_ascii_letter(std::string_view text) {
    for (char c : text) {
        if (is_ascii_letter(c)) return true;
    }
    return false;
}

std::optional<char> first_ascii_letter(std::string_view text) {
    for (char c : text) {
        if (is_ascii_letter(c)) return c;
    }
    return std::nullopt;
}

// The number a placeholder's content names: an optional "+" and one or more
// ASCII digits, at most 99.
std::optional<std::size_t> placeholder_number(std::span<const char32_t> content) {
    std::size_t i = 0;
    if (i < content.size() && content[i] == U'+') ++i;
    if (i == content.size()) return std::nullopt;
    std::size_t n = 0;
    for (; i < content.size(); ++i) {
        if (!is_ascii_digit(content[i])) return std::nullopt;
        n = n * 10 + (content[i] - U'0');
        if (n > 99) return std::nullopt;
    }
    return n;
}

class Reservation {
public:
    Reservation(std::span<const Glyph* const> glyphs, float size, const FormulaGroups& groups)
        : glyphs_(glyphs), size_(size), groups_(groups) {
        for (const Glyph* g : glyphs) by_id_.emplace(g->id, g);
    }

    ReservedSlots run(std::span<const char32_t> t) {
        ReservedSlots result;
        std::size_t i = 0;
        while (i < t.size()) {
            if (t[i] != kOpen) {
                copy(t[i++]);
                continue;
            }
            std::size_t close = i + 1;
            while (close < t.size() && t[close] != kClose) ++close;
            const auto n = close < t.size() ? placeholder_number(t.subspan(i + 1, close - i - 1)) : std::nullopt;
            if (!n || *n >= groups_.size()) {
                copy(t[i++]);
                continue;
            }
            result.widths[*n] = slot_width(*n);
            push(U'0' + static_cast<char32_t>(*n / 10));
            push(U'0' + static_cast<char32_t>(*n % 10));
            push(kIdeographicSpace);
            i = close + 1;
        }
        result.text = from_code_points(out_);
        return result;
    }

private:
    void push(char32_t c) {
        out_.push_back(c);
        if (is_ascii_digit(c)) {
            trailing_digits_ = std::min<std::size_t>(trailing_digits_ + 1, 2);
            slot_tail_ = false;
        } else {
            slot_tail_ = c == kIdeographicSpace && (slot_tail_ || trailing_digits_ == 2);
            trailing_digits_ = 0;
        }
    }

    // A translation's own ideographic space after two digits ("表 12　与"),
    // or right after a slot, would read as a slot (or part of one) once the
    // text is laid out: it is set as an ordinary space.
    void copy(char32_t c) {
        const bool would_join_slot = trailing_digits_ == 2 || slot_tail_;
        push(c == kIdeographicSpace && would_join_slot ? U' ' : c);
    }

    std::optional<char> letter_before() const {
        for (std::size_t k = out_.size(); k > 0; --k) {
            if (is_unicode_white_space(out_[k - 1])) continue;
            if (is_ascii_letter(out_[k - 1])) return static_cast<char>(out_[k - 1]);
            return std::nullopt;
        }
        return std::nullopt;
    }

    float slot_width(std::size_t n) const {
        std::vector<const Glyph*> members;
        for (const std::uint32_t id : groups_[n]) {
            if (const auto it = by_id_.find(id); it != by_id_.end()) members.push_back(it->second);
        }
        if (members.empty()) return 0.0f;
        float minx = std::numeric_limits<float>::quiet_NaN();
        float maxr = minx;
        for (const Glyph* g : members) {
            minx = edge_min(minx, origin_x(*g));
            maxr = edge_max(maxr, reach(*g));
        }
        float width = std::isfinite(minx) && minx < maxr ? maxr - minx : 0.0f;
        const std::optional<char> letter = letter_before();
        if (!letter || !is_script_formula(members, size_)) return width;
        // The translation already holds the letter the script hangs on (x²
        // after "x"): the slot covers only what stands right of that letter.
        const float median = upper_median_baseline(members);
        std::vector<const Glyph*> candidates;
        for (const Glyph* g : glyphs_) {
            if (std::find(groups_[n].begin(), groups_[n].end(), g->id) != groups_[n].end()) continue;
            const float x = origin_x(*g);
            if (holds_ascii_letter(g->unicode) && g->font_size > 0.75f * size_ && minx - 1.15f * size_ <= x &&
                x <= minx + 0.45f * size_ && std::fabs(g->matrix[5] - median) <= 0.7f * size_) {
                candidates.push_back(g);
            }
        }
        const Glyph* anchor = find_anchor_glyph(candidates, static_cast<char32_t>(*letter));
        if (anchor && first_ascii_letter(anchor->unicode) == letter) width = std::fmax(maxr - reach(*anchor), 0.0f);
        return width;
    }

    std::span<const Glyph* const> glyphs_;
    float size_;
    const FormulaGroups& groups_;
    std::unordered_map<std::uint32_t, const Glyph*> by_id_;
    std::vector<char32_t> out_;
    std::size_t trailing_digits_ = 0;  // ASCII digits that end the output, at most 2
    bool slot_tail_ = false;           // the output ends in two digits and one or more U+3000
};

}  // namespace

ReservedSlots reserve_formula_slots(std::string_view text, std::span<const Glyph* const> segment_glyphs) {
    const float size = typical_glyph_size(segment_glyphs);
    const FormulaGroups groups = analyze_segment_glyph_runs(segment_glyphs, size);
    if (groups.empty()) return {std::string(text), {}};
    const std::vector<char32_t> t = to_code_points(text);
    return Reservation(segment_glyphs, size, groups).run(t);
}

}  // namespace zvk::rewrite
