// Text tests of segmentation: years, letter counts, first characters and
// blank texts.
#include "segment/text_predicates.h"

#include <gtest/gtest.h>

namespace zvk {
namespace {

struct BoolCase {
    const char* text;
    bool expected;
};

TEST(ContainsYear, Table) {
    const BoolCase cases[] = {
        {"1999", true},
        {"(2020)", true},
        {"2019a", true},
        {"in 1984.", true},
        {"12345 and 2001", true},   // a later window
        {"\u00fc2020", true},       // a non-ASCII letter bounds the run
        {"a1999b2", true},
        {"12019", false},           // part of a longer run
        {"19999", false},
        {"1800", false},
        {"2100", false},
        {"20 19", false},
        {"\u0662\u0660\u0662\u0660", false},  // Arabic-Indic digits are no digits
        {"\u0662\u0660\u0662\u06602020", true},  // nor do they extend an ASCII run
        {"199", false},
        {"", false},
        {"\u00e9\u00e9\u00e9", false},  // six bytes, three characters
    };
    for (const BoolCase& c : cases) EXPECT_EQ(contains_year(c.text), c.expected) << c.text;
}

TEST(CountLetters, Table) {
    struct Case {
        const char* text;
        std::size_t expected;
    };
    const Case cases[] = {
        {"naïve 2024", 5},
        {"日本語", 3},
        {"", 0},
        {"\u00aa", 1},        // feminine ordinal, the first Alphabetic past ASCII
        {"\u00bd \u00b2", 0}, // fractions and superscripts are not letters
        {"\u03a9\u00df", 2},
        {"\u0662\u0663", 0},  // digits of any script
        {"a-b, c!", 3},
        {"\u2014\u00a0\u3000", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(count_letters(c.text), c.expected) << c.text;
}

TEST(StartsWithAscii, Table) {
    struct Case {
        const char* text;
        bool letter;
        bool lowercase;
    };
    const Case cases[] = {
        {"abc", true, true},   {"Zeta", true, false}, {"", false, false},      {"1a", false, false},
        {" a", false, false},  {"\u00e9t\u00e9", false, false},                {"[a", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(starts_with_ascii_letter(c.text), c.letter) << c.text;
        EXPECT_EQ(starts_with_ascii_lowercase(c.text), c.lowercase) << c.text;
    }
}

TEST(BlankText, Table) {
    const BoolCase cases[] = {
        {"", false},  // empty is not blank
        {" ", true},
        {"\t\n", true},
        {"\u3000\u00a0\u2009", true},
        {" a ", false},
        {"\u200b", false},  // zero-width space is not White_Space
    };
    for (const BoolCase& c : cases) EXPECT_EQ(is_blank_text(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace zvk
