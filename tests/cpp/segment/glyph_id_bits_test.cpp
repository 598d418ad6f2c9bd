// Id membership by bits answers as the id set does, for small and huge ids.
#include "segment/glyph_id_bits.h"

#include <gtest/gtest.h>

namespace zvk {
namespace {

TEST(GlyphIdBits, AnswersAsTheSet) {
    struct Case {
        const char* name;
        std::unordered_set<std::uint32_t> ids;
        std::size_t glyphs;
    };
    const Case cases[] = {
        {"small ids", {0, 5, 9, 63, 64}, 10},
        {"empty set", {}, 10},
        {"an id far beyond the glyphs", {3, 4000000000u}, 10},
        {"largest id", {0, 0xFFFFFFFFu}, 1000000},
    };
    const std::uint32_t probes[] = {0, 1, 3, 4, 5, 8, 9, 10, 63, 64, 65, 1000, 4000000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (const Case& c : cases) {
        const GlyphIdBits bits(c.ids, c.glyphs);
        for (std::uint32_t id : probes) EXPECT_EQ(bits.contains(id), c.ids.contains(id)) << c.name << " " << id;
    }
}

}  // namespace
}  // namespace zvk
