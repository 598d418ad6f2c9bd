// The driver state that the rewrite's stages pass to one another by glyph id:
// the show operations with the glyphs each one draws (`operator_map`), the
// reason words recorded per glyph before dispositions are settled, and sets
// of glyph ids. Kept in one small header so every stage names them alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "content/records.h"
#include "rewrite/geometry/geometry_predicates.h"

namespace zvk::rewrite {

// One word per glyph id ("invisible", a skip reason, a keep reason or the
// text of a failed stream edit); the word written last counts.
using GlyphReasons = std::unordered_map<std::uint32_t, std::string>;

using GlyphIdSet = std::unordered_set<std::uint32_t>;

// Every glyph, whatever its state, under the operation that showed it, in
// glyph-list order; a glyph without an operation key is left out. All pages
// that draw one shared form meet under the same key.
OperatorGlyphs build_operator_map(std::span<const Glyph> glyphs);

}  // namespace zvk::rewrite
