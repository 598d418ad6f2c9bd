// Flowing a text over line slots and over single-line areas.
#include "layout/slots.h"

#include <gtest/gtest.h>

#include "layout/char_classes.h"
#include "layout_font.h"

namespace zvk {
namespace {

using Lines = std::vector<std::string>;
using SlotLines = std::vector<Lines>;

TEST(FlowTextIntoSlots, Table) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<LineSlot> slots;
        float indent;
        std::optional<SlotLines> expected;
    };
    const std::string ten = repeat("甲", 10);
    const std::string five = repeat("甲", 5);
    const Case cases[] = {
        {"three lines over two slots", repeat("甲", 25), {{2, 100}, {2, 100}}, 0, SlotLines{{ten, ten}, {five}}},
        {"five lines do not fit", repeat("甲", 50), {{2, 100}, {2, 100}}, 0, std::nullopt},
        {"zero lines count as one", "甲乙丙丁", {{0, 20}, {0, 20}}, 0, SlotLines{{"甲乙"}, {"丙丁"}}},
        {"slot narrower than an em", "甲乙", {{2, 3}}, 0, SlotLines{{"甲", "乙"}}},
        {"indent on the first line", "甲乙丙丁戊", {{2, 30}}, 10, SlotLines{{"甲乙", "丙丁戊"}}},
        {"indent never below half an em", "甲乙丙丁戊", {{3, 30}}, 100, SlotLines{{"甲", "乙丙丁", "戊"}}},
        {"indent only in the first slot", "甲乙丙丁戊", {{1, 30}, {1, 30}}, 10, SlotLines{{"甲乙"}, {"丙丁戊"}}},
        {"trailing spaces are accepted", "甲乙 ", {{1, 20}}, 0, SlotLines{{"甲乙"}}},
        {"a trailing ideographic space is not", "甲乙\u3000", {{1, 20}}, 0, std::nullopt},
        {"slot after the text gets nothing", "甲乙", {{1, 20}, {1, 20}}, 0, SlotLines{{"甲乙"}, {}}},
        {"blank text", " \u3000 ", {{1, 20}}, 0, std::nullopt},
        {"no slots", "甲", {}, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = flow_text_into_slots(c.text, c.slots, layout_font(), 10, c.indent, false, DigitPairWidthMap{});
        EXPECT_EQ(got, c.expected) << c.name;
    }
    EXPECT_FALSE(flow_text_into_slots("甲", {{1, 20}}, layout_font(), 0, 0, false, {}));
    EXPECT_FALSE(flow_text_into_slots("甲", {{1, 20}}, layout_font(), std::numeric_limits<float>::quiet_NaN(), 0,
                                      false, {}));
}

TEST(ConsumedCharCount, Table) {
    const std::u32string text = U"AB CD";
    EXPECT_EQ(consumed_char_count(text, {"AB", "CD"}), 5u);
    EXPECT_EQ(consumed_char_count(text, {"AB", "CE"}), 0u);
    EXPECT_EQ(consumed_char_count(text, {"ABCDE"}), 0u);
    EXPECT_EQ(consumed_char_count(text, {"AB"}), 3u);  // the space after the line
    EXPECT_EQ(consumed_char_count(U"AB\u3000C", {"AB"}), 2u);  // an ideographic space is text
}

TEST(DistributeTextOverAreas, Table) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<LineArea> areas;
        std::optional<Lines> expected;
    };
    const std::vector<LineArea> wide_narrow_wide{{0, 300}, {310, 340}, {350, 650}};
    const Case cases[] = {
        {"empty narrow area takes two characters", "甲乙丙丁", wide_narrow_wide, Lines{"甲乙", "丙丁", ""}},
        {"too few characters to give", "甲乙", wide_narrow_wide, Lines{"甲乙", "", ""}},
        {"latin end gives nothing", "甲乙丙a", wide_narrow_wide, Lines{"甲乙丙a", "", ""}},
        {"one character after latin", "ab甲", wide_narrow_wide, Lines{"ab", "甲", ""}},
        {"no narrow area", "甲乙丙丁", {{0, 300}, {310, 510}}, std::nullopt},
        {"one area", "甲乙丙丁", {{0, 30}}, std::nullopt},
        {"text over all areas", repeat("甲", 33), wide_narrow_wide,
         Lines{repeat("甲", 30), "甲甲甲", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(distribute_text_over_areas(c.text, c.areas, layout_font(), 10, 0, DigitPairWidthMap{}), c.expected)
            << c.name;
    }
    // Two characters wider than the narrow area: the last one alone moves.
    const std::vector<LineArea> tight{{0, 300}, {310, 325}, {330, 630}};
    EXPECT_EQ(distribute_text_over_areas("甲乙丙丁", tight, layout_font(), 10, 0, {}), (Lines{"甲乙丙", "丁", ""}));
}

}  // namespace
}  // namespace zvk
