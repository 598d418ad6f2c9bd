// Whether a line goes on with the paragraph of the line above it, the tests
// that decision consults, and the two rescue passes that give back skipped
// lines which visibly continue kept text.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "content/records.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// `next` continues the paragraph of `prev` (the line above it on the same
// page). `typical_width` is the page's typical line width, 0 where the caller
// has none (which switches off the short-item rule).
bool should_merge_lines(const TextLine& prev, const TextLine& next, float typical_width);

// The end-trimmed text, when it ends with an ASCII letter and '-'.
std::optional<std::string_view> hyphen_end(std::string_view text);
// The text after a leading list number ("1. ", "12) ", "3 ") when a word
// follows it; none for section numbers such as "1.2 ".
std::optional<std::string_view> strip_list_number_prefix(std::string_view text);
// Some glyph is a math glyph, and they are at least as many as the ASCII
// letters of the others, or those are fewer than 16.
bool math_line(std::span<const Glyph* const> glyphs);
bool starts_with_quoted_alnum(std::string_view text);
bool continues_sentence(std::string_view prev_text, std::string_view next_text);
bool continues_list_item(const TextLine& prev, const TextLine& next);
bool continues_bullet_item(const TextLine& prev, const TextLine& next);
// Large (16 or more) lines of one font, flush right, with different left
// edges: a title set ragged left. Pages are not compared.
bool is_right_aligned_pair(const TextLine& prev, const TextLine& next);
// Centred author and affiliation lines: similar sizes, centres within 3 s,
// left edges apart, prev a comma list of three words or more without a
// sentence end, next holding a letter.
bool is_centred_pair(const TextLine& prev, const TextLine& next);
bool shares_font(const TextLine& prev, const TextLine& next);
bool same_font_family(std::string_view a, std::string_view b);
bool is_short_item_line(const TextLine& prev, const TextLine& next, float typical_width);
bool starts_separate_entry(std::string_view prev_text, std::string_view next_text);
bool continues_wide_line(const TextLine& prev, const TextLine& next, float prev_width);
bool has_number_before_title(std::string_view text);
bool is_capitalised_word(std::string_view word);
bool is_bare_marker(std::string_view text);
bool starts_with_dotted_number(std::string_view text);
bool starts_like_entry(std::string_view text);
bool contains_ascii_letter(std::string_view text);

// Gives back every mostly skipped line that continues a hyphenated kept line
// (should_merge_lines with it): its glyphs leave `skipped`.
void hyphen_rescue(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);
// Gives back every mostly skipped line holding a "figure" skip that continues
// a mostly kept line of its page.
void figure_rescue(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
