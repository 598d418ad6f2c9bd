// The small decisions taken before a translated block is laid out: its class
// (body, bold run-in line, small heading, display heading), the scale of its
// starting size, whether it may grow into extra lines; and the line tests and
// settings that go with them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "layout/size_ladder.h"

namespace zvk {

// 0 body (captions, list items, continued lines), 1 bold or numbered single
// line, 2 small heading, 3 display heading.
std::uint8_t classify_heading_block(std::uint64_t lines, bool bold, std::string_view text, float size);

// The factor from the source size to the block's starting size, within
// [k0, 1.35].
float class_size_scale(std::uint8_t block_class, const CjkSizeLadder& ladder, float size);

// 2.0 when the block may take extra room, else 0.
float block_expansion_factor(std::uint64_t lines, bool bold, std::string_view text, float size);

bool is_caption_text(std::string_view text);

// Ends in . ! ? or 。！？ (the text is not trimmed).
bool ends_with_sentence_terminator(std::string_view text);

// A line follows `index` and does not start a stock-code item (股票, digits, ：).
bool has_joinable_next_line(const std::vector<std::string>& lines, std::size_t index);

// "使用GPU训练" -> "使用 GPU 训练": a space at every boundary of a CJK character
// and an ASCII letter; each character keeps its flag (a missing one reads 0),
// the inserted spaces get 0.
std::pair<std::string, std::vector<std::uint8_t>> space_cjk_latin_boundaries(
    std::string_view text, const std::vector<std::uint8_t>& flags);

// The setting when it is finite and positive, else the variable's trimmed
// value when it parses whole as a finite positive number, else the default.
float positive_f32_from_env(const char* variable, float setting, float default_value);

// 股票 + ASCII digits + ：starting at c[i] (digits that end the text do not count).
bool stock_code_item_at(const std::u32string_view chars, std::size_t i);

}  // namespace zvk
