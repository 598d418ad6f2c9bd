#include "rewrite/placement/formula_slot_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace zvk::rewrite {
namespace {

// A run is cut around its slots from left to right, whatever order the scan
// met them in; two slots that start together (not made by the scan, but
// possible in a hand-built list) keep their order.
TEST(SortFormulaSlots, ByStartAndStable) {
    std::vector<FormulaSlot> slots = {
        {.run_index = 0, .start = 9, .end = 12, .formula_index = 1, .repeat = false},
        {.run_index = 0, .start = 2, .end = 5, .formula_index = 0, .repeat = false},
        {.run_index = 0, .start = 9, .end = 11, .formula_index = 3, .repeat = true},
        {.run_index = 0, .start = 0, .end = 2, .formula_index = 2, .repeat = false},
    };
    sort_formula_slots(slots);
    std::vector<std::size_t> order;
    for (const FormulaSlot& s : slots) order.push_back(s.formula_index);
    EXPECT_EQ(order, (std::vector<std::size_t>{2, 0, 1, 3}));
}

}  // namespace
}  // namespace zvk::rewrite
