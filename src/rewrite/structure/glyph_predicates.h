// Small glyph filters, text builders and folds that the page-structure passes
// and placement share: large glyphs that are no accents, left-over monospace
// glyphs, contents-page label candidates, texts without white space, joined
// glyph texts, and the page holding most of a block's glyphs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "content/records.h"

namespace zvk::rewrite {

using GlyphIdSet = std::unordered_set<std::uint32_t>;

// Larger than 0.84 × the reference size (a NaN size fails), and the trimmed
// text is none of the circumflex accents U+02C6, U+0302 and U+F8F8.
bool is_large_non_accent_glyph(float reference, const Glyph& glyph);

// On the page, not among the ids, visible, not turned a quarter, with a text,
// set in a monospace font: a glyph no placed run took that may be code.
bool is_unclaimed_monospace_glyph(std::uint32_t page, const GlyphIdSet& ids, const Glyph& glyph);

// The id is in the set and has no word in the map.
bool is_in_set_not_excluded(const GlyphIdSet& ids, const std::unordered_map<std::uint32_t, std::string>& words,
                            std::uint32_t id);

// A single numeral character (a digit or a Roman-numeral letter) that is
// selected or kept as contents text, and not excluded.
bool is_toc_page_label_candidate(const GlyphIdSet& selected, const GlyphIdSet& excluded, const Glyph& glyph);

// The text without any White_Space character.
std::string remove_whitespace(std::string_view text);

// Each glyph's trimmed text, joined in list order without separator.
std::string concat_glyph_texts(std::span<const Glyph* const> glyphs);

// A page and its glyph count.
using PageCount = std::pair<std::uint32_t, std::size_t>;

// From `first` on, the entry with the largest count among `first` and the
// map's entries, met in ascending page order; an equal count replaces the
// current entry, so of equal counts the highest page wins. Takes the map.
PageCount largest_count_entry(PageCount first, std::map<std::uint32_t, std::size_t> counts);

// Every element of `source` inserted into `target`.
template <typename Set>
void extend_index_set_from_set(Set& target, const Set& source) {
    target.insert(source.begin(), source.end());
}

}  // namespace zvk::rewrite
