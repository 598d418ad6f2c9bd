// The small questions the rewriter asks about one glyph, a font name or a
// short text: why a glyph may never be replaced (its skip reason), whether a
// font is a math font, whether a text is a note marker, only quote marks or a
// prompt-section keyword. Translation planning asks some of them too, so they
// live below it. All are pure and allocate at most one upper-cased copy.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

// The skip-reason words, in the order glyph_skip_reason tests them. The
// driver records them per glyph and later passes compare them word for word.
inline constexpr std::string_view kSkipUnmapped = "unmapped";
inline constexpr std::string_view kSkipFormula = "formula";
inline constexpr std::string_view kSkipVertical = "vertical";
inline constexpr std::string_view kSkipClipped = "clipped";
inline constexpr std::string_view kSkipAnnotation = "annotation";
inline constexpr std::string_view kSkipType3 = "type3";

// Why the rewriter never translates or redraws the glyph in place, or none for
// an ordinary text glyph; the first reason that holds wins:
//   unmapped   - the unmapped flag, or an empty text (white space is not empty)
//   formula    - a math font, unless the text is a footnote marker
//   vertical   - the vertical flag, or a matrix turned a quarter
//   clipped    - clipped, unless the clip is only uncertain
//   annotation - drawn by an annotation appearance
//   type3      - drawn by a Type3 glyph procedure
std::optional<std::string_view> glyph_skip_reason(const Glyph& glyph);

// is_math_font_name over many glyphs, whose font names mostly repeat: the
// name is tested again only when it changes. Holds a view of the last name,
// so use one only while the glyphs it was asked about live.
class MathFontNameTest {
public:
    bool operator()(std::string_view name);

private:
    std::string_view name_;
    bool known_ = false;
    bool math_ = false;
};

// glyph_skip_reason(glyph) == "formula", through a name test the caller
// keeps across glyphs.
bool has_formula_skip_reason(const Glyph& glyph, MathFontNameTest& math_font);

// Turned by about a quarter: |b| > 1, |c| > 1, |a| <= 0.25 |b| and
// |d| <= 0.25 |c| in f32. Every comparison with NaN fails, so a NaN matrix is
// never turned.
bool is_quarter_turned(const Matrix& matrix);

// The ASCII upper-cased name holds CMMI, CMSY, CMEX, MSAM, MSBM, STIX,
// CAMBRIAMATH, LATINMODERNMATH, SYMBOL or MATH. Wider than segmentation's
// test of the same name: Symbol fonts count here.
bool is_math_font_name(std::string_view name);

// The trimmed text is exactly one of * # § ¶ ∗ † ‡ ⋆.
bool is_footnote_marker_text(std::string_view text);

// The trimmed text is not empty and made only of quote marks: " ' « » ‘ ’ “
// ” „ ❛ ❜ ❝ ❞ 「 」 (not ‚ ‛ ‟).
bool is_quotes_only_text(std::string_view text);

// At least one glyph is set in a plain Franklin face (FRANKLIN in the
// upper-cased font name, neither DEMI nor ITAL) and no glyph outside such a
// face carries an ASCII letter. Blank and quote-only glyphs do not count.
bool is_plain_franklin_text(std::span<const Glyph* const> glyphs);

// Every font name is bold by classify_font_name; true for no glyphs.
bool all_glyphs_bold(std::span<const Glyph* const> glyphs);

// The glyphs whose trimmed text is not empty, in their order.
std::vector<const Glyph*> collect_nonblank_text_items(std::span<const Glyph* const> glyphs);

// The ASCII upper-cased text, untrimmed, is one of TEXT, TONE, INPUT, OUTPUT,
// EXAMPLE, PERSONA, CONTEXT, INSTRUCTION, OUTPUTFORMAT.
bool is_prompt_section_keyword(std::string_view text);

// The upper-cased text is the start of some prompt-section keyword (a whole
// keyword included); the run-in label scan stops once it is not.
bool is_prompt_section_keyword_prefix(std::string_view upper_text);

// The ASCII letters of the glyphs' texts, glyph after glyph, untrimmed, case
// kept; every other character is left out.
std::string collect_ascii_letters(std::span<const Glyph* const> glyphs);

// The trimmed text is one character: an ASCII digit or a Roman-numeral letter
// c d i l m v x in either case (A-Z lower-cased, no other case mapping). How
// a contents page tells a page label such as 7 or v from other text.
bool is_single_numeral_char(std::string_view text);

// A bullet or list mark standing alone: the trimmed text is one character
// that starts_with_bullet accepts (a lone hyphen-minus never counts), or any
// single character in a Dingbat or Wingding font.
bool is_bullet_glyph(const Glyph& glyph);

// The two texts joined: the first without trailing and the second without
// leading White_Space, nothing between them when an ideograph meets an
// ideograph, else one space; an empty side gives the other text.
std::string join_text_pieces(std::string_view first, std::string_view second);

// "3 Methods" or "2.1 Results" set as a heading: one or two digits,
// optionally a full stop and more digits, White_Space and a text that does
// not start with a digit; at most 80 characters, no final full stop, no
// placeholder mark; the non-blank glyphs on one baseline (within 0.45 × their
// largest size) and either all bold or 12 pt and more.
bool is_numbered_section_heading(std::string_view text, std::span<const Glyph* const> glyphs);

}  // namespace zvk::rewrite
