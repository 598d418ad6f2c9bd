// Placed text runs written into the document: each output font embedded
// once, then one new text stream per page drawn after the page's old content,
// with the page's resources listing the fonts. Also the pieces of a run's
// line (numbers, colour, squeeze, note markers, TJ gaps) and the first font
// number no page uses yet.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/core_error.h"
#include "content/records.h"
#include "pdf/document.h"
#include "rewrite/output/cjk_font.h"
#include "rewrite/placement/text_run.h"

namespace zvk::rewrite {

// Three decimals, correctly rounded, ties to even, a minus sign kept on a
// negative zero ("12.000", "-0.000"). Only finite numbers have a form: the
// writer never hands a NaN or an infinity here (it prints as 0.000 should
// one slip through, never as text a viewer cannot parse).
std::string format_number(float value);

// "r g b rg", "g g", "c m y k k" or "0 g" for any other space or too few
// components.
std::string fill_color_operator(const Color& color);

// The show operation of glyphs [start, start + ids.size()) of a run: a plain
// hex string with Tj, or a TJ array carrying the non-zero gaps before them.
std::string encode_glyph_show(std::span<const std::uint16_t> ids, std::span<const float> gaps, std::size_t start,
                              float size);

// The show operators of a run: plain, with raised note markers, or with gaps.
std::string text_run_body(const TextRun& run);

// The horizontal squeeze of a large single quote mark, as a percentage, or none.
std::optional<float> squeeze_percent(const TextRun& run, std::span<const FontEntry> fonts);

// One run as its line of the page's text object; none for a run whose
// position, size, skew or marker factors are not finite.
std::optional<std::string> text_run_line(const TextRun& run, std::span<const FontEntry> fonts);

// The first n such that no page's effective Font resources hold "ZVK{m}"
// for any m >= n: where the rewrite's font counter starts, so that a file
// this module wrote can be translated again without its fonts being
// overwritten. 0 for ordinary input.
std::uint32_t first_free_font_number(const pdf::Document& doc, std::span<const PageInfo> pages);

// Embeds every font (in list order) and writes the runs of each page as one
// new text stream after its old content. Runs on a page that `pages` does
// not list are not drawn. Fails when a page object is missing or is not a
// dictionary, or when the document refuses an edit.
Result<void> write_text_runs_and_cjk_font(pdf::Document& doc, std::span<const PageInfo> pages,
                                          std::span<const TextRun> runs, std::span<const FontEntry> fonts);

}  // namespace zvk::rewrite
