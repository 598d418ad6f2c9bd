// Membership in a set of glyph ids for passes that ask it of every glyph of
// the document: one bit per id when the ids are small enough (extraction
// numbers a document's glyphs from 0), so that a million lookups cost no
// hashing; the set itself otherwise.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace zvk {

class GlyphIdBits {
public:
    // `glyphs`: how many glyphs the pass looks at; ids up to a few times that
    // get bits, larger ones leave the lookups to `ids`, which must outlive
    // this.
    GlyphIdBits(const std::unordered_set<std::uint32_t>& ids, std::size_t glyphs) : ids_(ids) {
        std::uint32_t largest = 0;
        for (std::uint32_t id : ids) largest = std::max(largest, id);
        if (ids.empty() || largest / 4 > glyphs + 1024) return;
        bits_.assign(std::size_t{largest} + 1, false);
        for (std::uint32_t id : ids) bits_[id] = true;
        dense_ = true;
    }

    bool contains(std::uint32_t id) const {
        if (!dense_) return ids_.contains(id);
        return id < bits_.size() && bits_[id];
    }

private:
    const std::unordered_set<std::uint32_t>& ids_;
    std::vector<bool> bits_;
    bool dense_ = false;
};

}  // namespace zvk
