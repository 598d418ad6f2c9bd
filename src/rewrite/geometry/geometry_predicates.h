// Small pure operations that the rewrite driver, placement and the structure
// passes share: the identity of the content-stream operation that drew a
// glyph and whether a glyph set holds every glyph its operations draw; tests
// for table-of-contents page numbers and section numbers; candidate
// replacements for a character the output font lacks; and the report of
// source lines kept because their translation did not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// One text-showing operation of a decoded content stream.
struct OperatorKey {
    std::uint32_t object_number = 0;
    std::uint16_t generation = 0;
    std::uint64_t byte_start = 0;
    std::uint64_t byte_end = 0;

    bool operator==(const OperatorKey&) const = default;
};

struct OperatorKeyHash {
    std::size_t operator()(const OperatorKey& key) const;
};

// Every glyph id an operation shows, by operation; the driver builds it.
using OperatorGlyphs = std::unordered_map<OperatorKey, std::vector<std::uint32_t>, OperatorKeyHash>;

// A text with the glyphs it came from; copies are field by field.
struct TextPiece {
    std::string text;
    std::vector<std::uint32_t> glyph_ids;
};

// The operation that showed a glyph: its stream's object id and the byte
// range of the operation. None without an object id (a stream that is not an
// object of the file) or with an empty range.
std::optional<OperatorKey> operator_key_of(const GlyphSource& source);

// Every glyph has an operation, the map knows it, and every glyph that
// operation shows is in the set; true for no glyphs.
bool glyphs_cover_their_operators(std::span<const Glyph* const> glyphs, const OperatorGlyphs& operator_glyphs);

// Kept with the reason "toc", and the trimmed text is one ASCII digit or one
// of the Roman-numeral letters c d i l m v x in either case.
bool is_toc_page_number_glyph(const Glyph& glyph);

// Some glyph of the page within 0.55 × max(size, 1) of the baseline passes
// is_toc_page_number_glyph.
bool has_toc_page_number_near_baseline(std::span<const Glyph> glyphs, std::uint32_t page, float baseline,
                                       float size);

// Trimmed: ASCII digits and full stops only, with at least one of each.
bool is_dotted_number_text(std::string_view text);

// The first word, its trailing full stops removed, holds a full stop and is
// made of ASCII digits and full stops only (2.1, 3.4.5.; not 2., 12, A.1).
bool starts_with_section_number(std::string_view text);

// The candidates for a character the output font lacks, in the order they
// are tried: the fixed substitutes, the folded Latin letter, the plain form
// of a styled letter and, after it, that plain letter's Latin counterpart.
std::vector<char32_t> substitute_chars_for_text(char32_t c);

// The line key of a baseline: 2 × y rounded half away from zero, saturated to
// the i32 range; 0 for NaN.
std::int32_t kept_line_key(float y);

// One diagnostic per source line whose glyphs were kept because the
// translation did not fit ("line-kept"), page by page and on a page from the
// bottom line up; a line of blank texts gives none.
void report_kept_lines(ExtractedDocument& document);

}  // namespace zvk::rewrite
