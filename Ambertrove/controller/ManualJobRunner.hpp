#pragma once

#include "controller/JobRunner.hpp"

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

namespace ambertrove {

// A runner for tests: jobs wait until the test runs them, one by one in any order, on the test's thread,
// and what they post waits until the test delivers it, so that supersession, late progress and
// cancellation can be played out exactly.
class ManualJobRunner final : public JobRunner {
    Q_OBJECT

public:
    explicit ManualJobRunner(QObject* parent = nullptr);

    void start(JobKind kind, Job job) override;
    // Keeps `apply` until deliver(), whatever event loop runs meanwhile. Callable from any thread (the
    // controller's state thread is a real one).
    void post(Apply apply) override;

    [[nodiscard]] std::size_t pending() const { return m_jobs.size(); }
    [[nodiscard]] JobKind kind(std::size_t index) const { return m_jobs.at(index).kind; }
    // How many jobs were ever started.
    [[nodiscard]] std::size_t startedCount() const { return m_started; }

    // Runs the job at `index` (in start order among those still waiting) and applies what it and its
    // progress reports posted.
    void run(std::size_t index = 0);
    // Runs the job but keeps what it posted queued until deliver(): results that arrive late.
    void runWithoutDelivering(std::size_t index = 0);
    // Applies everything posted so far, in posting order (also what the applied calls post).
    void deliver();
    [[nodiscard]] std::size_t undelivered() const;
    // Runs every waiting job, also those that the applied results start, until none waits.
    void runAll();

signals:
    // A job was started and waits.
    void jobStarted();

private:
    struct Waiting {
        JobKind kind;
        Job job;
    };

    std::vector<Waiting> m_jobs;
    mutable std::mutex m_postedLock;
    std::deque<Apply> m_posted;
    std::size_t m_started = 0;
};

} // namespace ambertrove
