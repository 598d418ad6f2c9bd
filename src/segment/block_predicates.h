// Tests on lines and their texts that decide where paragraphs and list items
// go on: bullets, sentence ends and the continuation of a sentence on the next
// line. The rewriting stages call starts_with_bullet too and rely on its exact
// rule.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "segment/text_line.h"

namespace zvk {

// The end-trimmed text is longer than one byte and ends with . ! ? or their
// full-width forms 。！？.
bool ends_sentence(std::string_view text);

// After leading White_Space: one of • ‣ ‧ – — · ∙ ■ ▪ ◉ ○ ◎ ● ◦ ◯, a
// private-use character (symbol-font bullets), or a hyphen-minus that ends
// the text or is followed by White_Space.
bool starts_with_bullet(std::string_view text);

// `next` goes on with the sentence of `prev`: same page, baselines 0.6 s to
// 1.8 s apart, sizes within 0.35 s, next starts at most 1.4 s left of prev,
// prev's text does not end a sentence, next's text starts with an ASCII
// lower-case letter and holds at least 6 letters (s: the larger size, at
// least 1).
bool continues_paragraph(const TextLine& prev, const TextLine& next);

// The larger of two line sizes (a NaN yields the other), at least 1: the
// scale of every threshold between two lines.
float pair_size(float a, float b);

// The first word (up to the first White_Space), trimmed to its ASCII letters
// and lower-cased, is one of note, proof, lemma, claim, remark, theorem,
// example, corollary, definition, assumption, proposition, observation. A
// text that begins with white space has an empty first word: false.
bool is_environment_label(std::string_view text);

// How the end-trimmed text ends: 0 for '.' or '?', 1 for ':', 2 for an arrow
// ("->", U+2192, U+2794), kLineEndNone otherwise ('!' and blank included).
inline constexpr std::uint8_t kLineEndNone = 255;
std::uint8_t line_end_kind(std::string_view text);

// The first ASCII letter anywhere in the text is upper case (none: false).
bool starts_upper_case(std::string_view text);

// The trimmed text has 1 to 6 characters and is all ASCII digits or a Roman
// numeral.
bool is_page_number_token(std::string_view text);

// The trimmed text begins with "licensed to" in any ASCII case.
bool starts_with_licensed_to(std::string_view text);

// "published", "preprint", "under review…", "proceedings of…", or after
// leading digits and white space "chapter" or "chapter …" (ASCII case
// ignored, text trimmed).
bool is_publication_note(std::string_view text);

// Two to four groups of one or two ASCII digits joined by single dots, with
// any trailing dots: "2.1", "3.4.1.", not "2", "2..1" or "2.123".
bool is_bare_section_number(std::string_view text);

// A section number at the start of the text ("2 ", "3.1 ", "4.2.1. ") and
// the trimmed rest after its space; has_sub_number when it has more than
// one group.
struct SectionNumberSplit {
    bool has_sub_number = false;
    std::string_view rest;
};
std::optional<SectionNumberSplit> split_section_number(std::string_view text);

// Page furniture rather than body text: blank, a publication note, a figure
// or table caption, a licence stamp, a page number at most 48 units wide, or
// nothing but digits and white space.
bool is_non_body_line(const TextLine& line);

// More than one line, or at least 40 letters over the lines' texts.
bool is_substantial_block(std::span<const TextLine> lines);

// A centred block such as an author or affiliation list: two or more lines,
// more than three commas, left edges spread more than 1.2 S while the centres
// stay within 3 S, and not the shape of a justified paragraph.
bool is_centered_comma_block(std::span<const TextLine> lines);

// `first` (the first line of one block) goes on with `last` (the last line of
// another) across a column or page break: neither is a formula line, sizes
// within 0.35 of the larger, `last` does not end a sentence, and `first`
// begins with a lower-case ASCII letter (any ASCII letter or digit after a
// hyphenated word).
bool continues_across_break(const TextLine& last, const TextLine& first);

}  // namespace zvk
