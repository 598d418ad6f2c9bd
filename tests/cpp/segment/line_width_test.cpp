// The typical line width of each page.
#include "segment/line_width.h"

#include <gtest/gtest.h>

#include <limits>

namespace zvk {
namespace {

TEST(TypicalLineWidth, Table) {
    struct Case {
        const char* name;
        std::vector<float> widths;
        float expected;
    };
    const Case cases[] = {
        {"one width", {320}, 320},
        {"two widths: the larger", {200, 100}, 200},
        {"four widths: the largest", {40, 10, 30, 20}, 40},
        {"five widths: index 3", {50, 10, 40, 20, 30}, 40},
        {"eight widths: index 6", {70, 20, 80, 10, 50, 40, 60, 30}, 70},
        {"a NaN sorts last", {10, 20, std::numeric_limits<float>::quiet_NaN(), 30, 40}, 40},
    };
    for (const Case& c : cases) {
        auto typical = typical_line_width_by_page({{5, c.widths}});
        ASSERT_EQ(typical.size(), 1u) << c.name;
        EXPECT_EQ(typical.at(5), c.expected) << c.name;
    }
}

TEST(TypicalLineWidth, PagesAreMeasuredApart) {
    const std::uint32_t high_page = 1u << 31;
    auto typical = typical_line_width_by_page({{0, {100, 200}}, {high_page, {30}}, {7, {}}});
    EXPECT_EQ(typical, (std::map<std::uint32_t, float>{{0, 200}, {high_page, 30}}));  // no entry for an empty list
}

}  // namespace
}  // namespace zvk
