// Widths in the output font: advances, digit-pair widths, hanging marks,
// CJK gaps and line fullness.
#include "layout/measure.h"

#include <gtest/gtest.h>

#include "layout/char_classes.h"
#include "layout_font.h"

namespace zvk {
namespace {

TEST(TextWidth, Table) {
    struct Case {
        std::string text;
        float size;
        float expected;
    };
    const Case cases[] = {
        {"", 10, 0},
        {"~~~", 10, 30},           // missing characters measure one em
        {"\ud55c\uad6d", 10, 20},  // Hangul is not in the font either
        {"ab", 7, 7},              // 500 x 7 / 1000 each
        {"中a", 10, 15},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(text_width(c.text, layout_font(), c.size), c.expected) << c.text;
    SubsetFont empty;
    EXPECT_FLOAT_EQ(text_width("ab中", empty, 12), 36);
}

TEST(MeasureLineWidth, HangingMarksOnlyWithoutDigitPairs) {
    const DigitPairWidthMap none;
    const DigitPairWidthMap pairs{{99, 1.0f}};
    struct Case {
        std::string text;
        const DigitPairWidthMap* map;
        float expected;
    };
    const Case cases[] = {
        {"好。", &none, 10},  {"Hello,", &none, 25}, {"。", &none, 10}, {"好）", &none, 20},
        {"好！", &none, 10},  {"好。", &pairs, 20},  {"", &none, 0},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(measure_line_width(c.text, layout_font(), *c.map, 10), c.expected) << c.text;
    }
    EXPECT_FLOAT_EQ(measure_line_width("12\u3000\u3000X", layout_font(), DigitPairWidthMap{{12, 20.0f}}, 10), 25);
}

TEST(ApplyDigitPairWidths, Table) {
    struct Case {
        const char* name;
        std::u32string chars;
        DigitPairWidthMap map;
        std::vector<float> expected;
    };
    const std::u32string run = U"12\u3000\u3000X";
    const Case cases[] = {
        {"stored width", run, {{12, 20.0f}}, {20, 0, 0, 0, 5}},
        {"at least 0.4", run, {{12, 0.1f}}, {0.4f, 0, 0, 0, 5}},
        {"empty map", run, {}, {5, 5, 10, 10, 5}},
        {"other key", run, {{13, 20.0f}}, {5, 5, 10, 10, 5}},
        {"no ideographic space", U"12X", {{12, 20.0f}}, {5, 5, 5}},
        {"single digit", U"a1\u3000", {{1, 20.0f}}, {5, 5, 10}},
        {"two characters", U"12", {{12, 20.0f}}, {5, 5}},
        {"second run", U"X34\u3000", {{34, 8.0f}}, {5, 8, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<float> widths = char_widths(c.chars, layout_font(), 10);
        apply_digit_pair_widths(c.chars, widths, c.map);
        EXPECT_EQ(widths, c.expected) << c.name;
    }
    std::vector<float> mismatched{1, 2};
    apply_digit_pair_widths(run, mismatched, {{12, 20.0f}});
    EXPECT_EQ(mismatched, (std::vector<float>{1, 2}));
}

TEST(CjkGaps, Table) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"中文abc日本", 2}, {"\ud55c\uad6d", 1}, {"中 文", 0}, {"", 0}, {"ひらがな", 3}, {"中", 0},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(count_cjk_gaps(text), expected) << text;
        EXPECT_EQ(count_cjk_gaps(std::span<const char32_t>(to_code_points(text))), expected) << text;
        EXPECT_EQ(cjk_gap_indices(to_code_points(text)).size(), expected) << text;
    }
    EXPECT_EQ(cjk_gap_indices(to_code_points("中文abc日本")), (std::vector<std::size_t>{0, 5}));
}

TEST(LineIsFull, Table) {
    struct Case {
        std::string text;
        float target;
        bool full;
    };
    const Case cases[] = {
        {"中文", 20.4f, true},      // slack 0.4
        {"中文字", 31.3f, true},    // two gaps: 10 x 2 x 0.05 + 0.4 = 1.4
        {"中文", 21.3f, false},     // one gap: 0.9
        {"abcd", 20.5f, false},     // no gaps
        {"中文字。", 31.3f, true},  // the stop hangs
        {"中文", 19.0f, true},      // overfull
    };
    for (const Case& c : cases) EXPECT_EQ(line_is_full(c.text, layout_font(), 10, c.target), c.full) << c.text;
}

}  // namespace
}  // namespace zvk
