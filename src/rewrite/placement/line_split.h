// Setting a translation on as many lines as its source had: cutting the text
// into a line count (two lines prefer a cut after a short first word), keeping
// a minimum step between baselines, and the glyphs' baselines.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// The trimmed text in `count` lines: for two lines a first word of at most 12
// characters and a rest of at least three visible characters split at the
// first space; otherwise the general split of the text layout.
std::vector<std::string> split_text_into_line_count(std::string_view text, std::size_t count);

// The baselines, top first, with every later line lowered so that neighbours
// stand at least 1.05 × max(size, 1) apart. A NaN distance lowers nothing.
std::vector<float> enforce_baseline_step(std::vector<float> baselines, float size);

// The origin y of every glyph, in order.
std::vector<float> collect_glyph_baselines(std::span<const Glyph* const> glyphs);

}  // namespace zvk::rewrite
