// The cost of the LLM client outside the network, against the stand-in
// service of the tests (tests/support/llm_server.py) on 127.0.0.1:
//   - sequential requests over HTTPS: wall time per request, and the CPU time
//     this process spends per request (client, TLS and the attempt thread;
//     the service runs in its own process), and how many connections the
//     service saw (1 means every request reused the first handshake);
//   - 8 workers at once, each with its own questions: wall time per request.
//
//     zvk_llm_bench [--requests N]
//
// Run by hand; never a test.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/llm_server.h"
#include "translator/llm_client.h"

namespace {

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    int requests = 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--requests") requests = std::atoi(argv[i + 1]);

    zvk::test::LlmServer server(true);
    ::setenv("ZVK_LLM_API_KEY", "sk-bench", 1);
    zvk::TranslateOptions options;
    options.base_url = server.base_url();
    zvk::LlmClientHooks hooks;
    hooks.trusted_roots_pem = server.cert_pem();
    auto llm = zvk::new_llm_translator(options, hooks);
    if (!llm) {
        std::fprintf(stderr, "%s\n", llm.error().display().c_str());
        return 1;
    }
    std::string user(4000, 'a');  // about the size of one batch of segments

    auto wall0 = std::chrono::steady_clock::now();
    double cpu0 = cpu_seconds();
    for (int i = 0; i < requests; ++i) {
        auto answer = (*llm)->translate("system " + std::to_string(i), user);
        if (!answer) {
            std::fprintf(stderr, "%s\n", answer.error().display().c_str());
            return 1;
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    double cpu = cpu_seconds() - cpu0;
    std::set<int> connections;
    for (const auto& r : server.requests()) connections.insert(r.at("connection").get<int>());
    std::printf("sequential: %d requests, %.3f ms wall each, %.3f ms CPU of the client each, "
                "%zu connection(s)\n",
                requests, wall * 1000 / requests, cpu * 1000 / requests, connections.size());

    server.command({{"clear", true}});
    constexpr int kJobs = 8;
    wall0 = std::chrono::steady_clock::now();
    cpu0 = cpu_seconds();
    std::vector<std::thread> workers;
    for (int w = 0; w < kJobs; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < requests / kJobs; ++i)
                (void)(*llm)->translate("worker " + std::to_string(w) + " " + std::to_string(i),
                                        user);
        });
    }
    for (std::thread& t : workers) t.join();
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    cpu = cpu_seconds() - cpu0;
    int done = requests / kJobs * kJobs;
    connections.clear();
    for (const auto& r : server.requests()) connections.insert(r.at("connection").get<int>());
    std::printf("%d workers: %d requests, %.3f ms wall each, %.3f ms CPU of the client each, "
                "%zu connection(s)\n",
                kJobs, done, wall * 1000 / done, cpu * 1000 / done, connections.size());
    return 0;
}
