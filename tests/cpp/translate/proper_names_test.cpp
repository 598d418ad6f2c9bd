#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "translate/proper_names.h"

namespace zvk {
namespace {

TEST(ProperNames, PhraseAtBothLimits) {
    struct Case {
        const char* name;
        const char* text;
        bool short_phrase;  // with the limit of 5 words
        bool long_phrase;   // with the limit of 24 words
    };
    const Case cases[] = {
        {"two names", "John Smith", true, true},
        {"trimmed first", "  John Smith\u3000", true, true},
        {"one word", "Alice", false, false},
        {"five words", "Ann Bea Cid Dee Eve", true, true},
        {"six words", "Ann Bea Cid Dee Eve Fay", false, true},
        {"24 words", "Ann Bea Cid Dee Eve Fay Ann Bea Cid Dee Eve Fay Ann Bea Cid Dee Eve Fay "
                     "Ann Bea Cid Dee Eve Fay", false, true},
        {"25 words", "Ann Bea Cid Dee Eve Fay Ann Bea Cid Dee Eve Fay Ann Bea Cid Dee Eve Fay "
                     "Ann Bea Cid Dee Eve Fay Gus", false, false},
        // Sentence guard.
        {"final stop after a word", "John Smith.", false, false},
        {"final stops after a word", "John Smith...", false, false},
        {"final stop after an initial", "Smith J.", true, true},
        {"two-letter word before the stop", "Smith Jo.", true, true},
        {"inner stops pass", "J. R. Tolkien", true, true},
        {"comma after a word", "Smith, John", true, true},
        // Organisation words, whatever their case.
        {"inc", "Acme Inc", false, false},
        {"press", "Oxford University Press", false, false},
        {"university", "Stanford University", false, false},
        {"labs", "Bell Labs", false, false},
        {"co with a stop", "Acme Co.", false, false},
        // Common words; the test sees the word with its punctuation.
        {"the", "The Beatles", false, false},
        {"common word with a comma", "Abstract, Smith", true, true},
        {"common title", "Executive Summary", false, false},
        // Acronyms and initials.
        {"acronym", "IBM Research", false, false},
        {"two capitals", "Smith AB", false, false},
        {"initial", "J Smith", true, true},
        {"the article a", "A Smith", false, false},
        {"small first letter", "Van der Berg", false, false},
        {"apostrophe", "O'Brien Smith", true, true},
        {"inner capital", "McDonald Smith", true, true},
        {"digit", "Smith R2", false, false},
        {"accented letter", "Jos\u00e9 Smith", false, false},
        {"other punctuation", "Smith (John)", false, false},
        {"stop standing alone", "Smith .", false, false},
        // Hyphenated compounds: six letters on both sides of the first hyphen.
        {"long compound", "Object-Oriented Programming", false, false},
        {"six and six", "Abcdef-Ghijkl Smith", false, false},
        {"five and six", "Abcde-Ghijkl Smith", false, true},
        {"six and five", "Abcdef-Ghijk Smith", false, true},
        {"hyphen at the end", "Abcdefgh- Smith", true, true},
        // Letter limits: 10 for short phrases, 13 for long ones.
        {"twelve letters", "Johannesburg Smith", false, true},
        {"nine letters", "Abcdefghi Smith", true, true},
        {"ten letters", "Abcdefghij Smith", false, true},
        {"thirteen letters", "Abcdefghijklm Smith", false, false},
        {"twelve and ten", "Jean-Baptiste Grenouille", false, true},
        {"thirteen with a hyphen", "Jean-Baptistes Smith", false, false},
        {"empty", "", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(match_proper_name_phrase(c.text, kShortNamePhraseWords).has_value(), c.short_phrase)
            << c.name;
        EXPECT_EQ(match_proper_name_phrase(c.text, kNamePhraseWords).has_value(), c.long_phrase) << c.name;
        EXPECT_EQ(is_proper_name_phrase(c.text), c.long_phrase) << c.name;
    }
}

TEST(ProperNames, WordsAreViewsOfTheText) {
    const std::string text = " Smith,  J. R.\n";
    const auto words = match_proper_name_phrase(text, kShortNamePhraseWords);
    ASSERT_TRUE(words.has_value());
    const std::vector<std::string_view> expected = {"Smith,", "J.", "R."};
    EXPECT_EQ(*words, expected);
    // Slices of the caller's text, not copies: layout keeps offsets from them.
    EXPECT_EQ((*words)[0].data(), text.data() + 1);
    EXPECT_EQ((*words)[2].data(), text.data() + 12);
}

TEST(ProperNames, CommonEnglishWords) {
    struct Case {
        const char* word;
        bool common;
    };
    const Case cases[] = {
        {"a", true},           {"A", true},           {"the", true},         {"THE", true},
        {"Introduction", true}, {"quantitative", true}, {"engineering", true}, {"versus", true},
        {"the,", false},       {" the", false},       {"them", false},       {"", false},
        {"quantitatively", false}, {"introductions", false}, {"b", false},    {"Theorems", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_common_english_word(c.word), c.common) << c.word;
}

}  // namespace
}  // namespace zvk
