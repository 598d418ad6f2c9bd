// The Google clients against the tests' stand-in service on 127.0.0.1, with a
// latency per request:
//   - v3 with a service-account key, 8 workers: requests, token exchanges (one
//     per token lifetime, a few more only when it goes stale under load), wall
//     time per request;
//   - keyless: texts per request (about 8) and the requests a call has in
//     flight at once (wall time against the sum of the latencies).
//
//     zvk_google_bench [--requests N] [--latency-ms M]
//
// Run by hand; never a test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/llm_server.h"
#include "translator/google_client.h"

int main(int argc, char** argv) {
    int requests = 200;
    int latency_ms = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--requests") requests = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--latency-ms") latency_ms = std::atoi(argv[i + 1]);
    }
    zvk::test::LlmServer server;
    std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    std::string pem = server.command({{"make_key", true}}).at("pem").get<std::string>();
    server.command({{"latency", latency_ms / 1000.0}});

    nlohmann::json key = {{"client_email", "bench@example.com"},
                          {"private_key", pem},
                          {"token_uri", base + "/token"}};
    auto v3 = zvk::new_google_v3_with_service_account("en", "zh", "bench", "", key.dump());
    if (!v3) {
        std::fprintf(stderr, "%s\n", v3.error().display().c_str());
        return 1;
    }
    (*v3)->base_url = base;
    constexpr int kJobs = 8;
    auto wall0 = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int w = 0; w < kJobs; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < requests / kJobs; ++i)
                (void)zvk::google_translate_texts(**v3, {"some text to translate"});
        });
    }
    for (std::thread& t : workers) t.join();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    int exchanges = 0, calls = 0;
    for (const auto& r : server.requests())
        (r.at("path").get<std::string>() == "/token" ? exchanges : calls) += 1;
    std::printf("v3, %d workers: %d requests, %d token exchange(s), %.2f ms wall each\n", kJobs,
                calls, exchanges, wall * 1000 / calls);

    server.command({{"clear", true}});
    zvk::GoogleClientHooks hooks;
    hooks.keyless_base_url = base;
    auto keyless = zvk::new_keyless_google_translator("en", "zh", hooks);
    std::vector<std::string> texts;
    for (int i = 0; i < requests; ++i)
        texts.push_back("Sentence number " + std::to_string(i) + " with \u27e6" +
                        std::to_string(i % 3) + "\u27e7 in it.");
    wall0 = std::chrono::steady_clock::now();
    auto answers = zvk::translate_keyless_texts(*keyless, texts);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    if (!answers) {
        std::fprintf(stderr, "%s\n", answers.error().display().c_str());
        return 1;
    }
    auto sent = server.requests().size();
    std::printf("keyless: %d texts in %zu requests (%.1f texts each), %.0f ms wall, "
                "%.1f requests in flight on average\n",
                requests, sent, static_cast<double>(requests) / sent, wall * 1000,
                sent * latency_ms / (wall * 1000));
    return 0;
}
