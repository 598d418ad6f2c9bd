#include "rewrite/placement/label_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;

// An empty map measures every character one em: a text of n characters is
// n × size wide.
const font::SubsetFont kEmFont;

// The floor of a search at size 10.
const float kFloor = 0.72f * 10.0f;

// The size after k steps of 0.94 from `from`, in 32-bit floats as the search
// takes them.
float stepped(float from, int k) {
    float s = from;
    for (int i = 0; i < k; ++i) s = 0.94f * s;
    return s;
}

TEST(ShrinkLineToWidth, StepsDownUntilTheTextFits) {
    struct Case {
        const char* name;
        std::string text;
        float x, right, size;
        float expected;
    };
    const std::vector<Case> cases = {
        {"50 wide at 10 fits at once", "abcde", 100, 160, 10, 10},
        {"70 wide at 10 fits at the third step", "abcdefg", 100, 160, 10, stepped(10, 3)},
        {"no size fits: the floor", "abcdefghij", 100, 100, 10, kFloor},
        {"a size below 1 starts at 1", "ab", 100, 160, 0.5f, 1},
        {"a NaN right never fits: the floor", "ab", 100, kNaN, 10, kFloor},
    };
    for (const Case& c : cases) {
        const FittedLabel got = shrink_line_to_width(c.text, kEmFont, c.x, c.right, c.size);
        EXPECT_EQ(got.size, c.expected) << c.name;
        EXPECT_EQ(got.text, c.text) << c.name;
        EXPECT_EQ(got.x, c.x) << c.name;
    }
    EXPECT_NEAR(stepped(10, 3), 8.30584f, 1e-5f);
    // Below 1 the floor stays at 0.72 × the given size, so a text that never
    // fits shrinks from 1 to that floor.
    EXPECT_EQ(shrink_line_to_width("abc", kEmFont, 100, 90, 0.5f).size, 0.72f * 0.5f);
}

TEST(FitLabelBeforeRun, CleansTheLabel) {
    struct Case {
        std::string label;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"\u6CE8\u610F\uFF1A", "\u6CE8\u610F"},
        {" Label : ", "Label"},
        {"Label,", "Label,"},
        {"x\u00A0:\uFE55\uFF1A ", "x"},
        {":Label:", ":Label"},
        {"a;", "a;"},
        {": :", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fit_label_before_run(c.label, false, kEmFont, 100, 300, 10).text, c.expected) << c.label;
    }
}

TEST(FitLabelBeforeRun, PlacesAndShrinks) {
    struct Case {
        const char* name;
        std::string label;
        bool right_align;
        float x, right, size;
        float expected_size, expected_x;
    };
    const std::vector<Case> cases = {
        // 0.85 × 10 = 8.5: two characters are 17 wide and start at 43.
        {"right-aligned at x = 60, fits at once", "AB", true, 60, 300, 10, 8.5f, 60 - 17},
        // Ending at 45, one character never starts at 39.9 or further right:
        // the floor, starting where that leaves it.
        {"right-aligned, too long for the margin", "A", true, 45, 300, 10, kFloor, 45 - kFloor},
        // Ending at 48: 8.5 starts at 39.5, one step down at 40.01.
        {"right-aligned, ends 2 before the run", "A", true, 60, 50, 10, stepped(8.5f, 1), 48 - stepped(8.5f, 1)},
        {"right-aligned, a NaN run start ends it at x", "A", true, 60, kNaN, 10, kFloor, 60 - kFloor},
        {"left-aligned, room enough", "ABC", false, 100, 200, 10, 8.5f, 100},
        {"left-aligned, shrinks until it ends 1.5 before the run", "ABC", false, 100, 126, 10, stepped(8.5f, 1),
         100},
        {"left of 39.9: straight down to the floor", "A", false, 30, 600, 10, kFloor, 30},
        {"a NaN x: to the floor", "A", false, kNaN, 600, 10, kFloor, kNaN},
        {"a tiny size starts at 1", "A", false, 100, 600, 0.5f, 1, 100},
    };
    for (const Case& c : cases) {
        const FittedLabel got = fit_label_before_run(c.label, c.right_align, kEmFont, c.x, c.right, c.size);
        EXPECT_EQ(got.size, c.expected_size) << c.name;
        if (std::isnan(c.expected_x)) {
            EXPECT_TRUE(std::isnan(got.x)) << c.name;
        } else {
            EXPECT_EQ(got.x, c.expected_x) << c.name;
        }
    }
}

}  // namespace
}  // namespace zvk::rewrite
