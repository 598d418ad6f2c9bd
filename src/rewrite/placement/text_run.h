// TextRun: one drawable line of output text in an embedded CJK font, the
// record every placement and redraw pass produces and the writer draws; with
// its constructors and the per-character advance and glyph-id helpers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"
#include "font/subset_font.h"

namespace zvk::rewrite {

using font::SubsetFont;

struct TextRun {
    Color fill_color;
    // One glyph id per character the output font maps, in order: the CIDs
    // written with Identity-H. Shorter than the text when the font lacks some.
    std::vector<std::uint16_t> output_glyph_ids;
    std::string font_resource;
    std::string text;  // UTF-8
    // The source glyphs this run replaces or stands for; may be empty.
    std::vector<std::uint32_t> source_glyph_ids;
    std::vector<float> advances;         // one per character, in points
    std::vector<float> gap_adjustments;  // one per gap between characters; a missing one is 0
    std::vector<std::uint8_t> marker_flags;  // one per character (1: raised note marker); a missing one is 0
    std::uint32_t page_index = 0;
    float x = 0;
    float baseline = 0;
    float font_size = 0;
    float skew = 0;  // the c entry of the text matrix [1 0 skew 1 x baseline]
    float marker_size_factor = 1.0f;
    float marker_rise_factor = 0.0f;
};

// The style several runs share. The views borrow the caller's values; each
// run gets its own copies of the colour and the resource name.
struct TextRunStyle {
    std::uint32_t page_index = 0;
    float baseline = 0;
    float font_size = 0;
    const Color& fill_color;
    const SubsetFont& font;
    std::string_view font_resource;
    float skew = 0;
};

// The advance of one character in points: one em when the font lacks it.
float char_advance(const SubsetFont& font, char32_t character, float font_size);
std::vector<float> collect_char_advances(std::string_view text, const SubsetFont& font, float font_size);
// The output glyph id of each mapped character, in order; unmapped ones are skipped.
std::vector<std::uint16_t> collect_text_glyph_ids(std::string_view text, const SubsetFont& font);

TextRun build_text_run(std::uint32_t page_index, Color fill_color, std::string_view text, const SubsetFont& font,
                       float x, float baseline, float font_size, float skew, std::string_view font_resource,
                       std::vector<std::uint32_t> source_glyph_ids);
TextRun build_text_run_from_style(const TextRunStyle& style, std::string_view text,
                                  std::vector<std::uint32_t> source_glyph_ids, float x);
// The characters [start, end) of a run, drawn at x. `characters` is the run's
// text split into characters (UTF-8 each); start <= end <= characters.size().
TextRun slice_text_run(const TextRun& run, std::span<const std::string> characters, std::size_t start,
                       std::size_t end, float x);

// The x of character k (at most `characters`, the run's character count): x
// plus the sum of the advances and gap adjustments before it, a missing gap
// adjustment counting 0. Advances that do not number the characters place
// nothing: then x alone.
float text_run_char_x(const TextRun& run, std::size_t characters, std::size_t k);

// The id of each referenced glyph, in order.
std::vector<std::uint32_t> collect_glyph_ids(std::span<const Glyph* const> glyphs);

}  // namespace zvk::rewrite
