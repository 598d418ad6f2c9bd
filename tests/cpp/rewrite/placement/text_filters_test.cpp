#include "rewrite/placement/text_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"

namespace zvk::rewrite {
namespace {

std::string utf8(char32_t c) {
    std::string out;
    append_utf8(out, c);
    return out;
}

TEST(NonBlankFilter, DropsExactlyWhiteSpace) {
    struct Case {
        char32_t c;
        bool kept;
    };
    const std::vector<Case> cases = {
        {U' ', false},    {U'\t', false},   {0x0D, false},   {0x85, false},   {0xA0, false},
        {0x1680, false},  {0x2000, false},  {0x200A, false}, {0x202F, false}, {0x3000, false},
        // Zero-width and format characters are no White_Space.
        {0x200B, true},   {0xFEFF, true},
        {0x01, true},     {0x0E, true},     {0x80, true},    {0x84, true},
        {U'a', true},     {0x3002, true},   {0xE000, true},  {0x1F600, true},
    };
    for (const Case& c : cases) {
        std::string out = "x";
        append_nonblank_char(out, c.c);
        EXPECT_EQ(out, c.kept ? "x" + utf8(c.c) : "x") << std::hex << static_cast<std::uint32_t>(c.c);
    }
}

TEST(NonBlankCollectors, LinesAndRunsCollectTheVisibleText) {
    const std::string text = "\u4E2D\u6587 A\u00A0B\u3000c d\u200B";
    // The same text wrapped over two slots, with its spaces at line ends
    // dropped and one line left empty.
    const std::vector<std::vector<std::string>> slots = {{"\u4E2D\u6587", "A\u00A0B"}, {"", "c d\u200B "}};
    std::string expected;
    for (char32_t c : collect_non_whitespace_chars(text)) append_utf8(expected, c);
    EXPECT_EQ(expected, "\u4E2D\u6587ABcd\u200B");
    EXPECT_EQ(collect_nonblank_text(slots), expected);

    std::vector<TextRun> runs(3);
    runs[0].text = " \u4E2D\u6587A";
    runs[1].text = "";
    runs[2].text = "\u3000B c\td\u200B";
    EXPECT_EQ(collect_nonblank_text_chained(runs), expected);

    // A lost character shows.
    EXPECT_NE(collect_nonblank_text({{"\u4E2D", "AB"}, {"cd\u200B"}}), expected);
    EXPECT_EQ(collect_nonblank_text({}), "");
}

TEST(LeadingQuoteTrim, OnlyTheStartAndOnlyTheListedMarks) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"corner brackets: only the opening one goes", "\u300C\u4E2D\u6587\u300D", "\u4E2D\u6587\u300D"},
        {"U+201A stays", "\u201A\u4E2D", "\u201A\u4E2D"},
        {"U+201B stays", "\u201B\u4E2D", "\u201B\u4E2D"},
        {"quotes and white space mixed", " \"\u201C \u00AB'\u275B\u275E\u3000\u27E60\u27E7", "\u27E60\u27E7"},
        {"every listed mark", "\"'\u00AB\u00BB\u2018\u2019\u201C\u201D\u201E\u275B\u275C\u275D\u275E\u300C\u300Dx",
         "x"},
        {"marks inside stay", "a\"b\u201D", "a\"b\u201D"},
        {"nothing but quotes", "\u201C \u201D", ""},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(trim_leading_quotes(c.text), c.expected) << c.name;
}

TEST(FontLacksAnyChar, FirstMissingCharacterOfEitherText) {
    font::SubsetFont font;
    font.glyphs[0x4E2D] = {1, 1000};
    font.glyphs['A'] = {2, 600};
    const font::SubsetFont empty;
    struct Case {
        const char* name;
        std::string first;
        std::string second;
        const font::SubsetFont& font;
        bool lacks;
    };
    const std::vector<Case> cases = {
        {"two empty texts", "", "", font, false},
        {"two empty texts, empty map", "", "", empty, false},
        {"everything held", "A\u4E2D", "\u4E2DA", font, false},
        {"missing in the first", "AB", "", font, true},
        {"missing in the second", "A", "\u4E2Dz", font, true},
        {"a space is a character too", "A A", "", font, true},
        {"any character against an empty map", "", "A", empty, true},
    };
    for (const Case& c : cases) EXPECT_EQ(font_lacks_any_char(c.first, c.second, c.font), c.lacks) << c.name;
}

TEST(CharsAtPositions, InTheOrderOfThePositions) {
    const std::vector<char32_t> chars = {U'H', 0x2082, U'O', 0x2083};
    struct Case {
        std::vector<std::size_t> positions;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{1, 3}, "\u2082\u2083"},
        {{3, 1}, "\u2083\u2082"},
        {{1, 1}, "\u2082\u2082"},
        {{}, ""},
        {{0, 4, 2}, "HO"},
    };
    for (const Case& c : cases) EXPECT_EQ(chars_at_positions(chars, c.positions), c.expected);
}

}  // namespace
}  // namespace zvk::rewrite
