#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "segment/block_predicates.h"
#include "segment/line_fixture.h"

namespace zvk {
namespace {

TEST(BlockPredicates, EnvironmentLabels) {
    struct Case {
        const char* text;
        bool label;
    };
    const Case cases[] = {
        {"Theorem 2. Every graph", true},
        {"theorem", true},
        {"(Proof.)", true},
        {"Definition:", true},
        {"OBSERVATION 4", true},
        {" Theorem 2", false},   // leading white space: the first word is empty
        {"Remarks", false},      // a plural is another word
        {"Theorems.", false},
        {"Notes on", false},
        {"Theorem\u00A0Main", true},  // no-break space ends the word too
        {"", false},
        {"2.1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_environment_label(c.text), c.label) << c.text;
}

TEST(BlockPredicates, LineEndKinds) {
    struct Case {
        const char* text;
        int kind;
    };
    const Case cases[] = {
        {"An end.", 0},           {"Why?  ", 0},        {"Results:", 1},   {"see ->", 2},
        {"next \u2192", 2},       {"next \u2794 ", 2},  {"Wow!", 255},     {"   ", 255},
        {"", 255},                {"no end", 255},      {"a - >", 255},    {"x.\u00A0", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(line_end_kind(c.text), c.kind) << c.text;
}

TEST(BlockPredicates, UpperCaseStarts) {
    EXPECT_TRUE(starts_upper_case("(12) The"));
    EXPECT_TRUE(starts_upper_case("\u00C9\u00E0 The"));  // non-ASCII letters are passed over
    EXPECT_FALSE(starts_upper_case("\u00C9t\u00C9 The"));  // the t decides
    EXPECT_FALSE(starts_upper_case("the The"));
    EXPECT_FALSE(starts_upper_case("123 ..."));
    EXPECT_FALSE(starts_upper_case(""));
}

TEST(BlockPredicates, PageNumberTokensAndNotes) {
    struct Case {
        const char* text;
        bool page_number;
    };
    const Case page_cases[] = {
        {"12", true},       {" xiv ", true},      {"XIV", true},     {"123456", true},
        {"1234567", false}, {"12a", false},       {"", false},       {"  ", false},
        {"page", false},    {"\uFF11\uFF12", false},  // full-width digits are not ASCII digits
    };
    for (const Case& c : page_cases) EXPECT_EQ(is_page_number_token(c.text), c.page_number) << c.text;

    struct NoteCase {
        const char* text;
        bool licensed;
        bool publication;
    };
    const NoteCase notes[] = {
        {"  LICENSED TO Some University", true, false},
        {"Licensed to", true, false},
        {"licensed", false, false},
        {"Published", false, true},
        {" preprint ", false, true},
        {"Preprint version", false, false},
        {"Under review as a conference paper", false, true},
        {"Proceedings of the 45th Annual Meeting", false, true},
        {"12 Chapter 3. Methods", false, true},
        {"CHAPTER", false, true},
        {"Chapters", false, false},
        {"Published in Nature", false, false},
    };
    for (const NoteCase& c : notes) {
        EXPECT_EQ(starts_with_licensed_to(c.text), c.licensed) << c.text;
        EXPECT_EQ(is_publication_note(c.text), c.publication) << c.text;
    }
}

TEST(BlockPredicates, SectionNumbers) {
    struct Case {
        const char* text;
        bool bare;
    };
    const Case bare_cases[] = {
        {"2.1", true},     {" 3.4.1. ", true}, {"12.10.1.2", true}, {"2.1..", true},
        {"2", false},      {"2.", false},      {"2..1", false},     {"2.123", false},
        {"1.2.3.4.5", false}, {"a.1", false},  {".1.2", false},     {"", false},
    };
    for (const Case& c : bare_cases) EXPECT_EQ(is_bare_section_number(c.text), c.bare) << c.text;

    struct SplitCase {
        const char* text;
        bool some;
        bool sub;
        const char* rest;
    };
    const SplitCase splits[] = {
        {"2 Related work", true, false, "Related work"},
        {"3.1 Data  ", true, true, "Data"},
        {"4.2.1. Results", true, true, "Results"},
        {"1.2.3.4 Deep", true, true, "Deep"},
        {"1.2.3.4.5 Deep", false, false, ""},
        {"123 Main", false, false, ""},
        {"1.234 x", false, false, ""},
        {"2", false, false, ""},
        {"2.1", false, false, ""},
        {" 2 Lead", false, false, ""},  // must begin with the digits
        {"2\tTab", false, false, ""},    // only a space ends the number
    };
    for (const SplitCase& c : splits) {
        auto split = split_section_number(c.text);
        ASSERT_EQ(split.has_value(), c.some) << c.text;
        if (!split) continue;
        EXPECT_EQ(split->has_sub_number, c.sub) << c.text;
        EXPECT_EQ(split->rest, c.rest) << c.text;
    }
}

TextLine bare_line(std::string text, float x0, float x1, float y = 700, float size = 10, std::uint32_t page = 0) {
    TextLine line;
    line.text = std::move(text);
    line.x0 = x0;
    line.x1 = x1;
    line.y = y;
    line.size = size;
    line.page_index = page;
    return line;
}

TEST(BlockPredicates, NonBodyLines) {
    struct Case {
        TextLine line;
        bool non_body;
    };
    const Case cases[] = {
        {bare_line("   ", 100, 110), true},
        {bare_line("licensed to X", 100, 300), true},
        {bare_line("LICENSED to someone", 100, 300), true},
        {bare_line("12", 300, 330), true},            // 30 wide
        {bare_line("12", 300, 360), true},            // 60 wide, but nothing but digits
        {bare_line("xiv", 300, 360), false},          // 60 wide: no page number
        {bare_line("12  345", 100, 400), true},       // only digits and spaces, any width
        {bare_line("Figure 3: Waves", 100, 400), true},
        {bare_line("Table IV | Rates", 100, 400), true},
        {bare_line("Figure 3 shows", 100, 400), false},
        {bare_line("Published", 100, 400), true},
        {bare_line("xiv", 300, 320), true},
        {bare_line("The waves moved.", 100, 400), false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_non_body_line(c.line), c.non_body) << c.line.text;
}

TEST(BlockPredicates, SubstantialBlocks) {
    std::vector<TextLine> one = {bare_line(std::string(39, 'a'), 0, 100)};
    EXPECT_FALSE(is_substantial_block(one));
    one[0].text += "\u00E9";  // a letter above U+00AA counts
    EXPECT_TRUE(is_substantial_block(one));
    std::vector<TextLine> two = {bare_line("a", 0, 10), bare_line("b", 0, 10, 688)};
    EXPECT_TRUE(is_substantial_block(two));
}

TEST(BlockPredicates, CenteredCommaBlocks) {
    auto block = [](std::vector<std::pair<float, float>> edges, std::string text0 = "A, B, C,",
                    std::string text1 = "D, E") {
        std::vector<TextLine> lines;
        float y = 700;
        for (std::size_t i = 0; i < edges.size(); ++i) {
            lines.push_back(bare_line(i == 0 ? text0 : text1, edges[i].first, edges[i].second, y));
            y -= 12;
        }
        return lines;
    };
    EXPECT_TRUE(is_centered_comma_block(block({{100, 300}, {140, 260}})));
    EXPECT_FALSE(is_centered_comma_block(block({{100, 300}, {101, 260}}))) << "left edges aligned";
    EXPECT_FALSE(is_centered_comma_block(block({{100, 300}, {140, 260}}, "A, B,", "C")))
        << "three commas";
    EXPECT_FALSE(is_centered_comma_block(block({{100, 300}})));
    // A justified paragraph with a first-line indent: x0 spread 20 (> 12) but
    // the right edges agree.
    EXPECT_FALSE(is_centered_comma_block(block({{120, 400}, {100, 402}, {100, 401}})));
    // Three lines whose left edges after the first agree: not centred.
    EXPECT_FALSE(is_centered_comma_block(block({{150, 250}, {100, 300}, {102, 280}})));
    // Centres spread more than 3 S: not one centred block.
    EXPECT_FALSE(is_centered_comma_block(block({{100, 300}, {160, 380}})));
    // NaN sizes count as no size; the block is still measured with S = 1.
    auto nan_block = block({{100, 300}, {140, 260}});
    for (TextLine& line : nan_block) line.size = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(is_centered_comma_block(nan_block)) << "a NaN size must not poison the spreads' tests";
}

TEST(BlockPredicates, ContinuesAcrossBreak) {
    test::LinePool pool;
    struct Case {
        const char* last;
        const char* first;
        float first_size;
        bool continues;
    };
    const Case cases[] = {
        {"the waves are", "involved in", 10, true},
        {"the waves are", "Involved in", 10, false},
        {"the waves are.", "involved in", 10, false},
        {"signal-", "ing suggesting", 10, true},
        {"signal-", "Ing suggesting", 10, true},   // after a hyphen any letter
        {"signal-", "2000 and", 10, true},         // or digit
        {"signal-", "(ing", 10, false},
        {"the waves are", "involved in", 16, false},  // 10 and 16 differ by more than 0.35 × 16
        {"the waves are", "involved in", 13, true},
        {"the waves are", "", 10, false},
    };
    for (const Case& c : cases) {
        TextLine last = pool.line(c.last, 300, 100);
        TextLine first = pool.line(c.first, 50, 700, c.first_size, 1);
        if (std::string(c.first).empty()) first = bare_line("", 50, 50, 700, 10, 1);
        EXPECT_EQ(continues_across_break(last, first), c.continues) << c.last << " | " << c.first;
    }
    // A formula line on either side never continues, whatever its text.
    TextLine formula = pool.line("x y z", 50, 700, 10, 1, "CMMI10");
    EXPECT_FALSE(continues_across_break(pool.line("the waves are", 300, 100), formula));
    EXPECT_FALSE(continues_across_break(pool.line("where", 300, 100, 10, 0, "CMMI10"),
                                        pool.line("involved in", 50, 700, 10, 1)));
    EXPECT_TRUE(continues_across_break(pool.line("the waves are", 300, 100), pool.line("x y z", 50, 700, 10, 1)));
}

}  // namespace
}  // namespace zvk
