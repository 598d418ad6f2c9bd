#include "rewrite/placement/line_split.h"

#include "base/text.h"
#include "base/utf8.h"
#include "layout/split_lines.h"

namespace zvk::rewrite {

std::vector<std::string> split_text_into_line_count(std::string_view text, std::size_t count) {
    const std::string_view t = trim_white_space(text);
    if (count == 2) {
        const std::size_t space = t.find(' ');
        if (space != std::string_view::npos) {
            const std::string_view first = t.substr(0, space);
            const std::string_view rest = trim_white_space(t.substr(space + 1));
            const std::size_t first_chars = count_scalar_values(first);
            if (first_chars > 0 && first_chars <= 12 && collect_non_whitespace_chars(rest).size() >= 3) {
                return {std::string(first), std::string(rest)};
            }
        }
    }
    std::vector<std::string> lines = {std::string(t)};
    split_lines_to_count(lines, count);
    return lines;
}

std::vector<float> enforce_baseline_step(std::vector<float> baselines, float size) {
    const float step = 1.05f * (size > 1.0f ? size : 1.0f);
    for (std::size_t i = 1; i < baselines.size(); ++i) {
        const float d = baselines[i - 1] - baselines[i];
        if (!(d < step)) continue;
        const float lower = step - d;
        for (std::size_t j = i; j < baselines.size(); ++j) baselines[j] -= lower;
    }
    return baselines;
}

std::vector<float> collect_glyph_baselines(std::span<const Glyph* const> glyphs) {
    std::vector<float> out;
    out.reserve(glyphs.size());
    for (const Glyph* g : glyphs) out.push_back(g->matrix[5]);
    return out;
}

}  // namespace zvk::rewrite
