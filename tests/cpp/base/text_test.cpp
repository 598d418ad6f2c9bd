// White_Space table and trimming.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"

namespace zvk {
namespace {

TEST(WhiteSpaceText, TableHasExactlyTheTwentyFiveCodePoints) {
    const char32_t expected[] = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,
                                 0xA0,   0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                                 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028,
                                 0x2029, 0x202F, 0x205F, 0x3000};
    for (char32_t c : expected) EXPECT_TRUE(is_unicode_white_space(c)) << std::hex << +c;
    int count = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) count += is_unicode_white_space(c) ? 1 : 0;
    EXPECT_EQ(count, 25);
    // Look-alikes that are not White_Space.
    for (char32_t c : {0x00u, 0x08u, 0x0Eu, 0x1Fu, 0x180Eu, 0x200Bu, 0x2060u, 0xFEFFu})
        EXPECT_FALSE(is_unicode_white_space(c)) << std::hex << +c;
}

std::string utf8(char32_t c) {
    std::string s;
    append_utf8(s, c);
    return s;
}

TEST(WhiteSpaceText, TrimsBothEnds) {
    struct Case {
        std::string in, out;
    };
    const std::string nbsp = utf8(0xA0), ideo = utf8(0x3000), nel = utf8(0x85);
    const std::string zwsp = utf8(0x200B);
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {" \t\r\n\v\f", ""},
        {"abc", "abc"},
        {"  a b  ", "a b"},
        {nbsp + "x" + ideo, "x"},
        {nel + ideo + nbsp, ""},
        {ideo + "中 文" + utf8(0x2029), "中 文"},
        {zwsp + "x" + zwsp, zwsp + "x" + zwsp},  // U+200B is not White_Space
        {" \xff ", "\xff"},                       // invalid bytes stop trimming
        {"\xc2 x", "\xc2 x"},                     // a truncated sequence is not U+00A0
        // The end is trimmed backwards: bytes that do not decode up to the
        // end stop it there as they stop the start.
        {"x \xa0", "x \xa0"},                     // a lone continuation byte
        {"x " + nbsp + "\xa0", "x " + nbsp + "\xa0"},  // U+00A0 and then a stray byte
        {"x \xe3\x80", "x \xe3\x80"},             // U+3000 cut short
        {"x" + ideo + " " + nbsp, "x"},
    };
    for (const Case& c : cases) EXPECT_EQ(trim_white_space(c.in), c.out) << c.in;
    // A text of white space alone trims to the empty view at its start, as
    // callers that cut one end only rely on.
    const std::string blank = "  " + nbsp;
    EXPECT_EQ(trim_white_space(blank).data(), blank.data());
}

TEST(WhiteSpaceText, TrimsOneEnd) {
    const std::string nbsp = utf8(0xA0), ideo = utf8(0x3000);
    struct Case {
        std::string in, leading, trailing;
    };
    const Case cases[] = {
        {"", "", ""},
        {" \t ", "", ""},
        {"  a b  ", "a b  ", "  a b"},
        {ideo + "x" + nbsp, "x" + nbsp, ideo + "x"},
        {"x \xa0", "x \xa0", "x \xa0"},  // a stray continuation byte stops the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim_leading_white_space(c.in), c.leading) << c.in;
        EXPECT_EQ(trim_trailing_white_space(c.in), c.trailing) << c.in;
    }
}

TEST(WhiteSpaceText, NonWhitespaceCharsKeepOrderAndDropEveryWhiteSpaceKind) {
    struct Case {
        std::string text;
        std::u32string expected;
    } cases[] = {
        {"", U""},
        {" \t\n", U""},
        {"a b", U"ab"},
        // NO-BREAK SPACE, IDEOGRAPHIC SPACE and LINE SEPARATOR are white
        // space; ZERO WIDTH SPACE is not.
        {"x\u00A0y\u3000z\u2028\u200Bw", U"xyz\u200Bw"},
        {"\u00E9 \u4E2D", U"\u00E9\u4E2D"},
        // An invalid byte is a character of its own (U+FFFD), never dropped.
        {"a\xFF b", U"a\uFFFDb"},
    };
    for (const Case& c : cases) {
        std::vector<char32_t> got = collect_non_whitespace_chars(c.text);
        EXPECT_EQ(std::u32string(got.begin(), got.end()), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace zvk
