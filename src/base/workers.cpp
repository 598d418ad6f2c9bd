#include "base/workers.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
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
            // A thread without room for its thread-local blocks leaves its
            // slot empty: the body is run on the calling thread after.
            threads.emplace_back([&results, &body, i] {
                if (ready_thread_for_exceptions()) results[i] = run_guarded(body, i);
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
    for (unsigned i = 1; i < count; ++i) {
        if (!results[i]) results[i] = run_guarded(body, i);
    }
    for (auto& result : results) {
        if (result && !*result) return std::move(*result);
    }
    return {};
}

Result<void> run_workers_watched(unsigned count, const std::function<Result<void>(unsigned)>& body,
                                 const std::function<bool()>& keep_going,
                                 const std::function<void()>& on_stop,
                                 std::chrono::milliseconds period) {
    count = std::max(count, 1u);
    struct Board {
        std::mutex mutex;
        std::condition_variable ended;
        unsigned finished = 0;
    } board;
    std::vector<std::optional<Result<void>>> results;
    std::vector<std::thread> threads;
    try {
        results.resize(count);
        threads.reserve(count);
    } catch (...) {
        return fail(CoreError::out_of_memory());
    }
    for (unsigned i = 0; i < count; ++i) {
        try {
            threads.emplace_back([&results, &body, &board, i] {
                if (ready_thread_for_exceptions()) results[i] = run_guarded(body, i);
                {
                    std::lock_guard lock(board.mutex);
                    ++board.finished;
                }
                board.ended.notify_all();
            });
        } catch (...) {
            break;  // the bodies of threads not started run on this thread below
        }
    }
    const auto started = static_cast<unsigned>(threads.size());
    bool stopped = false;
    {
        std::unique_lock lock(board.mutex);
        while (board.finished < started) {
            if (board.ended.wait_for(lock, period, [&] { return board.finished == started; })) break;
            if (stopped) continue;
            lock.unlock();
            // Nothing may leave this loop before the threads are joined.
            bool go = true;
            try {
                go = keep_going();
            } catch (...) {
                go = false;
            }
            if (!go) {
                stopped = true;
                try {
                    on_stop();
                } catch (...) {
                }
            }
            lock.lock();
        }
    }
    for (auto& thread : threads) thread.join();
    for (unsigned i = 0; i < count; ++i) {
        if (!results[i] && !stopped) results[i] = run_guarded(body, i);
    }
    for (auto& result : results) {
        if (result && !*result) return std::move(*result);
    }
    return {};
}

struct StandbyWorkers::Shared {
    std::mutex mutex;
    std::condition_variable wake;  // a task (or the end) for the workers
    std::condition_variable done;  // a worker finished its body
    std::condition_variable readied;  // a worker has its thread-local blocks
    unsigned ready = 0;
    const std::function<Result<void>(unsigned)>* body = nullptr;
    std::size_t task = 0;  // how many tasks were handed out
    bool ending = false;
    unsigned running = 0;
    unsigned serving = 0;  // threads that readied and wait for tasks
    std::vector<unsigned char> unready;  // by index: the thread found no room
    std::vector<std::optional<Result<void>>> results;

    void serve(unsigned index) noexcept {
        std::size_t seen = 0;
        for (;;) {
            const std::function<Result<void>(unsigned)>* work = nullptr;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return ending || task != seen; });
                if (ending) return;
                seen = task;
                work = body;
            }
            Result<void> result = run_guarded(*work, index);
            std::lock_guard lock(mutex);
            // Slots are made before any thread starts; assigning a result
            // moves, it does not allocate.
            results[index] = std::move(result);
            --running;
            if (running == 0) done.notify_all();
        }
    }
};

StandbyWorkers::StandbyWorkers(unsigned count) noexcept : count_(std::max(count, 1u)) {
    try {
        on_caller_.reserve(count_);
        on_caller_.push_back(0);
        shared_ = std::make_unique<Shared>();
        shared_->results.resize(count_);
        shared_->unready.resize(count_);
        threads_.reserve(count_ - 1);
    } catch (...) {
        // No room even for the bookkeeping: everything runs on the caller.
        shared_.reset();
        threads_.clear();
        on_caller_.clear();
        return;
    }
    for (unsigned i = 1; i < count_; ++i) {
        try {
            threads_.emplace_back([shared = shared_.get(), i] {
                const bool readied = ready_thread_for_exceptions();
                {
                    std::lock_guard lock(shared->mutex);
                    ++shared->ready;
                    if (readied) ++shared->serving;
                    else shared->unready[i] = 1;
                }
                shared->readied.notify_all();
                if (readied) shared->serve(i);
            });
        } catch (...) {
            on_caller_.push_back(i);  // reserved above: cannot throw
        }
    }
    // The point of starting early is that each thread takes its thread-local
    // blocks while there is memory for them: the caller goes on to its big
    // allocation only once every thread has.
    std::unique_lock lock(shared_->mutex);
    shared_->readied.wait(lock, [&] { return shared_->ready == threads_.size(); });
    // A thread without room has ended: its body falls to the caller.
    for (unsigned i = 1; i < count_; ++i) {
        if (shared_->unready[i]) on_caller_.push_back(i);  // reserved above: cannot throw
    }
}

StandbyWorkers::~StandbyWorkers() {
    if (shared_) {
        {
            std::lock_guard lock(shared_->mutex);
            shared_->ending = true;
        }
        shared_->wake.notify_all();
    }
    for (auto& thread : threads_) thread.join();
}

Result<void> StandbyWorkers::run(const std::function<Result<void>(unsigned)>& body) {
    if (!shared_) {
        std::optional<Result<void>> first_failure;
        for (unsigned i = 0; i < count_; ++i) {
            Result<void> r = run_guarded(body, i);
            if (!r && !first_failure) first_failure = std::move(r);
        }
        return first_failure ? std::move(*first_failure) : Result<void>{};
    }
    {
        std::lock_guard lock(shared_->mutex);
        for (auto& r : shared_->results) r.reset();
        shared_->body = &body;
        shared_->running = shared_->serving;
        ++shared_->task;
    }
    shared_->wake.notify_all();
    std::vector<std::optional<Result<void>>>& results = shared_->results;
    // The caller's bodies write their slots while the workers may write
    // theirs: distinct elements, made before any thread started.
    for (unsigned i : on_caller_) {
        Result<void> r = run_guarded(body, i);
        std::lock_guard lock(shared_->mutex);
        results[i] = std::move(r);
    }
    std::unique_lock lock(shared_->mutex);
    shared_->done.wait(lock, [&] { return shared_->running == 0; });
    shared_->body = nullptr;
    for (auto& result : results) {
        if (result && !*result) return std::move(*result);
    }
    return {};
}

}  // namespace zvk
