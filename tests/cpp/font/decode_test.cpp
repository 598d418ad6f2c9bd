#include "font/decode.h"

#include <gtest/gtest.h>

#include "font/font_fixture.h"

namespace zvk::font {
namespace {

using test::hex_bytes;

std::shared_ptr<const ParsedCMap> cmap(const std::string& program) {
    return std::make_shared<const ParsedCMap>(parse_cmap_program(program));
}

PdfFont simple_font_with(std::shared_ptr<const ParsedCMap> to_unicode) {
    PdfFont font;
    font.kind = FontKind::TrueType;
    font.to_unicode = std::move(to_unicode);
    auto table = std::make_shared<SimpleEncoding>(base_encoding_table(BaseEncoding::WinAnsiEncoding));
    font.simple_encoding = std::move(table);
    return font;
}

PdfFont type0_font() {
    PdfFont font;
    font.kind = FontKind::Type0;
    font.cid_keyed = true;
    font.identity = true;
    auto widths = std::make_shared<GlyphWidths>();
    widths->default_width = 1000.0f;
    font.widths = std::move(widths);
    return font;
}

std::optional<std::string> text_for(const PdfFont& font, std::string_view hex) {
    std::string bytes = hex_bytes(hex);
    return decode_char_code(font, big_endian_value(bytes), bytes).unicode;
}

TEST(DecodeCharCode, ToUnicodeRanges) {
    struct Case {
        const char* label;
        std::string program;
        std::string code;
        std::optional<std::string> text;
        bool winansi_table = false;
    } cases[] = {
        {"range_offset", "beginbfrange <0010> <0012> <0041> endbfrange", "0012", "C"},
        {"carry_into_first_byte", "beginbfrange <0010> <0012> <00FF> endbfrange", "0011", "\u0100"},
        {"carry_out_dropped", "beginbfrange <0010> <0012> <FFFF> endbfrange", "0011", std::string(1, '\0')},
        {"offset_wider_than_a_byte", "beginbfrange <0000> <0300> <0041> endbfrange", "0200", "\u0241"},
        {"bfchar_before_range", "beginbfrange <0010> <0012> <0041> endbfrange beginbfchar <0011> <005A> endbfchar",
         "0011", "Z"},
        // Only the first containing range counts, even when it gives nothing:
        // the next source (here the WinAnsi table) answers, not the later range.
        {"first_range_only", "beginbfrange <00> <FF> <D800> <41> <41> <005A> endbfrange", "41", "A", true},
        {"outside_every_range", "beginbfrange <0010> <0012> <0041> endbfrange", "0013", std::nullopt},
    };
    for (const auto& c : cases) {
        PdfFont font = simple_font_with(cmap(c.program));
        if (!c.winansi_table) font.simple_encoding.reset();
        EXPECT_EQ(text_for(font, c.code), c.text) << c.label;
    }
}

TEST(DecodeCharCode, SourcesInOrder) {
    // ToUnicode, then the simple encoding, then glyph-based text.
    PdfFont font = simple_font_with(cmap("beginbfchar <41> <0058> endbfchar"));
    EXPECT_EQ(text_for(font, "41"), "X");
    EXPECT_EQ(text_for(font, "42"), "B");
    EXPECT_EQ(text_for(font, "1F"), std::nullopt);
}

TEST(DecodeCharCode, GlyphIdsAndGlyphText) {
    using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    auto runs = [](const Pairs& pairs) {
        std::vector<KeyRun> listed;
        for (const auto& [key, value] : pairs) listed.push_back({key, key, value, false});
        return RunMap::first_wins(listed);
    };
    // Code point to glyph, and glyph to the code point of its text.
    auto cmap_maps = [&](PdfFont& font, const Pairs& by_code_point, const Pairs& by_gid) {
        font.code_point_to_gid = std::make_shared<const CodePointToGid>(runs(by_code_point));
        font.gid_to_text = std::make_shared<const GidToText>(runs(by_gid));
    };
    {
        // Identity CIDToGIDMap without ToUnicode: gid = CID, text by glyph.
        PdfFont font = type0_font();
        font.cid_to_gid.kind = CidToGid::Kind::Identity;
        cmap_maps(font, {{0x4E2D, 7}}, {{7, 0x4E2D}});
        auto decoded = decode_char_code(font, 7, hex_bytes("0007"));
        EXPECT_EQ(decoded.unicode, "\u4E2D");
        EXPECT_EQ(decoded.gid, 7u);
        EXPECT_EQ(decode_char_code(font, 0, hex_bytes("0000")).gid, 0u);  // CID 0 still has a glyph id
    }
    {
        // A table entry 0 gives no gid; the embedded cmap maps the code itself.
        PdfFont font = type0_font();
        font.cid_to_gid.kind = CidToGid::Kind::Table;
        font.cid_to_gid.table = std::make_shared<const std::vector<std::uint16_t>>(std::vector<std::uint16_t>(0x50, 0));
        cmap_maps(font, {{0x41, 36}}, {{36, 'A'}});
        auto decoded = decode_char_code(font, 0x41, hex_bytes("0041"));
        EXPECT_EQ(decoded.unicode, "A");
        EXPECT_EQ(decoded.gid, 36u);
        // Outside the table and not a mapped code point: nothing.
        auto outside = decode_char_code(font, 0x90, hex_bytes("0090"));
        EXPECT_EQ(outside.unicode, std::nullopt);
        EXPECT_EQ(outside.gid, std::nullopt);
    }
    {
        // A simple TrueType font: text from its table, gid by the text's first character.
        PdfFont font = simple_font_with(nullptr);
        cmap_maps(font, {{0x41, 36}}, {{36, 'A'}});
        auto decoded = decode_char_code(font, 0x41, "A");
        EXPECT_EQ(decoded.unicode, "A");
        EXPECT_EQ(decoded.gid, 36u);
    }
    {
        // A code that is not a scalar value never becomes text by itself.
        PdfFont font = type0_font();
        cmap_maps(font, {{0xD800, 5}}, {{5, 'x'}});
        EXPECT_EQ(decode_char_code(font, 0xD800, hex_bytes("D800")).unicode, std::nullopt);
    }
}

TEST(DecodeCharCode, CidsFromTheEncodingCMapKeyTheWidths) {
    PdfFont font = type0_font();
    font.identity = false;
    font.encoding_cmap = cmap("begincidchar <05> 300 endcidchar begincidrange <10> <1F> 400 <00> <FF> 0 endcidrange "
                              "begincidrange <FFFFFFF0> <FFFFFFFF> 4294967290 endcidrange");
    auto widths = std::make_shared<GlyphWidths>();
    widths->default_width = 1000.0f;
    widths->map = {{300, 250.0f}, {405, 500.0f}, {0x20, 750.0f}};
    widths->build_index();
    font.widths = std::move(widths);
    EXPECT_FLOAT_EQ(decode_char_code(font, 0x05, "\x05").advance, 0.25f);  // cidchar
    EXPECT_FLOAT_EQ(decode_char_code(font, 0x15, "\x15").advance, 0.5f);   // first range: 400 + 5
    EXPECT_FLOAT_EQ(decode_char_code(font, 0x20, " ").advance, 0.75f);     // second range: 0 + 0x20
    // first_cid + offset saturates instead of wrapping.
    auto top = decode_char_code(font, 0xFFFFFFFF, hex_bytes("FFFFFFFF"));
    EXPECT_FLOAT_EQ(top.advance, 1.0f);
}

TEST(DecodeCharCode, AdvanceAndVerticalMetrics) {
    {
        // Helvetica "AB" at 12 pt: each glyph advances 8.004.
        auto loaded = test::load_fixture_font(
            {{10, {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", std::nullopt}}});
        for (auto [code, byte] : {std::pair{0x41u, "A"}, std::pair{0x42u, "B"}}) {
            float advance = decode_char_code(loaded->font, code, byte).advance;
            EXPECT_FLOAT_EQ(advance * 12.0f, 8.004f);
        }
    }
    {
        PdfFont font = simple_font_with(nullptr);
        font.font_matrix = {0.01f, 0, 0, 0.01f, 0, 0};
        auto widths = std::make_shared<GlyphWidths>();
        widths->map = {{0x41, 50.0f}};
        font.widths = std::move(widths);
        auto decoded = decode_char_code(font, 0x41, "A");
        EXPECT_FLOAT_EQ(decoded.advance, 0.5f);
        EXPECT_FALSE(decoded.vertical);
    }
    {
        // A vertical font without W2 and DW2.
        PdfFont font = type0_font();
        font.vertical = true;
        auto widths = std::make_shared<GlyphWidths>();
        widths->default_width = 900.0f;
        font.widths = std::move(widths);
        auto decoded = decode_char_code(font, 1, hex_bytes("0001"));
        ASSERT_TRUE(decoded.vertical);
        EXPECT_FLOAT_EQ(decoded.vertical->w1, -1.0f);
        EXPECT_FLOAT_EQ(decoded.vertical->vy, 0.88f);
        EXPECT_FLOAT_EQ(decoded.vertical->vx, 900.0f / 2000.0f);
    }
}

std::string describe_codes(const std::vector<CharCode>& codes) {
    std::string out;
    for (const auto& code : codes) {
        char item[32];
        std::snprintf(item, sizeof item, "%s%X", out.empty() ? "" : " ", code.code);
        out += item;
    }
    return out;
}

TEST(SplitShownString, FollowsTheFontsRule) {
    const auto to_unicode = cmap("begincodespacerange <00> <FF> endcodespacerange");
    const auto encoding = cmap("begincodespacerange <0000> <FFFF> endcodespacerange");
    const auto no_codespace = cmap("beginbfchar <41> <0041> endbfchar");
    struct Case {
        const char* label;
        bool cid_keyed;
        bool identity;
        std::shared_ptr<const ParsedCMap> to_unicode;
        std::shared_ptr<const ParsedCMap> encoding_cmap;
        std::string codes;
    } cases[] = {
        {"simple_font_one_byte_each", false, false, to_unicode, encoding, "41 42 43"},
        {"to_unicode_ranges_first", true, true, to_unicode, encoding, "41 42 43"},
        {"then_encoding_cmap_ranges", true, true, no_codespace, encoding, "4142 43"},
        {"identity_two_bytes_odd_tail", true, true, nullptr, nullptr, "4142 43"},
        {"otherwise_one_byte", true, false, nullptr, nullptr, "41 42 43"},
    };
    for (const auto& c : cases) {
        PdfFont font;
        font.cid_keyed = c.cid_keyed;
        font.identity = c.identity;
        font.to_unicode = c.to_unicode;
        font.encoding_cmap = c.encoding_cmap;
        EXPECT_EQ(describe_codes(split_shown_string(font, "ABC")), c.codes) << c.label;
    }
}

}  // namespace
}  // namespace zvk::font
