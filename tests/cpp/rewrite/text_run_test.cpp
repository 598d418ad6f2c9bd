#include "rewrite/placement/text_run.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

// A font mapping U+4E2D (id 7, 1000 units), U+6587 (id 9, 500 units) and 'A'
// (id 3, 1229 units) at the given units per em.
SubsetFont font_with(std::uint16_t units_per_em) {
    SubsetFont font;
    font.units_per_em = units_per_em;
    font.glyphs[0x4E2D] = {7, 1000};
    font.glyphs[0x6587] = {9, 500};
    font.glyphs['A'] = {3, 1229};
    return font;
}

TEST(CharAdvance, ScalesFontUnitsOrFallsBackToOneEm) {
    const SubsetFont per_1000 = font_with(1000);
    const SubsetFont per_2048 = font_with(2048);
    const SubsetFont empty;
    struct Case {
        const char* name;
        const SubsetFont& font;
        char32_t c;
        float size;
        float expected;
    };
    const std::vector<Case> cases = {
        {"500 units at 10 per 1000", per_1000, 0x6587, 10.0f, 5.0f},
        // Multiply first, then divide, in 32-bit floats.
        {"1229 units at 10 per 2048", per_2048, 'A', 10.0f, 1229.0f * 10.0f / 2048.0f},
        {"missing character measures one em", per_1000, 'z', 12.5f, 12.5f},
        {"empty map measures one em", empty, 0x4E2D, 9.0f, 9.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(char_advance(c.font, c.c, c.size)),
                  std::bit_cast<std::uint32_t>(c.expected))
            << c.name;
    }
}

TEST(BuildTextRun, FieldsFollowTheCharacters) {
    const SubsetFont font = font_with(1000);
    const SubsetFont empty;
    struct Case {
        const char* name;
        const SubsetFont& font;
        std::string text;
        std::vector<std::uint16_t> ids;
        std::vector<float> advances;
    };
    const std::vector<Case> cases = {
        {"empty text", font, "", {}, {}},
        {"one character", font, "\u4E2D", {7}, {10.0f}},
        {"empty map: one em each, no ids", empty, "\u4E2D\u6587", {}, {10.0f, 10.0f}},
        {"only the middle character mapped", font, "x\u6587y", {9}, {10.0f, 5.0f, 10.0f}},
    };
    for (const Case& c : cases) {
        const TextRun run = build_text_run(4, make_rgb_color(0.1f, 0.2f, 0.3f), c.text, c.font, 72.0f, 700.0f, 10.0f,
                                           0.25f, "ZVK1", {11, 12});
        EXPECT_EQ(run.output_glyph_ids, c.ids) << c.name;
        EXPECT_EQ(run.advances, c.advances) << c.name;
        const std::size_t n = c.advances.size();
        EXPECT_EQ(run.gap_adjustments, std::vector<float>(n > 0 ? n - 1 : 0, 0.0f)) << c.name;
        EXPECT_EQ(run.marker_flags, std::vector<std::uint8_t>(n, 0)) << c.name;
        EXPECT_EQ(run.text, c.text) << c.name;
        EXPECT_EQ(run.font_resource, "ZVK1") << c.name;
        EXPECT_EQ(run.source_glyph_ids, (std::vector<std::uint32_t>{11, 12})) << c.name;
        EXPECT_EQ(run.fill_color, make_rgb_color(0.1f, 0.2f, 0.3f)) << c.name;
        EXPECT_EQ(run.page_index, 4u) << c.name;
        EXPECT_EQ(run.x, 72.0f) << c.name;
        EXPECT_EQ(run.baseline, 700.0f) << c.name;
        EXPECT_EQ(run.font_size, 10.0f) << c.name;
        EXPECT_EQ(run.skew, 0.25f) << c.name;
        EXPECT_EQ(run.marker_size_factor, 1.0f) << c.name;
        EXPECT_EQ(run.marker_rise_factor, 0.0f) << c.name;
    }
}

TEST(BuildTextRun, FromStyleCopiesTheStyleIntoEachRun) {
    const SubsetFont font = font_with(1000);
    Color color = make_gray_color(0.5f);
    std::string resource = "ZVK2";
    const TextRunStyle style{.page_index = 2, .baseline = 300.0f, .font_size = 8.0f, .fill_color = color,
                             .font = font, .font_resource = resource, .skew = 0.0f};
    TextRun run = build_text_run_from_style(style, "\u4E2D", {5}, 40.0f);
    // The run owns its copies: changing the caller's values leaves it alone.
    color.components[0] = 0.9f;
    resource[3] = '9';
    EXPECT_EQ(run.fill_color, make_gray_color(0.5f));
    EXPECT_EQ(run.font_resource, "ZVK2");
    EXPECT_EQ(run.page_index, 2u);
    EXPECT_EQ(run.baseline, 300.0f);
    EXPECT_EQ(run.x, 40.0f);
    EXPECT_EQ(run.advances, std::vector<float>{8.0f});
    EXPECT_EQ(run.output_glyph_ids, std::vector<std::uint16_t>{7});
    EXPECT_EQ(run.source_glyph_ids, std::vector<std::uint32_t>{5});
}

// A four-character run with distinct values everywhere, so a slice that takes
// the wrong window shows it.
TextRun four_character_run() {
    TextRun run;
    run.fill_color = make_rgb_color(1, 0, 0);
    run.font_resource = "ZVK0";
    run.text = "\u4E2Da\u6587b";
    run.output_glyph_ids = {10, 11, 12, 13};
    run.advances = {1.0f, 2.0f, 3.0f, 4.0f};
    run.gap_adjustments = {0.5f, 0.25f, 0.125f};
    run.marker_flags = {0, 1, 1, 0};
    run.source_glyph_ids = {100, 101};
    run.page_index = 3;
    run.x = 50.0f;
    run.baseline = 600.0f;
    run.font_size = 12.0f;
    run.skew = 0.25f;
    run.marker_size_factor = 0.6f;
    run.marker_rise_factor = 0.3f;
    return run;
}

const std::vector<std::string> kCharacters = {"\u4E2D", "a", "\u6587", "b"};

TEST(SliceTextRun, TakesTheWindowOfEveryPerCharacterList) {
    struct Case {
        const char* name;
        std::function<void(TextRun&)> change;
        std::size_t start, end;
        std::string text;
        std::vector<std::uint16_t> ids;
        std::vector<float> advances;
        std::vector<float> gaps;
        std::vector<std::uint8_t> flags;
    };
    const std::vector<Case> cases = {
        {"middle two", [](TextRun&) {}, 1, 3, "a\u6587", {11, 12}, {2.0f, 3.0f}, {0.25f}, {1, 1}},
        {"last one", [](TextRun&) {}, 3, 4, "b", {13}, {4.0f}, {}, {0}},
        {"whole run", [](TextRun&) {}, 0, 4, "\u4E2Da\u6587b", {10, 11, 12, 13}, {1, 2, 3, 4},
         {0.5f, 0.25f, 0.125f}, {0, 1, 1, 0}},
        {"start equals end", [](TextRun&) {}, 2, 2, "", {}, {}, {}, {}},
        {"advances off count: font size", [](TextRun& r) { r.advances = {1.0f}; }, 0, 3, "\u4E2Da\u6587", {10, 11, 12},
         {12.0f, 12.0f, 12.0f}, {0.5f, 0.25f}, {0, 1, 1}},
        {"advances off count at size 0: zeros", [](TextRun& r) { r.advances.clear(); r.font_size = 0.0f; }, 0, 2,
         "\u4E2Da", {10, 11}, {0.0f, 0.0f}, {0.5f}, {0, 1}},
        {"glyph ids off count: none", [](TextRun& r) { r.output_glyph_ids = {10, 12}; }, 0, 2, "\u4E2Da", {},
         {1.0f, 2.0f}, {0.5f}, {0, 1}},
        {"short gap list pads with 0", [](TextRun& r) { r.gap_adjustments = {0.5f}; }, 0, 4, "\u4E2Da\u6587b",
         {10, 11, 12, 13}, {1, 2, 3, 4}, {0.5f, 0.0f, 0.0f}, {0, 1, 1, 0}},
        {"flags off count: zeros", [](TextRun& r) { r.marker_flags.clear(); }, 1, 3, "a\u6587", {11, 12},
         {2.0f, 3.0f}, {0.25f}, {0, 0}},
    };
    for (const Case& c : cases) {
        TextRun run = four_character_run();
        c.change(run);
        const TextRun slice = slice_text_run(run, kCharacters, c.start, c.end, 99.0f);
        EXPECT_EQ(slice.text, c.text) << c.name;
        EXPECT_EQ(slice.output_glyph_ids, c.ids) << c.name;
        EXPECT_EQ(slice.advances, c.advances) << c.name;
        EXPECT_EQ(slice.gap_adjustments, c.gaps) << c.name;
        EXPECT_EQ(slice.marker_flags, c.flags) << c.name;
        // Everything else comes from the run, except x.
        EXPECT_EQ(slice.x, 99.0f) << c.name;
        EXPECT_EQ(slice.source_glyph_ids, run.source_glyph_ids) << c.name;
        EXPECT_EQ(slice.fill_color, run.fill_color) << c.name;
        EXPECT_EQ(slice.font_resource, "ZVK0") << c.name;
        EXPECT_EQ(slice.page_index, 3u) << c.name;
        EXPECT_EQ(slice.baseline, 600.0f) << c.name;
        EXPECT_EQ(slice.skew, 0.25f) << c.name;
        EXPECT_EQ(slice.marker_size_factor, 0.6f) << c.name;
        EXPECT_EQ(slice.marker_rise_factor, 0.3f) << c.name;
    }
}

TEST(SliceTextRun, NegativeZeroSizeCountsAsSet) {
    TextRun run = four_character_run();
    run.advances.clear();
    run.font_size = -0.0f;
    const TextRun slice = slice_text_run(run, kCharacters, 0, 2, 0.0f);
    ASSERT_EQ(slice.advances.size(), 2u);
    for (const float a : slice.advances) EXPECT_TRUE(std::signbit(a)) << "the size -0 is copied, not replaced by +0";
}

TEST(CollectGlyphIds, KeepsReferenceOrder) {
    const std::vector<Glyph> glyphs = test::make_glyphs({{"a"}, {"b"}, {"c"}});
    const std::vector<const Glyph*> refs = {&glyphs[2], &glyphs[0], &glyphs[2]};
    EXPECT_EQ(collect_glyph_ids(refs), (std::vector<std::uint32_t>{2, 0, 2}));
    EXPECT_TRUE(collect_glyph_ids({}).empty());
}

TEST(TextRunCharX, SumsAdvancesAndGapAdjustmentsBeforeTheCharacter) {
    TextRun run;
    run.x = 50;
    run.advances = {5, 10, 5};
    run.gap_adjustments = {1};  // the second gap adjustment is missing: 0
    struct Case {
        std::size_t k;
        float x;
    };
    for (const Case c : {Case{0, 50}, Case{1, 56}, Case{2, 66}, Case{3, 71}, Case{9, 71}}) {
        EXPECT_FLOAT_EQ(text_run_char_x(run, 3, c.k), c.x) << c.k;
    }
    // Advances that do not number the characters place nothing.
    EXPECT_FLOAT_EQ(text_run_char_x(run, 4, 2), 50.0f);
}

}  // namespace
}  // namespace zvk::rewrite
