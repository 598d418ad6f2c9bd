// The last post-edit of a translated segment: each step on the faults it
// mends, and the steps that end the edit early.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "translate/normalize.h"
#include "translate/post_edit.h"
#include "translate/section_labels.h"

namespace zvk {
namespace {

struct Row {
    const char* name;
    const char* source;
    const char* translation;
    const char* want;
};

void expect_rows(std::initializer_list<Row> rows) {
    for (const Row& r : rows) EXPECT_EQ(post_edit_translation(r.source, r.translation), r.want) << r.name;
}

TEST(PostEdit, StartsWithWord) {
    struct Case {
        const char* text;
        const char* word;
        bool want;
    } cases[] = {
        {"Note: x", "note", true}, {"Notes", "note", false}, {"note", "note", true},
        {"not", "note", false},    {"NOTE2", "note", true},  {"Note\u00e9", "note", true},
    };
    for (const Case& c : cases) EXPECT_EQ(starts_with_word(c.text, c.word), c.want) << c.text;
}

TEST(PostEdit, PartAndChapterHeadings) {
    expect_rows({
        {"word alone keeps the source", "Part", "第部分", "Part"},
        {"empty translation of a word alone", "Part", "", "Part"},
        {"one CJK character", "Chapter 3", "章", "Chapter 3"},
        {"one CJK character among white space", "CHAPTER 12", " 章 ", "CHAPTER 12"},
        {"number first", "3 Part", "部", "3 Part"},
        {"full translation goes on", "Chapter 3", "第3章", "第3章"},
        {"roman numeral is no heading", "Part IV", "部", "部"},
        {"three words are no heading", "Part 3 Overview", "部", "部"},
        {"one Latin character goes on", "Part 3", "x", "x"},
    });
}

TEST(PostEdit, PromptTags) {
    expect_rows({
        {"tag named in Chinese", "<instruction>", "<instruction>", "<指令>"},
        {"case ignored, nothing later runs", "<instruction>", "<Instruction> 注意力（attention）",
         "<指令> 注意力（attention）"},
        {"closing tag", "</instruction>", "</Instruction>", "</指令>"},
        {"several tags", " <persona> <outputformat> ", "<PERSONA>角色<OutputFormat>", "<角色>角色<输出格式>"},
        {"source with words leaves tags alone", "<instruction> Summarise", "<instruction> 总结",
         "<instruction> 总结"},
        {"no table tag: the other steps run", "<instruction>", "<foo>注意力（attention）", "<foo>注意力"},
        {"tag with a space is no tag", "<instruction>", "< instruction>", "< instruction>"},
    });
}

TEST(PostEdit, ChineseGateAndFixedPhrases) {
    expect_rows({
        {"kana only comes back unchanged", "Note: high stakes attributes and properties", "Note: カナ 42",
         "Note: カナ 42"},
        {"English only comes back unchanged", "Note: keep", "Note: keep (the answer short)",
         "Note: keep (the answer short)"},
        {"gloss reduced", "the LLM", "大型语言模型（Large Language Model, LLM）", "大型语言模型（LLM）"},
        {"medium", "Medium article", "中篇（Medium）文章", "Medium文章"},
        {"medium, ASCII parentheses", "Medium article", "中篇(Medium)文章", "Medium文章"},
        {"name dropped", "x", "链（莱格链）与(莱格链)", "链与"},
        {"high stakes with trailing space", "high-stakes decisions", "高 stakes 决策", "高风险决策"},
        {"high stakes glued", "high stakes", "高stakes决策", "高风险决策"},
        {"High stakes is another case", "High stakes", "高 stakes 决策", "高 stakes 决策"},
        {"figure reference reordered", "x", "如1.2图所示", "如图1.2所示"},
        {"long figure numbers", "x", "如12.34图", "如图12.34"},
        {"figure reference with spaces stays", "x", "如 1.2 图", "如 1.2 图"},
        {"figure reference without point stays", "x", "如1图", "如1图"},
        {"figure reference without second number stays", "x", "如1.图", "如1.图"},
        {"attributes and properties", "Attributes and Properties", "属性和属性", "属性和特性"},
        {"attributes without properties", "attributes", "属性和属性", "属性和属性"},
    });
}

TEST(PostEdit, CalloutLabels) {
    expect_rows({
        {"polite form", "Note: keep the answer short.", "请注意，保持简短。", "注意：保持简短。"},
        {"English word left", "Note: keep the answer short.", "Note: 保持简短。", "注意：保持简短。"},
        {"label alone stays", "Note: keep the answer short.", "注意", "注意"},
        {"Notes triggers nothing", "Notes: keep it short.", "请注意，保持简短。", "请注意，保持简短。"},
        {"warning with space", "  Warning: hot", "警告 小心", "警告：小心"},
        {"tip already in form", "TIP 1", "提示：试试", "提示：试试"},
        {"definition first in table order", "Definition: x", "定义:一个", "定义：一个"},
        {"translation without the label stays", "Note: x", "保持简短", "保持简短"},
    });
}

TEST(PostEdit, SectionLabelStockUserAndAt) {
    expect_rows({
        {"section label alias", "INSTRUCTION: Summarise", "说明：总结", "说明：总结"},
        {"section label put in front", "OUTPUT: JSON", "输出结果为JSON", "输出：输出结果为JSON"},
        {"stock label", "x", "股票 3 ：", "股票3："},
        {"stock label in a sentence", "x", "股票 12 : 上涨", "股票12：上涨"},
        {"stock label with the other colon", "x", "股票7\ufe55 跌", "股票7：跌"},
        {"stock without colon stays", "x", "见股票3", "见股票3"},
        {"stock without digits stays", "x", "股票：涨", "股票：涨"},
        {"user request", "Send it to the user", "发给用户请求", "发给用户"},
        {"request in the source", "Request: send it to the user", "发给用户请求", "发给用户请求"},
        {"user not at the end", "user guide", "用户请求指南", "用户请求指南"},
        {"dangling at", "available at", "可在 at  ", "可在  "},
        {"at without space before", "available at", "可在at", "可在at"},
        {"source not ending in at", "look at it", "看 at", "看 at"},
    });
}

TEST(PostEdit, WholeChainKeepsTextValid) {
    // The rewriter's chain on texts made of the pieces the edits look for:
    // edits that cut or copy by bytes must never split a character.
    const std::vector<std::string> pieces = {
        "Part", "part", " ", "\u3000", "3", "\uff13", "部分", "第", "•", "\uf0b7", "- ", "1. ", "(", ")",
        "\uff08", "\uff09", "LLM", "attention", "如", "1.2", "图", "股票", ":", "\uff1a", "<", ">", "/",
        "instruction", "Note", "注意", "请", "高 stakes", "\u201c", "\u201d", "\"", "-", "中", "文",
        "John Smith", "and ", "INSTRUCTION", "说明", "https://a.cn/x", "at", "user", "\xff"};
    std::mt19937 random(112);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 14);
    for (int round = 0; round < 20000; ++round) {
        std::string source;
        std::string translation;
        for (int n = length(random); n > 0; --n) source += pieces[pick(random)];
        for (int n = length(random); n > 0; --n) translation += pieces[pick(random)];
        // A lone 0xFF byte stands for broken input: the output may hold it
        // only where the input did.
        const bool valid = is_valid_utf8(source) && is_valid_utf8(translation);
        std::string text = normalize_translated_text(remove_cjk_hyphens(translation));
        text = restore_leading_bullet(source, text);
        text = restore_leading_number(source, text);
        text = fix_proper_name_line(source, text);
        text = post_edit_translation(source, text);
        text = post_edit_section_label(source, text);
        text += drop_long_english_runs(translation) + tidy_quotes_and_spaces(translation);
        if (valid) {
            ASSERT_TRUE(is_valid_utf8(text)) << source << " | " << translation;
        }
    }
}

}  // namespace
}  // namespace zvk
