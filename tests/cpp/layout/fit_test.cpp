// Font-size fitting: the floors of each kind of text, the heading reserve,
// the pitch rules, the last-line balancing and non-finite inputs.
#include "layout/fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "layout_font.h"

namespace zvk {
namespace {

using Lines = std::vector<std::string>;

const CjkSizeLadder kLadder{1.0f, 1.0f, 1.0f, 1.0f, 1.6f, 1.4f};

struct Box {
    float a;  // source size
    float c;  // box width
    float e;  // baseline span
};

std::optional<FittedText> fit(std::string_view text, Box box) {
    return fit_text_in_box(text, layout_font(), kLadder, false, box.a, 1.0f, box.c, 0.0f, box.e, 0.0f,
                           DigitPairWidthMap{});
}

TEST(FitTextInBox, SingleLineSlotAtTheStartSize) {
    const auto got = fit("甲乙丙", {10, 100, 0});
    ASSERT_TRUE(got);
    EXPECT_EQ(got->lines, (Lines{"甲乙丙"}));
    EXPECT_FLOAT_EQ(got->font_size, 10);
    EXPECT_FLOAT_EQ(got->line_pitch, 16);
    EXPECT_FLOAT_EQ(got->first_line_indent, 0);
}

TEST(FitTextInBox, HeadingReturnsItsLargestTwoLineResult) {
    // 30 characters at 18 pt never fit 300 points on one line, not even at
    // the floor of 0.8 x 18.
    const auto got = fit(repeat("甲", 30), {18, 300, 0});
    ASSERT_TRUE(got);
    EXPECT_EQ(got->lines.size(), 2u);
    EXPECT_FLOAT_EQ(got->font_size, 18);
    EXPECT_FLOAT_EQ(got->line_pitch, 1.05f * 18);
    // Six characters: the first two-line result (at 20 pt) is held back
    // while smaller sizes are tried, and wins at the floor.
    const auto six = fit("甲乙丙丁戊己", {20, 62, 0});
    ASSERT_TRUE(six);
    EXPECT_EQ(six->lines, (Lines{"甲乙丙", "丁戊己"}));
    EXPECT_FLOAT_EQ(six->font_size, 20);
    EXPECT_FLOAT_EQ(six->line_pitch, 21);
    // Five: the last line of two characters is a short tail, never held
    // back; the heading is taken at its floor of 0.8 x 20.
    const auto five = fit("甲乙丙丁戊", {20, 62, 0});
    ASSERT_TRUE(five);
    EXPECT_EQ(five->lines, (Lines{"甲乙丙", "丁戊"}));
    EXPECT_FLOAT_EQ(five->font_size, 16);
    EXPECT_FLOAT_EQ(five->line_pitch, 1.05f * 16);
}

TEST(FitTextInBox, FloorsOfEachKind) {
    struct Case {
        const char* name;
        std::string text;
        Box box;
        float below;     // the result is smaller than this
        float at_least;  // and not smaller than this
        std::size_t lines;
    };
    const Case cases[] = {
        // Four characters or fewer: down to 0.5 x a.
        {"short heading", "甲乙丙丁", {20, 50, 0}, 16, 10, 1},
        // Every gap unbreakable: down to 0.5 x a.
        {"unbreakable text", "www.example.com", {10, 39, 0.6f}, 6.2f, 5, 1},
        // A single-line slot whose last line keeps three characters or fewer
        // lowers its floor once from 0.8 x a to 0.62 x a.
        {"floor lowered once", repeat("甲", 6) + " abc", {10, 62, 0}, 8, 6.2f, 1},
    };
    for (const Case& c : cases) {
        const auto got = fit(c.text, c.box);
        ASSERT_TRUE(got) << c.name;
        EXPECT_LT(got->font_size, c.below) << c.name;
        EXPECT_GE(got->font_size, c.at_least) << c.name;
        EXPECT_EQ(got->lines.size(), c.lines) << c.name;
    }
}

TEST(FitTextInBox, AcceptedAtTheFloor) {
    // Body text with a baseline span: the floor is 0.62 x a, and there the
    // span pitch is taken when it is at least 1.05 x the size.
    const auto body = fit(repeat("甲", 20), {10, 100, 7});
    ASSERT_TRUE(body);
    EXPECT_FLOAT_EQ(body->font_size, 0.62f * 10);
    EXPECT_EQ(body->lines.size(), 2u);
    EXPECT_FLOAT_EQ(body->line_pitch, 7);
    // The same span at 5 is too tight at the floor: no result.
    EXPECT_FALSE(fit(repeat("甲", 20), {10, 100, 5}));
    // A narrow single-line slot accepts two lines at 0.8 x a with the pitch
    // equal to the size when the last line holds four characters or more.
    const auto narrow = fit(repeat("甲", 12), {10, 62, 0});
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->lines.size(), 2u);
    EXPECT_FLOAT_EQ(narrow->font_size, 8);
    EXPECT_FLOAT_EQ(narrow->line_pitch, 8);
}

TEST(FitTextInBox, SpanPitch) {
    // At a span of 20 three lines need 20 / 2 + 0.8 >= 1.4 x s; two lines
    // take min(1.6 x s, 20).
    const auto got = fit(repeat("甲", 20), {10, 100, 20});
    ASSERT_TRUE(got);
    ASSERT_EQ(got->lines.size(), 2u);
    EXPECT_FLOAT_EQ(got->font_size, 10);
    EXPECT_FLOAT_EQ(got->line_pitch, 16);
}

TEST(FitTextInBox, LastLineBalancingAndStrandedCharacters) {
    // The last line "甲。" holds one CJK character: it takes the one before.
    const auto balanced = fit("乙乙乙甲。", {10, 30, 40});
    ASSERT_TRUE(balanced);
    EXPECT_EQ(balanced->lines, (Lines{"乙乙", "乙甲。"}));
    // Large text: two CJK characters after a Latin word go to the next line.
    const auto large = fit("abcdefgh甲乙丙丁", {16, 100, 40});
    ASSERT_TRUE(large);
    EXPECT_EQ(large->lines, (Lines{"abcdefgh", "甲乙丙丁"}));
    EXPECT_FLOAT_EQ(large->line_pitch, 1.6f * 16);
}

TEST(FitTextInBox, IndentOfTheFirstLine) {
    const auto ems = fit_text_in_box("甲乙丙丁戊己", layout_font(), kLadder, false, 10, 1, 40, 2, 40, 99, {});
    ASSERT_TRUE(ems);
    EXPECT_EQ(ems->lines, (Lines{"甲乙", "丙丁戊己"}));
    EXPECT_FLOAT_EQ(ems->first_line_indent, 20);
    const auto absolute = fit_text_in_box("甲乙丙丁戊己", layout_font(), kLadder, true, 10, 1, 40, 2, 40, 10, {});
    ASSERT_TRUE(absolute);
    EXPECT_EQ(absolute->lines, (Lines{"甲乙丙", "丁戊己"}));
    EXPECT_FLOAT_EQ(absolute->first_line_indent, 10);
}

TEST(FitTextInBox, NonFiniteInputsEndInNoneOrAFiniteResult) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // An infinite start size has no size to shrink from.
    EXPECT_FALSE(fit("甲乙丙", {inf, 100, 0}));
    EXPECT_FALSE(fit_text_in_box("甲乙丙", layout_font(), kLadder, false, 10, inf, 100, 0, 0, 0, {}));
    struct Case {
        float a, b, c, e;
    };
    const Case cases[] = {
        {nan, 1, 100, 0}, {10, nan, 100, 0}, {10, 1, nan, 0}, {10, 1, inf, 0}, {10, 1, 100, nan},
        {10, 1, 100, inf}, {-10, 1, 100, 0}, {10, 1, -5, 30}, {0, 0, 0, 0}, {nan, nan, nan, nan},
    };
    for (const Case& c : cases) {
        const auto got =
            fit_text_in_box(repeat("甲乙 ", 10), layout_font(), kLadder, false, c.a, c.b, c.c, 0, c.e, 0, {});
        if (!got) continue;
        EXPECT_TRUE(std::isfinite(got->font_size) && got->font_size > 0) << c.a << " " << c.b << " " << c.c;
        EXPECT_TRUE(std::isfinite(got->line_pitch)) << c.a << " " << c.b << " " << c.c << " " << c.e;
        EXPECT_FALSE(got->lines.empty());
    }
}

}  // namespace
}  // namespace zvk
