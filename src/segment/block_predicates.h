// Tests on lines and their texts that decide where paragraphs and list items
// go on: bullets, sentence ends and the continuation of a sentence on the next
// line. The rewriting stages call starts_with_bullet too and rely on its exact
// rule.
#pragma once

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

}  // namespace zvk
