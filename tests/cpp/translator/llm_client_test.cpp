// The LLM chat-completions client: the request it sends, its retries and
// pauses (from an injected sleeper), the answer cache, time limits, the stop
// flag and the texts of its errors.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/llm_server.h"
#include "support/scoped_env.h"
#include "translator/llm_client.h"

namespace zvk {
namespace {

using test::CleanZvkEnv;
using test::LlmServer;
using test::ScopedEnv;

constexpr const char* kKey = "sk-live-0123456789";

nlohmann::json one(nlohmann::json action) { return nlohmann::json::array({std::move(action)}); }

// Pauses asked for, recorded instead of slept.
struct PauseLog {
    std::mutex mutex;
    std::vector<long> seconds;
    RetrySleeper sleeper() {
        return [this](std::chrono::seconds s) {
            std::lock_guard<std::mutex> guard(mutex);
            seconds.push_back(static_cast<long>(s.count()));
        };
    }
};

// An LLM client pointed at the stand-in, with the key in the environment.
struct Client {
    CleanZvkEnv clean;
    ScopedEnv key{"ZVK_LLM_API_KEY", kKey};
    PauseLog pauses;
    std::unique_ptr<LlmTranslator> llm;

    explicit Client(const LlmServer& server, std::uint64_t timeout_secs = 30,
                    std::shared_ptr<const std::atomic<bool>> stop = nullptr) {
        TranslateOptions options;
        options.base_url = server.base_url() + "/";
        options.model = "m1";
        options.timeout_secs = timeout_secs;
        LlmClientHooks hooks{pauses.sleeper(), std::move(stop), server.cert_pem()};
        auto made = new_llm_translator(options, std::move(hooks));
        if (!made) throw std::runtime_error(made.error().display());
        llm = std::move(*made);
    }
    Result<std::string> ask(std::string_view system = "sys", std::string_view user = "hello") {
        return llm_translate(*llm, system, user);
    }
};

TEST(LlmClient, RequestBodyIsPrettyWithKeysInByteOrder) {
    EXPECT_EQ(build_chat_completion_body("be brief", "say \"hi\"", "auto", 0.0f, std::nullopt),
              "{\n"
              "  \"messages\": [\n"
              "    {\n"
              "      \"content\": \"be brief\",\n"
              "      \"role\": \"system\"\n"
              "    },\n"
              "    {\n"
              "      \"content\": \"say \\\"hi\\\"\",\n"
              "      \"role\": \"user\"\n"
              "    }\n"
              "  ],\n"
              "  \"model\": \"auto\",\n"
              "  \"temperature\": 0.0\n"
              "}");
    std::string with_limit = build_chat_completion_body("s", "u", "m", 0.2f, 4096u);
    EXPECT_TRUE(with_limit.starts_with("{\n  \"max_tokens\": 4096,\n  \"messages\": ["))
        << with_limit;
    EXPECT_TRUE(with_limit.ends_with("\"temperature\": 0.20000000298023224\n}")) << with_limit;
}

TEST(LlmClient, ChatCompletionsUrl) {
    struct Case {
        const char* base;
        const char* want;
    } cases[] = {
        {"https://h/v1", "https://h/v1/chat/completions"},
        {"https://h/v1///", "https://h/v1/chat/completions"},
        {"https://h", "https://h/chat/completions"},
        {"", "/chat/completions"},
    };
    for (const Case& c : cases) EXPECT_EQ(chat_completions_url(c.base), c.want) << c.base;
}

TEST(LlmClient, RedactSecret) {
    struct Case {
        const char* text;
        const char* secret;
        const char* want;
    } cases[] = {
        {"io: sk-1 failed sk-1", "sk-1", "io: [redacted] failed [redacted]"},
        {"aaaa", "aa", "[redacted][redacted]"},
        {"no secret here", "", "no secret here"},
        {"header Bearer abc.def\"rest", "", "header Bearer [redacted]\"rest"},
        {"Bearer x'y Bearer z w", "", "Bearer [redacted]'y Bearer [redacted] w"},
        {"ends with Bearer ", "", "ends with Bearer [redacted]"},
        {"Bearer tok\xe3\x80\x80next", "", "Bearer [redacted]\xe3\x80\x80next"},  // U+3000 ends it
        {"bearer lower stays", "", "bearer lower stays"},
        {"Authorization: Bearer sk-9 sent", "sk-9", "Authorization: Bearer [redacted] sent"},
    };
    for (const Case& c : cases) EXPECT_EQ(redact_secret(c.text, c.secret), c.want) << c.text;
}

TEST(LlmClient, RetryTests) {
    struct Case {
        const char* text;
        bool transient;
        bool retryable;
    } cases[] = {
        {"translation failed: io: Connection refused", true, true},
        {"translation failed: IO: x", true, true},
        {"translation failed: Unexpected End Of File", true, true},
        {"translation failed: connection reset by peer", true, true},
        {"translation failed: LLM HTTP status 503", false, true},
        {"translation failed: LLM HTTP status 500", false, true},
        {"translation failed: LLM HTTP status 502", false, true},
        {"translation failed: LLM HTTP status 429", false, true},
        {"translation failed: llm http status 503", false, false},  // case matters here
        {"translation failed: LLM HTTP status 401", false, false},
        {"translation failed: LLM HTTP status 504", false, false},
        {"translation failed: timeout: global", false, false},
        {"translation failed: LLM request failed", false, false},
        {"translation failed: response body larger than the limit of 8388608 bytes", false, false},
        {"translation failed: tls: handshake failed", false, false},
        {"translation failed: dns: could not resolve the host", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_transient_transport_error(c.text), c.transient) << c.text;
        EXPECT_EQ(is_retryable_backend_error(c.text), c.retryable) << c.text;
    }
}

TEST(LlmClient, KeyChecksAtConstruction) {
    struct Case {
        const char* value;  // null: unset
        const char* message;
    } cases[] = {
        {nullptr,
         "translation failed: ZVK_LLM_API_KEY is not set; the API key is accepted only from that "
         "environment variable"},
        {"\xff\xfe", nullptr},  // not UTF-8 counts as unset
        {"  \t", "translation failed: ZVK_LLM_API_KEY is empty"},
        {"sk-secret\r\nX-Injected: 1",
         "translation failed: ZVK_LLM_API_KEY holds a control character (a line break?); it "
         "cannot be sent in a header"},
        {"sk-secret\n", nullptr},
    };
    for (const Case& c : cases) {
        CleanZvkEnv clean;
        ScopedEnv key("ZVK_LLM_API_KEY", c.value);
        auto made = new_llm_translator(TranslateOptions{});
        ASSERT_FALSE(made);
        std::string text = made.error().display();
        if (c.message != nullptr) {
            EXPECT_EQ(text, c.message);
        }
        EXPECT_EQ(text.find("sk-secret"), std::string::npos) << text;
        EXPECT_EQ(made.error().kind(), CoreError::Kind::Translation);
    }
    // A key with spaces around it is sent as read.
    CleanZvkEnv clean;
    ScopedEnv key("ZVK_LLM_API_KEY", " sk ");
    TranslateOptions options;
    options.timeout_secs = 0;
    auto made = new_llm_translator(options);
    ASSERT_TRUE(made);
    EXPECT_EQ((*made)->timeout_secs(), 1u);  // 0 behaves as 1
    EXPECT_EQ((*made)->model(), "auto");
}

TEST(LlmClient, SendsOneChatRequest) {
    LlmServer server;
    Client client(server);
    auto answer = client.ask("system text", "user text");
    ASSERT_TRUE(answer) << answer.error().display();
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].at("path"), "/v1/chat/completions");  // trailing "/" of the base dropped
    const auto& headers = requests[0].at("headers");
    EXPECT_EQ(headers.at("authorization"), std::string("Bearer ") + kKey);
    EXPECT_EQ(headers.at("content-type"), "application/json");
    EXPECT_FALSE(headers.contains("expect"));
    EXPECT_EQ(requests[0].at("body"),
              build_chat_completion_body("system text", "user text", "m1", 0.0f, std::nullopt));
}

TEST(LlmClient, AnswersTheSegmentsWithFillerKeepingIdsAndPlaceholders) {
    LlmServer server;
    Client client(server);
    auto answer = client.ask(
        "sys", R"({"segments":[{"id":4,"text":"see ⟦0⟧ and ⟦12⟧"},{"id":9,"text":"plain"}]})");
    ASSERT_TRUE(answer) << answer.error().display();
    auto parsed = nlohmann::json::parse(*answer);
    ASSERT_EQ(parsed.at("translations").size(), 2u);
    EXPECT_EQ(parsed["translations"][0]["id"], 4);
    EXPECT_EQ(parsed["translations"][0]["text"], "译文⟦0⟧⟦12⟧");
    EXPECT_EQ(parsed["translations"][1]["id"], 9);
}

TEST(LlmClient, OutcomesOfOneCall) {
    LlmServer server;
    struct Case {
        const char* name;
        nlohmann::json script;
        std::string result;  // the answer, or the error's display text
        bool ok;
        std::size_t requests;
        std::vector<long> pauses;
    } cases[] = {
        {"content is trimmed", one({{"content", "  hello \n"}}), "hello", true, 1, {}},
        {"blank content", one({{"content", "   "}}),
         "translation failed: LLM response had empty message.content (reasoning tokens are "
         "ignored)",
         false, 1, {}},
        {"no choices", one({{"body", "{\"id\":1}"}}),
         "translation failed: LLM response had empty message.content (reasoning tokens are "
         "ignored)",
         false, 1, {}},
        {"content not a string", one({{"body", "{\"choices\":[{\"message\":{\"content\":5}}]}"}}),
         "translation failed: LLM response had empty message.content (reasoning tokens are "
         "ignored)",
         false, 1, {}},
        {"wrong key", one({{"status", 401}}), "translation failed: LLM HTTP status 401", false, 1,
         {}},
        {"three 503 then success",
         nlohmann::json::array({{{"status", 503}}, {{"status", 503}}, {{"status", 503}},
                                {{"content", "ok"}}}),
         "ok", true, 4, {2, 4, 8}},
        {"four 429", nlohmann::json::array({{{"status", 429}}, {{"status", 429}},
                                            {{"status", 429}}, {{"status", 429}}}),
         "translation failed: LLM HTTP status 429", false, 4, {2, 4, 8}},
        {"dropped connection is retried",
         nlohmann::json::array({{{"drop", true}}, {{"content", "again"}}}), "again", true, 2, {2}},
        {"cut-off body is retried", nlohmann::json::array({{{"cut", true}}, {{"content", "b"}}}),
         "b", true, 2, {2}},
        {"not JSON", one({{"body", "<html>"}}),
         "translation failed: json: syntax error while parsing value - invalid literal; last "
         "read: '<' at line 1 column 1",
         false, 1, {}},
        {"oversized body", one({{"oversize", 9'000'000}}),
         "translation failed: response body larger than the limit of 8388608 bytes", false, 1, {}},
        {"gzip bomb", one({{"bomb", 200'000'000}}),
         "translation failed: response body larger than the limit of 8388608 bytes", false, 1, {}},
        {"gzip answer", one({{"gzip", true}, {"content", "zipped"}}), "zipped", true, 1, {}},
        {"redirect followed", one({{"redirect", server.base_url() + "/chat/completions"}}),
         "译文", true, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.command({{"clear", true}});
        server.script(c.script);
        Client client(server);
        auto answer = client.ask();
        if (c.ok) {
            ASSERT_TRUE(answer) << answer.error().display();
            EXPECT_EQ(*answer, c.result);
        } else {
            ASSERT_FALSE(answer);
            std::string text = answer.error().display();
            // The parser's own words may differ between versions; the form may not.
            if (c.result.find("json: ") != std::string::npos) {
                EXPECT_TRUE(text.starts_with("translation failed: json: ") &&
                            text.ends_with(" at line 1 column 1"))
                    << text;
            } else {
                EXPECT_EQ(text, c.result);
            }
            EXPECT_EQ(text.find(kKey), std::string::npos);
        }
        EXPECT_EQ(server.requests().size(), c.requests);
        EXPECT_EQ(client.pauses.seconds, c.pauses);
    }
}

TEST(LlmClient, AnswersAreCachedPerPromptPair) {
    LlmServer server;
    Client client(server);
    server.script(nlohmann::json::array({{{"content", "first"}}, {{"content", "second"}}}));
    EXPECT_EQ(client.ask("s", "u").value(), "first");
    EXPECT_EQ(client.ask("s", "u").value(), "first");  // no request
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(client.ask("s2", "u").value(), "second");  // another system prompt
    EXPECT_EQ(server.requests().size(), 2u);
    // A failure is not cached: the same question asks again.
    server.script(nlohmann::json::array({{{"status", 400}}, {{"content", "third"}}}));
    EXPECT_FALSE(client.ask("s3", "u"));
    EXPECT_EQ(client.ask("s3", "u").value(), "third");
    EXPECT_EQ(server.requests().size(), 4u);
}

TEST(LlmClient, StallEndsWithGlobalTimeoutWithoutRetry) {
    LlmServer server;
    Client client(server, 0);  // 0 behaves as 1 second
    server.script(one({{"stall", 6}}));
    auto start = std::chrono::steady_clock::now();
    auto answer = client.ask();
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(answer);
    EXPECT_EQ(answer.error().display(), "translation failed: timeout: global");
    EXPECT_TRUE(client.pauses.seconds.empty());
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST(LlmClient, StopFlagEndsTheWait) {
    LlmServer server;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    Client client(server, 120, stop);
    server.script(one({{"stall", 30}}));
    std::thread stopper([stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop->store(true);
    });
    auto answer = client.ask();
    stopper.join();
    ASSERT_FALSE(answer);
    EXPECT_EQ(answer.error().text(), kLlmStoppedMessage);
    EXPECT_FALSE(is_retryable_backend_error(answer.error().display()));
    // Stopped before the call: nothing is sent.
    EXPECT_FALSE(client.ask("other", "question"));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(LlmClient, TlsAnswersWithTheTestRoot) {
    LlmServer server(true);
    Client client(server);
    auto answer = client.ask();
    ASSERT_TRUE(answer) << answer.error().display();
    EXPECT_EQ(*answer, "译文");
}

TEST(LlmClientDeathTest, ExitRightAfterGlobalTimeoutIsClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    LlmServer server;
    server.script(one({{"stall", 20}}));
    // The attempt's thread is still inside its request when the process
    // leaves main; it must neither crash nor hold the exit up.
    EXPECT_EXIT(
        {
            Client client(server, 1);
            auto answer = client.ask();
            std::exit(!answer && answer.error().text() == "timeout: global" ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zvk
