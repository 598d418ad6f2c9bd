// Block classes, size scales, expansion, captions and the small line tests.
#include "layout/block_classes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "layout_font.h"

namespace zvk {
namespace {

TEST(ClassifyHeadingBlock, Table) {
    struct Case {
        const char* name;
        std::uint64_t lines;
        bool bold;
        std::string text;
        float size;
        int expected;
    };
    const std::string twenty = "abcdefghijklmnopqrst";
    const Case cases[] = {
        {"bold line", 1, true, twenty, 10, 1},
        {"bold line with a stop at 13 pt", 1, true, twenty + ".", 13, 0},
        {"large line", 1, false, twenty + "abcdefghij", 13, 3},
        {"small heading", 1, false, twenty, 11.5f, 2},
        {"below small heading size", 1, false, twenty, 11.1f, 0},
        {"three lines at 14 pt, 150 characters", 3, false, repeat("a", 150), 14, 3},
        {"three lines at 14 pt, 160 characters", 3, false, repeat("a", 160), 14, 0},
        {"four lines at 14 pt", 4, false, "short", 14, 0},
        {"two lines at 13 pt", 2, false, "short", 13, 3},
        {"section number", 1, false, "3 Methods", 10, 2},
        {"two digits and a space below 12 pt", 1, false, "12 Results", 10, 0},
        {"two digits and a space when bold", 1, true, "12 Results", 10, 2},
        {"two digits and a space at 12 pt", 1, false, "12 Results", 12, 2},
        {"two numbers", 1, false, "2.1 Setup", 10, 1},
        {"two numbers ending a sentence", 1, false, "2.1 Setup.", 10, 0},
        {"three components", 1, false, "1.2.3 Details", 10, 0},
        {"stop without a digit", 1, false, "1. Intro", 10, 0},
        {"three digits", 1, false, "123 Main", 10, 0},
        {"cjk after the number", 1, false, "3章节", 10, 2},
        {"one letter-digit run", 1, false, "3 Layer2 model", 10, 2},
        {"two letter-digit runs", 1, false, "3 Layer2 and H2O", 10, 0},
        {"ends with de", 1, true, "我们的", 10, 0},
        {"ends with a fullwidth comma", 1, true, "我们，", 16, 0},
        {"ends with a comma", 1, true, "Results,", 16, 0},
        {"chinese caption", 1, true, "图 3", 16, 0},
        {"latin caption", 1, true, "Fig. 2", 16, 0},
        {"list item over two lines", 2, false, "1. Item text", 14, 0},
        {"empty", 1, true, "  ", 16, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classify_heading_block(c.lines, c.bold, c.text, c.size), c.expected) << c.name;
    }
}

TEST(ClassSizeScale, Table) {
    const CjkSizeLadder ladder{0.9f, 1.02f, 0.96f, 1.0f, 1.6f, 1.408f};
    struct Case {
        int block_class;
        float size;
        float expected;
    };
    const Case cases[] = {
        {0, 10, 0.9f},
        {1, 8, 1.275f},
        {1, 20, 1.02f},
        {1, 2, 1.35f},                 // clamped from above
        {2, 10, (1.02f + 0.14f) * 10.0f / 10.0f},
        {2, 14, 0.96f},
        {3, 10, 1.0f},
        {9, 10, 0.9f},
        {0, std::numeric_limits<float>::quiet_NaN(), 0.9f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(class_size_scale(static_cast<std::uint8_t>(c.block_class), ladder, c.size), c.expected)
            << c.block_class << " at " << c.size;
    }
    // Never below the body scale.
    const CjkSizeLadder high{1.05f, 1.05f, 1.0f, 1.0f, 1.6f, 1.408f};
    EXPECT_FLOAT_EQ(class_size_scale(3, high, 20), 1.05f);
}

TEST(CjkSizeLadder, FromScaleAndLeading) {
    struct Case {
        float s, l;
        CjkSizeLadder expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0.9f, 1.6f, {0.9f, 1.02f, 0.96f, 0.96f, 1.6f, 1.408f}},
        {2.0f, 3.0f, {1.05f, 1.05f, 1.05f, 1.0f, 2.2f, 1.936f}},
        {nan, nan, {0.65f, 0.77f, 0.96f, 0.71f, 1.25f, 1.25f}},
        {0.1f, 1.0f, {0.65f, 0.77f, 0.96f, 0.71f, 1.25f, 1.25f}},
    };
    for (const Case& c : cases) {
        const CjkSizeLadder got = make_cjk_size_ladder(c.s, c.l);
        EXPECT_FLOAT_EQ(got.k0, c.expected.k0) << c.s;
        EXPECT_FLOAT_EQ(got.k1, c.expected.k1) << c.s;
        EXPECT_FLOAT_EQ(got.k2, c.expected.k2) << c.s;
        EXPECT_FLOAT_EQ(got.k3, c.expected.k3) << c.s;
        EXPECT_FLOAT_EQ(got.leading, c.expected.leading) << c.l;
        EXPECT_FLOAT_EQ(got.min_leading, c.expected.min_leading) << c.l;
    }
}

TEST(BlockExpansionFactor, Table) {
    struct Case {
        const char* name;
        std::uint64_t lines;
        bool bold;
        std::string text;
        float size;
        float expected;
    };
    const std::string sentence = repeat("这", 30);
    const Case cases[] = {
        {"multi-line body", 3, false, "some body text", 10, 2.0f},
        {"one-line heading", 1, false, "3 Methods", 10, 0},
        {"one-line sentence", 1, false, sentence + "。", 10, 2.0f},
        {"one-line sentence without a terminator", 1, false, sentence, 10, 0},
        {"24 letters", 1, false, repeat("a", 24) + ".", 10, 2.0f},
        {"23 letters", 1, false, repeat("a", 23) + ".", 10, 0},
        {"bullet", 3, false, "\u2022 item", 10, 0},
        {"caption", 3, false, "Figure 2: a plot", 10, 0},
        {"address", 1, false, sentence + "a@b。", 10, 0},
        {"bold line", 1, true, sentence + "。", 10, 0},
        {"large line", 1, false, sentence + "。", 12.5f, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(block_expansion_factor(c.lines, c.bold, c.text, c.size), c.expected) << c.name;
    }
}

TEST(IsCaptionText, Table) {
    const std::pair<const char*, bool> cases[] = {
        {"Figure 3", true}, {"fig. 2", true}, {"FIG 1", true}, {"Table", true}, {"tab. 3", true},
        {"  Figures", true}, {"Tabular", false}, {"Fig2", false}, {"图 3", true}, {"图：结构", true},
        {"表\u30001", true}, {"图像", false}, {"图", false}, {"", false},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(is_caption_text(text), expected) << text;
}

TEST(EndsWithSentenceTerminator, Table) {
    const std::pair<const char*, bool> cases[] = {
        {"好。", true}, {"Why?", true}, {"Yes!", true}, {"好！", true}, {"好？", true},
        {"ok. ", false}, {"", false}, {"好，", false},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ends_with_sentence_terminator(text), expected) << text;
}

TEST(HasJoinableNextLine, Table) {
    using Lines = std::vector<std::string>;
    EXPECT_FALSE(has_joinable_next_line(Lines{"a", "股票600000：上涨"}, 0));
    EXPECT_TRUE(has_joinable_next_line(Lines{"a", "股票上涨"}, 0));
    EXPECT_TRUE(has_joinable_next_line(Lines{"a", "股票600000"}, 0));  // digits to the end: no item
    EXPECT_FALSE(has_joinable_next_line(Lines{"a", "b"}, 1));
    EXPECT_FALSE(has_joinable_next_line(Lines{}, 0));
}

TEST(SpaceCjkLatinBoundaries, Table) {
    struct Case {
        std::string text;
        std::vector<std::uint8_t> flags;
        std::string expected;
        std::vector<std::uint8_t> expected_flags;
    };
    const Case cases[] = {
        {"使用GPU训练", {1, 1, 2, 2, 2, 3, 3}, "使用 GPU 训练", {1, 1, 0, 2, 2, 2, 0, 3, 3}},
        {"第3章", {1, 1, 1}, "第3章", {1, 1, 1}},
        {"中a", {}, "中 a", {0, 0, 0}},
        {"a 中", {5}, "a 中", {5, 0, 0}},
        {"", {}, "", {}},
    };
    for (const Case& c : cases) {
        const auto [text, flags] = space_cjk_latin_boundaries(c.text, c.flags);
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(flags, c.expected_flags) << c.text;
    }
}

TEST(PositiveF32FromEnv, Table) {
    const char* name = "ZVK_TEST_LAYOUT_POSITIVE_F32";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* value;  // nullptr: unset
        float setting;
        float expected;
    };
    const Case cases[] = {
        {" 1.2 ", 0, 1.2f}, {"abc", 0, 7}, {"-1", 0, 7}, {"0", 0, 7}, {"inf", 0, 7}, {"nan", 0, 7},
        {"1.2x", 0, 7},     {"", 0, 7},    {nullptr, 0, 7}, {"1.2", 0.8f, 0.8f}, {"1.2", nan, 1.2f},
        {"1.2", inf, 1.2f}, {"1.2", -3, 1.2f}, {"\u30001.5\u3000", 0, 1.5f},
    };
    for (const Case& c : cases) {
        if (c.value) {
            setenv(name, c.value, 1);
        } else {
            unsetenv(name);
        }
        EXPECT_FLOAT_EQ(positive_f32_from_env(name, c.setting, 7), c.expected)
            << (c.value ? c.value : "unset") << " " << c.setting;
    }
    unsetenv(name);
}

}  // namespace
}  // namespace zvk
