// The label of a numbered or bulleted list item in a segment's first source
// line: where it stands, its colour and the body's, and where the body and
// the hanging continuation lines start, so that the label can stay and the
// translated body hang under itself.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"

namespace zvk::rewrite {

struct ListItemLabel {
    std::string label;  // the number with its punctuation, or the bullet
    Color label_color;
    Color body_color;
    float label_x = 0.0f;  // origin x of the label's first glyph
    float size = 1.0f;     // font size of that glyph, at least 1
    float body_x = 0.0f;   // where the body and the continuation lines start
};

// A label of one or two digits with ")" and "." (never a section number such
// as 2.1) leading the first of two or more lines, whose continuation lines
// start under the body, 0.35 to 3 sizes right of the label.
std::optional<ListItemLabel> detect_numbered_list_label(std::span<const RewriteLine> lines);

// A one-character bullet (• ‣ ‧ · ∙ ■ ▪ ● ◦ or a private-use symbol, which
// becomes ■) leading the first line, its body 0.35 to 3.5 sizes to its right.
std::optional<ListItemLabel> detect_bullet_list_label(std::span<const RewriteLine> lines);

// The text after a leading bullet of the same set, or a "-" or "–" followed
// by white space, with leading white space removed; otherwise the text with
// leading white space removed.
std::string_view strip_leading_bullet(std::string_view text);

}  // namespace zvk::rewrite
