// Running one task on a few threads at once. No exception leaves a worker:
// each body's failure comes back as a CoreError.
#pragma once

#include <cstddef>
#include <functional>

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

}  // namespace zvk
