#pragma once

#include "controller/JobRunner.hpp"

#include <QThreadPool>

#include <atomic>
#include <list>
#include <memory>
#include <thread>

namespace ambertrove {

// The runner of the running program: a thread per long or utility job (utility jobs lower their own
// priority) and a separate pool of kQueryThreads for view queries. Its destruction waits for every job,
// so their owner cancels them first.
class ThreadJobRunner final : public JobRunner {
    Q_OBJECT

public:
    static constexpr int kQueryThreads = 2;
    // The niceness a utility job's thread takes.
    static constexpr int kUtilityNiceness = 10;

    explicit ThreadJobRunner(QObject* parent = nullptr);
    ~ThreadJobRunner() override;

    void start(JobKind kind, Job job) override;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void joinFinished();

    QThreadPool m_queries;
    std::list<Worker> m_workers;
};

} // namespace ambertrove
