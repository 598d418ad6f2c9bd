#include "rewrite/placement/operator_map.h"

#include <optional>

namespace zvk::rewrite {

OperatorGlyphs build_operator_map(std::span<const Glyph> glyphs) {
    OperatorGlyphs map;
    for (const Glyph& g : glyphs) {
        const std::optional<OperatorKey> key = operator_key_of(g.source);
        if (key) map[*key].push_back(g.id);
    }
    return map;
}

}  // namespace zvk::rewrite
