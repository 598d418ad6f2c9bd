#include "font/predefined.h"

#include <gtest/gtest.h>

#include "font/decode.h"
#include "font/font_fixture.h"
#include "font/shown_text.h"

namespace zvk::font {
namespace {

using test::hex_bytes;
using K = PredefinedCMap::Kind;

TEST(ParsePredefinedCMapName, StemsAndWritingMode) {
    struct Case {
        const char* name;
        std::optional<K> kind;
        bool vertical;
        LegacyKind legacy = LegacyKind::Gbk;
    } cases[] = {
        {"UniJIS-UCS2-H", K::Utf16, false},
        {"UniJIS-UCS2-V", K::Utf16, true},
        {"UniJIS-UCS2", K::Utf16, false},
        {"UniCNS-UTF32-V", K::Utf32, true},
        {"GBK-EUC-V", K::Legacy, true, LegacyKind::Gbk},
        {"GBpc-EUC-H", K::Legacy, false, LegacyKind::GbEuc},
        {"90ms-RKSJ-H", K::Legacy, false, LegacyKind::ShiftJis},
        {"KSCms-UHC-HW-V", K::Legacy, true, LegacyKind::Uhc},
        {"ETenms-B5-H", K::Legacy, false, LegacyKind::Big5},
        {"EUC-V", K::Legacy, true, LegacyKind::EucJp},
        {"H", std::nullopt, false},
        {"V", std::nullopt, false},
        {"-V", std::nullopt, false},
        {"unijis-ucs2-h", std::nullopt, false},
        {"UniJIS-UCS2-X", std::nullopt, false},
        {"Identity-H", std::nullopt, false},
    };
    for (const auto& c : cases) {
        auto cmap = parse_predefined_cmap_name(c.name);
        ASSERT_EQ(cmap.has_value(), c.kind.has_value()) << c.name;
        if (!cmap) continue;
        EXPECT_EQ(cmap->kind, *c.kind) << c.name;
        EXPECT_EQ(cmap->vertical, c.vertical) << c.name;
        if (cmap->kind == K::Legacy) {
            EXPECT_EQ(cmap->legacy_kind, c.legacy) << c.name;
        }
    }
    EXPECT_STREQ(parse_predefined_cmap_name("GBK-EUC-V")->encoding(), "GBK");
}

std::string lengths(const std::vector<CharCode>& codes) {
    std::string out;
    for (const auto& code : codes) out += static_cast<char>('0' + code.byte_length);
    return out;
}

TEST(SplitCodesPredefined, LeadByteRules) {
    struct Case {
        const char* label;
        const char* name;
        std::string hex;
        std::string lengths;
    } cases[] = {
        {"utf16_odd_tail", "UniGB-UCS2-H", "4E2D41", "21"},
        {"utf32_short_tail", "UniGB-UTF32-H", "0000004E41", "41"},
        {"shift_jis", "90ms-RKSJ-H", "82A041", "21"},
        {"shift_jis_upper_lead", "90ms-RKSJ-H", "E040A0", "21"},
        {"shift_jis_lead_at_end", "90ms-RKSJ-H", "4182", "11"},
        {"gbk", "GBK-EUC-H", "814041", "21"},
        {"gb_euc_low_lead_single", "GB-EUC-H", "8140A1A1", "112"},
        {"big5", "ETen-B5-H", "A44041", "21"},
        {"uhc", "KSCms-UHC-H", "8141", "2"},
        {"euc_jp_three_bytes", "EUC-H", "8FB0A1", "3"},
        {"euc_jp_kana", "EUC-H", "8EB1A4A2", "22"},
        {"euc_jp_short_three", "EUC-H", "8FB0", "11"},
    };
    for (const auto& c : cases) {
        auto cmap = parse_predefined_cmap_name(c.name);
        ASSERT_TRUE(cmap) << c.label;
        EXPECT_EQ(lengths(split_codes_predefined(*cmap, hex_bytes(c.hex))), c.lengths) << c.label;
    }
}

TEST(DecodePredefinedCode, DecodesInTheCharacterSet) {
    struct Case {
        const char* label;
        const char* name;
        std::string hex;
        std::optional<std::string> text;
    } cases[] = {
        {"utf16_one_byte", "UniGB-UCS2-H", "41", "A"},
        {"utf16_unit", "UniGB-UCS2-H", "4E2D", "\u4E2D"},
        {"utf16_lone_surrogate", "UniGB-UCS2-H", "D800", std::nullopt},
        {"utf16_pair", "UniGB-UTF16-H", "D83DDE00", "\U0001F600"},
        {"utf16_high_then_other", "UniGB-UTF16-H", "D83D0041", std::nullopt},
        {"utf16_plain_first_unit", "UniGB-UTF16-H", "00410042", "A"},
        {"utf16_low_first", "UniGB-UTF16-H", "DC000041", std::nullopt},
        {"utf32_scalar", "UniJIS-UTF32-H", "0001F600", "\U0001F600"},
        {"utf32_beyond_unicode", "UniJIS-UTF32-H", "00110000", std::nullopt},
        {"utf32_wrong_length", "UniJIS-UTF32-H", "41", std::nullopt},
        {"shift_jis_hiragana", "90ms-RKSJ-H", "82A0", "\u3042"},
        {"shift_jis_backslash_not_yen", "90ms-RKSJ-H", "5C", "\\"},
        {"shift_jis_malformed", "90ms-RKSJ-H", "8220", std::nullopt},
        {"uhc_extension_code", "KSCms-UHC-H", "8141", "\uAC02"},
        {"uhc_wansung_code", "KSCpc-EUC-H", "B0A1", "\uAC00"},
        {"gbk", "GBK-EUC-H", "D6D0", "\u4E2D"},
        {"gb_euc", "GB-EUC-H", "D6D0", "\u4E2D"},
        {"big5", "ETen-B5-H", "A440", "\u4E00"},
        {"big5_byte_order_mark_alone", "ETen-B5-H", "FEFF", std::nullopt},
        {"euc_jp", "EUC-H", "A4A2", "\u3042"},
        {"euc_jp_three_bytes", "EUC-H", "8FB0A1", "\u4E02"},
        {"ascii_in_legacy", "GBK-EUC-H", "41", "A"},
        {"utf8_mark_alone", "EUC-H", "EFBBBF", std::nullopt},
    };
    for (const auto& c : cases) {
        auto cmap = parse_predefined_cmap_name(c.name);
        ASSERT_TRUE(cmap) << c.label;
        EXPECT_EQ(decode_predefined_code(*cmap, hex_bytes(c.hex)), c.text) << c.label;
    }
}

TEST(PredefinedTypeZeroFont, SplitsJoinsAndDecodes) {
    auto loaded = test::load_fixture_font(
        {{10, {"<< /Subtype /Type0 /BaseFont /X /Encoding /UniGB-UTF16-V /DescendantFonts [11 0 R] >>", std::nullopt}},
         {11, {"<< /Subtype /CIDFontType0 >>", std::nullopt}}});
    const PdfFont& font = loaded->font;
    ASSERT_TRUE(font.predefined_cmap);
    EXPECT_TRUE(font.vertical);
    EXPECT_FALSE(font.identity);
    std::string bytes = hex_bytes("D83DDE004E2D");
    auto codes = split_shown_string(font, bytes);
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[0].code, 0xD83DDE00u);
    EXPECT_EQ(codes[0].byte_length, 4);
    auto first = decode_char_code(font, codes[0].code, bytes.substr(0, 4));
    EXPECT_EQ(first.unicode, "\U0001F600");
    EXPECT_EQ(first.code_bytes, hex_bytes("D83DDE00"));
    EXPECT_EQ(decode_char_code(font, codes[1].code, bytes.substr(4, 2)).unicode, "\u4E2D");
    // A high surrogate followed by anything else stays a code of its own.
    EXPECT_EQ(split_shown_string(font, hex_bytes("D83D0041")).size(), 2u);
}

TEST(PredefinedTypeZeroFont, CorpusShiftJisSampleDecodesLikePdftotext) {
    if (!test::corpus_available()) GTEST_SKIP() << "no corpus at " << ZVK_CORPUS_DIR;
    auto doc = test::load_corpus_pdf("pdfjs/90ms_rksj_h_sample.pdf");
    // pdftotext gives "Hello ASCII" and "日本語テスト" on two lines.
    EXPECT_EQ(test::without_whitespace(test::decoded_document_text(doc)), "HelloASCII日本語テスト");
}

}  // namespace
}  // namespace zvk::font
