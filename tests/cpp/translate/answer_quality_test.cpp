#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "translate/answer_quality.h"

namespace zvk {
namespace {

std::vector<char32_t> decode(std::string_view text) {
    std::vector<char32_t> chars;
    for (Utf8Step step : Utf8Range(text)) chars.push_back(step.scalar);
    return chars;
}

std::string repeat(std::string_view piece, int times) {
    std::string out;
    out.reserve(piece.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

// 40 and 39 ASCII letters.
const std::string kForty = "abcdefghij abcdefghij abcdefghij abcdefghij";
const std::string kThirtyNine = "abcdefghij abcdefghij abcdefghij abcdefghi";

TEST(AnswerQuality, StillEnglish) {
    struct Case {
        const char* name;
        std::string source;
        std::string answer;
        bool still_english;
    };
    const Case cases[] = {
        {"copied sentence", "Results are shown below", "Results are shown below", true},
        {"copied, other white space", "  Results are shown below\n", "Results are shown below", true},
        {"translated", "Results are shown below", "结果如下所示", false},
        {"kana in the source", "Results are shown below \u30AB", "Results are shown below \u30AB", false},
        {"full-width mark in the answer", "Results are shown below", "Results are shown below\uFF01", false},
        {"ideographic space in the answer", kForty, kForty + "\u3000" + kForty, false},
        {"name of two words", "John Smith", "John Smith", false},
        {"organisation is no name", "Stanford University", "Stanford University", true},
        {"six names exceed the short limit", "Ann Bea Cid Dee Eve Fay", "Ann Bea Cid Dee Eve Fay", true},
        {"links only", "https://example.org me@example.org", "https://example.org me@example.org", false},
        {"a bulleted link", "\u2022 www.example.org", "\u2022 www.example.org", false},
        {"words beside a link", "Visit our website https://example.org", "Visit our website https://example.org",
         true},
        {"40 letters on both sides", kForty, "klmnopqrst klmnopqrst klmnopqrst klmnopqrst", true},
        {"39 letters in the source", kThirtyNine, kForty + " " + kForty, false},
        {"39 letters in the answer", kForty, "klmnopqrst klmnopqrst klmnopqrst klmnopqrs", false},
        {"French answer", "The results of the experiment are shown in the table below.",
         "Les r\u00e9sultats de l'exp\u00e9rience sont pr\u00e9sent\u00e9s dans le tableau ci-dessous.", true},
        {"ellipsis", "Outcomes", "\u2026\u2026", true},
        {"dots and spaces", "Outcomes", ". . .", true},
        {"middle dots", "Outcomes", "\u00B7\u00B7\u00B7", true},
        {"dots for seven letters", "Outcome", "...", false},
        {"dots and a tab", "Outcomes", ".\t.", false},
        {"ideographic full stops", "Outcomes", "\u3002\u3002\u3002", false},
        {"empty answer", "Outcomes", "", false},
        {"bullet dropped by the answer", "\u2022 Results are shown below", "Results are shown below", true},
        {"hyphen bullet", "- Results are shown below", "Results are shown below", true},
        {"one word copied", "Introduction", "Introduction", false},
        {"acronyms copied", "NASA ESA JAXA", "NASA ESA JAXA", false},
        {"acronyms and a word", "NASA ESA Mars", "NASA ESA Mars", true},
        {"fewer than 8 letters", "Go on now", "Go on now", false},
        {"another English text", "Results are shown below", "The results are shown below", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_still_english(c.source, c.answer), c.still_english) << c.name;
}

// Each row shows one indicator alone, so the count is 0 or 1; the last rows
// add several.
TEST(AnswerQuality, ProblemCount) {
    struct Case {
        const char* name;
        std::string source;
        std::string answer;
        unsigned count;
    };
    const std::string long_source = "We study the results of the model here";
    const Case cases[] = {
        // 1: doubled word.
        {"doubled English word", "A source", "the the", 1},
        {"doubled digits", "A source", "2 2", 0},
        {"the source doubles it too", "the the end", "the the", 0},
        {"doubled CJK word", "Data. Data.", "数据。 数据。", 1},
        {"doubled dashes", "x", "- - -", 1},
        {"dashes the source doubles", "- - x", "- - -", 0},
        {"digits first, then a word", "y", "2 2 x3 x3", 1},
        {"one word", "y", "x3", 0},
        // 2: CJK gap.
        {"gap in a word", "Data", "数 据", 1},
        {"chapter label", "Chapter 3", "第 3 章", 0},
        {"figure label", "Figure table", "图 表格", 0},
        // 3: more sentence ends.
        {"three ends for two", "One end. Two ends.", "一。二。三。", 1},
        {"ASCII ends are not counted", "One end. Two ends.", "一. 二. 三.", 0},
        {"figure abbreviation", "See Fig. 3.", "见图3。", 0},
        {"figure abbreviation, two ends", "See Fig. 3.", "见图3。。", 1},
        {"e.g. at the end", "for example e.g.", "例如。", 1},
        {"question and final stop", "Why? Because.", "为什么？因为。", 0},
        {"question and final stop, three ends", "Why? Because.", "为什么？因为。好的！", 1},
        {"stop before a closing quote at the end", "He said \"Stop.\"", "他说“停。”", 1},
        {"stop before a closing quote and a capital", "He said \"Stop.\" Then left", "他说“停。”然后离开", 0},
        {"title abbreviation", "Dr. Smith arrived", "史密斯博士到了。", 1},
        {"exclamation anywhere", "wow! and so on", "哇！", 0},
        // 4: English words left.
        {"run of five", long_source, "学习 the results of the model", 0},
        {"run of three with common words", long_source, "使用 of the model 方法", 1},
        {"run of four", long_source, "使用 of the big model 方法", 1},
        {"ideographs never in a row", long_source, "使 of the model 法", 0},
        {"no ideograph at all", long_source, "results of the model", 1},
        {"run without a common word", long_source, "使用 results model table 方法", 0},
        {"punctuation around the run", long_source, "使用 (of the model) 方法", 1},
        {"a number ends the run", long_source, "使用 of the 2 model 方法", 0},
        // 5: half-kept phrase.
        {"one word kept, one lost", "Deep Learning", "Deep 学习", 1},
        {"kept word lower-cased", "Deep Learning", "deep 学习", 1},
        {"common word kept", "The Model", "the 模型", 1},
        {"nothing kept", "Deep Learning", "深度学习", 0},
        {"both kept", "Deep Learning", "Deep Learning 深度学习", 0},
        {"kept word not in the source", "Deep Learning", "Model 学习", 0},
        {"other word found beside CJK", "Graph Learning", "Graph 学习（learning）", 0},
        {"source of seven words", "Deep learning for analysis of large graphs", "Deep 学习", 0},
        // 6: lost list items.
        {"term of a list translated", "Go, Ada, Nix, Mozilla, PyTorch, GitHub, LaTeX",
         "Go、Ada、Nix、Mozilla、PyTorch、GitHub、乳胶", 1},
        {"list kept", "Go, Ada, Nix, Mozilla, PyTorch, GitHub, LaTeX", "Go、Ada、Nix、Mozilla、PyTorch、GitHub、LaTeX", 0},
        // Several at once.
        {"three defects", "Deep Learning", "the the 数 据。。", 3},
        {"four defects", "Deep Learning", "the the 数 据。。 使用 of the model 方法", 4},
    };
    for (const Case& c : cases) EXPECT_EQ(has_quality_problem(c.source, c.answer), c.count) << c.name;
}

TEST(AnswerQuality, CjkSpaceGaps) {
    struct Case {
        const char* text;
        std::vector<CjkSpaceGap> gaps;
    };
    const Case cases[] = {
        {"数 据", {{3, 4}}},
        {"数据 分析", {{6, 7}}},
        {"第 3 章", {}},
        {"图 表格", {}},
        {"部分 结果", {}},
        {"附录 结果", {}},
        {"数据分析 方法", {}},
        {"数\u3000据", {{3, 6}}},
        {"数 \t 据", {{3, 6}}},
        {"a数 据 库", {{4, 5}, {8, 9}}},
        {"数据 分 析", {{6, 7}, {10, 11}}},
        {"数 ", {}},
        {"数", {}},
        {"数 x据", {}},
        {"数 \uFF0C据", {}},
        {"\u30AB \u30CA", {}},                 // kana is no ideograph
        {"\u3400 \u9FFF", {{3, 4}}},           // extension A and the last unified ideograph
        {"\uF900 \uFAFF", {{3, 4}}},           // compatibility ideographs
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(find_cjk_space_gaps(c.text), c.gaps) << c.text;
}

TEST(AnswerQuality, SentenceEnds) {
    struct Case {
        const char* text;
        std::size_t position;
        bool end;
    };
    const Case cases[] = {
        {"End. Next", 3, true},
        {"End. Next", 0, false},             // no mark there
        {"End.", 3, false},                  // the end of the text
        {"End.  ", 3, false},
        {"End. next", 3, false},
        {"End. 3", 3, false},
        {"Fig. Next", 3, false},
        {"FIG. Next", 3, false},
        {"e.g. The", 3, false},              // the run before is the single letter g
        {"I. Then", 1, false},
        {"Mr. Smith", 2, false},
        {"Approx. Ten", 6, false},
        {"Approxi. Ten", 7, true},
        {"End.\" Next", 3, true},
        {"End.' Next", 3, true},
        {"End.\u00BB Next", 3, true},
        {"End.\u2019 Next", 3, true},
        {"End.\u201D Next", 3, true},
        {"End.\u300D Next", 3, true},
        {"End.\u300F Next", 3, true},
        {"End.\u201D", 3, false},            // a closing quote, then the end
        {"End.) Next", 3, false},
        {"End.\u00A0Next", 3, true},
        {"End! Next", 3, true},
        {"End? Next", 3, true},
        {"End\u3002 Next", 3, false},
        {".Next", 0, true},                  // no word before: no abbreviation
        {"3. Next", 1, true},
    };
    for (const Case& c : cases) {
        const std::vector<char32_t> chars = decode(c.text);
        EXPECT_EQ(is_sentence_end_at(chars, c.position), c.end) << c.text << " @" << c.position;
    }
}

TEST(AnswerQuality, Abbreviations) {
    struct Case {
        const char* word;
        bool abbreviation;
    };
    const Case cases[] = {
        {"", false},     {"a", true},      {"\u00e9", true},  {"Fig", true},    {"FIG", true},
        {"approx", true}, {"approxx", false}, {"figs", false}, {"ab", false},   {"etc", true},
        {"Prof", true},  {"al", true},     {"vs", true},      {"no", true},     {"ok", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_abbreviation(c.word), c.abbreviation) << c.word;
}

TEST(AnswerQuality, EnglishWords) {
    struct Case {
        const char* word;
        std::optional<std::string> english;
    };
    const Case cases[] = {
        {"Don't,", "dont"},
        {"the,", "the"},
        {"The", "the"},
        {"a", "a"},
        {"ox", std::nullopt},
        {"iPhone", std::nullopt},
        {"JavaScript", std::nullopt},
        {"McDonald", std::nullopt},
        {"NASA", std::nullopt},
        {"COVID-19", std::nullopt},
        {"X-ray", std::nullopt},
        {"well-known", "wellknown"},
        {"\u2014results\u2014", "results"},
        {"\u201Cquoted\u201D", "quoted"},
        {"(model).", "model"},
        {"caf\u00e9", std::nullopt},
        {"...", std::nullopt},
        {"x2", std::nullopt},
        {"\u2018results\u2019", std::nullopt},  // single curly quotes are not trimmed
        {"Results", "results"},
    };
    for (const Case& c : cases) EXPECT_EQ(english_word_of(c.word), c.english) << c.word;
    const std::vector<std::string> words = {"the", "dont", "model"};
    EXPECT_EQ(english_words_of("The 2 Don't iPhone (model)."), words);
}

TEST(AnswerQuality, WordsIgnoringCase) {
    struct Case {
        const char* text;
        const char* word;
        bool contained;
    };
    const Case cases[] = {
        {"Deep Learning", "learning", true},
        {"Deep Learnings", "learning", false},
        {"\u5B66\u4E60learning", "learning", true},
        {"", "x", false},
        {"abc", "  ", false},
        {"Go go", " GO ", true},
        {"xgo go", "go", true},      // the second occurrence counts
        {"gogo", "go", false},
        {"a-b", "a", true},
        {"a1", "a", true},           // a digit is no letter
    };
    for (const Case& c : cases) {
        EXPECT_EQ(contains_word_ignoring_case(c.text, c.word), c.contained) << c.text << " / " << c.word;
    }
    EXPECT_TRUE(has_camel_case_step("iPhone"));
    EXPECT_TRUE(has_camel_case_step("McDonald"));
    EXPECT_FALSE(has_camel_case_step("NASA"));
    EXPECT_FALSE(has_camel_case_step("Hello World"));
    EXPECT_FALSE(has_camel_case_step("a B"));
}

TEST(AnswerQuality, LinksAndTranslatableWords) {
    struct LinkCase {
        const char* text;
        bool links_only;
    };
    const LinkCase links[] = {
        {"https://x.org me@x.org", true}, {"\u2022 https://x.org", true}, {"see https://x.org", false},
        {"", false},                      {"HTTP://X.ORG", false},        {"www.x.org", true},
        {"WWW.X.ORG", false},             {"http:/x.org", false},
    };
    for (const LinkCase& c : links) EXPECT_EQ(is_link_only_text(c.text), c.links_only) << c.text;

    const std::vector<std::string_view> words = {"Visit", "or", "ok"};
    EXPECT_EQ(translatable_words("Visit https://x.org or me@x.org, www.y.com 42 3.5 ok"), words);
    EXPECT_EQ(translatable_words("ftp://a b"), std::vector<std::string_view>{"b"});

    struct WordsCase {
        const char* text;
        bool translatable;
    };
    const WordsCase texts[] = {
        {"Introduction", false}, {"NASA ESA JAXA", false}, {"Go on", false},     {"NASA ESA Mars", true},
        {"ABCDEF GH", true},     {"AB CD EF GH", false},   {"Results are", true}, {"A1 B2 C3 D4 E5 F6 G7 H8", false},
        {"see https://a.b/c", false},
    };
    for (const WordsCase& c : texts) EXPECT_EQ(has_translatable_words(c.text), c.translatable) << c.text;
}

TEST(AnswerQuality, LeadingBullets) {
    struct Case {
        const char* text;
        const char* stripped;
    };
    const Case cases[] = {
        {"  \u2022 Results  ", "Results"}, {"- item", "item"},   {"-item", "-item"}, {"\u2013", ""},
        {"  plain ", "plain"},             {"\u2022", ""},       {"\uE000 x", "x"},  {"\u2022\u2022 x", "\u2022 x"},
    };
    for (const Case& c : cases) EXPECT_EQ(strip_leading_bullet_copy(c.text), c.stripped) << c.text;
}

TEST(AnswerQuality, WordsRepeatedInARow) {
    struct Case {
        const char* text;
        const char* word;
        bool repeated;
    };
    const Case cases[] = {
        {"the the end", "the", true},  {"the end the", "the", false}, {"- - x", "-", true},
        {"the", "the", false},         {"", "", false},               {"a\u3000a", "a", true},
        {"The the", "the", false},     {"x y y", "y", true},          {"x y y", "x", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(repeats_word_in_a_row(c.text, c.word), c.repeated) << c.text << " / " << c.word;
        // The collected set answers as the scan does.
        EXPECT_EQ(WordsRepeatedInARow(c.text).contains(c.word), c.repeated) << c.text << " / " << c.word;
    }
}

// Pairs built to make a careless check slow: every one must come back at once
// (the test run's time limit stops a quadratic check long before it ends).
TEST(AnswerQuality, HostilePairsEndAtOnce) {
    // A million doubled dashes against a long source that doubles the dash
    // too: asking the source once per pair would scan it a million times.
    const std::string dash_source = "- -" + repeat(" word", 200'000);
    EXPECT_EQ(has_quality_problem(dash_source, repeat("- ", 1'000'000)), 0u);
    EXPECT_EQ(has_quality_problem(dash_source, repeat("- ", 1'000'000) + "x x"), 1u);

    // A million sentence ends: decoding the source per position is quadratic.
    const std::string ends_source = repeat("Ab. ", 1'000'000);
    EXPECT_EQ(has_quality_problem(ends_source, repeat("\u3002", 1'000'000)), 0u);
    EXPECT_EQ(has_quality_problem(ends_source, repeat("\u3002", 1'000'001)), 1u);

    // A long source word looked for in an answer where it occurs at every
    // other byte, never as a whole word.
    const std::string long_word = repeat("ab", 50'000);
    EXPECT_EQ(has_quality_problem(long_word + " Learning", "learning \u5B66\u4E60x" + repeat("ab", 500'000)), 1u);

    // A comma list of thousands of terms, all kept.
    std::string list;
    std::string kept = "\u5DE5\u5177";
    for (int i = 0; i < 20'000; ++i) {
        const std::string term = "Tool" + std::to_string(i) + "X";
        list += term + ", ";
        kept += "\u3001" + term;
    }
    list += "apples";
    EXPECT_EQ(has_quality_problem(list, kept), 0u);
}

}  // namespace
}  // namespace zvk
