#include "rewrite/output/cjk_font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/pdf_fixture.h"
#include "pdf/edit.h"
#include "support/pdf_builder.h"

namespace zvk::rewrite {
namespace {

using pdf::Object;

std::string be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

struct Table {
    std::string tag;
    std::string data;
    std::uint32_t offset_shift = 0;  // added to the true offset: points past the end when large
};

// An "OTTO" file with the given tables, records first and then the data.
std::string otto(const std::vector<Table>& tables, std::uint16_t claimed_count = 0xFFFF) {
    const std::uint16_t count = claimed_count == 0xFFFF ? static_cast<std::uint16_t>(tables.size()) : claimed_count;
    std::string out = "OTTO";
    out += static_cast<char>(count >> 8);
    out += static_cast<char>(count);
    out += std::string(6, '\0');
    std::uint32_t offset = static_cast<std::uint32_t>(12 + 16 * tables.size());
    std::string data;
    for (const Table& t : tables) {
        out += t.tag + be32(0) + be32(offset + t.offset_shift) + be32(static_cast<std::uint32_t>(t.data.size()));
        data += t.data;
        offset += static_cast<std::uint32_t>(t.data.size());
    }
    return out + data;
}

const std::string kCff = std::string("\x01\x00\x04\x02", 4) + "cff-program";

TEST(FontFileForm, DecidedFromTheBytes) {
    const std::string valid = otto({{"head", "0123"}, {"CFF ", kCff}, {"hmtx", "xx"}});
    const std::string cff2 = otto({{"CFF2", std::string("\x02\x00\x05\x00", 4)}});
    const std::string version_two_in_cff_record = otto({{"CFF ", std::string("\x02\x00\x04\x02", 4)}});
    const std::string past_end = otto({{"CFF ", kCff, 1000}});
    const std::string short_table = otto({{"CFF ", std::string("\x01\x00\x04", 3)}});
    const std::string count_beyond_records = otto({{"head", "0123"}}, 500);
    struct Case {
        const char* name;
        std::string bytes;
        FontFileForm form;
        std::string expected_bytes;
    };
    const std::vector<Case> cases = {
        {"OTTO with a CFF table: the table alone", valid, FontFileForm::Cff, kCff},
        {"CFF2 outlines: whole OpenType", cff2, FontFileForm::OpenType, cff2},
        {"CFF record not version 1: whole OpenType", version_two_in_cff_record, FontFileForm::OpenType,
         version_two_in_cff_record},
        {"CFF record past the end: whole OpenType", past_end, FontFileForm::OpenType, past_end},
        {"CFF table under 4 bytes: whole OpenType", short_table, FontFileForm::OpenType, short_table},
        {"table count beyond the records", count_beyond_records, FontFileForm::OpenType, count_beyond_records},
        {"bare CFF", kCff, FontFileForm::Cff, kCff},
        {"bare CFF header of 3 bytes is TrueType", std::string("\x01\x00\x04", 3), FontFileForm::TrueType,
         std::string("\x01\x00\x04", 3)},
        {"TrueType", std::string("\x00\x01\x00\x00glyf", 8), FontFileForm::TrueType,
         std::string("\x00\x01\x00\x00glyf", 8)},
        {"empty", "", FontFileForm::TrueType, ""},
    };
    for (const Case& c : cases) {
        const FontFile file = font_file_form(c.bytes);
        EXPECT_EQ(file.form, c.form) << c.name;
        EXPECT_EQ(std::string(file.bytes), c.expected_bytes) << c.name;
    }
}

font::SubsetFont font_of(std::uint16_t units_per_em, std::vector<std::pair<std::uint32_t, font::SubsetGlyph>> glyphs) {
    font::SubsetFont font;
    font.units_per_em = units_per_em;
    for (const auto& [cp, g] : glyphs) font.glyphs[cp] = g;
    return font;
}

TEST(GlyphWidths, ThousandthsOfAnEmSortedAndSaturated) {
    using W = std::vector<std::pair<std::uint16_t, std::uint16_t>>;
    struct Case {
        const char* name;
        font::SubsetFont font;
        W expected;
    };
    const std::vector<Case> cases = {
        {"1024 at 2048 is 500", font_of(2048, {{0x4E00, {5, 1024}}}), W{{5, 500}}},
        {"rounded down", font_of(2048, {{0x4E00, {5, 1}}, {0x4E01, {6, 2047}}}), W{{5, 0}, {6, 999}}},
        {"sorted by glyph id", font_of(1000, {{0x4E00, {9, 300}}, {0x4E01, {2, 700}}}), W{{2, 700}, {9, 300}}},
        {"two code points, one glyph: one entry", font_of(1000, {{0x4E00, {4, 1000}}, {0x4E01, {4, 1000}}}),
         W{{4, 1000}}},
        // 65535 * 1000 / 1 would wrap to 64536 in 16 bits.
        {"units per em 0 counts as 1 and saturates", font_of(0, {{0x4E00, {3, 65535}}}), W{{3, 65535}}},
        {"70 units at 1 per em saturates", font_of(1, {{0x4E00, {3, 70}}}), W{{3, 65535}}},
        {"empty map", font_of(1000, {}), W{}},
    };
    for (const Case& c : cases) EXPECT_EQ(glyph_widths(c.font), c.expected) << c.name;
}

const std::string kHead =
    "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> def\n"
    "/CMapName /ZVKCJK def\n/CMapType 2 def\n1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
const std::string kTail = "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

TEST(ToUnicodeCmap, HeadPairsInBlocksTail) {
    EXPECT_EQ(to_unicode_cmap(font_of(1000, {})), kHead + kTail);
    EXPECT_EQ(to_unicode_cmap(font_of(1000, {{0x6587, {0x2A, 1000}}, {0x4E2D, {0x2A, 1000}}, {'A', {0x1F3, 500}}})),
              kHead + "3 beginbfchar\n<002A> <4E2D>\n<002A> <6587>\n<01F3> <0041>\nendbfchar\n" + kTail);
}

TEST(ToUnicodeCmap, TwoHundredFiftyPairsMakeBlocksOf100And100And50) {
    std::vector<std::pair<std::uint32_t, font::SubsetGlyph>> glyphs;
    for (std::uint32_t i = 0; i < 250; ++i) glyphs.push_back({0x4E00 + i, {static_cast<std::uint16_t>(i + 1), 1000}});
    const std::string cmap = to_unicode_cmap(font_of(1000, glyphs));
    std::vector<std::string> block_heads;
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = cmap.find(" beginbfchar\n", at)) != std::string::npos; ++at) {
        const std::size_t start = cmap.rfind('\n', at) + 1;
        block_heads.push_back(cmap.substr(start, at - start));
    }
    for (std::size_t at = 0; (at = cmap.find("> <", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(block_heads, (std::vector<std::string>{"100", "100", "50"}));
    EXPECT_EQ(lines, 251u) << "250 pairs and the code space range";
    EXPECT_NE(cmap.find("<0064> <4E63>\nendbfchar\n100 beginbfchar\n<0065> <4E64>\n"), std::string::npos);
    EXPECT_EQ(cmap.substr(cmap.size() - kTail.size()), kTail);
}

struct Embedded {
    Object type0, cid_font, descriptor, file;
};

Embedded embed(pdf::Document& doc, const std::string& bytes) {
    FontEntry entry{"ZVK0", font_of(2048, {{0x4E2D, {7, 2048}}, {0x6587, {3, 1024}}})};
    entry.font.font_bytes = bytes;
    auto id = embed_cjk_type0_font(doc, entry);
    EXPECT_TRUE(id);
    Embedded e;
    e.type0 = doc.object(*id);
    e.cid_font = e.type0.get("DescendantFonts").array_at(0).follow();
    e.descriptor = e.cid_font.get("FontDescriptor").follow();
    e.file = e.descriptor.get(e.descriptor.has_key("FontFile2") ? "FontFile2" : "FontFile3").follow();
    return e;
}

TEST(EmbedCjkType0Font, ObjectsFollowTheFontFileForm) {
    const std::string valid = otto({{"CFF ", kCff}});
    const std::string cff2 = otto({{"CFF2", std::string("\x02\x00\x05\x00", 4)}});
    struct Case {
        const char* name;
        std::string bytes;
        const char* file_key;
        const char* file_subtype;  // "" for none
        const char* cid_subtype;
        bool cid_to_gid_map;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {"TrueType", std::string("\x00\x01\x00\x00ttf", 7), "FontFile2", "", "CIDFontType2", true,
         std::string("\x00\x01\x00\x00ttf", 7)},
        {"OpenType CFF: table only", valid, "FontFile3", "CIDFontType0C", "CIDFontType0", false, kCff},
        {"bare CFF", kCff, "FontFile3", "CIDFontType0C", "CIDFontType0", false, kCff},
        {"CFF2: whole OpenType", cff2, "FontFile3", "OpenType", "CIDFontType0", false, cff2},
    };
    for (const Case& c : cases) {
        auto doc = test::load_pdf(test::single_page_pdf("", ""));
        ASSERT_TRUE(doc);
        const Embedded e = embed(*doc, c.bytes);
        EXPECT_EQ(e.type0.get("Subtype").name_bytes(), "Type0") << c.name;
        EXPECT_EQ(e.type0.get("Encoding").name_bytes(), "Identity-H") << c.name;
        EXPECT_EQ(e.type0.get("BaseFont").name_bytes(), "ZVKCJK") << c.name;
        EXPECT_TRUE(e.type0.get("ToUnicode").follow().is_stream()) << c.name;
        EXPECT_EQ(e.cid_font.get("Subtype").name_bytes(), c.cid_subtype) << c.name;
        EXPECT_EQ(e.cid_font.has_key("CIDToGIDMap"), c.cid_to_gid_map) << c.name;
        EXPECT_EQ(e.cid_font.get("CIDSystemInfo").get("Ordering").string_bytes(), "Identity") << c.name;
        EXPECT_EQ(e.cid_font.get("DW").as_integer(), 1000) << c.name;
        EXPECT_TRUE(e.descriptor.has_key(c.file_key)) << c.name;
        EXPECT_EQ(e.descriptor.get("FontName").name_bytes(), "ZVKCJK") << c.name;
        EXPECT_EQ(e.file.stream_dict().get("Subtype").name_bytes(), c.file_subtype) << c.name;
        EXPECT_EQ(e.file.stream_raw_data(), c.stored) << c.name;
        // W: glyph 3 -> 500, glyph 7 -> 1000, each width in its own array.
        const Object w = e.cid_font.get("W");
        ASSERT_EQ(w.array_size(), 4u) << c.name;
        EXPECT_EQ(w.array_at(0).as_integer(), 3) << c.name;
        EXPECT_EQ(w.array_at(1).array_at(0).as_integer(), 500) << c.name;
        EXPECT_EQ(w.array_at(2).as_integer(), 7) << c.name;
        EXPECT_EQ(w.array_at(3).array_at(0).as_integer(), 1000) << c.name;
    }
}

TEST(UnwrapOpenTypeCff, OnlyCidFontType0CStreamsHoldingOpenTypeCff) {
    const std::string wrapped = otto({{"CFF ", kCff}});
    const std::string pdf = test::build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R >>",
        test::pdf_stream("/Subtype /CIDFontType0C /Filter /FlateDecode", test::deflate(wrapped)),
        test::pdf_stream("/Subtype /OpenType", wrapped),
        test::pdf_stream("", wrapped),
        test::pdf_stream("/Subtype /CIDFontType0C", kCff),
        test::pdf_stream("/Subtype 9 0 R", wrapped),
        "/CIDFontType0C",
        test::pdf_stream("/Subtype /CIDFontType0C /Filter /FlateDecode", "not deflate " + wrapped),
    });
    auto doc = test::load_pdf(pdf);
    ASSERT_TRUE(doc);
    std::vector<std::optional<std::string>> before;
    for (std::uint32_t n = 4; n <= 10; ++n) before.push_back(doc->object({n, 0}).stream_raw_data());
    unwrap_opentype_cff_font_files(*doc);
    const Object unwrapped = doc->object({4, 0});
    EXPECT_EQ(unwrapped.stream_raw_data(), kCff);
    EXPECT_FALSE(unwrapped.stream_has_filter());
    for (std::uint32_t n = 5; n <= 10; ++n) {
        EXPECT_EQ(doc->object({n, 0}).stream_raw_data(), before[n - 4]) << "object " << n << " untouched";
    }
    EXPECT_TRUE(doc->object({10, 0}).stream_has_filter());
}

}  // namespace
}  // namespace zvk::rewrite
