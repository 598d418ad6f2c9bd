// Answer merging and outcome assembly: which answer a unit keeps, what a
// one-word unit borrows from the others, and which glyphs take their unit's
// answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/utf8.h"
#include "translate/outcome.h"

namespace zvk {
namespace {

// A run of distinct ideographs from `first` on, so two such runs from
// disjoint ranges share no piece by accident.
std::string ideographs_from(char32_t first, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) append_utf8(out, first + static_cast<char32_t>(i));
    return out;
}

struct SharedCase {
    const char* name;
    std::vector<std::string> answers;
    std::optional<std::string> expected;
};

std::vector<SharedCase> shared_cases() {
    const std::string piece = ideographs_from(0x8000, 12);
    return {
        {"longest piece of two answers", {"这个变换器模型很好。", "我们的变换器模型更快"}, "变换器模型"},
        {"every answer must hold it", {"甲乙丙丁", "甲乙丙丁", "乙丙x"}, "乙丙"},
        {"a tie changes nothing", {"甲乙，丙丁", "丙丁和甲乙"}, std::nullopt},
        {"kana ends a run", {"甲乙の丙丁", "甲乙丙丁"}, std::nullopt},
        {"a piece after kana still counts", {"甲乙の丙", "甲乙丙"}, "甲乙"},
        {"one piece seen twice is no tie", {"模型和模型", "新模型"}, "模型"},
        {"one ideograph in common is too short", {"甲乙", "甲丙"}, std::nullopt},
        {"nothing in common", {"甲乙", "丙丁"}, std::nullopt},
        {"one answer alone", {"甲乙丙"}, std::nullopt},
        {"extension A and compatibility ideographs", {"x㐀㐁豈y", "㐀㐁豈"}, "㐀㐁豈"},
        {"full-width letters end a run", {"甲乙Ａ丙丁戊", "甲乙丙丁戊"}, "丙丁戊"},
        // Answers of thousands of ideographs: building every substring of
        // each would take cubic time and memory here.
        {"long answers",
         {ideographs_from(0x4E00, 1500) + piece + ideographs_from(0x5400, 1500),
          ideographs_from(0x6000, 1500) + piece + ideographs_from(0x7000, 1500)},
         piece},
    };
}

TEST(UniqueLongestSharedIdeographs, Cases) {
    for (const SharedCase& c : shared_cases()) {
        const std::vector<std::string_view> views(c.answers.begin(), c.answers.end());
        EXPECT_EQ(unique_longest_shared_ideographs(views), c.expected) << c.name;
    }
}

std::vector<Segment> units_of(const std::vector<std::string>& sources) {
    std::vector<Segment> units(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        units[i].source = sources[i];
        units[i].id = static_cast<std::uint32_t>(10 + i);
        units[i].page_index = static_cast<std::uint32_t>(i % 2);
    }
    return units;
}

struct BorrowCase {
    const char* name;
    // (source, answer) per unit; unit 0 is the one that may borrow.
    std::vector<std::pair<std::string, std::string>> units;
    std::string expected;  // unit 0's final answer
};

std::string words(std::size_t count) {
    std::string out = "the transformer";
    for (std::size_t i = 2; i < count; ++i) out += " word";
    return out;
}

const std::vector<BorrowCase> kBorrowCases = {
    {"borrows the shared run with the answer's white space",
     {{"Transformer", " transformer\n"},
      {"The transformer model is fast.", "这个变换器模型很快。"},
      {"A transformer layer.", "一层变换器模型。"}},
     " 变换器模型\n"},
    {"one other answer is not enough",
     {{"Transformer", "transformer"}, {"The transformer model is fast.", "这个变换器模型很快。"}},
     "transformer"},
    {"a tie changes nothing",
     {{"Transformer", "transformer"},
      {"The transformer is fast.", "甲乙很好丙丁"},
      {"A transformer layer.", "丙丁和甲乙"}},
     "transformer"},
    {"roman letters are left alone",
     {{"Mix", "mix"}, {"The mix is fast.", "混合物很快"}, {"A mix of things.", "一种混合物"}},
     "mix"},
    {"two words are left alone",
     {{"Transformer model", "transformer model"},
      {"The transformer model is fast.", "这个变换器模型很快。"},
      {"A transformer model layer.", "一层变换器模型。"}},
     "transformer model"},
    {"an answer that was translated is kept",
     {{"Transformer", "变压器"},
      {"The transformer model is fast.", "这个变换器模型很快。"},
      {"A transformer layer.", "一层变换器模型。"}},
     "变压器"},
    {"an answer keeping the word is no witness",
     {{"Transformer", "transformer"},
      {"The transformer model is fast.", "这个transformer变换器模型很快。"},
      {"A transformer layer.", "一层变换器模型。"}},
     "transformer"},
    {"a source of the word alone is no witness",
     {{"Transformer", "transformer"}, {"transformer ", "变换器模型"}, {"A transformer layer.", "一层变换器模型。"}},
     "transformer"},
    {"a source without the word is no witness",
     {{"Transformer", "transformer"}, {"The model is fast.", "这个变换器模型很快。"}, {"A transformer layer.", "一层变换器模型。"}},
     "transformer"},
    {"fourteen words still count",
     {{"Transformer", "transformer"}, {words(14), "这个变换器模型很快。"}, {words(14), "一层变换器模型。"}},
     "变换器模型"},
    {"fifteen words are too many",
     {{"Transformer", "transformer"}, {words(15), "这个变换器模型很快。"}, {words(14), "一层变换器模型。"}},
     "transformer"},
    {"an answer without two ideographs in a row is no candidate",
     {{"Transformer", "transformer"},
      {"The transformer model is fast.", "这个变换器模型很快。"},
      {"A transformer layer.", "一层变换器模型。"},
      {"My transformer.", "变 器"}},
     "变换器模型"},
};

TEST(AssembleTranslationOutcome, OneWordBorrowing) {
    for (const BorrowCase& c : kBorrowCases) {
        std::vector<std::string> sources;
        AnswerList answers;
        for (const auto& [source, answer] : c.units) {
            sources.push_back(source);
            answers.emplace_back(answer);
        }
        const std::vector<Segment> units = units_of(sources);
        std::vector<Glyph> glyphs;
        const Result<TranslationOutcome> outcome = assemble_translation_outcome(glyphs, units, {}, answers, 0, 0);
        ASSERT_TRUE(outcome.has_value()) << c.name;
        ASSERT_EQ(outcome->translations.size(), c.units.size()) << c.name;
        EXPECT_EQ(outcome->translations[0].translated, c.expected) << c.name;
        for (std::size_t k = 1; k < c.units.size(); ++k) {
            EXPECT_EQ(outcome->translations[k].translated, c.units[k].second) << c.name << " unit " << k;
        }
    }
}

Glyph glyph(std::uint32_t id, GlyphDisposition disposition = GlyphDisposition::pending()) {
    Glyph g;
    g.id = id;
    g.unicode = "x";
    g.disposition = std::move(disposition);
    return g;
}

TEST(AssembleTranslationOutcome, RecordsAndDispositions) {
    std::vector<Segment> units = units_of({"Hello world.", "Smith, J. (2001).", "x = y", "Kept as is."});
    units[0].glyph_ids = {0, 1};
    units[1].glyph_ids = {2, 3};  // glyph 3 is in a reference section
    units[2].glyph_ids = {4, 5};  // glyph 5 already final
    units[3].glyph_ids = {6};
    std::vector<Glyph> glyphs = {glyph(0), glyph(1), glyph(2), glyph(3, GlyphDisposition::kept_original("references")),
                                 glyph(4), glyph(5, GlyphDisposition::non_text("figure")), glyph(6)};
    const AnswerList answers = {"你好，世界。", "Smith, J. (2001).", "x = y", "Kept as is."};
    const auto outcome = assemble_translation_outcome(glyphs, units, {3}, answers, 17, 4);
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    EXPECT_EQ(outcome->calls, 17u);
    EXPECT_EQ(outcome->cache_hits, 4u);
    ASSERT_EQ(outcome->translations.size(), 4u);
    for (std::size_t k = 0; k < units.size(); ++k) {
        const TranslationRecord expected{units[k].id, units[k].page_index, units[k].glyph_ids, units[k].source,
                                         *answers[k]};
        EXPECT_EQ(outcome->translations[k], expected) << k;
    }
    const std::vector<GlyphDisposition> after = {
        GlyphDisposition::translated_pending_rewrite("你好，世界。"),
        GlyphDisposition::translated_pending_rewrite("你好，世界。"),
        GlyphDisposition::pending(),  // its unit touches a reference section
        GlyphDisposition::kept_original("references"),
        GlyphDisposition::translated_pending_rewrite("x = y"),
        GlyphDisposition::non_text("figure"),
        GlyphDisposition::translated_pending_rewrite("Kept as is."),  // a kept source moves on too
    };
    for (std::size_t i = 0; i < glyphs.size(); ++i) EXPECT_EQ(glyphs[i].disposition, after[i]) << "glyph " << i;
}

TEST(AssembleTranslationOutcome, GlyphsFoundByIdNotPosition) {
    std::vector<Segment> units = units_of({"Hello."});
    units[0].glyph_ids = {40};
    std::vector<Glyph> glyphs = {glyph(41), glyph(40), glyph(39)};
    const auto outcome = assemble_translation_outcome(glyphs, units, {}, {"你好。"}, 0, 0);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(glyphs[1].disposition, GlyphDisposition::translated_pending_rewrite("你好。"));
    EXPECT_EQ(glyphs[0].disposition, GlyphDisposition::pending());
    EXPECT_EQ(glyphs[2].disposition, GlyphDisposition::pending());
}

TEST(AssembleTranslationOutcome, UnitWithoutAnswerFails) {
    std::vector<Segment> units = units_of({"One.", "Two.", "Three."});
    std::vector<Glyph> glyphs;
    const auto outcome = assemble_translation_outcome(glyphs, units, {}, {"一。", std::nullopt, std::nullopt}, 0, 0);
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error().kind(), CoreError::Kind::Translation);
    EXPECT_EQ(outcome.error().display(), "translation failed: segment 11 was not translated");
}

TEST(AssembleTranslationOutcome, UnknownGlyphIdFails) {
    std::vector<Segment> units = units_of({"Hello."});
    units[0].glyph_ids = {9};
    std::vector<Glyph> glyphs = {glyph(0)};
    const auto outcome = assemble_translation_outcome(glyphs, units, {}, {"你好。"}, 0, 0);
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error().kind(), CoreError::Kind::GlyphNotFound);
}

const std::string kEnglish = "The model learns quickly from the training data.";

struct MergeCase {
    const char* name;
    std::optional<std::string> previous;
    std::string next;
    std::string kept;
};

const std::vector<MergeCase> kMergeCases = {
    {"no previous answer", std::nullopt, kEnglish, kEnglish},
    {"translated over English", kEnglish, "模型从训练数据中快速学习。", "模型从训练数据中快速学习。"},
    {"English never replaces a translation", "模型从训练数据中快速学习。", kEnglish, "模型从训练数据中快速学习。"},
    {"a newer translation wins", "模型学习。", "模型从训练数据中快速学习。", "模型从训练数据中快速学习。"},
    {"English over English takes the new", kEnglish + " ", kEnglish, kEnglish},
};

TEST(MergeSlotTranslation, Cases) {
    for (const MergeCase& c : kMergeCases) {
        EXPECT_EQ(merge_slot_translation(kEnglish, c.previous, c.next), c.kept) << c.name;
    }
}

TEST(ApplyBatchResults, MergesIntoAnswersAndCache) {
    const std::vector<Segment> units = units_of({kEnglish, "Second paragraph of the text here."});
    AnswerList answers = {std::nullopt, std::nullopt};
    TranslationCache cache = {{kEnglish, "旧的检查点答案"}};
    const std::vector<std::pair<std::size_t, std::string>> pairs = {
        {0, "模型从训练数据中快速学习。"},
        {2, "超出范围"},
        {0, kEnglish},  // still English: the translation stays
        {1, "第二段。"},
    };
    apply_batch_results(units, answers, cache, pairs);
    EXPECT_EQ(answers, (AnswerList{"模型从训练数据中快速学习。", "第二段。"}));
    EXPECT_EQ(cache, (TranslationCache{{kEnglish, "模型从训练数据中快速学习。"},
                                       {"Second paragraph of the text here.", "第二段。"}}));
}

}  // namespace
}  // namespace zvk
