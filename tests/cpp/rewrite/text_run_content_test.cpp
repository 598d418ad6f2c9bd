#include "rewrite/output/text_run_content.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "content/pdf_fixture.h"
#include "pdf/edit.h"
#include "support/pdf_builder.h"

namespace zvk::rewrite {
namespace {

using pdf::Object;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(FormatNumber, ThreeDecimalsCorrectlyRoundedTiesToEven) {
    struct Case {
        float value;
        const char* text;
    };
    const std::vector<Case> cases = {
        {12.0f, "12.000"},
        {0.2f, "0.200"},
        {700.25f, "700.250"},
        {0.0625f, "0.062"},   // an exact tie: to the even digit
        {1.1875f, "1.188"},   // the other way
        {-0.0f, "-0.000"},
        {-0.0001f, "-0.000"},
        {0.0005f, "0.001"},   // the float lies just above the tie
        {-72.5f, "-72.500"},
        {1e9f, "1000000000.000"},
        {kNaN, "0.000"},
        {kInf, "0.000"},
    };
    for (const Case& c : cases) EXPECT_EQ(format_number(c.value), c.text) << c.value;
}

TEST(FillColorOperator, BySpaceAndComponentCount) {
    struct Case {
        const char* name;
        Color color;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"rgb", make_rgb_color(0.2f, 0.4f, 0.6f), "0.200 0.400 0.600 rg"},
        {"rgb with extra", {ColorSpace::DeviceRGB, {1, 0, 0, 9}}, "1.000 0.000 0.000 rg"},
        {"rgb with two", {ColorSpace::DeviceRGB, {1, 0}}, "0 g"},
        {"gray unclamped", make_gray_color(1.5f), "1.500 g"},
        {"gray with none", {ColorSpace::DeviceGray, {}}, "0 g"},
        {"cmyk", make_cmyk_color(0, 0.5f, 1, 0.25f), "0.000 0.500 1.000 0.250 k"},
        {"cmyk with three", {ColorSpace::DeviceCMYK, {0, 0, 0}}, "0 g"},
        {"unknown", {ColorSpace::Unknown, {1, 1, 1}}, "0 g"},
        {"NaN component never reaches the stream", make_rgb_color(kNaN, 0, 0), "0 g"},
    };
    for (const Case& c : cases) EXPECT_EQ(fill_color_operator(c.color), c.text) << c.name;
}

TEST(EncodeGlyphShow, PlainOrTjWithGapNumbers) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> ids;
        std::vector<float> gaps;
        std::size_t start;
        float size;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"the example", {0x101, 0x102, 0x103}, {0.5f, 0.0f}, 0, 10, "[<0101> -50 <0102> <0103>] TJ"},
        {"no gaps set", {0x101, 0x102}, {0.0f}, 0, 10, "<01010102> Tj"},
        {"size 0 is plain", {0x101, 0x102}, {0.5f}, 0, 0, "<01010102> Tj"},
        {"negative size is plain", {0x101, 0x102}, {0.5f}, 0, -1, "<01010102> Tj"},
        {"rounds to nothing", {0x101, 0x102}, {0.0004f}, 0, 10, "[<0101> <0102>] TJ"},
        {"NaN gap is set, writes no number", {0x101, 0x102}, {kNaN}, 0, 10, "[<0101> <0102>] TJ"},
        {"negative gap", {0x1, 0x2}, {-0.25f}, 0, 10, "[<0001> 25 <0002>] TJ"},
        {"halves away from zero", {0x1, 0x2}, {0.0125f}, 0, 5, "[<0001> -3 <0002>] TJ"},
        {"a later slice starts with its gap", {0xA, 0xB}, {0, 0.5f, 0.2f}, 2, 5, "[-100 <000A> -40 <000B>] TJ"},
        {"gaps past the list count 0", {0xA, 0xB}, {0.5f}, 2, 10, "<000A000B> Tj"},
        {"huge gap saturates", {0x1, 0x2}, {1e30f}, 0, 1, "[<0001> -2147483647 <0002>] TJ"},
        {"no glyphs", {}, {}, 0, 10, "<> Tj"},
    };
    for (const Case& c : cases) EXPECT_EQ(encode_glyph_show(c.ids, c.gaps, c.start, c.size), c.text) << c.name;
}

TextRun run_of(std::string text, std::vector<std::uint16_t> ids, float size) {
    TextRun run;
    run.text = std::move(text);
    run.output_glyph_ids = std::move(ids);
    run.font_size = size;
    run.font_resource = "ZVK0";
    run.fill_color = make_gray_color(0);
    return run;
}

TEST(TextRunBody, PlainMarkersOrGaps) {
    struct Case {
        const char* name;
        TextRun run;
        const char* body;
    };
    auto with = [](TextRun r, std::vector<std::uint8_t> flags, std::vector<float> gaps) {
        r.marker_flags = std::move(flags);
        r.gap_adjustments = std::move(gaps);
        r.marker_size_factor = 0.5f;
        r.marker_rise_factor = 0.25f;
        return r;
    };
    const std::vector<Case> cases = {
        {"the marker example", with(run_of("a1", {0x21, 0x12}, 10), {0, 1}, {}),
         "0.000 Ts /ZVK0 10.000 Tf <0021> Tj 2.500 Ts /ZVK0 5.000 Tf <0012> Tj 0 Ts "},
        {"marker first, gap before the second stretch", with(run_of("1ab", {1, 2, 3}, 10), {1, 0, 0}, {0.5f, 0}),
         "2.500 Ts /ZVK0 5.000 Tf <0001> Tj 0.000 Ts /ZVK0 10.000 Tf [-50 <0002> <0003>] TJ 0 Ts "},
        {"marker size floor 0.5", [&] {
             TextRun r = with(run_of("a", {1}, 0.6f), {1}, {});
             return r;
         }(), "0.150 Ts /ZVK0 0.500 Tf <0001> Tj 0 Ts "},
        {"all flags 0: gaps", with(run_of("ab", {1, 2}, 10), {0, 0}, {0.5f}), "[<0001> -50 <0002>] TJ"},
        {"flags short: gaps", with(run_of("ab", {1, 2}, 10), {1}, {0.5f}), "[<0001> -50 <0002>] TJ"},
        {"glyph count off: plain, markers and gaps ignored", with(run_of("abc", {1, 2}, 10), {1, 1, 1}, {0.5f, 0.5f}),
         "<00010002> Tj"},
        {"no glyph ids", run_of("", {}, 10), "<> Tj"},
        {"gaps at size 0: plain", with(run_of("ab", {1, 2}, 0), {}, {0.5f}), "<00010002> Tj"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_run_body(c.run), c.body) << c.name;
}

// A font where the right single quote U+2019 is 1000 units at 1400 per em:
// 10 points wide at size 14.
std::vector<FontEntry> quote_fonts() {
    FontEntry entry{"ZVK0", {}};
    entry.font.units_per_em = 1400;
    entry.font.glyphs[0x2019] = {5, 1000};
    entry.font.glyphs['x'] = {6, 1000};
    return {entry};
}

TEST(TextRunLine, TheExampleLine) {
    TextRun run = run_of("A\u01F3", {0x41, 0x1F3}, 10.5f);
    run.fill_color = make_rgb_color(0.2f, 0.4f, 0.6f);
    run.x = 72;
    run.baseline = 700.25f;
    EXPECT_EQ(text_run_line(run, {}),
              "0 Tc /ZVK0 10.500 Tf 0.200 0.400 0.600 rg 1 0 0.000 1 72.000 700.250 Tm <004101F3> Tj\n");
    run.skew = -0.0f;
    EXPECT_NE(text_run_line(run, {})->find(" 1 0 -0.000 1 "), std::string::npos);
}

TEST(TextRunLine, NonFiniteRunsAreNotWritten) {
    const std::vector<std::function<void(TextRun&)>> breaks = {
        [](TextRun& r) { r.x = kNaN; },          [](TextRun& r) { r.baseline = kInf; },
        [](TextRun& r) { r.font_size = kNaN; },  [](TextRun& r) { r.skew = -kInf; },
        [](TextRun& r) { r.marker_size_factor = kNaN; }, [](TextRun& r) { r.marker_rise_factor = kInf; },
    };
    for (std::size_t i = 0; i < breaks.size(); ++i) {
        TextRun run = run_of("a", {1}, 10);
        breaks[i](run);
        EXPECT_FALSE(text_run_line(run, {})) << "case " << i;
    }
}

TEST(Squeeze, OnlyLargeSingleQuotesMuchNarrowerThanTheFontDrawsThem) {
    const std::vector<FontEntry> fonts = quote_fonts();
    struct Case {
        const char* name;
        std::string text;
        float size;
        std::vector<float> advances;
        std::string resource;
        std::optional<float> percent;
    };
    const std::vector<Case> cases = {
        {"a = 2 of w = 10: floor 35", "\u2019", 14, {2}, "ZVK0", 35.0f},
        {"a = 5: 50", "\u2019", 14, {5}, "ZVK0", 50.0f},
        {"a = 9.3 above 0.92 w", "\u2019", 14, {9.3f}, "ZVK0", std::nullopt},
        {"size 13.999", "\u2019", 13.999f, {2}, "ZVK0", std::nullopt},
        {"not a quote", "x", 14, {2}, "ZVK0", std::nullopt},
        {"two quotes", "\u2019\u2019", 14, {2, 2}, "ZVK0", std::nullopt},
        {"no such font", "\u2019", 14, {2}, "ZVK9", std::nullopt},
        {"a at most 0.4", "\u2019", 14, {0.4f}, "ZVK0", std::nullopt},
        {"no advances: a = w", "\u2019", 14, {}, "ZVK0", std::nullopt},
    };
    for (const Case& c : cases) {
        TextRun run = run_of(c.text, {5}, c.size);
        run.advances = c.advances;
        run.font_resource = c.resource;
        EXPECT_EQ(squeeze_percent(run, fonts), c.percent) << c.name;
    }
    TextRun run = run_of("\u2019", {5}, 14);
    run.advances = {5};
    EXPECT_EQ(text_run_line(run, fonts),
              "0 Tc 50.000 Tz /ZVK0 14.000 Tf 0.000 g 1 0 0.000 1 0.000 0.000 Tm <0005> Tj\n100 Tz \n");
}

// --- Writing into a document -------------------------------------------

std::string stream_text(const pdf::Document& doc, const Object& ref) {
    return doc.decode_stream(ref.follow(), 1 << 20).value_or("<none>");
}

TEST(FirstFreeFontNumber, OneAboveEveryZvkFontOfAnyPage) {
    struct Case {
        const char* name;
        std::string fonts_page1;
        std::string fonts_page2;
        std::uint32_t expected;
    };
    const std::vector<Case> cases = {
        {"ordinary input", "/F1 1 0 R", "", 0},
        {"ZVK0 on one page", "/ZVK0 1 0 R", "/F1 1 0 R", 1},
        {"highest of all pages", "/ZVK2 1 0 R", "/ZVK7 1 0 R /ZVK3 1 0 R", 8},
        {"other ZVK names do not count", "/ZVKF 1 0 R /ZVK 1 0 R /ZVKSrc 1 0 R /ZVK1x 1 0 R", "", 0},
    };
    for (const Case& c : cases) {
        // Page 2's fonts are inherited from the Pages node, through an
        // indirect Font dictionary.
        auto doc = test::load_pdf(test::build_pdf({
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /Resources << /Font 5 0 R >> >>",
            "<< /Type /Page /Parent 2 0 R /Resources << /Font << " + c.fonts_page1 + " >> >> >>",
            "<< /Type /Page /Parent 2 0 R >>",
            "<< " + c.fonts_page2 + " >>",
        }));
        ASSERT_TRUE(doc) << c.name;
        const std::vector<PageInfo> pages = {{0, {3, 0}}, {1, {4, 0}}};
        EXPECT_EQ(first_free_font_number(*doc, pages), c.expected) << c.name;
    }
}

FontEntry tiny_font(std::string name) {
    FontEntry entry{std::move(name), {}};
    entry.font.units_per_em = 1000;
    entry.font.glyphs[0x4E2D] = {1, 1000};
    entry.font.font_bytes = std::string("\x00\x01\x00\x00", 4);
    return entry;
}

TEST(WriteTextRuns, NoRunsLeavesTheDocumentAlone) {
    auto doc = test::load_pdf(test::single_page_pdf("", "0 g"));
    ASSERT_TRUE(doc);
    const auto before = pdf::all_object_ids(*doc);
    const std::vector<FontEntry> fonts = {tiny_font("ZVK0")};
    ASSERT_TRUE(write_text_runs_and_cjk_font(*doc, std::vector<PageInfo>{{0, {3, 0}}}, {}, fonts));
    EXPECT_EQ(pdf::all_object_ids(*doc), before);
}

TEST(WriteTextRuns, PageTextResourcesAndContents) {
    // Page 3 has an indirect Font dictionary (object 5) naming ZVK0 already.
    auto doc = test::load_pdf(test::build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font 5 0 R /ProcSet [/PDF] >> >>",
        test::pdf_stream("", "BT /ZVK0 12 Tf (Hello) Tj ET"),
        "<< /ZVK0 6 0 R /F1 6 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    }));
    ASSERT_TRUE(doc);
    const std::vector<PageInfo> pages = {{0, {3, 0}}};
    const std::uint32_t first = first_free_font_number(*doc, pages);
    ASSERT_EQ(first, 1u);
    const std::vector<FontEntry> fonts = {tiny_font("ZVK" + std::to_string(first)), tiny_font("ZVK2")};
    std::vector<TextRun> runs = {run_of("\u4E2D", {1}, 10), run_of("\u4E2D", {1}, 12), run_of("\u4E2D", {1}, 8)};
    runs[0].font_resource = "ZVK1";
    runs[1].font_resource = "ZVK2";
    runs[1].x = 5;
    runs[2].page_index = 7;  // no such page: not drawn
    runs[2].font_resource = "ZVK1";
    ASSERT_TRUE(write_text_runs_and_cjk_font(*doc, pages, runs, fonts));

    const Object page = doc->object({3, 0});
    const Object font_dict = page.get("Resources").get("Font");
    ASSERT_TRUE(font_dict.is_dictionary()) << "a direct Font dictionary";
    EXPECT_EQ(font_dict.get("ZVK0").object_id()->number, 6u) << "the page's own ZVK0 stays";
    EXPECT_EQ(font_dict.get("F1").object_id()->number, 6u);
    EXPECT_EQ(font_dict.get("ZVK1").follow().get("Subtype").name_bytes(), "Type0");
    EXPECT_EQ(font_dict.get("ZVK2").follow().get("Subtype").name_bytes(), "Type0");
    EXPECT_EQ(page.get("Resources").get("ProcSet").array_at(0).name_bytes(), "PDF");
    EXPECT_FALSE(doc->object({5, 0}).has_key("ZVK1")) << "the shared Font dictionary is not edited";

    const Object contents = page.get("Contents");
    ASSERT_EQ(contents.array_size(), 4u);
    EXPECT_EQ(stream_text(*doc, contents.array_at(0)), "q\n");
    EXPECT_EQ(contents.array_at(1).object_id()->number, 4u);
    EXPECT_EQ(stream_text(*doc, contents.array_at(2)), "Q\n");
    EXPECT_EQ(stream_text(*doc, contents.array_at(3)),
              "BT\n0 Tc 0 Tw 100 Tz 0 TL 0 Ts\n"
              "0 Tc /ZVK1 10.000 Tf 0.000 g 1 0 0.000 1 0.000 0.000 Tm <0001> Tj\n"
              "0 Tc /ZVK2 12.000 Tf 0.000 g 1 0 0.000 1 5.000 0.000 Tm <0001> Tj\n"
              "ET\n");
}

TEST(WriteTextRuns, MissingOrOddPageObjectFails) {
    struct Case {
        const char* name;
        pdf::ObjectId page;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"missing", {40, 0}, "object ID 40 0 not found"},
        {"array", {4, 0}, "object has wrong type; expected type Dictionary but found type Array"},
    };
    for (const Case& c : cases) {
        auto doc = test::load_pdf(test::build_pdf({"<< /Type /Catalog /Pages 2 0 R >>",
                                                   "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                                   "<< /Type /Page /Parent 2 0 R >>", "[1 2]"}));
        ASSERT_TRUE(doc);
        const std::vector<FontEntry> fonts = {tiny_font("ZVK0")};
        const std::vector<TextRun> runs = {run_of("\u4E2D", {1}, 10)};
        auto result = write_text_runs_and_cjk_font(*doc, std::vector<PageInfo>{{0, c.page}}, runs, fonts);
        ASSERT_FALSE(result) << c.name;
        EXPECT_NE(result.error().display().find(c.text), std::string::npos) << c.name << ": " << result.error().display();
    }
}

}  // namespace
}  // namespace zvk::rewrite

namespace zvk::rewrite {
namespace {

TEST(WriteTextRuns, SameResourceNameTwiceEmbedsBothAndTheLaterWins) {
    auto doc = test::load_pdf(test::single_page_pdf("", "0 g"));
    ASSERT_TRUE(doc);
    const std::size_t objects_before = pdf::all_object_ids(*doc).size();
    const std::vector<FontEntry> fonts = {tiny_font("ZVK0"), tiny_font("ZVK0")};
    const std::vector<TextRun> runs = {run_of("\u4E2D", {1}, 10)};
    ASSERT_TRUE(write_text_runs_and_cjk_font(*doc, std::vector<PageInfo>{{0, {3, 0}}}, runs, fonts));
    // Five objects per font, then the text stream and the q and Q streams.
    EXPECT_EQ(pdf::all_object_ids(*doc).size(), objects_before + 5 + 5 + 3);
    const Object font = doc->object({3, 0}).get("Resources").get("Font").get("ZVK0");
    // The first font's Type0 is object 5 + 4 = 9, the second's 14.
    EXPECT_EQ(font.object_id()->number, 14u);
}

}  // namespace
}  // namespace zvk::rewrite
