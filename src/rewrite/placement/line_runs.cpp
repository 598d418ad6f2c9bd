#include "rewrite/placement/line_runs.h"

#include <algorithm>

#include "base/ascii.h"
#include "layout/char_classes.h"
#include "layout/justify.h"

namespace zvk::rewrite {

namespace {

std::vector<std::uint32_t> copy_ids(std::span<const std::uint32_t> ids) { return {ids.begin(), ids.end()}; }

// 股票, then ASCII digits from the third character on, then U+FF1A: the next
// line starts a new stock-code item, so the line before it is no part of a
// justified paragraph.
bool starts_stock_code_item(std::string_view line) {
    const std::vector<char32_t> c = to_code_points(line);
    if (c.size() < 3 || c[0] != 0x80A1 || c[1] != 0x7968 || !is_ascii_digit(c[2])) return false;
    std::size_t i = 2;
    while (i < c.size() && is_ascii_digit(c[i])) ++i;
    return i < c.size() && c[i] == 0xFF1A;
}

}  // namespace

void build_line_runs(const LineBlock& block, std::span<const std::string> lines, std::span<const float> baselines,
                     std::vector<TextRun>& out) {
    const std::size_t n = std::min(lines.size(), baselines.size());
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(build_text_run(block.page_index, block.fill_color, lines[i], block.font, block.x, baselines[i],
                                     block.font_size, block.skew, block.font_resource,
                                     copy_ids(block.source_glyph_ids)));
    }
}

void build_justified_line_runs(const LineBlock& block, const JustifiedLines& in, std::vector<TextRun>& out) {
    const std::size_t n = std::min(in.lines.size(), in.baselines.size());
    const float size = block.font_size;
    for (std::size_t m = 0; m < n; ++m) {
        const std::string& text = in.lines[m];
        const float target = m == 0 ? in.first_width : in.width;

        bool joinable = m + 1 < in.lines.size() && !starts_stock_code_item(in.lines[m + 1]);
        if (in.justification_switch || in.has_callout_split) {
            const float slack = target - measure_line_width(text, block.font, in.digit_pairs, size);
            if (!(slack <= 0.4f)) {  // NaN too
                const auto gaps = static_cast<float>(count_cjk_gaps(text));
                joinable = joinable && gaps > 0 && slack <= size * gaps * 0.05f + 0.4f;
            }
        }

        std::vector<std::uint8_t> flags;
        if (m < in.marker_flags.size()) flags = in.marker_flags[m];

        std::vector<float> advances = collect_char_advances(text, block.font, size);
        if (in.marker_factors) {
            const std::size_t k = std::min(flags.size(), advances.size());
            for (std::size_t i = 0; i < k; ++i) {
                if (flags[i] != 0) advances[i] *= in.marker_factors->size_factor;
            }
        }
        apply_digit_pair_widths(to_code_points(text), advances, in.digit_pairs);

        TextRun run;
        run.fill_color = block.fill_color;
        run.output_glyph_ids = collect_text_glyph_ids(text, block.font);
        run.font_resource = std::string(block.font_resource);
        run.text = text;
        run.source_glyph_ids = copy_ids(block.source_glyph_ids);
        run.advances = std::move(advances);
        run.gap_adjustments = cjk_justification_spacing(text, block.font, joinable, in.digit_pairs, size, target);
        run.marker_flags = std::move(flags);
        run.page_index = block.page_index;
        run.x = m == 0 ? block.x + in.first_indent : block.x;
        run.baseline = in.baselines[m];
        run.font_size = size;
        run.skew = block.skew;
        const NoteMarkerScale factors = in.marker_factors.value_or(NoteMarkerScale{});
        run.marker_size_factor = factors.size_factor;
        run.marker_rise_factor = factors.rise_factor;
        out.push_back(std::move(run));
    }
}

}  // namespace zvk::rewrite
