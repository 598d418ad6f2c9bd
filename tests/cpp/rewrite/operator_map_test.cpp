#include "rewrite/placement/operator_map.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

Glyph shown(std::uint32_t id, std::uint32_t page, std::optional<ObjectId> stream, std::uint64_t start,
            std::uint64_t end) {
    Glyph g = test::make_glyph({.text = "a"}, id, page);
    g.source.object_id = stream;
    g.source.byte_start = start;
    g.source.byte_end = end;
    return g;
}

TEST(OperatorMap, GroupsGlyphsByOperationInListOrder) {
    const ObjectId form{12, 0};
    std::vector<Glyph> glyphs = {
        shown(0, 0, ObjectId{4, 0}, 10, 20),
        shown(1, 0, form, 0, 8),           // a form drawn on page 0 ...
        shown(2, 0, ObjectId{4, 0}, 10, 20),
        shown(3, 1, form, 0, 8),           // ... and again on page 1: one operation
        shown(4, 1, ObjectId{4, 1}, 10, 20),  // another generation is another stream
        shown(5, 1, std::nullopt, 10, 20),    // no stream object: no key
        shown(6, 1, ObjectId{4, 0}, 30, 30),  // empty range: no key
        shown(7, 1, ObjectId{4, 0}, 40, 35),  // reversed range: no key
        shown(8, 1, ObjectId{4, 0}, 10, 21),  // a different range is a different operation
    };
    glyphs[3].disposition = GlyphDisposition::kept_original("margin");  // final glyphs count too

    const OperatorGlyphs map = build_operator_map(glyphs);
    const std::vector<std::pair<OperatorKey, std::vector<std::uint32_t>>> expected = {
        {{4, 0, 10, 20}, {0, 2}}, {{12, 0, 0, 8}, {1, 3}}, {{4, 1, 10, 20}, {4}}, {{4, 0, 10, 21}, {8}}};
    ASSERT_EQ(map.size(), expected.size());
    for (const auto& [key, ids] : expected) {
        const auto it = map.find(key);
        ASSERT_NE(it, map.end()) << key.object_number << " " << key.byte_start;
        EXPECT_EQ(it->second, ids) << key.object_number << " " << key.byte_start;
    }
}

}  // namespace
}  // namespace zvk::rewrite
