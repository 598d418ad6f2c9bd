// Passes that give small pieces of a line back to it: raised note markers
// (superscript digits, daggers) and short formula pieces (a symbol or two set
// a little above or below the text), which the line grouping cut off as lines
// of their own because their baselines differ.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "segment/text_line.h"

namespace zvk {

// Lines of 1 to 16 glyphs, each a note mark (digits, * † ‡ § ¶ …).
bool is_note_marker_line(const TextLine& line);

// The line that lines[index], a note-marker line, belongs to: another line of
// its page, not itself a note-marker line, that it sits 0.12 to 0.9 sizes
// above, at most 0.85 of its size, within its extent, each mark near one of
// its glyphs. The nearest by baseline wins, the earlier line on a tie.
std::optional<std::size_t> note_marker_target(std::size_t index, const std::vector<TextLine>& lines);

// The line that lines[index], a short math line, belongs to: another line of
// its page with 16 or more ASCII letters, not a short math line, whose
// baseline is 0.08 to 0.7 of its size away and whose extent holds it. The
// nearest by baseline wins, the earlier line on a tie.
std::optional<std::size_t> short_math_target(std::size_t index, const std::vector<TextLine>& lines);

// Every line with a target (all targets found first) gives its glyphs to the
// target, which puts them in origin-x order and takes its text and extents
// anew (keeping its font name, page and flags); the given lines go.
void attach_note_markers(std::vector<TextLine>& lines);
void attach_short_math_lines(std::vector<TextLine>& lines);

// The glyphs that line grouping leaves out (no mapping to text, or empty
// text), with finite positions, ordered by page. Each of them ended the line
// it stood in.
std::vector<const Glyph*> collect_unmapped_glyphs(std::span<const Glyph> glyphs);

// Joins two lines of one page, baseline and size where the gap between them
// is filled by glyphs of `unmapped` (a sign no font mapping names, such as
// the "+" of "Ca2+" or the "±" of "2.57 ± .97", which cut the line in two):
// at least one such glyph overlaps the gap and no stretch of it that they
// leave open is wider than 0.8 sizes (a space or two); lines trimmed as
// contents entries stay apart. The right line's
// glyphs go to the left line, which takes its text and extents anew; lines
// are compared in baseline bands of the page, neighbours by left edge.
void rejoin_across_unmapped(std::vector<TextLine>& lines, std::span<const Glyph* const> unmapped);

}  // namespace zvk
