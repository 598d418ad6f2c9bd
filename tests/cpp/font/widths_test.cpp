#include "font/widths.h"

#include <gtest/gtest.h>

#include "font/decode.h"
#include "font/font_fixture.h"

namespace zvk::font {
namespace {

using test::FixtureObject;
using test::load_pdf;

// The arrays are written as the entries of object 3, so references inside
// them (to object 4, the number 700) are followed as in a real file.
pdf::Document arrays_document(const std::string& entries) {
    return load_pdf({{3, {"<< " + entries + " >>", std::nullopt}}, {4, {"700", std::nullopt}}});
}

struct WidthsCase {
    const char* label;
    std::string w;
    std::vector<std::pair<std::uint32_t, float>> expected;  // default 1000 elsewhere
};

class ParseCidWidths : public ::testing::TestWithParam<WidthsCase> {};

TEST_P(ParseCidWidths, GivesEachCidItsWidth) {
    auto doc = arrays_document("/W " + GetParam().w);
    GlyphWidths widths = parse_cid_widths(doc, doc.object({3, 0}).get("W"), 1000.0f);
    for (const auto& [cid, width] : GetParam().expected) EXPECT_FLOAT_EQ(widths.width_of(cid), width) << "CID " << cid;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseCidWidths,
    ::testing::Values(
        WidthsCase{"both_forms", "[1 [500 600] 10 20 300]", {{1, 500}, {2, 600}, {3, 1000}, {10, 300}, {20, 300}, {21, 1000}}},
        WidthsCase{"non_number_uses_up_its_cid", "[1 [500 /x 600]]", {{1, 500}, {2, 1000}, {3, 600}}},
        WidthsCase{"leading_name_skipped", "[/x 1 [500]]", {{1, 500}}},
        WidthsCase{"stray_name_then_resync", "[1 /x 3 [400]]", {{1, 1000}, {3, 400}}},
        WidthsCase{"cut_off_pair", "[1 2]", {{1, 1000}, {2, 1000}}},
        WidthsCase{"inverted_range_kept_matching_nothing", "[5 3 100]", {{3, 1000}, {4, 1000}, {5, 1000}}},
        WidthsCase{"map_wins_over_earlier_range", "[0 10 500 5 [700]]", {{4, 500}, {5, 700}, {6, 500}}},
        WidthsCase{"first_range_wins", "[0 10 500 5 20 800]", {{5, 500}, {15, 800}}},
        WidthsCase{"negative_cid_is_zero", "[-5 [500]]", {{0, 500}}},
        WidthsCase{"real_cid_truncates", "[2.9 [500]]", {{2, 500}, {3, 1000}}},
        WidthsCase{"huge_cid_saturates", "[99999999999 [500] 5000000000.0 [600]]", {{4294967295u, 600}}},
        WidthsCase{"cid_wraps_inside_array", "[4294967295 [1 2]]", {{4294967295u, 1}, {0, 2}}},
        WidthsCase{"references_followed", "[1 [4 0 R]]", {{1, 700}}},
        WidthsCase{"not_an_array", "/Nope", {{1, 1000}}}),
    [](const auto& info) { return std::string(info.param.label); });

struct VerticalCase {
    const char* label;
    std::optional<std::string> dw2;
    std::optional<std::string> w2;
    std::array<float, 2> dw2_values;
    std::vector<std::pair<std::uint32_t, std::optional<VerticalMetric>>> expected;
};

bool same_metric(const std::optional<VerticalMetric>& a, const std::optional<VerticalMetric>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->w1y == b->w1y && a->vx == b->vx && a->vy == b->vy);
}

class ParseCidVerticalMetrics : public ::testing::TestWithParam<VerticalCase> {};

TEST_P(ParseCidVerticalMetrics, ReadsDw2ThenW2) {
    const auto& c = GetParam();
    std::string entries;
    if (c.dw2) entries += "/DW2 " + *c.dw2 + " ";
    if (c.w2) entries += "/W2 " + *c.w2;
    auto doc = arrays_document(entries);
    pdf::Object dict = doc.object({3, 0});
    auto stored = [&](const char* key) { return dict.has_key(key) ? std::optional(dict.get(key)) : std::nullopt; };
    VerticalMetrics metrics = parse_cid_vertical_metrics(doc, stored("DW2"), stored("W2"));
    EXPECT_EQ(metrics.dw2, c.dw2_values);
    for (const auto& [cid, metric] : c.expected) {
        EXPECT_TRUE(same_metric(metrics.explicit_metric(cid), metric)) << "CID " << cid;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseCidVerticalMetrics,
    ::testing::Values(
        VerticalCase{"triple", std::nullopt, "[1 [-1000 500 880]]", {880, -1000},
                     {{1, VerticalMetric{-1000, 500, 880}}, {2, std::nullopt}}},
        VerticalCase{"short_triple_gives_nothing", std::nullopt, "[1 [-1000 500]]", {880, -1000}, {{1, std::nullopt}}},
        VerticalCase{"trailing_number_ignored", std::nullopt, "[1 [-1000 500 880 -900]]", {880, -1000},
                     {{1, VerticalMetric{-1000, 500, 880}}, {2, std::nullopt}}},
        VerticalCase{"range", std::nullopt, "[10 20 -1000 500 880]", {880, -1000},
                     {{10, VerticalMetric{-1000, 500, 880}}, {20, VerticalMetric{-1000, 500, 880}}, {21, std::nullopt}}},
        VerticalCase{"cut_off_range", std::nullopt, "[10 20 -1000 500]", {880, -1000}, {{10, std::nullopt}}},
        // Four more elements must follow a CID that starts no array, else the walk ends.
        VerticalCase{"too_few_to_resync", std::nullopt, "[/x 1 /y 2 [-500 1 2]]", {880, -1000}, {{2, std::nullopt}}},
        VerticalCase{"non_numbers_take_defaults", std::nullopt, "[1 [/x 500 /y]]", {880, -1000},
                     {{1, VerticalMetric{-1000, 500, 880}}}},
        VerticalCase{"defaults_from_own_dw2", "[900 -800]", "[1 [/x /x /y]]", {900, -800},
                     {{1, VerticalMetric{-800, 0, 900}}}},
        VerticalCase{"one_element_dw2", "[900]", std::nullopt, {900, -1000}, {}},
        VerticalCase{"dw2_non_number_keeps_default", "[/a 4 0 R]", std::nullopt, {880, 700}, {}},
        VerticalCase{"dw2_not_an_array", "5", std::nullopt, {880, -1000}, {}},
        VerticalCase{"malformed_stretch_resyncs", std::nullopt, "[/x 1 /y 2 [-500 1 2] 0 0]", {880, -1000},
                     {{1, std::nullopt}, {2, VerticalMetric{-500, 1, 2}}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CidFontMetrics, TypeZeroFontReadsWidthsAndVerticalMetrics) {
    auto loaded = test::load_fixture_font(
        {{10, {"<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-V /DescendantFonts [11 0 R] >>", std::nullopt}},
         {11, {"<< /Subtype /CIDFontType0 /DW 800 /W [1 [600]] /DW2 [900 -950] /W2 [2 [-500 100 700]] >>",
               std::nullopt}}});
    const PdfFont& font = loaded->font;
    ASSERT_TRUE(font.vertical);
    auto one = decode_char_code(font, 1, test::hex_bytes("0001"));
    EXPECT_FLOAT_EQ(one.advance, 0.6f);
    ASSERT_TRUE(one.vertical);
    EXPECT_FLOAT_EQ(one.vertical->w1, -0.95f);
    EXPECT_FLOAT_EQ(one.vertical->vx, 0.3f);  // half the CID's width
    EXPECT_FLOAT_EQ(one.vertical->vy, 0.9f);
    auto two = decode_char_code(font, 2, test::hex_bytes("0002"));
    EXPECT_FLOAT_EQ(two.advance, 0.8f);
    EXPECT_FLOAT_EQ(two.vertical->w1, -0.5f);
    EXPECT_FLOAT_EQ(two.vertical->vx, 0.1f);
    EXPECT_FLOAT_EQ(two.vertical->vy, 0.7f);
}

}  // namespace
}  // namespace zvk::font
