// Callout labels: a paragraph opened by a run-in "Definition", "Note",
// "Warning" or "Tip", often in its own colour. The label is recognised on the
// first source line, with where the label and the body start, and its Chinese
// counterpart is cut off the front of the translation, so that placement sets
// the label as a run of its own before the body.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "content/records.h"
#include "rewrite/geometry/rewrite_lines.h"

namespace zvk::rewrite {

struct CalloutLabel {
    Color label_color;
    Color body_color;
    float label_x = 0;     // where the first line starts: its least origin x
    float body_x = 0;      // origin x of the first body glyph
    float label_size = 1;  // the largest label glyph size, at least 1
};

// Reads only the first line. None unless the line opens with one of the four
// words (in any case, spelled over glyphs set close together) and a body
// starts at least 4 units right of the line's start.
std::optional<CalloutLabel> detect_callout_label(std::span<const RewriteLine> lines);

// (label followed by a full-width colon, body) when the translation opens
// with 定义, 注意, 警告 or 提示, optionally after 请; the separators after the
// label are dropped. None when no body follows.
std::optional<std::pair<std::string, std::string>> split_callout_label(std::string_view text);

}  // namespace zvk::rewrite
