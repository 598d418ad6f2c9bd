// The HTTP layer against the stand-in service on 127.0.0.1: verified TLS,
// ignored proxies, redirects that keep secrets at their host, the body cap,
// connection reuse and error texts without URLs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/llm_server.h"
#include "support/scoped_env.h"
#include "translator/http_client.h"
#include "translator/llm_client.h"

namespace zvk {
namespace {

using test::LlmServer;
using test::ScopedEnv;

const std::vector<HttpHeader> kHeaders = {{"Authorization", "Bearer sk-test"},
                                          {"Content-Type", "application/json"}};

// A script of one action.
nlohmann::json one(nlohmann::json action) { return nlohmann::json::array({std::move(action)}); }

std::string url_of(const LlmServer& server, const std::string& path = "/chat/completions") {
    return server.base_url() + path;
}

TEST(HttpClient, TimeLimitIsClampedNotWrapped) {
    struct Case {
        std::uint64_t in;
        std::uint64_t want;
    } cases[] = {
        {0, 1},
        {1, 1},
        {300, 300},
        {kMaxHttpTimeoutSecs, kMaxHttpTimeoutSecs},
        {kMaxHttpTimeoutSecs + 1, kMaxHttpTimeoutSecs},
        {UINT64_MAX, kMaxHttpTimeoutSecs},
    };
    for (const Case& c : cases) EXPECT_EQ(clamp_timeout_secs(c.in), c.want) << c.in;
    // The clamped limit still fits curl's milliseconds.
    EXPECT_LT(kMaxHttpTimeoutSecs * 1000, static_cast<std::uint64_t>(INT64_MAX));
}

TEST(HttpClient, HugeTimeLimitStillAnswers) {
    LlmServer server;
    HttpClient client({UINT64_MAX, kDefaultHttpBodyLimit, {}});
    EXPECT_EQ(client.timeout_secs(), kMaxHttpTimeoutSecs);
    auto answer = client.post(url_of(server), kHeaders, "{}");
    ASSERT_TRUE(answer) << answer.error().text;
    EXPECT_NE(answer->find("choices"), std::string::npos);
}

TEST(HttpClient, HeaderValuesWithControlCharactersAreNeverSent) {
    LlmServer server;
    HttpClient client;
    const std::string bad_values[] = {"Bearer k\r\nX-Injected: 1", "Bearer k\nX-Injected: 1",
                                      "Bearer k\r", std::string("Bearer k\0x", 10), "k\x7f",
                                      "k\tk"};
    for (const std::string& value : bad_values) {
        auto answer = client.post(url_of(server), {{"Authorization", value}}, "{}");
        ASSERT_FALSE(answer);
        EXPECT_EQ(answer.error().status, 0);
        EXPECT_EQ(answer.error().text.find("Bearer"), std::string::npos);
    }
    auto bad_name = client.post(url_of(server), {{"X-A\nB", "v"}}, "{}");
    EXPECT_FALSE(bad_name);
    EXPECT_TRUE(server.requests().empty());
    // The check is no blanket refusal.
    EXPECT_TRUE(client.post(url_of(server), kHeaders, "{}"));
}

TEST(HttpClient, SendsAnEmptyExpectAndTheGivenHeaders) {
    LlmServer server;
    HttpClient client;
    std::string body(std::size_t{2} << 20, 'x');  // curl asks for 100-continue past 1 MiB
    ASSERT_TRUE(client.post(url_of(server), kHeaders, body));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& headers = requests[0].at("headers");
    EXPECT_FALSE(headers.contains("expect"));
    EXPECT_EQ(headers.at("authorization"), "Bearer sk-test");
    EXPECT_EQ(headers.at("content-type"), "application/json");
    EXPECT_EQ(requests[0].at("body").get<std::string>().size(), body.size());
}

TEST(HttpClient, StatusesAndTransportFailures) {
    LlmServer server;
    HttpClient client({5, 4096, {}});
    struct Case {
        const char* name;
        nlohmann::json action;
        long status;
        std::string text;  // exact, or a prefix when it ends in "*"
        bool transient;
    } cases[] = {
        {"not found", {{"status", 404}}, 404, "", false},
        {"server error", {{"status", 503}}, 503, "", false},
        {"error status with a large body", {{"status", 500}, {"oversize", 100000}}, 500, "", false},
        {"dropped", {{"drop", true}}, 0, "io: *", true},
        {"cut off", {{"cut", true}}, 0, "io: unexpected end of file", true},
        {"oversized", {{"oversize", 5000}}, 0,
         "response body larger than the limit of 4096 bytes", false},
        {"gzip bomb", {{"bomb", 50'000'000}}, 0,
         "response body larger than the limit of 4096 bytes", false},
        {"stall", {{"stall", 8}}, 0, "timeout: global", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.script(one(c.action));
        auto answer = client.post(url_of(server), kHeaders, "{}");
        ASSERT_FALSE(answer);
        EXPECT_EQ(answer.error().status, c.status);
        const std::string& text = answer.error().text;
        if (!c.text.empty() && c.text.back() == '*') {
            EXPECT_TRUE(text.starts_with(c.text.substr(0, c.text.size() - 1))) << text;
        } else {
            EXPECT_EQ(text, c.text);
        }
        EXPECT_EQ(is_transient_transport_error(text), c.transient) << text;
    }
}

// A stopped run must not sit out a stalled request: raising the flag ends it
// within curl's progress interval, with a failure no retry rule takes up.
TEST(HttpClient, StopFlagEndsARequestUnderWay) {
    LlmServer server;
    server.script(one({{"stall", 20}}));
    auto stop = std::make_shared<std::atomic<bool>>(false);
    HttpClientSettings settings;
    settings.timeout_secs = 60;
    settings.stop = stop;
    HttpClient client(settings);
    std::thread raise([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop->store(true);
    });
    const auto start = std::chrono::steady_clock::now();
    HttpResult result = client.post(url_of(server), kHeaders, "{}");
    const auto took = std::chrono::steady_clock::now() - start;
    raise.join();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().status, 0);
    EXPECT_EQ(result.error().text, "stopped");
    EXPECT_FALSE(is_retryable_backend_error(result.error().text));
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(HttpClient, DecodesGzipWithinTheCap) {
    LlmServer server;
    HttpClient client;
    server.script(one({{"gzip", true}, {"content", "\xe4\xbd\xa0\xe5\xa5\xbd"}}));
    auto answer = client.post(url_of(server), kHeaders, "{}");
    ASSERT_TRUE(answer) << answer.error().text;
    EXPECT_NE(answer->find("\xe4\xbd\xa0\xe5\xa5\xbd"), std::string::npos);
}

TEST(HttpClient, ErrorTextsHoldNoUrl) {
    // A port nobody listens on: connection refused.
    int closed_port;
    {
        LlmServer server;
        closed_port = server.port();
    }
    HttpClient client;
    std::string url = "http://127.0.0.1:" + std::to_string(closed_port) + "/v1/x?key=sk-query";
    auto answer = client.post(url, kHeaders, "{}");
    ASSERT_FALSE(answer);
    EXPECT_EQ(answer.error().text, "io: Connection refused");

    for (std::string bad : {"ftp://127.0.0.1/v1?key=sk-query", "file:///etc/passwd",
                            "http://[::1/sk-query"}) {
        auto refused = client.post(bad, kHeaders, "{}");
        ASSERT_FALSE(refused) << bad;
        EXPECT_EQ(refused.error().text.find("sk-query"), std::string::npos)
            << refused.error().text;
        EXPECT_EQ(refused.error().text.find("127.0.0.1"), std::string::npos);
    }
}

TEST(HttpClient, ProxiesOfTheEnvironmentAreIgnored) {
    LlmServer server;
    // A proxy that nobody runs: using it would fail.
    const char* dead = "http://127.0.0.1:9";
    ScopedEnv a("http_proxy", dead), b("HTTP_PROXY", dead), c("https_proxy", dead),
        d("HTTPS_PROXY", dead), e("ALL_PROXY", dead), f("all_proxy", dead), g("no_proxy", nullptr),
        h("NO_PROXY", nullptr);
    HttpClient client;
    auto answer = client.post(url_of(server), kHeaders, "{}");
    EXPECT_TRUE(answer) << answer.error().text;
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(HttpClient, TlsVerifiesAgainstTheGivenRootOnly) {
    LlmServer server(true);
    ASSERT_FALSE(server.cert_pem().empty());
    HttpClient trusting({10, kDefaultHttpBodyLimit, server.cert_pem()});
    auto ok = trusting.post(url_of(server), kHeaders, "{}");
    ASSERT_TRUE(ok) << ok.error().text;

    HttpClient system_roots;  // the system bundle does not hold the test root
    auto untrusted = system_roots.post(url_of(server), kHeaders, "{}");
    ASSERT_FALSE(untrusted);
    EXPECT_TRUE(untrusted.error().text.starts_with("tls: ")) << untrusted.error().text;
    EXPECT_FALSE(is_transient_transport_error(untrusted.error().text));

    // The certificate names 127.0.0.1, not localhost.
    std::string other_name = "https://localhost:" + std::to_string(server.port()) + "/v1/x";
    auto wrong_name = trusting.post(other_name, kHeaders, "{}");
    ASSERT_FALSE(wrong_name);
    EXPECT_TRUE(wrong_name.error().text.starts_with("tls: ")) << wrong_name.error().text;

    // Only the first request reached the handler.
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(HttpClient, RedirectsKeepAuthorizationAtItsHostAndPort) {
    LlmServer first, second;
    HttpClient client;
    std::string same_host = url_of(first, "/moved");
    std::string other_host = "http://localhost:" + std::to_string(first.port()) + "/v1/moved";
    std::string other_port = url_of(second, "/moved");
    struct Case {
        const char* name;
        std::string location;
        LlmServer* target;
        bool keeps_authorization;
    } cases[] = {
        {"same host and port", same_host, &first, true},
        {"another host name", other_host, &first, false},
        {"another port", other_port, &second, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        first.command({{"clear", true}});
        second.command({{"clear", true}});
        first.script(one({{"redirect", c.location}}));
        auto answer = client.post(url_of(first), kHeaders, "{}");
        ASSERT_TRUE(answer) << answer.error().text;
        auto requests = c.target->requests();
        ASSERT_FALSE(requests.empty());
        const auto& followed = requests.back();
        EXPECT_EQ(followed.at("path"), "/v1/moved");
        EXPECT_EQ(followed.at("headers").contains("authorization"), c.keeps_authorization);
    }
}

TEST(HttpClient, HttpsNeverRedirectsToHttp) {
    LlmServer secure(true), plain;
    HttpClient client({10, kDefaultHttpBodyLimit, secure.cert_pem()});
    secure.script(one({{"redirect", url_of(plain)}}));
    auto answer = client.post(url_of(secure), kHeaders, "{}");
    ASSERT_FALSE(answer);
    EXPECT_TRUE(answer.error().text.starts_with("refused: ")) << answer.error().text;
    EXPECT_TRUE(plain.requests().empty());
}

TEST(HttpClient, SequentialRequestsShareOneConnection) {
    LlmServer server(true);
    HttpClient client({10, kDefaultHttpBodyLimit, server.cert_pem()});
    for (int i = 0; i < 20; ++i) {
        auto answer = client.post(url_of(server), kHeaders, "{}");
        ASSERT_TRUE(answer) << answer.error().text;
    }
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 20u);
    for (const auto& request : requests) EXPECT_EQ(request.at("connection"), 1);
    // A copy shares the pool, so it finds the same connection.
    HttpClient copy = client;
    ASSERT_TRUE(copy.post(url_of(server), kHeaders, "{}"));
    EXPECT_EQ(server.requests().back().at("connection"), 1);
}

TEST(HttpClient, EightRequestsAreInFlightAtOnce) {
    // Each answer waits until all eight have arrived: a lock held across a
    // request would leave them one at a time and end in status 504.
    LlmServer server;
    HttpClient client({60, kDefaultHttpBodyLimit, {}});
    constexpr int kJobs = 8;
    nlohmann::json actions = nlohmann::json::array();
    for (int i = 0; i < kJobs; ++i) actions.push_back({{"barrier", kJobs}});
    server.script(actions);
    std::vector<long> statuses(kJobs, -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < kJobs; ++i) {
        threads.emplace_back([&, i] {
            auto answer = client.post(url_of(server), kHeaders, "{}");
            statuses[i] = answer ? 200 : answer.error().status;
        });
    }
    for (std::thread& t : threads) t.join();
    for (long status : statuses) EXPECT_EQ(status, 200);
}

}  // namespace
}  // namespace zvk
