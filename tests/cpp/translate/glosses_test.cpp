// English glosses in parentheses: the word tests, the decisions on the cases
// translators produce, agreement of the one-sweep walk with reading every
// group's inner text, and a walk over a million opening parentheses.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"
#include "translate/glosses.h"

namespace zvk {
namespace {

TEST(Glosses, EditTable) {
    struct Row {
        const char* name;
        const char* in;
        const char* want;
    } rows[] = {
        {"gloss reduced to its acronym", "大型语言模型（Large Language Model, LLM）", "大型语言模型（LLM）"},
        {"ASCII parentheses keep their kind", "检索增强生成 (Retrieval-Augmented Generation, RAG)",
         "检索增强生成 (RAG)"},
        {"one lower-case word removed", "注意力（attention）", "注意力"},
        {"hyphenated lower-case word removed", "自注意力（self-attention）", "自注意力"},
        {"spaced words without acronym removed", "模型（Large Language Model）", "模型"},
        {"two acronyms removed", "模型（LLMs and RAG）", "模型"},
        {"capitalised word kept", "模型（Transformer）", "模型（Transformer）"},
        {"subscripted variables kept", "（x_1, x_2）", "（x_1, x_2）"},
        {"log with base kept", "（log2 n）", "（log2 n）"},
        {"function of a Greek letter kept", "（sin θ）", "（sin θ）"},
        {"year kept", "（2019）", "（2019）"},
        {"equation with '=' removed", "样本（n = 10）很少", "样本很少"},
        {"citation kept", "（Vaswani et al., 2017）", "（Vaswani et al., 2017）"},
        {"et al in capitals kept", "(Smith ET AL)", "(Smith ET AL)"},
        {"web address kept", "见（see https://a.b/c）", "见（see https://a.b/c）"},
        {"www kept", "(visit www.example)", "(visit www.example)"},
        {"Chinese inside kept", "（模型 model）", "（模型 model）"},
        {"version with dots kept", "（ver1.2.3）", "（ver1.2.3）"},
        {"more than three digits kept", "（3.14.15）", "（3.14.15）"},
        {"no closing parenthesis", "模型（attention", "模型（attention"},
        {"kinds never cross", "模型(attention）", "模型(attention）"},
        {"kinds never cross, full-width opening", "模型（attention)", "模型（attention)"},
        {"nested group decided on its own", "外层（模型（model））", "外层（模型）"},
        {"empty group kept", "空（ ）", "空（ ）"},
        {"separators only kept", "（, ;）", "（, ;）"},
        {"spaces around a removed group stay", "词 (word) 后", "词  后"},
        {"seven math tokens are no formula", "(a b c d e f g)", ""},
        {"six math tokens are one", "(a b c d e f)", "(a b c d e f)"},
        {"lone capital kept as a math token", "（A）", "（A）"},
        {"CamelCase and acronym kept", "（ResNet, BiLSTM）", "（ResNet, BiLSTM）"},
        {"one acronym among spaced words", "（the Internet of Things, IoT）", "（IoT）"},
        {"single lower-case word with digit kept", "（model2）", "（model2）"},
        {"space inside only counts after trimming", "（ attention ）", ""},
        {"two groups in a row", "甲（alpha beta）乙（GPU）丙", "甲乙（GPU）丙"},
        {"outer group ends at the first closing one", "(x (foo bar))", ")"},
        {"text without parentheses", "普通文本 plain", "普通文本 plain"},
        {"invalid UTF-8 copied byte for byte", "a\xff(word)b\xfe", "a\xff" "b\xfe"},
    };
    for (const Row& r : rows) EXPECT_EQ(edit_parenthesised_glosses(r.in), r.want) << r.name;
}

TEST(Glosses, AcronymLike) {
    struct Row {
        const char* word;
        bool want;
    } rows[] = {
        {"LLM", true},   {"LLMs", true},  {"IoT", true},         {"R&D", true},
        {"3GPP", true},  {"GPT4", true},  {"GPT-4", false},      {"A", false},
        {"Transformer", false}, {"iOS", false}, {"ABCDEFGHI", false}, {"ABCDEFGH", true},
        {"AbC", true},   {"Abc", false},  {"", false},           {"L\u00e9M", false},
    };
    for (const Row& r : rows) EXPECT_EQ(is_acronym_like(r.word), r.want) << r.word;
}

TEST(Glosses, SplitWords) {
    const std::vector<std::string_view> want = {"a", "b", "c", "d", "e", "f", "g"};
    EXPECT_EQ(split_gloss_words("  a,b/c;d\u3001e\uff0cf\uff1b g\u3000"), want);
    EXPECT_TRUE(split_gloss_words(",,; ").empty());
}

TEST(Glosses, MathTokensDecideFormulas) {
    // Each inner text is spaced, so a word that is no math token (and no
    // identifier) gets the group removed: the decision shows the token test.
    struct Row {
        const char* inner;
        bool kept;
    } rows[] = {
        {"ln x", true},      {"LN x", true},       {"exp x", true},    {"Max x", true},
        {"log2 x", true},    {"Log10 x", true},    {"log_b x", true},  {"log2.5 x", false},
        {"2^10 x", true},    {"\u2081\u2082 x", true}, {"n\u00b2 x", true}, {"\u03b1 x", true},
        {"\u2211 x", true},  {"xy z", false},      {"x' y", true},     {"lnx y", false},
    };
    for (const Row& r : rows) {
        const GlossDecision d = decide_gloss_group(r.inner);
        EXPECT_EQ(d.kind == GlossDecision::Kind::Keep, r.kept) << r.inner;
    }
}

// Reads every group's inner text again at each opening parenthesis: the
// walk as the rules say it, slow but plain.
std::string walk_by_rereading(std::string_view text) {
    std::vector<Utf8Step> chars;
    for (Utf8Step step : Utf8Range(text)) chars.push_back(step);
    std::string out;
    std::size_t i = 0;
    while (i < chars.size()) {
        const char32_t c = chars[i].scalar;
        const std::string_view bytes = text.substr(chars[i].offset, chars[i].length);
        if (c != U'(' && c != 0xFF08) {
            out += bytes;
            ++i;
            continue;
        }
        const char32_t close = c == U'(' ? U')' : 0xFF09;
        std::size_t j = i + 1;
        while (j < chars.size() && chars[j].scalar != close) ++j;
        if (j == chars.size()) {
            out += bytes;
            ++i;
            continue;
        }
        const std::size_t inner_begin = chars[i].offset + chars[i].length;
        const std::string_view inner = text.substr(inner_begin, chars[j].offset - inner_begin);
        const GlossDecision d = decide_gloss_group(trim_white_space(inner));
        if (d.kind == GlossDecision::Kind::Keep) {
            out += bytes;
            ++i;
            continue;
        }
        if (d.kind == GlossDecision::Kind::Reduce) {
            out += bytes;
            out += d.acronym;
            out += text.substr(chars[j].offset, chars[j].length);
        }
        i = j + 1;
    }
    return out;
}

TEST(Glosses, SweepAgreesWithRereadingEveryGroup) {
    // Pieces chosen to reach every rule: both parenthesis kinds, spaces and
    // other separators, acronyms, identifiers, math tokens, digits, the
    // sought substrings and Chinese.
    const std::vector<std::string> pieces = {
        "(", ")", "\uff08", "\uff09", " ", " ", "\t", ",", "\u3001", "a", "b", "x", "L", "M", "Io",
        "T", "1", "2", "_", ".", "-", "'", "ln", "log", "sin", "http", "www.", "et al", "Et Al",
        "中", "\u03b1", "\u00b2", "=", "&", "R", "attention", "Model"};
    std::mt19937 random(44);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 18);
    for (int round = 0; round < 30000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) text += pieces[pick(random)];
        ASSERT_EQ(edit_parenthesised_glosses(text), walk_by_rereading(text)) << text;
    }
}

TEST(Glosses, MillionOpeningParenthesesEndAtOnce) {
    // Every group ends at the one ')': each is one long word of '(' that no
    // rule removes, so all stay; re-reading the inner texts would take hours.
    const std::string many(1'000'000, '(');
    EXPECT_EQ(edit_parenthesised_glosses(many + ")"), many + ")");
    // The last group is a gloss and goes; the million before it stay.
    EXPECT_EQ(edit_parenthesised_glosses(many + "(attention)"), many);
    // With spaces the first group already reads as an English phrase and
    // takes everything with it.
    std::string spaced;
    for (int i = 0; i < 300'000; ++i) spaced += "( a";
    EXPECT_EQ(edit_parenthesised_glosses("前" + spaced + ")后"), "前后");
    std::string full_width;
    for (int i = 0; i < 300'000; ++i) full_width += "\uff08";
    EXPECT_EQ(edit_parenthesised_glosses(full_width + "LLM\uff09"), full_width + "LLM\uff09");
}

}  // namespace
}  // namespace zvk
