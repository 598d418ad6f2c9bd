#include "font/font_loader.h"

#include <gtest/gtest.h>

#include "font/decode.h"
#include "font/font_fixture.h"
#include "font/sfnt.h"

namespace zvk::font {
namespace {

using test::FixtureObject;
using test::hex_bytes;
using test::load_fixture_font;
using test::load_pdf;
using test::stored_entry;

TEST(LoadFont, FallbackFontForEntriesThatAreNotDictionaries) {
    struct Case {
        const char* label;
        std::string resources;
        std::map<std::uint32_t, FixtureObject> extra;
        bool has_object_id;
    } cases[] = {
        {"reference_to_integer", "<< /F1 10 0 R >>", {{10, {"42", std::nullopt}}}, true},
        // The PDF layer hands out a reference to a missing object as null.
        {"reference_to_missing_object", "<< /F1 10 0 R >>", {{11, {"1", std::nullopt}}}, false},
        {"reference_to_stream", "<< /F1 10 0 R >>", {{10, {"<< >>", "x"}}}, true},
        {"direct_name", "<< /F1 /Helvetica >>", {}, false},
    };
    for (const auto& c : cases) {
        auto objects = c.extra;
        objects[3] = {c.resources, std::nullopt};
        auto loaded = load_fixture_font(objects);
        const PdfFont& font = loaded->font;
        EXPECT_EQ(font.kind, FontKind::Unknown) << c.label;
        EXPECT_EQ(font.base_font, "F1") << c.label;
        EXPECT_EQ(font.resource_name, "F1") << c.label;
        EXPECT_EQ(font.object_id.has_value(), c.has_object_id) << c.label;
        EXPECT_FALSE(font.simple_encoding) << c.label;
        auto decoded = decode_char_code(font, 0x41, "A");
        EXPECT_EQ(decoded.unicode, std::nullopt) << c.label;
        EXPECT_FLOAT_EQ(decoded.advance, 1.0f) << c.label;
    }
}

TEST(LoadFont, KindAndBaseFont) {
    struct Case {
        const char* label;
        std::string dictionary;
        FontKind kind;
        std::string base_font;
    } cases[] = {
        {"mmtype1", "<< /Subtype /MMType1 /BaseFont /Foo_MM >>", FontKind::Type1, "Foo_MM"},
        {"truetype", "<< /Subtype /TrueType /BaseFont /Arial >>", FontKind::TrueType, "Arial"},
        {"unknown_subtype", "<< /Subtype /OpenType /BaseFont /X >>", FontKind::Unknown, "X"},
        {"missing_subtype", "<< /BaseFont /X >>", FontKind::Unknown, "X"},
        {"base_font_not_a_name", "<< /Subtype /Type1 /BaseFont (X) >>", FontKind::Type1, "F1"},
        {"subtype_through_reference", "<< /Subtype 11 0 R /BaseFont /X >>", FontKind::Type3, "X"},
    };
    for (const auto& c : cases) {
        auto loaded = load_fixture_font({{10, {c.dictionary, std::nullopt}}, {11, {"/Type3", std::nullopt}}});
        EXPECT_EQ(loaded->font.kind, c.kind) << c.label;
        EXPECT_EQ(loaded->font.base_font, c.base_font) << c.label;
        EXPECT_EQ(loaded->font.object_id, (ObjectId{10, 0})) << c.label;
        EXPECT_FALSE(loaded->font.cid_keyed) << c.label;
    }
}

struct TypeZeroCase {
    const char* label;
    std::map<std::uint32_t, FixtureObject> objects;
    bool identity;
    bool vertical;
    bool has_encoding_cmap;
    std::string base_font;
    float default_width;
    CidToGid::Kind cid_to_gid;
    std::size_t table_size = 0;
};

class LoadTypeZeroFont : public ::testing::TestWithParam<TypeZeroCase> {};

TEST_P(LoadTypeZeroFont, ReadsEncodingAndDescendant) {
    const auto& c = GetParam();
    auto loaded = load_fixture_font(c.objects);
    const PdfFont& font = loaded->font;
    EXPECT_EQ(font.kind, FontKind::Type0);
    EXPECT_TRUE(font.cid_keyed);
    EXPECT_FALSE(font.simple_encoding);
    EXPECT_EQ(font.identity, c.identity);
    EXPECT_EQ(font.vertical, c.vertical);
    EXPECT_EQ(font.encoding_cmap != nullptr, c.has_encoding_cmap);
    EXPECT_EQ(font.base_font, c.base_font);
    EXPECT_FLOAT_EQ(font.widths->default_width, c.default_width);
    EXPECT_EQ(font.cid_to_gid.kind, c.cid_to_gid);
    if (c.cid_to_gid == CidToGid::Kind::Table) {
        EXPECT_EQ(font.cid_to_gid.table->size(), c.table_size);
    }
}

std::map<std::uint32_t, FixtureObject> type0(const std::string& entries, const std::string& descendant,
                                             std::map<std::uint32_t, FixtureObject> extra = {}) {
    extra[10] = {"<< /Type /Font /Subtype /Type0 /BaseFont /Top " + entries + " /DescendantFonts [11 0 R] >>",
                 std::nullopt};
    extra[11] = {"<< /Type /Font " + descendant + " >>", std::nullopt};
    return extra;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadTypeZeroFont,
    ::testing::Values(
        TypeZeroCase{"no_encoding_is_identity_h", type0("", "/Subtype /CIDFontType0"), true, false, false, "Top",
                     1000, CidToGid::Kind::None},
        TypeZeroCase{"identity_v", type0("/Encoding /Identity-V", "/Subtype /CIDFontType0 /BaseFont /Desc"), true,
                     true, false, "Desc", 1000, CidToGid::Kind::None},
        TypeZeroCase{"unrecognised_name_is_identity", type0("/Encoding /Nope-H", "/Subtype /CIDFontType0"), true,
                     false, false, "Top", 1000, CidToGid::Kind::None},
        TypeZeroCase{"wmode_without_mappings_is_vertical",
                     type0("/Encoding 12 0 R", "/Subtype /CIDFontType0",
                           {{12, {"<< /Type /CMap >>", "/CMapName /X def /WMode 1 def begincmap endcmap"}}}),
                     false, true, false, "Top", 1000, CidToGid::Kind::None},
        TypeZeroCase{"embedded_encoding_cmap",
                     type0("/Encoding 12 0 R", "/Subtype /CIDFontType0",
                           {{12, {"<< /Type /CMap >>", "begincidrange <00> <FF> 0 endcidrange"}}}),
                     false, false, true, "Top", 1000, CidToGid::Kind::None},
        TypeZeroCase{"unloadable_encoding_stream",
                     type0("/Encoding 12 0 R", "/Subtype /CIDFontType0",
                           {{12, {"<< /Filter /FlateDecode >>", "not deflate"}}}),
                     false, false, false, "Top", 1000, CidToGid::Kind::None},
        TypeZeroCase{"cid_font_type2_defaults_to_identity_gids", type0("", "/Subtype /CIDFontType2 /DW 500"), true,
                     false, false, "Top", 500, CidToGid::Kind::Identity},
        TypeZeroCase{"dw_of_another_kind", type0("", "/Subtype /CIDFontType2 /DW /x"), true, false, false, "Top",
                     1000, CidToGid::Kind::Identity},
        TypeZeroCase{"cid_to_gid_identity_name", type0("", "/Subtype /CIDFontType0 /CIDToGIDMap /Identity"), true,
                     false, false, "Top", 1000, CidToGid::Kind::Identity},
        TypeZeroCase{"cid_to_gid_odd_stream",
                     type0("", "/Subtype /CIDFontType2 /CIDToGIDMap 12 0 R", {{12, {"<< >>", "\x01\x02\x03\x04\x05"}}}),
                     true, false, false, "Top", 1000, CidToGid::Kind::Table, 2},
        TypeZeroCase{"cid_to_gid_other_name", type0("", "/Subtype /CIDFontType2 /CIDToGIDMap /Nope"), true, false,
                     false, "Top", 1000, CidToGid::Kind::None},
        TypeZeroCase{"descendants_as_dictionary",
                     {{10, {"<< /Subtype /Type0 /BaseFont /Top /DescendantFonts << /Subtype /CIDFontType2 /DW 5 >> >>",
                            std::nullopt}}},
                     true, false, false, "Top", 1000, CidToGid::Kind::None}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(LoadToUnicode, AbsentUnreadableOrEmptyGivesNone) {
    struct Case {
        const char* label;
        std::string entry;
        std::optional<std::string> stream;
        bool present;
    } cases[] = {
        {"absent", "", std::nullopt, false},
        {"name", "/ToUnicode /Identity-H", std::nullopt, false},
        {"empty_program", "/ToUnicode 12 0 R", "begincmap endcmap", false},
        {"mapping", "/ToUnicode 12 0 R", "beginbfchar <41> <0042> endbfchar", true},
    };
    for (const auto& c : cases) {
        std::map<std::uint32_t, FixtureObject> objects{
            {10, {"<< /Subtype /Type1 /BaseFont /Foo " + c.entry + " >>", std::nullopt}}};
        if (c.stream) objects[12] = {"<< >>", *c.stream};
        auto loaded = load_fixture_font(objects);
        EXPECT_EQ(loaded->font.to_unicode != nullptr, c.present) << c.label;
    }
}

TEST(FontCache, OneParseServesEveryResourceNameWithItsOwnName) {
    auto doc = load_pdf({{3, {"<< /F1 10 0 R /F2 10 0 R >>", std::nullopt}},
                         {10, {"<< /Subtype /Type1 /BaseFont /Helvetica >>", std::nullopt}}});
    FontCache cache;
    auto f1 = cache.font_for(doc, "F1", stored_entry(doc, 3, "F1"));
    auto f2 = cache.font_for(doc, "F2", stored_entry(doc, 3, "F2"));
    auto f1_again = cache.font_for(doc, "F1", stored_entry(doc, 3, "F1"));
    auto f2_again = cache.font_for(doc, "F2", stored_entry(doc, 3, "F2"));
    EXPECT_EQ(cache.parsed_font_count(), 1u);
    EXPECT_EQ(f1->resource_name, "F1");
    EXPECT_EQ(f2->resource_name, "F2");  // the name it was selected by, not the first one
    EXPECT_EQ(f1.get(), f1_again.get());
    EXPECT_EQ(f2.get(), f2_again.get());
    EXPECT_EQ(f1->widths.get(), f2->widths.get());  // the parsed parts are shared
    EXPECT_EQ(f2->object_id, (ObjectId{10, 0}));
}

TEST(FontCache, FontWithoutBaseFontIsKeyedWithItsResourceName) {
    auto doc = load_pdf({{3, {"<< /Symbol1 10 0 R /Text1 10 0 R >>", std::nullopt}},
                         {10, {"<< /Subtype /Type1 >>", std::nullopt}}});
    FontCache cache;
    auto symbol = cache.font_for(doc, "Symbol1", stored_entry(doc, 3, "Symbol1"));
    auto text = cache.font_for(doc, "Text1", stored_entry(doc, 3, "Text1"));
    EXPECT_EQ(cache.parsed_font_count(), 2u);
    EXPECT_EQ((*symbol->simple_encoding)[0x61], "\u03B1");
    EXPECT_EQ((*text->simple_encoding)[0x61], "a");
    EXPECT_EQ(symbol->base_font, "Symbol1");
    EXPECT_EQ(text->base_font, "Text1");
}

TEST(FontCache, DirectDictionariesAreCachedByContent) {
    auto doc = load_pdf({{3,
                          {"<< /D1 << /Subtype /Type1 /BaseFont /Helvetica /Encoding 12 0 R >> "
                           "/D2 << /Subtype /Type1 /BaseFont /Helvetica /Encoding 12 0 R >> "
                           "/D3 << /Subtype /Type1 /BaseFont /Helvetica /Encoding 13 0 R >> >>",
                           std::nullopt}},
                         {12, {"<< /Differences [65 /B] >>", std::nullopt}},
                         {13, {"<< /Differences [65 /C] >>", std::nullopt}}});
    FontCache cache;
    auto first = cache.font_for(doc, "D1", stored_entry(doc, 3, "D1"));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(cache.font_for(doc, "D1", stored_entry(doc, 3, "D1")).get(), first.get());
    auto twin = cache.font_for(doc, "D2", stored_entry(doc, 3, "D2"));
    auto other = cache.font_for(doc, "D3", stored_entry(doc, 3, "D3"));
    EXPECT_EQ(cache.parsed_font_count(), 2u);
    EXPECT_FALSE(first->object_id);
    EXPECT_EQ(twin->resource_name, "D2");
    EXPECT_EQ((*first->simple_encoding)[65], "B");
    EXPECT_EQ((*other->simple_encoding)[65], "C");
}

TEST(FontCache, DirectDictionaryTooLargeToKeyIsParsedOncePerStoredObject) {
    // Widths long enough that the contents exceed the key bound: such a font
    // is found by its stored object instead, so selecting it again costs no
    // parse; an equal dictionary stored elsewhere is parsed on its own.
    std::string widths = "[";
    for (int i = 0; i < 30000; ++i) widths += "500 ";
    widths += "]";
    const std::string font = "<< /Subtype /Type1 /BaseFont /Big /FirstChar 0 /LastChar 29999 /Widths " + widths + " >>";
    auto doc = load_pdf({{3, {"<< /D1 " + font + " /D2 " + font + " >>", std::nullopt}}});
    FontCache cache;
    auto first = cache.font_for(doc, "D1", stored_entry(doc, 3, "D1"));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(cache.font_for(doc, "D1", stored_entry(doc, 3, "D1")).get(), first.get());
    EXPECT_EQ(cache.parsed_font_count(), 1u);
    auto twin = cache.font_for(doc, "D2", stored_entry(doc, 3, "D2"));
    EXPECT_EQ(cache.parsed_font_count(), 2u);
    EXPECT_EQ(twin->resource_name, "D2");
    EXPECT_EQ(first->base_font, "Big");
}

TEST(FontCache, FontsNamingOneToUnicodeStreamShareItsParse) {
    auto doc = load_pdf({{3, {"<< /F1 10 0 R /F2 11 0 R >>", std::nullopt}},
                         {10, {"<< /Subtype /Type1 /BaseFont /A /ToUnicode 12 0 R >>", std::nullopt}},
                         {11, {"<< /Subtype /TrueType /BaseFont /B /ToUnicode 12 0 R >>", std::nullopt}},
                         {12, {"<< >>", "beginbfchar <41> <0058> endbfchar"}}});
    FontCache cache;
    auto f1 = cache.font_for(doc, "F1", stored_entry(doc, 3, "F1"));
    auto f2 = cache.font_for(doc, "F2", stored_entry(doc, 3, "F2"));
    EXPECT_EQ(cache.parsed_font_count(), 2u);
    ASSERT_NE(f1->to_unicode, nullptr);
    EXPECT_EQ(f1->to_unicode.get(), f2->to_unicode.get());
}

TEST(FontCache, CachedFontEqualsAFreshLoad) {
    auto doc = load_pdf({{3, {"<< /F1 10 0 R /F2 10 0 R >>", std::nullopt}},
                         {10, {"<< /Subtype /TrueType /BaseFont /Foo /FirstChar 65 /Widths [500 600] "
                               "/ToUnicode 12 0 R >>",
                               std::nullopt}},
                         {12, {"<< >>", "beginbfchar <41> <0058> endbfchar"}}});
    FontCache cache;
    cache.font_for(doc, "F1", stored_entry(doc, 3, "F1"));
    auto cached = cache.font_for(doc, "F2", stored_entry(doc, 3, "F2"));
    PdfFont fresh = load_font(doc, "F2", stored_entry(doc, 3, "F2"));
    EXPECT_EQ(cached->resource_name, fresh.resource_name);
    EXPECT_EQ(cached->base_font, fresh.base_font);
    EXPECT_EQ(cached->object_id, fresh.object_id);
    for (std::uint32_t code : {0x41u, 0x42u, 0x43u}) {
        std::string bytes(1, static_cast<char>(code));
        auto a = decode_char_code(*cached, code, bytes);
        auto b = decode_char_code(fresh, code, bytes);
        EXPECT_EQ(a.unicode, b.unicode);
        EXPECT_EQ(a.advance, b.advance);
    }
}

// A TrueType program holding only a cmap table: one (3,10) format 12
// subtable of `groups` groups of 100,001 codes each, on distinct glyphs.
std::string wide_cmap_program(std::uint32_t groups) {
    std::string out;
    auto u32 = [&](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
    };
    const std::uint32_t subtable = 16 + 12 * groups;
    u32(0x00010000);
    u32(0x00010010);  // one table; search fields
    u32(0);
    out += "cmap";
    u32(0);
    u32(12 + 16);
    u32(4 + 8 + subtable);
    u32(0x00000001);  // version 0, one encoding record
    u32(0x0003000A);  // (3,10)
    u32(12);
    u32(0x000C0000);  // format 12
    u32(subtable);
    u32(0);
    u32(groups);
    for (std::uint32_t g = 0; g < groups; ++g) {
        u32(0x20000 + 0x100 * g);
        u32(0x20000 + 0x100 * g + 100000);
        u32(1 + 100001 * g);
    }
    return out;
}

TEST(FontCache, EmbeddedProgramsShareOneAllowancePerDocument) {
    // Four fonts, each with its own program of 16 groups: 2 units for the
    // table and encoding records, then 100,002 per group (the group and its
    // codes), 1,600,034 in all. Two programs leave 994,236 units of the
    // allowance: the third maps 9 groups and 94,215 codes of the tenth, the
    // fourth nothing, in the order the fonts are first selected.
    std::map<std::uint32_t, FixtureObject> objects{
        {3, {"<< /F1 10 0 R /F2 20 0 R /F3 30 0 R /F4 40 0 R >>", std::nullopt}}};
    const std::string program = wide_cmap_program(16);
    for (std::uint32_t font = 10; font <= 40; font += 10) {
        objects[font] = {"<< /Subtype /TrueType /BaseFont /Wide /FontDescriptor " + std::to_string(font + 1) + " 0 R >>",
                         std::nullopt};
        objects[font + 1] = {"<< /Flags 4 /FontFile2 " + std::to_string(font + 2) + " 0 R >>", std::nullopt};
        objects[font + 2] = {"<< >>", program};
    }
    auto doc = load_pdf(objects);
    constexpr std::uint64_t kFull = 16 * 100001, kCut = 9 * 100001 + 94215;
    struct Case {
        const char* label;
        std::vector<std::string> selections;
        std::map<std::string, std::uint64_t> glyphs_mapped;
    } cases[] = {
        {"in_resource_order", {"F1", "F2", "F3", "F4"}, {{"F1", kFull}, {"F2", kFull}, {"F3", kCut}, {"F4", 0}}},
        {"in_reverse_order", {"F4", "F3", "F2", "F1"}, {{"F1", 0}, {"F2", kCut}, {"F3", kFull}, {"F4", kFull}}},
        // A font selected again is not read again, so costs nothing more.
        {"one_font_twice", {"F2", "F2", "F4", "F1", "F3"}, {{"F1", kCut}, {"F2", kFull}, {"F3", 0}, {"F4", kFull}}},
    };
    for (const auto& c : cases) {
        FontCache cache;
        std::map<std::string, std::uint64_t> mapped;
        for (const auto& name : c.selections) {
            mapped[name] = cache.font_for(doc, name, stored_entry(doc, 3, name))->gid_to_text->size();
        }
        EXPECT_EQ(mapped, c.glyphs_mapped) << c.label;
    }
    // Outside a document's cache each program has the whole allowance.
    for (const char* name : {"F1", "F2", "F3", "F4"}) {
        EXPECT_EQ(load_font(doc, name, stored_entry(doc, 3, name)).gid_to_text->size(), kFull) << name;
    }
}

}  // namespace
}  // namespace zvk::font
