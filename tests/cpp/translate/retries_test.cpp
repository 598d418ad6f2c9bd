// Single-text retries against the stand-in service through the real LLM
// client: where a text is cut into sentences, which prompt and answer item
// each retry uses, when it gives nothing, how many requests it sends, the
// fallback chain of a unit, and the tolerant placeholder restoration.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translate/placeholders.h"
#include "translate/prompts.h"
#include "translate/retries.h"
#include "translate/stand_in_translator.h"

namespace zvk {
namespace {

using test::answer_json;
using test::blank;
using test::says;
using test::StandInTranslator;
using test::status;

const std::string kZh = "\xe8\xaf\x91\xe6\x96\x87";  // 译文

TEST(Retries, SplitIntoSentences) {
    struct Case {
        const char* name;
        std::string source;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"abbreviation before a capital is no cut", "Dr. Smith agrees. The results follow.",
         {"Dr. Smith agrees. ", "The results follow."}},
        {"digit after the stop", "See Fig. 2 for details.", {"See Fig. 2 for details."}},
        {"small letter after the stop", "It works. the next", {"It works. the next"}},
        {"no before an exclamation mark", "No! Then we stop.", {"No! Then we stop."}},
        {"closing quote begins the next piece", "He said \"Stop.\" Then he left.",
         {"He said \"Stop.", "\" Then he left."}},
        {"curly closing quote", "She wrote \xe2\x80\x9c" "Done.\xe2\x80\x9d Next we go.",
         {"She wrote \xe2\x80\x9c" "Done.", "\xe2\x80\x9d Next we go."}},
        {"white-space run stays with its piece", "One thing.  \n Two things? Three",
         {"One thing.  \n ", "Two things? ", "Three"}},
        {"ideographic space after the stop", "It ends.\xe3\x80\x80Then more",
         {"It ends.\xe3\x80\x80", "Then more"}},
        {"characters before the cut are counted as characters",
         "Na\xc3\xafve caf\xc3\xa9. Done here.", {"Na\xc3\xafve caf\xc3\xa9. ", "Done here."}},
        {"a capital that is not ASCII", "It ends. \xc3\x9c" "ber", {"It ends. \xc3\x9c" "ber"}},
        {"one sentence", "A single sentence here.", {"A single sentence here."}},
    };
    for (const Case& c : cases) {
        std::vector<std::string_view> got = split_into_sentences(c.source);
        std::vector<std::string> pieces(got.begin(), got.end());
        EXPECT_EQ(pieces, c.pieces) << c.name;
    }
}

TEST(Retries, RestoreAnswerPlaceholders) {
    const std::string url = "https://a.b";
    struct Case {
        const char* name;
        std::string answer;
        std::vector<std::string> originals;
        std::optional<std::string> restored;  // nothing: refused
    };
    const Case cases[] = {
        {"tokens restored", "\xe8\xa7\x81\xe2\x9f\xa6" "0\xe2\x9f\xa7", {url},
         "\xe8\xa7\x81" + url},
        {"span written out in a Chinese answer", "\xe8\xa7\x81 " + url + " \xe8\xaf\xb4\xe6\x98\x8e",
         {url}, "\xe8\xa7\x81 " + url + " \xe8\xaf\xb4\xe6\x98\x8e"},
        {"span written out, no CJK character", "see " + url, {url}, std::nullopt},
        {"a span missing", "\xe8\xa7\x81 " + url, {url, "2019"}, std::nullopt},
        {"an empty span", "\xe8\xa7\x81 " + url, {url, ""}, std::nullopt},
        // "1" occurs inside "2019", but ⟦2⟧ stayed a raw token that the
        // rewrite would read as a formula.
        {"raw token left", "2019\xe5\xb9\xb4 \xe8\xa7\x81 " + url + " \xe2\x9f\xa6" "2\xe2\x9f\xa7",
         {"2019", url, "1"}, std::nullopt},
        {"raw token left, no spans at all", "\xe4\xb8\xad \xe2\x9f\xa6" "0\xe2\x9f\xa7", {},
         std::nullopt},
        // The source carried formula token ⟦1⟧ as text; the model wrote it
        // as itself and the URL out.
        {"formula token written as itself",
         "\xe2\x9f\xa6" "1\xe2\x9f\xa7 \xe8\xa7\x81 " + url,
         {"\xe2\x9f\xa6" "1\xe2\x9f\xa7", url},
         "\xe2\x9f\xa6" "1\xe2\x9f\xa7 \xe8\xa7\x81 " + url},
        {"kana make a CJK answer", "\xe3\x81\x82 " + url, {url}, "\xe3\x81\x82 " + url},
        {"full-width forms make a CJK answer", "\xef\xbc\xa1 " + url, {url},
         "\xef\xbc\xa1 " + url},
        {"Hangul does not", "\xea\xb0\x80 " + url, {url}, std::nullopt},
    };
    for (const Case& c : cases) {
        auto got = restore_answer_placeholders(c.answer, c.originals);
        if (c.restored) {
            ASSERT_TRUE(got) << c.name << ": " << got.error();
            EXPECT_EQ(*got, *c.restored) << c.name;
        } else {
            EXPECT_FALSE(got) << c.name << ": " << (got ? *got : "");
        }
    }
}

// The three retries by name, for tables that run each on the same answer.
enum class Retry { ParagraphAlone, Independently, BySentences };

std::optional<std::string> run(Retry retry, std::string_view source, const TranslateOptions& options,
                               const TranslatorBackend& translator, std::uint64_t& calls) {
    switch (retry) {
        case Retry::ParagraphAlone: return retranslate_paragraph_alone(source, options, translator, calls);
        case Retry::Independently: return retranslate_independently(source, options, translator, calls);
        case Retry::BySentences: return retranslate_by_sentences(source, options, translator, calls);
    }
    return std::nullopt;
}

std::string prompt_of(Retry retry, const TranslateOptions& options) {
    const std::string target = language_display_name(options.target_lang);
    switch (retry) {
        case Retry::ParagraphAlone: return build_paragraph_alone_prompt(target);
        case Retry::Independently: return build_independent_translator_prompt(target);
        case Retry::BySentences:
            return build_system_prompt(options.source_lang, options.target_lang, false, true);
    }
    return {};
}

TEST(Retries, OneTextRequests) {
    const std::string source = "The model converges quickly on small data sets.";
    const std::string id3 = answer_json({{3, kZh}});
    struct Case {
        const char* name;
        Retry retry;
        nlohmann::json action;
        std::optional<std::string> result;
    };
    const Case cases[] = {
        {"paragraph alone", Retry::ParagraphAlone, says(answer_json({{0, kZh}})), kZh},
        {"independent", Retry::Independently, says(answer_json({{0, kZh}})), kZh},
        {"by sentences", Retry::BySentences, says(answer_json({{0, kZh}})), kZh},
        {"only item id 3, paragraph alone", Retry::ParagraphAlone, says(id3), kZh},
        {"only item id 3, independent", Retry::Independently, says(id3), std::nullopt},
        {"only item id 3, by sentences", Retry::BySentences, says(id3), std::nullopt},
        {"id 0 wins over the first item", Retry::Independently,
         says(answer_json({{5, "x"}, {0, kZh}})), kZh},
        {"two items, neither id 0", Retry::ParagraphAlone,
         says(answer_json({{3, kZh}, {4, kZh}})), std::nullopt},
        {"still English", Retry::Independently, says(answer_json({{0, source}})), std::nullopt},
        {"blank content", Retry::ParagraphAlone, blank(), std::nullopt},
        {"status 400", Retry::Independently, status(400), std::nullopt},
        {"status 401", Retry::BySentences, status(401), std::nullopt},
        {"no JSON", Retry::ParagraphAlone, says("I cannot help with that."), std::nullopt},
    };
    test::LlmServer server;
    for (const Case& c : cases) {
        StandInTranslator stand_in(server);
        TranslateOptions options;
        stand_in.script(nlohmann::json::array({c.action}));
        std::uint64_t calls = 7;  // the caller's counter goes on from where it is
        auto got = run(c.retry, source, options, stand_in.translator(), calls);
        EXPECT_EQ(got, c.result) << c.name;
        auto sent = stand_in.sent();
        ASSERT_EQ(sent.size(), 1u) << c.name;
        EXPECT_EQ(calls, 8u) << c.name;
        EXPECT_EQ(sent[0].system, prompt_of(c.retry, options)) << c.name;
        const nlohmann::json want_user = {{"segments",
                                           {{{"context_after", nlohmann::json::array()},
                                             {"context_before", nlohmann::json::array()},
                                             {"id", 0},
                                             {"text", source}}}}};
        EXPECT_EQ(sent[0].user, want_user) << c.name;
    }
}

TEST(Retries, ProtectsWithTheGlossaryAndRestores) {
    StandInTranslator stand_in;
    TranslateOptions options;
    options.glossary = {{"Transformer", "\xe5\x8f\x98\xe6\x8d\xa2\xe5\x99\xa8"}};  // 变换器
    // The default answer keeps every token it was sent.
    std::uint64_t calls = 0;
    auto got = retranslate_independently("The Transformer reads https://a.b/c today.", options,
                                         stand_in.translator(), calls);
    auto sent = stand_in.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].user["segments"][0]["text"],
              "The \xe2\x9f\xa6" "0\xe2\x9f\xa7 reads \xe2\x9f\xa6" "1\xe2\x9f\xa7 today.");
    EXPECT_EQ(got, kZh + "\xe5\x8f\x98\xe6\x8d\xa2\xe5\x99\xa8" + "https://a.b/c");
    // An answer that wrote the spans out instead of the tokens is still taken.
    stand_in.script(nlohmann::json::array(
        {says(answer_json({{0, "\xe8\xa7\x81 https://a.b/c \xe5\x8f\x98\xe6\x8d\xa2\xe5\x99\xa8"}}))}));
    got = retranslate_paragraph_alone("See the Transformer at https://a.b/c now.", options,
                                      stand_in.translator(), calls);
    EXPECT_EQ(got, "\xe8\xa7\x81 https://a.b/c \xe5\x8f\x98\xe6\x8d\xa2\xe5\x99\xa8");
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(stand_in.sent().size(), 2u);
}

TEST(Retries, BySentencesSendsEachSentenceAndJoins) {
    StandInTranslator stand_in;
    TranslateOptions options;
    const std::string source = "Dr. Smith agrees. The results follow.";
    stand_in.script(nlohmann::json::array(
        {says(answer_json({{0, "\xe5\x8c\xbb\xe7\x94\x9f\xe5\x90\x8c\xe6\x84\x8f\xe3\x80\x82"}})),
         says(answer_json({{0, "\xe7\xbb\x93\xe6\x9e\x9c\xe5\xa6\x82\xe4\xb8\x8b\xe3\x80\x82"}}))}));
    std::uint64_t calls = 0;
    auto got = retranslate_by_sentences(source, options, stand_in.translator(), calls);
    EXPECT_EQ(got, "\xe5\x8c\xbb\xe7\x94\x9f\xe5\x90\x8c\xe6\x84\x8f\xe3\x80\x82"
                   "\xe7\xbb\x93\xe6\x9e\x9c\xe5\xa6\x82\xe4\xb8\x8b\xe3\x80\x82");
    auto sent = stand_in.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(sent[0].user["segments"][0]["text"], "Dr. Smith agrees. ");
    EXPECT_EQ(sent[1].user["segments"][0]["text"], "The results follow.");
}

TEST(Retries, BySentencesStopsAtTheFirstSentenceThatFails) {
    const std::string source =
        "First comes the setup. Second comes the proof. Third comes a remark. "
        "Fourth comes the table. Fifth ends it.";
    struct Case {
        const char* name;
        nlohmann::json second;  // the answer to the second sentence
    };
    const Case cases[] = {
        {"still English", says(answer_json({{0, "Second comes the proof."}}))},
        {"blank content", blank()},
        {"status 400", status(400)},
        {"id missing", says(answer_json({{1, kZh}}))},
    };
    test::LlmServer server;
    for (const Case& c : cases) {
        StandInTranslator stand_in(server);
        stand_in.script(nlohmann::json::array({says(answer_json({{0, kZh}})), c.second}));
        std::uint64_t calls = 0;
        auto got = retranslate_by_sentences(source, TranslateOptions{}, stand_in.translator(), calls);
        EXPECT_EQ(got, std::nullopt) << c.name;
        EXPECT_EQ(stand_in.sent().size(), 2u) << c.name;  // the third is never sent
        EXPECT_EQ(calls, 2u) << c.name;
    }
}

TEST(Retries, BySentencesGivesNothingForTheSourceAgain) {
    // Every piece holds Chinese, so no answer reads as still English; joined,
    // the answers are the source again.
    const std::string first = "\xe6\xa8\xa1\xe5\x9e\x8b A works. ";
    const std::string second = "Then \xe6\x95\xb0\xe6\x8d\xae ends.";
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json::array(
        {says(answer_json({{0, first}})), says(answer_json({{0, second + " "}}))}));
    std::uint64_t calls = 0;
    auto got = retranslate_by_sentences(first + second, TranslateOptions{}, stand_in.translator(), calls);
    EXPECT_EQ(got, std::nullopt);
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(stand_in.sent().size(), 2u);
}

TEST(Retries, FallbackChain) {
    std::vector<Segment> units(4);
    units[0].source = "Alpha works well here.";
    units[1].source = "Beta fails in every way.";
    units[2].source = "Gamma is left aside.";
    units[3].source = "Delta needs another try.";
    for (std::uint32_t i = 0; i < units.size(); ++i) units[i].id = 10 + i;
    const std::vector<std::size_t> batch = {3, 1, 0};
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json::array({
        // unit 3: by sentences gives English, the independent retry a text
        says(answer_json({{0, "Delta needs another try."}})),
        says(answer_json({{0, "\xe5\x86\x8d\xe8\xaf\x95"}})),
        // unit 1: both retries fail
        status(400),
        blank(),
        // unit 0: by sentences succeeds
        says(answer_json({{0, "\xe7\x94\xb2"}})),
    }));
    std::uint64_t calls = 0;
    auto got = fallback_translate_segment(units, batch, TranslateOptions{}, stand_in.translator(), calls);
    const std::vector<FallbackAnswer> want = {
        {3, "\xe5\x86\x8d\xe8\xaf\x95", false},
        {1, "Beta fails in every way.", true},
        {0, "\xe7\x94\xb2", false},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(calls, 5u);
    EXPECT_EQ(stand_in.sent().size(), 5u);
}

TEST(Retries, FallbackFlagIsNoTextComparison) {
    // A translation equal to its source (a formula with CJK in it) is a real
    // answer: the flag stays off.
    const std::string source = "\xe5\x80\xbc x = 1";
    std::vector<Segment> units(1);
    units[0].source = source;
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json::array({status(400), says(answer_json({{0, source}}))}));
    std::uint64_t calls = 0;
    auto got = fallback_translate_segment(units, std::vector<std::size_t>{0}, TranslateOptions{},
                                          stand_in.translator(), calls);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].text, source);
    EXPECT_FALSE(got[0].source_kept);
    EXPECT_EQ(calls, 2u);
}

}  // namespace
}  // namespace zvk
