// Where a glyph id stands in the document's glyph list. Extraction numbers
// glyphs densely from 0, so the index is a vector; ids far beyond the list's
// size (not made by extraction) fall back to a hash map.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "content/records.h"

namespace zvk::rewrite {

class GlyphIdIndex {
public:
    GlyphIdIndex() = default;
    explicit GlyphIdIndex(std::span<const Glyph> glyphs) {
        std::uint32_t largest = 0;
        for (const Glyph& g : glyphs) largest = largest > g.id ? largest : g.id;
        dense_ = glyphs.empty() || largest / 4 <= glyphs.size() + 1024;
        if (dense_ && !glyphs.empty()) positions_.assign(std::size_t{largest} + 1, kAbsent);
        // The first glyph with an id owns it.
        for (std::size_t i = glyphs.size(); i-- > 0;) {
            const auto pos = static_cast<std::uint32_t>(i);
            if (dense_) {
                positions_[glyphs[i].id] = pos;
            } else {
                sparse_[glyphs[i].id] = pos;
            }
        }
    }

    std::optional<std::size_t> position(std::uint32_t id) const {
        if (dense_) {
            if (id >= positions_.size() || positions_[id] == kAbsent) return std::nullopt;
            return positions_[id];
        }
        const auto it = sparse_.find(id);
        if (it == sparse_.end()) return std::nullopt;
        return it->second;
    }

private:
    static constexpr std::uint32_t kAbsent = std::numeric_limits<std::uint32_t>::max();
    bool dense_ = true;
    std::vector<std::uint32_t> positions_;
    std::unordered_map<std::uint32_t, std::uint32_t> sparse_;
};

}  // namespace zvk::rewrite
