// Prompt-section labels given one Chinese form, and the clean-ups around
// them: long English runs, stray quotation marks, hyphens between CJK
// characters, and the clean-up of batch answers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "translate/section_labels.h"

namespace zvk {
namespace {

TEST(SectionLabels, CapsLabelStarts) {
    struct Row {
        const char* text;
        const char* key;
        bool want;
    } rows[] = {
        {"INSTRUCTION:", "instruction", true},   {"INSTRUCTIONS", "instruction", true},
        {"Instruction:", "instruction", false},  {"TEXTBOOK", "text", true},
        {"TEXTbook", "text", false},             {"TEX", "text", false},
        {"OUTPUT FORMAT", "output format", true}, {"OUTPUT  FORMAT", "output format", false},
        {"TONE2", "tone", true},                 {"", "text", false},
    };
    for (const Row& r : rows) EXPECT_EQ(starts_with_caps_label(r.text, r.key), r.want) << r.text;
}

TEST(SectionLabels, MatchInTableOrder) {
    struct Row {
        const char* text;
        const char* label;  // nullptr: no row
    } rows[] = {
        {"OUTPUT FORMAT: JSON", "输出格式"}, {"OUTPUT: JSON", "输出"}, {"TEXTBOOK", "文本"},
        {"PERSONA", "角色"},                 {"Persona:", nullptr},     {" PERSONA", nullptr},
        {"EXAMPLES:", "示例"},               {"INPUTS", "输入"},
    };
    for (const Row& r : rows) {
        const SectionLabel* row = match_section_label(r.text);
        if (r.label == nullptr) {
            EXPECT_EQ(row, nullptr) << r.text;
        } else {
            ASSERT_NE(row, nullptr) << r.text;
            EXPECT_EQ(row->label, r.label) << r.text;
        }
    }
}

TEST(SectionLabels, RewriteLineTable) {
    struct Row {
        const char* name;
        const char* source;
        const char* translation;
        const char* want;
    } rows[] = {
        {"alias becomes the label", "INSTRUCTION: Summarise the text", "说明：总结文本", "说明：总结文本"},
        {"English label removed", "INSTRUCTION: Summarise the text", "Instruction: 总结文本", "指令：总结文本"},
        {"plural English label removed", "INSTRUCTIONS: Do this", "INSTRUCTIONS: 做这个", "指令：做这个"},
        {"space after alias", "PERSONA: Senior editor", "人设 资深编辑", "人设：资深编辑"},
        {"longest persona alias first", "PERSONA: Senior editor", "角色设定：资深编辑", "角色设定：资深编辑"},
        {"text row keeps its label", "TEXT: Original", "文字：原文", "文本：原文"},
        {"output followed by an ideograph is no alias", "OUTPUT: JSON", "输出结果为JSON", "输出：输出结果为JSON"},
        {"other aliases may run into an ideograph", "TONE: Friendly", "语调友好", "语调：友好"},
        {"empty after the alias", "CONTEXT:", "背景：", "背景"},
        {"already in form", "INSTRUCTION: Summarise", "指令：总结", "指令：总结"},
        {"output format English label", "OUTPUT FORMAT: JSON", "Output format: 使用JSON", "输出格式：使用JSON"},
        {"label already at the start of the rest", "TEXT: Original", "文字 文本：原文", "文本：原文"},
        {"ASCII colon after the label kept", "TEXT: Original", "文字 文本:原文", "文本:原文"},
        {"empty quotation dropped", "PERSONA: x", "人设：“ ”资深编辑", "人设：资深编辑"},
        {"source white space skipped", "  EXAMPLE: foo", "示例 富", "示例：富"},
        {"long English dropped", "INSTRUCTION: x",
         "说明：总结 as shown in the table above is good 文本", "说明：总结 文本"},
        {"no alias, label put in front", "INPUT: data", "  数据  ", "输入：数据"},
        {"not capitalised: unchanged", "Input: the data", "  输入 数据 ", "  输入 数据 "},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(rewrite_section_label_line(r.source, r.translation), r.want) << r.name;
    }
}

TEST(SectionLabels, PostEditSectionLabel) {
    struct Row {
        const char* name;
        const char* source;
        const char* translation;
        const char* want;
    } rows[] = {
        {"no label: long English dropped", "Input: the data", "输入：数据 as shown in the table above is good",
         "输入：数据"},
        {"no label: short English stays", "See the data", "见数据 in the table", "见数据 in the table"},
        {"label: rewritten", "INSTRUCTION: x", "说明：总结", "说明：总结"},
        {"label: English inside the text part dropped too", "PERSONA: x",
         "人设：编辑 who reads every single word twice", "人设：编辑"},
    };
    for (const Row& r : rows) EXPECT_EQ(post_edit_section_label(r.source, r.translation), r.want) << r.name;
}

TEST(SectionLabels, DropLongEnglishRuns) {
    struct Row {
        const char* name;
        const char* in;
        const char* want;
    } rows[] = {
        {"eight words removed", "结果 as shown in the table above is good 很好", "结果 很好"},
        {"five words stay", "结果 is shown in the table 很好", "结果 is shown in the table 很好"},
        {"single CJK character: never changed", "中 one two three four five six", "中 one two three four five six"},
        {"run at the end", "中文 one two three four five six", "中文"},
        {"single letters are no words", "中文 a b c d e f g h", "中文 a b c d e f g h"},
        {"digits inside words split them", "中文 a1 bb2 cc dd ee ff gg", "中文"},
        {"punctuation and curly quotes belong to the run",
         "中文 one, two; three: four (five) six \u201cseven\u201d", "中文"},
        {"a CJK character ends a run", "one two three 中 four five six seven 文",
         "one two three 中 four five six seven 文"},
        {"removal leaving under two CJK characters is undone",
         "\u3000one two three four five six seven\u3000", "\u3000one two three four five six seven\u3000"},
    };
    for (const Row& r : rows) EXPECT_EQ(drop_long_english_runs(r.in), r.want) << r.name;
}

TEST(SectionLabels, TidyQuotesAndSpaces) {
    struct Row {
        const char* name;
        const char* in;
        const char* want;
    } rows[] = {
        {"empty curly quotation", "他说\u201c \u201d好", "他说好"},
        {"opening mark before another opening mark", "甲\u201c乙\u201c丙\u201d", "甲乙\u201c丙\u201d"},
        {"several stray opening marks", "\u201ca\u201cb\u201cc\u201d", "ab\u201cc\u201d"},
        {"final opening mark stays", "好\u201c", "好\u201c"},
        {"empty ASCII quotation", "他说\"  \"好", "他说好"},
        {"ASCII quotation with text stays", "说\"好\"", "说\"好\""},
        {"curly opening, ASCII closing", "\u201c \"", ""},
        {"lone closing mark stays", "好\u201d", "好\u201d"},
        {"spaces merged", "a  b   c", "a b c"},
        {"tabs stay", "a\t\tb", "a\t\tb"},
        {"trimmed", " \u3000a \n", "a"},
    };
    for (const Row& r : rows) EXPECT_EQ(tidy_quotes_and_spaces(r.in), r.want) << r.name;
}

TEST(SectionLabels, RemoveCjkHyphens) {
    struct Row {
        const char* name;
        const char* in;
        const char* want;
    } rows[] = {
        {"between ideographs", "中-文", "中文"},
        {"white space around stays", "中 - 文", "中  文"},
        {"Latin on the right", "中-A", "中-A"},
        {"Latin both sides", "A-B", "A-B"},
        {"leading hyphen", "-中", "-中"},
        {"at the end", "中-", "中"},
        {"at the end after white space", "中 -  ", "中   "},
        {"hyphen U+2010 and soft hyphen", "中\u2010文\u00ad字", "中文字"},
        {"across a line break", "中-\n文", "中\n文"},
        {"full-width punctuation counts as CJK", "\uff0c-文", "\uff0c文"},
        {"web address untouched", "见 https://a.cn/中-文 页-面", "见 https://a.cn/中-文 页面"},
    };
    for (const Row& r : rows) EXPECT_EQ(remove_cjk_hyphens(r.in), r.want) << r.name;
    // A NUL on the right is a character, not the end of the text.
    const std::string nul("中-\0", 5);
    EXPECT_EQ(remove_cjk_hyphens(nul), nul);
}

TEST(SectionLabels, CleanAnswerTexts) {
    const std::vector<std::pair<std::size_t, std::string>> answers = {
        {3, "中-文 part 3"}, {1, "Part 2"}, {7, "第3部-分"}, {0, ""}};
    const std::vector<std::pair<std::size_t, std::string>> want = {
        {3, "中文 部分 3"}, {1, "第 2 部分"}, {7, "第 3 部分"}, {0, ""}};
    EXPECT_EQ(clean_answer_texts(answers), want);
}

}  // namespace
}  // namespace zvk
