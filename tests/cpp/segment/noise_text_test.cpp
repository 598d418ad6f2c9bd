// The tests that tell recognition noise from running text.
#include "segment/noise_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace zvk {
namespace {

TEST(NoiseText, StraySymbols) {
    const std::pair<char32_t, bool> cases[] = {
        {U'a', false}, {U'Z', false}, {U'7', false},
        // Punctuation of running text, ASCII and CJK.
        {U'.', false}, {U'@', false}, {U'#', false}, {0x2014, false}, {0x3002, false}, {0xFF1F, false},
        // Latin-1 signs up to U+00A9 are stray whatever their class; from
        // U+00AA alphabetic characters, from U+00B2 numeric ones are not.
        {0x00A7, true}, {0x00A9, true}, {0x00AA, false}, {0x00B0, true}, {0x00B1, true}, {0x00B2, false},
        {0x00B5, false}, {0x00BC, false}, {0x00E9, false},
        // Numeric: Nd (Arabic-Indic 3), Nl (Roman twelve), No (circled one).
        {0x0663, false}, {0x216B, false}, {0x2460, false},
        {0x2211, true}, {0x20AC, true}, {0x00A4, true},
        // White space and control characters are stray.
        {U' ', true}, {U'\t', true}, {0x0001, true},
    };
    for (const auto& [c, stray] : cases) EXPECT_EQ(is_stray_symbol(c), stray) << std::hex << +c;
}

TEST(NoiseText, WordShapes) {
    struct Case {
        std::string word;
        bool regular_case;
        bool ip_version;
        bool ocr_like;
    } cases[] = {
        {"word", true, false, false},
        {"WORD", true, false, false},
        {"Word", true, false, false},
        {"wOrd", false, false, false},
        {"", true, false, false},
        // A digit next to a letter, either order.
        {"l1ne", true, false, true},
        {"3rd", true, false, true},
        // A stray symbol among three characters or more.
        {"a\u00A4b", true, false, true},
        {"a\u00A4", true, false, false},
        // Four consonants in a row count only in irregular case.
        {"strength", true, false, false},
        {"sTRength", false, false, true},
        {"sTRe", false, false, false},
        // IP versions and leading bullets.
        {"IPv6", false, true, false},
        {"IPv6only", false, true, false},
        {"IPv", false, false, false},
        {"IPv6x", false, false, true},
        {"\u2022\u2022\u2022", true, false, false},
        {"\u2022ab", true, false, false},
        {"\u2022l1ne", true, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(has_regular_case(c.word), c.regular_case) << c.word;
        EXPECT_EQ(is_ip_version_token(c.word), c.ip_version) << c.word;
        EXPECT_EQ(is_ocr_like_text(c.word), c.ocr_like) << c.word;
    }
}

TEST(NoiseText, EnglishFunctionWords) {
    const std::pair<std::string, bool> cases[] = {
        {"one two three four five the", true},
        // Five words are not enough, whatever they are.
        {"the of and in on", false},
        {"The quick brown fox jumps over", true},
        {"(The) quick brown fox jumps far", true},
        {"alpha beta gamma delta epsilon zeta", false},
        {"  these\u3000alpha\tbeta gamma delta epsilon  ", true},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(has_english_function_word(text), expected) << text;
}

TEST(NoiseText, GarbledLines) {
    const std::pair<std::string, bool> cases[] = {
        {"The cat sat on the mat near the door.", false},
        // Many stray symbols among the characters.
        {"x\u00A4y\u00A4z\u00A4", true},
        {"\u00A4\u00A4\u00A4 \u00A4\u00A4\u00A4", false},  // no word at all
        // Addresses are never garbled.
        {"see http://x.y/z\u00A4\u00A4\u00A4", false},
        {"mail a@b.c \u00A4\u00A4\u00A4", false},
        {"www.example.org/\u00A4\u00A4\u00A4", false},
        // Formula characters alone are spared, but only in a text without
        // white space: white space is a stray symbol as well.
        {"x\u2211y\u2211z\u2211", false},
        {"x \u2211 y \u2211 z \u2211", true},
        {"x\u2211y\u00A4z\u2211", true},
        // One word: noisy and four characters or more.
        {"L1nE", true},
        {"L1n", false},
        {"l1ne", false},      // regular case
        {"Tlie", false},      // a capital, then three small letters with a vowel
        {"qWRtz", true},
        {"qwrtz", false},
        // Noisy words among too few real ones (numbers are words, not real).
        {"xqzt 12 34 56 78 wRDSTK", true},
        {"There are real words and one wRDSTK here", false},
        {"IPv6 IPv4only 12 34", false},
        // The reference lines this rule takes on the papers: a loose accent
        // is a stray symbol, numbers and initials are no real words.
        {"[17] R\u00A8as\u00A8anen S, 2006 J. Cosmol. Astropart. Phys. JCAP11(2006)003 [SPIRES]", true},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(is_garbled_text(text), expected) << text;
}

}  // namespace
}  // namespace zvk
