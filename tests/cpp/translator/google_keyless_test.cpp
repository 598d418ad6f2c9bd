// The keyless Google client: the plain-letter placeholder form, batching by
// count and cost, the separator split and its one-by-one fallback, retries
// with pauses from an injected sleeper, several workers, and the probe.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "support/llm_server.h"
#include "translator/google_client.h"

namespace zvk {
namespace {

using test::LlmServer;

const std::string kFiller = "\u8bd1\u6587";

struct PauseLog {
    std::mutex mutex;
    std::vector<long> ms;
    GoogleSleeper sleeper() {
        return [this](std::chrono::milliseconds m) {
            std::lock_guard<std::mutex> guard(mutex);
            ms.push_back(static_cast<long>(m.count()));
        };
    }
};

struct Keyless {
    LlmServer server;
    PauseLog pauses;
    GoogleTranslatorPtr translator;
    Keyless() {
        GoogleClientHooks hooks;
        hooks.sleeper = pauses.sleeper();
        hooks.keyless_base_url = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
        translator = new_keyless_google_translator("en", "zh-CN", hooks);
    }
    // The q texts of the requests made, in order of arrival.
    std::vector<std::string> queries() {
        std::vector<std::string> out;
        for (const auto& r : server.requests()) {
            std::string path = r["path"];
            out.push_back(path.substr(path.find("&q=") + 3));
        }
        return out;
    }
};

TEST(GoogleKeyless, PlaceholderForms) {
    EXPECT_EQ(encode_placeholders_keyless("a \u27e60\u27e7 b \u27e615\u27e7 \u27e6x\u27e7 \u27e6\u27e612\u27e7"),
              "a XPH0X b XPH15X \u27e6x\u27e7 \u27e6XPH12X");
    struct Row {
        const char* in;
        const char* want;
    } rows[] = {
        {"XPH12X", "\u27e612\u27e7"},
        {"xph 12 x", "\u27e612\u27e7"},
        {"Xph  15  x!", "\u27e615\u27e7!"},
        {"XPH12 and more", "XPH12 and more"},
        {"XPHX xph x", "XPHX xph x"},
        {"XXPH3X", "X\u27e63\u27e7"},
        {"XPH1XPH2X", "\u27e61\u27e7PH2X"},
        {"XPH 007X", "\u27e6007\u27e7"},
    };
    for (const Row& r : rows) EXPECT_EQ(decode_placeholders_keyless(r.in), r.want) << r.in;
}

TEST(GoogleKeyless, BatchPlans) {
    auto sizes = [](const std::vector<std::string>& texts) {
        std::vector<std::size_t> out;
        for (const auto& b : plan_keyless_batches(texts)) out.push_back(b.end - b.begin);
        return out;
    };
    using Sizes = std::vector<std::size_t>;
    EXPECT_EQ(sizes(std::vector<std::string>(9, "short")), (Sizes{8, 1}));
    EXPECT_EQ(sizes(std::vector<std::string>(16, "x")), (Sizes{8, 8}));
    EXPECT_EQ(sizes({"a", std::string(2000, 'x'), "b"}), (Sizes{1, 1, 1}));
    // Costs count characters, not bytes, plus 9: 741 + 741 = 1482 fits, a
    // third text of cost 19 passes 1500.
    std::string cjk;
    for (int i = 0; i < 732; ++i) cjk += "\u4e2d";
    EXPECT_EQ(sizes({cjk, cjk, "0123456789"}), (Sizes{2, 1}));
    EXPECT_EQ(sizes({cjk, cjk, "012345678"}), (Sizes{3}));
    EXPECT_TRUE(plan_keyless_batches({}).empty());
}

TEST(GoogleKeyless, BatchesGoOutJoinedAndComeBackSplit) {
    Keyless k;
    std::vector<std::string> texts;
    for (int i = 0; i < 9; ++i) texts.push_back("t" + std::to_string(i) + " \u27e6" + std::to_string(i) + "\u27e7");
    auto answers = translate_keyless_texts(*k.translator, texts);
    ASSERT_TRUE(answers) << answers.error().display();
    ASSERT_EQ(answers->size(), 9u);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ((*answers)[i], kFiller + "\u27e6" + std::to_string(i) + "\u27e7");
    auto requests = k.server.requests();
    ASSERT_EQ(requests.size(), 2u);
    std::vector<std::string> sent = k.queries();
    std::multiset<std::string> queries(sent.begin(), sent.end());
    EXPECT_EQ(queries.count("t8%20XPH8X"), 1u);
    EXPECT_EQ(queries.count("t0%20XPH0X%0AXPHSEPX%0At1%20XPH1X%0AXPHSEPX%0At2%20XPH2X%0AXPHSEPX%0A"
                            "t3%20XPH3X%0AXPHSEPX%0At4%20XPH4X%0AXPHSEPX%0At5%20XPH5X%0AXPHSEPX%0A"
                            "t6%20XPH6X%0AXPHSEPX%0At7%20XPH7X"),
              1u);
    for (const auto& r : requests) {
        EXPECT_EQ(r["method"], "GET");
        EXPECT_EQ(r["headers"]["user-agent"], "ZentaVolurMix");
        EXPECT_TRUE(r["path"].get<std::string>().starts_with(
            "/translate_a/single?client=gtx&sl=en&tl=zh-CN&dt=t&q="));
    }
    auto none = translate_keyless_texts(*k.translator, {});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    EXPECT_EQ(k.server.requests().size(), 2u);
}

TEST(GoogleKeyless, SeparatorAnswers) {
    struct Row {
        const char* name;
        nlohmann::json script;
        std::vector<std::string> want;
        std::size_t requests;
    } rows[] = {
        {"lower-case separator, trimmed pieces",
         {{{"translation", " A\nxphsepx\n B \n"}}}, {"A", "B"}, 1},
        {"separator glued to the words", {{{"translation", "AXphSepXB"}}}, {"A", "B"}, 1},
        {"separator translated away: one by one, answers untrimmed",
         {{{"translation", "A B"}}, {{"translation", " a1 "}}, {{"translation", "b1\n"}}},
         {" a1 ", "b1\n"}, 3},
        {"too many pieces: one by one",
         {{{"translation", "A XPHSEPX B XPHSEPX C"}}, {{"translation", "a"}}, {{"translation", "b"}}},
         {"a", "b"}, 3},
    };
    Keyless k;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        k.server.command({{"clear", true}});
        k.server.script(r.script);
        auto answers = translate_keyless_texts(*k.translator, {"a", "b"});
        ASSERT_TRUE(answers) << answers.error().display();
        EXPECT_EQ(*answers, r.want);
        EXPECT_EQ(k.server.requests().size(), r.requests);
        if (r.requests == 3) {
            auto q = k.queries();
            EXPECT_EQ(q[1], "a");
            EXPECT_EQ(q[2], "b");
        }
    }
}

TEST(GoogleKeyless, RetriesAndFailures) {
    struct Row {
        const char* name;
        nlohmann::json script;
        std::string error;  // empty: succeeds
        std::size_t calls;
        std::vector<long> pauses;
    } rows[] = {
        {"503 four times", nlohmann::json::array({{{"status", 503}}, {{"status", 503}}, {{"status", 503}}, {{"status", 503}}}),
         "translation failed: Google HTTP status 503", 4, {400, 800, 1600}},
        {"429 then an answer", nlohmann::json::array({{{"status", 429}}, {{"translation", "ok"}}}), "", 2, {400}},
        {"body cut short then an answer", nlohmann::json::array({{{"cut", true}}, {{"translation", "ok"}}}), "", 2, {400}},
        {"404 is not retried", nlohmann::json::array({{{"status", 404}}}), "translation failed: Google HTTP status 404", 1, {}},
        {"no nested array", nlohmann::json::array({{{"body", "[\"x\"]"}}}),
         "translation failed: unofficial Google response did not contain a translation", 1, {}},
        {"empty array", nlohmann::json::array({{{"body", "[]"}}}),
         "translation failed: unofficial Google response did not contain a translation", 1, {}},
        {"no text", nlohmann::json::array({{{"body", "[[[1],[],[\"\"]]]"}}}),
         "translation failed: unofficial Google response had empty translation text", 1, {}},
        {"not JSON", nlohmann::json::array({{{"body", "<html>"}}}), "translation failed: json: ", 1, {}},
    };
    Keyless k;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        k.server.command({{"clear", true}});
        k.pauses.ms.clear();
        k.server.script(r.script);
        auto answers = translate_keyless_texts(*k.translator, {"one text"});
        if (r.error.empty()) {
            ASSERT_TRUE(answers) << answers.error().display();
            EXPECT_EQ(*answers, std::vector<std::string>{"ok"});
        } else {
            ASSERT_FALSE(answers);
            EXPECT_TRUE(answers.error().display().starts_with(r.error)) << answers.error().display();
        }
        EXPECT_EQ(k.server.requests().size(), r.calls);
        EXPECT_EQ(k.pauses.ms, r.pauses);
    }
}

TEST(GoogleKeyless, FourWorkersInFlightAndOneErrorReported) {
    Keyless k;
    // 32 texts make four batches of 8; all four must be in flight at once
    // for the barrier to let them through.
    std::vector<std::string> texts(32, "word");
    nlohmann::json barrier = nlohmann::json::array();
    for (int i = 0; i < 4; ++i) barrier.push_back({{"barrier", 4}});
    k.server.script(barrier);
    auto answers = translate_keyless_texts(*k.translator, texts);
    ASSERT_TRUE(answers) << answers.error().display();
    EXPECT_EQ(answers->size(), 32u);
    EXPECT_EQ(k.server.requests().size(), 4u);

    // Two batches failing on two workers: one error, the whole list fails.
    k.server.command({{"clear", true}});
    k.server.script(nlohmann::json::array({{{"status", 400}}, {{"status", 400}}}));
    auto failed = translate_keyless_texts(*k.translator, std::vector<std::string>(16, "w"));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().display(), "translation failed: Google HTTP status 400");
}

TEST(GoogleKeyless, ProbeOfAStalledEndpointEndsWithinItsLimit) {
    LlmServer server;
    GoogleClientHooks hooks;
    hooks.keyless_base_url = "http://127.0.0.1:" + std::to_string(server.port());
    server.script(nlohmann::json::array({{{"stall", 10}}}));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probe_keyless_google("en", "zh", hooks), nullptr);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 5.0);

    auto found = probe_keyless_google("en", "zh", hooks);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->api_kind, GoogleApiKind::Keyless);
    EXPECT_EQ(found->http_client.timeout_secs(), 60u);
    EXPECT_EQ(found->base_url, hooks.keyless_base_url);
    EXPECT_EQ(new_keyless_google_translator("en", "zh")->base_url, "https://translate.googleapis.com");
}

}  // namespace
}  // namespace zvk
