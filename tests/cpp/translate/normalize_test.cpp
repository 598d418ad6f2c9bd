// Normalisation of translated texts and restoring the list markers their
// sources start with.
#include <gtest/gtest.h>

#include <string>

#include "translate/normalize.h"

namespace zvk {
namespace {

TEST(Normalize, TranslatedTextTable) {
    struct Row {
        const char* name;
        const char* in;
        const char* want;
    } rows[] = {
        {"lone part number", "Part 3", "第 3 部分"},
        {"lone part number keeps outer white space", "  PART12 ", "  第 12 部分 "},
        {"letter after part", "Party 3", "Party 3"},
        {"part word in Chinese", "这是 part 的一个", "这是 部分 的一个"},
        {"partial, apart and URL part stay",
         "partial 与 apart 见 https://x.org/part 和 www.part.cn", "partial 与 apart 见 https://x.org/part 和 www.part.cn"},
        {"part before a digit", "见part2节", "见部分2节"},
        {"part in capitals", "见 PART 二", "见 部分 二"},
        {"part glued to a URL", "parthttp://a 中", "parthttp://a 中"},
        {"part then heading order", "Part 3 概述", "第 3 部分 概述"},
        {"ordinal heading spaced", "第3部分：方法", "第 3 部分：方法"},
        {"ordinal heading loose spaces", "第  7   部分", "第 7 部分"},
        {"bullet stays in front", "• 部分 2", "• 第 2 部分"},
        {"hyphen bullet stays in front", "  -  部分2 综述", "  -  第 2 部分 综述"},
        {"full-width digit", "部分 ３", "第 3 部分"},
        {"ideograph after the digits", "部分3概述", "第 3 部分概述"},
        {"no CJK, no part number", "  Plain English text. ", "  Plain English text. "},
        // A number longer than two digits is no part number.
        {"three digits after part", "Part 123", "部分 123"},
        {"three full-width digits", "部分 １２３", "部分 １２３"},
        {"three digits in an ordinal heading", "第 123 部分", "第 123 部分"},
        // The digits begin a measure or a name, not a heading.
        {"digits then a letter", "部分3D模型", "部分3D模型"},
        {"digits then a percent sign", "部分 30%的用户", "部分 30%的用户"},
        {"digits then a full-width percent sign", "部分 30％的用户", "部分 30％的用户"},
        {"digits then a decimal point", "部分 3.5倍", "部分 3.5倍"},
        {"digits then a thousands comma", "部分 1,000人", "部分 1,000人"},
        {"third digit of mixed widths", "部分 1２3", "部分 1２3"},
        {"mixed widths read as one number", "部分 1２", "第 12 部分"},
        {"point that ends a sentence", "部分 3.", "第 3 部分."},
        {"comma after the number", "部分 3，见下", "第 3 部分，见下"},
        {"no digits after part", "部分内容", "部分内容"},
        {"ordinal without part", "第3章", "第3章"},
        {"empty", "", ""},
    };
    for (const Row& r : rows) EXPECT_EQ(normalize_translated_text(r.in), r.want) << r.name;
}

TEST(Normalize, LeadingDigits) {
    struct Row {
        const char* in;
        bool found;
        const char* digits;
        const char* rest;
    } rows[] = {
        {"12 x", true, "12", " x"},   {"123", true, "12", "3"},  {"１２３", true, "12", "３"},
        {"7部分", true, "7", "部分"}, {"x1", false, "", ""},     {"", false, "", ""},
        {"9１", true, "91", ""},
    };
    for (const Row& r : rows) {
        const auto got = take_leading_digits(r.in);
        ASSERT_EQ(got.has_value(), r.found) << r.in;
        if (!got) continue;
        EXPECT_EQ(got->digits, r.digits) << r.in;
        EXPECT_EQ(got->rest, r.rest) << r.in;
    }
}

TEST(Normalize, RestoreLeadingBullet) {
    struct Row {
        const char* name;
        const char* source;
        const char* translation;
        const char* want;
    } rows[] = {
        {"bullet put back", "• Item", "项目", "• 项目"},
        {"private-use bullet becomes a square", "\uf0b7 Item", "项目", "\u25a0 项目"},
        {"hyphen bullet", "  - Item", "项目", "- 项目"},
        {"translation keeps its bullet, loses its white space", "• Item", "  ◦ 项目", "◦ 项目"},
        {"empty translation", "• Item", "", "• "},
        {"source without bullet", "Item", "  项目", "  项目"},
        {"hyphen glued to a word is no bullet", "-Item", "项目", "项目"},
    };
    for (const Row& r : rows) EXPECT_EQ(restore_leading_bullet(r.source, r.translation), r.want) << r.name;
}

TEST(Normalize, RestoreLeadingNumber) {
    struct Row {
        const char* name;
        const char* source;
        const char* translation;
        const char* want;
    } rows[] = {
        {"number put back", "1. Introduction", "引言", "1. 引言"},
        {"parenthesis label", " 12) Setup ", "设置", "12) 设置"},
        {"bare number label", "3 Methods", "方法", "3 方法"},
        {"translation has the label", "1. Introduction", "1. 引言", "1. 引言"},
        {"translation starts with another digit", "1. Introduction", "2 引言", "2 引言"},
        {"decimal number is no label", "1.5 million", "150万", "150万"},
        {"white space kept in front", "1. Introduction", "  引言", "  1. 引言"},
        {"empty translation", "2) Results", "", "2) "},
        {"three digits", "123 Main", "主要", "主要"},
    };
    for (const Row& r : rows) EXPECT_EQ(restore_leading_number(r.source, r.translation), r.want) << r.name;
}

TEST(Normalize, FixProperNameLine) {
    std::string label25;
    for (int i = 0; i < 25; ++i) label25 += "编";
    std::string label24;
    for (int i = 0; i < 24; ++i) label24 += "编";
    struct Row {
        std::string name;
        std::string source;
        std::string translation;
        std::string want;
    } rows[] = {
        {"department name whatever the translation", "  Special Sales Department ", "特别销售部门", "特别销售部"},
        {"name phrase returned trimmed", " John Smith ", "约翰·史密斯", "John Smith"},
        {"label colon and name after it", "Editor: John Smith", "编辑: 约翰·史密斯", "编辑：John Smith"},
        {"full-width colon in the translation", "Editor: John Smith", "编辑：约翰", "编辑：John Smith"},
        {"name already in the translation", "Editor: John Smith", "编辑: John Smith", "编辑： John Smith"},
        {"last colon of the translation taken", "Editor: John Smith", "甲：乙: 约翰", "甲：乙:John Smith"},
        {"and list", "and John Smith", "  和约翰", "  和 John Smith"},
        {"and list without 和", "and John Smith", "与约翰", "与约翰"},
        {"and list name already there", "and John Smith", "和 John Smith 等", "和 John Smith 等"},
        {"no colon, no and", "Hello there", "你好", "你好"},
        {"name part is no name", "Editor: the team", "编辑: 团队", "编辑: 团队"},
        {"name part too long", "Editor: Ann Bea Cid Dan Eve Fay", "编辑: 六人", "编辑: 六人"},
        {"label ending in a digit keeps its colon", "Room 12: John Smith", "房间12: 约翰", "房间12:John Smith"},
        {"label of 25 characters keeps its colon", "Editor: John Smith", label25 + ": 约翰",
         label25 + ":John Smith"},
        {"label of 24 characters", "Editor: John Smith", label24 + ": 约翰", label24 + "\uFF1AJohn Smith"},
        {"Latin label keeps its colon", "Editor: John Smith", "Ed: Jon", "Ed:John Smith"},
        {"no colon in the candidate", "Editor: John Smith", "约翰", "约翰"},
    };
    for (const Row& r : rows) EXPECT_EQ(fix_proper_name_line(r.source, r.translation), r.want) << r.name;
}

}  // namespace
}  // namespace zvk
