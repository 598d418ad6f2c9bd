// Folds over placed text runs that the structure passes ask for: the joined
// text of chosen runs, and the highest baseline of two run lists.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "rewrite/placement/text_run.h"

namespace zvk::rewrite {

// The texts of the runs at the positions, in the positions' order, untrimmed
// and without separator. Every position must lie inside `runs`.
std::string join_run_texts_by_index(std::span<const std::size_t> positions, std::span<const TextRun> runs);

// The largest baseline over `first` and then `second` (an absent list is an
// empty one), starting from `start`; NaN baselines are passed over.
float max_run_baseline(std::span<const TextRun* const> first, std::span<const TextRun* const> second, float start);

}  // namespace zvk::rewrite
