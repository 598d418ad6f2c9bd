// Running a body on several threads: every body runs once, and a failure or
// an exception in any of them comes back as the lowest-numbered CoreError.
#include "base/workers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/mapped_buffer.h"

namespace zvk {
namespace {

TEST(Workers, EveryBodyRunsOnce) {
    for (unsigned count : {1u, 2u, 8u}) {
        std::vector<std::atomic<int>> runs(count);
        auto result = run_workers(count, [&](unsigned i) -> Result<void> {
            runs[i].fetch_add(1);
            return {};
        });
        EXPECT_TRUE(result);
        for (unsigned i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << "body " << i << " of " << count;
    }
}

TEST(Workers, FailuresComeBackAsCoreErrors) {
    struct Case {
        const char* name;
        std::function<Result<void>(unsigned)> body;
        CoreError::Kind kind;
        std::string display;
    };
    const Case cases[] = {
        {"a returned failure",
         [](unsigned i) -> Result<void> {
             if (i == 2) return fail(CoreError::message("two failed"));
             return {};
         },
         CoreError::Kind::Message, "two failed"},
        {"the lowest-numbered failure wins",
         [](unsigned i) -> Result<void> {
             if (i >= 1) return fail(CoreError::message("body " + std::to_string(i)));
             return {};
         },
         CoreError::Kind::Message, "body 1"},
        {"an exception on a worker thread",
         [](unsigned i) -> Result<void> {
             if (i == 3) throw std::runtime_error("boom");
             return {};
         },
         CoreError::Kind::Message, "internal error: boom"},
        {"memory running out on the calling thread",
         [](unsigned i) -> Result<void> {
             if (i == 0) throw std::bad_alloc();
             return {};
         },
         CoreError::Kind::OutOfMemory, "out of memory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = run_workers(4, c.body);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), c.kind);
        EXPECT_EQ(result.error().display(), c.display);
    }
}

// Threads started ahead of their task: every body runs once per task, on as
// many distinct threads as were started, task after task on the same crew,
// with failures coming back exactly as run_workers gives them.
TEST(StandbyWorkers, RunsEveryBodyOncePerTaskOnItsOwnThread) {
    for (unsigned count : {1u, 3u, 8u}) {
        StandbyWorkers crew(count);
        ASSERT_EQ(crew.count(), count);
        for (int task = 0; task < 3; ++task) {
            std::vector<std::atomic<int>> runs(count);
            std::vector<std::thread::id> ids(count);
            auto result = crew.run([&](unsigned i) -> Result<void> {
                runs[i].fetch_add(1);
                ids[i] = std::this_thread::get_id();
                return {};
            });
            EXPECT_TRUE(result);
            for (unsigned i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << "body " << i << " of " << count;
            EXPECT_EQ(ids[0], std::this_thread::get_id());
            std::sort(ids.begin(), ids.end());
            EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end()) << "bodies shared a thread, " << count;
        }
    }
}

TEST(StandbyWorkers, FailuresComeBackAsRunWorkersGivesThem) {
    const std::function<Result<void>(unsigned)> bodies[] = {
        [](unsigned i) -> Result<void> {
            if (i >= 1) return fail(CoreError::message("body " + std::to_string(i)));
            return {};
        },
        [](unsigned i) -> Result<void> {
            if (i == 3) throw std::runtime_error("boom");
            return {};
        },
        [](unsigned i) -> Result<void> {
            if (i == 0) throw std::bad_alloc();
            return {};
        },
        [](unsigned) -> Result<void> { return {}; },
    };
    StandbyWorkers crew(4);
    for (const auto& body : bodies) {
        auto expected = run_workers(4, body);
        auto result = crew.run(body);
        ASSERT_EQ(static_cast<bool>(result), static_cast<bool>(expected));
        if (!expected) {
            EXPECT_EQ(result.error().kind(), expected.error().kind());
            EXPECT_EQ(result.error().display(), expected.error().display());
        }
    }
}

// A crew that is never given a task still ends its threads (the str could
// not be had): the destructor must not wait forever.
TEST(StandbyWorkers, EndsWithoutATask) {
    for (unsigned count : {1u, 5u}) {
        StandbyWorkers crew(count);
        EXPECT_EQ(crew.count(), count);
    }
}

// The watched pool: bodies run on threads while the caller asks; a "stop"
// reaches the bodies through on_stop, once, and the call returns only after
// every body ended; without a stop the outcome is run_workers'.
TEST(WatchedWorkers, StopReachesTheBodiesAndTheCallWaitsForThem) {
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    int asked = 0;
    int stops = 0;
    const auto caller = std::this_thread::get_id();
    std::atomic<bool> ran_on_caller{false};
    auto result = run_workers_watched(
        4,
        [&](unsigned) -> Result<void> {
            if (std::this_thread::get_id() == caller) ran_on_caller = true;
            while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ended.fetch_add(1);
            return fail(CoreError::message("stopped"));
        },
        [&] { return ++asked < 3; },
        [&] {
            ++stops;
            stop = true;
        },
        std::chrono::milliseconds(5));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(ended.load(), 4);
    EXPECT_FALSE(ran_on_caller.load());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(), "stopped");
}

TEST(WatchedWorkers, UnstoppedRunGivesTheLowestFailure) {
    std::vector<std::atomic<int>> runs(3);
    auto result = run_workers_watched(
        3,
        [&](unsigned i) -> Result<void> {
            runs[i].fetch_add(1);
            if (i == 0) return {};
            return fail(CoreError::message("body " + std::to_string(i)));
        },
        [] { return true; }, [] { ADD_FAILURE() << "stopped without a reason"; });
    for (auto& r : runs) EXPECT_EQ(r.load(), 1);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(), "body 1");
}

TEST(Workers, CountIsBoundedByTheUnitsAndEight) {
    EXPECT_EQ(worker_count(0), 1u);
    EXPECT_EQ(worker_count(1), 1u);
    EXPECT_LE(worker_count(1000), 8u);
    EXPECT_LE(worker_count(2), 2u);
}

TEST(MappedBuffer, GrowsPastItsMappingKeepingTheBytes) {
    // Pieces of odd sizes, past several doublings of the first mapping.
    std::string expected;
    MappedBuffer buffer;
    for (int i = 0; expected.size() < (std::size_t{9} << 20); ++i) {
        std::string piece(70001 + i, static_cast<char>('a' + i % 26));
        buffer.append(piece);
        expected += piece;
    }
    EXPECT_EQ(buffer.size(), expected.size());
    EXPECT_TRUE(buffer.view() == expected);
    MappedBuffer moved = std::move(buffer);
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_TRUE(moved.view() == expected);
    moved.release();
    EXPECT_EQ(moved.size(), 0u);
}

}  // namespace
}  // namespace zvk
