// Line wrapping: hanging marks, word and number spans, camel-case breaks,
// stock-code items, digit-pair runs, commas, conjunctions, the boundary
// repair and the line cap. CJK characters are 10 wide at size 10, ASCII 5.
#include "layout/wrap.h"

#include <gtest/gtest.h>

#include "layout/char_classes.h"
#include "layout_font.h"

namespace zvk {
namespace {

using Lines = std::vector<std::string>;

TEST(WrapTextLines, Table) {
    struct Case {
        const char* name;
        std::string text;
        float width;
        Lines expected;
    };
    const Case cases[] = {
        {"hanging stop", "甲乙丙。", 30, {"甲乙丙。"}},
        {"latin word stays whole", "hello world", 40, {"hello", "world"}},
        {"camel-case break in a loose line", "ab getValueFromMap", 60, {"ab getValue", "FromMap"}},
        {"capital pair before a lower-case letter", "ab xHTTPServer", 50, {"ab xHTTP", "Server"}},
        {"long lower-case word", "internationalization", 50,
         {"i", "n", "t", "e", "r", "n", "a", "t", "i", "o", "nalization"}},
        {"two stock-code items", "股票600000：涨了股票600001：跌了", 500, {"股票600000：涨了", "股票600001：跌了"}},
        {"one stock-code item", "甲股票600000：涨了", 500, {"甲股票600000：涨了"}},
        {"digit-pair run starting the line", "12\u3000\u3000\u3000甲", 15, {"12\u3000\u3000\u3000", "甲"}},
        {"digit-pair run after a character", "甲12\u3000\u3000乙", 20, {"甲", "12\u3000\u3000", "乙"}},
        {"conjunction", "甲乙、丙丁、戊己和庚辛", 80, {"甲乙、丙丁、", "戊己和庚辛"}},
        {"enumeration commas keep 60 percent", "甲乙丙、丁戊、己庚辛壬癸子", 100, {"甲乙丙、丁戊、", "己庚辛壬癸子"}},
        {"comma keeps 90 percent", "甲乙丙丁戊己庚辛壬，癸子丑", 110, {"甲乙丙丁戊己庚辛壬，", "癸子丑"}},
        {"comma would keep less than 90 percent", "甲乙丙丁戊己庚辛，壬癸子丑", 110,
         {"甲乙丙丁戊己庚辛，壬癸", "子丑"}},
        {"opening brackets go down", "（（（（（甲", 20, {"（（（（（甲"}},
        {"number not split after its point", "甲乙丙丁98.5%", 55, {"甲乙丙丁", "98.5%"}},
        {"keep-together word not split", "甲乙丙我们丁", 40, {"甲乙丙", "我们丁"}},
        {"spaces at line ends dropped", "ab   cd", 12, {"ab", "cd"}},
    };
    for (const Case& c : cases) {
        const auto lines = wrap_text_plain(c.text, layout_font(), 10, c.width, c.width);
        ASSERT_TRUE(lines) << c.name;
        EXPECT_EQ(*lines, c.expected) << c.name;
    }
}

TEST(WrapTextLines, FirstLineWidth) {
    const auto lines = wrap_text_plain("甲乙丙丁戊己", layout_font(), 10, 20, 40);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (Lines{"甲乙", "丙丁戊己"}));
}

TEST(WrapTextLines, NoHangingWithDigitPairWidths) {
    const DigitPairWidthMap pairs{{99, 1.0f}};
    const auto lines = wrap_text_lines("甲乙丙。", layout_font(), pairs, 10, 30, 30);
    ASSERT_TRUE(lines);
    ASSERT_GE(lines->size(), 2u);
    EXPECT_NE(lines->front(), "甲乙丙。");
    std::string joined;
    for (const auto& line : *lines) joined += line;
    EXPECT_EQ(joined, "甲乙丙。");
}

TEST(WrapTextLines, NoneForBlankTextsAndTooManyLines) {
    EXPECT_FALSE(wrap_text_plain("", layout_font(), 10, 100, 100));
    EXPECT_FALSE(wrap_text_plain("   ", layout_font(), 10, 100, 100));
    EXPECT_FALSE(wrap_text_plain("\u3000\u3000", layout_font(), 10, 100, 100));
    const auto most = wrap_text_plain(repeat("甲", 96), layout_font(), 10, 10, 10);
    ASSERT_TRUE(most);
    EXPECT_EQ(most->size(), 96u);
    EXPECT_FALSE(wrap_text_plain(repeat("甲", 97), layout_font(), 10, 10, 10));
}

TEST(RelayoutRemainder, Table) {
    struct Case {
        const char* name;
        std::string last;
        std::u32string following;
        float width;
        bool changed;
        std::string expected;
    };
    const Case cases[] = {
        {"keep-together word pulled up", "甲乙丙我", U"们丁戊", 50, true, "甲乙丙我们"},
        {"keep-together word pushed down", "甲乙丙我", U"们丁戊", 40, true, "甲乙丙"},
        {"pull within width plus 0.6", "甲乙丙我", U"们丁戊", 49.4f, true, "甲乙丙我们"},
        {"longest straddling word wins", "甲一个", U"词乙", 60, true, "甲一个词"},
        {"lone character pulled up", "甲乙丙", U" 丁abc", 40, true, "甲乙丙丁"},
        {"lone character at the end", "甲乙丙", U"丁", 40, true, "甲乙丙丁"},
        {"up to four characters pushed down", "ab甲乙丙丁戊", U"己abc", 60, true, "ab甲"},
        {"push trims the line end", "ab 甲乙", U"丙x", 30, true, "ab"},
        {"push that leaves nothing", "甲乙丙", U"丁abc", 30, false, "甲乙丙"},
        {"next character is cjk too", "甲乙丙", U"丁戊", 100, false, "甲乙丙"},
        {"line ends in latin", "甲乙a", U"丁", 100, false, "甲乙a"},
        {"nothing follows", "甲乙丙", U"  \u3000", 100, false, "甲乙丙"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines{"前", c.last};
        EXPECT_EQ(relayout_remainder(lines, std::u32string_view(c.following), layout_font(), DigitPairWidthMap{}, c.width,
                                     10),
                  c.changed)
            << c.name;
        EXPECT_EQ(lines, (Lines{"前", c.expected})) << c.name;
    }
    std::vector<std::string> empty;
    EXPECT_FALSE(relayout_remainder(empty, std::u32string_view(U"甲"), layout_font(), DigitPairWidthMap{}, 10, 10));
}

}  // namespace
}  // namespace zvk
