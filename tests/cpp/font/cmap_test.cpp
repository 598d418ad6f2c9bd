#include "font/cmap.h"

#include <gtest/gtest.h>

#include "font/pdf_fixture.h"

namespace zvk::font {
namespace {

using test::hex_bytes;
using Kind = CMapToken::Kind;

// A compact picture of a token list: H<hex> L<bytes> W<word> I<int> [..].
std::string describe(const std::vector<CMapToken>& tokens) {
    std::string out;
    for (const auto& token : tokens) {
        if (!out.empty()) out += ' ';
        switch (token.kind) {
        case Kind::HexString: {
            out += 'H';
            for (unsigned char c : token.bytes) {
                char digits[3];
                std::snprintf(digits, sizeof digits, "%02X", c);
                out += digits;
            }
            break;
        }
        case Kind::LiteralString: out += "L" + token.bytes; break;
        case Kind::Word: out += "W" + token.bytes; break;
        case Kind::Integer: out += "I" + std::to_string(token.integer); break;
        case Kind::Array: out += "[" + describe(token.array) + "]"; break;
        }
    }
    return out;
}

struct TokenCase {
    const char* label;
    std::string input;
    std::string tokens;
};

class TokenizeCMapProgram : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenizeCMapProgram, ProducesTheTokens) {
    EXPECT_EQ(describe(tokenize_cmap_program(GetParam().input)), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, TokenizeCMapProgram,
    ::testing::Values(
        TokenCase{"odd_hex_digit_count", "<ABC>", "HABC0"},
        TokenCase{"hex_ignores_non_digits", "<4 1>", "H41"},
        TokenCase{"empty_hex", "<>", "H"},
        TokenCase{"unclosed_hex", "<41", "H41"},
        TokenCase{"dictionary_opener_is_a_hex_string", "<< /A 1 >> x", "HA1 Wx"},
        TokenCase{"escaped_parenthesis", "(a\\)b)", "La)b"},
        TokenCase{"no_escape_translation", "(\\n\\1)", "Ln1"},
        TokenCase{"balanced_inner_parentheses", "(a(b)c)", "La(b)c"},
        TokenCase{"unclosed_literal", "(abc", "Labc"},
        TokenCase{"final_backslash_kept", "(a\\", "La\\"},
        TokenCase{"name_and_keyword_alike", "/Name begincmap", "WName Wbegincmap"},
        TokenCase{"lone_slash", "/ x", "W Wx"},
        TokenCase{"real_splits", "12.5", "I12 W.5"},
        TokenCase{"signs", "+7 -3 - +", "I7 I-3"},
        TokenCase{"integer_overflow_gives_nothing", "99999999999999999999 1", "I1"},
        TokenCase{"comment_to_line_end", "1 % 2 3\r4", "I1 I4"},
        TokenCase{"lone_delimiters_skipped", ") > ] { } x", "Wx"},
        TokenCase{"nested_arrays", "[1 [2 <41>] (x)]", "[I1 [I2 H41] Lx]"},
        TokenCase{"unclosed_array_runs_to_end", "[1 [2", "[I1 [I2]]"},
        // Brackets count as raw bytes, also inside strings: the array ends at
        // the bracket inside the string, whose remainder is read outside.
        TokenCase{"bracket_inside_string_closes_array", "[(a]b)]", "[La] Wb"},
        TokenCase{"string_bounded_by_array", "[(ab] c", "[Lab] Wc"},
        TokenCase{"nul_is_not_whitespace", std::string("a\0b", 3), std::string("Wa\0b", 4)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TokenizeCMapProgram, DeepNestingIsBoundedAndSkipped) {
    // Nesting far beyond the cap neither exhausts the stack nor rescans the
    // input per level; arrays past the cap vanish with their contents.
    const std::size_t depth = 200000;
    std::string input = std::string(depth, '[') + "<41>" + std::string(depth, ']') + " 5";
    auto tokens = tokenize_cmap_program(input);
    ASSERT_EQ(tokens.size(), 2u);
    const CMapToken* level = &tokens[0];
    std::size_t levels = 1;
    while (!level->array.empty()) {
        ASSERT_EQ(level->array.size(), 1u);
        level = &level->array[0];
        ++levels;
    }
    EXPECT_EQ(levels, kMaxCMapArrayNesting);
    EXPECT_EQ(tokens[1].integer, 5);

    std::string unclosed(depth, '[');
    EXPECT_EQ(tokenize_cmap_program(unclosed).size(), 1u);
}

TEST(ParseCMapProgram, CodespaceRanges) {
    auto cmap = parse_cmap_program(
        "begincodespacerange <00> <80> <8140> <FEFE> <00> <FFFF> <01> endcodespacerange");
    ASSERT_EQ(cmap.codespace_ranges.size(), 2u);
    EXPECT_EQ(cmap.codespace_ranges[0].lo, 0x00u);
    EXPECT_EQ(cmap.codespace_ranges[0].hi, 0x80u);
    EXPECT_EQ(cmap.codespace_ranges[0].byte_length, 1);
    EXPECT_EQ(cmap.codespace_ranges[1].lo, 0x8140u);
    EXPECT_EQ(cmap.codespace_ranges[1].hi, 0xFEFEu);
    EXPECT_EQ(cmap.codespace_ranges[1].byte_length, 2);
}

TEST(ParseCMapProgram, BfCharEntries) {
    struct Case {
        const char* label;
        std::string program;
        std::uint32_t code;
        std::optional<std::string> text;
    } cases[] = {
        {"plain", "beginbfchar <01> <0041> endbfchar", 1, "A"},
        {"odd_destination_padded", "beginbfchar <01> <41> endbfchar", 1, "A"},
        {"surrogate_pair", "beginbfchar <0001> <D83DDE00> endbfchar", 1, "\U0001F600"},
        {"lone_surrogate_only_skipped", "beginbfchar <01> <D800> endbfchar", 1, std::nullopt},
        {"lone_surrogate_kept_with_text", "beginbfchar <01> <D8000041> endbfchar", 1, "\uFFFDA"},
        {"ligature", "beginbfchar <01> <00660069> endbfchar", 1, "fi"},
        {"later_entry_wins", "beginbfchar <01> <0041> <01> <0042> endbfchar", 1, "B"},
        {"rejected_entry_keeps_earlier", "beginbfchar <01> <0041> <01> <D800> endbfchar", 1, "A"},
        {"five_byte_source_refused", "beginbfchar <0102030405> <0041> endbfchar", 0x02030405, std::nullopt},
        {"unterminated_section_reads_on", "beginbfchar <01> <0041> beginbfrange <02> <0042>", 2, "B"},
        {"literal_strings_count", std::string("beginbfchar (a) (\0B) endbfchar", 30), 0x61, "B"},
        {"longest_allowed_destination", "beginbfchar <01> <" + std::string(256 * 4, '0').replace(1020, 4, "0041") +
                                            "> endbfchar",
         1, std::string(255, '\0') + "A"},
        {"over_long_destination_refused", "beginbfchar <01> <0041> <01> <" + std::string(257 * 4, '0').replace(1024, 4, "0042") +
                                              "> endbfchar",
         1, "A"},
    };
    for (const auto& c : cases) {
        auto cmap = parse_cmap_program(c.program);
        auto it = cmap.bf_chars.find(c.code);
        std::optional<std::string> text;
        if (it != cmap.bf_chars.end()) text = it->second;
        EXPECT_EQ(text, c.text) << c.label;
    }
}

TEST(ParseCMapProgram, BfRangesWithStringsAndArrays) {
    auto cmap = parse_cmap_program(
        "beginbfrange\n"
        "<0000> <0002> [<0041> 5 <0043>]\n"
        "<0010> <0012> <0041>\n"
        "<0020> <001F> <0041>\n"
        "<0030> <0031> [<0061> <0062> <0063>]\n"
        "<FFFFFFFF> <FFFFFFFF> [<0078> <0079>]\n"
        "endbfrange");
    EXPECT_EQ(cmap.bf_chars.at(0), "A");
    EXPECT_FALSE(cmap.bf_chars.contains(1));  // a non-string element uses up its code
    EXPECT_EQ(cmap.bf_chars.at(2), "C");
    EXPECT_EQ(cmap.bf_chars.at(0x31), "b");
    EXPECT_FALSE(cmap.bf_chars.contains(0x32));  // elements past hi are ignored
    EXPECT_EQ(cmap.bf_chars.at(0xFFFFFFFF), "y");  // saturating codes: the last element wins
    ASSERT_EQ(cmap.bf_ranges.size(), 2u);
    EXPECT_EQ(cmap.bf_ranges[0].lo, 0x10u);
    EXPECT_EQ(cmap.bf_ranges[0].destination, hex_bytes("0041"));
    EXPECT_EQ(cmap.bf_ranges[1].lo, 0x20u);  // lo above hi is stored as it is
    EXPECT_EQ(cmap.bf_ranges[1].hi, 0x1Fu);
}

TEST(ParseCMapProgram, OverLongRangeDestinationKeepsItsPlaceWithoutText) {
    std::string long_destination = std::string(600 * 2, '0');
    auto cmap = parse_cmap_program("beginbfrange <01> <05> <" + long_destination + "> <01> <05> <0041> endbfrange");
    ASSERT_EQ(cmap.bf_ranges.size(), 2u);
    EXPECT_TRUE(cmap.bf_ranges[0].destination.empty());
    EXPECT_EQ(cmap.first_bf_range(3), &cmap.bf_ranges[0]);
}

TEST(ParseCMapProgram, CidEntriesAndTokenConsumption) {
    auto cmap = parse_cmap_program(
        "begincidchar <20> 7 <0102030405> 8 <21> /x 9 endcidchar\n"
        "begincidrange <0000> <00FF> 100 <0100> 5 <0200> <02FF> 4294967297 endcidrange\n"
        "/CIDInit /ProcSet findresource 12 dict begin begincmap endcmap");
    EXPECT_EQ(cmap.cid_chars.at(0x20), 7u);
    EXPECT_FALSE(cmap.cid_chars.contains(0x21));
    EXPECT_EQ(cmap.cid_chars.size(), 1u);
    ASSERT_EQ(cmap.cid_ranges.size(), 2u);
    EXPECT_EQ(cmap.cid_ranges[0].first_cid, 100u);
    EXPECT_EQ(cmap.cid_ranges[1].lo, 0x200u);
    // A CID beyond 32 bits saturates: its low 32 bits (1) would name an
    // unrelated glyph, whose width and glyph id the code would then take.
    EXPECT_EQ(cmap.cid_ranges[1].first_cid, 4294967295u);
}

TEST(ParseCMapProgram, CidsOutside32BitsSaturate) {
    struct Case {
        const char* cid;
        std::uint32_t expected;
    } cases[] = {
        {"0", 0u},
        {"65535", 65535u},
        {"4294967295", 4294967295u},
        {"4294967296", 4294967295u},           // not 0
        {"4294967301", 4294967295u},           // not 5
        {"9223372036854775807", 4294967295u},  // the largest integer a token holds
        {"-1", 0u},                            // not 4294967295
        {"-4294967291", 0u},                   // not 5
    };
    for (const auto& c : cases) {
        auto cmap = parse_cmap_program(std::string("begincidchar <20> ") + c.cid + " endcidchar "
                                       "begincidrange <30> <3F> " + c.cid + " endcidrange");
        ASSERT_TRUE(cmap.cid_chars.contains(0x20)) << c.cid;
        EXPECT_EQ(cmap.cid_chars.at(0x20), c.expected) << c.cid;
        ASSERT_EQ(cmap.cid_ranges.size(), 1u) << c.cid;
        EXPECT_EQ(cmap.cid_ranges[0].first_cid, c.expected) << c.cid;
    }
}

TEST(ParseCMapProgram, EmptyProgramCountsAsAbsent) {
    EXPECT_TRUE(parse_cmap_program("/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
                                   "/CMapName /X def endcmap").empty());
    EXPECT_FALSE(parse_cmap_program("begincidchar <00> 0 endcidchar").empty());
}

TEST(DecodeUtf16beText, Rules) {
    struct Case {
        const char* label;
        std::string hex;
        std::optional<std::string> text;
    } cases[] = {
        {"empty", "", std::nullopt},
        {"odd_gets_leading_zero", "41", "A"},
        {"pair", "D83DDE00", "\U0001F600"},
        {"high_then_non_low", "D83D0041", "\uFFFDA"},
        {"lone_low", "DC00", std::nullopt},
        {"replacement_only", "FFFD", std::nullopt},
        {"nul", "0000", std::string(1, '\0')},
    };
    for (const auto& c : cases) EXPECT_EQ(decode_utf16be_text(hex_bytes(c.hex)), c.text) << c.label;
}

std::string describe_codes(const std::vector<CharCode>& codes) {
    std::string out;
    for (const auto& code : codes) {
        char item[32];
        std::snprintf(item, sizeof item, "%s%X/%zu/%u", out.empty() ? "" : " ", code.code, code.position,
                      unsigned{code.byte_length});
        out += item;
    }
    return out;
}

TEST(SplitCodesByCodespace, LongestFittingRangeElseOneByte) {
    std::vector<CodespaceRange> ranges{{0x00, 0x80, 1}, {0x8140, 0xFEFE, 2}};
    struct Case {
        const char* label;
        std::string hex;
        std::string codes;
    } cases[] = {
        {"two_byte_then_one", "814041", "8140/0/2 41/2/1"},
        {"too_short_for_two_bytes", "81", "81/0/1"},
        {"outside_every_range", "FF41", "FF/0/1 41/1/1"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe_codes(split_codes_by_codespace(ranges, hex_bytes(c.hex))), c.codes) << c.label;
    }
    EXPECT_EQ(describe_codes(split_codes_by_codespace(std::vector<CodespaceRange>{}, hex_bytes("8140"))),
              "81/0/1 40/1/1");
}

TEST(SplitCodesByCodespace, FourByteRangeBeforeShorterOnes) {
    std::vector<CodespaceRange> ranges{{0x00, 0xFF, 1}, {0x00000000, 0x0000FFFF, 4}};
    EXPECT_EQ(describe_codes(split_codes_by_codespace(ranges, hex_bytes("00000041FF"))), "41/0/4 FF/4/1");
}

}  // namespace
}  // namespace zvk::font
