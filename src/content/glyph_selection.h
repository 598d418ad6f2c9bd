// Picking glyph records out of a document's glyph list by id, for the passes
// that hold their findings as sets of glyph ids (reference sections, the
// rewrite) and must walk the glyphs themselves in document order.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "content/records.h"

namespace zvk {

// Every glyph of `glyphs` whose id is in `ids`, in the list's order (a glyph
// id that several records share selects all of them). An empty set selects
// nothing.
std::vector<const Glyph*> select_glyphs_in_id_set(std::span<const Glyph> glyphs,
                                                  const std::unordered_set<std::uint32_t>& ids);

}  // namespace zvk
