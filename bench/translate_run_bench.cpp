// The translation run's pool against the tests' stand-in service with a
// fixed latency per request: wall time for N one-unit batches at each job
// count (with 200 ms a request, 50 batches on 8 workers should take about
// 1.4 s, not 10) with the most requests the service saw at once, and the
// requests a second run with a warm checkpoint sends.
//
//     zvk_translate_run_bench [--batches N] [--latency SECONDS]
//
// Run by hand; never a test.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/llm_server.h"
#include "translate/translation_run.h"
#include "translator/llm_client.h"

namespace {

struct Run {
    double seconds = 0;
    std::uint64_t calls = 0;
    std::uint64_t cache_hits = 0;
};

Run run_once(const zvk::TranslatorBackend& translator, std::size_t batches, unsigned jobs) {
    zvk::ExtractedDocument document;
    std::vector<zvk::Segment> units;
    for (std::size_t i = 0; i < batches; ++i) {
        zvk::Segment unit;
        unit.id = static_cast<std::uint32_t>(i);
        unit.source = "Paragraph " + std::to_string(i) + " of a long methods section about the measurements.";
        units.push_back(unit);
    }
    zvk::TranslateOptions options;
    options.batch_size = 1;
    const auto start = std::chrono::steady_clock::now();
    const auto outcome = zvk::translate_planned_units(document, units, {}, options, translator, jobs);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!outcome) {
        std::fprintf(stderr, "%s\n", outcome.error().display().c_str());
        std::exit(1);
    }
    return {seconds, outcome->calls, outcome->cache_hits};
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t batches = 50;
    double latency = 0.2;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--batches") batches = std::strtoul(argv[i + 1], nullptr, 10);
        if (std::string(argv[i]) == "--latency") latency = std::atof(argv[i + 1]);
    }
    zvk::test::LlmServer server;
    server.command({{"latency", latency}});
    ::setenv("ZVK_LLM_API_KEY", "sk-bench", 1);
    ::unsetenv("ZVK_TRANSLATE_CHECKPOINT");
    for (const unsigned jobs : {8u, 4u, 1u}) {
        zvk::TranslateOptions options;
        options.base_url = server.base_url();
        auto llm = zvk::new_llm_translator(options, {});
        if (!llm) return 1;
        const zvk::TranslatorBackend translator(std::move(*llm));
        server.command({{"clear", true}});
        const Run run = run_once(translator, batches, jobs);
        // The stand-in's gauge: the most requests it served at once.
        std::size_t peak = 0;
        for (const auto& request : server.requests())
            peak = std::max<std::size_t>(peak, request.at("in_flight").get<std::size_t>());
        std::printf("jobs %u: %zu batches in %.2f s, %llu requests, at most %zu in flight\n", jobs, batches,
                    run.seconds, static_cast<unsigned long long>(run.calls), peak);
    }
    char path[] = "/tmp/zvk-run-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return 1;
    ::close(fd);
    ::setenv("ZVK_TRANSLATE_CHECKPOINT", path, 1);
    for (const char* label : {"cold checkpoint", "warm checkpoint"}) {
        zvk::TranslateOptions options;
        options.base_url = server.base_url();
        auto llm = zvk::new_llm_translator(options, {});
        if (!llm) return 1;
        const zvk::TranslatorBackend translator(std::move(*llm));
        const Run run = run_once(translator, batches, 8);
        std::printf("%s: %llu requests, %llu cache hits, %.2f s\n", label,
                    static_cast<unsigned long long>(run.calls), static_cast<unsigned long long>(run.cache_hits),
                    run.seconds);
    }
    ::unlink(path);
    return 0;
}
