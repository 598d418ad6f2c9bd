#include "font/sfnt.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "font/cmap_reference.h"
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
    std::string out;
    for (const auto& [cp, gid] : reference::expand(maps).glyph_of) out += std::to_string(cp) + ">" + std::to_string(gid) + " ";
    return out;
}

CmapMaps choose(const std::string& table) {
    CmapBudget budget;
    return *choose_cmap_subtable(table, budget);
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
    EXPECT_EQ(maps.gid_to_text.find(1), U'A');
    EXPECT_EQ(maps.code_point_to_gid.find(0x61), 1u);
}

std::string describe_glyphs(const CmapMaps& maps) {
    std::string out;
    for (const auto& [gid, cp] : reference::expand(maps).code_point_of) out += std::to_string(gid) + ":" + std::to_string(cp) + " ";
    return out;
}

TEST(ChooseCmapSubtable, FirstMappingOfACodeAndFirstCodeOfAGlyphStay) {
    struct Case {
        const char* label;
        std::string subtable;
        std::string codes;   // code point > glyph
        std::string glyphs;  // glyph : code point of its text
    } cases[] = {
        {"overlapping_groups", format12({{0x41, 0x42, 5}, {0x41, 0x43, 7}}), "65>5 66>6 67>9 ",
         "5:65 6:66 7:65 8:66 9:67 "},
        {"later_codes_listed_first", format12({{0x43, 0x44, 1}, {0x41, 0x44, 10}}), "65>10 66>11 67>1 68>2 ",
         "1:67 2:68 10:65 11:66 12:67 13:68 "},
        {"one_glyph_for_three_codes",
         format4({{0x30, 0x32, 0, 4}, {0xFFFF, 0xFFFF, 1, 0}}, {5, 5, 5}), "48>5 49>5 50>5 ", "5:48 "},
        {"delta_wraps_past_glyph_0xFFFF", format4({{0x10, 0x14, 0xFFEE, 0}}), "16>65534 17>65535 19>1 20>2 ",
         "1:19 2:20 65534:16 65535:17 "},
        {"saturated_glyphs_share_the_last_id", format12({{0x41, 0x44, 0xFFFFFFFE}}),
         "65>4294967294 66>4294967295 67>4294967295 68>4294967295 ", "4294967294:65 4294967295:66 "},
        {"group_across_the_surrogates", format12({{0xD7FE, 0xE001, 1}}), "55294>1 55295>2 57344>2051 57345>2052 ",
         "1:55294 2:55295 2051:57344 2052:57345 "},
        {"glyph_zero_starts_a_group", format12({{0x41, 0x43, 0}}), "66>1 67>2 ", "1:66 2:67 "},
    };
    for (const auto& c : cases) {
        CmapMaps maps = choose(cmap_table({{3, 10, c.subtable}}));
        EXPECT_EQ(describe(maps), c.codes) << c.label;
        EXPECT_EQ(describe_glyphs(maps), c.glyphs) << c.label;
    }
}

// Random tables of every format (overlapping segments and groups, glyph ids
// that wrap or saturate, codes across the surrogates and past U+10FFFF,
// allowances that run out mid-run, a few corrupted bytes) read both ways.
TEST(ChooseCmapSubtable, AgreesWithACodeByCodeReading) {
    std::mt19937 rng(20240611);
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng); };
    auto glyph_ids = [&](std::size_t count) {
        std::vector<std::uint16_t> ids;
        std::uint32_t next = pick(0, 0xFFFF);
        for (std::size_t i = 0; i < count; ++i) {
            // Mostly consecutive stretches, with zeros, repeats and jumps.
            switch (pick(0, 5)) {
            case 0: next = 0; break;
            case 1: next = pick(0, 0xFFFF); break;
            case 2: break;
            default: next = (next + 1) & 0xFFFF; break;
            }
            ids.push_back(static_cast<std::uint16_t>(next));
        }
        return ids;
    };
    auto code_near = [&](std::uint32_t limit) {
        const std::uint32_t spots[] = {0, 0x41, 0xD7F0, 0xDFF0, 0xFFF0, 0x10FFF0};
        const std::uint32_t spot = spots[pick(0, 5)];
        return std::min(limit, spot + pick(0, 40));
    };
    auto subtable = [&]() -> std::string {
        switch (pick(0, 3)) {
        case 0: {
            Bytes b;
            b.u16(0).u16(262).u16(0);
            for (auto id : glyph_ids(256)) b.data += static_cast<char>(id & 0xFF);
            return b.data;
        }
        case 1: {
            std::vector<Segment> segments(pick(1, 5));
            const auto n = static_cast<std::uint32_t>(segments.size());
            std::vector<std::uint16_t> array = glyph_ids(pick(0, 200));
            for (std::uint32_t k = 0; k < n; ++k) {
                const std::uint32_t start = code_near(0xFFFF);
                const std::uint32_t end = pick(0, 8) == 0 ? start - std::min(start, 3u) : std::min(0xFFFFu, start + pick(0, 300));
                const std::uint32_t delta = pick(0, 1) ? pick(0, 0xFFFF) : (0x10000 - start - pick(0, 20)) & 0xFFFF;
                // idRangeOffset counts from its own place; the array follows the offsets.
                const std::uint32_t offset = pick(0, 1) ? 0 : 2 * (n - k) + 2 * pick(0, static_cast<std::uint32_t>(array.size()) + 3);
                segments[k] = {start, end, delta, offset};
            }
            return format4(segments, array);
        }
        case 2: {
            Bytes b;
            const auto ids = glyph_ids(pick(1, 300));
            b.u16(6).u16(0).u16(0).u16(code_near(0xFFFF)).u16(static_cast<std::uint32_t>(ids.size()));
            for (auto id : ids) b.u16(id);
            return b.data;
        }
        default: {
            std::vector<Group> groups(pick(1, 6));
            for (auto& g : groups) {
                g.start = code_near(0xFFFFFFFF);
                g.end = pick(0, 40) == 0 ? g.start + pick(0, 200000) : g.start + pick(0, 3000);
                if (pick(0, 8) == 0) g.end = g.start - std::min(g.start, 1u);
                g.glyph = pick(0, 3) == 0 ? 0xFFFFFFFF - pick(0, 100) : pick(0, 3) == 0 ? 0 : pick(1, 70000);
            }
            return format12(groups);
        }
        }
    };
    const std::uint32_t platforms[][2] = {{3, 10}, {0, 3}, {3, 1}, {1, 0}, {3, 0}, {2, 0}};
    for (int trial = 0; trial < 1500; ++trial) {
        std::vector<Record> records(pick(1, 3));
        for (auto& r : records) {
            const auto& p = platforms[pick(0, 5)];
            r = {p[0], p[1], subtable()};
        }
        std::string table = cmap_table(records);
        if (pick(0, 3) == 0) {
            for (std::uint32_t flips = pick(1, 3); flips > 0; --flips) table[pick(0, static_cast<std::uint32_t>(table.size()) - 1)] = static_cast<char>(pick(0, 255));
        }
        const std::uint64_t allowance = pick(0, 1) ? kMaxCmapWork : pick(0, 5000);
        CmapBudget expected_budget{allowance};
        CmapBudget budget{allowance};
        const reference::Maps expected = reference::choose(table, expected_budget);
        const SharedCmapMaps maps = choose_cmap_subtable(table, budget);
        ASSERT_EQ(reference::expand(*maps), expected) << "trial " << trial;
        ASSERT_EQ(budget.remaining, expected_budget.remaining) << "trial " << trial;
    }
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
        EXPECT_EQ(describe(*read_collection_cmap(c.bytes, budget)), c.mapped) << c.label;
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
    EXPECT_EQ(maps->code_point_to_gid.size(), 100001u - 2048u);

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
    EXPECT_TRUE(read_collection_cmap(repeated.data, walk)->empty());
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
    EXPECT_EQ(maps->code_point_to_gid.size(), 1000u);
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
    const SharedCmapMaps read = read_collection_cmap(*font, budget);
    const CmapMaps& maps = *read;
    // fontTools' best cmap of this font: 5,918 code points (the (3,10)
    // format 12 subtable); A is glyph 36, b 69, the euro 2948, zhe 971.
    EXPECT_EQ(maps.code_point_to_gid.size(), 5918u);
    EXPECT_EQ(maps.code_point_to_gid.find(U'A'), 36u);
    EXPECT_EQ(maps.code_point_to_gid.find(U'b'), 69u);
    EXPECT_EQ(maps.code_point_to_gid.find(0x20AC), 2948u);
    EXPECT_EQ(maps.code_point_to_gid.find(0x0436), 971u);
    EXPECT_EQ(maps.gid_to_text.find(971), 0x0436u);
    // Held as runs: the 5,918 codes take under 300.
    EXPECT_LT(maps.code_point_to_gid.runs().size(), 300u);
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
    auto full = reference::expand(choose(cmap));
    auto bmp = choose(only_format4);
    ASSERT_GT(bmp.code_point_to_gid.size(), 5000u);
    for (const auto& [cp, gid] : full.glyph_of) {
        if (cp > 0xFFFF) continue;
        EXPECT_EQ(bmp.code_point_to_gid.find(cp), gid) << cp;
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
