#include "rewrite/geometry/char_substitutes.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "font/subset_check.h"

namespace zvk::rewrite {
namespace {

using Chars = std::vector<char32_t>;

struct Span {
    char32_t first, last;
};

// Expected mappings written as the published ranges, expanded here, so that
// every character of a range is checked against the packed tables.
std::map<char32_t, char32_t> expand(const std::vector<std::pair<char32_t, std::vector<Span>>>& rows) {
    std::map<char32_t, char32_t> out;
    for (const auto& [result, spans] : rows) {
        for (Span s : spans) {
            for (char32_t c = s.first; c <= s.last; ++c) out[c] = result;
        }
    }
    return out;
}

TEST(CharSubstitutes, MissingGlyphCandidates) {
    struct Case {
        std::vector<char32_t> chars;
        Chars candidates;
    };
    const std::vector<Case> cases = {
        {{0x00A0, 0x2002, 0x2003, 0x2009}, {U' '}},
        {{0x00D7, 0x2715, 0x2A2F}, {U'x'}},
        {{0x02C6}, {U'^'}},
        {{0x0338}, {U'/'}},
        {{0x03D5}, {0x03C6, U'f'}},
        {{0x2010, 0x2011, 0x2012, 0x2013, 0x2014, 0x2212}, {U'-'}},
        {{0x2018, 0x2019, 0x201A}, {U'\''}},
        {{0x201C, 0x201D, 0x201E}, {U'"'}},
        {{0x204E, 0x2217, 0x22C6, 0xFE61, 0xFF0A}, {U'*'}},
        {{0x223C, 0x223D}, {U'~'}},
        {{0x2308, 0x230A}, {U'['}},
        {{0x2309, 0x230B}, {U']'}},
        {{0x2705, 0x2714}, {0x2713, U'*'}},
        {{0x274C, 0x274E}, {0x00D7, U'x'}},
        {{0x2794, 0x279C, 0x279E, 0x27A2, 0x27A4, 0x27A5}, {0x2192, U'>'}},
        {{0x27E8}, {U'<'}},
        {{0x27E9}, {U'>'}},
        {{0xF8F8}, {}},
        {{0xE000, 0xF0B7, 0xF8F7, 0xF8FF}, {0x25A0, 0x2022, U'*'}},
        {{0x2300, 0x23FF, 0x2600, 0x2713, 0x27BF, 0x1F000, 0x1F600, 0x1FAFF}, {0x2022, U'*'}},
        {{U'a', 0x201F, 0x2015, 0x27C0, 0x22FF, 0x1FB00, 0xDFFF - 0x1000, 0x00A1}, {}},
    };
    for (const Case& c : cases) {
        for (char32_t ch : c.chars) {
            EXPECT_EQ(substitute_chars_for_missing_glyph(ch), c.candidates) << std::hex << static_cast<unsigned>(ch);
        }
    }
}

TEST(CharSubstitutes, LatinLettersFoldToAscii) {
    const auto expected = expand({
        {U'A', {{0xC0, 0xC5}, {0x100, 0x100}, {0x102, 0x102}, {0x104, 0x104}}},
        {U'a', {{0xE0, 0xE5}, {0x101, 0x101}, {0x103, 0x103}, {0x105, 0x105}}},
        {U'C', {{0xC7, 0xC7}, {0x106, 0x106}, {0x108, 0x108}, {0x10A, 0x10A}, {0x10C, 0x10C}}},
        {U'c', {{0xE7, 0xE7}, {0x107, 0x107}, {0x109, 0x109}, {0x10B, 0x10B}, {0x10D, 0x10D}}},
        {U'D', {{0x110, 0x110}}},
        {U'd', {{0x111, 0x111}}},
        {U'E', {{0xC8, 0xCB}, {0x112, 0x112}, {0x114, 0x114}, {0x116, 0x116}, {0x118, 0x118}, {0x11A, 0x11A}}},
        {U'e', {{0xE8, 0xEB}, {0x113, 0x113}, {0x115, 0x115}, {0x117, 0x117}, {0x119, 0x119}, {0x11B, 0x11B}}},
        {U'I', {{0xCC, 0xCF}, {0x12A, 0x12A}, {0x12C, 0x12C}, {0x12E, 0x12E}}},
        {U'i', {{0xEC, 0xEF}, {0x12B, 0x12B}, {0x12D, 0x12D}, {0x12F, 0x12F}}},
        {U'L', {{0x141, 0x141}}},
        {U'l', {{0x142, 0x142}}},
        {U'N', {{0xD1, 0xD1}, {0x143, 0x143}, {0x145, 0x145}, {0x147, 0x147}}},
        {U'n', {{0xF1, 0xF1}, {0x144, 0x144}, {0x146, 0x146}, {0x148, 0x148}}},
        {U'O', {{0xD2, 0xD6}, {0xD8, 0xD8}, {0x14C, 0x14C}, {0x14E, 0x14E}, {0x150, 0x150}}},
        {U'o', {{0xF2, 0xF6}, {0xF8, 0xF8}, {0x14D, 0x14D}, {0x14F, 0x14F}, {0x151, 0x151}}},
        {U'R', {{0x158, 0x158}}},
        {U'r', {{0x159, 0x159}}},
        {U'S', {{0x15A, 0x15A}, {0x15C, 0x15C}, {0x15E, 0x15E}, {0x160, 0x160}}},
        {U's', {{0x15B, 0x15B}, {0x15D, 0x15D}, {0x15F, 0x15F}, {0x161, 0x161}}},
        {U'U', {{0xD9, 0xDC}, {0x16A, 0x16A}, {0x16C, 0x16C}, {0x16E, 0x16E}, {0x170, 0x170}, {0x172, 0x172}}},
        {U'u', {{0xF9, 0xFC}, {0x16B, 0x16B}, {0x16D, 0x16D}, {0x16F, 0x16F}, {0x171, 0x171}, {0x173, 0x173}}},
        {U'Y', {{0xDD, 0xDD}, {0x176, 0x176}, {0x178, 0x178}}},
        {U'y', {{0xFD, 0xFD}, {0xFF, 0xFF}, {0x177, 0x177}}},
        {U'Z', {{0x179, 0x179}, {0x17B, 0x17B}, {0x17D, 0x17D}}},
        {U'z', {{0x17A, 0x17A}, {0x17C, 0x17C}, {0x17E, 0x17E}}},
    });
    // Every character of the range and a margin around it: mapped as listed,
    // every other one (U+00C6, U+0152, U+00DF, ...) without a letter.
    for (char32_t c = 0xA0; c <= 0x1A0; ++c) {
        auto it = expected.find(c);
        const std::optional<char32_t> want = it == expected.end() ? std::nullopt : std::optional(it->second);
        EXPECT_EQ(fold_latin_letter_to_ascii(c), want) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(CharSubstitutes, GreekLettersToLatin) {
    const std::string capitals = "abgdezhtiklmnxopr?stufcyw";  // U+0391..U+03A9
    const std::string smalls = "abgdezhtiklmnxoprsstufcyw";    // U+03B1..U+03C9
    for (char32_t c = 0x380; c <= 0x3D0; ++c) {
        std::optional<char32_t> want;
        if (c >= 0x391 && c <= 0x3A9 && capitals[c - 0x391] != '?') want = capitals[c - 0x391];
        if (c >= 0x3B1 && c <= 0x3C9) want = smalls[c - 0x3B1];
        EXPECT_EQ(greek_letter_to_latin(c), want) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(CharSubstitutes, StyledLettersToPlain) {
    std::map<char32_t, char32_t> expected = {
        {0xB9, U'1'},   {0xB2, U'2'},   {0xB3, U'3'},   {0x2070, U'0'}, {0x2090, U'a'}, {0x2091, U'e'},
        {0x2092, U'o'}, {0x2093, U'x'}, {0x2095, U'h'}, {0x209A, U'p'}, {0x209B, U's'}, {0x209C, U't'},
        {0x1D62, U'i'}, {0x1D63, U'r'}, {0x1D64, U'u'}, {0x1D65, U'v'}, {0x2032, U'\''}, {0x2035, U'\''},
        {0x2033, U'"'}, {0x210E, U'h'}, {0x210F, U'h'}, {0x2113, U'l'}, {0x212F, U'e'}, {0x2134, U'o'},
        {0x2096, U'k'}, {0x2097, U'l'}, {0x2098, U'm'}, {0x2099, U'n'},
    };
    for (char32_t d = 4; d <= 9; ++d) expected[0x2070 + d] = U'0' + d;
    for (char32_t d = 0; d <= 9; ++d) expected[0x2080 + d] = U'0' + d;
    for (const auto& [c, plain] : expected) {
        EXPECT_EQ(ascii_for_styled_letter(c), plain) << std::hex << static_cast<unsigned>(c);
    }
    struct Row {
        char32_t c;
        std::optional<char32_t> plain;
    };
    const std::vector<Row> rows = {
        {0x1D400, U'A'}, {0x1D419, U'Z'}, {0x1D41A, U'a'}, {0x1D433, U'z'},  // bold
        {0x1D434, U'A'}, {0x1D455, U'h'},                                      // italic, the h slot
        {0x1D49B, U'z'}, {0x1D49C, std::nullopt},                              // end of bold italic; script
        {0x1D5A0, U'A'}, {0x1D670, U'A'}, {0x1D6A3, U'z'},                     // sans-serif .. monospace
        {0x1D6A4, std::nullopt}, {0x1D6A5, std::nullopt},                     // dotless i and j
        {0x1D6A8, 0x0391}, {0x1D6B8, 0x03A1}, {0x1D6B9, 0x0398}, {0x1D6BA, 0x03A3}, {0x1D6C0, 0x03A9},
        {0x1D6C1, std::nullopt},                                               // nabla
        {0x1D6C2, 0x03B1}, {0x1D6DA, 0x03C9}, {0x1D6DB, U'd'}, {0x1D6DC, 0x03B5}, {0x1D6DD, 0x03B8},
        {0x1D6DE, 0x03BA}, {0x1D6DF, 0x03C6}, {0x1D6E0, 0x03C1}, {0x1D6E1, 0x03C0},
        {0x1D6E2, 0x0391}, {0x1D6FC, 0x03B1}, {0x1D790, 0x0391}, {0x1D7C9, 0x03C0},
        {0x1D7CA, std::nullopt}, {0x1D7CE, std::nullopt},                      // digits
        {0x2094, std::nullopt}, {U'a', std::nullopt}, {0x03B1, std::nullopt}, {0x2071, std::nullopt},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ascii_for_styled_letter(r.c), r.plain) << std::hex << static_cast<unsigned>(r.c);
    }
}


font::SubsetFont font_holding(const std::u32string& chars) {
    font::SubsetFont font;
    font.units_per_em = 1000;
    std::uint16_t gid = 1;
    for (const char32_t c : chars) font.glyphs[static_cast<std::uint32_t>(c)] = {gid++, 500};
    return font;
}

TEST(CharSubstitutes, SubstituteMissingGlyphs) {
    struct Case {
        const char* name;
        std::string text;
        std::u32string font;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ligature with both letters", "\uFB01", U"fi", "fi"},
        {"ligature with one letter stays", "\uFB01", U"f", "\uFB01"},
        {"ffl", "\uFB04", U"fl", "ffl"},
        {"held character stays even with candidates", "\u2014", U"\u2014-", "\u2014"},
        {"em dash", "a\u2014b", U"ab-", "a-b"},
        {"no-break space", "a\u00A0b", U"ab ", "a b"},
        {"private-use bullet, square held", "\uF0B7", U"\u25A0\u2022*", "\u25A0"},
        {"private-use bullet, dot held", "\uF0B7", U"\u2022*", "\u2022"},
        {"private-use bullet, star held", "\uF0B7", U"*", "*"},
        {"private-use bullet, nothing held", "\uF0B7", U"x", "\uF0B7"},
        {"U+F8F8 has no candidate", "\uF8F8", U"\u25A0\u2022*", "\uF8F8"},
        {"phi symbol: phi first", "\u03D5", U"\u03C6f", "\u03C6"},
        {"phi symbol: f second", "\u03D5", U"f", "f"},
        {"math italic alpha to alpha", "\U0001D6FC", U"\u03B1a", "\u03B1"},
        {"math italic alpha to a", "\U0001D6FC", U"a", "a"},
        {"math italic alpha, neither held", "\U0001D6FC", U"b", "\U0001D6FC"},
        {"plain alpha never reaches the Greek-to-Latin table", "\u03B1", U"a", "\u03B1"},
        {"E acute", "\u00C9", U"E", "E"},
        {"E acute without E stays", "\u00C9", U"e", "\u00C9"},
        {"OE ligature has none", "\u0152", U"OE", "\u0152"},
        {"sharp s has none", "\u00DF", U"s", "\u00DF"},
        {"superscript four", "x\u2074", U"x4", "x4"},
        {"math bold A", "\U0001D400", U"A", "A"},
        {"empty font changes nothing", "\uFB01\u2014\u00C9", U"", "\uFB01\u2014\u00C9"},
        {"mixed text, each character on its own", "\u201CCaf\u00E9\u201D \u2013 \u2460", U"\"Cafe -", "\"Cafe\" - \u2460"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(substitute_missing_glyphs(c.text, font_holding(c.font)), c.expected) << c.name;
    }
}

// The folds agree with Unicode's own decompositions (Python's unicodedata)
// wherever those apply; the differences are deliberate and listed here.
struct UnicodeOracle {
    std::map<char32_t, char32_t> nfd_base;
    std::map<char32_t, std::u32string> nfkc;
    std::string version;
};

UnicodeOracle read_unicode_oracle() {
    const auto r = font::test::run_command(std::string(ZVK_PYTHON3) + " " + ZVK_SOURCE_DIR +
                                           "/tests/cpp/rewrite/unicode_oracle.py");
    UnicodeOracle oracle;
    EXPECT_EQ(r.status, 0) << r.output;
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "version") {
            in >> oracle.version;
            continue;
        }
        std::string cp_hex;
        in >> cp_hex;
        const auto cp = static_cast<char32_t>(std::stoul(cp_hex, nullptr, 16));
        std::u32string chars;
        for (std::string x; in >> x;) chars += static_cast<char32_t>(std::stoul(x, nullptr, 16));
        if (kind == "nfd") oracle.nfd_base[cp] = chars.at(0);
        if (kind == "nfkc") oracle.nfkc[cp] = chars;
    }
    return oracle;
}


bool in_spans(char32_t c, const std::vector<Span>& spans) {
    for (const Span s : spans) {
        if (c >= s.first && c <= s.last) return true;
    }
    return false;
}

TEST(CharSubstitutes, LatinFoldsAgreeWithNfd) {
    const UnicodeOracle oracle = read_unicode_oracle();
    ASSERT_GT(oracle.nfd_base.size(), 150u) << "unicodedata " << oracle.version;
    // Decomposing letters the fold leaves alone.
    const std::vector<Span> unmapped = {{0x010E, 0x010F}, {0x011C, 0x0129}, {0x0130, 0x0140},
                                        {0x0149, 0x014B}, {0x0152, 0x0157}, {0x0162, 0x0169},
                                        {0x0174, 0x0175}};
    // Letters folded by their look, which no decomposition covers.
    const std::set<char32_t> by_look = {0x00D8, 0x00F8, 0x0110, 0x0111, 0x0141, 0x0142};
    std::size_t agreed = 0;
    for (char32_t c = 0x00C0; c <= 0x017E; ++c) {
        const auto fold = fold_latin_letter_to_ascii(c);
        const auto it = oracle.nfd_base.find(c);
        const bool decomposes = it != oracle.nfd_base.end() && is_ascii_letter(it->second);
        if (decomposes && fold) {
            EXPECT_EQ(*fold, it->second) << std::hex << static_cast<unsigned>(c);
            ++agreed;
        } else if (decomposes) {
            EXPECT_TRUE(in_spans(c, unmapped)) << std::hex << static_cast<unsigned>(c);
        } else if (fold) {
            EXPECT_TRUE(by_look.contains(c)) << std::hex << static_cast<unsigned>(c);
        }
    }
    EXPECT_GT(agreed, 100u);
}

TEST(CharSubstitutes, StyledLettersAgreeWithNfkc) {
    const UnicodeOracle oracle = read_unicode_oracle();
    ASSERT_GT(oracle.nfkc.size(), 900u) << "unicodedata " << oracle.version;
    // Decomposing characters left without a plain form: the triple prime,
    // super/subscript signs and the letters i, n and schwa, script, fraktur and double-struck
    // letters, dotless i and j, nabla, digamma and the mathematical digits.
    const std::vector<Span> unmapped = {{0x2034, 0x2034},   {0x2071, 0x2071},   {0x207A, 0x207F},   {0x208A, 0x208E},
                                        {0x2094, 0x2094},   {0x1D49C, 0x1D59F}, {0x1D6A4, 0x1D6A5},
                                        {0x1D6C1, 0x1D6C1}, {0x1D6FB, 0x1D6FB}, {0x1D735, 0x1D735},
                                        {0x1D76F, 0x1D76F}, {0x1D7A9, 0x1D7A9}, {0x1D7CA, 0x1D7FF}};
    // Characters mapped to something else than their NFKC form: the double
    // prime to one quotation mark, h-bar to h, and the partial differential
    // of the mathematical Greek blocks to d. (Their epsilon, theta, kappa,
    // phi, rho and pi symbols fold to the plain letters, as NFKC does.)
    std::map<char32_t, char32_t> differs = {{0x2033, U'"'}, {0x210F, U'h'}};
    for (char32_t block = 0x1D6A8; block <= 0x1D790; block += 58) differs[block + 51] = U'd';
    // Mapped although Unicode gives no decomposition: the primes, and the
    // unassigned italic h slot (Planck's h stands at U+210E).
    const std::set<char32_t> extras = {0x2032, 0x2035, 0x1D455};
    const std::vector<Span> scope = {{0x00B2, 0x00B3}, {0x00B9, 0x00B9}, {0x2032, 0x2035}, {0x2070, 0x209F},
                                     {0x1D62, 0x1D65}, {0x210E, 0x210F}, {0x2113, 0x2113}, {0x212F, 0x212F},
                                     {0x2134, 0x2134}, {0x1D400, 0x1D7FF}};
    std::size_t agreed = 0;
    for (const Span span : scope) {
        for (char32_t c = span.first; c <= span.last; ++c) {
            const auto plain = ascii_for_styled_letter(c);
            const auto it = oracle.nfkc.find(c);
            if (it == oracle.nfkc.end()) {
                EXPECT_TRUE(!plain || extras.contains(c)) << std::hex << static_cast<unsigned>(c);
            } else if (const auto d = differs.find(c); d != differs.end()) {
                EXPECT_EQ(plain, d->second) << std::hex << static_cast<unsigned>(c);
                EXPECT_NE(it->second, std::u32string(1, d->second)) << std::hex << static_cast<unsigned>(c);
            } else if (in_spans(c, unmapped)) {
                EXPECT_FALSE(plain) << std::hex << static_cast<unsigned>(c);
            } else {
                ASSERT_EQ(it->second.size(), 1u) << std::hex << static_cast<unsigned>(c);
                EXPECT_EQ(plain, it->second[0]) << std::hex << static_cast<unsigned>(c);
                ++agreed;
            }
        }
    }
    EXPECT_GT(agreed, 650u);
}

}  // namespace
}  // namespace zvk::rewrite
