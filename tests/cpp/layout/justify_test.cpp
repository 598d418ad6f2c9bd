// The spreading of a nearly full CJK line's slack over its CJK gaps.
#include "layout/justify.h"

#include <gtest/gtest.h>

#include <limits>

#include "layout_font.h"

namespace zvk {
namespace {

TEST(CjkJustificationSpacing, Table) {
    const float third = 1.0f / 3.0f;
    struct Case {
        const char* name;
        std::string text;
        bool justify;
        float target;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"slack 1.0 over three gaps", "甲乙丙丁", true, 41, {third, third, third}},
        {"slack too large", "甲乙丙丁", true, 42, {0, 0, 0}},
        {"slack too small", "甲乙丙丁", true, 40.3f, {0, 0, 0}},
        {"only cjk gaps", "甲乙a丙", true, 35.45f, {0.45f, 0, 0}},
        {"justify off", "甲乙丙丁", false, 41, {0, 0, 0}},
        {"address", "甲乙@丙", true, 35.9f, {0, 0, 0}},
        {"et al", "甲乙 ET AL", true, 45.5f, {0, 0, 0, 0, 0, 0, 0}},
        {"citation", "甲乙(2021)", true, 50.5f, {0, 0, 0, 0, 0, 0, 0}},
        {"no gaps", "abc", true, 15.5f, {0, 0}},
        {"not a number", "甲乙丙丁", true, std::numeric_limits<float>::quiet_NaN(), {0, 0, 0}},
        {"single character", "甲", true, 10.5f, {}},
    };
    for (const Case& c : cases) {
        const std::vector<float> got =
            cjk_justification_spacing(c.text, layout_font(), c.justify, DigitPairWidthMap{}, 10, c.target);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.expected[i], 1e-5) << c.name << " " << i;
    }
    // A very small slack share (below 0.05) adds nothing.
    const auto tiny = cjk_justification_spacing("甲乙丙丁", layout_font(), true, DigitPairWidthMap{}, 0.5f, 2.0f + 0.4f);
    EXPECT_EQ(tiny, (std::vector<float>{0, 0, 0}));
}

}  // namespace
}  // namespace zvk
