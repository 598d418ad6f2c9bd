#include "content/lexer.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <limits>
#include <string>
#include <vector>

#include "content/lexer_grammar.h"
#include "content/operand_text.h"

namespace zvk {
namespace {

using namespace std::string_literals;
using test::operand_text;
using test::operands_text;
using test::operations_text;

struct LexCase {
    const char* name;
    std::string input;
    std::vector<std::string> operations;
    std::vector<std::string> messages;
    std::string leftover = "";
};

void check_lex(const LexCase& c) {
    SCOPED_TRACE(c.name);
    LexedContent lexed = lex_content(c.input);
    EXPECT_EQ(operations_text(lexed.operations), c.operations);
    EXPECT_EQ(lexed.messages, c.messages);
    EXPECT_EQ(operands_text(lexed.leftover_operands.held()), c.leftover);
}

const LexCase kTokenCases[] = {
    {"empty stream", "", {}, {}},
    {"operands and byte range", "10 20 m", {"10 20 m @0-7"}, {}},
    {"range starts at first operand after leading space", "  q 1 0 0 1 5 6 cm",
     {"q @2-3", "1 0 0 1 5 6 cm @4-18"}, {}},
    {"second dot starts the next number", "1.2.3 Tz", {"1.2 0.3 Tz @0-8"}, {}},
    {"number runs into an operator", "5Tz", {"5 Tz @0-3"}, {}},
    {"signed fractions", "-.5 +.25 -7 5. d", {"-0.5 0.25 -7 5 d @0-16"}, {}},
    {"no exponent is read", "1e5 w", {"1 w @0-5"}, {"unexpected token 'e5'"}},
    {"lone dot is a bad number", ". w", {"w @2-3"}, {"bad number '.'"}},
    {"sign and dot is a bad number", "-. w", {"w @3-4"}, {"bad number '-.'"}},
    {"double sign is a bare token", "--5 w", {"w @4-5"}, {"unexpected token '--5'"}},
    {"huge integer is an infinity", "1" + std::string(50, '0') + " w",
     {"inf w @0-53"}, {}},
    {"tiny fraction rounds to zero", "-0." + std::string(60, '0') + "1 w",
     {"-0 w @0-66"}, {}},
    {"nested parentheses", "(a(b)c) Tj", {"(a\\x28b\\x29c) Tj @0-10"}, {}},
    {"octal escapes", "(\\101\\0053\\777) Tj", {"(A\\x053\\xFF) Tj @0-18"}, {}},
    {"named escapes", "(\\n\\r\\t\\b\\f\\(\\)\\\\\\q) Tj",
     {"(\\x0A\\x0D\\x09\\x08\\x0C\\x28\\x29\\x5Cq) Tj @0-23"}, {}},
    {"line continuations", "(a\\\nb\\\r\nc\\\rd) Tj", {"(abcd) Tj @0-16"}, {}},
    {"line ends copied as they are", "(a\r\nb) Tj", {"(a\\x0D\\x0Ab) Tj @0-9"}, {}},
    {"unterminated literal string", "(abc", {}, {"unterminated literal string"}},
    {"backslash at the end", "(abc\\", {}, {"unterminated literal string"}},
    {"hex string with odd digit count", "<41 42 4> Tj", {"(AB@) Tj @0-12"}, {}},
    {"hex white space includes NUL", "<4\x00""1> Tj"s, {"(A) Tj @0-8"}, {}},
    {"empty hex string", "<> Tj", {"() Tj @0-5"}, {}},
    {"bad hex string resumes past the bad byte", "<4G> Tj", {"Tj @5-7"},
     {"bad hex string", "unexpected token ''"}},
    {"unterminated hex string", "<41", {}, {"unterminated hex string"}},
    {"name escapes", "/A#42 /A#4 /#2F Do", {"/AB /A#4 // Do @0-18"}, {}},
    {"name ends at a delimiter", "/F1(x)Tj", {"/F1 (x) Tj @0-8"}, {}},
    {"invalid UTF-8 in a name", "/A\xFF Do", {"/A\xEF\xBF\xBD Do @0-6"}, {}},
    {"booleans and null", "true false null BDC", {"true false null BDC @0-19"}, {}},
    {"lone closer is skipped", ") q", {"q @2-3"}, {"unexpected token ''"}},
    {"unknown keyword", "foo q", {"q @4-5"}, {"unexpected token 'foo'"}},
    {"operator inside an array", "[(a) Tj] TJ", {"TJ @9-11"},
     {"unexpected token 'Tj'", "unexpected token ''"}},
    {"array of every kind", "[1 /N (s) <41> [2] <</K 3>> true null] TJ",
     {"[1 /N (s) (A) [2] << /K 3 >> true null] TJ @0-41"}, {}},
    {"unterminated array", "[1 2", {}, {"unterminated array"}},
    {"array ends in a comment", "[1 % no end", {}, {"unterminated array"}},
    {"dictionary with repeated key", "/P <</A 1 /A (x)>> BDC",
     {"/P << /A 1 /A (x) >> BDC @0-22"}, {}},
    {"dictionary key not a name", "<< 1 2 >> q", {"1 2 q @3-11"},
     {"dictionary key is not a name", "unexpected token ''", "unexpected token ''"}, ""},
    {"unterminated dictionary", "<</A 1", {}, {"unterminated dictionary"}},
    {"value missing at the end of a dictionary", "<</A", {}, {"unexpected end of content stream"}},
    {"comment at the very end", "q % comment", {"q @0-1"}, {}},
    {"comment ends at CR", "q %x\rQ", {"q @0-1", "Q @5-6"}, {}},
    {"NUL does not end a keyword", "Q\x00q"s, {}, {"unexpected token 'Q\x00q'"s}},
    {"NUL separates tokens", "\x00q \x00Q"s, {"q @1-2", "Q @4-5"}, {}},
    {"operands left at the end", "q 1 2", {"q @0-1"}, {}, "1 2 "},
    {"quote operators", "(a) ' 1 2 (b) \"", {"(a) ' @0-5", "1 2 (b) \" @6-15"}, {}},
};

TEST(ContentLexer, Tokens) {
    for (const auto& c : kTokenCases) check_lex(c);
}

const LexCase kInlineImageCases[] = {
    {"computed length skips data that holds EI", "BI /W 4 /H 1 /CS /G ID a EI EI Q",
     {"BI @0-30", "Q @31-32"}, {}},
    {"computed length, two data bytes", "BI /W 2 /H 1 /CS /G /BPC 8 ID ab EI Q",
     {"BI @0-35", "Q @36-37"}, {}},
    {"bits per component round rows up", "BI /W 3 /H 2 /CS /RGB /BPC 1 ID \x01\x02\x03\x04 EI Q"s,
     {"BI @0-39", "Q @40-41"}, {}},
    {"filter forces a search", "BI /W 4 /H 1 /CS /G /F /AHx ID 41 42 43 44> EI Q",
     {"BI @0-46", "Q @47-48"}, {}},
    {"search needs white space before EI", "BI /W 4 /H 1 /CS /Indexed ID xEI EI Q",
     {"BI @0-35", "Q @36-37"}, {}},
    {"full key names are not consulted", "BI /Width 1 /Height 1 /ColorSpace /DeviceGray ID a EI Q",
     {"BI @0-53", "Q @54-55"}, {}},
    {"zero bits per component forces a search", "BI /W 1 /H 1 /CS /G /BPC 0 ID x EI Q",
     {"BI @0-34", "Q @35-36"}, {}},
    {"only one white space byte after ID", "BI /W 1 /H 1 /CS /G ID  EI Q",
     {"BI @0-26", "Q @27-28"}, {}},
    {"data end not followed by EI falls back to a search", "BI /W 1 /H 1 /CS /G ID ab EI Q",
     {"BI @0-28", "Q @29-30"}, {}},
    {"EI at the very end", "BI /W 1 /H 1 /CS /Indexed ID ab EI", {"BI @0-34"}, {}},
    {"pending operands wait for the next operator", "7 BI /W 1 /H 1 /CS /G ID a EI Tj",
     {"BI @0-29", "7 Tj @30-32"}, {}},
    {"truncated inline image", "BI /W 100 /H 1 /CS /G ID abc EI Q", {"BI @0-33"},
     {"truncated inline image"}},
    {"saturating length is truncated",
     "BI /W 99999999999999999999999 /H 99999999999999999999 /CS /CMYK ID a EI", {"BI @0-71"},
     {"truncated inline image"}},
    {"EI not found", "BI /F /Fl ID abcdef", {"BI @0-19"}, {"inline image EI not found after byte 13"}},
    {"unterminated inline image", "BI /W 4", {"BI @0-7"}, {"unterminated inline image"}},
    {"token other than a name or ID", "BI 5 ID", {"BI @0-3", "5 ID @3-7"},
     {"inline image expected a name or ID"}},
    {"bad value ends the image", "BI /W (x", {"BI @0-8"}, {"unterminated literal string"}},
};

TEST(ContentLexer, InlineImages) {
    for (const auto& c : kInlineImageCases) check_lex(c);
}

struct CarryCase {
    const char* name;
    std::vector<Operand> carried;
    std::string input;
    std::vector<std::string> operations;
    std::string leftover;
};

TEST(ContentLexer, CarriedOperands) {
    auto num = Operand::make_number;
    const CarryCase cases[] = {
        {"carried operands go to the first operator, which starts the range",
         {num(1), num(0), num(0), num(1)}, "5 6 cm Q", {"1 0 0 1 5 6 cm @0-6", "Q @7-8"}, ""},
        {"operator alone in the later stream", {num(1), num(0), num(0), num(1), num(5), num(6)},
         "  cm", {"1 0 0 1 5 6 cm @2-4"}, ""},
        {"empty stream returns the carried operands", {num(3)}, "", {}, "3 "},
        {"inline image leaves carried operands pending", {num(3)},
         "BI /W 1 /H 1 /CS /G ID a EI Tz", {"BI @0-27", "3 Tz @28-30"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OperandList carried;
        for (const auto& op : c.carried) carried.push_back(op);
        LexedContent lexed = lex_content(c.input, std::move(carried));
        EXPECT_EQ(operations_text(lexed.operations), c.operations);
        EXPECT_TRUE(lexed.messages.empty());
        EXPECT_EQ(operands_text(lexed.leftover_operands.held()), c.leftover);
    }
}

TEST(ContentLexer, SelfContainedStreamDropsTrailingOperands) {
    const struct {
        const char* name;
        std::string input;
        std::vector<std::string> messages;
    } cases[] = {
        {"operands at the end", "q 1 0 0", {"trailing operands at byte 7"}},
        {"length counts trailing white space", "1 0 0  \n", {"trailing operands at byte 8"}},
        {"messages keep their order", "(x 1", {"unterminated literal string"}},
        {"nothing left", "q Q", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LexedContent lexed = lex_content_stream(c.input);
        EXPECT_EQ(lexed.messages, c.messages);
        EXPECT_TRUE(lexed.leftover_operands.empty());
    }
}

std::string repeat(const std::string& s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t k = 0; k < n; ++k) out += s;
    return out;
}

TEST(ContentLexer, HostileOperandsAreBounded) {
    const std::string deep_arrays = repeat("[", 300) + " q";
    const std::string deep_dicts = repeat("<</A ", 300);
    const std::string long_array = "[" + repeat("1 ", kMaxOperandElements + 1) + "] TJ";
    const std::string ok_array = "[" + repeat("1 ", kMaxOperandElements) + "] TJ";
    const struct {
        const char* name;
        std::string input;
        std::vector<std::string> messages;
        std::size_t operations;
    } cases[] = {
        {"arrays nested too deep end with a message",
         deep_arrays, {"operand nested more than 256 levels deep", "unexpected token 'q'"}, 0},
        {"dictionaries nested too deep end with a message",
         deep_dicts,
         {"operand nested more than 256 levels deep", "unexpected end of content stream"}, 0},
        {"256 levels are read", repeat("[", 256) + repeat("]", 256) + " TJ", {}, 1},
        {"more elements than the cap", long_array,
         {"operand with more than 65536 elements", "unexpected token ''"}, 1},
        {"elements up to the cap are read", ok_array, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LexedContent lexed = lex_content(c.input);
        EXPECT_EQ(lexed.messages, c.messages);
        EXPECT_EQ(lexed.operations.size(), c.operations);
    }
}

TEST(ContentLexer, LongTokensAreQuotedShort) {
    const struct {
        const char* name;
        std::string token;
        std::string quoted;
    } cases[] = {
        {"short token whole", "abc", "abc"},
        {"exactly the limit", std::string(64, 'x'), std::string(64, 'x')},
        {"cut after 64 bytes", std::string(100, 'x'), std::string(64, 'x') + "…"},
        {"cut at a character boundary", repeat("\xE2\x82\xAC", 30), repeat("\xE2\x82\xAC", 21) + "…"},
        {"invalid bytes become replacement characters", "a\xFF", "a\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LexedContent lexed = lex_content(c.token + " q");
        ASSERT_EQ(lexed.messages.size(), 1u);
        EXPECT_EQ(lexed.messages[0], "unexpected token '" + c.quoted + "'");
    }
}

TEST(OperandList, KeepsWhatOperatorsRead) {
    OperandList list;
    for (int k = 0; k < 1000; ++k) list.push_back(Operand::make_number(static_cast<float>(k)));
    EXPECT_EQ(list.size(), 1000u);
    EXPECT_EQ(list.number_count(), 1000u);
    ASSERT_EQ(list.leading_numbers().size(), kMaxColorComponents);
    EXPECT_EQ(list.leading_numbers().back(), 31.0f);
    const struct {
        std::size_t index;
        const char* expected;  // nullptr: not kept
    } rows[] = {{0, "0"}, {3, "3"}, {4, nullptr}, {991, nullptr}, {992, "992"}, {999, "999"},
                {1000, nullptr}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        const Operand* op = list.at(r.index);
        if (!r.expected) {
            EXPECT_EQ(op, nullptr);
        } else {
            ASSERT_NE(op, nullptr);
            EXPECT_EQ(operand_text(*op), r.expected);
        }
    }
}

TEST(ContentLexer, OperatorSet) {
    const char* all[] = {"q", "Q", "cm", "w", "J", "j", "M", "d", "ri", "i", "gs", "CS", "cs",
                         "SC", "SCN", "sc", "scn", "G", "g", "RG", "rg", "K", "k", "m", "l", "c",
                         "v", "y", "h", "re", "S", "s", "f", "F", "f*", "B", "B*", "b", "b*", "n",
                         "W", "W*", "BT", "ET", "Tc", "Tw", "Tz", "TL", "Tf", "Tr", "Ts", "Td",
                         "TD", "Tm", "T*", "Tj", "TJ", "'", "\"", "Do", "BMC", "BDC", "EMC", "MP",
                         "DP", "BX", "EX", "d0", "d1", "BI", "ID", "EI", "sh"};
    static_assert(std::size(all) == kOperatorCount);
    for (const char* name : all) {
        auto code = find_operator(name);
        ASSERT_TRUE(code) << name;
        EXPECT_EQ(operator_name(*code), name);
    }
    using namespace std::string_view_literals;
    for (std::string_view other : {""sv, "qq"sv, "Tj*"sv, "BIX"sv, "true"sv, "TJ "sv, "q\0"sv, "\0q"sv, "\0"sv,
                                   "d\x00"sv, "SCN\0"sv, "Q\xff"sv}) {
        EXPECT_FALSE(find_operator(other)) << other;
    }
}

// The value std::from_chars gives the text, with the sign applied after.
float reference_value(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    float value = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return negative ? -value : value;
}

TEST(ConvertNumberText, ShortDecimalsRoundAsTheGeneralConversion) {
    // Edges of the quick path for short decimals: digit and decimal counts at
    // and past its bounds, f32 rounding ties and neighbours, zeros and signs.
    std::vector<std::string> texts = {
        "0", "-0", "+0", "0.", ".5", "-.5", "000000000000000.5", "999999999999999", "9999999999999999",
        "9999999.99999999", "0.99999999", "0.000000001", "0.00000001", "16777216", "16777217", "16777218",
        "16777219", "33554433", "0.1", "0.3", "2.5", "-612.125", "1234567.125", "8388608.5", "8388609.5",
        "0.100000001", "3.14159265", "100000000000000", "1.00000005960464", "1.0000000596046448",
    };
    // And a spread of random ones: up to 16 digits, the point anywhere.
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 16);
        const int point = static_cast<int>(random() % (digits + 2)) - 1;  // -1: no point
        std::string text = random() % 2 ? "-" : "";
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        texts.push_back(text);
    }
    for (const auto& text : texts) {
        const bool integral_nonzero = text.find_first_of("123456789") < text.find('.');
        const float got = convert_number_text(text, integral_nonzero);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(reference_value(text))) << text;
        // The operand parser converts short decimals from the digits it scans.
        std::size_t pos = 0;
        ParsedOperand parsed = parse_operand(text + " ", pos);
        ASSERT_TRUE(parsed.operand && parsed.operand->number()) << text;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(*parsed.operand->number()),
                  std::bit_cast<std::uint32_t>(reference_value(text)))
            << text;
    }
}

// Interpretation gathers a stream's messages in a pass that builds no
// operands: it must say exactly what the full lexer says, meet the same
// operators and leave as many operands at the end.
TEST(ContentLexer, MessagesPassSaysWhatTheFullLexerSays) {
    std::vector<std::string> inputs;
    for (const auto& c : kTokenCases) inputs.push_back(c.input);
    for (const auto& c : kInlineImageCases) inputs.push_back(c.input);
    inputs.push_back(repeat("[", 300) + " q");
    inputs.push_back(repeat("<</A ", 300));
    inputs.push_back("[" + repeat("1 ", kMaxOperandElements + 1) + "] TJ");
    inputs.push_back("[" + repeat("(a) -1 ", 40000) + "] TJ");
    inputs.push_back("<</A [1 (x) <4"
                     "G> /N#41]>> BDC (a\\) (b\\\\(c)\\061) Tj (d");
    inputs.push_back("/P <</K [1 2 (x)] /L <</M true>> >> BDC [(a)] TJ 1 2 3 <</Z ) >> q");
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.substr(0, 60));
        LexedContent full = lex_content(input);
        std::vector<std::string> messages;
        ContentLexer light(
            input, {}, [&messages](std::string m) { messages.push_back(std::move(m)); }, false);
        std::vector<OperatorCode> ops;
        ContentOperation op;
        while (light.next(op)) ops.push_back(op.op);
        EXPECT_EQ(messages, full.messages);
        ASSERT_EQ(ops.size(), full.operations.size());
        for (std::size_t i = 0; i < ops.size(); ++i) EXPECT_EQ(ops[i], full.operations[i].op) << i;
        EXPECT_EQ(light.operands_left(), !full.leftover_operands.empty());
    }
}

// One operation handed back to the lexer again and again gets each
// operation's own operands, none left over from a longer list before.
TEST(ContentLexer, ReusedOperationHoldsOnlyItsOwnOperands) {
    const std::string input =
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 cm /F1 12 Tf q BI /W 1 /H 1 /CS /G ID a EI "
        "[(a) 2 (b)] TJ 0.5 0 0 RG 7 w";
    LexedContent full = lex_content(input);
    ContentLexer lexer(input);
    ContentOperation op;
    std::vector<ContentOperation> reused;
    while (lexer.next(op)) reused.push_back(op);
    EXPECT_EQ(operations_text(reused), operations_text(full.operations));
}

}  // namespace
}  // namespace zvk
