// Selecting glyph records by a set of ids: the list's order, records that
// share an id, ids that name no glyph.
#include "content/glyph_selection.h"

#include <gtest/gtest.h>

#include <vector>

namespace zvk {
namespace {

TEST(SelectGlyphsInIdSet, Table) {
    // Ids out of order and one id twice, as a hand-made list may hold them.
    std::vector<Glyph> glyphs(5);
    const std::uint32_t ids[] = {5, 2, 9, 2, 7};
    for (std::size_t i = 0; i < glyphs.size(); ++i) glyphs[i].id = ids[i];

    struct Case {
        std::unordered_set<std::uint32_t> set;
        std::vector<std::size_t> positions;  // of the selected records, in order
    };
    const Case cases[] = {
        {{}, {}},
        {{7, 5}, {0, 4}},        // the list's order, not the set's
        {{2}, {1, 3}},           // both records with the id
        {{9, 100, 3}, {2}},      // ids without a glyph select nothing
        {{5, 2, 9, 7}, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        const auto selected = select_glyphs_in_id_set(glyphs, c.set);
        std::vector<std::size_t> positions;
        for (const Glyph* g : selected) positions.push_back(static_cast<std::size_t>(g - glyphs.data()));
        EXPECT_EQ(positions, c.positions) << c.set.size() << " ids";
    }
}

}  // namespace
}  // namespace zvk
