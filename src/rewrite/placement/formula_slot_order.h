// Formula slots in placed runs: where a formula's reserved space stands in a
// run's text (two digits naming the formula, then ideographic spaces), and the
// left-to-right order in which a run is cut around its slots.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zvk::rewrite {

struct FormulaSlot {
    std::size_t run_index = 0;      // the run, among the segment's runs, whose text holds the slot
    std::size_t start = 0;          // character index of the first digit
    std::size_t end = 0;            // character index after the last U+3000
    std::size_t formula_index = 0;  // the formula group the digits name
    bool repeat = false;            // an earlier slot of the segment named the same group
};

// By start ascending; slots that start together keep their order.
inline void sort_formula_slots(std::vector<FormulaSlot>& slots) {
    std::stable_sort(slots.begin(), slots.end(),
                     [](const FormulaSlot& a, const FormulaSlot& b) { return a.start < b.start; });
}

}  // namespace zvk::rewrite
