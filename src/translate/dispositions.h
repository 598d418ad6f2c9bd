// The one way a glyph's disposition changes after extraction: only a glyph
// that is still pending (or pending its rewrite) takes a new state.
#pragma once

#include <cstdint>
#include <span>

#include "base/core_error.h"
#include "content/records.h"

namespace zvk {

// Gives the glyph with `id` the new disposition when its current one is not
// final. Fails with "glyph {} not found" or "glyph {} already has a final
// disposition ({})"; a failed call changes nothing. The glyph is the one at
// position `id` when its id matches, as in every extraction (constant time);
// otherwise the first with that id, found by walking the list.
Result<void> set_glyph_disposition(std::span<Glyph> glyphs, std::uint32_t id,
                                   GlyphDisposition disposition);

}  // namespace zvk
