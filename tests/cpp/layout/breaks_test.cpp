// The pair rule and the no-break mask, shown as the text with "|" at every
// gap where a line may break (both must allow it).
#include "layout/breaks.h"

#include <gtest/gtest.h>

#include <string>

#include "layout/char_classes.h"

namespace zvk {
namespace {

std::string render_breaks(std::string_view text) {
    const std::vector<char32_t> c = to_code_points(text);
    const std::vector<std::uint8_t> mask = no_break_mask(c);
    EXPECT_EQ(mask.size(), c.size() < 2 ? 0 : c.size() - 1);
    std::u32string out;
    for (std::size_t i = 0; i < c.size(); ++i) {
        out.push_back(c[i]);
        if (i + 1 < c.size() && mask[i] == 0 && may_break_between(c[i], c[i + 1])) out.push_back(U'|');
    }
    return from_code_points(out);
}

TEST(BreakPairRule, Table) {
    struct Case {
        char32_t previous, next;
        bool allowed;
    };
    const Case cases[] = {
        {U'a', U'b', false},   {U'3', U'x', false},   {U'a', U'\'', false}, {U'-', U'b', false},
        {0xFC, U'n', false},   {U'(', 0x4E2D, false}, {0x4E2D, 0x3002, false},
        {0x4E2D, 0x6587, true}, {U'a', 0x4E2D, true}, {0x4E2D, U'a', true}, {U' ', U'a', true},
        {U')', U'a', true},
        {0xFF11, 0xFF12, true},   // fullwidth digits are no word characters
        {0xFF21, 0xFF22, false},  // fullwidth letters are
        {0x3042, 0x3044, true},   // kana
        {U'x', U'-', false},      {U'\'', U'x', false},  {U'-', U' ', true},
        {0x300C, 0x4E2D, false},  {0x4E2D, 0xFF09, false}, {U'a', U'.', false}, {U'.', U'a', true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(may_break_between(c.previous, c.next), c.allowed)
            << std::hex << static_cast<unsigned>(c.previous) << " " << static_cast<unsigned>(c.next);
    }
}

TEST(NoBreakMask, RenderedTable) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"cjk pairs", "中文", "中|文"},
        {"keep-together word", "他是一个人", "他|是|一个|人"},
        {"overlapping keep-together words", "量子计算机", "量子计算|机"},
        {"address with the words before it", "Contact us at a.b@ex.com now", "Contact us at a.b@ex.com| |now"},
        {"cjk before the at sign", "中@ex.com", "中|@|ex.|com"},
        {"at sign at the end", "mail a@", "mail| |a|@"},
        {"url path slashes", "see https://a.org/x/y", "see| |https://a.org/|x/|y"},
        {"www url", "去www.ab.cn看", "去|www.ab.cn|看"},
        {"bare scheme at the end", "go to http://", "go| |to| |http:|/|/"},
        {"dotted name", "约翰·史密斯 来了", "约翰·史密斯| |来|了"},
        {"ideographs without a dot", "中文字", "中|文|字"},
        {"capitalised phrase", "我在New York Times工作", "我|在|New York Times|工|作"},
        {"two spaces between capitals", "我在New  York", "我|在|New| | |York"},
        {"all-capital word", "看IEEE Transactions吧", "看|IEEE Transactions|吧"},
        {"one-letter word", "我A Study", "我|A| |Study"},
        {"capital hyphenated acronym", "用AB-C Tool", "用|AB-C| |Tool"},
        {"capital word inside a hyphenated one", "用AB-CD Tool", "用|AB-CD Tool"},
        {"citation with et al", "见(Smith et al., 2021)。", "见|(Smith et al., 2021)。"},
        {"bracketed reference", "见(see [12], 2021)", "见|(see| |[12],| |2021)"},
        {"four digits", "见(2020, 2021)", "见|(2020, 2021)"},
        {"three digits", "见(12, 3)", "见|(12,| |3)"},
        {"fullwidth parenthetical", "见（李等，2020）了", "见|（李等，2020）|了"},
        {"digit pair before ideographic spaces", "12\u3000\u3000文本", "12\u3000\u3000|文|本"},
        {"single digit before an ideographic space", "第1\u3000文", "第|1|\u3000|文"},
        {"decimal number", "增长98.5%", "增|长|98.5|%"},
        {"thousands separator", "共1,000元", "共|1,000|元"},
        {"sentence stop between digits and a word", "第3.节", "第|3.|节"},
        {"whole proper name", "Smith, John", "Smith, John"},
        {"not a proper name", "Smith, the", "Smith,| |the"},
        {"single character", "中", "中"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(render_breaks(c.text), c.expected) << c.name;
}

TEST(NoBreakMask, AddressWalksStopAtEightyCharacters) {
    // 90 letters before the at sign: the local part takes only the last 80.
    const std::string text = std::string(90, 'a') + "@ex.com";
    const std::vector<char32_t> c = to_code_points(text);
    const std::vector<std::uint8_t> mask = no_break_mask(c);
    // Gaps 10 .. end are marked, the gaps among the first ten letters are not
    // (the pair rule forbids them anyway, so read the mask itself).
    for (std::size_t i = 0; i < mask.size(); ++i) EXPECT_EQ(mask[i], i >= 10 ? 1 : 0) << i;
}

TEST(NoBreakMask, DottedNamesShorterThanThirteen) {
    for (const auto& [length, marked] : {std::pair{12, true}, std::pair{13, false}}) {
        std::u32string run(static_cast<std::size_t>(length), 0x4E2D);
        run[3] = 0x00B7;
        const std::vector<std::uint8_t> mask = no_break_mask(std::u32string_view(run));
        // Gap 0 belongs to no keep-together word, so only the name step sets it.
        EXPECT_EQ(mask[0], marked ? 1 : 0) << length;
    }
}

TEST(CitationParentheticals, InnerTextShorterThanSeventyNine) {
    for (const auto& [inner_length, marked] : {std::pair{78, true}, std::pair{79, false}}) {
        const std::string inner = "2021 " + std::string(static_cast<std::size_t>(inner_length) - 5, 'b');
        const std::vector<char32_t> c = to_code_points("(" + inner + ")");
        std::vector<std::uint8_t> mask(c.size() - 1, 0);
        mark_citation_parentheticals(c, mask);
        EXPECT_EQ(mask[5], marked ? 1 : 0) << inner_length;  // the gap after "2021"
        EXPECT_EQ(mask.back(), marked ? 1 : 0) << inner_length;
    }
}

TEST(CitationParentheticals, Rules) {
    struct Case {
        std::string text;
        bool marked;
    };
    const Case cases[] = {
        {"(Smith ET AL)", true},        // case-insensitive, no digits needed
        {"()", false},
        {"(2021 [3])", false},          // a bracket rules it out
        {"(\u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u4e03\u516b\u4e5d\u5341\u4e00\u4e8c 2021)", true},   // 12 CJK
        {"(\u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u4e03\u516b\u4e5d\u5341\u4e00\u4e8c\u4e09 2021)", false},  // 13
        {"(2021", false},               // no partner
    };
    for (const Case& c : cases) {
        const std::vector<char32_t> chars = to_code_points(c.text);
        std::vector<std::uint8_t> mask(chars.size() - 1, 0);
        mark_citation_parentheticals(chars, mask);
        EXPECT_EQ(mask[0], c.marked ? 1 : 0) << c.text;
    }
    // A mask shorter than the text is written only within its length.
    const std::vector<char32_t> chars = to_code_points("(2021)");
    std::vector<std::uint8_t> short_mask(2, 0);
    mark_citation_parentheticals(chars, short_mask);
    EXPECT_EQ(short_mask, (std::vector<std::uint8_t>{1, 1}));
}

}  // namespace
}  // namespace zvk
