#include "rewrite/placement/note_markers.h"

#include <cmath>

#include "base/ascii.h"
#include "base/text.h"
#include "layout/char_classes.h"
#include "rewrite/geometry/measures.h"

namespace zvk::rewrite {

namespace {

using Chars = std::vector<char32_t>;

bool is_ws(char32_t c) { return is_unicode_white_space(c); }

bool is_note_symbol(char32_t c) {
    switch (c) {
    case U'*': case 0x00A7: case 0x00B6: case 0x2020: case 0x2021: case 0x2217: case 0x22C6:
        return true;
    default:
        return false;
    }
}

bool is_dash(char32_t c) { return c == U'-' || c == 0x2013 || c == 0x2014 || c == 0x2212; }

// Ideographs only (extension A to the compatibility block): kana and hangul
// neither glue a number to the text around it nor keep a marker off.
bool is_cjk(char32_t c) { return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF); }

bool is_alphabetic(char32_t c) { return is_ascii_letter(c) || is_alphabetic_from_aa(c); }

// Into [lo, hi]; a NaN (a glyph with a NaN size or baseline) ends at lo, so
// the marker factors always stay within the range the writer expects.
float clamp_to(float v, float lo, float hi) { return std::fmin(std::fmax(v, lo), hi); }

bool is_ascii_upper(char32_t c) { return c >= U'A' && c <= U'Z'; }

bool is_colon(char32_t c) { return c == U':' || c == 0xFE55 || c == 0xFF1A; }

bool is_list_comma(char32_t c) { return c == U',' || c == 0xFF0C; }

bool is_operator(char32_t c) {
    switch (c) {
    case U'+': case U'-': case U'/': case U'<': case U'=': case U'>':
    case 0x00D7: case 0x2212: case 0x2248: case 0x2264: case 0x2265: case 0xFF1C: case 0xFF1E:
        return true;
    default:
        return false;
    }
}

bool is_symbol_lead(char32_t c) { return is_ws(c) || c == U',' || c == U';' || c == 0xFF0C || c == 0xFF1B; }

bool is_number_lead(char32_t c) {
    return is_ws(c) || c == U'*' || c == U',' || c == U';' || c == 0x2217 || c == 0xFF0C || c == 0xFF1B;
}

class Marker {
public:
    explicit Marker(Chars c) : c_(std::move(c)), n_(c_.size()), flags_(n_, 0) {}

    std::vector<std::uint8_t> run() {
        std::size_t i = 0;
        while (i < n_) {
            if (is_note_symbol(c_[i])) {
                if (symbol_flagged(i)) flags_[i] = 1;
                ++i;
            } else if (is_ascii_digit(c_[i])) {
                const std::size_t e = digits_end(i);
                if (number_flagged(i, e)) flag(i, e);
                i = e;
            } else {
                ++i;
            }
        }
        while (spread_along_comma_lists()) {
        }
        return std::move(flags_);
    }

private:
    // Two alphabetic characters directly after position k.
    bool alpha2_after(std::size_t k) const { return k + 2 < n_ && is_alphabetic(c_[k + 1]) && is_alphabetic(c_[k + 2]); }

    std::size_t digits_end(std::size_t i) const {
        while (i < n_ && is_ascii_digit(c_[i])) ++i;
        return i;
    }
    std::size_t digits_start(std::size_t end) const {
        while (end > 0 && is_ascii_digit(c_[end - 1])) --end;
        return end;
    }

    void flag(std::size_t i, std::size_t e) {
        for (std::size_t k = i; k < e; ++k) flags_[k] = 1;
    }

    // The nearest position before `from` (exclusive) or at/after `from`
    // (inclusive) whose character `skip` does not pass over; n_ for none.
    template <typename Skip>
    std::size_t nearest_before(std::size_t from, Skip skip) const {
        while (from > 0) {
            --from;
            if (!skip(c_[from])) return from;
        }
        return n_;
    }
    template <typename Skip>
    std::size_t nearest_from(std::size_t from, Skip skip) const {
        while (from < n_ && skip(c_[from])) ++from;
        return from;
    }

    bool symbol_flagged(std::size_t i) const {
        const auto ws_or_symbol = [](char32_t c) { return is_ws(c) || is_note_symbol(c); };
        const std::size_t next = nearest_from(i + 1, ws_or_symbol);
        const std::size_t prev = nearest_before(i, ws_or_symbol);
        const bool has_next = next < n_;
        if (c_[i] == 0x00A7 && has_next && (is_ascii_letter(c_[next]) || is_ascii_digit(c_[next]))) return false;
        if (has_next && is_cjk(c_[next])) return false;
        if (prev < n_ && is_cjk(c_[prev]) && !(has_next && is_ascii_digit(c_[next]))) return false;
        if (i == 0) return alpha2_after(i);
        return is_alphabetic(c_[i - 1]) || (alpha2_after(i) && is_symbol_lead(c_[i - 1]));
    }

    // A number with ideographs around it, the dashes and dash-joined numbers
    // after it passed over: part of the running text (第1章, 第1-3章).
    bool ideographs_around(std::size_t i, std::size_t e) const {
        const std::size_t p1 = nearest_before(i, [](char32_t c) { return is_ws(c) || is_dash(c); });
        if (p1 == n_ || !is_cjk(c_[p1]) || e >= n_) return false;
        bool dash = false;
        std::size_t j = e;
        while (j < n_) {
            if (is_ws(c_[j])) {
                ++j;
            } else if (is_dash(c_[j])) {
                dash = true;
                ++j;
            } else if (dash && is_ascii_digit(c_[j])) {
                j = digits_end(j);
                dash = false;
            } else {
                return is_cjk(c_[j]);
            }
        }
        return false;
    }

    // The numbers joined to [i, e) by dashes on either side (a range such as
    // 1-3); true when the range grew and stands next to an ideograph.
    bool range_beside_ideograph(std::size_t i, std::size_t e) const {
        std::size_t end = e;
        bool dash = false;
        for (std::size_t j = e; j < n_;) {
            if (is_ws(c_[j])) {
                ++j;
            } else if (is_dash(c_[j])) {
                dash = true;
                ++j;
            } else if (dash && is_ascii_digit(c_[j])) {
                j = end = digits_end(j);
                dash = false;
            } else {
                break;
            }
        }
        std::size_t start = i;
        dash = false;
        for (std::size_t j = i; j > 0;) {
            const char32_t c = c_[j - 1];
            if (is_ws(c)) {
                --j;
            } else if (is_dash(c)) {
                dash = true;
                --j;
            } else if (dash && is_ascii_digit(c)) {
                j = start = digits_start(j);
                dash = false;
            } else {
                break;
            }
        }
        if (start == i && end == e) return false;
        const std::size_t pr = nearest_before(start, is_ws);
        const std::size_t nr = nearest_from(end, is_ws);
        return (pr < n_ && is_cjk(c_[pr])) || (nr < n_ && is_cjk(c_[nr]));
    }

    bool number_flagged(std::size_t i, std::size_t e) const {
        const std::size_t len = e - i;
        if (len >= 3) return false;
        if (ideographs_around(i, e)) return false;
        if (range_beside_ideograph(i, e)) return false;
        if (i > 0 && is_cjk(c_[i - 1]) && e < n_ && is_colon(c_[e])) return false;
        const bool before_ok = len == 1 && alpha2_after(e - 1) && (i == 0 || is_number_lead(c_[i - 1]));
        return before_ok || (attach_ok(i, e) && (e >= n_ || !is_cjk(c_[e])));
    }

    bool attach_ok(std::size_t i, std::size_t e) const {
        if (e - i == 2 || i == 0) return false;
        if (i + 2 < n_ && (c_[i + 1] == U'.' || c_[i + 1] == 0xFF0E) && is_ascii_digit(c_[i + 2])) return false;
        if (e < n_ && (c_[e] == U')' || c_[e] == 0xFF09)) return false;
        if (const std::size_t p = nearest_before(i, is_ws); p < n_ && is_operator(c_[p])) return false;
        std::size_t capitals = 0;
        for (std::size_t k = i; k > 0 && is_ascii_letter(c_[k - 1]); --k) capitals += is_ascii_upper(c_[k - 1]);
        if (capitals >= 2) return false;
        // A lone letter before the number reads as a variable (x2), not a word.
        if (is_ascii_letter(c_[i - 1]) && (i == 1 || !is_ascii_letter(c_[i - 2]))) return false;
        return is_alphabetic(c_[i - 1]) || (is_note_symbol(c_[i - 1]) && flags_[i - 1] == 1);
    }

    // One walk of the comma-list spread; true when it set a flag.
    bool spread_along_comma_lists() {
        bool changed = false;
        std::size_t i = 0;
        while (i < n_) {
            if (flags_[i] == 1 || !is_ascii_digit(c_[i])) {
                ++i;
                continue;
            }
            const std::size_t e = digits_end(i);
            if (e - i <= 2) {
                const bool after_marker = i >= 2 && is_list_comma(c_[i - 1]) && flags_[i - 2] == 1;
                const bool before_marker =
                    e + 1 < n_ && is_list_comma(c_[e]) && is_ascii_digit(c_[e + 1]) && flags_[e + 1] == 1;
                if (after_marker || before_marker) {
                    flag(i, e);
                    changed = true;
                }
            }
            i = e;
        }
        return changed;
    }

    Chars c_;
    std::size_t n_;
    std::vector<std::uint8_t> flags_;
};

}  // namespace

std::vector<std::uint8_t> mark_note_markers(std::string_view text) {
    return Marker(to_code_points(text)).run();
}

bool is_short_marker_text(std::string_view text) {
    std::size_t count = 0;
    for (const Utf8Step step : Utf8Range(trim_white_space(text))) {
        if (!step.valid || !(is_note_symbol(step.scalar) || is_ascii_digit(step.scalar)) || ++count > 2) return false;
    }
    return count > 0;
}

std::optional<NoteMarkerScale> note_marker_scale(std::span<const Glyph* const> glyphs) {
    std::vector<float> sizes;
    std::vector<float> baselines;
    for (const Glyph* g : glyphs) {
        if (is_short_marker_text(g->unicode)) continue;
        sizes.push_back(g->font_size);
        baselines.push_back(g->matrix[5]);
    }
    if (sizes.empty()) return std::nullopt;
    const float sb = std::fmax(upper_median(sizes), 1.0f);
    const float yb = upper_median(baselines);
    std::vector<float> ratios;
    std::vector<float> rises;
    for (const Glyph* g : glyphs) {
        if (!is_short_marker_text(g->unicode)) continue;
        const float size = g->font_size;
        const float y = g->matrix[5];
        if (!(size <= 0.85f * sb || y >= yb + 0.12f * sb)) continue;
        ratios.push_back(clamp_to(size / sb, 0.45f, 1.0f));
        rises.push_back(clamp_to((y - yb) / sb, 0.0f, 0.6f));
    }
    if (ratios.empty()) return std::nullopt;
    return NoteMarkerScale{upper_median(ratios), upper_median(rises)};
}

std::vector<std::vector<std::uint8_t>> distribute_marker_flags_to_lines(std::string_view text,
                                                                        std::span<const std::string> lines,
                                                                        std::span<const std::uint8_t> flags) {
    const std::vector<char32_t> t = to_code_points(text);
    const std::size_t n = t.size();
    std::vector<std::vector<std::uint8_t>> out;
    out.reserve(lines.size());
    std::size_t cursor = 0;
    for (const std::string& line : lines) {
        std::vector<std::uint8_t>& line_flags = out.emplace_back();
        for (const Utf8Step step : Utf8Range(line)) {
            const char32_t c = step.scalar;
            // White space the line breaking dropped; the text's last character
            // is left for the test below.
            while (cursor + 1 < n && t[cursor] != c && is_unicode_white_space(t[cursor])) ++cursor;
            if (cursor < n && t[cursor] == c) {
                line_flags.push_back(cursor < flags.size() ? flags[cursor] : 0);
                ++cursor;
            } else if (cursor + 1 == n && is_unicode_white_space(t[cursor])) {
                line_flags.push_back(0);
                ++cursor;
            } else {
                line_flags.push_back(0);
            }
        }
    }
    return out;
}

}  // namespace zvk::rewrite
