// Deciding, before any font is loaded, which translations replace their
// source text: the glyphs whose text really changes, the records that open a
// prompt-section block, the records that are pieces of display formulas, and
// for each record either its final text (post-edited) or the word that keeps
// its glyphs' source drawing.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "content/records.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/placement/operator_map.h"
#include "translate/outcome.h"

namespace zvk::rewrite {

// Keep words written while judging translations.
inline constexpr std::string_view kKeepMathBlock = "math-block";
inline constexpr std::string_view kKeepPunctuation = "punctuation";
inline constexpr std::string_view kKeepKept = "kept";
inline constexpr std::string_view kKeepWhitespace = "whitespace";
inline constexpr std::string_view kKeepEnglishBody = "english-body";
inline constexpr std::string_view kKeepIncompleteList = "incomplete-list";
inline constexpr std::string_view kKeepSharedOperator = "shared-operator";
inline constexpr std::string_view kKeepUnchanged = "unchanged";
inline constexpr std::string_view kKeepName = "name";

// A translation that replaces its source: the record's index in the record
// list and the text to place.
struct AcceptedTranslation {
    std::size_t record_index = 0;
    std::string final_text;

    bool operator==(const AcceptedTranslation&) const = default;
};

using RecordIndexSet = std::unordered_set<std::size_t>;

// The glyph ids of every record whose normalised, bullet-restored,
// name-fixed translation is not blank and differs from a non-blank source.
GlyphIdSet collect_changed_glyph_ids(std::span<const TranslationRecord> records);

// One flag per record: the record belongs to a block whose lines open with a
// prompt-section label (INPUT, CONTEXT, ...) in a plain Franklin face. A
// chain starts at a keyword line and goes on down the page through plain
// Franklin records whose top lies from 2 above to 32 below the previous one.
std::vector<bool> mark_prompt_section_records(std::span<const TranslationRecord> records,
                                              std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index);

// The records that are pieces of display formulas: formula-like seeds and
// the records next to them on their page that join by nearness, indent and
// size; numbered section headings are left out.
RecordIndexSet find_math_records(std::span<const TranslationRecord> records, std::span<const Glyph> glyphs,
                                 const GlyphIdIndex& glyph_index);

// For a source holding the word "otherwise": the translation from its first
// ideograph on (from a comma just before it, when there is one).
std::optional<std::string> otherwise_tail(std::string_view source, std::string_view translation);

// No ideograph or "@", three or more commas, and four or more pieces with a
// letter between White_Space , / : and ;.
bool reads_as_word_list(std::string_view text);

// Reads as English running text: a word list, or 40 ASCII letters and more
// with a word that is no web address and no number; never markup, an e-mail
// address or text with ideographs.
bool is_body_text_candidate(std::string_view text);

// What judging the translations leaves to the later stages.
struct AcceptanceInputs {
    std::span<const TranslationRecord> records;
    std::span<const Glyph> glyphs;
    const GlyphIdIndex& glyph_index;
    const OperatorGlyphs& operator_map;
    const GlyphIdSet& changed_glyph_ids;
    const RecordIndexSet& math_records;
    const std::vector<bool>& prompt_section_records;  // one flag per record
    bool cjk_target = false;
};

struct AcceptanceResult {
    std::vector<AcceptedTranslation> accepted;  // in record order
    GlyphIdSet toc_redraw_ids;       // contents glyphs drawn again with a record's text
    GlyphIdSet operator_redraw_ids;  // glyphs drawn again because they share a record's operations
};

// Every record with glyph ids, in record order: kept with a word on its
// glyphs, passed over (bullets only), or accepted with its final text.
AcceptanceResult accept_translations(const AcceptanceInputs& inputs, GlyphReasons& keep_reasons);

}  // namespace zvk::rewrite
