#include "font/glyph_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace zvk::font {
namespace {

struct NameCase {
    const char* label;
    std::string name;
    std::optional<std::string> text;
};

class GlyphNameToUnicode : public ::testing::TestWithParam<NameCase> {};

TEST_P(GlyphNameToUnicode, GivesTheTextOfTheName) {
    EXPECT_EQ(glyph_name_to_unicode(GetParam().name), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Names, GlyphNameToUnicode,
    ::testing::Values(
        NameCase{"plain_letter", "A", "A"},
        NameCase{"accented", "Aacute", "\u00C1"},
        NameCase{"two_code_points_from_the_list", "dalethatafpatah", "\u05D3\u05B2"},
        NameCase{"list_wins_over_u_rule", "union", "\u222A"},
        NameCase{"private_use_from_the_list", "Asmall", "\uF761"},
        NameCase{"uni_one_group", "uni0041", "A"},
        NameCase{"uni_two_groups", "uni00410042", "AB"},
        NameCase{"uni_lower_case_hex", "uni00e9", "\u00E9"},
        NameCase{"uni_short_group", "uni004", std::nullopt},
        NameCase{"uni_with_suffix", "uni0041.sc", std::nullopt},
        NameCase{"uni_surrogate", "uniD800", std::nullopt},
        NameCase{"uni_nul_is_a_character", "uni0000", std::string(1, '\0')},
        NameCase{"uni_empty_rest", "uni", std::nullopt},
        NameCase{"u_supplementary", "u1F600", "\U0001F600"},
        NameCase{"u_four_digits", "u0041", "A"},
        NameCase{"u_three_digits", "u041", std::nullopt},
        NameCase{"u_zero", "u0000", std::nullopt},
        NameCase{"u_beyond_unicode", "u110000", std::nullopt},
        NameCase{"u_beyond_32_bits", "u100000000", std::nullopt},
        NameCase{"u_many_leading_zeros", "u0000000041", "A"},
        NameCase{"u_surrogate", "uDC00", std::nullopt},
        NameCase{"suffix_not_removed", "A.sc", std::nullopt},
        NameCase{"ligature_name_not_split", "f_f", std::nullopt},
        NameCase{"notdef", ".notdef", std::nullopt},
        NameCase{"empty", "", std::nullopt},
        NameCase{"tex_name_not_in_list", "parenleftbig", std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TexExtensionGlyphUnicode, KnowsTheMathExtensionNamesCaseSensitively) {
    struct Case {
        const char* name;
        std::optional<std::string> text;
    } cases[] = {
        {"parenleftbig", "("},
        {"parenleftBig", "("},
        {"parenleftBIG", std::nullopt},
        {"radicalExtmid", "\u2223"},
        {"bracehoriztipdownright", "\u23AD"},
        {"arrowvertex", "\u2502"},
        {"A", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(tex_extension_glyph_unicode(c.name), c.text) << c.name;
}

TEST(CodePointToString, RefusesWhatIsNotAScalarValueAndZero) {
    struct Case {
        std::uint32_t cp;
        std::optional<std::string> text;
    } cases[] = {
        {0x41, "A"}, {0x10FFFF, "\U0010FFFF"}, {0, std::nullopt},
        {0xD800, std::nullopt}, {0xDFFF, std::nullopt}, {0x110000, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(code_point_to_string(c.cp), c.text) << c.cp;
}

TEST(ParseGlyphList, FollowsTheLineRules) {
    const std::string text =
        "# comment;0041\n"
        "\n"
        "alpha;03B1\r\n"
        "pair;0041 +0042\n"
        "bad;XYZ 0043 D800 110000 100000000\n"
        "nothing;D800\n"
        "noseparator 0041\n"
        " spaced ;0044\n"
        "alpha;03B2\n"
        "last;0045";
    auto list = parse_glyph_list(text);
    EXPECT_EQ(list.at("alpha"), "\u03B2");  // a later line replaces an earlier one
    EXPECT_EQ(list.at("pair"), "AB");
    EXPECT_EQ(list.at("bad"), "C");  // unreadable pieces are skipped one by one
    EXPECT_EQ(list.at(" spaced "), "D");  // the name is not trimmed
    EXPECT_EQ(list.at("last"), "E");
    EXPECT_FALSE(list.contains("nothing"));
    EXPECT_FALSE(list.contains("noseparator 0041"));
    EXPECT_FALSE(list.contains("# comment"));
    EXPECT_EQ(list.size(), 5u);
}

TEST(GlyphList, HasTheWholePublishedList) {
    // Rules 3 and 4 would give these too, so take names only the list knows.
    EXPECT_EQ(glyph_name_to_unicode("zukatakana"), "\u30BA");
    EXPECT_EQ(glyph_name_to_unicode("zuhiragana"), "\u305A");
    EXPECT_EQ(glyph_name_to_unicode("AEmacron"), "\u01E2");
    EXPECT_EQ(glyph_name_to_unicode("lamedholamdagesh"), "\u05DC\u05B9\u05BC");
}

}  // namespace
}  // namespace zvk::font
