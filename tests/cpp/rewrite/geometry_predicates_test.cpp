#include "rewrite/geometry/geometry_predicates.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

Glyph kept(const std::string& text, const std::string& reason, std::uint32_t page = 0, float y = 700) {
    Glyph g = test::make_glyph({.text = text, .baseline = y}, 0, page);
    g.disposition = GlyphDisposition::kept_original(reason);
    return g;
}

TEST(KeptLines, OneDiagnosticPerLinePageByPageBottomUp) {
    ExtractedDocument doc;
    doc.diagnostics.push_back({std::nullopt, "earlier"});
    doc.glyphs = {
        kept("A", "line-kept", 2, 700.1f), kept("x", "toc", 2, 690),  kept("B", "line-kept", 2, 700.2f),
        kept("C", "line-kept", 2, 690),    kept(" ", "line-kept", 2, 600), kept("D", "line-kept", 3, 100),
        kept("E", "line-kept", 1, 500),    test::make_glyph({.text = "F", .baseline = 500}, 0, 1),
    };
    report_kept_lines(doc);
    const std::string prefix = "kept the original line because the translation did not fit: ";
    ASSERT_EQ(doc.diagnostics.size(), 5u);
    EXPECT_EQ(doc.diagnostics[0].message, "earlier");
    const std::vector<std::pair<std::uint32_t, std::string>> expected = {
        {1, "E"}, {2, "C"}, {2, "AB"}, {3, "D"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(doc.diagnostics[i + 1].page_index, expected[i].first) << i;
        EXPECT_EQ(doc.diagnostics[i + 1].message, prefix + expected[i].second) << i;
    }
}

TEST(KeptLines, LineKeysRoundHalfAwayAndSaturate) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::vector<std::pair<float, std::int32_t>> cases = {
        {700.1f, 1400}, {700.25f, 1401}, {-0.25f, -1}, {0.0f, 0}, {nan, 0},
        {inf, kMax},    {-inf, kMin},    {3e9f, kMax}, {-3e9f, kMin},
        {1073741823.0f, kMax},  // 2 y rounds past the largest i32
    };
    for (const auto& [y, key] : cases) EXPECT_EQ(kept_line_key(y), key) << y;
    EXPECT_EQ(kept_line_key(-1073741824.0f), kMin);
    EXPECT_EQ(kept_line_key(1000000.0f), 2000000);
}

TEST(TocPageNumbers, GlyphsAndBaselines) {
    const std::vector<std::pair<Glyph, bool>> glyphs = {
        {kept("7", "toc"), true}, {kept(" x ", "toc"), true}, {kept("V", "toc"), true},
        {kept("7", "line-kept"), false}, {kept("12", "toc"), false}, {kept("b", "toc"), false},
        {test::make_glyph({.text = "7"}), false},
    };
    for (const auto& [g, number] : glyphs) EXPECT_EQ(is_toc_page_number_glyph(g), number) << g.unicode;

    const std::vector<Glyph> page = {kept("5", "toc", 1, 705.4f), kept("6", "toc", 2, 700)};
    EXPECT_TRUE(has_toc_page_number_near_baseline(page, 1, 700, 10));
    EXPECT_FALSE(has_toc_page_number_near_baseline(page, 1, 699.8f, 10));  // 5.6 away
    EXPECT_FALSE(has_toc_page_number_near_baseline(page, 0, 705.4f, 10));   // another page
    EXPECT_TRUE(has_toc_page_number_near_baseline(page, 2, 700.5f, 0.5f));  // window 0.55
    EXPECT_FALSE(has_toc_page_number_near_baseline(page, 2, 700.6f, 0.5f));
    EXPECT_TRUE(has_toc_page_number_near_baseline(page, 2, 700.5f, std::numeric_limits<float>::quiet_NaN()));
}

TEST(SectionNumbers, DottedAndLeadingNumbers) {
    const std::vector<std::pair<std::string, bool>> dotted = {
        {"2.1", true}, {"12.", true}, {" 1.2.3 ", true}, {".", false}, {"2", false}, {"", false}, {"2.a", false},
    };
    for (const auto& [text, want] : dotted) EXPECT_EQ(is_dotted_number_text(text), want) << text;
    const std::vector<std::pair<std::string, bool>> leading = {
        {"2.1", true}, {"3.4.5.", true}, {"2.1 Methods", true}, {"  2.1\tMethods", true},
        {"2.", false}, {"12", false},    {"A.1", false},        {"", false}, {"Methods 2.1", false},
    };
    for (const auto& [text, want] : leading) EXPECT_EQ(starts_with_section_number(text), want) << text;
}

GlyphSource source_at(std::optional<ObjectId> object, std::uint64_t start, std::uint64_t end) {
    GlyphSource source;
    source.object_id = object;
    source.byte_start = start;
    source.byte_end = end;
    return source;
}

TEST(OperatorKeys, FromTheStreamIdAndByteRange) {
    const auto key = operator_key_of(source_at(ObjectId{12, 0}, 10, 20));
    ASSERT_TRUE(key);
    EXPECT_EQ(*key, (OperatorKey{12, 0, 10, 20}));
    EXPECT_EQ(operator_key_of(source_at(ObjectId{7, 65535}, 0, 1)), (OperatorKey{7, 65535, 0, 1}));
    EXPECT_FALSE(operator_key_of(source_at(ObjectId{12, 0}, 20, 20)));
    EXPECT_FALSE(operator_key_of(source_at(ObjectId{12, 0}, 21, 20)));
    EXPECT_FALSE(operator_key_of(source_at(std::nullopt, 10, 20)));
}

TEST(OperatorKeys, GlyphsCoverTheirOperators) {
    std::vector<Glyph> glyphs;
    for (std::uint32_t id = 1; id <= 4; ++id) {
        Glyph g = test::make_glyph({.text = "a"}, id);
        g.source = source_at(ObjectId{5, 0}, id <= 3 ? 0 : 30, id <= 3 ? 30 : 40);
        glyphs.push_back(g);
    }
    OperatorGlyphs operators;
    operators[{5, 0, 0, 30}] = {1, 2, 3};
    operators[{5, 0, 30, 40}] = {4};
    const std::vector<const Glyph*> all = {&glyphs[0], &glyphs[1], &glyphs[2]};
    const std::vector<const Glyph*> part = {&glyphs[0], &glyphs[1]};
    EXPECT_TRUE(glyphs_cover_their_operators(all, operators));
    EXPECT_FALSE(glyphs_cover_their_operators(part, operators));
    EXPECT_TRUE(glyphs_cover_their_operators(std::vector<const Glyph*>{}, operators));
    EXPECT_FALSE(glyphs_cover_their_operators(all, OperatorGlyphs{}));
    Glyph unkeyed = glyphs[3];
    unkeyed.source.object_id.reset();
    EXPECT_FALSE(glyphs_cover_their_operators(std::vector<const Glyph*>{&unkeyed}, operators));
    EXPECT_TRUE(glyphs_cover_their_operators(std::vector<const Glyph*>{&glyphs[3]}, operators));
}

TEST(CharSubstitutes, ForTextInOrder) {
    struct Case {
        char32_t c;
        std::vector<char32_t> candidates;
    };
    const std::vector<Case> cases = {
        {0x1D6C2, {0x03B1, U'a'}},       // mathematical bold small alpha
        {0x03D5, {0x03C6, U'f'}},        // phi symbol: fixed list only
        {0x00C9, {U'E'}},                // folded Latin letter
        {0x2074, {U'4'}},                // superscript four
        {0x03B1, {}},                    // a plain Greek letter is not turned Latin
        {0x1D400, {U'A'}},               // bold capital A: no Greek step
        {0x2014, {U'-'}},
        {0x0152, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(substitute_chars_for_text(c.c), c.candidates) << std::hex << static_cast<unsigned>(c.c);
    }
}

}  // namespace
}  // namespace zvk::rewrite
