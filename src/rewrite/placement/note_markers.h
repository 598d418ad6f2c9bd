// Note markers in translated text: which characters are footnote symbols and
// short numbers attached to a word (drawn raised and small), how small and
// how high the source drew its markers, and each output line's share of the
// per-character flags.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// One flag per character (Unicode scalar value) of the text: 1 for a note
// marker, 0 otherwise. Decided from the text alone: a symbol or a one-digit
// number attached to a word, numbers joined to such a marker by a bare comma
// (ref1,2,3); never a number of three or more digits, never a number standing
// between ideographs (第1章, 第1-3章) or before a colon after one (步骤1：).
std::vector<std::uint8_t> mark_note_markers(std::string_view text);

// One or two characters after trimming, each an ASCII digit or a note symbol
// (* § ¶ † ‡ ∗ ⋆): the text of a marker glyph.
bool is_short_marker_text(std::string_view text);

struct NoteMarkerScale {
    float size_factor = 1.0f;  // 0.45 .. 1, of the body size
    float rise_factor = 0.0f;  // 0 .. 0.6, of the body size, above the body baseline
};

// The size and rise of the segment's small or raised marker glyphs relative
// to its body text; none without body glyphs or without such markers.
std::optional<NoteMarkerScale> note_marker_scale(std::span<const Glyph* const> glyphs);

// Each line's flags, one per character of the line, taken from the flags of
// the text the lines were broken from. White space that the line breaking
// dropped is passed over; a line character the text does not hold at the
// cursor (a substitute) gets 0 and leaves the cursor where it was.
std::vector<std::vector<std::uint8_t>> distribute_marker_flags_to_lines(std::string_view text,
                                                                        std::span<const std::string> lines,
                                                                        std::span<const std::uint8_t> flags);

}  // namespace zvk::rewrite
