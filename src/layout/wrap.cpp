#include "layout/wrap.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/text.h"
#include "layout/block_classes.h"
#include "layout/breaks.h"
#include "layout/char_classes.h"

namespace zvk {
namespace {

using Line = std::u32string;

// White space that a line end loses and a line start skips: U+3000 stays.
bool is_trimmed_space(char32_t c) { return c != 0x3000 && is_unicode_white_space(c); }

bool is_blank(std::u32string_view line) {
    return std::all_of(line.begin(), line.end(), [](char32_t c) { return is_unicode_white_space(c); });
}

void trim_line_end(Line& line) {
    while (!line.empty() && is_trimmed_space(line.back())) line.pop_back();
}

std::vector<DigitPairRun> find_digit_pair_runs(std::span<const char32_t> c) {
    std::vector<DigitPairRun> runs;
    for (auto run = next_digit_pair_run(c, 0); run; run = next_digit_pair_run(c, run->end)) runs.push_back(*run);
    return runs;
}

// A break inside a digit-pair run moves before it, or after it when the run
// starts the line.
std::size_t outside_digit_pair_run(const std::vector<DigitPairRun>& runs, std::size_t b, std::size_t s, std::size_t n) {
    for (const DigitPairRun& run : runs) {
        if (run.start < b && b < run.end) return run.start > s ? run.start : std::min(run.end, n);
    }
    return b;
}

bool camel_boundary(std::span<const char32_t> c, std::size_t q) {
    const auto upper = [](char32_t ch) { return ch >= U'A' && ch <= U'Z'; };
    const auto lower = [](char32_t ch) { return ch >= U'a' && ch <= U'z'; };
    if (q == 0 || q >= c.size()) return false;
    if (lower(c[q - 1]) && upper(c[q])) return true;
    return upper(c[q - 1]) && upper(c[q]) && q + 1 < c.size() && lower(c[q + 1]);
}

float measure(std::u32string_view line, const SubsetFont& font, const DigitPairWidthMap& map, float size) {
    return measure_line_width(std::span<const char32_t>(line.data(), line.size()), font, map, size);
}

// The boundary repair on X (the last line) and Y (what follows): returns the
// new X, or none when nothing changes.
std::optional<Line> repair_boundary(std::u32string_view x, std::span<const char32_t> y, const SubsetFont& font,
                                    const DigitPairWidthMap& map, float width, float size) {
    std::size_t k0 = 0;
    while (k0 < y.size() && is_unicode_white_space(y[k0])) ++k0;
    if (k0 == y.size() || x.empty() || !is_cjk_char(x.back()) || !is_cjk_char(y[k0])) return std::nullopt;
    const float room = width + 0.6f;

    // A shortened X, trimmed at its end; none when nothing would be left.
    const auto pushed = [&](std::size_t drop) -> std::optional<Line> {
        Line rest(x.substr(0, x.size() - drop));
        trim_line_end(rest);
        if (rest.empty()) return std::nullopt;
        return rest;
    };

    // Keep-together words across the boundary.
    const std::size_t a = std::min<std::size_t>(x.size(), 8);
    Line window(x.substr(x.size() - a));
    window.append(y.data() + k0, std::min<std::size_t>(y.size() - k0, 8));
    std::size_t best_h = 0;
    std::size_t best_j = 0;
    for (const std::u32string_view word : keep_together_words()) {
        const std::size_t h = word.size();
        if (h < 2 || h > window.size() || h <= best_h) continue;
        for (std::size_t j = 0; j + h <= window.size(); ++j) {
            if (j < a && a < j + h && std::u32string_view(window).substr(j, h) == word) {
                best_h = h;
                best_j = j;
                break;
            }
        }
    }
    if (best_h > 0) {
        const std::size_t t = best_j + best_h - a;
        const std::size_t u = a - best_j;
        Line grown(x);
        std::size_t taken = 0;
        while (taken < t && k0 + taken < y.size() && !is_unicode_white_space(y[k0 + taken])) {
            grown.push_back(y[k0 + taken]);
            ++taken;
        }
        if (taken == t && measure(grown, font, map, size) <= room) return grown;
        if (u < x.size()) {
            if (auto rest = pushed(u)) return rest;
        }
    }

    // A lone CJK character at the start of Y.
    const bool lone = k0 + 1 == y.size() || !is_cjk_char(y[k0 + 1]);
    if (!lone) return std::nullopt;
    Line grown(x);
    grown.push_back(y[k0]);
    if (measure(grown, font, map, size) <= room) return grown;
    std::size_t k = 0;
    while (k < 4 && k < x.size() && is_cjk_char(x[x.size() - 1 - k])) ++k;
    if (k < x.size()) return pushed(k);
    return std::nullopt;
}

// Applies a repaired X to the pair (line, next): characters pulled up leave
// the start of `next` (after its white space), characters pushed down go to
// its front.
void reconcile(Line& line, Line& next, Line repaired) {
    if (repaired.size() > line.size()) {
        std::size_t skip = 0;
        while (skip < next.size() && is_unicode_white_space(next[skip])) ++skip;
        next.erase(0, skip + (repaired.size() - line.size()));
    } else {
        next.insert(0, line.substr(repaired.size()));
    }
    line = std::move(repaired);
}

std::size_t trailing_opening_marks(const Line& line) {
    std::size_t k = 0;
    while (k < line.size() && is_opening_mark(line[line.size() - 1 - k])) ++k;
    return k;
}

}  // namespace

LayoutText prepare_layout_text(std::string_view text, const SubsetFont& font) {
    LayoutText out;
    out.chars = to_code_points(text);
    out.mask = no_break_mask(out.chars);
    out.units.reserve(out.chars.size());
    for (const char32_t c : out.chars) out.units.push_back(advance_units(font, c));
    out.units_per_em = static_cast<float>(font.units_per_em);
    return out;
}

std::optional<std::vector<std::string>> wrap_layout_text(const LayoutText& text, const SubsetFont& font,
                                                         const DigitPairWidthMap& map, float size,
                                                         float first_line_width, float line_width) {
    const std::span<const char32_t> c(text.chars);
    const std::size_t n = c.size();
    if (is_blank(std::u32string_view(c.data(), n))) return std::nullopt;
    std::vector<float> w(n);
    for (std::size_t i = 0; i < n; ++i) w[i] = advance_at_size(text.units[i], size, text.units_per_em);
    apply_digit_pair_widths(c, w, map);
    const std::vector<DigitPairRun> runs = find_digit_pair_runs(c);
    std::vector<std::uint8_t> item_start(n, 0);
    std::size_t items = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (stock_code_item_at(std::u32string_view(c.data(), n), i)) {
            item_start[i] = 1;
            ++items;
        }
    }
    const auto allowed = [&](std::size_t p) { return p >= n || (text.mask[p - 1] == 0 && may_break_between(c[p - 1], c[p])); };
    const auto pair_allowed = [&](std::size_t p) { return p >= n || may_break_between(c[p - 1], c[p]); };

    std::vector<Line> lines;
    std::size_t s = 0;
    while (s < n) {
        const float limit = lines.empty() ? first_line_width : line_width;
        std::size_t end = 0;
        // Greedy fit.
        float sum = w[s];
        std::size_t q = s + 1;
        std::size_t greedy = 0;
        bool ended = false;
        while (true) {
            if (q >= n) {
                end = n;
                ended = true;
                break;
            }
            if (items >= 2 && item_start[q]) {
                end = q;
                ended = true;
                break;
            }
            if (sum + w[q] > limit) {
                greedy = map.empty() && is_hanging_mark(c[q]) && sum <= limit + 0.01f ? q + 1 : q;
                break;
            }
            sum += w[q];
            ++q;
        }
        if (!ended) {
            // Break search.
            std::size_t b = greedy;
            if (greedy > s + 1) {
                std::optional<std::size_t> found;
                for (std::size_t p = greedy; p >= s + 2 && !found; --p) {
                    if (allowed(p)) found = p;
                }
                for (std::size_t p = greedy; p >= s + 2 && !found; --p) {
                    if (pair_allowed(p)) found = p;
                }
                b = found ? *found : s + 1;
            }
            std::size_t p = outside_digit_pair_run(runs, b, s, n);
            // A loose line may end at a camel-case boundary further on.
            if (s < p && p < greedy && p < n) {
                float width = 0;
                for (std::size_t i = s; i < p; ++i) width += w[i];
                const auto gaps = static_cast<float>(count_cjk_gaps(c.subspan(s, p - s)));
                if (!(limit - width <= gaps * size * 0.05f + 0.4f)) {
                    const float raised = limit + 0.4f;
                    std::size_t camel = p;
                    for (std::size_t qq = p + 1; qq <= std::min(n, greedy); ++qq) {
                        width += w[qq - 1];
                        if (width > raised || (qq < n && text.mask[qq - 1] != 0)) break;
                        if (camel_boundary(c, qq)) camel = qq;
                    }
                    p = camel;
                }
            }
            // Conjunctions: end after an enumeration comma instead.
            {
                std::size_t k = p;
                while (k < n && is_unicode_white_space(c[k])) ++k;
                if (k < n && (c[k] == 0x4E0E || c[k] == 0x53CA || c[k] == 0x548C) && p > s + 1) {
                    for (std::size_t i = p - 2; i >= s + 3 && i < n; --i) {
                        if (c[i] == 0x3001 && allowed(i + 1)) {
                            p = i + 1;
                            break;
                        }
                    }
                }
            }
            // Comma rule.
            if (s + 1 < p && p <= n) {
                std::size_t e = 0;
                std::size_t f = 0;
                for (std::size_t i = s; i < p; ++i) {
                    e += c[i] == 0x3001;
                    f += c[i] == 0xFF0C;
                }
                const std::size_t length = p - s;
                if (e >= 1 || f >= 1) {
                    const bool enumeration = e >= 2;
                    for (std::size_t pp = p - 1; pp >= s + 1; --pp) {
                        const char32_t before = c[pp - 1];
                        const bool comma = before == 0x3001 || (!enumeration && before == 0xFF0C);
                        if (comma && text.mask[pp - 1] == 0 && may_break_between(before, c[pp])) {
                            const bool keeps = enumeration ? 5 * (pp - s) >= 3 * length : 10 * (pp - s) >= 9 * length;
                            if (keeps) p = pp;
                            break;
                        }
                    }
                }
            }
            end = outside_digit_pair_run(runs, p, s, n);
        }
        // Emit.
        end = std::max(end, s + 1);
        Line line(c.data() + s, end - s);
        trim_line_end(line);
        std::size_t next = end;
        if (!line.empty()) {
            lines.push_back(std::move(line));
            if (lines.size() > kMaxWrappedLines) return std::nullopt;
        }
        while (next < n && is_trimmed_space(c[next])) ++next;
        s = next;
    }

    // Repair pass over neighbouring lines.
    if (lines.size() >= 2 && line_width > 0) {
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            const Line& following = lines[i + 1];
            if (auto repaired = repair_boundary(lines[i], following, font, map, line_width, size)) {
                reconcile(lines[i], lines[i + 1], std::move(*repaired));
            }
        }
        std::erase_if(lines, [](const Line& line) { return is_blank(line); });
    }
    // Opening brackets never end a line.
    if (lines.size() >= 2) {
        std::size_t i = 0;
        while (i + 1 < lines.size()) {
            const std::size_t k = trailing_opening_marks(lines[i]);
            if (k == 0) {
                ++i;
                continue;
            }
            lines[i + 1].insert(0, lines[i].substr(lines[i].size() - k));
            lines[i].resize(lines[i].size() - k);
            if (is_blank(lines[i])) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
    }
    if (lines.empty()) return std::nullopt;
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const Line& line : lines) out.push_back(from_code_points(line));
    return out;
}

std::optional<std::vector<std::string>> wrap_text_lines(std::string_view text, const SubsetFont& font,
                                                        const DigitPairWidthMap& map, float size,
                                                        float first_line_width, float line_width) {
    return wrap_layout_text(prepare_layout_text(text, font), font, map, size, first_line_width, line_width);
}

std::optional<std::vector<std::string>> wrap_text_plain(std::string_view text, const SubsetFont& font, float size,
                                                        float first_line_width, float line_width) {
    return wrap_text_lines(text, font, DigitPairWidthMap{}, size, first_line_width, line_width);
}

bool relayout_remainder(std::vector<std::string>& lines, std::span<const char32_t> following, const SubsetFont& font,
                        const DigitPairWidthMap& map, float width, float size) {
    if (lines.empty()) return false;
    const std::vector<char32_t> last = to_code_points(lines.back());
    auto repaired = repair_boundary(std::u32string_view(last.data(), last.size()), following, font, map, width, size);
    if (!repaired) return false;
    lines.back() = from_code_points(*repaired);
    return true;
}

}  // namespace zvk
