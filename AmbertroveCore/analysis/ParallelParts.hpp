#pragma once

#include "analysis/CancellationPoints.hpp"
#include "analysis/TaskCancellation.hpp"
#include "base/AmbertroveError.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ambertrove {

// One task's cancellation polled from several threads at once. The task's own test runs under a lock, so
// that a test that counts its polls needs no care of its own; once the task is cancelled, or a part has
// failed, every later poll stops its part.
class SharedCancellation {
public:
    explicit SharedCancellation(const TaskCancellation& cancellation)
        : m_cancellation(cancellation) {}

    // Throws CancellationError when the task is cancelled or another part gave up.
    void check() {
        if (!m_stopped.load(std::memory_order_relaxed)) {
            const std::lock_guard lock(m_mutex);
            if (!m_stopped.load(std::memory_order_relaxed) && m_cancellation.isCancelled())
                m_stopped.store(true, std::memory_order_relaxed);
        }
        if (m_stopped.load(std::memory_order_relaxed))
            throw CancellationError();
    }
    // Tells the other parts to stop at their next poll.
    void abandon() { m_stopped.store(true, std::memory_order_relaxed); }

private:
    const TaskCancellation& m_cancellation;
    std::mutex m_mutex;
    std::atomic<bool> m_stopped = false;
};

// One part's polls, spaced as a whole task's.
using PartPoints = SpacedPolls<SharedCancellation>;

namespace ParallelParts {

// Below this many items a single thread is quicker than starting others.
inline constexpr std::size_t kMinimumItems = std::size_t(1) << 15;

// How many parts to split `items` into: one for small work; else a part per core but one, which is left to
// the GUI thread, and no more than six, past which the memory, not the cores, sets the pace.
[[nodiscard]] inline std::size_t partsFor(std::size_t items) {
    if (items < kMinimumItems)
        return 1;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<std::size_t>(cores - 1, 1, 6);
}

// The first item of part `part` of `parts` over `items` (the end of the last part for part == parts).
[[nodiscard]] inline std::size_t partBegin(std::size_t items, std::size_t parts, std::size_t part) {
    return items / parts * part + std::min(part, items % parts);
}

// Runs work(part) for each of `parts` parts, the first on the calling thread and the others on threads of
// their own (on the calling thread too when no thread can be had), and waits for all. The first exception a
// part throws stops the others at their next poll of `shared` and is thrown here once all have ended.
template <class Work> void run(std::size_t parts, SharedCancellation& shared, Work&& work) {
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto attempt = [&](std::size_t part) {
        try {
            work(part);
        } catch (...) {
            {
                const std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
            }
            // After the failure is kept: a part stopped by it never reports its stop first.
            shared.abandon();
        }
    };
    std::vector<std::thread> threads;
    std::vector<std::size_t> unthreaded;
    threads.reserve(parts);
    for (std::size_t part = 1; part < parts; ++part) {
        try {
            threads.emplace_back(attempt, part);
        } catch (const std::system_error&) {
            unthreaded.push_back(part);
        }
    }
    attempt(0);
    for (const std::size_t part : unthreaded)
        attempt(part);
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

// Runs work(task, points) for each of `tasks` tasks on `parts` threads (see run()), each thread taking
// the next task not yet taken, so that a thread that gets less of the machine does less of the work. Each
// thread polls through points of its own.
template <class Work>
void runTasks(std::size_t parts, std::size_t tasks, SharedCancellation& shared, Work&& work) {
    std::atomic<std::size_t> next = 0;
    run(std::min(parts, tasks), shared, [&](std::size_t) {
        PartPoints points(shared);
        for (std::size_t task; (task = next.fetch_add(1, std::memory_order_relaxed)) < tasks;)
            work(task, points);
    });
}

} // namespace ParallelParts

} // namespace ambertrove
