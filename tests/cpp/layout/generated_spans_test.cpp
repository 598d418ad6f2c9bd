// On generated mixed texts, wrapping and splitting keep addresses, URLs,
// citations and numbers whole: the wrapper whenever the span is narrower than
// half a line (only its last-resort breaks may cut longer ones), the splitter
// always.
#include <gtest/gtest.h>

#include <random>

#include "layout/split_lines.h"
#include "layout/wrap.h"
#include "layout_font.h"

namespace zvk {
namespace {

const std::vector<std::string> kCjkWords = {"数据", "模型", "训练", "结果", "方法", "实验", "系统", "分析"};
const std::vector<std::string> kLatinWords = {"model", "data", "the", "network", "GPU", "loss"};
const std::vector<std::string> kSpans = {
    "98.5",       "1,000",        "3.14159",   "2,500.75",           "a.b@ex.com",
    "li@uni.edu", "https://example.org", "www.abc.cn", "(Smith et al., 2021)", "(2020, 2021)",
};

std::size_t count_occurrences(std::string_view haystack, std::string_view needle) {
    std::size_t count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string_view::npos; at = haystack.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

// A CJK word before every span keeps the span's own edges: an address's local
// part stops at it.
std::string generate_text(std::mt19937& random) {
    std::string text;
    for (int token = 0; token < 30; ++token) {
        text += kCjkWords[random() % kCjkWords.size()];
        switch (random() % 3) {
        case 0:
            text += kSpans[random() % kSpans.size()];
            break;
        case 1:
            text += " " + kLatinWords[random() % kLatinWords.size()] + " ";
            break;
        default:
            break;
        }
    }
    return text;
}

std::size_t count_in_lines(const std::vector<std::string>& lines, std::string_view span) {
    std::size_t count = 0;
    for (const std::string& line : lines) count += count_occurrences(line, span);
    return count;
}

// Every span of the text narrower than half a line is found whole in the
// lines as often as in the text.
void expect_narrow_spans_whole(const std::string& text, const std::vector<std::string>& lines, float line_width) {
    for (const std::string& span : kSpans) {
        const std::size_t in_text = count_occurrences(text, span);
        if (in_text == 0 || !(text_width(span, layout_font(), 10) < 0.5f * line_width)) continue;
        EXPECT_EQ(count_in_lines(lines, span), in_text) << span << " at width " << line_width << " in " << text;
    }
}

TEST(GeneratedMixedTexts, SpansStayWhole) {
    std::mt19937 random(50);
    int wrapped_texts = 0;
    for (int round = 0; round < 200; ++round) {
        const std::string text = generate_text(random);
        for (const float width : {60.0f, 90.0f, 150.0f, 250.0f}) {
            const auto lines = wrap_text_plain(text, layout_font(), 10, width, width);
            ASSERT_TRUE(lines) << text;
            ++wrapped_texts;
            expect_narrow_spans_whole(text, *lines, width);
            // The splitter keeps every span that the lines hold whole.
            std::vector<std::string> split = *lines;
            split_lines_to_count(split, split.size() * 2);
            EXPECT_GT(split.size(), lines->size());
            for (const std::string& span : kSpans) {
                EXPECT_EQ(count_in_lines(split, span), count_in_lines(*lines, span)) << span << " in " << text;
            }
        }
    }
    EXPECT_EQ(wrapped_texts, 800);
}

}  // namespace
}  // namespace zvk
