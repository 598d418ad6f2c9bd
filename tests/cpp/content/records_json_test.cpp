#include "content/records_json.h"

#include <gtest/gtest.h>

#include <limits>

namespace zvk {
namespace {


template <typename T, void (*F)(JsonWriter&, const T&)>
std::string to_json(const T& record) {
    std::string out;
    JsonWriter w(out, false);
    F(w, record);
    return out;
}

TEST(RecordsJson, GlyphWithAbsentOptionalsWritesNulls) {
    Glyph g;
    g.id = 7;
    g.page_index = 1;
    g.unicode = "A";
    g.char_code = std::string("\x01\x02", 2);
    g.font_resource = "F1";
    g.font_name = "Helvetica";
    g.font_size = 10.0f;
    g.matrix = {10, 0, 0, 10, 0.1f, std::numeric_limits<float>::infinity()};
    g.bbox = {0, 1, 2, 3};
    g.advance = {5.5f, 0};
    g.fill_color = make_rgb_color(1, 0, 0);
    g.source.operator_index = 3;
    g.source.byte_start = 10;
    g.source.byte_end = 20;
    EXPECT_EQ((to_json<Glyph, write_glyph>(g)),
              "{\"advance\":[5.5,0.0],\"bbox\":[0.0,1.0,2.0,3.0],\"char_code\":[1,2],"
              "\"clip_uncertain\":false,\"clipped\":false,\"disposition\":{\"state\":\"pending\"},"
              "\"fill_color\":{\"components\":[1.0,0.0,0.0],\"space\":\"DeviceRGB\"},"
              "\"font_name\":\"Helvetica\",\"font_object\":null,\"font_resource\":\"F1\","
              "\"font_size\":10.0,\"gid\":null,\"id\":7,\"invisible\":false,"
              "\"matrix\":[10.0,0.0,0.0,10.0,0.10000000149011612,null],\"page_index\":1,"
              "\"render_mode\":0,\"source\":{\"byte_end\":20,\"byte_start\":10,"
              "\"kind\":\"page_content\",\"object_id\":null,\"operator_index\":3,"
              "\"resource_name\":null,\"stream_index\":0},"
              "\"stroke_color\":{\"components\":[0.0],\"space\":\"DeviceGray\"},"
              "\"unicode\":\"A\",\"unmapped\":false,\"vertical\":false}");
}

TEST(RecordsJson, GlyphWithPresentOptionals) {
    Glyph g;
    g.gid = 42;
    g.font_object = ObjectId{12, 0};
    g.source.kind = GlyphSourceKind::FormXObject;
    g.source.object_id = ObjectId{30, 2};
    g.source.resource_name = "Fm1";
    std::string json = to_json<Glyph, write_glyph>(g);
    EXPECT_NE(json.find("\"font_object\":\"12 0\""), std::string::npos);
    EXPECT_NE(json.find("\"gid\":42"), std::string::npos);
    EXPECT_NE(json.find("\"kind\":\"form_x_object\",\"object_id\":\"30 2\""), std::string::npos);
    EXPECT_NE(json.find("\"resource_name\":\"Fm1\""), std::string::npos);
}

TEST(RecordsJson, Dispositions) {
    struct Case {
        GlyphDisposition disposition;
        const char* expected;
    };
    const Case cases[] = {
        {GlyphDisposition::pending(), "{\"state\":\"pending\"}"},
        {GlyphDisposition::translated_pending_rewrite("\xE4\xB8\xAD"),
         "{\"state\":\"translated_pending_rewrite\",\"text\":\"\xE4\xB8\xAD\"}"},
        {GlyphDisposition::rewritten("x"), "{\"state\":\"rewritten\",\"text\":\"x\"}"},
        {GlyphDisposition::kept_original("margin"), "{\"reason\":\"margin\",\"state\":\"kept_original\"}"},
        {GlyphDisposition::non_text("rule"), "{\"reason\":\"rule\",\"state\":\"non_text\"}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((to_json<GlyphDisposition, write_glyph_disposition>(c.disposition)), c.expected);
    }
}

TEST(RecordsJson, SourceKindsAndColours) {
    const std::pair<GlyphSourceKind, const char*> kinds[] = {
        {GlyphSourceKind::PageContent, "page_content"},
        {GlyphSourceKind::FormXObject, "form_x_object"},
        {GlyphSourceKind::AnnotationAppearance, "annotation_appearance"},
        {GlyphSourceKind::Type3CharProc, "type3_char_proc"},
    };
    for (auto [kind, word] : kinds) EXPECT_EQ(glyph_source_kind_word(kind), word);

    EXPECT_EQ((to_json<Color, write_color>(make_cmyk_color(0, 0.5f, 1, 0))),
              "{\"components\":[0.0,0.5,1.0,0.0],\"space\":\"DeviceCMYK\"}");
    EXPECT_EQ((to_json<Color, write_color>(Color{ColorSpace::Unknown, {1, 2}})),
              "{\"components\":[1.0,2.0],\"space\":\"unknown\"}");
    EXPECT_EQ(make_black_color(), make_gray_color(0));
}

TEST(RecordsJson, PageRegionDiagnostic) {
    PageInfo page{3, ObjectId{5, 0}, {0, 0, 612, 792}, -90};
    EXPECT_EQ((to_json<PageInfo, write_page_info>(page)),
              "{\"index\":3,\"media_box\":[0.0,0.0,612.0,792.0],\"object_id\":\"5 0\",\"rotate\":-90}");
    Region region{2, {1, 2, 3, 4}, "image"};
    EXPECT_EQ((to_json<Region, write_region>(region)),
              "{\"bbox\":[1.0,2.0,3.0,4.0],\"kind\":\"image\",\"page_index\":2}");
    EXPECT_EQ((to_json<Diagnostic, write_diagnostic>(Diagnostic{std::nullopt, "document has no pages"})),
              "{\"message\":\"document has no pages\",\"page_index\":null}");
    EXPECT_EQ((to_json<Diagnostic, write_diagnostic>(Diagnostic{4, "m"})),
              "{\"message\":\"m\",\"page_index\":4}");
}

}  // namespace
}  // namespace zvk
