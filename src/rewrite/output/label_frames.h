// Moving the small frames (rectangles, upright transforms) drawn around a
// short label whose text was redrawn higher or lower, so that the frame
// follows it; with the light tokenizer of content streams this needs.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"
#include "pdf/document.h"
#include "rewrite/geometry/glyph_id_index.h"

namespace zvk::rewrite {

enum class ContentTokenKind : std::uint8_t { Number, KnownOperator, Other };

// One token of tokenize_content_operators. A literal string leaves an Other
// token with an empty range just after it.
struct ContentToken {
    ContentTokenKind kind = ContentTokenKind::Other;
    float value = 0.0f;     // numbers
    std::string_view name;  // known operators: "q", "Q", "re", "cm" or "Tm"
    std::uint64_t start = 0;
    std::uint64_t end = 0;  // exclusive
};

// A q at `start` and its matching Q ending at `end`.
struct SaveRestoreSpan {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// A label moved by `dy`: `byte_start` is the start of the show operation of
// its first non-blank glyph; `glyph_ids` are its source glyphs, whose own
// show operations are the only ones a frame it moves may enclose.
struct LabelShift {
    std::uint64_t byte_start = 0;
    float dy = 0.0f;
    std::vector<std::uint32_t> glyph_ids;
};

using LabelShiftsByStream = std::map<pdf::ObjectId, std::vector<LabelShift>>;

// Numbers and the operators q, Q, re, cm, Tm at nesting depth 0; names,
// strings, arrays, dictionaries and comments skipped. Never fails.
std::vector<ContentToken> tokenize_content_operators(std::string_view bytes);

// The q/Q spans of tokens, in the order their Q closes them; unmatched ones
// give none.
std::vector<SaveRestoreSpan> save_restore_spans(std::span<const ContentToken> tokens);

// The shortest span holding `position` (start <= position < end), the first
// found on a tie; none when no span holds it.
std::optional<SaveRestoreSpan> innermost_save_restore_span(std::span<const SaveRestoreSpan> spans,
                                                           std::uint64_t position);

// Moves by dy the y of every small rectangle (|w| < 220, |h| < 40) and the f
// of every upright cm/Tm (|b|, |c| < 0.02) inside the innermost q/Q around
// each shift's operation, when that block shows nothing but the label's own
// text (a page-wide block would move every frame of the page). A stream
// that cannot be read or written is left as it is; nothing is reported.
void shift_label_frames(pdf::Document& doc, std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index,
                        const LabelShiftsByStream& shifts);

}  // namespace zvk::rewrite
