#include "rewrite/placement/run_in_alignment.h"

#include <array>
#include <cmath>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/measures.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

constexpr std::array<std::u32string_view, 14> kKeywordPrefixes = {
    U"指令", U"说明", U"示例", U"文本", U"文字", U"输出", U"角色",
    U"背景", U"输入", U"语气", U"语调", U"人设", U"输出格式", U"角色设定",
};

bool is_cjk(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xAC00 && c <= 0xD7AF);
}

float spread(const std::vector<float>& values) {
    float lo = values.front();
    float hi = values.front();
    for (float v : values) {
        lo = edge_min(lo, v);
        hi = edge_max(hi, v);
    }
    return hi - lo;
}

}  // namespace

RunInLabelAlignment align_run_in_label_on_page(std::span<const GlyphLineBox> page_boxes, const RunInLabel& label) {
    std::vector<float> starts;
    std::vector<float> ends;
    std::vector<float> bodies;
    for (const GlyphLineBox& box : page_boxes) {
        const RewriteLine line{box.glyphs, box.baseline, box.x0, box.x1};
        const std::optional<RunInLabel> found = detect_run_in_label(std::span<const RewriteLine>(&line, 1));
        if (found && found->is_keyword && std::fabs(found->body_x - label.body_x) <= 3.0f) {
            starts.push_back(found->label_x0);
            ends.push_back(found->label_x1);
            bodies.push_back(found->body_x);
        }
    }
    if (starts.empty()) {
        starts.push_back(label.label_x0);
        ends.push_back(label.label_x1);
        bodies.push_back(label.body_x);
    }
    const float d = spread(ends);
    const float f = spread(starts) + 0.5f;
    RunInLabelAlignment result;
    if (f < d) {
        result.label_x = upper_median(starts);
        result.right_aligned = false;
    } else {
        result.label_x = upper_median(ends);
        result.right_aligned = true;
    }
    result.body_x = upper_median(bodies);
    return result;
}

RunInLabelAlignment align_run_in_label_on_page(PageContext& context, std::uint32_t page, const RunInLabel& label) {
    return align_run_in_label_on_page(context.line_boxes(page), label);
}

RunInLabelAlignment align_run_in_label_on_page(std::span<const Glyph> glyphs, std::uint32_t page,
                                               const RunInLabel& label) {
    return align_run_in_label_on_page(collect_page_text_runs(glyphs, page), label);
}

std::optional<RunInLabelSplit> split_translated_run_in_label(std::string_view text) {
    std::vector<Utf8Step> chars;
    for (Utf8Step step : Utf8Range(text)) chars.push_back(step);
    const auto scalar = [&](std::size_t i) { return chars[i].valid ? chars[i].scalar : kReplacementChar; };
    if (chars.empty() || !is_cjk(scalar(0))) return std::nullopt;
    std::size_t k = 0;
    while (k < chars.size() && k < 4 && is_cjk(scalar(k))) ++k;
    if (k < 2) return std::nullopt;
    std::u32string prefix;
    for (std::size_t i = 0; i < k; ++i) prefix.push_back(scalar(i));
    bool keyword = false;
    for (std::u32string_view word : kKeywordPrefixes) keyword = keyword || prefix == word;
    if (k >= chars.size()) return std::nullopt;  // no separator
    const char32_t sep = scalar(k);
    const bool followed = k + 1 < chars.size();
    const bool qualifies = sep == U':' || sep == 0xFE55 || sep == 0xFF1A ||
                           (sep == U' ' && followed && is_ascii_digit(scalar(k + 1)));
    bool accepted = qualifies;
    if (keyword && (sep == U' ' || sep == 0x00A0)) accepted = followed;
    if (!accepted) return std::nullopt;
    const std::size_t body_start = chars[k].offset + chars[k].length;
    RunInLabelSplit split;
    split.label = std::string(text.substr(0, body_start));
    split.body = std::string(trim_leading_white_space(text.substr(body_start)));
    if (split.body.empty()) return std::nullopt;
    return split;
}

}  // namespace zvk::rewrite
