#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translate/comma_lists.h"

namespace zvk {
namespace {

// Seven short items without technical terms, and its translations.
constexpr const char* kFruit = "apples, pears, plums, figs, limes, dates, kiwis";
constexpr const char* kFruitSeven = "苹果、梨、李子、无花果、青柠、枣、猕猴桃";
// Seven names that must all stay as they are.
constexpr const char* kNames = "Go, Ada, Nix, Mozilla, PyTorch, GitHub, LaTeX";

TEST(CommaLists, ItemsLost) {
    struct Case {
        const char* name;
        const char* source;
        const char* translation;
        bool lost;
    };
    const Case cases[] = {
        {"all kept", kFruit, kFruitSeven, false},
        {"one item lost", kFruit, "苹果、梨、李子、无花果、青柠、枣", false},
        {"two items lost", kFruit, "苹果、梨、李子、无花果、青柠", true},
        {"full-width commas", kFruit, "苹果，梨，李子，无花果，青柠", true},
        {"ASCII commas", kFruit, "苹果, 梨, 李子, 无花果, 青柠, 枣", false},
        {"merged into one", kFruit, "各种水果", true},
        {"five commas", "apples, pears, plums, figs, limes, dates", "水果", false},
        {"six commas, five items", "apples, pears, , plums, figs, limes,", "水果", false},
        {"no CJK in the translation", kFruit, "apples and pears", false},
        {"kana counts as CJK", kFruit, "リンゴ", true},
        {"one sentence break", "apples, pears, plums, e.g. figs, limes, dates, kiwis", "水果", true},
        {"two sentence breaks", "apples, pears, e.g. plums, e.g. figs, limes, dates, kiwis", "水果", false},
        {"question and line breaks", "apples? pears, plums, figs.\nlimes, dates, kiwis, melons, lemons", "水果", false},
        {"half the items end in years", "Smith 2019, Lee 2020, Wang 2021, Chen 2018, apples, pears, plums", "文献",
         false},
        {"fewer than half end in years", "Smith 2019, Lee 2020, Wang 2021, apples, pears, plums, figs", "文献",
         true},
        {"page ranges are numbers", "12-14, 15-17, 18-20, 21-23, apples, pears, plums", "页",
         false},
        {"two long items of seven", "apples, pears, plums, figs, limes, the dates of the palm tree, the kiwis of "
                                    "the south island", "水果", false},
        {"one long item of seven", "apples, pears, plums, figs, limes, dates, the kiwis of the south island",
         "水果", true},
        // Terms: the item count is equal, so only the terms decide.
        {"names kept", kNames, "Go、Ada、Nix、Mozilla、PyTorch、GitHub、LaTeX", false},
        {"a name translated", kNames, "Go、Ada、Nix、Mozilla、PyTorch、GitHub、乳胶", true},
        {"one item lost but a term with it", kNames, "Go、Ada、Nix、Mozilla、PyTorch、GitHub", true},
        {"term inside CJK text", kNames, "使用Go开发、Ada、Nix、Mozilla、PyTorch、GitHub、LaTeX", false},
        {"term only inside a longer name", kNames, "GoLand、Ada、Nix、Mozilla、PyTorch、GitHub、LaTeX", true},
        {"term with another case", kNames, "Go、Ada、Nix、Mozilla、PyTorch、Github、LaTeX", true},
        {"possessive gives the name", "apples, pears, plums, figs, limes, dates, GitHub's kiwis",
         "苹果、梨、李子、无花果、青柠、枣、GitHub的猕猴桃", false},
        {"possessive name lost", "apples, pears, plums, figs, limes, dates, GitHub's kiwis",
         "苹果、梨、李子、无花果、青柠、枣、吉特的猕猴桃", true},
        {"parenthesised acronym kept", "apples, pears, plums, figs, limes, dates (CNN), kiwis",
         "苹果、梨、李子、无花果、青柠、枣（CNN）、猕猴桃", false},
        {"parenthesised acronym lost", "apples, pears, plums, figs, limes, dates (CNN), kiwis", kFruitSeven, true},
        {"parenthesised words kept", "apples, pears, plums, figs, limes, dates, kiwis (see below)",
         "苹果、梨、李子、无花果、青柠、枣、猕猴桃（see below）", false},
        {"a parenthesised word lost", "apples, pears, plums, figs, limes, dates, kiwis (see below)",
         "苹果、梨、李子、无花果、青柠、枣、猕猴桃（see 下文）", true},
        {"parenthesised word of nine letters", "apples, pears, plums, figs, limes, dates, kiwis (something)",
         kFruitSeven, false},
        {"unclosed parenthesis", "apples, pears, plums, figs, limes, dates, kiwis (see", kFruitSeven, true},
        {"ligature in the translation", "apples, pears, plums, figs, limes, dates (final), kiwis",
         "苹果、梨、李子、无花果、青柠、枣（\uFB01nal）、猕猴桃", false},
        {"ligature in the source", "apples, pears, plums, figs, limes, dates (\uFB01nal), kiwis",
         "苹果、梨、李子、无花果、青柠、枣（final）、猕猴桃", false},
    };
    for (const Case& c : cases) EXPECT_EQ(list_items_lost(c.source, c.translation), c.lost) << c.name;
}

// One term of each kind in a list; the translation loses each in turn.
TEST(CommaLists, EveryKindOfTermMustStay) {
    const std::vector<std::string> terms = {"Rust", "Node.js", "TCP/IP", "COVID-19", "3D-printed", "GPT4",
                                            "PyTorch"};
    std::string source;
    std::string kept = "工具";
    for (const std::string& term : terms) {
        source += term + ", ";
        kept += "、" + term;
    }
    source += "apples";
    ASSERT_FALSE(list_items_lost(source, kept));
    for (const std::string& term : terms) {
        std::string translation = kept;
        translation.replace(translation.find("、" + term), term.size() + 3, "、某");
        EXPECT_TRUE(list_items_lost(source, translation)) << term;
    }
}

TEST(CommaLists, VerbatimTerms) {
    struct Case {
        const char* token;
        std::optional<std::string> term;
    };
    const Case cases[] = {
        {"Go", "Go"},
        {"go", std::nullopt},
        {"Python,", "Python"},
        {";Mozilla:", "Mozilla"},
        {"Node.js", "Node.js"},
        {"U.S.", "U.S"},
        {"3.14", std::nullopt},  // a dot, but no letter
        {"TCP/IP", "TCP/IP"},
        {"I/O", std::nullopt},   // the slash at byte 1; then rule of the slash stops it
        {"TCP/ip", std::nullopt},
        {"ABCDEFGHI/IP", std::nullopt},
        {"and/or", std::nullopt},
        {"COVID-19", "COVID-19"},
        {"3-D", "3-D"},
        {"3D-printed", "3D-printed"},
        {"X-RAY", "X-RAY"},      // capitals after the hyphen
        {"X-ray", std::nullopt},
        {"well-known", std::nullopt},
        {"GPT4", "GPT4"},
        {"ResNet50", "ResNet50"},
        {"abc1", std::nullopt},  // no capital
        {"V2", std::nullopt},    // too short
        {"PyTorch", "PyTorch"},
        {"iOS", "iOS"},
        {"LaTeX", "LaTeX"},
        {"NASA", std::nullopt},  // no small letter
        {"Hello", std::nullopt},
        {"Ok", std::nullopt},    // fewer than 3 letters
        {"x", std::nullopt},
        {".,", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(verbatim_term_of(c.token), c.term) << c.token;
}

TEST(CommaLists, TermsAsWholeTokens) {
    struct Case {
        const char* text;
        const char* term;
        bool contained;
    };
    const Case cases[] = {
        {"使用Go开发", "Go", true},
        {"GoLand", "Go", false},
        {"Go2", "Go", false},
        {"_Go_", "Go", true},
        {"（GPT4）", "GPT4", true},
        {"github", "GitHub", false},
        {"Node.js", "Node.js", true},
        {"xNode.js", "Node.js", false},
        {"Node.jsx", "Node.js", false},
        {"aNode.js bNode.js Node.js.", "Node.js", true},  // the third occurrence counts
        {"TCP/IP协议", "TCP/IP", true},
        {"Pro\uFB01leKit", "ProfileKit", true},
        {"e\uFB03cient", "efficient", true},
        {"Go", "Go Go", false},
        {"", "", true},
        {"abc", "", true},
        {"", "Go", false},
    };
    for (const Case& c : cases) EXPECT_EQ(contains_term(c.text, c.term), c.contained) << c.text << " / " << c.term;
}

TEST(CommaLists, AnyTermMissing) {
    const std::vector<std::string> none;
    EXPECT_FALSE(any_term_missing(none, ""));
    const std::vector<std::string> terms = {"Go", "Rust", "Go", "Node.js"};
    EXPECT_FALSE(any_term_missing(terms, "Go、Rust和Node.js"));
    EXPECT_TRUE(any_term_missing(terms, "Go、Rust"));
    EXPECT_TRUE(any_term_missing(terms, "Rust、Node.js"));
}

TEST(CommaLists, SplitTrimmed) {
    struct Case {
        const char* text;
        std::u32string_view separators;
        std::vector<std::string_view> pieces;
    };
    const Case cases[] = {
        {" a, b,,c ,", U",", {"a", "b", "c"}},
        {"  ", U",", {}},
        {" x\u3000", U",", {"x"}},
        {"甲、乙，丙,丁、", U",\u3001\uFF0C", {"甲", "乙", "丙", "丁"}},
        {"甲、乙", U",", {"甲、乙"}},
    };
    for (const Case& c : cases) EXPECT_EQ(split_trimmed(c.text, c.separators), c.pieces) << c.text;
}

TEST(CommaLists, ExpandLigatures) {
    EXPECT_EQ(expand_ligatures("\uFB00\uFB01\uFB02\uFB03\uFB04"), "fffiflffiffl");
    EXPECT_EQ(expand_ligatures("caf\u00e9 \uFB05 ok"), "caf\u00e9 \uFB05 ok");
    EXPECT_EQ(expand_ligatures(std::string("a\xFF\uFB01", 5)), std::string("a\xFF" "fi", 4));
}

// Pairs built to make a careless check slow: every one must come back at once
// (the test run's time limit stops a quadratic search long before it ends).
TEST(CommaLists, HostilePairsEndAtOnce) {
    // Thousands of distinct terms, all kept.
    constexpr int kTerms = 20000;
    std::string source;
    std::string translation = "工具";
    for (int i = 0; i < kTerms; ++i) {
        const std::string term = "Tool" + std::to_string(i) + "X";
        source += term + ", ";
        translation += "、" + term;
    }
    source += "apples";
    EXPECT_FALSE(list_items_lost(source, translation));
    EXPECT_TRUE(list_items_lost(source + ", Tool" + std::to_string(kTerms) + "X", translation + "、某"));

    // A long dotted term against a translation that repeats its beginning:
    // an occurrence of the term's prefix at every third byte.
    std::string term;
    for (int i = 0; i < 50'000; ++i) term += "aA.";
    term += "b";
    std::string periodic = "中、中、中、中、中、中、";
    for (int i = 0; i < 1'000'000; ++i) periodic += "aA.";
    EXPECT_TRUE(list_items_lost("apples, pears, plums, figs, limes, dates, " + term, periodic));
    EXPECT_FALSE(contains_term(periodic, term));
    EXPECT_TRUE(contains_term(periodic + "b", term));
}

}  // namespace
}  // namespace zvk
