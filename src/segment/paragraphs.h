// The last passes before segment text: the lines of each group become
// paragraphs, and a paragraph broken off by a column or page break is chained
// to the paragraph it continues, so that one sentence is translated as one
// segment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "segment/record_order.h"
#include "segment/segmentation.h"
#include "segment/text_line.h"

namespace zvk {

// A paragraph with up to four further paragraphs appended, in the order
// appended: the lines the segment text pass turns into segments.
using ChainedBlock = std::vector<TextLine>;

// How the passes that compare a line with the other lines of its page (or of
// the next page) find those lines: through page buckets, or by scanning the
// whole document. Both give the same result; the whole-document scan is kept
// as the plain reference the buckets are checked against.
enum class PageScan { buckets, whole_document };

// The chained blocks of a document in reading order (by their first lines),
// from the line groups (in group order) and the typical line width of each
// page. Never fails; empty groups and groups of page furniture are fine.
std::vector<ChainedBlock> build_chained_blocks(std::vector<LineGroup> groups,
                                               const std::map<std::uint32_t, float>& typical_line_width,
                                               PageScan scan = PageScan::buckets);

// The steps of build_chained_blocks, in their order, for tests and tools.

// A line that goes on with a figure or table caption line of another group
// (continues_paragraph from the caption line, so only on its page) moves to
// the group of the first such caption line, in group and line order; the
// groups keep their number and order, so some may be left empty.
void regroup_caption_continuations(std::vector<std::vector<TextLine>>& groups, PageScan scan = PageScan::buckets);

// Clears ends_row on every line that has another line of its page on the same
// baseline (within 0.35 of its size) starting more than 0.3 of its size to
// its right.
void mark_row_neighbours(std::vector<std::vector<TextLine>>& groups, PageScan scan = PageScan::buckets);

// The paragraphs of each group, lines in order: consecutive lines join while
// should_merge_lines says so, or while they go on with a centred comma block
// (author and affiliation lists, whose line spacing and edges the merge test
// rejects). Paragraphs never cross groups.
std::vector<ParagraphGroup> assemble_paragraphs(const std::vector<std::vector<TextLine>>& groups,
                                                const std::map<std::uint32_t, float>& typical_line_width);

// Wider than 30 units, or starting between 64 and 500: the shape of body
// text rather than of a page number or a margin note.
bool is_body_like(std::span<const TextLine> lines);

// Per page, the lowest baseline of the lines of body paragraphs (first line
// not furniture, body-like and substantial) whose lines lie on it.
std::map<std::uint32_t, float> body_bottom(const std::vector<ParagraphGroup>& paragraphs);

// The paragraphs (in column order) chained across column and page breaks, in
// the order their first paragraphs come in the list. `bottom` is body_bottom
// of the same paragraphs.
std::vector<ChainedBlock> chain_paragraphs(const std::vector<ParagraphGroup>& paragraphs,
                                           const std::map<std::uint32_t, float>& bottom,
                                           PageScan scan = PageScan::buckets);

// The candidate (paragraphs on the page after the block's last line, tried in
// the given order) that continues `block`, passing over at most one- and
// two-line running heads and section numbers; none when the first candidate
// that is not such furniture does not continue it. With
// `lower_case_leaves_column`, a candidate starting with an ASCII lower-case
// letter may lie in another column than the block's last line (the set is the
// next page's first column); otherwise only after a hyphenated word.
std::optional<std::size_t> find_continuation_block(std::span<const TextLine> block,
                                                   const std::vector<ParagraphGroup>& paragraphs,
                                                   std::span<const ContinuationCandidate> candidates,
                                                   bool lower_case_leaves_column);

// A paragraph that the median of a next column or the first column of the
// next page is taken from: more than one line, or more than 15 letters. A
// one-line running head ("CHARLES") is not one.
bool is_counted_target(std::span<const TextLine> lines);

}  // namespace zvk
