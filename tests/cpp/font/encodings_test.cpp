#include "font/encodings.h"

#include <gtest/gtest.h>

namespace zvk::font {
namespace {

struct EncodingCase {
    const char* name;
    std::size_t codes_with_text;
    std::uint8_t first_code;
};

TEST(BaseEncodingTable, EachEncodingHasItsExactCount) {
    const EncodingCase cases[] = {
        {"StandardEncoding", 149, 0x20}, {"WinAnsiEncoding", 224, 0x20}, {"MacRomanEncoding", 223, 0x20},
        {"MacExpertEncoding", 165, 0x20}, {"PDFDocEncoding", 229, 0x18}, {"SymbolEncoding", 188, 0x20},
    };
    for (const auto& c : cases) {
        auto encoding = parse_base_encoding_name(c.name);
        ASSERT_TRUE(encoding) << c.name;
        auto table = base_encoding_table(*encoding);
        std::size_t count = 0;
        std::optional<std::size_t> first;
        for (std::size_t code = 0; code < 256; ++code) {
            if (!table[code]) continue;
            ++count;
            if (!first) first = code;
        }
        EXPECT_EQ(count, c.codes_with_text) << c.name;
        EXPECT_EQ(first, c.first_code) << c.name;
    }
}

struct CodeCase {
    BaseEncoding encoding;
    std::uint8_t code;
    std::optional<std::string> text;
};

TEST(BaseEncodingTable, DeviationsFromTheAnnexTables) {
    const CodeCase cases[] = {
        // WinAnsi: bullets in the holes of code page 1252, space and hyphen.
        {BaseEncoding::WinAnsiEncoding, 0x93, "\u201C"},
        {BaseEncoding::WinAnsiEncoding, 0x81, "\u2022"},
        {BaseEncoding::WinAnsiEncoding, 0x7F, "\u2022"},
        {BaseEncoding::WinAnsiEncoding, 0xA0, " "},
        {BaseEncoding::WinAnsiEncoding, 0xAD, "-"},
        {BaseEncoding::WinAnsiEncoding, 0x1F, std::nullopt},
        // MacRoman: Apple's symbols added, space at 0xCA, currency at 0xDB.
        {BaseEncoding::MacRomanEncoding, 0xAD, "\u2260"},
        {BaseEncoding::MacRomanEncoding, 0xBD, "\u2126"},
        {BaseEncoding::MacRomanEncoding, 0xF0, "\uF8FF"},
        {BaseEncoding::MacRomanEncoding, 0xCA, " "},
        {BaseEncoding::MacRomanEncoding, 0xDB, "\u00A4"},
        {BaseEncoding::MacRomanEncoding, 0x7F, std::nullopt},
        // Symbol: no Euro, card suits as outlines, bars for extension pieces.
        {BaseEncoding::SymbolEncoding, 0x61, "\u03B1"},
        {BaseEncoding::SymbolEncoding, 0xA0, std::nullopt},
        {BaseEncoding::SymbolEncoding, 0xA8, "\u2662"},
        {BaseEncoding::SymbolEncoding, 0xA9, "\u2661"},
        {BaseEncoding::SymbolEncoding, 0xBD, "\u2195"},
        {BaseEncoding::SymbolEncoding, 0xE7, "|"},
        {BaseEncoding::SymbolEncoding, 0xFD, "\u2016"},
        {BaseEncoding::SymbolEncoding, 0x60, "\uF8E5"},  // radicalex: private use through the list
        // Standard and PDFDoc through the glyph list.
        {BaseEncoding::StandardEncoding, 0x27, "\u2019"},
        {BaseEncoding::StandardEncoding, 0xAE, "\uFB01"},
        {BaseEncoding::PDFDocEncoding, 0x18, "\u02D8"},
        {BaseEncoding::PDFDocEncoding, 0xA0, "\u20AC"},
        {BaseEncoding::PDFDocEncoding, 0xAD, std::nullopt},
        {BaseEncoding::MacExpertEncoding, 0x61, "\uF761"},
    };
    for (const auto& c : cases) {
        auto table = base_encoding_table(c.encoding);
        EXPECT_EQ(table[c.code], c.text) << static_cast<int>(c.encoding) << " code " << int(c.code);
    }
}

TEST(ParseBaseEncodingName, MatchesExactly) {
    EXPECT_EQ(parse_base_encoding_name("WinAnsiEncoding"), BaseEncoding::WinAnsiEncoding);
    EXPECT_EQ(parse_base_encoding_name("winansiencoding"), std::nullopt);
    EXPECT_EQ(parse_base_encoding_name("WinAnsi"), std::nullopt);
    EXPECT_EQ(parse_base_encoding_name("Identity-H"), std::nullopt);
}

TEST(BaseEncodingGlyphName, NamesStandTheTextsBehind) {
    EXPECT_EQ(base_encoding_glyph_name(BaseEncoding::StandardEncoding, 'A'), "A");
    EXPECT_EQ(base_encoding_glyph_name(BaseEncoding::StandardEncoding, 0x27), "quoteright");
    EXPECT_EQ(base_encoding_glyph_name(BaseEncoding::WinAnsiEncoding, 0x27), "quotesingle");
    EXPECT_EQ(base_encoding_glyph_name(BaseEncoding::StandardEncoding, 0x80), "");
}

}  // namespace
}  // namespace zvk::font
