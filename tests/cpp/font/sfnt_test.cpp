#include "font/sfnt.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "font/decode.h"
#include "font/font_fixture.h"

namespace zvk::font {
namespace {

// Big-endian byte writers for hand-made font tables.
struct Bytes {
    std::string data;
    Bytes& u16(std::uint32_t v) {
        data += static_cast<char>((v >> 8) & 0xFF);
        data += static_cast<char>(v & 0xFF);
        return *this;
    }
    Bytes& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    Bytes& raw(std::string_view s) {
        data += s;
        return *this;
    }
};

struct Segment {
    std::uint32_t start, end, delta, range_offset;
};

std::string format4(const std::vector<Segment>& segments, const std::vector<std::uint16_t>& glyph_array = {}) {
    Bytes b;
    const std::uint32_t n = static_cast<std::uint32_t>(segments.size());
    b.u16(4).u16(0).u16(0).u16(2 * n).u16(0).u16(0).u16(0);
    for (const auto& s : segments) b.u16(s.end);
    b.u16(0);
    for (const auto& s : segments) b.u16(s.start);
    for (const auto& s : segments) b.u16(s.delta);
    for (const auto& s : segments) b.u16(s.range_offset);
    for (auto g : glyph_array) b.u16(g);
    return b.data;
}

struct Group {
    std::uint32_t start, end, glyph;
};

std::string format12(const std::vector<Group>& groups, std::optional<std::uint32_t> claimed = std::nullopt) {
    Bytes b;
    b.u16(12).u16(0).u32(0).u32(0).u32(claimed.value_or(static_cast<std::uint32_t>(groups.size())));
    for (const auto& g : groups) b.u32(g.start).u32(g.end).u32(g.glyph);
    return b.data;
}

struct Record {
    std::uint32_t platform, encoding;
    std::string subtable;
};

// A cmap table; records with equal subtable bytes still get their own copy.
std::string cmap_table(const std::vector<Record>& records) {
    Bytes b;
    b.u16(0).u16(static_cast<std::uint32_t>(records.size()));
    std::uint32_t offset = 4 + 8 * static_cast<std::uint32_t>(records.size());
    std::string body;
    for (const auto& r : records) {
        b.u16(r.platform).u16(r.encoding).u32(offset + static_cast<std::uint32_t>(body.size()));
        body += r.subtable;
    }
    return b.data + body;
}

// A single sfnt holding only the given cmap table.
std::string sfnt_with_cmap(const std::string& cmap) {
    Bytes b;
    b.u32(0x00010000).u16(1).u16(16).u16(0).u16(0);
    b.raw("cmap").u32(0).u32(12 + 16).u32(static_cast<std::uint32_t>(cmap.size()));
    return b.data + cmap;
}

std::string describe(const CmapMaps& maps) {
    std::map<std::uint32_t, std::uint32_t> sorted(maps.code_point_to_gid.begin(), maps.code_point_to_gid.end());
    std::string out;
    for (const auto& [cp, gid] : sorted) out += std::to_string(cp) + ">" + std::to_string(gid) + " ";
    return out;
}

CmapMaps choose(const std::string& table) {
    CmapBudget budget;
    return choose_cmap_subtable(table, budget);
}

TEST(ChooseCmapSubtable, FormatsAndPriorities) {
    const std::string abc = format4({{0x41, 0x43, 0xFFC0, 0}, {0xFFFF, 0xFFFF, 1, 0}});
    const std::string empty4 = format4({{0xFFFF, 0xFFFF, 1, 0}});
    struct Case {
        const char* label;
        std::string table;
        std::string mapped;
    } cases[] = {
        {"format4_delta", cmap_table({{3, 1, abc}}), "65>1 66>2 67>3 "},
        // idRangeOffset counts from its own position: the one segment's
        // offset word is followed by the final segment's, then the array.
        {"format4_glyph_array",
         cmap_table({{3, 1, format4({{0x30, 0x32, 5, 4}, {0xFFFF, 0xFFFF, 1, 0}}, {10, 0, 12})}}), "48>15 50>17 "},
        {"format4_array_runs_past_data",
         cmap_table({{3, 1, format4({{0x30, 0x39, 0, 4}, {0xFFFF, 0xFFFF, 1, 0}}, {7, 8})}}), "48>7 49>8 "},
        {"format4_inverted_segment", cmap_table({{3, 1, format4({{0x50, 0x40, 1, 0}})}}), ""},
        {"format0", cmap_table({{1, 0, Bytes{}.u16(0).u16(262).u16(0).raw(std::string(65, '\0') + "\x09").raw(std::string(190, '\0')).data}}),
         "65>9 "},
        {"format6", cmap_table({{1, 0, Bytes{}.u16(6).u16(0).u16(0).u16(0x61).u16(2).u16(4).u16(5).data}}),
         "97>4 98>5 "},
        {"format12", cmap_table({{3, 10, format12({{0x1F600, 0x1F601, 100}, {5, 4, 1}})}}), "128512>100 128513>101 "},
        {"format12_skips_surrogates_and_beyond",
         cmap_table({{3, 10, format12({{0xDFFF, 0xE000, 7}, {0x10FFFF, 0x110005, 9}})}}), "57344>8 1114111>9 "},
        {"format12_glyph_saturates", cmap_table({{3, 10, format12({{0x41, 0x42, 0xFFFFFFFF}})}}),
         "65>4294967295 66>4294967295 "},
        {"format12_claims_more_groups_than_present",
         cmap_table({{3, 10, format12({{0x41, 0x41, 3}}, 1000000)}}), "65>3 "},
        {"unknown_format", cmap_table({{3, 1, Bytes{}.u16(2).u16(0).u16(0).u16(0).data}}), ""},
        {"unrecognised_platform_skipped", cmap_table({{2, 0, abc}}), ""},
        // An empty (3,10) wins over a (3,1) that maps, whichever comes first.
        {"empty_higher_priority_after", cmap_table({{3, 1, abc}, {3, 10, empty4}}), ""},
        {"empty_higher_priority_before", cmap_table({{3, 10, empty4}, {3, 1, abc}}), ""},
        {"equal_priority_later_nonempty_wins",
         cmap_table({{0, 3, abc}, {0, 4, format4({{0x61, 0x61, 0, 0}, {0xFFFF, 0xFFFF, 1, 0}})}}), "97>97 "},
        {"equal_priority_later_empty_loses", cmap_table({{0, 3, abc}, {0, 4, empty4}}), "65>1 66>2 67>3 "},
        {"lower_priority_ignored_after_higher", cmap_table({{3, 1, abc}, {3, 0, format4({{0x61, 0x61, 0, 0}})}}),
         "65>1 66>2 67>3 "},
        {"too_short", "\x00\x00", ""},
        {"no_subtables", cmap_table({}), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(describe(choose(c.table)), c.mapped) << c.label;
}

TEST(ChooseCmapSubtable, FirstCodePointOfAGlyphKeepsItsText) {
    auto maps = choose(cmap_table({{3, 1, format4({{0x41, 0x41, 0xFFC0, 0}, {0x61, 0x61, 0xFFA0, 0}})}}));
    EXPECT_EQ(maps.gid_to_text.at(1), "A");
    EXPECT_EQ(maps.code_point_to_gid.at(0x61), 1u);
}

TEST(ReadCollectionCmap, SingleFontsAndCollections) {
    const std::string with_cmap = sfnt_with_cmap(cmap_table({{3, 1, format4({{0x41, 0x41, 0xFFC0, 0}})}}));
    Bytes no_cmap;
    no_cmap.u32(0x00010000).u16(1).u16(16).u16(0).u16(0).raw("head").u32(0).u32(0).u32(0);
    auto collection = [](const std::vector<std::string>& fonts) {
        Bytes b;
        b.raw("ttcf").u32(0x00010000).u32(static_cast<std::uint32_t>(fonts.size()));
        std::uint32_t offset = 12 + 4 * static_cast<std::uint32_t>(fonts.size());
        std::string body;
        for (const auto& f : fonts) {
            b.u32(offset + static_cast<std::uint32_t>(body.size()));
            body += f;
        }
        return b.data + body;
    };
    // Table offsets count from the start of the file, so each font's cmap
    // record is rewritten for its place in the collection.
    auto placed = [](std::string font, std::uint32_t base) {
        std::uint32_t offset = 12 + 16 + base;
        for (int i = 0; i < 4; ++i) font[12 + 8 + i] = static_cast<char>((offset >> (24 - 8 * i)) & 0xFF);
        return font;
    };
    const std::uint32_t second_base = 12 + 8 + static_cast<std::uint32_t>(no_cmap.data.size());
    Bytes truncated;
    truncated.u32(0x00010000).u16(3).u16(0).u16(0).u16(0).raw("cmap").u32(0).u32(0).u32(0);
    Bytes wrapping;  // offset + length wraps around in 32 bits
    wrapping.u32(0x00010000).u16(1).u16(0).u16(0).u16(0).raw("cmap").u32(0).u32(0xFFFFFFF0).u32(0x20);
    struct Case {
        const char* label;
        std::string bytes;
        std::string mapped;
    } cases[] = {
        {"single_font", with_cmap, "65>1 "},
        {"second_font_of_collection", collection({no_cmap.data, placed(with_cmap, second_base)}), "65>1 "},
        {"records_promised_beyond_data", truncated.data, ""},
        {"table_offset_wraps", wrapping.data, ""},
        {"garbage", "not a font at all", ""},
    };
    for (const auto& c : cases) {
        CmapBudget budget;
        EXPECT_EQ(describe(read_collection_cmap(c.bytes, budget)), c.mapped) << c.label;
    }
}

TEST(ReadCollectionCmap, HostileTablesStayWithinTheBudget) {
    // Two million groups of 100,001 codes each: without a total bound this
    // is 2e11 insertions.
    std::vector<Group> groups(2000000, Group{0x20, 0x20 + 100000, 1});
    CmapBudget budget;
    auto maps = read_collection_cmap(sfnt_with_cmap(cmap_table({{3, 10, format12(groups)}})), budget);
    EXPECT_EQ(budget.remaining, 0u);
    // The first group's 100,001 codes less the 2,048 surrogates; later groups repeat it.
    EXPECT_EQ(maps.code_point_to_gid.size(), 100001u - 2048u);

    // A collection naming the same font a million times reads it once. The
    // font's only subtable has an unsupported format, so no font qualifies
    // and every entry is walked.
    const std::uint32_t count = 1000000;
    const std::uint32_t font_offset = 12 + 4 * count;
    Bytes unsupported;
    unsupported.u16(2).u16(0).u16(0).u16(0);
    std::string font = sfnt_with_cmap(cmap_table({{3, 1, unsupported.data}}));
    const std::uint32_t cmap_offset = font_offset + 28;  // table offsets count from the file's start
    for (int i = 0; i < 4; ++i) font[20 + i] = static_cast<char>((cmap_offset >> (24 - 8 * i)) & 0xFF);
    Bytes repeated;
    repeated.raw("ttcf").u32(0x00010000).u32(count);
    for (std::uint32_t i = 0; i < count; ++i) repeated.u32(font_offset);
    repeated.raw(font);
    CmapBudget walk;
    EXPECT_TRUE(read_collection_cmap(repeated.data, walk).empty());
    EXPECT_GT(walk.remaining, 0u);
    EXPECT_LT(kMaxCmapWork - walk.remaining, count + 100u);  // one unit per entry, one read of the font
}

TEST(ChooseCmapSubtable, RecordsSharingASubtableDecodeItOnce) {
    // 5,000 records all naming one subtable of 1,000 codes: decoded once,
    // the whole table costs about 6,000 units, not five million.
    const std::string subtable = format12({{0x4E00, 0x4E00 + 999, 10}});
    Bytes b;
    const std::uint32_t records = 5000;
    b.u16(0).u16(records);
    for (std::uint32_t i = 0; i < records; ++i) b.u16(3).u16(1).u32(4 + 8 * records);
    b.raw(subtable);
    CmapBudget budget{records + 1000 + 10};
    auto maps = choose_cmap_subtable(b.data, budget);
    EXPECT_EQ(maps.code_point_to_gid.size(), 1000u);
    EXPECT_GT(budget.remaining, 0u);
}

std::optional<std::string> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST(ReadCollectionCmap, DejaVuSansAgreesWithFontTools) {
    auto font = read_file(kDejaVu);
    if (!font) GTEST_SKIP() << "DejaVu Sans is not installed";
    CmapBudget budget;
    auto maps = read_collection_cmap(*font, budget);
    // fontTools' best cmap of this font: 5,918 code points (the (3,10)
    // format 12 subtable); A is glyph 36, b 69, the euro 2948, zhe 971.
    EXPECT_EQ(maps.code_point_to_gid.size(), 5918u);
    EXPECT_EQ(maps.code_point_to_gid.at(U'A'), 36u);
    EXPECT_EQ(maps.code_point_to_gid.at(U'b'), 69u);
    EXPECT_EQ(maps.code_point_to_gid.at(0x20AC), 2948u);
    EXPECT_EQ(maps.code_point_to_gid.at(0x0436), 971u);
    EXPECT_EQ(maps.gid_to_text.at(971), "\u0436");
}

// The font file, its cmap table found through the table directory, and the
// same table reduced to its single (3,1) format 4 record.
TEST(ReadCollectionCmap, DejaVuFormat4AgreesWithFormat12OnTheBmp) {
    auto font = read_file(kDejaVu);
    if (!font) GTEST_SKIP() << "DejaVu Sans is not installed";
    auto u16 = [&](std::size_t at) { return (static_cast<unsigned char>((*font)[at]) << 8) | static_cast<unsigned char>((*font)[at + 1]); };
    auto u32 = [&](std::size_t at) { return (std::uint32_t(u16(at)) << 16) | u16(at + 2); };
    std::string cmap;
    for (int k = 0; k < u16(4); ++k) {
        std::size_t at = 12 + 16 * k;
        if (font->compare(at, 4, "cmap") == 0) cmap = font->substr(u32(at + 8), u32(at + 12));
    }
    ASSERT_FALSE(cmap.empty());
    std::string only_format4 = cmap;
    bool found = false;
    for (int k = 0; k < u16(0) + 64 && !found; ++k) {
        std::size_t at = 4 + 8 * k;
        if (((unsigned char)cmap[at] << 8 | (unsigned char)cmap[at + 1]) == 3 &&
            ((unsigned char)cmap[at + 2] << 8 | (unsigned char)cmap[at + 3]) == 1) {
            only_format4[2] = 0;
            only_format4[3] = 1;
            only_format4.replace(4, 8, cmap.substr(at, 8));
            found = true;
        }
    }
    ASSERT_TRUE(found);
    auto full = choose(cmap);
    auto bmp = choose(only_format4);
    ASSERT_GT(bmp.code_point_to_gid.size(), 5000u);
    for (const auto& [cp, gid] : full.code_point_to_gid) {
        if (cp > 0xFFFF) continue;
        auto it = bmp.code_point_to_gid.find(cp);
        ASSERT_NE(it, bmp.code_point_to_gid.end()) << cp;
        EXPECT_EQ(it->second, gid) << cp;
    }
}

TEST(EmbeddedFontProgram, DejaVuWithoutToUnicodeDecodesThroughItsCmap) {
    auto font = read_file(kDejaVu);
    if (!font) GTEST_SKIP() << "DejaVu Sans is not installed";
    auto simple = test::load_fixture_font(
        {{10, {"<< /Subtype /TrueType /BaseFont /ABCDEF+DejaVuSans /FontDescriptor 11 0 R >>", std::nullopt}},
         {11, {"<< /Type /FontDescriptor /Flags 4 /FontFile2 12 0 R >>", std::nullopt}},
         {12, {"<< >>", *font}}});
    // Symbolic without Encoding: no table text, so the code is looked up
    // as a code point in the program's cmap.
    auto a = decode_char_code(simple->font, 'A', "A");
    EXPECT_EQ(a.unicode, "A");
    EXPECT_EQ(a.gid, 36u);

    auto cid = test::load_fixture_font(
        {{10, {"<< /Subtype /Type0 /BaseFont /DejaVuSans /Encoding /Identity-H /DescendantFonts [11 0 R] >>",
               std::nullopt}},
         {11, {"<< /Subtype /CIDFontType2 /BaseFont /DejaVuSans /FontDescriptor 13 0 R >>", std::nullopt}},
         {13, {"<< /Type /FontDescriptor /Flags 4 /FontFile2 12 0 R >>", std::nullopt}},
         {12, {"<< >>", *font}}});
    std::string shown = test::hex_bytes("0024004503CB");  // glyphs 36, 69, 971
    std::string text;
    for (const auto& code : split_shown_string(cid->font, shown)) {
        auto decoded = decode_char_code(cid->font, code.code, shown.substr(code.position, code.byte_length));
        text += decoded.unicode.value_or("?");
    }
    EXPECT_EQ(text, "Ab\u0436");
}

TEST(EmbeddedFontProgram, FirstProgramThatMapsWins) {
    const std::string maps_a = sfnt_with_cmap(cmap_table({{3, 1, format4({{0x41, 0x41, 0xFFC0, 0}})}}));
    const std::string maps_nothing = sfnt_with_cmap(cmap_table({{3, 1, format4({{0xFFFF, 0xFFFF, 1, 0}})}}));
    auto doc = test::load_pdf({{3, {"<< /FontFile2 4 0 R /FontFile3 5 0 R >>", std::nullopt}},
                               {4, {"<< >>", maps_nothing}},
                               {5, {"<< /Subtype /OpenType >>", maps_a}}});
    auto maps = find_embedded_font_program(doc, doc.object({3, 0}));
    EXPECT_EQ(describe(maps), "65>1 ");
}

}  // namespace
}  // namespace zvk::font
