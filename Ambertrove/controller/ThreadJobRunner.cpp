#include "controller/ThreadJobRunner.hpp"

#include <QtGlobal>

#include <exception>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace ambertrove {

namespace {

void lowerThisThreadsPriority(int niceness) {
#if defined(__linux__)
    // On Linux a thread has its own niceness, addressed by its thread id. A failure leaves the normal
    // priority, which is harmless.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, niceness);
#else
    (void)niceness;
#endif
}

} // namespace

ThreadJobRunner::ThreadJobRunner(QObject* parent)
    : JobRunner(parent) {
    m_queries.setMaxThreadCount(kQueryThreads);
}

ThreadJobRunner::~ThreadJobRunner() {
    m_queries.waitForDone();
    for (Worker& worker : m_workers)
        worker.thread.join();
}

void ThreadJobRunner::start(JobKind kind, Job job) {
    joinFinished();
    auto run = [this, job = std::move(job)] {
        // A job reports its own failures through what it applies; one that throws anyway loses only its
        // result, never the program.
        try {
            post(job());
        } catch (const std::exception& error) {
            qCritical("A background job failed: %s", error.what());
        } catch (...) {
            qCritical("A background job failed.");
        }
    };
    if (kind == JobKind::query) {
        m_queries.start(std::move(run));
        return;
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const bool lower = kind == JobKind::utility;
    std::thread thread([run = std::move(run), finished, lower] {
        if (lower)
            lowerThisThreadsPriority(kUtilityNiceness);
        run();
        finished->store(true);
    });
    m_workers.push_back(Worker{std::move(thread), std::move(finished)});
}

void ThreadJobRunner::joinFinished() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->finished->load()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace ambertrove
