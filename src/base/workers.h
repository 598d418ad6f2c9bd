// Running one task on a few threads at once. No exception leaves a worker:
// each body's failure comes back as a CoreError.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/core_error.h"

namespace zvk {

// The threads worth starting for `units` independent units of work: the
// machine's cores, at most 8 (the work is bound by memory beyond that), at
// most one per unit, at least one.
unsigned worker_count(std::size_t units);

// Runs body(0) .. body(count - 1), each on a thread of its own, body(0) on
// the calling thread, and returns once all have ended: with the failure of the
// lowest-numbered body that failed (a thrown std::bad_alloc becomes "out of
// memory", any other exception "internal error"), otherwise success. A thread
// that cannot be started leaves its body to the calling thread.
Result<void> run_workers(unsigned count, const std::function<Result<void>(unsigned)>& body);

// The same with every body on a thread of its own while the calling thread
// watches: about every `period` it asks `keep_going`, and the first time
// that says no it calls `on_stop`, then goes on waiting for the bodies (which
// `on_stop` is expected to end soon). Bodies whose thread could not be started
// or found no room run on the calling thread afterwards, unwatched, unless
// the run was stopped by then.
Result<void> run_workers_watched(unsigned count, const std::function<Result<void>(unsigned)>& body,
                                 const std::function<bool()>& keep_going,
                                 const std::function<void()>& on_stop,
                                 std::chrono::milliseconds period = std::chrono::milliseconds(50));

// Threads started before the task they will run is known, for work that
// follows a large allocation: a thread started once the memory is taken may
// find no room for its stack or its thread-local block, and the C library
// ends the process when the latter fails. Each thread readies its
// thread-local state at once, then waits; the constructor returns once every
// thread has. run() gives the same outcome as
// run_workers(count, body); a thread that could not be started leaves its
// body to the calling thread. The destructor ends and joins the threads.
class StandbyWorkers {
public:
    explicit StandbyWorkers(unsigned count) noexcept;
    ~StandbyWorkers();
    StandbyWorkers(const StandbyWorkers&) = delete;
    StandbyWorkers& operator=(const StandbyWorkers&) = delete;

    unsigned count() const { return count_; }
    Result<void> run(const std::function<Result<void>(unsigned)>& body);

private:
    struct Shared;
    unsigned count_;
    std::unique_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
    // The bodies run by the calling thread: 0 and those without a thread.
    std::vector<unsigned> on_caller_;
};

}  // namespace zvk
