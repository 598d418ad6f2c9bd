// Source code, shell sessions and other listings set in a monospace face stay
// as they are: their lines become "code" skips. Typewriter-style prose (three
// or more aligned monospace lines that read as sentences) is translated.
#pragma once

#include <span>
#include <vector>

#include "content/records.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// Over the glyphs with a non-blank text: no ASCII letter in a proportional
// font, and either more than one monospace letter or, without any, at least
// one monospace glyph (digits and punctuation of a numbered listing). A lone
// monospace letter is a variable in running text, not code.
bool is_monospace_line(std::span<const Glyph* const> glyphs);

// A monospace line whose text has at least 25 ASCII letters, at least 5 words
// and at least four letters per code symbol (# $ % & ( ) / ; < = > [ \ ] _ {
// | } `).
bool is_prose_monospace_line(const TextLine& line);

// Records every glyph of each monospace line, in line and glyph order, as a
// "code" skip, except the lines of prose runs: three or more prose-like
// monospace lines in a row on one page, each within 2.4 sizes below the last
// and starting within 3 sizes of it.
void code_lines(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped);

}  // namespace zvk
