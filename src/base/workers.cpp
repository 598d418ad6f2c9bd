#include "base/workers.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace zvk {

namespace {

constexpr unsigned kMaxWorkers = 8;

Result<void> run_guarded(const std::function<Result<void>(unsigned)>& body, unsigned index) noexcept {
    try {
        return body(index);
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        try {
            return fail(CoreError::message(std::string("internal error: ") + e.what()));
        } catch (...) {
            return fail(CoreError::out_of_memory());
        }
    } catch (...) {
        return fail(CoreError::message("internal error"));
    }
}

}  // namespace

unsigned worker_count(std::size_t units) {
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::size_t count = std::min<std::size_t>({cores, kMaxWorkers, units});
    return static_cast<unsigned>(std::max<std::size_t>(count, 1));
}

Result<void> run_workers(unsigned count, const std::function<Result<void>(unsigned)>& body) {
    count = std::max(count, 1u);
    // Every slot is made before any thread starts: a failure to allocate
    // here ends the call before there is anything to join.
    std::vector<std::optional<Result<void>>> results;
    std::vector<std::thread> threads;
    std::vector<unsigned> left_over;
    try {
        results.resize(count);
        threads.reserve(count - 1);
        left_over.reserve(count - 1);
    } catch (...) {
        return fail(CoreError::out_of_memory());
    }
    for (unsigned i = 1; i < count; ++i) {
        try {
            threads.emplace_back([&results, &body, i] {
                ready_thread_for_exceptions();
                results[i] = run_guarded(body, i);
            });
        } catch (...) {
            // No thread to be had (a process limit): the work is still done,
            // on the calling thread.
            left_over.push_back(i);
        }
    }
    results[0] = run_guarded(body, 0);
    for (unsigned i : left_over) results[i] = run_guarded(body, i);
    for (auto& thread : threads) thread.join();
    for (auto& result : results) {
        if (result && !*result) return std::move(*result);
    }
    return {};
}

}  // namespace zvk
