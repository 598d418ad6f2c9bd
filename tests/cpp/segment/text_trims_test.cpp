// The four trims, and that each returns a view into its argument.
#include "segment/text_trims.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace zvk {
namespace {

struct Case {
    const char* name;
    std::string_view (*trim)(std::string_view);
    std::string text;
    std::string expected;
};

TEST(TextTrims, Table) {
    const Case cases[] = {
        {"letters", trim_to_ascii_letters, "(e.g.,", "e.g"},
        {"letters", trim_to_ascii_letters, "123", ""},
        {"letters", trim_to_ascii_letters, "", ""},
        {"letters", trim_to_ascii_letters, "na\u00efve", "na\u00efve"},  // inner characters stay
        {"letters", trim_to_ascii_letters, "\u00abÜber\u00bb", "ber"},
        {"letters", trim_to_ascii_letters, "\xff" "a\xff", "a"},  // stray bytes are not letters
        {"punctuation", trim_word_punctuation, "\u201cSmith,\u201d", "Smith"},
        {"punctuation", trim_word_punctuation, "(a.b);", "a.b"},
        {"punctuation", trim_word_punctuation, "...;:", ""},
        {"punctuation", trim_word_punctuation, "[x]", "[x]"},
        {"punctuation", trim_word_punctuation, " (x) ", " (x) "},  // white space is not in the set
        {"punctuation", trim_word_punctuation, "\u2018x\u2019", "\u2018x\u2019"},
        {"digits", trim_leading_digits_and_space, " 12 chapter 3", "chapter 3"},
        {"digits", trim_leading_digits_and_space, "2.1 Intro", ".1 Intro"},
        {"digits", trim_leading_digits_and_space, "\u3000 7Chapter", "Chapter"},
        {"digits", trim_leading_digits_and_space, "123 ", ""},
        {"digits", trim_leading_digits_and_space, "abc 1", "abc 1"},
        {"digits", trim_leading_digits_and_space, "\u0661 x", "\u0661 x"},  // ASCII digits only
        {"bullets", trim_leading_bullets, "\u2022\u25cf item", " item"},
        {"bullets", trim_leading_bullets, "\u2605\u2606\u25e6x", "x"},
        {"bullets", trim_leading_bullets, "\u2022 \u2022 x", " \u2022 x"},
        {"bullets", trim_leading_bullets, "- item", "- item"},
        {"bullets", trim_leading_bullets, "x\u2022", "x\u2022"},  // start only
        {"bullets", trim_leading_bullets, "\u2022", ""},
    };
    for (const Case& c : cases) {
        std::string_view result = c.trim(c.text);
        EXPECT_EQ(result, c.expected) << c.name << ": " << c.text;
        // A view into the argument, never a copy.
        EXPECT_GE(result.data(), c.text.data()) << c.name << ": " << c.text;
        EXPECT_LE(result.data() + result.size(), c.text.data() + c.text.size()) << c.name << ": " << c.text;
    }
}

TEST(TextTrims, KeepAsciiLettersDropsEverythingElse) {
    const std::pair<std::string, std::string> cases[] = {
        {"Fig. 3-b (\u00DCn\u00EFcode)", "Figbncode"},
        {"", ""},
        {"123 .,;", ""},
        {"AbC", "AbC"},
        // Letters beyond ASCII, fullwidth ones included, are not kept.
        {"\uFF21a\u03B1b", "ab"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(keep_ascii_letters(text), expected) << text;
}

}  // namespace
}  // namespace zvk
