// Batches against the stand-in service through the real LLM client: which
// units each request carries and under which prompt, how failures halve a
// batch and end in fallbacks, the two repair passes, the retry test and the
// tidying of answers. Failures are the kinds the client hands straight up
// (blank content, status 400 or 401): it retries the others itself.
#include <gtest/gtest.h>

#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "translate/batches.h"
#include "translate/prompts.h"
#include "translate/stand_in_translator.h"

namespace zvk {
namespace {

using test::answer_json;
using test::blank;
using test::says;
using test::StandInTranslator;
using test::status;

const std::string kFiller = "\xe8\xaf\x91\xe6\x96\x87";  // 译文, the stand-in's default
const std::string kJia = "\xe7\x94\xb2";                  // 甲
const std::string kYi = "\xe4\xb9\x99";                   // 乙
const std::string kBing = "\xe4\xb8\x99";                 // 丙
const std::string kUrl = "https://example.org/data";
const std::string kEmptyContent =
    "translation failed: LLM response had empty message.content (reasoning tokens are ignored)";

// Nine one-sentence units with ids 100.. (never their positions); the last
// one holds a span that travels as a placeholder.
struct Units {
    std::vector<Segment> units;
    std::vector<ProtectedText> protected_texts;
    TranslateOptions options;
    Units() {
        const char* sources[] = {
            "Alpha measures the first quantity.",   "Beta records the second reading.",
            "Gamma explains the third method.",     "Delta compares the fourth result.",
            "Epsilon describes the fifth sample.",  "Zeta reports the sixth outcome.",
            "Eta summarises the seventh finding.",  "Theta closes the eighth section.",
        };
        for (const char* source : sources) add(source);
        add("See " + kUrl + " for the data.");
    }
    void add(const std::string& source) {
        Segment unit;
        unit.source = source;
        unit.id = static_cast<std::uint32_t>(100 + units.size());
        units.push_back(unit);
        protected_texts.push_back(protect_text(source, options.glossary));
    }
    BatchInputs inputs(const TranslatorBackend& translator) const {
        return {units, protected_texts, options, translator};
    }
};

// The segment ids of each request, in order.
std::vector<std::vector<std::uint64_t>> sent_ids(StandInTranslator& stand_in) {
    std::vector<std::vector<std::uint64_t>> out;
    for (const auto& request : stand_in.sent()) {
        std::vector<std::uint64_t> ids;
        for (const auto& segment : request.user.at("segments")) ids.push_back(segment.at("id"));
        out.push_back(ids);
    }
    return out;
}

enum class Prompt { Plain, PlaceholderHint, CopiedHint, Stricter, Independent };

std::string prompt_text(Prompt prompt) {
    switch (prompt) {
        case Prompt::Plain: return build_system_prompt("en", "zh", false, false);
        case Prompt::PlaceholderHint: return build_system_prompt("en", "zh", true, false);
        case Prompt::CopiedHint: return build_system_prompt("en", "zh", false, true);
        case Prompt::Stricter: return build_stricter_prompt(language_display_name("zh"));
        case Prompt::Independent: return build_independent_translator_prompt(language_display_name("zh"));
    }
    return {};
}

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(Batches, RequestsHalvingAndFallbacks) {
    const std::string token = "\xe2\x9f\xa6" "0\xe2\x9f\xa7";
    const Units fixture;
    const std::string src0 = fixture.units[0].source;
    const std::string src1 = fixture.units[1].source;
    struct Case {
        const char* name;
        std::vector<std::size_t> batch;
        std::vector<nlohmann::json> script;  // then the stand-in's default answers
        std::vector<std::string> texts;      // empty: the batch fails with `error`
        std::vector<bool> kept;              // source_kept of each answer
        std::string error;  // the batch's, or that of its kept sources
        std::vector<std::vector<std::uint64_t>> ids;  // of each request
        std::vector<Prompt> prompts;                  // of each request
    };
    const Case cases[] = {
        {"ids reordered", {0, 1, 2},
         {says(answer_json({{102, kBing}, {100, kJia}, {101, kYi}}))},
         {kJia, kYi, kBing}, {false, false, false}, "",
         {{100, 101, 102}}, {Prompt::Plain}},
        {"an extra id is ignored", {0, 1},
         {says(answer_json({{100, kJia}, {999, kBing}, {101, kYi}}))},
         {kJia, kYi}, {false, false}, "", {{100, 101}}, {Prompt::Plain}},
        {"a repeated id: the first counts", {0, 1},
         {says(answer_json({{100, kJia}, {100, kBing}, {101, kYi}}))},
         {kJia, kYi}, {false, false}, "", {{100, 101}}, {Prompt::Plain}},
        {"an omitted id halves 4 into 2 and 2", {0, 1, 2, 3},
         {says(answer_json({{100, kJia}, {101, kYi}, {103, kBing}}))},
         {kFiller, kFiller, kFiller, kFiller}, {false, false, false, false}, "",
         {{100, 101, 102, 103}, {100, 101}, {102, 103}},
         {Prompt::Plain, Prompt::Plain, Prompt::Plain}},
        {"an omitted id halves 5 into 2 and 3", {0, 1, 2, 3, 4},
         {says(answer_json({{100, kJia}, {101, kYi}, {102, kBing}, {103, kJia}}))},
         {kFiller, kFiller, kFiller, kFiller, kFiller}, {false, false, false, false, false}, "",
         {{100, 101, 102, 103, 104}, {100, 101}, {102, 103, 104}},
         {Prompt::Plain, Prompt::Plain, Prompt::Plain}},
        {"a lost placeholder: one repeat with the hint", {8, 0},
         {says(answer_json({{108, kFiller}, {100, kJia}}))},
         {kFiller + kUrl, kFiller}, {false, false}, "",
         {{108, 100}, {108, 100}}, {Prompt::Plain, Prompt::PlaceholderHint}},
        {"lost again: halving", {8, 0},
         {says(answer_json({{108, kFiller}, {100, kJia}})),
          says(answer_json({{108, kYi}, {100, kJia}}))},
         {kFiller + kUrl, kFiller}, {false, false}, "",
         {{108, 100}, {108, 100}, {108}, {100}},
         {Prompt::Plain, Prompt::PlaceholderHint, Prompt::Plain, Prompt::Plain}},
        {"a restoration past its size bound counts as a lost placeholder", {8},
         {says(answer_json({{108, kFiller + repeated(token, 40)}}))},
         {kFiller + kUrl}, {false}, "",
         {{108}, {108}}, {Prompt::Plain, Prompt::PlaceholderHint}},
        {"status 401 ends a batch of 8 at once", {0, 1, 2, 3, 4, 5, 6, 7},
         {status(401)}, {}, {}, "translation failed: LLM HTTP status 401",
         {{100, 101, 102, 103, 104, 105, 106, 107}}, {Prompt::Plain}},
        {"a first half that fails for good: the second is never sent", {0, 1, 2, 3},
         {blank(), status(401)}, {}, {}, "translation failed: LLM HTTP status 401",
         {{100, 101, 102, 103}, {100, 101}}, {Prompt::Plain, Prompt::Plain}},
        {"a single unit's second checked request", {0},
         {blank()}, {kFiller}, {false}, "", {{100}, {100}}, {Prompt::Plain, Prompt::Plain}},
        {"a single unit rescued by the sentence retry", {0},
         {blank(), status(400)}, {kFiller}, {false}, "", {{100}, {100}, {0}},
         {Prompt::Plain, Prompt::Plain, Prompt::CopiedHint}},
        {"a single unit rescued by the independent retry", {1},
         {blank(), blank(), says(answer_json({{0, src1}}))}, {kFiller}, {false}, "",
         {{101}, {101}, {0}, {0}},
         {Prompt::Plain, Prompt::Plain, Prompt::CopiedHint, Prompt::Independent}},
        {"a single unit that keeps its source, flagged", {0},
         // the second checked request's failure travels with the source
         {blank(), status(400), blank(), blank()}, {src0}, {true},
         "translation failed: LLM HTTP status 400",
         {{100}, {100}, {0}, {0}},
         {Prompt::Plain, Prompt::Plain, Prompt::CopiedHint, Prompt::Independent}},
    };
    test::LlmServer server;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandInTranslator stand_in(server);
        stand_in.script(nlohmann::json(c.script));
        std::uint64_t calls = 0;
        auto got = translate_batch_with_retries(fixture.inputs(stand_in.translator()), c.batch, calls);
        if (c.texts.empty()) {
            ASSERT_FALSE(got);
            EXPECT_EQ(got.error().display(), c.error);
        } else {
            ASSERT_TRUE(got) << got.error().display();
            ASSERT_EQ(got->size(), c.batch.size());
            for (std::size_t i = 0; i < got->size(); ++i) {
                EXPECT_EQ((*got)[i].unit_index, c.batch[i]) << i;
                EXPECT_EQ((*got)[i].translated, c.texts[i]) << i;
                EXPECT_EQ((*got)[i].source_kept, c.kept[i]) << i;
                // The failure's text travels only with a kept source.
                EXPECT_EQ((*got)[i].error, c.kept[i] ? c.error : "") << i;
            }
        }
        EXPECT_EQ(sent_ids(stand_in), c.ids);
        auto sent = stand_in.sent();
        ASSERT_EQ(sent.size(), c.prompts.size());
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(sent[i].system, prompt_text(c.prompts[i])) << "request " << i;
        EXPECT_EQ(calls, sent.size());
    }
}

TEST(Batches, BlankContentThroughoutEndsFlagged) {
    const Units fixture;
    const std::vector<std::size_t> batch = {0, 1, 2, 3, 4, 5, 6, 7};
    // 8, then 4 + 4, then four 2s, then each unit twice and its two fallbacks.
    const std::size_t expected = 1 + 2 + 4 + 8 * 4;
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json(std::vector<nlohmann::json>(expected, blank())));
    std::uint64_t calls = 0;
    auto got = translate_batch_with_retries(fixture.inputs(stand_in.translator()), batch, calls);
    ASSERT_TRUE(got) << got.error().display();
    ASSERT_EQ(got->size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ((*got)[i].unit_index, i);
        EXPECT_EQ((*got)[i].translated, fixture.units[i].source);
        EXPECT_TRUE((*got)[i].source_kept);
        EXPECT_EQ((*got)[i].error, kEmptyContent);
    }
    auto sent = stand_in.sent();
    EXPECT_EQ(sent.size(), expected);
    EXPECT_EQ(calls, expected);
    // The halving, in order.
    auto ids = sent_ids(stand_in);
    const std::vector<std::vector<std::uint64_t>> head = {
        {100, 101, 102, 103, 104, 105, 106, 107}, {100, 101, 102, 103}, {100, 101}, {100}, {100}};
    ASSERT_GE(ids.size(), head.size());
    EXPECT_EQ(std::vector(ids.begin(), ids.begin() + head.size()), head);
    // Each unit: two checked requests under its id, two retries of its text under id 0.
    for (std::size_t u = 0; u < 8; ++u) {
        std::size_t own = 0, retries = 0;
        for (const auto& request : sent) {
            const auto& segments = request.user.at("segments");
            if (segments.size() != 1) continue;
            if (segments[0].at("id") == fixture.units[u].id) ++own;
            if (segments[0].at("id") == 0 && segments[0].at("text") == fixture.protected_texts[u].text)
                ++retries;
        }
        EXPECT_EQ(own, 2u) << u;
        EXPECT_EQ(retries, 2u) << u;
    }
}

TEST(Batches, WorkersShareTheTranslatorAndCountAlone) {
    // Four batches at once, one per thread, each with a counter of its own;
    // the first batch loses an id and halves.
    const Units fixture;
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json::array({says(answer_json({{100, kJia}}))}));
    const BatchInputs inputs = fixture.inputs(stand_in.translator());
    const std::vector<std::vector<std::size_t>> batches = {{0, 1}, {2, 3}, {4, 5}, {6, 7}};
    std::vector<std::uint64_t> calls(batches.size(), 0);
    std::vector<std::optional<Result<std::vector<BatchAnswer>>>> results(batches.size());
    {
        std::vector<std::jthread> workers;
        for (std::size_t b = 0; b < batches.size(); ++b)
            workers.emplace_back([&, b] {
                results[b] = translate_batch_with_retries(inputs, batches[b], calls[b]);
            });
    }
    std::uint64_t total = 0;
    for (std::size_t b = 0; b < batches.size(); ++b) {
        ASSERT_TRUE(results[b] && *results[b]) << b;
        const auto& answers = **results[b];
        ASSERT_EQ(answers.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(answers[i].unit_index, batches[b][i]);
        total += calls[b];
    }
    // Whichever batch met the scripted answer lost an id and sent two halves.
    EXPECT_EQ(total, 4u + 2u);
    EXPECT_EQ(stand_in.sent().size(), total);
}

TEST(Batches, CopiedEnglishRepair) {
    const Units fixture;
    const std::string src0 = fixture.units[0].source;
    const std::string src2 = fixture.units[2].source;
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json::array({
        says(answer_json({{100, src0}, {101, kYi}, {102, src2}})),
        // the repair request: unit 100 translated, 102 English again
        says(answer_json({{100, kJia}, {102, src2}})),
        // 102 by sentences: English again; independently: Chinese
        says(answer_json({{0, src2}})),
        says(answer_json({{0, kBing}})),
    }));
    std::uint64_t calls = 0;
    auto got = translate_batch_with_retries(fixture.inputs(stand_in.translator()),
                                            std::vector<std::size_t>{0, 1, 2}, calls);
    ASSERT_TRUE(got) << got.error().display();
    ASSERT_EQ(got->size(), 3u);
    EXPECT_EQ((*got)[0].translated, kJia);
    EXPECT_EQ((*got)[1].translated, kYi);
    EXPECT_EQ((*got)[2].translated, kBing);
    auto sent = stand_in.sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(calls, 4u);
    EXPECT_EQ(sent_ids(stand_in), (std::vector<std::vector<std::uint64_t>>{{100, 101, 102}, {100, 102}, {0}, {0}}));
    EXPECT_EQ(sent[1].system, prompt_text(Prompt::CopiedHint));
    EXPECT_EQ(sent[2].system, prompt_text(Prompt::CopiedHint));
    EXPECT_EQ(sent[3].system, prompt_text(Prompt::Independent));
    // The repair request carries each unit's context like any batch request.
    const auto& repaired = sent[1].user.at("segments");
    EXPECT_EQ(repaired[0].at("context_after"),
              (nlohmann::json{fixture.protected_texts[1].text, fixture.protected_texts[2].text}));
    EXPECT_EQ(repaired[1].at("context_before"),
              (nlohmann::json{fixture.protected_texts[0].text, fixture.protected_texts[1].text}));
}

TEST(Batches, CopiedEnglishRepairRequestFails) {
    const Units fixture;
    const std::string src0 = fixture.units[0].source;
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json::array({
        says(answer_json({{100, src0}})),
        status(400),                            // the repair request
        says(answer_json({{0, kJia}})),          // by sentences
    }));
    std::uint64_t calls = 0;
    auto got = translate_batch_with_retries(fixture.inputs(stand_in.translator()),
                                            std::vector<std::size_t>{0}, calls);
    ASSERT_TRUE(got) << got.error().display();
    EXPECT_EQ((*got)[0].translated, kJia);
    EXPECT_FALSE((*got)[0].source_kept);
    EXPECT_EQ(calls, 3u);
    EXPECT_EQ(stand_in.sent().size(), 3u);
}

TEST(Batches, QualityRepair) {
    // 数据 数据 分析: a doubled word and a gap between ideographs.
    const std::string doubled = "\xe6\x95\xb0\xe6\x8d\xae \xe6\x95\xb0\xe6\x8d\xae \xe5\x88\x86\xe6\x9e\x90";
    const std::string tidied = "\xe6\x95\xb0\xe6\x8d\xae\xe5\x88\x86\xe6\x9e\x90";        // 数据分析
    const std::string other = "\xe5\x88\x86\xe6\x9e\x90\xe6\x95\xb0\xe6\x8d\xae";         // 分析数据
    // 数据。分析。结果。: more sentence ends than the source has.
    const std::string worse = "\xe6\x95\xb0\xe6\x8d\xae\xe3\x80\x82\xe5\x88\x86\xe6\x9e\x90\xe3\x80\x82"
                              "\xe7\xbb\x93\xe6\x9e\x9c\xe3\x80\x82";
    struct Case {
        const char* name;
        nlohmann::json stricter;  // the answer to the stricter request
        std::string want;
    };
    const Case cases[] = {
        {"a tie: the tidied new answer wins", says(answer_json({{100, other}})), other},
        {"the new answer has more problems: the tidied old one", says(answer_json({{100, worse}})), tidied},
        {"the request fails: the old answer tidied", status(400), tidied},
        {"the answer lacks the unit's id: the old answer tidied", says(answer_json({{0, other}})), tidied},
        {"the new answer is English: the old answer tidied",
         says(answer_json({{100, "Alpha measures the first quantity."}})), tidied},
    };
    const Units fixture;
    test::LlmServer server;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandInTranslator stand_in(server);
        stand_in.script(nlohmann::json::array({says(answer_json({{100, doubled}})), c.stricter}));
        std::uint64_t calls = 0;
        auto got = translate_batch_with_retries(fixture.inputs(stand_in.translator()),
                                                std::vector<std::size_t>{0}, calls);
        ASSERT_TRUE(got) << got.error().display();
        EXPECT_EQ((*got)[0].translated, c.want);
        auto sent = stand_in.sent();
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(calls, 2u);
        EXPECT_EQ(sent[1].system, prompt_text(Prompt::Stricter));
        const nlohmann::json alone = {{"segments",
                                       {{{"context_after", nlohmann::json::array()},
                                         {"context_before", nlohmann::json::array()},
                                         {"id", 100},
                                         {"text", fixture.protected_texts[0].text}}}}};
        EXPECT_EQ(sent[1].user, alone);
    }
}

TEST(Batches, TidyAnswer) {
    struct Case {
        std::string source;
        std::string answer;
        std::string want;
    };
    const Case cases[] = {
        // 数据 数据 分析 -> 数据分析
        {"Data analysis", "\xe6\x95\xb0\xe6\x8d\xae \xe6\x95\xb0\xe6\x8d\xae \xe5\x88\x86\xe6\x9e\x90",
         "\xe6\x95\xb0\xe6\x8d\xae\xe5\x88\x86\xe6\x9e\x90"},
        // 第 3 章: the digit stands between the ideographs
        {"Chapter 3", "\xe7\xac\xac 3 \xe7\xab\xa0", "\xe7\xac\xac 3 \xe7\xab\xa0"},
        {"in 2024", "2024 2024", "2024 2024"},
        {"it is very very good", "very very \xe5\xa5\xbd", "very very \xe5\xa5\xbd"},
        {"it is good", "very very \xe5\xa5\xbd", "very \xe5\xa5\xbd"},
        {"x", "a a a b", "a b"},
        {"x", " \t a   b\n c \t", " \t a b c"},
        {"x", "a A a", "a A a"},
        {"x", "", ""},
        {"x", "   ", "   "},
    };
    for (const Case& c : cases) EXPECT_EQ(tidy_answer(c.source, c.answer), c.want) << c.answer;
}

TEST(Batches, TidyAnswerReadsALongSourceOnce) {
    // 50,000 doubled words against a source of 200,000 words: asking the
    // source about each doubled word anew would read it 50,000 times.
    std::string source;
    for (int i = 0; i < 200000; ++i) source += "w" + std::to_string(i) + " ";
    source += "w7 w7";  // the source doubles one of them
    std::string answer;
    std::string want;
    for (int i = 0; i < 50000; ++i) {
        const std::string word = "w" + std::to_string(i);
        answer += word + " " + word + " ";
        want += (i == 0 ? "" : " ") + (i == 7 ? word + " " + word : word);
    }
    EXPECT_EQ(tidy_answer(source, answer), want);
}

TEST(Batches, RetryableErrors) {
    struct Case {
        CoreError error;
        bool retryable;
    };
    const Case cases[] = {
        {CoreError::translation("timeout: global"), true},
        {CoreError::translation("model omitted segment 3"), true},
        {CoreError::translation("invalid translation JSON: x at line 1 column 2"), true},
        {CoreError::translation("model response did not contain a JSON translation object"), true},
        {CoreError::translation("translation JSON has no translations array"), true},
        {CoreError::translation("translation item missing id"), true},
        {CoreError::translation("translation item 4 missing text"), true},
        {CoreError::translation("placeholder was not preserved after retry: missing placeholder"), true},
        {CoreError::translation("LLM response had empty message.content (reasoning tokens are ignored)"), true},
        {CoreError::translation("LLM HTTP status 500"), true},
        {CoreError::translation("Google HTTP status 502"), true},
        {CoreError::translation("LLM HTTP status 503"), true},
        {CoreError::translation("LLM HTTP status 429"), true},
        {CoreError::translation("IO: connection refused"), true},
        {CoreError::translation("Connection Reset by peer"), true},
        {CoreError::message("TIMEOUT while reading"), true},  // the whole display text is read
        {CoreError::translation("LLM HTTP status 401"), false},
        {CoreError::translation("LLM HTTP status 404"), false},
        {CoreError::translation("ZVK_LLM_API_KEY is not set"), false},
        {CoreError::translation("unknown translator kind"), false},
        {CoreError::translation("LLM request failed"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_retryable_error(c.error), c.retryable) << c.error.display();
}

}  // namespace
}  // namespace zvk
