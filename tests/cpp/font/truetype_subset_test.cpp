#include "font/truetype_subset.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "font/sfnt.h"
#include "font/subset_check.h"
#include "font/truetype_builder.h"
#include "support/temp_dir.h"

namespace zvk::font {
namespace {

using test::Component;
using test::FontSpec;
using test::read_i16;
using test::read_u16;
using test::read_u32;
using test::sfnt_table;

constexpr std::uint32_t kGlyphCount = 61;

// Glyph 0 the notdef; 1 for U+4E2D (also U+4E00 and U+4E01); 2 for 'A', with
// instructions; 3 for 的, a composite of glyph 57 and glyph 1 that are mapped
// by no code point; 60 for U+4E09, a composite of glyph 3; the rest plain
// triangles whose xMin is their id. Advance of glyph g: 100 + 10 g.
FontSpec sample_spec() {
    FontSpec spec;
    for (std::uint32_t g = 0; g < kGlyphCount; ++g) {
        if (g == 2) spec.glyphs.push_back(test::triangle_glyph(12, 400, 700, std::string("\xB0\x01\x4B", 3)));
        else if (g == 3) spec.glyphs.push_back(test::composite_glyph({{57, 10, 0, 0, ""}, {1, 0, 20, 0, ""}}, -7, "\x4B"));
        else if (g == 60) spec.glyphs.push_back(test::composite_glyph({{3, 5, 5, 0, ""}}, 9));
        else spec.glyphs.push_back(test::triangle_glyph(static_cast<std::int32_t>(g) + 20, 600, 800));
        spec.advances.push_back(static_cast<std::uint16_t>(100 + 10 * g));
    }
    spec.cmap = {{0x41, 2}, {0x4E00, 1}, {0x4E01, 1}, {0x4E09, 60}, {0x4E2D, 1}, {0x7684, 3}};
    return spec;
}

using GlyphMap = std::map<std::uint32_t, SubsetGlyph>;

struct SubsetCase {
    const char* name;
    std::function<void(FontSpec&)> change;  // applied to the sample font
    std::vector<std::uint32_t> request;
    std::optional<GlyphMap> expected;       // none: no subset
    std::uint32_t glyph_count;              // numGlyphs of the subset
};

TEST(TrueTypeSubset, KeepsTheRequestedGlyphsAndTheirComponents) {
    const auto none = [](FontSpec&) {};
    const std::vector<SubsetCase> cases = {
        {"space missing from the font gets an empty glyph of a quarter em", none, {0x4E2D, 0x20},
         GlyphMap{{0x4E2D, {1, 110}}, {0x20, {2, 250}}}, 3},
        {"space is not added unless asked", none, {0x4E2D}, GlyphMap{{0x4E2D, {1, 110}}}, 2},
        {"space the font maps keeps its own glyph",
         [](FontSpec& s) { s.cmap[0x20] = 40; }, {0x20, 0x4E2D}, GlyphMap{{0x20, {2, 500}}, {0x4E2D, {1, 110}}}, 3},
        {"composite pulls in unmapped components, renumbered", none, {0x7684},
         GlyphMap{{0x7684, {2, 130}}}, 4},
        {"nested composite pulls in the whole tree", none, {0x4E09},
         GlyphMap{{0x4E09, {4, 700}}}, 5},
        {"two code points on one glyph keep one glyph", none, {0x4E00, 0x4E01},
         GlyphMap{{0x4E00, {1, 110}}, {0x4E01, {1, 110}}}, 2},
        {"duplicates and order do not matter", none, {0x4E2D, 0x41, 0x4E2D, 0x41},
         GlyphMap{{0x41, {2, 120}}, {0x4E2D, {1, 110}}}, 3},
        {"code points the font lacks are left out", none, {0x4E2D, 0x9999}, GlyphMap{{0x4E2D, {1, 110}}}, 2},
        {"only code points above the BMP give none", none, {0x1F600, 0x20000}, std::nullopt, 0},
        {"a space alone is still a subset", none, {0x20, 0x1F600}, GlyphMap{{0x20, {1, 250}}}, 2},
        {"one long metric gives every glyph the first advance",
         [](FontSpec& s) { s.advances.resize(1); }, {0x4E2D, 0x41}, GlyphMap{{0x41, {2, 100}}, {0x4E2D, {1, 100}}}, 3},
        {"no long metric at all gives 600",
         [](FontSpec& s) { s.advances.clear(); }, {0x41}, GlyphMap{{0x41, {1, 600}}}, 2},
        {"short loca offsets read as words",
         [](FontSpec& s) { s.long_loca = false; }, {0x7684}, GlyphMap{{0x7684, {2, 130}}}, 4},
        {"upem 0 counts as 1", [](FontSpec& s) { s.units_per_em = 0; }, {0x4E2D, 0x20},
         GlyphMap{{0x4E2D, {1, 110}}, {0x20, {2, 0}}}, 3},
        {"no cmap: no subset", [](FontSpec& s) { s.with_cmap = false; }, {0x4E2D}, std::nullopt, 0},
        {"a glyph past the end of glyf: no subset",
         [](FontSpec& s) { s.cmap[0x4E03] = kGlyphCount + 5; }, {0x4E03}, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FontSpec spec = sample_spec();
        c.change(spec);
        const auto font = subset_truetype_font(test::truetype_font(spec), c.request);
        ASSERT_EQ(font.has_value(), c.expected.has_value());
        if (!font) continue;
        EXPECT_EQ(font->glyphs, *c.expected);
        EXPECT_EQ(font->units_per_em, std::max<std::uint16_t>(spec.units_per_em, 1));
        EXPECT_EQ(read_u16(sfnt_table(font->font_bytes, "maxp"), 4), c.glyph_count);
        // The cmap written says what the map says.
        CmapBudget budget;
        const auto maps = choose_cmap_subtable(sfnt_table(font->font_bytes, "cmap"), budget);
        for (const auto& [cp, g] : font->glyphs) EXPECT_EQ(maps->code_point_to_gid.find(cp), g.glyph_id) << cp;
        EXPECT_EQ(maps->code_point_to_gid.size(), font->glyphs.size());
    }
}

// The glyph of new id `g` in a written subset.
std::string_view subset_glyph(std::string_view font, std::uint32_t g) {
    const auto loca = sfnt_table(font, "loca");
    const auto glyf = sfnt_table(font, "glyf");
    return glyf.substr(read_u32(loca, 4 * g), read_u32(loca, 4 * g + 4) - read_u32(loca, 4 * g));
}

TEST(TrueTypeSubset, RewritesComponentIdsToTheNewNumbers) {
    // Kept: 0, 1, 3, 57, 60 -> 0, 1, 2, 3, 4.
    const std::vector<std::uint32_t> request = {0x4E09};
    const auto font = subset_truetype_font(test::truetype_font(sample_spec()), request);
    ASSERT_TRUE(font);
    const auto de = subset_glyph(font->font_bytes, 2);
    EXPECT_EQ(read_u16(de, 12), 3u);  // glyph 57
    EXPECT_EQ(read_u16(de, 12 + 8), 1u);
    const auto san = subset_glyph(font->font_bytes, 4);
    EXPECT_EQ(read_u16(san, 12), 2u);  // glyph 3
}

TEST(TrueTypeSubset, SideBearingsAreTheGlyphsXMin) {
    const std::vector<std::uint32_t> request = {0x41, 0x4E09, 0x20};
    const auto font = subset_truetype_font(test::truetype_font(sample_spec()), request);
    ASSERT_TRUE(font);
    // New ids: 0, 1 (old 1), 2 (old 2), 3 (old 3), 4 (old 57), 5 (old 60), 6 space.
    const std::vector<std::int32_t> expected = {20, 21, 12, -7, 77, 9, 0};
    const auto hmtx = sfnt_table(font->font_bytes, "hmtx");
    ASSERT_EQ(hmtx.size(), 4 * expected.size());
    for (std::size_t g = 0; g < expected.size(); ++g) EXPECT_EQ(read_i16(hmtx, 4 * g + 2), expected[g]) << g;
    // Bit 1 of head flags claims exactly this.
    EXPECT_EQ(read_u16(sfnt_table(font->font_bytes, "head"), 16) & 2, 2u);
}

TEST(TrueTypeSubset, MaxpCountsTheKeptGlyphsAndInstructionsAreStripped) {
    const std::vector<std::uint32_t> request = {0x41, 0x4E09};
    const auto font = subset_truetype_font(test::truetype_font(sample_spec()), request);
    ASSERT_TRUE(font);
    const auto maxp = sfnt_table(font->font_bytes, "maxp");
    ASSERT_EQ(maxp.size(), 32u);
    struct Field {
        const char* name;
        std::size_t at;
        std::uint32_t value;
    };
    for (const Field& f : std::vector<Field>{{"numGlyphs", 4, 6},
                                             {"maxPoints", 6, 3},
                                             {"maxContours", 8, 1},
                                             {"maxCompositePoints", 10, 6},
                                             {"maxCompositeContours", 12, 2},
                                             {"maxZones", 14, 2},
                                             {"maxSizeOfInstructions", 26, 0},
                                             {"maxComponentElements", 28, 2},
                                             {"maxComponentDepth", 30, 2}})
        EXPECT_EQ(read_u16(maxp, f.at), f.value) << f.name;
    // 'A' lost its three bytes of instructions, 的 its one and its flag.
    const auto a = subset_glyph(font->font_bytes, 2);
    EXPECT_EQ(read_u16(a, 12), 0u);
    EXPECT_EQ(a.size(), 32u);  // 29 bytes padded to 4
    const auto de = subset_glyph(font->font_bytes, 3);
    EXPECT_EQ(read_u16(de, 10 + 8) & 0x0100, 0u);
    EXPECT_EQ(de.size(), 28u);
    if (!test::have_fonttools()) GTEST_SKIP() << "fontTools absent (scripts/setup installs it)";
    const auto verdict = test::check_with_fonttools(*font, "truetype");
    EXPECT_EQ(verdict.status, 0) << verdict.output;
}

TEST(TrueTypeSubset, FileLayoutAndChecksums) {
    const std::vector<std::uint32_t> request = {0x4E2D, 0x41, 0x20};
    const auto font = subset_truetype_font(test::truetype_font(sample_spec()), request);
    ASSERT_TRUE(font);
    const std::string& f = font->font_bytes;
    EXPECT_EQ(read_u32(f, 0), 0x00010000u);
    EXPECT_EQ(read_u16(f, 4), 9u);
    const char* tags[] = {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post"};
    std::uint32_t expected_offset = 156;
    for (std::size_t k = 0; k < 9; ++k) {
        const std::size_t at = 12 + 16 * k;
        EXPECT_EQ(f.substr(at, 4), tags[k]);
        const std::uint32_t offset = read_u32(f, at + 8), length = read_u32(f, at + 12);
        EXPECT_EQ(offset, expected_offset) << tags[k];
        expected_offset += (length + 3) / 4 * 4;
        std::string padded = f.substr(offset, length);
        padded.resize((length + 3) / 4 * 4, '\0');
        std::uint32_t sum = 0;
        for (std::size_t w = 0; w < padded.size(); w += 4) sum += read_u32(padded, w);
        if (std::string_view(tags[k]) == "head") sum -= read_u32(f, offset + 8);
        EXPECT_EQ(read_u32(f, at + 4), sum) << tags[k];
    }
    EXPECT_EQ(f.size(), expected_offset);
    std::uint32_t whole = 0;
    for (std::size_t w = 0; w < f.size(); w += 4) whole += read_u32(f, w);
    EXPECT_EQ(whole, 0xB1B0AFBAu);
}

TEST(TrueTypeSubset, CollectionsTakeTheFaceMappingMost) {
    FontSpec small = sample_spec();
    small.cmap = {{0x4E2D, 1}};
    FontSpec big = sample_spec();
    const std::vector<std::uint32_t> request = {0x4E2D, 0x41};
    struct Case {
        const char* name;
        std::vector<std::string> kinds;
        std::vector<FontSpec> specs;
        std::optional<std::size_t> winner_map_size;
    };
    const std::vector<Case> cases = {
        {"CFF face first, TrueType second: the second is subset", {"OTTO", "ttf"}, {big, big}, 2},
        {"the face mapping more wins", {"ttf", "ttf"}, {small, big}, 2},
        {"a tie goes to the earlier face", {"ttf", "ttf"}, {small, small}, 1},
        {"only CFF faces: none", {"OTTO", "OTTO"}, {big, big}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto font = subset_truetype_font(test::collection(c.kinds, c.specs), request);
        ASSERT_EQ(font.has_value(), c.winner_map_size.has_value());
        if (font) { EXPECT_EQ(font->glyphs.size(), *c.winner_map_size); }
    }
}

TEST(TrueTypeSubset, MalformedInputGivesNone) {
    const std::string good = test::truetype_font(sample_spec());
    const std::vector<std::uint32_t> request = {0x4E2D};
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string huge_count = good;
    huge_count[4] = '\x7F';  // numTables far beyond the file
    std::string truncated = good.substr(0, good.size() - 8);
    std::string ttc_lies = "ttcf" + std::string("\0\1\0\0\xFF\xFF\xFF\xFF", 8);  // a billion faces, no offsets
    const std::vector<Case> cases = {
        {"empty", ""},
        {"eleven bytes", good.substr(0, 11)},
        {"directory beyond the file", huge_count},
        {"last table cut short", truncated},
        {"collection naming faces it lacks", ttc_lies},
    };
    for (const auto& c : cases) EXPECT_FALSE(subset_truetype_font(c.bytes, request)) << c.name;
}

TEST(TrueTypeSubset, ReadLocaOffsets) {
    test::Be shorts, longs;
    shorts.u16(0).u16(5).u16(9);
    longs.u32(0).u32(10).u32(70000);
    EXPECT_EQ(read_loca_offsets(shorts.data, 2, false), (std::vector<std::uint32_t>{0, 10, 18}));
    EXPECT_EQ(read_loca_offsets(longs.data, 2, true), (std::vector<std::uint32_t>{0, 10, 70000}));
    EXPECT_FALSE(read_loca_offsets(shorts.data, 3, false));
    EXPECT_FALSE(read_loca_offsets(longs.data, 2 + 1, true));
}

TEST(TrueTypeSubset, CompositeRemapWalksEveryComponentForm) {
    // Components with a scale, an x/y scale and a 2x2 matrix: the walk must
    // step over each to reach the next glyph index.
    const std::vector<Component> components = {
        {10, 0, 0, 0x08, std::string(2, '\x40')},
        {11, 0, 0, 0x40, std::string(4, '\x40')},
        {12, 0, 0, 0x80, std::string(8, '\x40')},
        {13, 0, 0, 0, ""},
    };
    std::string glyph = test::composite_glyph(components, 0);
    GlyphRenumbering renumbering;
    renumbering.set(10, 1);
    renumbering.set(11, 2);
    renumbering.set(13, 3);
    remap_composite_glyph_ids(glyph, renumbering);
    std::size_t at = 10;
    for (std::uint32_t expected : {1u, 2u, 0u, 3u}) {
        EXPECT_EQ(read_u16(glyph, at + 2), expected);
        const std::uint32_t flags = read_u16(glyph, at);
        at += 8 + ((flags & 0x08) ? 2 : (flags & 0x40) ? 4 : (flags & 0x80) ? 8 : 0);
    }
    // A simple glyph is left alone.
    std::string simple = test::triangle_glyph(0, 10, 10);
    const std::string before = simple;
    remap_composite_glyph_ids(simple, renumbering);
    EXPECT_EQ(simple, before);
}

struct Format4Case {
    const char* name;
    std::vector<CodeGlyphPair> pairs;
    std::uint32_t seg_count, search_range, entry_selector;
    std::map<std::uint32_t, std::uint32_t> decoded;
};

TEST(TrueTypeSubset, Format4HasOneSegmentPerCodePoint) {
    const std::vector<Format4Case> cases = {
        {"no pairs: only the final segment", {}, 1, 2, 0, {}},
        {"one pair", {{0x4E2D, 1}}, 2, 4, 1, {{0x4E2D, 1}}},
        {"three pairs", {{0x43, 3}, {0x41, 1}, {0x42, 2}}, 4, 8, 2, {{0x41, 1}, {0x42, 2}, {0x43, 3}}},
        {"above the BMP dropped", {{0x1F600, 4}, {0x41, 1}}, 2, 4, 1, {{0x41, 1}}},
        {"first pair of a code point wins", {{0x41, 1}, {0x41, 7}, {0x42, 1}}, 3, 4, 1, {{0x41, 1}, {0x42, 1}}},
        {"glyph id below the code point wraps the delta", {{0xFFF0, 2}}, 2, 4, 1, {{0xFFF0, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string sub = build_cmap_format4(c.pairs);
        EXPECT_EQ(read_u16(sub, 0), 4u);
        EXPECT_EQ(read_u16(sub, 2), 16 + 8 * c.seg_count);
        EXPECT_EQ(sub.size(), 16 + 8 * c.seg_count);
        EXPECT_EQ(read_u16(sub, 6), 2 * c.seg_count);
        EXPECT_EQ(read_u16(sub, 8), c.search_range);
        EXPECT_EQ(read_u16(sub, 10), c.entry_selector);
        EXPECT_EQ(read_u16(sub, 12), 2 * c.seg_count - c.search_range);
        CmapBudget budget;
        test::Be table;
        table.u16(0).u16(1).u16(3).u16(1).u32(12).raw(sub);
        const auto maps = choose_cmap_subtable(table.data, budget);
        std::map<std::uint32_t, std::uint32_t> decoded;
        for (const auto& run : maps->code_point_to_gid.runs())
            for (std::uint32_t cp = run.first; cp <= run.last; ++cp) decoded[cp] = run.value_at(cp);
        EXPECT_EQ(decoded, c.decoded);
    }
}

// Past 8,188 code points the format 4 length would wrap: the cmap then holds
// a capped format 4 and a format 12 with every code point.
TEST(TrueTypeSubset, LargeSubsetsGetAFormat12Subtable) {
    for (std::uint32_t count : {8188u, 8189u, 9000u}) {
        SCOPED_TRACE(count);
        std::vector<std::string> glyphs(count + 1, test::triangle_glyph(5, 50, 50));
        std::vector<CodeGlyphPair> pairs;
        std::string hmtx;
        for (std::uint32_t g = 0; g <= count; ++g) push_hmtx_metric(hmtx, 500, 5);
        for (std::uint32_t k = 0; k < count; ++k) pairs.emplace_back(0x4E00 + k, k + 1);
        const std::string font = write_truetype_subset(1000, glyphs, hmtx, pairs, 880, -120);
        const auto cmap = sfnt_table(font, "cmap");
        EXPECT_EQ(read_u16(cmap, 2), count > kMaxFormat4CodePoints ? 2u : 1u);
        const auto format4 = cmap.substr(read_u32(cmap, 8));
        EXPECT_EQ(read_u16(format4, 2), 16 + 8 * (std::min<std::uint32_t>(count, 8188) + 1));
        CmapBudget budget;
        const auto maps = choose_cmap_subtable(cmap, budget);
        EXPECT_EQ(maps->code_point_to_gid.size(), count);
        EXPECT_EQ(maps->code_point_to_gid.find(0x4E00 + count - 1), count);
        if (test::have_fc_query()) {
            std::set<std::uint32_t> expected;
            for (const auto& p : pairs) expected.insert(p.first);
            EXPECT_EQ(test::fc_query_charset(font), expected);
        }
    }
}

// The fonts the system falls back on, subset to a paper's worth of
// characters: every reader agrees with what the subset claims.
TEST(TrueTypeSubset, SystemFontsReadBackByFontToolsAndFontconfig) {
    struct FontCase {
        const char* path;
        const char* package;
    };
    const std::vector<FontCase> fonts = {
        {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "fonts-wqy-microhei"},
        {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", "fonts-wqy-zenhei"},
    };
    std::vector<std::uint32_t> request = {0x7684, 0x20, 0x41, 0x1F600, 0x3002, 0xFF0C};
    for (std::uint32_t cp = 0x4E00; cp < 0x4E00 + 2500; cp += 1) request.push_back(cp);
    const bool fonttools = test::have_fonttools();
    for (const auto& f : fonts) {
        SCOPED_TRACE(f.path);
        if (!std::filesystem::exists(f.path)) {
            std::cout << "skipped: " << f.path << " absent (install " << f.package << ")\n";
            continue;
        }
        const std::string bytes = zvk::test::read_file(f.path);
        const auto font = subset_truetype_font(bytes, request);
        ASSERT_TRUE(font);
        EXPECT_TRUE(font->glyphs.contains(0x7684));
        EXPECT_FALSE(font->glyphs.contains(0x1F600));
        // Exactly the requested BMP code points the source maps.
        CmapBudget budget;
        const auto source = read_collection_cmap(bytes, budget);
        std::set<std::uint32_t> expected;
        for (std::uint32_t cp : request)
            if (cp <= 0xFFFF && source->code_point_to_gid.find(cp)) expected.insert(cp);
        if (!source->code_point_to_gid.find(0x20)) expected.insert(0x20);
        EXPECT_EQ(test::code_points_of(*font), expected);
        if (fonttools) {
            const auto verdict = test::check_with_fonttools(*font, "truetype");
            EXPECT_EQ(verdict.status, 0) << verdict.output;
        }
        if (test::have_fc_query()) { EXPECT_EQ(test::fc_query_charset(font->font_bytes), expected); }
    }
}

}  // namespace
}  // namespace zvk::font
