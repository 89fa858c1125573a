#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace ambertrove {

// The result of a job that changes the disk, handed from its worker to whoever applies it first: the queued
// delivery, or the controller's destructor, which waits for a job that has begun so that what it did is
// recorded (items moved to the Trash get their receipts, a restored item loses its receipt). A job that
// had not begun when the program quit never runs.
template <class Result> class JobHandoff {
public:
    // On the worker, before the work: false when the program quit first, and the job must do nothing.
    [[nodiscard]] bool begin() {
        const std::lock_guard lock(m_lock);
        if (m_stage == Stage::abandoned)
            return false;
        m_stage = Stage::running;
        return true;
    }

    // On the worker, after the work.
    void finish(Result value) {
        {
            const std::lock_guard lock(m_lock);
            result = std::move(value);
            m_stage = Stage::finished;
        }
        m_changed.notify_all();
    }

    // At quit, on the GUI thread: waits for a job that has begun and returns true once `result` holds what
    // it did; false for a job that had not begun (it never will).
    [[nodiscard]] bool waitAtQuit() {
        std::unique_lock lock(m_lock);
        if (m_stage == Stage::waiting) {
            m_stage = Stage::abandoned;
            return false;
        }
        m_changed.wait(lock, [&] { return m_stage == Stage::finished; });
        return true;
    }

    // Set by finish(); read on the GUI thread once the job's delivery or waitAtQuit() says it is there.
    std::optional<Result> result;
    // GUI thread only: whether the result was applied.
    bool applied = false;

private:
    enum class Stage {
        waiting,   // the job has not begun
        running,   // the job may be changing the disk
        finished,  // `result` holds what it did
        abandoned, // the program quit before the job began
    };

    std::mutex m_lock;
    std::condition_variable m_changed;
    Stage m_stage = Stage::waiting;
};

} // namespace ambertrove
