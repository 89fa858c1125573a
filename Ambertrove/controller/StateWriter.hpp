#pragma once

#include "controller/JobRunner.hpp"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace ambertrove {

// The controller's one thread for the state it keeps on disk: the cleanup state files are written, and
// saved scans deleted and listed, there, one task at a time in the order they were asked for, so that a
// slow disk never holds the window. What a task returns is applied on the GUI thread through the runner,
// in the same order.
class StateWriter {
public:
    // Runs on the writer's thread; returns what to apply on the GUI thread (may be empty).
    using Task = std::function<JobRunner::Apply()>;

    explicit StateWriter(JobRunner& runner);
    // Runs every task asked for, then ends the thread.
    ~StateWriter();
    StateWriter(const StateWriter&) = delete;
    StateWriter& operator=(const StateWriter&) = delete;

    // Queues `task` behind every task asked for before it.
    void add(Task task);
    // Queues a save of the whole state. A save still waiting at the end of the queue is replaced by it: the
    // later state is the one that must land, and the earlier one would be written over at once.
    void save(Task task);
    // Waits until every task asked for so far has run (what they return may still be on its way).
    void waitUntilIdle();
    // Runs every task asked for, then ends the thread; the program is quitting. A task asked for after
    // this runs at once on the caller's thread.
    void finish();

private:
    struct Waiting {
        Task task;
        bool isSave = false;
    };

    void enqueue(Task task, bool isSave);
    void work();
    void run(const Task& task);

    JobRunner& m_runner;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Waiting> m_waiting;
    bool m_busy = false; // a task runs
    bool m_closing = false;
    std::thread m_thread; // started with the first task
};

} // namespace ambertrove
