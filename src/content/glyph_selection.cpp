#include "content/glyph_selection.h"

namespace zvk {

std::vector<const Glyph*> select_glyphs_in_id_set(std::span<const Glyph> glyphs,
                                                  const std::unordered_set<std::uint32_t>& ids) {
    std::vector<const Glyph*> out;
    if (ids.empty()) return out;
    for (const Glyph& glyph : glyphs) {
        if (ids.contains(glyph.id)) out.push_back(&glyph);
    }
    return out;
}

}  // namespace zvk
